#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "Windows.h"

#include "archive/modArchive.h"
#include "archive/winNoteArchive.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "notes/winNote.h"
#include "tray/winMenu.h"

#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

const QByteArray NotePrefix = "2880,3255,1500,1500,,Verdana,10,12648447,0,";

// Archives a note named and holding each name.
void Archive(const QStringList &names)
{
    for (const QString &name : names)
        WriteBytes(modFiles::ArchiveFolder() + "/" + name + ".zln", NotePrefix + name.toUtf8());
}

// The rows top to bottom, the selected one in brackets | the texts of
// Active's files, sorted, then " shown" for each note on the desktop.
QString Outcome(const winNoteArchive *window)
{
    const QTreeWidget *list = window->ListView;
    QStringList rows, notes;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = list->topLevelItem(row);
        rows << (item->isSelected() ? "[" + item->text(0) + "]" : item->text(0));
    }
    for (const QFileInfo &file : QDir(modFiles::ActiveFolder()).entryInfoList(QDir::Files))
        notes << ReadBytes(file.filePath()).mid(NotePrefix.size());
    notes.sort();
    return rows.join(' ') + "|" + notes.join(", ") + QString(" shown").repeated(winNote::AllNotes().size());
}

} // namespace

class NoteArchiveTest final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        DeleteWindows({"winNoteArchive", "winNote"});
        delete winMenu::Instance();
        modDialogs::SetDialogRunner({});
    }

    void restoresDeletesAndFollowsTheFolder()
    {
        TestEnvironment environment;
        winMenu::Create();
        // A row is on one line, without its sender, and never cut inside a character.
        WriteBytes(modFiles::ArchiveFolder() + "/a.zln",
                   NotePrefix + "Buy milk,\r\nxxxxxxxxxxxxxxxxxx\U0001F600yyyy[FROM=1.2.3.4|D]");
        Archive({"b", "c"});
        WriteBytes(modFiles::ActiveFolder() + "/c.zln", NotePrefix + "mine");
        modArchive::OpenNoteArchive();
        winNoteArchive *window = ShownWindow<winNoteArchive>();
        QCOMPARE(Outcome(window), "[c] b Buy milk, xxxxxxxxxxxxxxxxxx...|mine");
        window->Command1->click(); // onto a taken name: both notes stay
        QTRY_COMPARE(Outcome(window), "[b] Buy milk, xxxxxxxxxxxxxxxxxx...|c, mine shown");
        int asked = 0;
        modDialogs::SetDialogRunner([&](QDialog &) {
            if (++asked == 2) {
                Archive({"d"});
                window->RefreshListView();
            }
            return asked == 1 ? QMessageBox::No : QMessageBox::Yes;
        });
        window->ListView->setCurrentItem(window->ListView->topLevelItem(1));
        window->Command2->click(); // No keeps the note
        window->Command2->click(); // Yes deletes the chosen one, though the list changed meanwhile
        QCOMPARE(Outcome(window), "d [b]|c, mine shown");
        QCOMPARE(QDir(modFiles::ArchiveFolder()).entryList(QDir::Files), QStringList({"b.zln", "d.zln"}));
        // The folder is watched: a drop rebuilds the list, a file that is no note does not.
        QVERIFY(QDir(modFiles::ArchiveFolder()).removeRecursively());
        QTRY_COMPARE(Outcome(window), "|c, mine shown");
        Archive({"e", "f"});
        QTRY_COMPARE(Outcome(window), "[f] e|c, mine shown");
        window->ListView->setCurrentItem(window->ListView->topLevelItem(1));
        WriteBytes(modFiles::ArchiveFolder() + "/x.txt", "");
        QTest::qWait(1500); // the folder is looked at every 500 ms
        QVERIFY(QDir(modFiles::ActiveFolder()).removeRecursively());
        WriteBytes(modFiles::ActiveFolder(), "");
        window->Command1->click();
        QCOMPARE(Outcome(window), "f [e]| shown"); // a failed restore keeps the note archived
        QCOMPARE(asked, 3);                        // the news of the failed restore
    }
};

ZETTLOR_TEST_CLASS(NoteArchiveTest)
#include "NoteArchiveTest.moc"

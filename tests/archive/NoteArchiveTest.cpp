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

void Archive(const QStringList &names)
{
    for (const QString &name : names)
        WriteBytes(modFiles::ArchiveFolder() + "/" + name + ".zln", NotePrefix + name.toUtf8());
}

// The rows, the selected one in brackets | Active's note texts, then " shown" per open note.
QString Outcome(const winNoteArchive *window)
{
    QStringList rows, notes;
    for (const QTreeWidgetItem *item : window->ListView->findItems("", Qt::MatchStartsWith))
        rows << (item->isSelected() ? "[" + item->text(0) + "]" : item->text(0));
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
            if (++asked == 2)
                Archive({"d"}), window->RefreshListView();
            return asked == 1 ? QMessageBox::No : QMessageBox::Yes;
        });
        window->ListView->setCurrentItem(window->ListView->topLevelItem(1));
        window->Command2->click(); // No keeps the note
        window->Command2->click(); // Yes deletes the chosen one, though the list changed meanwhile
        QCOMPARE(Outcome(window), "d [b]|c, mine shown");
        // The folder is watched.
        QVERIFY(QDir(modFiles::ArchiveFolder()).removeRecursively());
        QTRY_COMPARE(Outcome(window), "|c, mine shown");
        Archive({"e", "f"});
        QTRY_COMPARE(Outcome(window), "[f] e|c, mine shown");
        window->ListView->setCurrentItem(window->ListView->topLevelItem(1));
        Archive({"g"});
        QTRY_COMPARE(Outcome(window), "g f [e]|c, mine shown"); // a new row keeps the choice
        QVERIFY(QDir(modFiles::ActiveFolder()).removeRecursively());
        WriteBytes(modFiles::ActiveFolder(), "");
        window->Command1->click();
        QCOMPARE(Outcome(window), "g f [e]| shown"); // a failed restore keeps the note archived
        QCOMPARE(asked, 3);                          // the news of the failed restore
        // While the question is open, the chosen file goes: the row goes without a word. It
        // becomes a folder: the failed delete is told, and the row stays.
        const QString archive = modFiles::ArchiveFolder();
        modDialogs::SetDialogRunner([&](QDialog &) {
            if (++asked == 4)
                QFile::remove(archive + "/e.zln");
            if (asked == 5)
                QFile::remove(archive + "/f.zln"), QDir().mkpath(archive + "/f.zln/inside");
            return QMessageBox::Yes;
        });
        window->Command2->click();
        window->Command2->click();
        QCOMPARE(Outcome(window), "g [f]| shown");
        QCOMPARE(asked, 6);
    }

    // A file too large to be a note is listed without its text, and stays archived.
    void tooLargeFileStaysArchived()
    {
        TestEnvironment environment;
        winMenu::Create();
        WriteBytes(modFiles::ArchiveFolder() + "/big.zln", NotePrefix + QByteArray(2 << 20, 'x'));
        int warnings = 0;
        modDialogs::SetDialogRunner([&](QDialog &) { return ++warnings, int(QMessageBox::Ok); });
        modArchive::OpenNoteArchive();
        winNoteArchive *window = ShownWindow<winNoteArchive>();
        window->Command1->click();
        QVERIFY(window->ListView->topLevelItemCount() == 1 &&
                window->ListView->topLevelItem(0)->text(0).isEmpty());
        QVERIFY(Outcome(window) == "|" && warnings == 1); // nothing restored, and the user told
    }
};

ZETTLOR_TEST_CLASS(NoteArchiveTest)
#include "NoteArchiveTest.moc"

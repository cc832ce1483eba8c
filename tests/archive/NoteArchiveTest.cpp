#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "Windows.h"

#include "archive/modArchive.h"
#include "archive/winNoteArchive.h"
#include "core/Globals.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "notes/winNote.h"
#include "tray/winMenu.h"

#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

const QByteArray NotePrefix = "2880,3255,1500,1500,,Verdana,10,12648447,0,";

// The rows top to bottom, the selected one in brackets.
QString Listed(const QTreeWidget *list)
{
    QStringList rows;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = list->topLevelItem(row);
        rows << (item->isSelected() ? "[" + item->text(0) + "]" : item->text(0));
    }
    return rows.join(' ');
}

// The texts of Active's files, sorted, then " shown" for each note on the desktop.
QString ActiveNotes()
{
    QStringList notes;
    for (const QFileInfo &file : QDir(modFiles::ActiveFolder()).entryInfoList(QDir::Files))
        notes << ReadBytes(file.filePath()).mid(NotePrefix.size());
    notes.sort();
    return notes.join(", ") + QString(" shown").repeated(winNote::AllNotes().size());
}

} // namespace

class NoteArchiveTest final : public QObject
{
    Q_OBJECT

    winNoteArchive *m_archive = nullptr;
    QStringList m_messages;

    // "archive a b" archives a.zln and b.zln holding "a" and "b"; "write" and
    // "rm" take a path in the data folder; "delete yes|no [as NAME arrives]".
    void Perform(const QString &step)
    {
        const QStringList words = step.split(' ');
        const QString verb = words.first(), path = DataFolder + "/" + words.value(1);
        if (verb == "archive") {
            for (const QString &name : words.mid(1))
                WriteBytes(modFiles::ArchiveFolder() + "/" + name + ".zln", NotePrefix + name.toUtf8());
        } else if (verb == "write") {
            WriteBytes(path, NotePrefix + words.mid(2).join(' ').toUtf8());
        } else if (verb == "rm") {
            QVERIFY(QFile::remove(path) || QDir(path).removeRecursively());
        } else if (verb == "open") {
            modArchive::OpenNoteArchive();
            modArchive::OpenNoteArchive(); // raises the open one
            m_archive = ShownWindow<winNoteArchive>();
            QCOMPARE(TopLevelWindows<winNoteArchive>(), QList<winNoteArchive *>{m_archive});
        } else if (verb == "click") {
            m_archive->ListView->setCurrentItem(m_archive->ListView->topLevelItem(words[1].toInt()));
        } else if (verb == "restore") {
            m_archive->Command1->click();
        } else if (verb == "delete") {
            modDialogs::SetDialogRunner([this, words](QDialog &dialog) {
                m_messages << static_cast<QMessageBox &>(dialog).text();
                if (words.size() > 3) {
                    Perform("archive " + words[3]);
                    m_archive->RefreshListView();
                }
                return words[1] == "yes" ? QMessageBox::Yes : QMessageBox::No;
            });
            m_archive->Command2->click();
        } else { // "wait": the folder is looked at every 500 ms
            QTest::qWait(1500);
        }
    }

private slots:
    void cleanup()
    {
        DeleteWindows({"winNoteArchive", "winNote"});
        delete winMenu::Instance();
        modDialogs::SetDialogRunner({});
    }

    // The end result: rows | Active's notes | the start of the message shown.
    void commandsAndChanges_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("result");
        const QString abc = "archive a b c; open; ", x18 = QString(18, 'x');
        // On one line, without its sender, and no half character at the cut.
        QTest::newRow("received, long")
            << "write Archive/n.zln Buy milk,\r\n" + x18 + "\U0001F600yyyy[FROM=1.2.3.4|D]; open"
            << "[Buy milk, " + x18 + "...]||";
        QTest::newRow("restore onto a taken name") << abc + "write Active/b.zln mine; click 1; restore"
                                                   << "[c] a|b, mine shown|";
        QTest::newRow("failed restore") << "archive n; rm Active; write Active; open; restore"
                                        << "[n]||The note could";
        QTest::newRow("delete: no, then yes as another note is archived")
            << abc + "click 2; delete no; delete yes as d arrives"
            << "d c [b]||Are you sure";
        // Only a change in the number of notes rebuilds the list, a drop too.
        QTest::newRow("folder watched")
            << "archive a b; open; rm Archive; wait; archive b c; wait; click 1; write Archive/x.txt; wait"
            << "c [b]||";
    }
    void commandsAndChanges()
    {
        QFETCH(QString, steps);
        TestEnvironment environment;
        winMenu::Create();
        m_messages.clear();
        modDialogs::SetDialogRunner([this](QDialog &dialog) {
            m_messages << static_cast<QMessageBox &>(dialog).text();
            return QMessageBox::Ok;
        });
        for (const QString &step : steps.split("; "))
            Perform(step);
        const auto now = [this] {
            return Listed(m_archive->ListView) + "|" + ActiveNotes() + "|" +
                   m_messages.join(' ').section(' ', 0, 2);
        };
        QFETCH(QString, result);
        QTRY_COMPARE(now(), result);
        // The list and the folder stay in step.
        QCOMPARE(QDir(modFiles::ArchiveFolder(), "*.zln").entryList(QDir::Files).size(),
                 m_archive->ListView->topLevelItemCount());
    }
};

ZETTLOR_TEST_CLASS(NoteArchiveTest)
#include "NoteArchiveTest.moc"

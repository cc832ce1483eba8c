#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "Windows.h"

#include "archive/modArchive.h"
#include "archive/winNoteArchive.h"
#include "core/Globals.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "notes/modDualMonitors.h"
#include "notes/winNote.h"
#include "tray/winMenu.h"

#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

const QByteArray NotePrefix = "2880,3255,1500,1500,,Verdana,10,12648447,0,";

// The rows top to bottom, the selected one in brackets; "!" when Restore and
// Delete are not usable exactly while a row is selected. A row whose date is
// not today's, as short date and long time without a zone, shows its date.
QString Listed(const winNoteArchive *archive)
{
    QStringList rows;
    for (int row = 0; row < archive->ListView->topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = archive->ListView->topLevelItem(row);
        const QString date = item->text(1);
        const bool today = date.startsWith(QDate::currentDate().toString("dd.MM.yy ")) &&
                           QTime::fromString(date.mid(9), "HH:mm:ss").isValid();
        const QString text = item->text(0) + (today ? "" : " (" + date + ")");
        rows << (item->isSelected() ? "[" + text + "]" : text);
    }
    const bool selected = !archive->ListView->selectedItems().isEmpty();
    const bool wrong =
        archive->Command1->isEnabled() != selected || archive->Command2->isEnabled() != selected;
    return rows.join(' ') + (wrong ? "!" : "");
}

// The texts of Active's files, sorted; " shown" marks those a note on the
// desktop was loaded from.
QString ActiveNotes()
{
    QStringList shown, notes;
    for (const winNote *note : winNote::AllNotes())
        shown << note->noteFileName;
    for (const QFileInfo &file : QDir(modFiles::ActiveFolder()).entryInfoList(QDir::Files))
        notes << ReadBytes(file.filePath()).mid(NotePrefix.size()) +
                     (shown.contains(file.fileName()) ? " shown" : "");
    notes.sort();
    return notes.join(", ");
}

} // namespace

class NoteArchiveTest final : public QObject
{
    Q_OBJECT

    winNoteArchive *m_archive = nullptr;
    QStringList m_messages;
    QMessageBox::StandardButton m_answer = QMessageBox::No;
    QString m_arriving; // a note archived while the question is open

    // "archive a b" archives a.zln and b.zln holding "a" and "b"; "write" and
    // "rm" take a path in the data folder.
    void Perform(const QString &step)
    {
        const QStringList words = step.split(' ');
        const QString verb = words.first(), argument = words.value(1), path = DataFolder + "/" + argument;
        if (verb == "archive") {
            for (const QString &name : words.mid(1)) {
                QFile file(modFiles::ArchiveFolder() + "/" + name + ".zln");
                WriteBytes(file.fileName(), NotePrefix + name.toUtf8());
                // Moved in keeping an old change time (mv): still listed as arrived now.
                if (QFileInfo(file).birthTime().isValid())
                    QVERIFY(file.open(QIODevice::ReadWrite) &&
                            file.setFileTime(QDateTime(QDate(2001, 2, 3), {}),
                                             QFileDevice::FileModificationTime));
            }
        } else if (verb == "write") {
            WriteBytes(path, NotePrefix + words.mid(2).join(' ').toUtf8());
        } else if (verb == "rm") {
            QVERIFY(QFile::remove(path) || QDir(path).removeRecursively());
        } else if (verb == "open") {
            modArchive::OpenNoteArchive();
            modArchive::OpenNoteArchive(); // raises the open one
            m_archive = ShownWindow<winNoteArchive>();
            QCOMPARE(TopLevelWindows<winNoteArchive>(), QList<winNoteArchive *>{m_archive});
        } else if (verb == "click" || verb == "ctrl-click") { // a Ctrl+click on the selected row clears it
            QTreeWidget *list = m_archive->ListView;
            QTest::mouseClick(list->viewport(), Qt::LeftButton,
                              verb == "click" ? Qt::NoModifier : Qt::ControlModifier,
                              list->visualItemRect(list->topLevelItem(argument.toInt())).center());
        } else if (verb == "restore") {
            QTest::mouseClick(m_archive->Command1, Qt::LeftButton);
        } else if (verb == "delete") { // "delete yes|no [as NAME arrives]"
            m_answer = argument == "yes" ? QMessageBox::Yes : QMessageBox::No;
            m_arriving = words.value(3);
            QTest::mouseClick(m_archive->Command2, Qt::LeftButton);
        } else if (verb == "wait") { // the folder is looked at every 500 ms
            QTest::qWait(1500);
        } else {
            QFAIL(qPrintable("unknown step " + step));
        }
    }

private slots:
    void init()
    {
        modDualMonitors::SetVirtualScreenForTests(QRect(0, 0, 1920, 1080));
        winMenu::Create();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_archive = nullptr;
        m_messages.clear();
        m_arriving.clear();
        modDialogs::SetDialogRunner([this](QDialog &dialog) {
            m_messages << static_cast<QMessageBox &>(dialog).text();
            if (!m_arriving.isEmpty()) {
                Perform("archive " + m_arriving);
                m_archive->RefreshListView();
            }
            return m_answer;
        });
    }
    void cleanup()
    {
        DeleteWindows({"winNoteArchive", "winNote"});
        delete winMenu::Instance();
        modDialogs::SetDialogRunner({});
        QLocale::setDefault(QLocale::system());
        modDualMonitors::SetVirtualScreenForTests(std::nullopt);
    }

    void commandsAndChanges_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("active");
        QTest::addColumn<QString>("asked"); // the start of the message shown
        const auto row = [](const char *tag, QString steps, QString listed, QString active, QString asked) {
            QTest::newRow(tag) << steps << listed << active << asked;
        };
        const QString abc = "archive a b c; open; ", sure = "Are you sure", text33 = QString(30, '-') + "abc";
        const QString note = "write Archive/n.zln ";
        row("33 characters whole", note + text33 + "; open", "[" + text33 + "]", "", "");
        row("34 characters cut", note + text33 + "d; open", "[" + text33.left(30) + "...]", "", "");
        row("received, on one line", note + "Buy milk,\r\nbread[FROM=192.168.1.20|Desk 2]; open",
            "[Buy milk, bread]", "", "");
        row("no half character at the cut", note + QString(29, 'x') + "\U0001F600yyyy; open",
            "[" + QString(29, 'x') + "...]", "", "");
        row("restore", abc + "click 1; restore", "[c] a", "b shown", "");
        row("restore onto a taken name", "archive n; write Active/n.zln mine; open; restore", "",
            "mine, n shown", "");
        row("failed restore", "archive n; rm Active; write Active; open; restore", "[n]", "",
            "The note could not be restored to ");
        row("nothing selected", abc + "ctrl-click 0; restore; delete yes", "c b a", "", "");
        row("delete, no", abc + "click 2; delete no", "c b [a]", "", sure);
        row("delete, file already gone", abc + "click 2; rm Archive/a.zln; delete yes", "c [b]", "", sure);
        row("delete, note archived while asking", abc + "click 2; delete yes as d arrives", "d c [b]", "",
            sure);
        // Only a change in the number of notes rebuilds the list.
        row("archived after one vanished", "archive a b; open; click 1; rm Archive/a.zln; wait; archive c",
            "[c] b", "", "");
        row("other files keep the selection", "archive a b; open; click 1; write Archive/readme.txt; wait",
            "b [a]", "", "");
        row("Archive folder removed", "archive a b; open; rm Archive", "", "", "");
        row("Archive folder made while open", "open; archive c", "[c]", "", "");
    }
    void commandsAndChanges()
    {
        QFETCH(QString, steps);
        QFETCH(QString, listed);
        QFETCH(QString, asked);
        TestEnvironment environment;
        QDir().mkpath(modFiles::ActiveFolder());
        for (const QString &step : steps.split("; "))
            Perform(step);
        QTRY_COMPARE(Listed(m_archive), listed);
        // The list and the folder stay in step.
        QCOMPARE(QDir(modFiles::ArchiveFolder(), "*.zln").entryList(QDir::Files).size(),
                 m_archive->ListView->topLevelItemCount());
        QTEST(ActiveNotes(), "active");
        QCOMPARE(m_messages.size(), asked.isEmpty() ? 0 : 1);
        QVERIFY2(m_messages.value(0, "").startsWith(asked), qPrintable(m_messages.value(0)));
    }
};

ZETTLOR_TEST_CLASS(NoteArchiveTest)
#include "NoteArchiveTest.moc"

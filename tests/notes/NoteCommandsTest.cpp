#include "NoteTestSupport.h"
#include "TestRegistry.h"

#include "core/Globals.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

namespace {

const QByteArray NoteBytes = "2880,3255,1500,1500,Bold,Verdana,10,12648447,0,first\r\nsecond";

// Chooses an item of the note's menu, as the user does.
void Choose(winNote *note, QAction *winMenu::*item)
{
    winMenu *menu = winMenu::Instance();
    note->ShowNoteMenu(QPoint(10, 10));
    menu->NoteMenu->hide();
    (menu->*item)->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// "on top", "on the desktop" (pinned below all windows), or "neither".
QString Placement(const winNote *note)
{
    const auto hint = note->windowFlags() & (Qt::WindowStaysOnTopHint | Qt::WindowStaysOnBottomHint);
    if (note->isVisible() && hint == Qt::WindowStaysOnTopHint && !note->noteIsPinned)
        return "on top";
    if (note->isVisible() && hint == Qt::WindowStaysOnBottomHint && note->noteIsPinned)
        return "on the desktop";
    return "neither";
}

} // namespace

class NoteCommandsTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fixture.emplace();
        winMenu::Create();
    }
    void cleanup() { m_fixture.reset(); }

    // Archiving saves a pending change first and replaces an older archived
    // copy; where it fails, the note stays with its file. No answer: the
    // setting archives without asking.
    void removeNote_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QByteArray>("archived");
        const QByteArray moved = "2880,3255,3000,1500" + NoteBytes.mid(19);
        QTest::newRow("yes: replaces, pending move saved") << int(QMessageBox::Yes) << "copy, move" << moved;
        QTest::newRow("no") << int(QMessageBox::No) << "" << QByteArray();
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << "copy" << QByteArray("old archived note");
        QTest::newRow("no archive folder") << 0 << "no archive" << QByteArray();
    }
    void removeNote()
    {
        QFETCH(int, answer);
        QFETCH(QString, before);
        WhenDeletingNotes = answer ? "Prompt to archive or delete note" : "Archive note";
        int asked = 0;
        modDialogs::SetDialogRunner(
            [&](QDialog &) { return ++asked, answer ? answer : int(QMessageBox::Ok); });
        QPointer<winNote> note = ShownNote(NoteBytes);
        const QString archiveFile = modFiles::ArchiveFolder() + "/n.zln";
        if (before.contains("copy"))
            WriteBytes(archiveFile, "old archived note");
        if (before == "no archive")
            QDir(modFiles::ArchiveFolder()).removeRecursively();
        if (before.contains("move")) {
            note->move(200, 100);
            note->SaveTimer->start();
        }
        Choose(note, &winMenu::RemoveNote);
        const bool stays = answer == QMessageBox::Cancel || before == "no archive";
        QCOMPARE(asked, 1); // the question, or the news that the note stays
        QCOMPARE(!note.isNull() && note->isVisible(), stays);
        QCOMPARE(Stored(), stays ? NoteBytes : QByteArray());
        QTEST(ReadBytes(archiveFile), "archived");
    }

    // A note made here goes on the desktop, a received one on top as set;
    // the menu switches to the other placement, which keeps the position.
    // Reply is for received notes.
    void placesOnTopOrOnTheDesktop()
    {
        winNote *note = ShownNote("2880,3255,1500,1500,,V,10,0,0,x");
        const QPoint position = note->pos();
        QCOMPARE(Placement(note), "on the desktop");
        Choose(note, &winMenu::SetNoteToTop);
        QCOMPARE(Placement(note), "on top");
        QCOMPARE(note->pos(), position);
        NotesAlwaysOnTop = true;
        note = ShownNote("2880,3255,1500,1500,,V,10,0,0,x[FROM=127.0.0.2|B]", "r.zln");
        note->ShowNoteMenu(QPoint(10, 10));
        QVERIFY(winMenu::Instance()->ReplyToSender->isVisible());
        Choose(note, &winMenu::SetNoteToTop);
        QCOMPARE(Placement(note), "on the desktop");
    }

    // Clipboard text on Linux breaks lines with LF; the note file keeps CR LF.
    void copyPutsTextWithLf()
    {
        winNote *note = ShownNote(NoteBytes);
        note->Label2->setText("a\nb\rc\r\n\nd");
        Choose(note, &winMenu::CopyToClipboard);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("a\nb\nc\n\nd"));
    }

    // Every line, over several pages.
    void printIntoPdf()
    {
        const QString pdf = m_fixture->environment.root() + "/note.pdf";
        modNoteCommands::SetPrintFileForTests(pdf);
        QStringList lines;
        for (int line = 1; line <= 150; ++line)
            lines << QString("line %1").arg(line);
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,x");
        note->Label2->setText(lines.join("\r\n"));
        Choose(note, &winMenu::PrintNote);
        QProcess pdfToText;
        pdfToText.start("pdftotext", {pdf, "-"});
        if (!pdfToText.waitForFinished())
            QSKIP("pdftotext is not installed");
        QCOMPARE(QString(pdfToText.readAllStandardOutput())
                     .split(QRegularExpression("[\n\f]+"), Qt::SkipEmptyParts),
                 lines);
    }

private:
    std::optional<NoteFixture> m_fixture;
};

ZETTLOR_TEST_CLASS(NoteCommandsTest)
#include "NoteCommandsTest.moc"

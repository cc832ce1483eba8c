#include "NoteTestSupport.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/SettingKeys.h"
#include "core/modSettings.h"
#include "editor/winEditor.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinterInfo>
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

    void removeNote_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("before"); // "", archived copy, no archive, file gone, pending move
        QTest::addColumn<QString>("asked");  // the texts of the message boxes shown
        QTest::addColumn<bool>("stays");
        QTest::addColumn<QByteArray>("archived");
        const auto row = [](const char *name, const char *setting, int answer, const char *before,
                            const QString &asked, bool stays, const QByteArray &archived) {
            QTest::newRow(name) << QString(setting) << answer << QString(before) << asked << stays
                                << archived;
        };
        const char *prompt = "Prompt to archive or delete note", *archive = "Archive note";
        const QString question =
            "Would you like to archive the deleted note?\r\n\r\nNote: Archived notes can be "
            "restored from the Zettlor Note Archive.";
        const QString refusal =
            "The note could not be archived. It stays on the desktop and its file is kept.";
        const QByteArray moved = "2880,3255,3000,1500" + NoteBytes.mid(19);
        row("permanently", "Permanently delete note", 0, "", "", false, "");
        row("other text", "archive note", 0, "", "", false, "");
        row("file already gone", "Permanently delete note", 0, "file gone", "", false, "");
        row("archive replaces", archive, 0, "archived copy", "", false, NoteBytes);
        row("prompt yes", prompt, QMessageBox::Yes, "", question, false, NoteBytes);
        row("prompt no", prompt, QMessageBox::No, "", question, false, "");
        row("prompt cancel", prompt, QMessageBox::Cancel, "archived copy", question, true,
            "old archived note");
        row("no archive folder", archive, 0, "no archive", refusal, true, "");
        row("archive saves a pending move", archive, 0, "pending move", "", false, moved);
    }
    void removeNote()
    {
        QFETCH(QString, setting);
        QFETCH(int, answer);
        QFETCH(QString, before);
        WhenDeletingNotes = setting;
        QString asked;
        modDialogs::SetDialogRunner([&](QDialog &dialog) {
            const auto &box = static_cast<QMessageBox &>(dialog);
            asked += box.text();
            return box.standardButtons().testFlag(QMessageBox::StandardButton(answer)) ? answer
                                                                                       : QMessageBox::Ok;
        });
        QPointer<winNote> note = ShownNote(NoteBytes);
        const QString archiveFile = modFiles::ArchiveFolder() + "/n.zln";
        if (before == "archived copy")
            WriteBytes(archiveFile, "old archived note");
        if (before == "no archive")
            QDir(modFiles::ArchiveFolder()).removeRecursively();
        if (before == "file gone")
            QFile::remove(ActiveFile());
        if (before == "pending move") {
            note->move(200, 100);
            note->SaveTimer->start();
        }
        Choose(note, &winMenu::RemoveNote);
        QTEST(asked, "asked");
        QFETCH(bool, stays);
        QCOMPARE(!note.isNull() && note->isVisible(), stays);
        QCOMPARE(Stored(), stays ? NoteBytes : QByteArray());
        QTEST(ReadBytes(archiveFile), "archived");
    }

    // The editor shows the note as it is, bold also by default; Update at
    // once writes it back with its font unchanged, even one the list lacks.
    void editorFilledFromNote_data()
    {
        QTest::addColumn<QString>("fields"); // style, font, size
        QTest::addColumn<QString>("boldDefault");
        QTest::addColumn<QString>("shown"); // font, bold, italic, text, listed font and size
        QTest::addColumn<QString>("saved");
        QTest::newRow("as stored") << "BoldItalic,Verdana,10"
                                   << "False"
                                   << "Verdana 1 1 a\nb|Verdana 10"
                                   << "BoldItalic,Verdana,10";
        QTest::newRow("bold by default, font not listed, 9.75 pt") << "Italic,Far Font,9.75"
                                                                   << "True"
                                                                   << "Far Font 1 1 a\nb|Alpha 10"
                                                                   << "BoldItalic,Far Font,10";
    }
    void editorFilledFromNote()
    {
        QFETCH(QString, fields);
        QFETCH(QString, boldDefault);
        WriteBytes(ProgramFolder + "/Fonts.zl", "Alpha\r\nVerdana\r\n");
        modSettings::WriteSetting(SettingKeys::FontBold, boldDefault);
        Choose(ShownNote(("2880,3255,1500,1500," + fields + ",12648447,255,a\r\nb").toUtf8()),
               &winMenu::EditNote);
        winEditor *editor = ShownWindow<winEditor>();
        QVERIFY(editor);
        const QFont font = editor->Text1->font();
        QTEST(QString("%1 %2 %3 %4|%5 %6")
                  .arg(font.family())
                  .arg(font.bold())
                  .arg(font.italic())
                  .arg(editor->Text1->toPlainText(), editor->FontCombo->currentText(),
                       editor->FontSizeCombo->currentText()),
              "shown");
        editor->Command1_Click();
        QFETCH(QString, saved);
        // The height follows the text.
        QCOMPARE(QString::fromUtf8(Stored()).section(',', 1),
                 "3255,1500,1500," + saved + ",12648447,255,a\r\nb");
    }

    // A note is placed as the setting says; its menu offers the other
    // placement, which keeps it where it is. Reply is for received notes.
    void placesOnTopOrOnTheDesktop_data()
    {
        QTest::addColumn<bool>("onTop");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("caption");
        QTest::newRow("made here") << false << QByteArray("2880,3255,1500,1500,,V,10,0,0,x")
                                   << "Set to On Top";
        QTest::newRow("received") << true << QByteArray("2880,3255,1500,1500,,V,10,0,0,x[FROM=127.0.0.2|B]")
                                  << "Stick to Desktop";
    }
    void placesOnTopOrOnTheDesktop()
    {
        QFETCH(bool, onTop);
        QFETCH(QByteArray, stored);
        NotesAlwaysOnTop = onTop;
        winNote *note = ShownNote(stored);
        const QPoint position = note->pos();
        QCOMPARE(Placement(note), onTop ? "on top" : "on the desktop");
        note->ShowNoteMenu(QPoint(10, 10));
        QTEST(winMenu::Instance()->SetNoteToTop->text(), "caption");
        QCOMPARE(winMenu::Instance()->ReplyToSender->isVisible(), onTop);
        Choose(note, &winMenu::SetNoteToTop);
        QCOMPARE(Placement(note), onTop ? "on the desktop" : "on top");
        QCOMPARE(note->pos(), position);
    }

    // Clipboard text on Linux breaks lines with LF; the note file keeps CR LF.
    void copyPutsTextWithLf()
    {
        winNote *note = ShownNote(NoteBytes);
        note->Label2->setText("a\nb\rc\r\n\nd");
        Choose(note, &winMenu::CopyToClipboard);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("a\nb\nc\n\nd"));
    }

    // Without a default printer the print dialog chooses where it goes.
    void printIntoPdf_data()
    {
        QTest::addColumn<bool>("throughDialog");
        QTest::newRow("default printer") << false;
        QTest::newRow("print dialog") << true;
    }
    void printIntoPdf()
    {
        QFETCH(bool, throughDialog);
        if (throughDialog && !QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer");
        const QString pdf = m_fixture->environment.root() + "/note.pdf";
        int dialogs = 0;
        modDialogs::SetDialogRunner([&](QDialog &dialog) {
            ++dialogs;
            static_cast<QPrintDialog &>(dialog).printer()->setOutputFileName(pdf);
            return int(QDialog::Accepted);
        });
        if (!throughDialog)
            modNoteCommands::SetPrintFileForTests(pdf);
        QStringList lines; // several pages
        for (int line = 1; line <= 150; ++line)
            lines << QString("line %1").arg(line);
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,x");
        note->Label2->setText(lines.join("\r\n"));
        Choose(note, &winMenu::PrintNote);
        QCOMPARE(dialogs, throughDialog ? 1 : 0);
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

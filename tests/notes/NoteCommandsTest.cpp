#include "NoteTestSupport.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/SettingKeys.h"
#include "core/modDialogs.h"
#include "core/modSettings.h"
#include "editor/modColorDialog.h"
#include "editor/winEditor.h"
#include "notes/modDualMonitors.h"
#include "notes/modNoteCommands.h"
#include "notes/modOnTop.h"
#include "notes/modPinToDesktop.h"
#include "tray/winMenu.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

namespace {

const QString Prompt = "Would you like to archive the deleted note?\r\n\r\n"
                       "Note: Archived notes can be restored from the Zettlor Note Archive.";
const QByteArray NoteBytes = "2880,3255,1500,1500,Bold,Verdana,10,12648447,0,first\r\nsecond";

QString ArchiveFile()
{
    return modFiles::ArchiveFolder() + "/n.zln";
}

// Chooses an item of the note's menu, as the user does.
void Choose(winNote *note, QAction *winMenu::*item)
{
    winMenu *menu = winMenu::Instance();
    note->ShowNoteMenu(QPoint(10, 10));
    menu->NoteMenu->hide();
    (menu->*item)->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

winEditor *OpenEditor()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *editor = qobject_cast<winEditor *>(window); editor && editor->isVisible())
            return editor;
    return nullptr;
}

// Message boxes seen by the case: title, text, buttons and icon in one line.
struct Dialogs
{
    explicit Dialogs(QMessageBox::StandardButton answer = QMessageBox::Cancel)
    {
        modDialogs::SetDialogRunner([this, answer](QDialog &dialog) {
            auto &box = static_cast<QMessageBox &>(dialog);
            seen << QString("%1|%2|%3|%4")
                        .arg(box.windowTitle(), box.text())
                        .arg(box.standardButtons())
                        .arg(box.icon());
            return int(box.standardButtons().testFlag(answer) ? answer : QMessageBox::Ok);
        });
    }
    ~Dialogs() { modDialogs::SetDialogRunner({}); }
    QStringList seen;
};

QString PdfText(const QString &pdf)
{
    QProcess tool;
    tool.start("pdftotext", {pdf, "-"});
    tool.waitForFinished();
    // Compatibility forms undo the ligatures a PDF may hold ("fi" as one glyph).
    return QString::fromUtf8(tool.readAllStandardOutput())
        .normalized(QString::NormalizationForm_KC)
        .remove(QLatin1Char(0x0c))
        .trimmed();
}

void Removal(const char *name, const QString &setting, int answer, const QString &before,
             const QString &outcome)
{
    QTest::newRow(name) << setting << answer << before << outcome;
}

void Filled(const char *name, const QString &style, const QString &font, const QString &size,
            const QString &boldDefault, bool bold, bool italic, const QString &listed, const QString &shown)
{
    const QString stored = QString("2880,3255,1500,1500,%1,%2,%3,12648447,255,a\r\nb").arg(style, font, size);
    QTest::newRow(name) << stored << boldDefault << bold << italic << listed << shown;
}

} // namespace

class NoteCommandsTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        modDualMonitors::SetVirtualScreenForTests(QRect(0, 0, 1920, 1080));
        winMenu::Create();
    }
    void cleanup()
    {
        QList<QPointer<QWidget>> windows;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->inherits("winEditor") || window->inherits("winNote"))
                windows << window;
        qDeleteAll(windows);
        delete winMenu::Instance();
        modNoteCommands::SetPrintFileForTests({});
        modDualMonitors::SetVirtualScreenForTests(std::nullopt);
    }

    void removeNote_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<int>("answer");      // 0: no prompt expected
        QTest::addColumn<QString>("before");  // "", archived copy, no archive, file gone, pending move
        QTest::addColumn<QString>("outcome"); // deleted | archived | kept | refused
        const QString prompt = "Prompt to archive or delete note", archive = "Archive note";
        Removal("permanently", "Permanently delete note", 0, "", "deleted");
        Removal("other text", "archive note", 0, "", "deleted");
        Removal("file already gone", "Permanently delete note", 0, "file gone", "deleted");
        Removal("archive", archive, 0, "", "archived");
        Removal("archive replaces", archive, 0, "archived copy", "archived");
        Removal("prompt yes", prompt, QMessageBox::Yes, "", "archived");
        Removal("prompt no", prompt, QMessageBox::No, "", "deleted");
        Removal("prompt cancel", prompt, QMessageBox::Cancel, "", "kept");
        Removal("no archive folder", archive, 0, "no archive", "refused");
        Removal("archive, file gone", archive, 0, "file gone", "refused");
        Removal("archive saves a pending move", archive, 0, "pending move", "archived");
    }
    void removeNote()
    {
        QFETCH(QString, setting);
        QFETCH(int, answer);
        QFETCH(QString, before);
        QFETCH(QString, outcome);
        TestEnvironment environment;
        WhenDeletingNotes = setting;
        Dialogs dialogs{QMessageBox::StandardButton(answer)};
        QPointer<winNote> note = ShownNote(NoteBytes);
        if (before == "archived copy")
            WriteBytes(ArchiveFile(), "old archived note");
        if (before == "no archive")
            QDir(modFiles::ArchiveFolder()).removeRecursively();
        if (before == "file gone")
            QFile::remove(ActiveFile());
        if (before == "pending move") {
            note->move(200, 100);
            note->SaveTimer->start();
        }
        Choose(note, &winMenu::RemoveNote);

        QStringList expected;
        if (answer)
            expected << "Zettlor|" + Prompt + "|" +
                            QString::number(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) + "|0";
        if (outcome == "refused")
            expected << "Zettlor|The note could not be archived. It stays on the desktop and its file is "
                        "kept.|1024|2";
        QCOMPARE(dialogs.seen, expected);
        const bool stays = outcome == "kept" || outcome == "refused";
        QCOMPARE(!note.isNull() && note->isVisible(), stays);
        QCOMPARE(ReadBytes(ActiveFile()), stays && before != "file gone" ? NoteBytes : QByteArray());
        QByteArray archived = before == "archived copy" ? "old archived note" : "";
        if (outcome == "archived")
            archived = before == "pending move" ? "2880,3255,3000,1500" + NoteBytes.mid(19) : NoteBytes;
        QCOMPARE(ReadBytes(ArchiveFile()), archived);
    }

    void editorFilledFromNote_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("boldDefault");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::addColumn<QString>("listed"); // FontCombo's text
        QTest::addColumn<QString>("size");
        Filled("bold note", "Bold", "Verdana", "10", "False", true, false, "Verdana", "10");
        Filled("plain note keeps bold", "", "Serif Two", "12", "True", true, false, "Serif Two", "12");
        Filled("italic note", "Italic", "Verdana", "8", "False", false, true, "Verdana", "8");
        Filled("font not listed", "", "Far Font", "10", "False", false, false, "Alpha", "10");
        Filled("9.75 pt", "", "Verdana", "9.75", "False", false, false, "Verdana", "10");
    }
    void editorFilledFromNote()
    {
        QFETCH(QString, stored);
        QFETCH(QString, boldDefault);
        QFETCH(QString, size);
        TestEnvironment environment;
        WriteBytes(ProgramFolder + "/Fonts.zl", "Alpha\r\nVerdana\r\nSerif Two\r\n");
        modSettings::WriteSetting(SettingKeys::FontBold, boldDefault);
        winNote *note = ShownNote(stored.toUtf8());
        Choose(note, &winMenu::EditNote);
        winEditor *editor = OpenEditor();
        QVERIFY(editor);
        QVERIFY(!winEditor::HasSharedEditor());
        QCOMPARE(editor->Text1->toPlainText(), QString("a\nb"));
        QTEST(editor->Text1->font().bold(), "bold");
        QTEST(editor->Text1->font().italic(), "italic");
        QTEST(editor->FontCombo->currentText(), "listed");
        QCOMPARE(editor->Text1->font().family(), stored.section(',', 5, 5));
        QCOMPARE(editor->FontSizeCombo->currentText(), size);
        QCOMPARE(modColorDialog::SwatchColor(editor->Label2), QColor(255, 255, 192));
        QCOMPARE(modColorDialog::SwatchColor(editor->Label3), QColor(255, 0, 0));
        QCOMPARE(editor->Command1->text(), QString("Update"));
        QCOMPARE(editor->tag, "n.zln|" + QString::number(modMisc::NoteHandle(note)));
        // Updating at once writes the text back with its line break and its
        // font unchanged, even a font the list lacks.
        editor->Command1_Click();
        const QString saved = QString::fromUtf8(ReadBytes(ActiveFile()));
        QVERIFY(saved.endsWith(",12648447,255,a\r\nb"));
        QCOMPARE(saved.section(',', 5, 6), stored.section(',', 5, 5) + "," + size);
    }

    void toggleOnTopAndDesktop_data()
    {
        QTest::addColumn<bool>("pinnedBefore");
        QTest::newRow("stuck note goes on top") << true;
        QTest::newRow("note on top is stuck") << false;
    }
    void toggleOnTopAndDesktop()
    {
        QFETCH(bool, pinnedBefore);
        TestEnvironment environment;
        winNote *note = ShownNote(NoteBytes);
        modPinToDesktop::UnpinNote(note);
        if (pinnedBefore)
            modPinToDesktop::PinNoteToDesktop(note);
        else
            modOnTop::SetNoteOnTop(note);
        Choose(note, &winMenu::SetNoteToTop);
        QCOMPARE(note->noteIsPinned, !pinnedBefore);
        QCOMPARE(note->windowFlags().testFlag(Qt::WindowStaysOnTopHint), pinnedBefore);
        QCOMPARE(note->windowFlags().testFlag(Qt::WindowStaysOnBottomHint), !pinnedBefore);
        QVERIFY(note->isVisible());
    }

    // Clipboard text on Linux breaks lines with LF; the note file keeps CR LF.
    void copyPutsTextWithLf_data()
    {
        QTest::addColumn<QString>("label"); // null: as loaded from the file
        QTest::addColumn<QString>("clipboard");
        QTest::newRow("from the file") << QString() << "first\nsecond";
        QTest::newRow("bare breaks") << "a\nb\rc\r\n\nd"
                                     << "a\nb\nc\n\nd";
    }
    void copyPutsTextWithLf()
    {
        QFETCH(QString, label);
        TestEnvironment environment;
        winNote *note = ShownNote(NoteBytes);
        if (!label.isNull())
            note->Label2->setText(label);
        Choose(note, &winMenu::CopyToClipboard);
        QTEST(QGuiApplication::clipboard()->text(), "clipboard");
    }

    void printIntoPdf_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("throughDialog"); // no default printer
        QStringList many;
        for (int line = 1; line <= 150; ++line)
            many << QString("line %1").arg(line);
        QTest::newRow("two lines") << "first line\r\nsecond line" << false;
        QTest::newRow("several pages") << many.join("\r\n") << false;
        QTest::newRow("print dialog") << "chosen file" << true;
    }
    void printIntoPdf()
    {
        QFETCH(QString, text);
        QFETCH(bool, throughDialog);
        if (throughDialog && !QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer");
        TestEnvironment environment;
        const QString pdf = environment.root() + "/note.pdf";
        int dialogs = 0;
        modDialogs::SetDialogRunner([&](QDialog &dialog) {
            ++dialogs;
            if (auto *print = qobject_cast<QPrintDialog *>(&dialog))
                print->printer()->setOutputFileName(pdf);
            return int(QDialog::Accepted);
        });
        if (!throughDialog)
            modNoteCommands::SetPrintFileForTests(pdf);
        winNote *note = ShownNote("2880,3255,1500,1500,,Verdana,10,0,0,x");
        note->Label2->setText(text);
        Choose(note, &winMenu::PrintNote);
        modDialogs::SetDialogRunner({});
        QCOMPARE(dialogs, throughDialog ? 1 : 0);
        QVERIFY(QFile::exists(pdf));
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed");
        QCOMPARE(PdfText(pdf).split('\n', Qt::SkipEmptyParts), text.split("\r\n"));
    }
};

ZETTLOR_TEST_CLASS(NoteCommandsTest)
#include "NoteCommandsTest.moc"

#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "Windows.h"

#include "core/Globals.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "core/modSettings.h"
#include "editor/modColorDialog.h"
#include "editor/modEditor.h"
#include "editor/modFontList.h"
#include "editor/winEditor.h"
#include "messaging/Winsock.h"
#include "messaging/modSend.h"
#include "notes/modMisc.h"
#include "notes/modNoteCommands.h"
#include "notes/winNote.h"
#include "tray/winMenu.h"

#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QNetworkDatagram>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUdpSocket>

namespace {

// Font (combo/text), size (combo/text), style, text/swatch colours.
QString Look(const winEditor *editor)
{
    const QFont font = editor->Text1->font();
    return QString("%1/%2 %3/%4%5%6 %7/%8 on %9/%10")
        .arg(editor->FontCombo->currentText(), font.family(), editor->FontSizeCombo->currentText())
        .arg(font.pointSizeF())
        .arg(font.bold() ? " bold" : "", font.italic() ? " italic" : "", editor->TextForeColor().name(),
             modColorDialog::SwatchColor(editor->Label3).name(), editor->TextBackColor().name(),
             modColorDialog::SwatchColor(editor->Label2).name());
}

} // namespace

class EditorTest final : public QObject
{
    Q_OBJECT

    std::optional<TestEnvironment> m_environment;

    // A note of fields, with the tray menu, and its editor opened as the note's menu does.
    // Its file name holds the "|" that also ends the name in the editor's tag.
    static winNote *EditedNote(const QString &fields)
    {
        winMenu::Create();
        modFiles::CreateDataFolders();
        const QString name = "odd|name.zln";
        WriteBytes(modFiles::ActiveFolder() + "/" + name, fields.toUtf8());
        winNote *note = modMisc::LoadNote(modFiles::ActiveFolder() + "/" + name, name, {});
        modNoteCommands::EditNote(QString::number(modMisc::NoteHandle(note)));
        return note;
    }

private slots:
    void init() { m_environment.emplace(); }
    void cleanup()
    {
        DeleteWindows({"winEditor", "winNote"});
        delete winMenu::Instance();
        m_environment.reset();
    }

    // Odd saved defaults give a usable editor (the colour's top byte means nothing). What Create
    // leaves, a cancelled colour aside, is the next default; Shift keeps the editor open, emptied. The
    // note shows its longest line whole.
    void defaultsCarryOver()
    {
        WriteBytes(modFontList::FontListFile(), "Alpha\r\nBeta\r\n");
        modSettings::WriteSetting(SettingKeys::NoteColor, "-16744448");
        modSettings::WriteSetting(SettingKeys::FontName, "Nope");
        modSettings::WriteSetting(SettingKeys::FontSize, "13 pt");
        modSettings::WriteSetting(SettingKeys::FontBold, "true");
        winEditor *first = winEditor::NewEditor();
        QCOMPARE(Look(first), "Alpha/Alpha 13 pt/13 #000000/#404040 on #008000/#008000");
        QList<QColor> choices{QColor(10, 20, 30), QColor(200, 100, 50), QColor()};
        bool aboveNotes = true; // notes kept on top must not hide the dialog
        modDialogs::SetDialogRunner([&](QDialog &dialog) {
            aboveNotes = aboveNotes && dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            const QColor choice = choices.takeFirst();
            static_cast<QColorDialog &>(dialog).setCurrentColor(choice.isValid() ? choice : QColor(Qt::red));
            return int(choice.isValid() ? QDialog::Accepted : QDialog::Rejected);
        });
        for (QWidget *control : std::initializer_list<QWidget *>{first->Label2, first->Label3, first->Label3,
                                                                 first->Command3, first->Command4})
            QTest::mouseClick(control, Qt::LeftButton);
        first->FontCombo->setCurrentIndex(1);
        first->FontSizeCombo->setEditText("9");
        first->Text1->setPlainText("A rather long first line of this note here\nhi");
        QTest::mouseClick(first->Command1, Qt::LeftButton, Qt::ShiftModifier); // Create
        const QLabel *label = winNote::AllNotes().constFirst()->Label2;        // as wide as its longest line
        QCOMPARE(label->height(), label->heightForWidth(QWIDGETSIZE_MAX));
        QVERIFY(aboveNotes && first->isVisible() && first->Text1->toPlainText().isEmpty());
        QCOMPARE(QDir(modFiles::ActiveFolder()).entryList(QDir::Files).size(), 1);
        QCOMPARE(Look(winEditor::NewEditor()),
                 "Beta/Beta 9/9 bold italic #c86432/#c86432 on #0a141e/#0a141e");
    }

    // Enter is a line break, also after a Ctrl let go over another control; Ctrl+Enter creates.
    void createMakesACentredSavedNote()
    {
        QString text = QString("line\n").repeated(400); // too high for the screen: 9000 twips
        QPointer<winEditor> editor = winEditor::NewEditor();
        editor->Text1->setPlainText(text);
        QTest::keyPress(editor->Text1, Qt::Key_Control); // its release goes elsewhere
        QTest::keyClick(editor->Text1, Qt::Key_Return);  // at the start
        QTest::keyClick(editor->Text1, Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY(!editor || !editor->isVisible());
        const QFileInfoList files = QDir(modFiles::ActiveFolder()).entryInfoList(QDir::Files);
        QCOMPARE(files.size(), 1);
        QCOMPARE(QString::fromUtf8(ReadBytes(files[0].filePath())),
                 "9000,2550,4725,1500,,Verdana,8,12648447,0,\r\n" + text.replace("\n", "\r\n"));
    }

    // The note's editor shows it as it is, font too; one per note, restored if minimized.
    // Its update keeps that font and beats the note's own edit box.
    void updateKeepsTheLookAndBeatsQuickEdit()
    {
        WriteBytes(modFontList::FontListFile(), "Alpha\r\nVerdana\r\n");
        winNote *note = EditedNote("2880,3255,*,*,BoldItalic,Far Font,9.75,12648447,255,old");
        QPointer<winEditor> editor = ShownWindow<winEditor>();
        QCOMPARE(Look(editor), "Alpha/Far Font 10/10 bold italic #ff0000/#ff0000 on #ffffc0/#ffffc0");
        note->EnterQuickEditMode(); // while its editor is open
        QTest::keyClicks(note->Text1, " typed");
        editor->showMinimized();
        modNoteCommands::EditNote(QString::number(modMisc::NoteHandle(note)));
        QVERIFY(TopLevelWindows<winEditor>().size() == 1 && !editor->isMinimized());
        QTRY_COMPARE(QApplication::activeWindow(), editor.data());
        editor->Text1->setPlainText("  new text\n  ");
        editor->FontSizeCombo->setEditText("13");
        editor->Command1_Click();
        QTRY_VERIFY(editor.isNull());
        QTest::qWait(250); // the edit box had its say, had it kept it
        QVERIFY(note->SavePendingChanges());
        QVERIFY(ReadBytes(modFiles::ActiveFolder() + "/" + note->noteFileName)
                    .endsWith(",BoldItalic,Far Font,13,12648447,255,new text\r\n"));
    }

    // An update of a note deleted meanwhile changes nothing, and says so; the typed text stays.
    void updateOfADeletedNoteKeepsTheText()
    {
        int warnings = 0;
        modDialogs::SetDialogRunner([&](QDialog &) { return ++warnings, int(QMessageBox::Ok); });
        const winNote *note = EditedNote("2880,3255,*,*,,Verdana,10,12648447,0,old");
        winEditor *editor = ShownWindow<winEditor>();
        editor->Text1->setPlainText("typed");
        modMisc::DeleteNoteWindow(modMisc::NoteHandle(note));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        editor->Command1_Click();
        QVERIFY(warnings == 1 && editor->isVisible() && editor->Text1->toPlainText() == "typed");
        QVERIFY(QDir(modFiles::ActiveFolder()).isEmpty());
    }

    // A failed reply only warns and keeps text and note; a sent one goes to the
    // answered note's sender, which then goes as set. The sender's name is shown as written.
    void replyReachesTheSenderOrKeepsEverything()
    {
        int warnings = 0;
        modDialogs::SetDialogRunner([&](QDialog &) { return ++warnings, int(QMessageBox::Ok); });
        modSettings::WriteSetting(SettingKeys::DeleteNoteAfterReplying, "True");
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress("127.0.0.3"), 0));
        winMenu *menu = winMenu::Create();
        menu->Winsock = new Winsock(menu);
        menu->Winsock->LocalPort = 0;
        menu->Winsock->RemotePort = peer.localPort();
        QCOMPARE(menu->Winsock->Bind("127.0.0.2"), Winsock::BindError::None);
        const winNote *answered =
            modMisc::LoadNote({}, {}, "2880,3255,*,*,,Verdana,12,12648447,0,Hi[FROM=127.0.0.3|<i>D</i>]");
        menu->tag = QString::number(modMisc::NoteHandle(answered));
        menu->ReplyToSender->trigger();
        QPointer<winEditor> editor = winEditor::SharedEditor();
        QCOMPARE(ShownToolTip(editor->Command1->toolTip()), "Send to <i>D</i> (127.0.0.3)");
        const QString tooLong(70000, 'x'); // for a datagram
        editor->Text1->setPlainText(tooLong);
        editor->Command1_Click();
        QVERIFY(warnings == 1 && editor->isVisible() && editor->Text1->toPlainText() == tooLong);
        QCOMPARE(winNote::AllNotes().size(), 1);
        editor->Text1->setPlainText("hello");
        editor->Command1_Click();
        QTRY_VERIFY(!editor || !editor->isVisible());
        QVERIFY(winNote::AllNotes().isEmpty() && peer.waitForReadyRead(5000));
        const QString received = peer.receiveDatagram().data();
        QVERIFY(received.startsWith("+" + Winsock::LocalHostName() + " (127.0.0.2)") &&
                received.endsWith("hello"));
    }

    // A name another user chose is shown in the failure message as written.
    void failureShowsTheNameAsWritten()
    {
        QString shown;
        modDialogs::SetDialogRunner([&](QDialog &dialog) {
            shown = ShownText(*dialog.findChild<QLabel *>("qt_msgbox_label"));
            return int(QMessageBox::Ok);
        });
        modEditor::OpenSendEditor("Local User", "<i>D</i>", 0);
        winEditor::SharedEditor()->Command1_Click();
        QCOMPARE(shown, "The note could not be delivered because the data folder of <i>D</i> is not known.");
    }

    // A plain note opens plain, whatever the saved defaults; an unchanged update keeps it plain.
    void plainNoteStaysPlain()
    {
        modSettings::WriteSetting(SettingKeys::FontBold, "True");
        modSettings::WriteSetting(SettingKeys::FontItalic, "True");
        winNote *note = EditedNote("2880,3255,*,*,,Verdana,10,12648447,0,plain");
        ShownWindow<winEditor>()->Command1_Click();
        QVERIFY(note->SavePendingChanges());
        QCOMPARE(ReadBytes(modFiles::ActiveFolder() + "/" + note->noteFileName).split(',').at(4), "");
    }

    // A local user's data folder is ours with the name swapped, only where the name is one folder.
    void localUserFoldersFollowTheirRules()
    {
        const QString profiles = m_environment->root() + "/home";
        UserName = "share"; // also a folder further down
        DataFolder = profiles + "/share/.local/share/Zettlor";
        QDir().mkpath(DataFolder);
        UserPathTemplate = modSend::ComputeUserPathTemplate();
        QCOMPARE(modSend::LocalUserDataFolder("anna"), profiles + "/anna/.local/share/Zettlor");
        QCOMPARE(modSend::LocalUserDataFolder(".."), QString());
    }

    // Opened again before Qt deleted the closed editor: a new editor, which stays.
    void reopenedEditorIsANewOne()
    {
        winEditor::SharedEditor()->close();
        modEditor::OpenCreateEditor();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(ShownWindow<winEditor>());
    }
};

ZETTLOR_TEST_CLASS(EditorTest)
#include "EditorTest.moc"

#include "TestEnvironment.h"
#include "TestRegistry.h"

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

#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkDatagram>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QUdpSocket>
#include <optional>

namespace {

QStringList ActiveFiles()
{
    return QDir(modFiles::ActiveFolder()).entryList(QDir::Files);
}

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

QList<winEditor *> Editors()
{
    QList<winEditor *> editors;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *editor = qobject_cast<winEditor *>(window); editor && editor->isVisible())
            editors << editor;
    return editors;
}

winEditor *EditorWith(const QString &caption, const QString &text)
{
    winEditor *editor = winEditor::NewEditor();
    editor->Command1->setText(caption);
    editor->Text1->setPlainText(text);
    return editor;
}

} // namespace

class EditorTest final : public QObject
{
    Q_OBJECT

    std::optional<TestEnvironment> m_environment;
    QStringList m_messages;

private slots:
    void init()
    {
        m_environment.emplace();
        m_messages.clear();
        modDialogs::SetDialogRunner([this](QDialog &dialog) {
            m_messages << static_cast<QMessageBox &>(dialog).text();
            return int(QMessageBox::Ok);
        });
    }
    void cleanup()
    {
        QList<QPointer<QWidget>> windows; // editors may already be on their way out
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->inherits("winEditor") || window->inherits("winNote"))
                windows << window;
        qDeleteAll(windows);
        delete winMenu::Instance();
        modDialogs::SetDialogRunner({});
        m_environment.reset();
    }

    void savedDefaultsAreApplied_data()
    {
        QTest::addColumn<QStringList>("saved"); // note colour, font name, size, bold
        QTest::addColumn<QString>("look");
        QTest::newRow("all set") << QStringList{"16744448", "Beta", "14", "True"}
                                 << "Beta/Beta 14/14 bold #000000/#404040 on #0080ff/#0080ff";
        QTest::newRow("negative colour text") << QStringList{"-16777216", "Gamma", "9", "False"}
                                              << "Gamma/Gamma 9/9 #000000/#404040 on #000000/#000000";
        QTest::newRow("unknown font, nothing else")
            << QStringList{"", "Nope", "", "true"} << "Alpha/Alpha 8/8.25 #000000/#404040 on #ffffc0/#ffffc0";
        QTest::newRow("colour not a number") << QStringList{"yellow", "", "13 pt", ""}
                                             << "Alpha/Alpha 13 pt/13 #000000/#404040 on #ffffc0/#ffffc0";
    }
    void savedDefaultsAreApplied()
    {
        QFETCH(QStringList, saved);
        QFETCH(QString, look);
        WriteBytes(modFontList::FontListFile(), "Alpha\r\nBeta\r\nGamma\r\n");
        const SettingKeys::Key keys[] = {SettingKeys::NoteColor, SettingKeys::FontName, SettingKeys::FontSize,
                                         SettingKeys::FontBold};
        for (int i = 0; i < saved.size(); ++i)
            modSettings::WriteSetting(keys[i], saved[i]);
        QCOMPARE(Look(winEditor::SharedEditor()), look);
    }

    void defaultsRoundTripIntoTheNextEditor()
    {
        WriteBytes(modFontList::FontListFile(), "Alpha\r\nBeta\r\n");
        winEditor *first = winEditor::NewEditor();
        first->FontCombo->setCurrentIndex(1);
        first->FontSizeCombo->setEditText("13");
        first->SetTextBackColor(QColor(10, 20, 30));
        first->SetTextForeColor(QColor(200, 100, 50));
        QTest::mouseClick(first->Command4, Qt::LeftButton);
        QTest::mouseClick(first->Command1, Qt::LeftButton); // Create
        QCOMPARE(modSettings::ReadSetting(SettingKeys::NoteColor), QString::number(30 << 16 | 20 << 8 | 10));
        QCOMPARE(modSettings::ReadSetting(SettingKeys::FontBold), QString("False"));
        QCOMPARE(Look(winEditor::NewEditor()), "Beta/Beta 13/13 italic #c86432/#c86432 on #0a141e/#0a141e");
    }

    void fontListIsWrittenOnceAndReadBack()
    {
        const QString listFile = modFontList::FontListFile();
        // With no list file the editor lists the fonts itself and keeps them.
        QCOMPARE(winEditor::NewEditor()->Text1->font().family(), QString("Verdana"));
        QVERIFY(ReadBytes(listFile).count("\r\n") > 2);
        WriteBytes(listFile, "Only\r\n");
        const QComboBox *fonts = winEditor::NewEditor()->FontCombo;
        QVERIFY(fonts->count() == 1 && fonts->currentText() == "Only");
        QCOMPARE(ReadBytes(listFile), QByteArray("Only\r\n"));
    }

    void colourDialogFillsSwatchAndText_data()
    {
        QTest::addColumn<bool>("background");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("background chosen") << true << true;
        QTest::newRow("text cancelled") << false << false;
    }
    void colourDialogFillsSwatchAndText()
    {
        QFETCH(bool, background);
        QFETCH(bool, confirm);
        winEditor *editor = winEditor::NewEditor();
        QLabel *swatch = background ? editor->Label2 : editor->Label3;
        const auto textColor = [&] { return background ? editor->TextBackColor() : editor->TextForeColor(); };
        const QColor before = textColor(), swatchBefore = modColorDialog::SwatchColor(swatch);
        QColor preselected, firstCustom;
        modDialogs::SetDialogRunner([&](QDialog &dialog) {
            auto &colors = static_cast<QColorDialog &>(dialog);
            preselected = colors.currentColor();
            firstCustom = QColorDialog::customColor(0);
            colors.setCurrentColor(QColor(1, 2, 3));
            return confirm ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        QTest::mouseClick(swatch, Qt::LeftButton);
        QCOMPARE(preselected, swatchBefore);
        QCOMPARE(firstCustom, QColor(254, 254, 254));
        QCOMPARE(modColorDialog::SwatchColor(swatch), confirm ? QColor(1, 2, 3) : swatchBefore);
        QCOMPARE(textColor(), confirm ? QColor(1, 2, 3) : before);
    }

    void ctrlEnterRunsTheAction()
    {
        QPointer<winEditor> editor = EditorWith("Create", {});
        QTest::keyClick(editor->Text1, Qt::Key_Return);
        QCOMPARE(editor->Text1->toPlainText(), QString("\n"));
        QVERIFY(winNote::AllNotes().isEmpty());
        QTest::keyPress(editor->Text1, Qt::Key_Control);
        QTest::keyClick(editor->Text1, Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY(editor.isNull());
        QCOMPARE(winNote::AllNotes().size(), 1);
        QCOMPARE(winNote::AllNotes().first()->Label2->text(), QString("\r\n"));
    }

    // Text typed into an editor is never stranded in a minimized window.
    void reopeningBringsTheEditorBack_data()
    {
        QTest::addColumn<bool>("update"); // the note menu's editor, else the tray's
        QTest::newRow("tray Create Note") << false;
        QTest::newRow("Open Note Editor again") << true;
    }
    void reopeningBringsTheEditorBack()
    {
        QFETCH(bool, update);
        winMenu::Create();
        EditorWith("Create", "a note")->Command1_Click();
        const QString noteTag = QString::number(modMisc::NoteHandle(winNote::AllNotes().first()));
        const auto open = [&] {
            if (update)
                modNoteCommands::EditNote(noteTag);
            else
                modEditor::OpenCreateEditor();
        };
        open();
        QCOMPARE(Editors().size(), 1);
        winEditor *editor = Editors().first();
        editor->showMinimized();
        open();
        QCOMPARE(Editors(), QList<winEditor *>{editor});
        QVERIFY(!editor->isMinimized());
        QTRY_COMPARE(QApplication::activeWindow(), editor);
    }

    void createMakesACentredSavedNote_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("tallest");
        QTest::addColumn<Qt::KeyboardModifier>("modifier"); // held: the editor stays, emptied
        QTest::newRow("empty text") << "" << false << Qt::NoModifier;
        QTest::newRow("short text") << "hi" << false << Qt::NoModifier;
        QTest::newRow("very long text") << QString("line\n").repeated(400) << true << Qt::NoModifier;
        QTest::newRow("shift-click") << "hi" << false << Qt::ShiftModifier;
        QTest::newRow("ctrl-click") << "hi" << false << Qt::ControlModifier;
        QTest::newRow("alt-click") << "hi" << false << Qt::AltModifier;
    }
    void createMakesACentredSavedNote()
    {
        QFETCH(QString, text);
        QFETCH(bool, tallest);
        QFETCH(Qt::KeyboardModifier, modifier);
        QPointer<winEditor> editor = EditorWith("Create", text);
        QTest::mouseClick(editor->Command1, Qt::LeftButton, modifier);
        if (modifier != Qt::NoModifier)
            QVERIFY(editor->isVisible() && editor->Text1->toPlainText().isEmpty());
        else
            QTRY_VERIFY(editor.isNull());
        QCOMPARE(winNote::AllNotes().size(), 1);
        winNote *note = winNote::AllNotes().first();
        QVERIFY(note->isVisible());
        QCOMPARE(note->Label2->text(), QString(text).replace("\n", "\r\n"));
        QCOMPARE(ActiveFiles(), QStringList{note->noteFileName});
        // The design look, centred on the primary screen, 2550 twips wide.
        const QString stored = modFiles::ReadTextFile(modFiles::ActiveFolder() + "/" + note->noteFileName);
        const int centre = QGuiApplication::primaryScreen()->geometry().width() * 15 / 2;
        QVERIFY(qAbs(stored.section(',', 2, 2).toInt() + 2550 / 2 - centre) < 15);
        QCOMPARE(stored.section(',', 1, 1) + stored.section(',', 4),
                 "2550,Verdana,8,12648447,0," + QString(text).replace("\n", "\r\n"));
        if (tallest)
            QCOMPARE(stored.section(',', 0, 0), QString("9000"));
        QCOMPARE(modSettings::ReadSetting(SettingKeys::FontBold), QString("False"));
    }

    void updateChangesOnlyALiveNote_data()
    {
        QTest::addColumn<bool>("live");
        QTest::addColumn<bool>("inPlace"); // the note's text is being edited in place
        QTest::newRow("live note") << true << false;
        QTest::newRow("closed note") << false << false;
        QTest::newRow("note edited in place") << true << true;
    }
    void updateChangesOnlyALiveNote()
    {
        QFETCH(bool, live);
        QFETCH(bool, inPlace);
        EditorWith("Create", "old")->Command1_Click();
        winNote *note = winNote::AllNotes().first();
        const double points = note->Label2->font().pointSizeF();
        if (inPlace) {
            note->EnterQuickEditMode();
            QTest::keyClicks(note->Text1, " typed");
        }
        modSettings::WriteSetting(SettingKeys::FontSize, "8");
        QPointer<winEditor> editor = EditorWith("Update", "  new text\n  ");
        editor->tag = note->noteFileName + "|" + QString::number(live ? modMisc::NoteHandle(note) : 12345);
        editor->FontSizeCombo->setEditText("13");
        editor->Command1_Click();
        QTRY_VERIFY(editor.isNull());
        QTest::qWait(250); // the edit box had its say, had it kept it
        QVERIFY(note->SavePendingChanges());
        const QString shown = live ? "new text\r\n" : "old"; // spaces trimmed, line break kept
        QCOMPARE(note->Label2->text(), shown);
        QCOMPARE(note->Label2->font().pointSizeF(), live ? 13.0 : points);
        QVERIFY(modFiles::ReadTextFile(modFiles::ActiveFolder() + "/" + note->noteFileName).endsWith(shown));
        QCOMPARE(ActiveFiles().size(), 1);
        QCOMPARE(modSettings::ReadSetting(SettingKeys::FontSize), QString("8"));
    }

    // The editor answers a note. Sent: that note goes (as set). Failed:
    // nothing changes but the warning.
    void sendDeliversOrKeepsEverything_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pathTemplate");
        QTest::addColumn<int>("textLength");
        QTest::addColumn<QString>("sender"); // how the delivered note starts; "" = not delivered
        QTest::addColumn<bool>("answering"); // false: sent from the contacts window
        const auto row = [](const char *tag, QString address, QString name, QString pathTemplate, int length,
                            QString sender, bool answering = true) {
            QTest::newRow(tag) << address << name << pathTemplate << length << sender << answering;
        };
        const QString templ = "/home/[USERNAME]/data";
        const QString fromHere = "+" + Winsock::LocalHostName() + " (127.0.0.2)";
        row("over loopback", "127.0.0.3", "", "", 10, fromHere);
        row("from the contacts window", "127.0.0.3", "", "", 10, fromHere, false);
        row("to a local user", "Local User", "anna", templ, 10, "tester (Local User)");
        row("invalid address", "300.1.2.3", "", "", 10, "");
        row("too long for a datagram", "127.0.0.3", "", "", 70000, "");
        row("no path template", "Local User", "anna", "", 10, "");
        row("local user without Incoming", "Local User", "nobody", templ, 10, "");
    }
    void sendDeliversOrKeepsEverything()
    {
        QFETCH(QString, address);
        QFETCH(QString, name);
        QFETCH(QString, pathTemplate);
        QFETCH(int, textLength);
        QFETCH(QString, sender);
        QFETCH(bool, answering);
        UserName = "tester";
        UserPathTemplate = pathTemplate.isEmpty() ? QString() : m_environment->root() + pathTemplate;
        const QString incoming = m_environment->root() + "/home/anna/data/Incoming";
        QDir().mkpath(incoming);
        modSettings::WriteSetting(SettingKeys::DeleteNoteAfterReplying, "True");
        EditorWith("Create", "answered")->Command1_Click();
        winNote *answered = winNote::AllNotes().first();
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress("127.0.0.3"), 0));
        winMenu *menu = winMenu::Create();
        menu->Winsock = new Winsock(menu);
        menu->Winsock->LocalPort = 0;
        menu->Winsock->RemotePort = peer.localPort();
        QCOMPARE(menu->Winsock->Bind("127.0.0.2"), Winsock::BindError::None);
        const QString text(textLength, QLatin1Char('x'));
        QPointer<winEditor> editor = EditorWith("Send", text);
        editor->sendToIP = address;
        editor->sendToName = name;
        editor->noteToDeleteHwnd = answering ? modMisc::NoteHandle(answered) : 0;
        editor->Command1_Click();
        if (sender.isEmpty()) {
            QCOMPARE(m_messages.size(), 1);
            QVERIFY(m_messages.first().endsWith("."));
            QVERIFY(!editor.isNull() && editor->isVisible());
            QCOMPARE(editor->Text1->toPlainText(), text);
            QCOMPARE(winNote::AllNotes(), QList<winNote *>{answered});
            QCOMPARE(ActiveFiles().size(), 1);
            return;
        }
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
        QTRY_VERIFY(editor.isNull());
        QCOMPARE(winNote::AllNotes().isEmpty(), answering);
        QCOMPARE(ActiveFiles().isEmpty(), answering);
        QString received;
        if (address == "Local User") {
            const QStringList delivered = QDir(incoming).entryList(QDir::Files);
            QCOMPARE(delivered.size(), 1);
            received = modFiles::ReadTextFile(incoming + "/" + delivered.first());
        } else {
            QTRY_VERIFY(peer.hasPendingDatagrams());
            received = QString::fromLatin1(peer.receiveDatagram().data());
        }
        QVERIFY2(received.startsWith(sender) && received.endsWith(text), qPrintable(received));
    }

    // "Reply to Sender..." addresses the shared editor to the note's sender; a
    // note closed meanwhile opens nothing.
    void replyAddressesTheSharedEditor_data()
    {
        QTest::addColumn<bool>("createOpen"); // a Create editor with typed text is open
        QTest::addColumn<bool>("noteOpen");
        QTest::newRow("no editor open") << false << true;
        QTest::newRow("Create editor open") << true << true;
        QTest::newRow("note closed meanwhile") << false << false;
    }
    void replyAddressesTheSharedEditor()
    {
        QFETCH(bool, createOpen);
        QFETCH(bool, noteOpen);
        winMenu *menu = winMenu::Create();
        winNote *note =
            modMisc::LoadNote({}, {}, "2880,3255,*,*,,Verdana,12,12648447,0,Hi[FROM=192.168.1.20|DESK2]");
        menu->tag = QString::number(modMisc::NoteHandle(note));
        if (createOpen) {
            modEditor::OpenCreateEditor();
            winEditor::SharedEditor()->Text1->setPlainText("typed");
        }
        if (!noteOpen)
            delete note;
        menu->ReplyToSender->trigger();
        if (!noteOpen) {
            QVERIFY(!winEditor::HasSharedEditor());
            return;
        }
        const winEditor *editor = winEditor::SharedEditor();
        QCOMPARE((QStringList{editor->Command1->text(), editor->sendToIP, editor->sendToName,
                              editor->Text1->toPlainText()}),
                 (QStringList{"Send", "192.168.1.20", "DESK2", createOpen ? "typed" : ""}));
        QCOMPARE(editor->noteToDeleteHwnd, modMisc::NoteHandle(note));
        QCOMPARE(Editors().size(), 1);
    }

    // The profiles folder is the parent of HOME: the environment's root + "/home".
    void localUserFolderFollowsTheTemplate_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("data"); // DataFolder below the profiles folder
        QTest::addColumn<QString>("recipient");
        QTest::addColumn<QString>("folder"); // below the profiles folder; "" = none
        const auto row = [](const char *tag, QString user, QString data, QString recipient, QString folder) {
            QTest::newRow(tag) << user << data << recipient << folder;
        };
        const QString own = "tester/.local/share/Zettlor";
        row("own profile", "tester", own, "anna", "anna/.local/share/Zettlor");
        row("name inside later folders", "share", "share/.local/share/Zettlor", "anna",
            "anna/.local/share/Zettlor");
        row("case differs", "Tester", own, "anna", "");
        row("no such profile", "anna", own, "anna", "");
        row("outside the profile", "tester", "anna/tester/Zettlor", "anna", "");
        row("climbing name", "tester", own, "..", "");
        row("slash in name", "tester", own, "a/b", "");
        row("backslash in name", "tester", own, "a\\b", "");
    }
    void localUserFolderFollowsTheTemplate()
    {
        QFETCH(QString, user);
        QFETCH(QString, data);
        QFETCH(QString, recipient);
        QFETCH(QString, folder);
        const QString profiles = m_environment->root() + "/home";
        QDir().mkpath(profiles + "/" + data);
        UserName = user;
        DataFolder = profiles + "/" + data;
        UserPathTemplate = modSend::ComputeUserPathTemplate();
        QCOMPARE(modSend::LocalUserDataFolder(recipient),
                 folder.isEmpty() ? QString() : profiles + "/" + folder);
    }
};

ZETTLOR_TEST_CLASS(EditorTest)
#include "EditorTest.moc"

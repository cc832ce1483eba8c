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
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkDatagram>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>
#include <QUdpSocket>
#include <optional>

namespace {

// One data row: its tag, then the value of every column in order.
template <typename... Values> void Row(const char *tag, const Values &...values)
{
    (QTest::newRow(tag) << ... << values);
}

QString NoteFile(const winNote *note)
{
    return modFiles::ReadTextFile(modFiles::ActiveFolder() + "/" + note->noteFileName);
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

// Where the platform lists a family, foundry left out.
qsizetype PlatformIndex(const QString &name)
{
    const QStringList families = QFontDatabase::families();
    for (qsizetype i = 0; i < families.size(); ++i)
        if (families[i].section(" [", 0, 0) == name)
            return i;
    return -1;
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
        // Colours are stored as signed 0x00BBGGRR; the top byte means nothing.
        Row("odd but usable", QStringList{"-16744448", "Nope", "", "true"},
            "Alpha/Alpha 8/8.25 #000000/#404040 on #008000/#008000");
        Row("colour not a number", QStringList{"yellow", "", "13 pt", ""},
            "Alpha/Alpha 13 pt/13 #000000/#404040 on #ffffc0/#ffffc0");
    }
    void savedDefaultsAreApplied()
    {
        QFETCH(QStringList, saved);
        WriteBytes(modFontList::FontListFile(), "Alpha\r\nBeta\r\n");
        const SettingKeys::Key keys[] = {SettingKeys::NoteColor, SettingKeys::FontName, SettingKeys::FontSize,
                                         SettingKeys::FontBold};
        for (int i = 0; i < saved.size(); ++i)
            modSettings::WriteSetting(keys[i], saved[i]);
        QTEST(Look(winEditor::SharedEditor()), "look");
    }

    // The dialog offers the swatch's colour and near-white custom colours; a
    // cancelled one changes nothing. What Create leaves is the next default.
    void choicesBecomeTheNextEditorsDefaults()
    {
        WriteBytes(modFontList::FontListFile(), "Alpha\r\nBeta\r\n");
        winEditor *first = winEditor::NewEditor();
        QList<QColor> choices{QColor(10, 20, 30), QColor(200, 100, 50), QColor()}, offered;
        modDialogs::SetDialogRunner([&](QDialog &dialog) {
            auto &colors = static_cast<QColorDialog &>(dialog);
            offered << colors.currentColor() << QColorDialog::customColor(0);
            const QColor choice = choices.takeFirst();
            colors.setCurrentColor(choice.isValid() ? choice : QColor(Qt::red));
            return int(choice.isValid() ? QDialog::Accepted : QDialog::Rejected);
        });
        for (QWidget *control : std::initializer_list<QWidget *>{first->Label2, first->Label3, first->Label3,
                                                                 first->Command3, first->Command4})
            QTest::mouseClick(control, Qt::LeftButton);
        first->FontCombo->setCurrentIndex(1);
        first->FontSizeCombo->setEditText("13");
        QTest::mouseClick(first->Command1, Qt::LeftButton); // Create
        const QColor nearWhite(254, 254, 254);
        QCOMPARE(offered, (QList<QColor>{QColor(255, 255, 192), nearWhite, QColor(64, 64, 64), nearWhite,
                                         QColor(200, 100, 50), nearWhite}));
        QCOMPARE(modSettings::ReadSetting(SettingKeys::NoteColor), QString::number(30 << 16 | 20 << 8 | 10));
        QCOMPARE(Look(winEditor::NewEditor()),
                 "Beta/Beta 13/13 bold italic #c86432/#c86432 on #0a141e/#0a141e");
    }

    // The desktop's default family (what fc-match names) comes first, symbol
    // fonts never, the rest in the platform's order.
    void fontListStartsWithTheDesktopDefault()
    {
        if (PlatformIndex("DejaVu Sans") < 0)
            QSKIP("the family is not installed here");
        const QString bin = m_environment->root() + "/bin", path = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", path.toLocal8Bit()); });
        WriteBytes(bin + "/fc-match", "#!/bin/sh\nprintf 'DejaVu Sans'\n");
        QFile::setPermissions(bin + "/fc-match", QFile::ReadOwner | QFile::ExeOwner);
        qputenv("PATH", bin.toLocal8Bit());
        modFontList::BuildFontList();
        QStringList names = QString::fromUtf8(ReadBytes(modFontList::FontListFile())).split("\r\n");
        QCOMPARE(names.takeLast(), QString()); // the last line ends too
        QCOMPARE(names.takeFirst(), QString("DejaVu Sans"));
        QVERIFY(names.size() > 2 && !names.contains("Standard Symbols PS") && !names.contains("D050000L"));
        for (qsizetype i = 1; i < names.size(); ++i)
            QVERIFY2(PlatformIndex(names[i - 1]) < PlatformIndex(names[i]), qPrintable(names[i]));
    }

    void fontListLivesWhereItCanBeWritten_data()
    {
        QTest::addColumn<bool>("beside"); // the program's folder, else the data folder
        QTest::newRow("build tree") << true;
        QTest::newRow("installed") << false;
        QTest::newRow("installed, list there") << true;
        QTest::newRow("not writable") << false;
    }
    void fontListLivesWhereItCanBeWritten()
    {
        const QString program = QTest::currentDataTag();
        if (program.startsWith("installed"))
            QDir().mkpath(ProgramFolder + "/../share/zettlor");
        if (program.endsWith("there"))
            WriteBytes(ProgramFolder + "/Fonts.zl", "Alpha\r\n");
        if (program == "not writable") // for root too: a folder that is not there
            ProgramFolder = m_environment->root() + "/gone";
        QFETCH(bool, beside);
        QCOMPARE(modFontList::FontListFile(), (beside ? ProgramFolder : DataFolder) + "/Fonts.zl");
    }

    // A plain Enter is a line break, Ctrl+Enter creates; a held modifier keeps
    // the editor open, emptied.
    void createMakesACentredSavedNote_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("press");
        Row("short text", "hi", "click");
        Row("very long text", QString("line\n").repeated(400), "click");
        Row("shift-click", "hi", "shift-click");
        Row("ctrl-enter", "", "ctrl-enter");
    }
    void createMakesACentredSavedNote()
    {
        QFETCH(QString, text);
        QFETCH(QString, press);
        QPointer<winEditor> editor = EditorWith("Create", text);
        if (press == "ctrl-enter") {
            QTest::keyClick(editor->Text1, Qt::Key_Return);
            QVERIFY(winNote::AllNotes().isEmpty());
            text = editor->Text1->toPlainText();
            QTest::keyPress(editor->Text1, Qt::Key_Control);
            QTest::keyClick(editor->Text1, Qt::Key_Return, Qt::ControlModifier);
        } else {
            QTest::mouseClick(editor->Command1, Qt::LeftButton,
                              press == "click" ? Qt::NoModifier : Qt::ShiftModifier);
        }
        QTRY_COMPARE(editor && editor->isVisible() && editor->Text1->toPlainText().isEmpty(),
                     press == "shift-click");
        QCOMPARE(winNote::AllNotes().size(), 1);
        winNote *note = winNote::AllNotes().first();
        QVERIFY(note->isVisible());
        QCOMPARE(QDir(modFiles::ActiveFolder()).entryList(QDir::Files), QStringList{note->noteFileName});
        // The design look, centred on the primary screen, 2550 twips wide, at most 9000 high.
        const QString stored = NoteFile(note);
        const int centre = QGuiApplication::primaryScreen()->geometry().width() * 15 / 2;
        QVERIFY(qAbs(stored.section(',', 2, 2).toInt() + 2550 / 2 - centre) < 15);
        QVERIFY(stored.section(',', 0, 0).toInt() <= 9000);
        QCOMPARE(stored.section(',', 1, 1) + stored.section(',', 4),
                 "2550,Verdana,8,12648447,0," + text.replace("\n", "\r\n"));
        // With no font list yet, the editor listed the fonts and kept them.
        QVERIFY(ReadBytes(modFontList::FontListFile()).count("\r\n") > 2);
    }

    // The note menu's editor: one per note, brought back from minimized. Its
    // update beats the note's own edit box, and misses a closed note.
    void updateChangesOnlyALiveNote_data()
    {
        QTest::addColumn<bool>("live");
        QTest::newRow("note edited in place") << true;
        QTest::newRow("closed note") << false;
    }
    void updateChangesOnlyALiveNote()
    {
        QFETCH(bool, live);
        winMenu::Create();
        EditorWith("Create", "old")->Command1_Click();
        winNote *note = winNote::AllNotes().first();
        note->EnterQuickEditMode();
        QTest::keyClicks(note->Text1, " typed");
        const QString noteTag = QString::number(modMisc::NoteHandle(note));
        modNoteCommands::EditNote(noteTag);
        QPointer<winEditor> editor = Editors().value(0);
        editor->showMinimized();
        modNoteCommands::EditNote(noteTag);
        QCOMPARE(Editors(), QList<winEditor *>{editor});
        QVERIFY(!editor->isMinimized());
        QTRY_COMPARE(QApplication::activeWindow(), editor.data());
        if (!live)
            editor->tag = note->noteFileName + "|12345";
        editor->Text1->setPlainText("  new text\n  ");
        editor->FontSizeCombo->setEditText("13");
        editor->Command1_Click();
        QTRY_VERIFY(editor.isNull());
        QTest::qWait(250); // the edit box had its say, had it kept it
        note->LeaveQuickEditMode();
        QVERIFY(note->SavePendingChanges());
        // Spaces trimmed, line break kept, the size as typed.
        QVERIFY2(NoteFile(note).endsWith(live ? ",13,12648447,0,new text\r\n" : ",8,12648447,0,old typed"),
                 qPrintable(NoteFile(note)));
    }

    // Text typed into the Create editor (brought back from minimized) goes to
    // the answered note's sender, which goes as set, or to a contact. Failed:
    // only a warning.
    void sendReachesTheSenderOrKeepsEverything_data()
    {
        QTest::addColumn<QString>("from");   // the answered note's "address|name"; "" = closed before
        QTest::addColumn<bool>("answering"); // false: sent from the contacts window
        QTest::addColumn<int>("textLength");
        QTest::addColumn<bool>("sent");
        Row("reply over loopback", "127.0.0.3|DESK2", true, 10, true);
        Row("from the contacts window", "127.0.0.3|", false, 10, true);
        Row("invalid address", "300.1.2.3|", true, 10, false);
        Row("too long for a datagram", "127.0.0.3|", true, 70000, false);
        Row("local user without Incoming", "Local User|nobody", true, 10, false);
        Row("note closed before the reply", "", true, 10, false);
    }
    void sendReachesTheSenderOrKeepsEverything()
    {
        QFETCH(QString, from);
        QFETCH(bool, answering);
        QFETCH(int, textLength);
        QFETCH(bool, sent);
        UserPathTemplate = m_environment->root() + "/home/[USERNAME]/data";
        modSettings::WriteSetting(SettingKeys::DeleteNoteAfterReplying, "True");
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress("127.0.0.3"), 0));
        winMenu *menu = winMenu::Create();
        menu->Winsock = new Winsock(menu);
        menu->Winsock->LocalPort = 0;
        menu->Winsock->RemotePort = peer.localPort();
        QCOMPARE(menu->Winsock->Bind("127.0.0.2"), Winsock::BindError::None);
        winNote *answered = modMisc::LoadNote(
            {}, {},
            "2880,3255,*,*,,Verdana,12,12648447,0,Hi[FROM=" + (from.isEmpty() ? "127.0.0.3|" : from) + "]");
        menu->tag = QString::number(modMisc::NoteHandle(answered));
        const QString text(textLength, QLatin1Char('x'));
        modEditor::OpenCreateEditor();
        QPointer<winEditor> editor = winEditor::SharedEditor();
        editor->Text1->setPlainText(text);
        editor->showMinimized();
        modEditor::OpenCreateEditor(); // as the tray's Create Note does
        QVERIFY(!editor->isMinimized());
        QTRY_COMPARE(QApplication::activeWindow(), editor.data());
        if (from.isEmpty())
            delete answered;
        if (answering)
            menu->ReplyToSender->trigger();
        else
            modEditor::OpenSendEditor(from.section('|', 0, 0), from.section('|', 1), 0);
        QCOMPARE(editor->Command1->text(), QString(from.isEmpty() ? "Create" : "Send"));
        if (from.isEmpty())
            return;
        editor->Command1_Click();
        QCOMPARE(m_messages.size(), sent ? 0 : 1);
        QTRY_COMPARE(editor && editor->isVisible(), !sent);
        QCOMPARE(editor ? editor->Text1->toPlainText() : text, text);
        QCOMPARE(winNote::AllNotes().isEmpty(), answering && sent);
        const QString received = sent && peer.waitForReadyRead(5000) ? peer.receiveDatagram().data() : "";
        QVERIFY2(sent ? received.startsWith("+" + Winsock::LocalHostName() + " (127.0.0.2)") &&
                            received.endsWith(text)
                      : !peer.hasPendingDatagrams(),
                 qPrintable(received));
    }

    // The profiles folder is the parent of HOME: the environment's root + "/home".
    void localUserFolderFollowsTheTemplate_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("data"); // DataFolder below the profiles folder
        QTest::addColumn<QString>("recipient");
        QTest::addColumn<QString>("folder"); // below the profiles folder; "" = none
        const QString own = "tester/.local/share/Zettlor", none;
        Row("name inside later folders", "share", "share/.local/share/Zettlor", "anna",
            "anna/.local/share/Zettlor");
        Row("no such profile", "anna", own, "anna", none);
        Row("outside the profile", "tester", "anna/tester/Zettlor", "anna", none);
        Row("climbing name", "tester", own, "..", none);
        Row("slash in name", "tester", own, "a/b", none);
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

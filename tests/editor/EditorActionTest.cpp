#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "core/modSettings.h"
#include "editor/winEditor.h"
#include "notes/modMisc.h"
#include "messaging/Winsock.h"
#include "notes/winNote.h"
#include "tray/winMenu.h"

#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QNetworkDatagram>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QUdpSocket>

namespace {

// Closes every editor and note a case left, and records its dialogs.
struct Workspace
{
    Workspace()
    {
        modDialogs::SetDialogRunner([this](QDialog &dialog) {
            messages << static_cast<QMessageBox &>(dialog).text();
            return int(QMessageBox::Ok);
        });
    }
    ~Workspace()
    {
        QList<QPointer<QWidget>> windows;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->inherits("winEditor") || window->inherits("winNote"))
                windows << window;
        qDeleteAll(windows);
        modDialogs::SetDialogRunner({});
    }
    QStringList messages;
};

QStringList ActiveFiles()
{
    return QDir(modFiles::ActiveFolder()).entryList(QDir::Files);
}

winEditor *EditorWith(const QString &caption, const QString &text)
{
    winEditor *editor = winEditor::NewEditor();
    editor->Command1->setText(caption);
    editor->Text1->setPlainText(text);
    return editor;
}

} // namespace

class EditorActionTest final : public QObject
{
    Q_OBJECT

private slots:
    void createMakesACentredSavedNote_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("narrow");
        QTest::addColumn<bool>("tallest");
        QTest::newRow("empty text") << "" << true << false;
        QTest::newRow("short text") << "hi" << true << false;
        QTest::newRow("very long text") << QString("line\n").repeated(400) << true << true;
    }
    void createMakesACentredSavedNote()
    {
        QFETCH(QString, text);
        QFETCH(bool, narrow);
        QFETCH(bool, tallest);
        TestEnvironment environment;
        Workspace workspace;
        QPointer<winEditor> editor = EditorWith("Create", text);
        editor->Command1_Click();
        QTRY_VERIFY(editor.isNull());
        QCOMPARE(winNote::AllNotes().size(), 1);
        winNote *note = winNote::AllNotes().first();
        QVERIFY(note->isVisible());
        if (narrow)
            QCOMPARE(note->WidthTwips(), 2550.0f);
        if (tallest)
            QCOMPARE(note->HeightTwips(), 9000.0f);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(qRound(note->LeftTwips()), qRound((screen.width() * 15 - note->WidthTwips()) / 2));
        QCOMPARE(ActiveFiles(), QStringList{note->noteFileName});
        QCOMPARE(modFiles::ReadTextFile(modFiles::ActiveFolder() + "/" + note->noteFileName),
                 note->GetNoteContents(false));
        QCOMPARE(note->Label2->text(), QString(text).replace("\n", "\r\n"));
        QCOMPARE(modSettings::ReadSetting(SettingKeys::FontBold), QString("False"));
    }

    void modifierKeepsTheEditorOpenAndEmpty()
    {
        TestEnvironment environment;
        Workspace workspace;
        winEditor *editor = EditorWith("Create", "first");
        QTest::mouseClick(editor->Command1, Qt::LeftButton, Qt::ShiftModifier);
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->Text1->toPlainText(), QString());
        QCOMPARE(ActiveFiles().size(), 1);
    }

    void updateChangesTheNoteButNotTheDefaults()
    {
        TestEnvironment environment;
        Workspace workspace;
        EditorWith("Create", "old")->Command1_Click();
        winNote *note = winNote::AllNotes().first();
        modSettings::WriteSetting(SettingKeys::FontSize, "8");
        QPointer<winEditor> editor = EditorWith("Update", "  new text\n  ");
        editor->tag = note->noteFileName + "|" + QString::number(modMisc::NoteHandle(note));
        editor->FontSizeCombo->setEditText("13");
        editor->Command1_Click();
        QTRY_VERIFY(editor.isNull());
        QCOMPARE(note->Label2->text(), QString("new text\r\n"));
        QCOMPARE(note->Label2->font().pointSizeF(), 13.0);
        QVERIFY(modFiles::ReadTextFile(modFiles::ActiveFolder() + "/" + note->noteFileName).endsWith("new text\r\n"));
        QCOMPARE(modSettings::ReadSetting(SettingKeys::FontSize), QString("8"));
    }

    void updateOfAClosedNoteChangesNothing()
    {
        TestEnvironment environment;
        Workspace workspace;
        QPointer<winEditor> editor = EditorWith("Update", "text");
        editor->tag = "gone.zln|12345";
        editor->Command1_Click();
        QTRY_VERIFY(editor.isNull());
        QVERIFY(winNote::AllNotes().isEmpty());
        QVERIFY(ActiveFiles().isEmpty());
    }

    void sendDeliversTheExactDatagram()
    {
        TestEnvironment environment;
        Workspace workspace;
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress("127.0.0.3"), 0));
        winMenu *menu = winMenu::Create();
        menu->Winsock = new Winsock(menu);
        menu->Winsock->LocalPort = 0;
        menu->Winsock->RemotePort = peer.localPort();
        QCOMPARE(menu->Winsock->Bind("127.0.0.2"), Winsock::BindError::None);
        QPointer<winEditor> editor = EditorWith("Send", "hello there");
        editor->sendToIP = "127.0.0.3";
        editor->Command1_Click();
        QTRY_VERIFY(peer.hasPendingDatagrams());
        const QByteArray datagram = peer.receiveDatagram().data();
        QVERIFY2(datagram.startsWith("+" + Winsock::LocalHostName().toLatin1() + " (127.0.0.2)"), datagram);
        QVERIFY(datagram.endsWith("hello there"));
        QTRY_VERIFY(editor.isNull());
        QVERIFY(winNote::AllNotes().isEmpty());
        QVERIFY(ActiveFiles().isEmpty());
        QVERIFY(workspace.messages.isEmpty());
        delete menu;
    }

    void sendToALocalUserWritesIntoTheirIncomingFolder()
    {
        TestEnvironment environment;
        Workspace workspace;
        UserName = "tester";
        UserPathTemplate = environment.root() + "/home/[USERNAME]/data";
        const QString incoming = environment.root() + "/home/anna/data/Incoming";
        QDir().mkpath(incoming);
        QPointer<winEditor> editor = EditorWith("Send", "for anna");
        editor->sendToIP = "Local User";
        editor->sendToName = "anna";
        editor->Command1_Click();
        QTRY_VERIFY(editor.isNull());
        const QStringList delivered = QDir(incoming).entryList(QDir::Files);
        QCOMPARE(delivered.size(), 1);
        const QString content = modFiles::ReadTextFile(incoming + "/" + delivered.first());
        QVERIFY2(content.startsWith("tester (Local User)"), qPrintable(content));
        QVERIFY(content.endsWith("for anna"));
    }

    void failedSendKeepsEverything_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pathTemplate");
        QTest::addColumn<int>("textLength");
        QTest::newRow("invalid address") << "300.1.2.3" << "" << "" << 10;
        QTest::newRow("too long for a datagram") << "127.0.0.3" << "" << "" << 70000;
        QTest::newRow("no path template") << "Local User" << "anna" << "" << 10;
        QTest::newRow("local user without Incoming") << "Local User" << "nobody" << "/home/[USERNAME]/x" << 10;
    }
    void failedSendKeepsEverything()
    {
        QFETCH(QString, address);
        QFETCH(QString, name);
        QFETCH(QString, pathTemplate);
        QFETCH(int, textLength);
        TestEnvironment environment;
        Workspace workspace;
        UserPathTemplate = pathTemplate.isEmpty() ? QString() : environment.root() + pathTemplate;
        modSettings::WriteSetting(SettingKeys::DeleteNoteAfterReplying, "True");
        EditorWith("Create", "answered")->Command1_Click();
        winNote *answered = winNote::AllNotes().first();
        winMenu *menu = winMenu::Create();
        menu->Winsock = new Winsock(menu);
        menu->Winsock->LocalPort = 0;
        QCOMPARE(menu->Winsock->Bind("127.0.0.2"), Winsock::BindError::None);
        const QString text(textLength, QLatin1Char('x'));
        QPointer<winEditor> editor = EditorWith("Send", text);
        editor->sendToIP = address;
        editor->sendToName = name;
        editor->noteToDeleteHwnd = modMisc::NoteHandle(answered);
        editor->Command1_Click();
        QCOMPARE(workspace.messages.size(), 1);
        QVERIFY(workspace.messages.first().endsWith("."));
        QVERIFY(!editor.isNull() && editor->isVisible());
        QCOMPARE(editor->Text1->toPlainText(), text);
        QCOMPARE(winNote::AllNotes(), QList<winNote *>{answered});
        QCOMPARE(ActiveFiles().size(), 1);
        delete menu;
    }
};

ZETTLOR_TEST_CLASS(EditorActionTest)
#include "EditorActionTest.moc"

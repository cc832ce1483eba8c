#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "Windows.h"

#include "core/Globals.h"
#include "core/SettingKeys.h"
#include "core/modDialogs.h"
#include "core/modSettings.h"
#include "editor/winEditor.h"
#include "messaging/modContacts.h"
#include "messaging/modDatagram.h"
#include "messaging/modSend.h"
#include "messaging/winContacts.h"
#include "messaging/winContactsAddEdit.h"
#include "messaging/winLocate.h"
#include "tray/modTrayCommands.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <optional>

namespace {

const QString kStored = QStringLiteral("192.168.1.7(Anna)|192.168.1.20(DESK2)|10.0.0.3(bob)");
const QString kPing = QStringLiteral(" <- !DESK7 (192.168.1.7) ping");

// Each row as "name|ip"; "*" after the name of an online one, brackets
// around a selected one.
QStringList Rows(const QTreeWidget *list)
{
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = list->topLevelItem(i);
        const bool online = row->data(0, modContacts::PictureRole) == modContacts::Online;
        const QString text = row->text(0) + (online ? "*|" : "|") + row->text(1);
        rows << (row->isSelected() ? "[" + text + "]" : text);
    }
    return rows;
}

QStringList Pings(const QStringList &addresses)
{
    QStringList pings;
    for (const QString &address : addresses)
        pings << address + kPing;
    return pings;
}

} // namespace

class ContactsTest final : public QObject
{
    Q_OBJECT

    std::optional<TestEnvironment> m_environment;
    QStringList m_sent;     // "address <- datagram"
    QStringList m_messages; // texts, "(over the dialog)" while the contact dialog was shown
    QMessageBox::StandardButton m_answer = QMessageBox::Yes;

    // Another user of this computer, who has used the program or not.
    void MakeUser(const QString &name, bool usedIt = true)
    {
        QDir().mkpath(m_environment->root() + "/home/" + name + (usedIt ? "/.local/share/Zettlor" : ""));
    }
    winContacts *Open(const QString &stored, int selected = -1)
    {
        ContactList = stored;
        modSettings::WriteSetting(SettingKeys::Contacts, stored);
        modTrayCommands::OpenContacts();
        QCoreApplication::processEvents(); // the pings go out once it is shown
        winContacts *contacts = ShownWindow<winContacts>();
        if (selected >= 0)
            contacts->ListView->setCurrentItem(contacts->ListView->topLevelItem(selected));
        return contacts;
    }

private slots:
    void init()
    {
        m_environment.emplace();
        UserName = "tester";
        UserPathTemplate = modSend::ComputeUserPathTemplate();
        m_sent.clear();
        m_messages.clear();
        m_answer = QMessageBox::Yes;
        modDatagram::Surroundings s = modDatagram::ProgramSurroundings();
        s.LocalHostName = [] { return QStringLiteral("DESK7"); };
        s.LocalIP = [] { return QStringLiteral("192.168.1.7"); };
        s.Send = [this](const QString &host, const QString &text) { m_sent << host + " <- " + text; };
        s.ShowBalloon = [](const QString &) {};
        modDatagram::SetSurroundings(s);
        modDialogs::SetDialogRunner([this](QDialog &dialog) {
            m_messages << static_cast<QMessageBox &>(dialog).text() +
                              (ShownWindow<winContactsAddEdit>() ? " (over the dialog)" : "");
            return m_answer;
        });
    }
    void cleanup()
    {
        DeleteWindows({"winContacts", "winContactsAddEdit", "winLocate", "winEditor", "winNote"});
        modDialogs::SetDialogRunner({});
        modDatagram::ResetSurroundings();
        m_environment.reset();
    }

    // Stored contacts and local users sorted by name; a pong marks the first
    // row of its address. A double click or Return starts a note only to an
    // online contact or a local user.
    void rowsAnswerAndStartNotes_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("pongs");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("pinged");
        QTest::addColumn<QStringList>("editorFor"); // after each row's activation
        QTest::newRow("DESK2 answers")
            << kStored << "!DESK2 (192.168.1.20) pong"
            << QStringList{"[Anna|192.168.1.7]", "bob|10.0.0.3", "Carl|Local User", "DESK2*|192.168.1.20",
                           "zoe|Local User"}
            << QStringList{"192.168.1.7", "192.168.1.20", "10.0.0.3"}
            << QStringList{"Local User|Carl", "192.168.1.20|DESK2", "Local User|zoe"};
        QTest::newRow("entries naming nobody")
            << "junk||10.0.0.1(Lab (2))|10.0.0.2(open|a)b(c"
            << "!x (10.9.9.9) pong|!bob pong|!10.0.0.1) pong|!Lab (10.0.0.1) pong"
            << QStringList{"[Carl|Local User]", "Lab (2)*|10.0.0.1", "zoe|Local User"}
            << QStringList{"10.0.0.1"}
            << QStringList{"Local User|Carl", "10.0.0.1|Lab (2)", "Local User|zoe"};
    }
    void rowsAnswerAndStartNotes()
    {
        QFETCH(QString, pongs);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, pinged);
        MakeUser("zoe");
        MakeUser("Carl");
        MakeUser("nobody", false);
        QFETCH(QString, stored);
        winContacts *contacts = Open(stored);
        QCOMPARE(m_sent, Pings(pinged));
        PongReplies = pongs;
        QTRY_COMPARE(Rows(contacts->ListView), rows);
        QStringList editorFor;
        for (int row = 0; row < rows.size(); ++row) {
            contacts->activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), contacts);
            contacts->ListView->setCurrentItem(contacts->ListView->topLevelItem(row));
            const QPoint at = contacts->ListView->visualItemRect(contacts->ListView->currentItem()).center();
            QTest::mouseClick(contacts->ListView->viewport(), Qt::LeftButton, {}, at);
            if (row % 2 == 0)
                QTest::mouseDClick(contacts->ListView->viewport(), Qt::LeftButton, {}, at);
            else
                QTest::keyClick(contacts->ListView, Qt::Key_Return);
            if (winEditor *editor = ShownWindow<winEditor>()) {
                editorFor << editor->sendToIP + "|" + editor->sendToName;
                editor->CloseEditor();
                QTRY_VERIFY(!ShownWindow<winEditor>());
            }
        }
        QTEST(editorFor, "editorFor");
    }

    void deleteSelectsTheRowAbove_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("storedOnClose");
        const auto row = [](const char *tag, QString stored, int selected, QMessageBox::StandardButton answer,
                            QStringList rows, QString storedOnClose) {
            QTest::newRow(tag) << stored << selected << answer
                               << "Are you sure you want to delete the selected contact?" << rows
                               << storedOnClose;
        };
        row("first of three", kStored, 0, QMessageBox::Yes, {"[bob|10.0.0.3]", "DESK2|192.168.1.20"},
            "10.0.0.3(bob)|192.168.1.20(DESK2)");
        row("third of three", kStored, 2, QMessageBox::Yes, {"Anna|192.168.1.7", "[bob|10.0.0.3]"},
            "192.168.1.7(Anna)|10.0.0.3(bob)");
        row("answered No", kStored, 1, QMessageBox::No,
            {"Anna|192.168.1.7", "[bob|10.0.0.3]", "DESK2|192.168.1.20"}, kStored);
        row("the only row", "10.0.0.1(x)", 0, QMessageBox::Yes, {}, "");
        QTest::newRow("local user") << "" << 0 << QMessageBox::Yes
                                    << "The selected contact cannot be deleted."
                                    << QStringList{"[zoe|Local User]"} << "";
    }
    void deleteSelectsTheRowAbove()
    {
        QFETCH(QString, stored);
        QFETCH(int, selected);
        QFETCH(QStringList, rows);
        QFETCH(QMessageBox::StandardButton, answer);
        m_answer = answer;
        if (stored.isEmpty())
            MakeUser("zoe");
        winContacts *contacts = Open(stored, selected);
        QTest::mouseClick(contacts->RemoveButton, Qt::LeftButton);
        QTEST(m_messages.join(""), "message");
        QCOMPARE(Rows(contacts->ListView), rows);
        QCOMPARE(contacts->RemoveButton->isEnabled(), !rows.isEmpty());
        contacts->close();
        QTEST(modSettings::ReadSetting(SettingKeys::Contacts), "storedOnClose");
    }

    // Every row has answered; a new or changed address has not.
    void contactDialogAddsAndEdits_data()
    {
        QTest::addColumn<QString>("button"); // "Add" or "Edit", on the row of bob
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("stored"); // right after the dialog
        QTest::addColumn<QStringList>("pingedAfter");
        const QStringList before{"Anna*|192.168.1.7", "[bob*|10.0.0.3]", "DESK2*|192.168.1.20"};
        const auto row = [](const char *tag, QString button, QString name, QString address, QString message,
                            QStringList rows, QString stored, QStringList pinged) {
            QTest::newRow(tag) << button << name << address << message << rows << stored << pinged;
        };
        row("add goes to the end", "Add", "Lab PC", "10.0.0.9", "", before + QStringList{"Lab PC|10.0.0.9"},
            "192.168.1.7(Anna)|10.0.0.3(bob)|192.168.1.20(DESK2)|10.0.0.9(Lab PC)",
            {"192.168.1.7", "10.0.0.3", "192.168.1.20", "10.0.0.9"});
        row("address listed already", "Add", "Other", "192.168.1.20",
            "The entered contact already exists in the Zettlor Contacts list.", before,
            "192.168.1.7(Anna)|10.0.0.3(bob)|192.168.1.20(DESK2)",
            {"192.168.1.7", "10.0.0.3", "192.168.1.20"});
        row("edit keeps the place", "Edit", "Zed (2)", "10.0.0.30", "",
            {"Anna*|192.168.1.7", "[Zed (2)|10.0.0.30]", "DESK2*|192.168.1.20"},
            "192.168.1.7(Anna)|10.0.0.30(Zed (2))|192.168.1.20(DESK2)",
            {"192.168.1.7", "10.0.0.30", "192.168.1.20"});
        row("empty address", "Add", "x", "",
            "The ''Name'' and ''IP Address'' fields must be completed. (over the dialog)", before, kStored,
            {});
        row("bar in the name", "Edit", "a|b", "10.0.0.3",
            "The ''Name'' field cannot contain ''|'' or control characters. (over the dialog)", before,
            kStored, {});
        row("parenthesis in the address", "Add", "x", "10.0.0.1(",
            "The ''IP Address'' field cannot contain ''('', ''|'' or control characters. (over the dialog)",
            before, kStored, {});
    }
    void contactDialogAddsAndEdits()
    {
        QFETCH(QString, button);
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(QStringList, pingedAfter);
        winContacts *contacts = Open(kStored, 1);
        for (int i = 0; i < 3; ++i)
            modContacts::ShowPicture(contacts->ListView->topLevelItem(i), modContacts::Online);
        QTest::mouseClick(button == "Add" ? contacts->AddButton : contacts->EditButton, Qt::LeftButton);
        QPointer<winContactsAddEdit> dialog = ShownWindow<winContactsAddEdit>();
        QCOMPARE(dialog->NameTextBox->text(), button == "Add" ? "" : "bob");
        m_sent.clear();
        dialog->NameTextBox->setText(name);
        dialog->IPTextBox->setText(address);
        QTest::mouseClick(dialog->Command1, Qt::LeftButton);
        QTEST(m_messages.join(""), "message");
        QTEST(Rows(contacts->ListView), "rows");
        QTEST(modSettings::ReadSetting(SettingKeys::Contacts), "stored");
        QCOMPARE(m_sent, Pings(pingedAfter));
        QCOMPARE(dialog && dialog->isVisible(), pingedAfter.isEmpty());
    }

    void dialogsArePlacedOverTheContacts_data()
    {
        QTest::addColumn<QRect>("owner");
        QTest::addColumn<QPoint>("placed"); // of a 200 x 100 window on a 1280 x 800 screen
        QTest::newRow("centred") << QRect(100, 100, 400, 300) << QPoint(200, 200);
        QTest::newRow("past the right edge") << QRect(1100, 100, 300, 300) << QPoint(540, 350);
        QTest::newRow("past the bottom edge") << QRect(100, 700, 300, 300) << QPoint(540, 350);
        QTest::newRow("past the left edge") << QRect(-300, -200, 300, 300) << QPoint(13, 13);
    }
    void dialogsArePlacedOverTheContacts()
    {
        QFETCH(QRect, owner);
        QTEST(modContacts::PlacementOver(owner, QRect(0, 0, 1280, 800), QSize(200, 100)), "placed");
    }

    // An answer that came after the last locator closed is listed first; a
    // pick fills the dialog, whose OK adds the row.
    void locatorFillsTheDialog_data()
    {
        QTest::addColumn<QString>("broadcast");
        QTest::addColumn<QString>("late"); // collected before it opens
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("picked"); // -1: Escape, then Cancel in the dialog
        QTest::newRow("answers, one twice")
            << "255.255.255.255"
            << "!OLD (10.0.0.4) hello"
            << "!DESK2 (192.168.1.20) hello|!x hello|!DESK3 (10.0.0.5) hello|!DESK2 (192.168.1.20) hello"
            << QStringList{"[OLD*|10.0.0.4]", "DESK2*|192.168.1.20", "DESK3*|10.0.0.5", "DESK2*|192.168.1.20"}
            << 2;
        QTest::newRow("named address, no answer") << "127.0.0.3"
                                                  << ""
                                                  << "" << QStringList{} << -1;
    }
    void locatorFillsTheDialog()
    {
        QFETCH(QString, broadcast);
        QFETCH(QString, late);
        QFETCH(QString, answers);
        QFETCH(int, picked);
        BroadcastAddress = broadcast;
        HelloReplies = late;
        winContacts *contacts = Open("");
        QTest::mouseClick(contacts->AddButton, Qt::LeftButton);
        winContactsAddEdit *dialog = ShownWindow<winContactsAddEdit>();
        QTest::mouseClick(dialog->Command3, Qt::LeftButton);
        QPointer<winLocate> locator = ShownWindow<winLocate>();
        QTRY_COMPARE(m_sent, QStringList{broadcast + " <- !DESK7 (192.168.1.7) helloall"});
        HelloReplies += (late.isEmpty() ? "" : "|") + answers;
        QFETCH(QStringList, rows);
        QTRY_COMPARE(Rows(locator->ListView), rows);
        QCOMPARE(locator->AddButton->isEnabled(), picked >= 0);
        locator->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), locator);
        locator->ListView->setCurrentItem(locator->ListView->topLevelItem(picked));
        QTest::keyClick(QApplication::focusWidget(), picked >= 0 ? Qt::Key_Return : Qt::Key_Escape);
        QTRY_VERIFY(!locator);
        QTest::mouseClick(picked >= 0 ? dialog->Command1 : dialog->Command2, Qt::LeftButton);
        QCOMPARE(Rows(contacts->ListView), picked >= 0 ? QStringList{"[DESK3|10.0.0.5]"} : QStringList{});
        QCOMPARE(contacts->EditButton->isEnabled(), picked >= 0);
    }

    // Written back when the window closes, the rows keep a sender that a
    // note added to the contacts meanwhile.
    void noteFromNewSenderAddsItsRow()
    {
        winContacts *contacts = Open("10.0.0.1(x)|10.0.0.2(gone)");
        QTest::mouseClick(contacts->RemoveButton, Qt::LeftButton);
        for (const char *sender : {"+New (10.0.0.8)", "+Known (10.0.0.1)"})
            modDatagram::HandleDatagram(sender + QString("2880,3255,*,*,,Verdana,12,12648447,0,Hi"));
        QCOMPARE(Rows(contacts->ListView), (QStringList{"[x|10.0.0.1]", "New|10.0.0.8"}));
        contacts->close();
        QCOMPARE(modSettings::ReadSetting(SettingKeys::Contacts), "10.0.0.1(x)|10.0.0.8(New)");
    }

    void trayOpensOneWindowAndRaisesIt()
    {
        modTrayCommands::PerformTrayAction("Open Zettlor Contacts");
        winContacts *contacts = ShownWindow<winContacts>();
        contacts->showMinimized();
        modTrayCommands::PerformTrayAction("Open Zettlor Contacts");
        QCOMPARE(ShownWindow<winContacts>(), contacts);
        QVERIFY(!contacts->isMinimized());
    }
};

ZETTLOR_TEST_CLASS(ContactsTest)
#include "ContactsTest.moc"

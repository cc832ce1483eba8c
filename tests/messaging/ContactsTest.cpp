#include "TestEnvironment.h"
#include "TestRegistry.h"

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

// Each row as "name|ip", a "*" after the name of an online one.
QStringList Rows(const QTreeWidget *list)
{
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = list->topLevelItem(i);
        const bool online = row->data(0, modContacts::PictureRole) == modContacts::Online;
        rows << row->text(0) + (online ? "*" : "") + "|" + row->text(1);
    }
    return rows;
}

template <typename Window> Window *Shown()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *found = qobject_cast<Window *>(window); found && found->isVisible())
            return found;
    return nullptr;
}

} // namespace

class ContactsTest final : public QObject
{
    Q_OBJECT

    std::optional<TestEnvironment> m_environment;
    QStringList m_sent;     // "address <- datagram"
    QStringList m_messages; // message texts, "(over the dialog)" when it was still shown
    QMessageBox::StandardButton m_answer = QMessageBox::Yes;

    // A user of this computer who has used the program, or only has a home.
    void MakeUser(const QString &name, bool usedIt = true)
    {
        QDir().mkpath(m_environment->root() + "/home/" + name + (usedIt ? "/.local/share/Zettlor" : ""));
    }
    winContacts *Open(const QString &stored)
    {
        ContactList = stored;
        modSettings::WriteSetting(SettingKeys::Contacts, stored);
        modTrayCommands::OpenContacts();
        winContacts *contacts = Shown<winContacts>();
        QCoreApplication::processEvents(); // the pings go out once it is shown
        return contacts;
    }
    static void Select(winContacts *contacts, int row)
    {
        contacts->ListView->setCurrentItem(contacts->ListView->topLevelItem(row));
    }
    QStringList Pings() const { return m_sent.filter(" <- !DESK7 (192.168.1.7) ping"); }

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
            const auto *box = qobject_cast<QMessageBox *>(&dialog);
            m_messages << box->text() + (Shown<winContactsAddEdit>() ? " (over the dialog)" : "");
            return m_answer;
        });
    }
    void cleanup()
    {
        QList<QPointer<QWidget>> windows;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (!window->parentWidget())
                windows << window;
        qDeleteAll(windows);
        modDialogs::SetDialogRunner({});
        modDatagram::ResetSurroundings();
        m_environment.reset();
    }

    void opensWithStoredContactsAndLocalUsers_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("pinged");
        QTest::newRow("sorted by name, any case")
            << kStored << QStringList{"Anna|192.168.1.7", "bob|10.0.0.3", "DESK2|192.168.1.20"}
            << QStringList{"192.168.1.7", "192.168.1.20", "10.0.0.3"};
        QTest::newRow("entries naming nobody") << "junk||10.0.0.1(ok)|10.0.0.2(open|a)b(c"
                                               << QStringList{"ok|10.0.0.1"} << QStringList{"10.0.0.1"};
        QTest::newRow("name with parentheses")
            << "10.0.0.9(Lab (2))" << QStringList{"Lab (2)|10.0.0.9"} << QStringList{"10.0.0.9"};
        QTest::newRow("none") << "" << QStringList{} << QStringList{};
    }
    void opensWithStoredContactsAndLocalUsers()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, pinged);
        MakeUser("zoe");
        MakeUser("Carl");
        MakeUser("nobody", false);
        winContacts *contacts = Open(stored);
        for (const QString &user : {"Carl", "zoe"})
            rows << user + QString("|Local User");
        std::sort(rows.begin(), rows.end(),
                  [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        QCOMPARE(Rows(contacts->ListView), rows);
        QCOMPARE(contacts->ListView->currentItem(), contacts->ListView->topLevelItem(0));
        for (QString &address : pinged)
            address += " <- !DESK7 (192.168.1.7) ping";
        QCOMPARE(m_sent, pinged);
    }

    // A pong marks the first row of its address; a double click (or Return)
    // starts a note only to an online contact or a local user.
    void pongsMarkRowsThatCanBeSentTo_data()
    {
        QTest::addColumn<QString>("pongs");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("editorFor"); // after each row's double click
        QTest::newRow("DESK2 answers")
            << "!DESK2 (192.168.1.20) pong"
            << QStringList{"Anna|192.168.1.7", "bob|10.0.0.3", "DESK2*|192.168.1.20", "zoe|Local User"}
            << QStringList{"192.168.1.20|DESK2", "Local User|zoe"};
        QTest::newRow("unknown and broken answers")
            << "!x (10.9.9.9) pong|!bob pong|!10.0.0.3) pong|!Anna (192.168.1.7) pong"
            << QStringList{"Anna*|192.168.1.7", "bob|10.0.0.3", "DESK2|192.168.1.20", "zoe|Local User"}
            << QStringList{"192.168.1.7|Anna", "Local User|zoe"};
    }
    void pongsMarkRowsThatCanBeSentTo()
    {
        QFETCH(QString, pongs);
        QFETCH(QStringList, rows);
        MakeUser("zoe");
        winContacts *contacts = Open(kStored);
        QVERIFY(QTest::qWaitForWindowActive(contacts));
        PongReplies = pongs;
        QTRY_COMPARE(Rows(contacts->ListView), rows);
        QStringList editorFor;
        for (int row = 0; row < rows.size(); ++row) {
            Select(contacts, row);
            if (row % 2 == 0) {
                const QPoint at =
                    contacts->ListView->visualItemRect(contacts->ListView->currentItem()).center();
                QTest::mouseClick(contacts->ListView->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(contacts->ListView->viewport(), Qt::LeftButton, {}, at);
            } else {
                contacts->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(contacts));
                contacts->ListView->setFocus();
                QTest::keyClick(contacts->ListView, Qt::Key_Return);
            }
            if (winEditor *editor = Shown<winEditor>()) {
                editorFor << editor->sendToIP + "|" + editor->sendToName;
                editor->CloseEditor();
                QTRY_VERIFY(!Shown<winEditor>());
            }
        }
        QTEST(editorFor, "editorFor");
    }

    void deleteSelectsTheRowAbove_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("rows"); // the selected one in brackets
        QTest::addColumn<QString>("storedOnClose");
        const QString question = "Are you sure you want to delete the selected contact?";
        QTest::newRow("first of three")
            << kStored << 0 << QMessageBox::Yes << QStringList{question} << QStringList{"[bob]", "DESK2"}
            << "10.0.0.3(bob)|192.168.1.20(DESK2)";
        QTest::newRow("third of three") << kStored << 2 << QMessageBox::Yes << QStringList{question}
                                        << QStringList{"Anna", "[bob]"} << "192.168.1.7(Anna)|10.0.0.3(bob)";
        QTest::newRow("answered No") << kStored << 1 << QMessageBox::No << QStringList{question}
                                     << QStringList{"Anna", "[bob]", "DESK2"} << kStored;
        QTest::newRow("the only row")
            << "10.0.0.1(x)" << 0 << QMessageBox::Yes << QStringList{question} << QStringList{} << "";
        QTest::newRow("local user") << "" << 0 << QMessageBox::Yes
                                    << QStringList{"The selected contact cannot be deleted."}
                                    << QStringList{"[zoe]"} << "";
    }
    void deleteSelectsTheRowAbove()
    {
        QFETCH(QString, stored);
        QFETCH(int, selected);
        QFETCH(QStringList, rows);
        QFETCH(QString, storedOnClose);
        QFETCH(QMessageBox::StandardButton, answer);
        m_answer = answer;
        if (stored.isEmpty())
            MakeUser("zoe");
        winContacts *contacts = Open(stored);
        Select(contacts, selected);
        QTest::mouseClick(contacts->RemoveButton, Qt::LeftButton);
        QTEST(m_messages, "messages");
        QStringList shown;
        for (int i = 0; i < contacts->ListView->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *row = contacts->ListView->topLevelItem(i);
            shown << (row->isSelected() ? "[" + row->text(0) + "]" : row->text(0));
        }
        QCOMPARE(shown, rows);
        QCOMPARE(contacts->RemoveButton->isEnabled(), !shown.isEmpty());
        QCOMPARE(contacts->EditButton->isEnabled(), !shown.isEmpty());
        contacts->close();
        QCOMPARE(modSettings::ReadSetting(SettingKeys::Contacts), storedOnClose);
    }

    void contactDialogAddsAndEdits_data()
    {
        QTest::addColumn<QString>("button"); // "Add" or "Edit", on the row of bob
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("stored"); // right after the dialog
        QTest::addColumn<QStringList>("pingedAfter");
        // Every row has answered; a new or changed address has not.
        const QStringList before{"Anna*|192.168.1.7", "bob*|10.0.0.3", "DESK2*|192.168.1.20"};
        const auto row = [](const char *tag, QString button, QString name, QString address,
                            QStringList messages, QStringList rows, QString stored, QStringList pinged) {
            QTest::newRow(tag) << button << name << address << messages << rows << stored << pinged;
        };
        row("add goes to the end", "Add", "Lab PC", "10.0.0.9", {}, before + QStringList{"Lab PC|10.0.0.9"},
            "192.168.1.7(Anna)|10.0.0.3(bob)|192.168.1.20(DESK2)|10.0.0.9(Lab PC)",
            {"192.168.1.7", "10.0.0.3", "192.168.1.20", "10.0.0.9"});
        row("address listed already", "Add", "Other", "192.168.1.20",
            {"The entered contact already exists in the Zettlor Contacts list."}, before,
            "192.168.1.7(Anna)|10.0.0.3(bob)|192.168.1.20(DESK2)",
            {"192.168.1.7", "10.0.0.3", "192.168.1.20"});
        row("edit keeps the place", "Edit", "Zed (2)", "10.0.0.30", {},
            {"Anna*|192.168.1.7", "Zed (2)|10.0.0.30", "DESK2*|192.168.1.20"},
            "192.168.1.7(Anna)|10.0.0.30(Zed (2))|192.168.1.20(DESK2)",
            {"192.168.1.7", "10.0.0.30", "192.168.1.20"});
        row("empty address", "Add", "x", "",
            {"The ''Name'' and ''IP Address'' fields must be completed. (over the dialog)"}, before, kStored,
            {});
        row("bar in the name", "Edit", "a|b", "10.0.0.3",
            {"The ''Name'' field cannot contain ''|'' or control characters. (over the dialog)"}, before,
            kStored, {});
        row("parenthesis in the address", "Add", "x", "10.0.0.1(",
            {"The ''IP Address'' field cannot contain ''('', ''|'' or control characters. (over the dialog)"},
            before, kStored, {});
    }
    void contactDialogAddsAndEdits()
    {
        QFETCH(QString, button);
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, pingedAfter);
        winContacts *contacts = Open(kStored);
        for (int i = 0; i < 3; ++i)
            modContacts::ShowPicture(contacts->ListView->topLevelItem(i), modContacts::Online);
        Select(contacts, 1);
        QTest::mouseClick(button == "Add" ? contacts->AddButton : contacts->EditButton, Qt::LeftButton);
        QPointer<winContactsAddEdit> dialog = Shown<winContactsAddEdit>();
        QVERIFY(dialog);
        QCOMPARE(dialog->NameTextBox->text(), button == "Add" ? "" : "bob");
        m_sent.clear();
        dialog->NameTextBox->setText(name);
        dialog->IPTextBox->setText(address);
        QTest::mouseClick(dialog->Command1, Qt::LeftButton);
        QTEST(m_messages, "messages");
        QCOMPARE(Rows(contacts->ListView), rows);
        QTEST(modSettings::ReadSetting(SettingKeys::Contacts), "stored");
        for (QString &pinged : pingedAfter)
            pinged += " <- !DESK7 (192.168.1.7) ping";
        QCOMPARE(Pings(), pingedAfter);
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

    // Answers that came after the last locator closed are listed first.
    void locatorListsAnswersAndFillsTheDialog_data()
    {
        QTest::addColumn<QString>("broadcast");
        QTest::addColumn<QString>("late"); // in the collector before it opens
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("picked"); // -1: Escape
        QTest::newRow("two answers, one twice")
            << "255.255.255.255"
            << "!OLD (10.0.0.4) hello"
            << "!DESK2 (192.168.1.20) hello|!x hello|!DESK3 (10.0.0.5) hello|!DESK2 (192.168.1.20) hello"
            << QStringList{"OLD*|10.0.0.4", "DESK2*|192.168.1.20", "DESK3*|10.0.0.5", "DESK2*|192.168.1.20"}
            << 2;
        QTest::newRow("named broadcast, no answer") << "127.0.0.3"
                                                    << ""
                                                    << "" << QStringList{} << -1;
    }
    void locatorListsAnswersAndFillsTheDialog()
    {
        QFETCH(QString, broadcast);
        QFETCH(QString, late);
        QFETCH(QString, answers);
        QFETCH(QStringList, rows);
        QFETCH(int, picked);
        BroadcastAddress = broadcast;
        HelloReplies = late;
        winContacts *contacts = Open("");
        QTest::mouseClick(contacts->AddButton, Qt::LeftButton);
        winContactsAddEdit *dialog = Shown<winContactsAddEdit>();
        QTest::mouseClick(dialog->Command3, Qt::LeftButton);
        QPointer<winLocate> locator = Shown<winLocate>();
        QVERIFY(locator);
        QTRY_COMPARE(m_sent, QStringList{broadcast + " <- !DESK7 (192.168.1.7) helloall"});
        HelloReplies += (late.isEmpty() ? "" : "|") + answers;
        QTRY_COMPARE(Rows(locator->ListView), rows);
        QCOMPARE(locator->AddButton->isEnabled(), !rows.isEmpty());
        QVERIFY(QTest::qWaitForWindowActive(locator));
        if (picked >= 0) {
            locator->ListView->setCurrentItem(locator->ListView->topLevelItem(picked));
            QTest::keyClick(locator->ListView, Qt::Key_Return);
        } else {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        }
        QTRY_VERIFY(!locator);
        const QString filled = dialog->NameTextBox->text() + "|" + dialog->IPTextBox->text();
        QCOMPARE(filled, picked >= 0 ? QString(rows.at(picked)).remove('*') : "|");
        QTest::mouseClick(picked >= 0 ? dialog->Command1 : dialog->Command2, Qt::LeftButton);
        QCOMPARE(Rows(contacts->ListView), picked >= 0 ? QStringList{filled} : QStringList{});
        QCOMPARE(contacts->EditButton->isEnabled(), picked >= 0);
    }

    // Written back when the window closes, the rows keep a sender that a
    // note added to the contacts meanwhile.
    void noteFromNewSenderAddsItsRow()
    {
        winContacts *contacts = Open("10.0.0.1(x)|10.0.0.2(gone)");
        Select(contacts, 0);
        QTest::mouseClick(contacts->RemoveButton, Qt::LeftButton);
        for (const char *sender : {"+New (10.0.0.8)", "+Known (10.0.0.1)"})
            modDatagram::HandleDatagram(sender + QString("2880,3255,*,*,,Verdana,12,12648447,0,Hi"));
        QCOMPARE(Rows(contacts->ListView), (QStringList{"x|10.0.0.1", "New|10.0.0.8"}));
        contacts->close();
        QCOMPARE(modSettings::ReadSetting(SettingKeys::Contacts), "10.0.0.1(x)|10.0.0.8(New)");
    }

    void trayOpensOneWindowAndRaisesIt()
    {
        modTrayCommands::PerformTrayAction("Open Zettlor Contacts");
        winContacts *contacts = Shown<winContacts>();
        QVERIFY(contacts);
        contacts->resize(100, 100);
        QCOMPARE(contacts->size(), QSize(236, 236));
        contacts->showMinimized();
        modTrayCommands::PerformTrayAction("Open Zettlor Contacts");
        QCOMPARE(Shown<winContacts>(), contacts);
        QVERIFY(!contacts->isMinimized());
    }

    void tabFollowsTheControls_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("contacts") << "winContacts"
                                  << QStringList{"ListView", "AddButton", "EditButton", "RemoveButton",
                                                 "CancelButton"};
        QTest::newRow("dialog") << "winContactsAddEdit"
                                << QStringList{"NameTextBox", "IPTextBox", "Command1", "Command2",
                                               "Command3"};
        QTest::newRow("locator") << "winLocate" << QStringList{"ListView", "AddButton", "CancelButton"};
    }
    void tabFollowsTheControls()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, order);
        QWidget *shown = Open("10.0.0.1(x)");
        if (window != "winContacts") {
            QTest::mouseClick(static_cast<winContacts *>(shown)->AddButton, Qt::LeftButton);
            shown = Shown<winContactsAddEdit>();
        }
        if (window == "winLocate") {
            QTest::mouseClick(static_cast<winContactsAddEdit *>(shown)->Command3, Qt::LeftButton);
            shown = Shown<winLocate>();
        }
        shown->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), shown);
        QWidget *first = shown->findChild<QWidget *>(order.first());
        first->setEnabled(true);
        first->setFocus();
        QStringList visited{QApplication::focusWidget()->objectName()};
        for (int i = 1; i < order.size(); ++i) {
            shown->findChild<QWidget *>(order.at(i))->setEnabled(true);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, order);
    }
};

ZETTLOR_TEST_CLASS(ContactsTest)
#include "ContactsTest.moc"

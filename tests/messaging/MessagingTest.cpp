#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "Windows.h"

#include "core/Globals.h"
#include "core/SettingKeys.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "core/modSettings.h"
#include "editor/winEditor.h"
#include "messaging/modContacts.h"
#include "messaging/modDatagram.h"
#include "messaging/modPlaySound.h"
#include "messaging/modReceive.h"
#include "messaging/modSend.h"
#include "messaging/winContacts.h"
#include "messaging/winContactsAddEdit.h"
#include "messaging/winLocate.h"
#include "notes/modNoteText.h"
#include "notes/winNote.h"
#include "tray/modTrayCommands.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSoundEffect>
#include <QTest>
#include <QTreeWidget>
#include <optional>

namespace {

const QString kStored = QStringLiteral("192.168.1.7(Anna)|192.168.1.20(DESK2)|10.0.0.3(bob)");
const QString kPing = QStringLiteral(" <- !DESK7 (192.168.1.7) ping");
// Each note asks to be taller and narrower than the grip allows.
const QString kNote = QStringLiteral("99999,30,*,*,,Verdana,12,12648447,0,Hello");

// Each row as "name|ip", "*" marking an online one and brackets a selected one.
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

} // namespace

// This copy is DESK7 on 192.168.1.7 in 192.168.1.0/24. What it sends and
// shows is recorded, and each question gets m_answer.
class MessagingTest final : public QObject
{
    Q_OBJECT

    std::optional<TestEnvironment> m_environment;
    QStringList m_calls;    // "address <- datagram" sent and "balloon text" shown, in order
    QStringList m_messages; // texts, "(over the dialog)" while the contact dialog was shown
    QMessageBox::StandardButton m_answer = QMessageBox::Yes;

    // Another user of this computer, who has used the program or not.
    void MakeUser(const QString &name, bool usedIt = true)
    {
        QDir().mkpath(m_environment->root() + "/home/" + name + (usedIt ? "/.local/share/Zettlor" : ""));
    }
    winContacts *Open(const QString &stored, int selected = -1)
    {
        modSettings::WriteSetting(SettingKeys::Contacts, ContactList = stored);
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
        modFiles::CreateDataFolders();
        UserName = "tester";
        UserPathTemplate = modSend::ComputeUserPathTemplate();
        m_calls.clear();
        m_messages.clear();
        modDatagram::Surroundings s = modDatagram::ProgramSurroundings();
        s.LocalHostName = [] { return QStringLiteral("DESK7"); };
        s.LocalIP = [] { return QStringLiteral("192.168.1.7"); };
        s.KnownBroadcasts = [] { return QStringList{"192.168.1.255"}; };
        s.Send = [this](const QString &host, const QString &text) { m_calls << host + " <- " + text; };
        s.ShowBalloon = [this](const QString &text) { m_calls << "balloon " + text; };
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
        modDatagram::ResetSurroundings();
        m_environment.reset();
    }

    void dispatch_data()
    {
        QTest::addColumn<QString>("datagram");
        QTest::addColumn<QStringList>("calls");
        const auto row = [](const char *datagram, QString call = {}) {
            QTest::newRow(datagram) << QString(datagram)
                                    << (call.isEmpty() ? QStringList() : QStringList{call});
        };
        row("!DESK2 (10.0.0.2) ping", "10.0.0.2 <- !DESK7 (192.168.1.7) pong");
        row("!DESK2 (10.0.0.2) hello", "stored !DESK2 (10.0.0.2) hello");
        row("!DESK2 (10.0.0.2) pong", "stored !DESK2 (10.0.0.2) pong");
        row("!DESK2 (10.0.0.2) helloall", "10.0.0.2 <- !DESK7 (192.168.1.7) hello");
        row("!D (127.31.0.10) ping", "127.31.0.10 <- !DESK7 (192.168.1.7) pong"); // a zero inside a number
        row("#Backup finished", "balloon Backup finished");
        row("#off"); // with sent-note alerts off
        // Dropped: a broken header, an address of no single host or of this copy, a "|" inside.
        for (const char *d :
             {"!D (10.0.0.2 pong", "!D (256.1.1.1) ping", "!D ( 1.2.3.4) ping", "!D (127.31.0.010) ping",
              "!D (0.0.0.0) ping", "!D (255.255.255.255) helloall", "!D (192.168.1.255) ping",
              "+anna (Local User)x", "!a|b (10.0.0.2) hello", "!x (192.168.1.7) helloall"})
            row(d);
    }
    void dispatch()
    {
        QFETCH(QString, datagram);
        ShowSentNoteAlert = datagram != "#off";
        modDatagram::HandleDatagram(datagram);
        if (!HelloReplies.isEmpty() || !PongReplies.isEmpty())
            m_calls << "stored " + HelloReplies + PongReplies;
        QTEST(m_calls, "calls");
    }

    // A flood of alerts cannot pile up sound players.
    void soundPlayersAreBounded()
    {
        const QString sound = m_environment->root() + "/ding.wav";
        WriteBytes(sound, "RIFF");
        for (int i = 0; i < 10; ++i)
            modPlaySound::PlaySoundFile(sound);
        QCOMPARE(qApp->findChildren<QSoundEffect *>().size(), 4);
    }

    // A peer's sizes are held to what the grip allows; the shown text stays as sent.
    void receivedSizesAreHeld_data()
    {
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("shown"); // height, width and text
        QTest::newRow("all fields") << QString("99999,30,*,*,,V,12,1,0,a,b") << QString("9000 2550 a,b");
        QTest::newRow("sizes within, text with commas")
            << QString("50,2600,7,8") << QString("50 2600 50,2600,7,8");
        QTest::newRow("height only") << QString("99999,Hi") << QString("9000 0 99999,Hi");
    }
    void receivedSizesAreHeld()
    {
        QFETCH(QString, sent);
        const modNoteText::NoteRecord note = modNoteText::ParseNoteText(modReceive::HoldToGripLimits(sent));
        QTEST(QString("%1 %2 %3").arg(note.height.value_or(0)).arg(note.width.value_or(0)).arg(note.text),
              "shown");
    }

    // Replies keep the newest whole entries within both bounds; each sender gets 30 notes a minute,
    // all senders together 120.
    void floodsAreBounded()
    {
        modReceive::ArrivalLimit limit;
        for (int i = 0; i < 30; ++i)
            QVERIFY(limit.Admit("10.0.0.1", i * 1000));
        QVERIFY(!limit.Admit("10.0.0.1", 30000) && limit.Admit("10.0.0.2", 30000) &&
                limit.Admit("10.0.0.1", 60000));
        modReceive::ArrivalLimit all;
        for (int i = 0; i < 120; ++i)
            QVERIFY(all.Admit("10.0.1." + QString::number(i), i));
        QVERIFY(!all.Admit("10.0.2.1", 1000) && all.Admit("10.0.2.1", 60000));
        for (const auto &[size, count] : {std::pair(10, 5000), std::pair(60000, 20)}) {
            QString replies;
            QStringList added;
            for (int i = 0; i < count; ++i)
                modDatagram::AppendReply(replies,
                                         added.emplaceBack(QString::number(i).leftJustified(size, 'x')));
            const QStringList kept = replies.split('|');
            QVERIFY(replies.size() <= modDatagram::MaxReplyChars &&
                    kept.size() <= modDatagram::MaxReplyEntries && kept.size() > 1);
            QCOMPARE(kept, added.mid(added.size() - kept.size()));
        }
    }

    // Each row has its own sender, as arrivals are counted per address for the whole run.
    void noteIsShownAcknowledgedAndItsSenderKept_data()
    {
        QTest::addColumn<QString>("sender");    // "name (address)"
        QTest::addColumn<int>("count");         // of notes sent
        QTest::addColumn<QString>("addSender"); // the stored setting
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("contactsAfter");
        const auto row = [](const char *tag, QString sender, QString addSender, QString after, int count = 1,
                            int shown = 1) {
            QTest::newRow(tag) << sender << count << addSender << shown << "192.168.1.4(Anna)" + after;
        };
        row("known address is a prefix", "DESK4 (192.168.1.40)", "", "|192.168.1.40(DESK4)");
        row("known address keeps its name", "DESK5 (192.168.1.4)", "", "");
        row("false still adds", "L (10.0.1.1)", "false", "|10.0.1.1(L)");
        row("False adds nothing", "F (10.0.1.2)", "False", "");
        row("name that would split the list", "a|b (10.0.1.3)", "", "");
        // A reply to it would go into anna's Incoming folder.
        row("name posing as a local user", "x[FROM=Local User|anna (10.0.1.5)", "", "", 1, 0);
        row("31 notes from one sender", "flood (10.0.1.6)", "False", "", 31, 30);
        // Its alert that it was not saved is not replaced by the arrival's.
        row("note that cannot be saved", "B (10.0.1.7)", "False", "");
    }
    void noteIsShownAcknowledgedAndItsSenderKept()
    {
        QFETCH(QString, sender);
        QFETCH(int, count);
        QFETCH(int, shown);
        ShowIncomingNoteAlert = count == 1;
        const bool blocked = QString(QTest::currentDataTag()).endsWith("cannot be saved");
        if (blocked) {
            QDir(modFiles::ActiveFolder()).removeRecursively();
            WriteBytes(modFiles::ActiveFolder(), "in the way");
        }
        modSettings::WriteSetting(SettingKeys::Contacts, ContactList = "192.168.1.4(Anna)");
        QFETCH(QString, addSender);
        modSettings::WriteSetting(SettingKeys::AddSenderToContacts, addSender);
        for (int i = 0; i < count; ++i)
            modDatagram::HandleDatagram("+" + sender + kNote);

        const QString name = sender.section(" (", 0, 0), address = sender.section(" (", 1).chopped(1);
        QStringList notesShown;
        for (const winNote *note : winNote::AllNotes()) {
            QVERIFY(note->isVisible() && note->Label2->text() == "Hello" && note->HeightTwips() <= 9000 &&
                    note->WidthTwips() >= 2550);
            QVERIFY((note->geometry().center() - QGuiApplication::primaryScreen()->geometry().center())
                        .manhattanLength() <= 2);
            notesShown << note->noteFromIP + "|" + note->noteFromName;
        }
        QCOMPARE(notesShown, QStringList(shown, address + "|" + name));
        QStringList calls(shown, address + " <- #DESK7 (192.168.1.7) has received your message");
        if (ShowIncomingNoteAlert && shown && !blocked)
            calls << "balloon A new note has been received from " + sender;
        QCOMPARE(m_calls, calls);
        QTEST(modSettings::ReadSetting(SettingKeys::Contacts), "contactsAfter");
    }

    // Only regular note files are taken, and only once the note has a file of its own (a retry gives it one).
    void importTakesOnlyNoteFiles()
    {
        QDir(modFiles::ActiveFolder()).removeRecursively();
        WriteBytes(modFiles::ActiveFolder(), "in the way");
        const QString incoming = modFiles::IncomingFolder() + "/", secret = m_environment->root() + "/secret";
        WriteBytes(secret, "x (y)" + kNote.toUtf8());
        QFile::link(secret, incoming + "link.zln");
        QDir().mkpath(incoming + "folder.zln");
        WriteBytes(incoming + "big.zln", "x (y)" + QByteArray(2 << 20, 'x'));
        for (const char *name : {"note.zln", "NOTE.ZLN", "readme.txt"})
            WriteBytes(incoming + name, "x (y)" + kNote.toUtf8());
        modReceive::ImportIncomingNotes();
        QCOMPARE(winNote::AllNotes().size(), 1);
        QCOMPARE(QDir(incoming).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name),
                 (QStringList{"NOTE.ZLN", "big.zln", "folder.zln", "link.zln", "note.zln", "readme.txt"}));
        QFile::remove(modFiles::ActiveFolder());
        QVERIFY(QDir().mkpath(modFiles::ActiveFolder()) && winNote::AllNotes().constFirst()->ResaveNote());
        QVERIFY(!QFile::exists(incoming + "note.zln"));
        WriteBytes(incoming + "empty.zln", "Bob ()"); // no text nor address, still a file of its own first
        modReceive::ImportIncomingNotes();
        QVERIFY(winNote::AllNotes().size() == 2 && !QFile::exists(incoming + "empty.zln"));
    }

    // Links put into a shared Incoming folder under the names notes will get are never written through.
    void localDeliveryNeverWritesThroughALink()
    {
        UserPathTemplate = m_environment->root() + "/home/[USERNAME]/data";
        const QString incoming = m_environment->root() + "/home/anna/data/Incoming/";
        QDir().mkpath(incoming);
        QDateTime moment = QDateTime::currentDateTime();
        for (int i = 0; i < 1000; ++i, moment = moment.addMSecs(10)) { // every name of the next 10 s
            const QString name = moment.toString("ddMMyyHHmmss") +
                                 QString("%1.zln").arg(moment.time().msec() / 10, 2, 10, QChar('0'));
            QFile::link(m_environment->root() + "/target" + QString::number(i), incoming + name);
        }
        QCOMPARE(modSend::SendNote("Local User", "anna", "note"), QString());
        QCOMPARE(QDir(m_environment->root()).entryList({"target*"}), QStringList());
        const QStringList delivered = QDir(incoming).entryList(QDir::Files | QDir::NoSymLinks);
        QCOMPARE(delivered.size(), 1);
        QCOMPARE(ReadBytes(incoming + delivered.first()), QByteArray("tester (Local User)note"));
        QCOMPARE(QFile(incoming + delivered.first()).permissions(), QFile::Permissions(0x6640)); // 0640
    }

    // A pong marks the first row of its address; notes go only to online contacts and local users.
    void rowsAnswerAndStartNotes()
    {
        MakeUser("zoe");
        MakeUser("Carl");
        MakeUser("nobody", false);
        winContacts *contacts = Open(kStored + "|junk||10.0.0.1(Lab (2))|10.0.0.2(open|a)b(c");
        QCOMPARE(m_calls, (QStringList{"192.168.1.7" + kPing, "192.168.1.20" + kPing, "10.0.0.3" + kPing,
                                       "10.0.0.1" + kPing}));
        PongReplies =
            "!DESK2 (192.168.1.20) pong|!x (10.9.9.9) pong|!bob pong|!10.0.0.1) pong|!Lab (10.0.0.1) pong";
        const QStringList rows{"[Anna|192.168.1.7]",  "bob|10.0.0.3",      "Carl|Local User",
                               "DESK2*|192.168.1.20", "Lab (2)*|10.0.0.1", "zoe|Local User"};
        QTRY_COMPARE(Rows(contacts->ListView), rows);
        QStringList editorFor;
        for (int row = 0; row < rows.size(); ++row) { // double click and Return by turns
            contacts->activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), contacts);
            const QPoint at =
                contacts->ListView->visualItemRect(contacts->ListView->topLevelItem(row)).center();
            QTest::mouseClick(contacts->ListView->viewport(), Qt::LeftButton, {}, at);
            row % 2 ? QTest::keyClick(contacts->ListView, Qt::Key_Return)
                    : QTest::mouseDClick(contacts->ListView->viewport(), Qt::LeftButton, {}, at);
            if (winEditor *editor = ShownWindow<winEditor>()) {
                editorFor << editor->sendToIP + "|" + editor->sendToName;
                editor->CloseEditor();
                QTRY_VERIFY(!ShownWindow<winEditor>());
            }
        }
        QCOMPARE(editorFor, (QStringList{"Local User|Carl", "192.168.1.20|DESK2", "10.0.0.1|Lab (2)",
                                         "Local User|zoe"}));
    }

    // All rows online, bob selected. Once the dialog closes every stored address is pinged again;
    // refused input keeps it open. Written back on close, the rows keep a sender added meanwhile.
    void contactButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("entered"); // "name@address"
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("stored"); // once the window closed
        const QStringList before{"Anna*|192.168.1.7", "[bob*|10.0.0.3]", "DESK2*|192.168.1.20",
                                 "zoe*|Local User"};
        const QString sorted = "192.168.1.7(Anna)|10.0.0.3(bob)|192.168.1.20(DESK2)";
        const QString refused =
            "The ''%1'' field cannot contain %2''|'' or control characters. (over the dialog)";
        const QString asked = "Are you sure you want to delete the selected contact?";
        const auto row = [](const char *tag, QString button, QString entered, QString message,
                            QStringList rows, QString stored, int selected = 1) {
            QTest::newRow(tag) << button << selected << entered << message << rows << stored;
        };
        row("add goes to the end", "Add", "Lab PC@10.0.0.9", "", before + QStringList{"Lab PC|10.0.0.9"},
            sorted + "|10.0.0.9(Lab PC)");
        row("address listed already", "Add", "Other@192.168.1.20",
            "The entered contact already exists in the Zettlor Contacts list.", before, sorted);
        row("edit keeps the place", "Edit", "Zed (2)@10.0.0.30", "",
            {"Anna*|192.168.1.7", "[Zed (2)|10.0.0.30]", "DESK2*|192.168.1.20", "zoe*|Local User"},
            "192.168.1.7(Anna)|10.0.0.30(Zed (2))|192.168.1.20(DESK2)");
        row("bar in the name", "Edit", "a|b@10.0.0.3", refused.arg("Name", ""), before, kStored);
        row("parenthesis in the address", "Add", "x@10.0.0.1(", refused.arg("IP Address", "''('', "), before,
            kStored);
        row("delete", "Delete", "", asked, {"[Anna*|192.168.1.7]", "DESK2*|192.168.1.20", "zoe*|Local User"},
            "192.168.1.7(Anna)|192.168.1.20(DESK2)");
        row("delete answered No", "Delete, No", "", asked, before, kStored);
        row("delete the local user", "Delete", "", "The selected contact cannot be deleted.",
            {"Anna*|192.168.1.7", "bob*|10.0.0.3", "DESK2*|192.168.1.20", "[zoe*|Local User]"}, kStored, 3);
    }
    void contactButtons()
    {
        QFETCH(QString, button);
        QFETCH(int, selected);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        MakeUser("zoe");
        winContacts *contacts = Open(kStored, selected);
        for (int i = 0; i < 4; ++i)
            modContacts::ShowPicture(contacts->ListView->topLevelItem(i), modContacts::Online);
        m_calls.clear();
        m_answer = button == "Delete, No" ? QMessageBox::No : QMessageBox::Yes;
        QPointer<winContactsAddEdit> dialog;
        if (button.startsWith("Delete")) {
            QTest::mouseClick(contacts->RemoveButton, Qt::LeftButton);
        } else {
            QTest::mouseClick(button == "Add" ? contacts->AddButton : contacts->EditButton, Qt::LeftButton);
            dialog = ShownWindow<winContactsAddEdit>();
            QCOMPARE(dialog->NameTextBox->text(), button == "Add" ? "" : "bob");
            QFETCH(QString, entered);
            dialog->NameTextBox->setText(entered.section('@', 0, 0));
            dialog->IPTextBox->setText(entered.section('@', 1));
            QTest::mouseClick(dialog->Command1, Qt::LeftButton);
        }
        QCOMPARE(m_messages.join(""), message);
        QTEST(Rows(contacts->ListView), "rows");
        const bool stays = message.endsWith("(over the dialog)");
        QCOMPARE(dialog && dialog->isVisible(), stays);
        QStringList pinged;
        for (const QString &entry : stays || button.startsWith("Delete") ? QStringList() : stored.split('|'))
            pinged << entry.section('(', 0, 0) + kPing;
        QCOMPARE(m_calls, pinged);
        modDatagram::HandleDatagram("+New (10.0.0.8)" + kNote);
        contacts->close();
        QCOMPARE(modSettings::ReadSetting(SettingKeys::Contacts), stored + "|10.0.0.8(New)");
    }

    // An answer that came after the last locator closed is listed first.
    void locatorListsTheAnswers()
    {
        BroadcastAddress = "127.0.0.3";
        HelloReplies = "!OLD (10.0.0.4) hello";
        winContacts *contacts = Open("");
        QTest::mouseClick(contacts->AddButton, Qt::LeftButton);
        QTest::mouseClick(ShownWindow<winContactsAddEdit>()->Command3, Qt::LeftButton);
        winLocate *locator = ShownWindow<winLocate>();
        QTRY_COMPARE(m_calls, QStringList{"127.0.0.3 <- !DESK7 (192.168.1.7) helloall"});
        HelloReplies +=
            "|!DESK2 (192.168.1.20) hello|!x hello|!DESK3 (10.0.0.5) hello|!DESK2 (192.168.1.20) hello";
        QTRY_COMPARE(Rows(locator->ListView), (QStringList{"[OLD*|10.0.0.4]", "DESK2*|192.168.1.20",
                                                           "DESK3*|10.0.0.5", "DESK2*|192.168.1.20"}));
        QTest::mouseClick(locator->AddButton, Qt::LeftButton);
        const winContactsAddEdit *dialog = ShownWindow<winContactsAddEdit>();
        QCOMPARE(dialog->NameTextBox->text() + "|" + dialog->IPTextBox->text(), "OLD|10.0.0.4");
    }
};

ZETTLOR_TEST_CLASS(MessagingTest)
#include "MessagingTest.moc"

#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "Windows.h"

#include "core/Globals.h"
#include "core/modFiles.h"
#include "core/modSettings.h"
#include "messaging/modDatagram.h"
#include "messaging/modReceive.h"
#include "notes/winNote.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTest>
#include <optional>

namespace {

// Each note asks for more room than the grip allows.
const QString kNote = QStringLiteral("99999,99999,*,*,,Verdana,12,12648447,0,Hello");

} // namespace

class ReceiveTest final : public QObject
{
    Q_OBJECT

    std::optional<TestEnvironment> m_environment;
    QStringList m_calls; // receipts sent and balloons shown, in order

private slots:
    void init()
    {
        m_environment.emplace();
        modFiles::CreateDataFolders();
        m_calls.clear();
        modDatagram::Surroundings s = modDatagram::ProgramSurroundings();
        s.LocalHostName = [] { return QStringLiteral("DESK7"); };
        s.LocalIP = [] { return QStringLiteral("192.168.1.7"); };
        s.KnownBroadcasts = [] { return QStringList(); };
        s.Send = [this](const QString &host, const QString &text) { m_calls << host + " <- " + text; };
        s.ShowBalloon = [this](const QString &text) { m_calls << "balloon " + text; };
        modDatagram::SetSurroundings(s);
    }
    void cleanup()
    {
        DeleteWindows({"winNote"});
        modDatagram::ResetSurroundings();
        m_environment.reset();
    }

    // Every row has senders of its own: arrivals are counted per address for
    // the whole run.
    void noteIsShownAcknowledgedAndItsSenderKept_data()
    {
        QTest::addColumn<QStringList>("senders"); // "name (address)", one note each
        QTest::addColumn<QString>("addSender");   // the stored setting
        QTest::addColumn<bool>("alerts");
        QTest::addColumn<QString>("contactsBefore");
        QTest::addColumn<int>("shown"); // the first notes that are shown
        QTest::addColumn<QString>("contactsAfter");
        const auto row = [](const char *tag, QStringList senders, QString addSender, QString before,
                            int shown, QString after, bool alerts = true) {
            QTest::newRow(tag) << senders << addSender << alerts << before << shown << after;
        };
        row("new sender", {"DESK2 (192.168.1.20)"}, "", "", 1, "192.168.1.20(DESK2)");
        row("known address is a prefix", {"DESK4 (192.168.1.40)"}, "", "192.168.1.4(Anna)", 1,
            "192.168.1.4(Anna)|192.168.1.40(DESK4)");
        row("known address keeps its name", {"DESK5 (192.168.1.5)"}, "", "192.168.1.5(Old)", 1,
            "192.168.1.5(Old)");
        row("false still adds", {"L (10.0.1.1)"}, "false", "", 1, "10.0.1.1(L)");
        row("False adds nothing", {"F (10.0.1.2)"}, "False", "", 1, "");
        row("name that would split the list", {"a|b (10.0.1.3)"}, "", "", 1, "");
        row("name with a line break", {"a\r\nb (10.0.1.4)"}, "", "", 1, "");
        // Shown, it would name "Local User" as its sender: a reply would go
        // into anna's Incoming folder.
        row("name posing as a local user", {"x[FROM=Local User|anna (10.0.1.5)"}, "", "", 0, "");
        row("31 notes from one sender, alerts off", QStringList(31, "flood (10.0.1.6)"), "False", "", 30, "",
            false);
    }
    void noteIsShownAcknowledgedAndItsSenderKept()
    {
        QFETCH(QStringList, senders);
        QFETCH(QString, addSender);
        QFETCH(bool, alerts);
        QFETCH(QString, contactsBefore);
        QFETCH(int, shown);
        QFETCH(QString, contactsAfter);
        ShowIncomingNoteAlert = alerts;
        ContactList = contactsBefore;
        modSettings::WriteSetting(SettingKeys::Contacts, contactsBefore);
        modSettings::WriteSetting(SettingKeys::AddSenderToContacts, addSender);
        for (const QString &sender : senders)
            modDatagram::HandleDatagram("+" + sender + kNote);

        QStringList expectedShown;
        QStringList expectedCalls;
        for (const QString &sender : senders.mid(0, shown)) {
            const QString name = sender.section(" (", 0, 0), address = sender.section(" (", 1).chopped(1);
            expectedShown << address + "|" + name;
            expectedCalls << address + " <- #DESK7 (192.168.1.7) has received your message";
            if (alerts)
                expectedCalls << "balloon A new note has been received from " + sender;
        }
        QStringList notesShown;
        for (const winNote *note : winNote::AllNotes()) {
            QVERIFY(note->isVisible() && note->Label2->text() == "Hello");
            QVERIFY(note->WidthTwips() <= 9000 && note->HeightTwips() <= 9000);
            notesShown << note->noteFromIP + "|" + note->noteFromName;
        }
        QCOMPARE(notesShown, expectedShown);
        QCOMPARE(m_calls, expectedCalls);
        QCOMPARE(modSettings::ReadSetting(SettingKeys::Contacts), contactsAfter);
    }

    // Until the note has its own file, the incoming file is its only copy.
    void incomingFileStaysUntilItsNoteIsSaved()
    {
        QDir(modFiles::ActiveFolder()).removeRecursively();
        WriteBytes(modFiles::ActiveFolder(), "in the way");
        const QString incoming = modFiles::IncomingFolder() + "/1.zln";
        WriteBytes(incoming, "anna (Local User)2880,3255,*,*,,Verdana,12,12648447,0,Hi");
        modReceive::ImportIncomingNotes();
        QCOMPARE(winNote::AllNotes().size(), 1);
        QCOMPARE(winNote::AllNotes().first()->noteFromIP, QString("Local User"));
        QVERIFY(QFile::exists(incoming));
    }

    // Only regular note files are taken; a link, a folder, a file too large
    // for a note or of another name stays where it is.
    void importTakesOnlyNoteFiles()
    {
        const QString incoming = modFiles::IncomingFolder() + "/", secret = m_environment->root() + "/secret";
        WriteBytes(secret, "x (y)" + kNote.toUtf8());
        QFile::link(secret, incoming + "link.zln");
        QDir().mkpath(incoming + "folder.zln");
        WriteBytes(incoming + "big.zln", "x (y)" + QByteArray(2 << 20, 'x'));
        WriteBytes(incoming + "bare.zln", kNote.toUtf8());
        WriteBytes(incoming + "NOTE.ZLN", "x (y)" + kNote.toUtf8());
        WriteBytes(incoming + "readme.txt", "x (y)" + kNote.toUtf8());
        modReceive::ImportIncomingNotes();
        QCOMPARE(winNote::AllNotes().size(), 1);
        QStringList left = QDir(incoming).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        left.sort();
        QCOMPARE(left, (QStringList{"NOTE.ZLN", "big.zln", "folder.zln", "link.zln", "readme.txt"}));
        QVERIFY(QFile::exists(secret));
    }

    void sizeIsHeldToTheGripLimits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("held");
        QTest::newRow("too large") << "99999,12000.5,*,*,,V,12,0,0,t"
                                   << "9000,9000,*,*,,V,12,0,0,t";
        QTest::newRow("too narrow, not sizes") << "-5,30,*,*,,V,12,0,0,t"
                                               << "-5,2550,*,*,,V,12,0,0,t";
        QTest::newRow("height alone") << "12000,x"
                                      << "9000,x";
    }
    void sizeIsHeldToTheGripLimits()
    {
        QFETCH(QString, text);
        QTEST(modReceive::HoldToGripLimits(text), "held");
    }

    void arrivalsAreBoundedPerSender_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<qint64>("at");
        QTest::addColumn<bool>("admitted");
        // 30 notes from 10.0.0.1 at 0, 1000, ..., 29000 ms come first.
        QTest::newRow("first one a minute old") << "10.0.0.1" << qint64(60000) << true;
        QTest::newRow("other sender") << "10.0.0.2" << qint64(30000) << true;
    }
    void arrivalsAreBoundedPerSender()
    {
        QFETCH(QString, sender);
        QFETCH(qint64, at);
        modReceive::ArrivalLimit limit;
        for (int i = 0; i < 30; ++i)
            QVERIFY(limit.Admit("10.0.0.1", i * 1000));
        QTEST(limit.Admit(sender, at), "admitted");
    }
};

ZETTLOR_TEST_CLASS(ReceiveTest)
#include "ReceiveTest.moc"

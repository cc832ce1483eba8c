#include "TestEnvironment.h"
#include "TestRegistry.h"

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
#include <QSignalSpy>
#include <QTest>
#include <optional>

namespace {

const QString kNote = QStringLiteral("2880,3255,*,*,,Verdana,12,12648447,0,Hello");
const QString kReceipt = QStringLiteral(" <- #DESK7 (192.168.1.7) has received your message");

QString From(const QString &sender, const QString &text = kNote)
{
    return "+" + sender + text;
}

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
        QList<QPointer<QWidget>> notes;
        for (winNote *note : winNote::AllNotes())
            notes << note;
        qDeleteAll(notes);
        modDatagram::ResetSurroundings();
        m_environment.reset();
    }

    // Each row's senders are its own: arrivals are counted per address for
    // the whole run.
    void noteIsShownAcknowledgedAndItsSenderKept_data()
    {
        QTest::addColumn<QStringList>("datagrams");
        QTest::addColumn<QString>("addSender"); // the stored setting
        QTest::addColumn<bool>("alerts");
        QTest::addColumn<QString>("contactsBefore");
        QTest::addColumn<QStringList>("senders");   // of the notes shown, "address|name"
        QTest::addColumn<QStringList>("calls");     // receipts and balloons
        QTest::addColumn<QString>("contactsAfter"); // as stored
        QTest::addColumn<QStringList>("announced"); // senders a contacts window hears of

        const QString desk2 = "DESK2 (192.168.1.20)";
        const QStringList onceCalls{"192.168.1.20" + kReceipt,
                                    "balloon A new note has been received from DESK2 (192.168.1.20)"};
        QTest::newRow("new sender") << QStringList{From(desk2)} << "" << true << ""
                                    << QStringList{"192.168.1.20|DESK2"} << onceCalls << "192.168.1.20(DESK2)"
                                    << QStringList{"192.168.1.20(DESK2)"};
        const QString desk3 = "DESK3 (192.168.1.30)";
        QTest::newRow("same sender twice")
            << QStringList{From(desk3), From(desk3)} << "" << true << ""
            << QStringList{"192.168.1.30|DESK3", "192.168.1.30|DESK3"}
            << QStringList{"192.168.1.30" + kReceipt,
                           "balloon A new note has been received from DESK3 (192.168.1.30)",
                           "192.168.1.30" + kReceipt,
                           "balloon A new note has been received from DESK3 (192.168.1.30)"}
            << "192.168.1.30(DESK3)" << QStringList{"192.168.1.30(DESK3)"};
        QTest::newRow("known address is a prefix")
            << QStringList{From("DESK4 (192.168.1.40)")} << "" << true << "192.168.1.4(Anna)"
            << QStringList{"192.168.1.40|DESK4"}
            << QStringList{"192.168.1.40" + kReceipt,
                           "balloon A new note has been received from DESK4 (192.168.1.40)"}
            << "192.168.1.4(Anna)|192.168.1.40(DESK4)" << QStringList{"192.168.1.40(DESK4)"};
        QTest::newRow("known address keeps its name")
            << QStringList{From("DESK5 (192.168.1.5)")} << "" << true << "192.168.1.5(Old name)"
            << QStringList{"192.168.1.5|DESK5"}
            << QStringList{"192.168.1.5" + kReceipt,
                           "balloon A new note has been received from DESK5 (192.168.1.5)"}
            << "192.168.1.5(Old name)" << QStringList{};
        QTest::newRow("false still adds")
            << QStringList{From("L (10.0.1.1)")} << "false" << true << "" << QStringList{"10.0.1.1|L"}
            << QStringList{"10.0.1.1" + kReceipt, "balloon A new note has been received from L (10.0.1.1)"}
            << "10.0.1.1(L)" << QStringList{"10.0.1.1(L)"};
        QTest::newRow("False adds nothing")
            << QStringList{From("F (10.0.1.2)")} << "False" << true << "" << QStringList{"10.0.1.2|F"}
            << QStringList{"10.0.1.2" + kReceipt, "balloon A new note has been received from F (10.0.1.2)"}
            << "" << QStringList{};
        QTest::newRow("name that would split the list")
            << QStringList{From("a|b (10.0.1.3)")} << "" << true << "" << QStringList{"10.0.1.3|a|b"}
            << QStringList{"10.0.1.3" + kReceipt, "balloon A new note has been received from a|b (10.0.1.3)"}
            << "" << QStringList{};
        QTest::newRow("name with a line break")
            << QStringList{From("a\r\nb (10.0.1.4)")} << "" << true << "" << QStringList{"10.0.1.4|a\r\nb"}
            << QStringList{"10.0.1.4" + kReceipt,
                           "balloon A new note has been received from a\r\nb (10.0.1.4)"}
            << "" << QStringList{};
        // Shown, it would name "Local User" as its sender: a reply would go
        // into anna's Incoming folder.
        QTest::newRow("name posing as a local user")
            << QStringList{From("x[FROM=Local User|anna (10.0.1.5)")} << "" << true << "" << QStringList{}
            << QStringList{} << "" << QStringList{};
        QStringList flood;
        QStringList floodSenders;
        QStringList floodCalls;
        for (int i = 0; i < 31; ++i) {
            flood << From("flood (10.0.1.6)");
            if (i < 30) {
                floodSenders << "10.0.1.6|flood";
                floodCalls << "10.0.1.6" + kReceipt;
            }
        }
        QTest::newRow("larger than the grip allows")
            << QStringList{From("big (10.0.1.7)", "99999,99999,*,*,,Verdana,12,12648447,0,Hello")} << "False"
            << false << "" << QStringList{"10.0.1.7|big"} << QStringList{"10.0.1.7" + kReceipt} << ""
            << QStringList{};
        QTest::newRow("31 notes from one sender, alerts off")
            << flood << "False" << false << "" << floodSenders << floodCalls << "" << QStringList{};
    }
    void noteIsShownAcknowledgedAndItsSenderKept()
    {
        QFETCH(QStringList, datagrams);
        QFETCH(QString, addSender);
        QFETCH(QString, contactsBefore);
        QFETCH(QStringList, senders);
        QFETCH(bool, alerts);
        ShowIncomingNoteAlert = alerts;
        ContactList = contactsBefore;
        modSettings::WriteSetting(SettingKeys::Contacts, contactsBefore);
        modSettings::WriteSetting(SettingKeys::AddSenderToContacts, addSender);
        QStringList announced;
        connect(
            modReceive::ContactChanges(), &modReceive::ContactEvents::SenderAdded, this,
            [&](const QString &address, const QString &name) { announced << address + "(" + name + ")"; });
        for (const QString &d : datagrams)
            modDatagram::HandleDatagram(d);
        modReceive::ContactChanges()->disconnect(this);
        QStringList shown;
        for (const winNote *note : winNote::AllNotes()) {
            QVERIFY(note->isVisible());
            QCOMPARE(note->Label2->text(), QString("Hello"));
            QVERIFY(note->WidthTwips() <= 9000 && note->HeightTwips() <= 9000);
            shown << note->noteFromIP + "|" + note->noteFromName;
        }
        QCOMPARE(shown, senders);
        QTEST(m_calls, "calls");
        QTEST(modSettings::ReadSetting(SettingKeys::Contacts), "contactsAfter");
        QTEST(announced, "announced");
    }

    // Until the note has its own file, the incoming file is its only copy.
    void incomingFileStaysUntilItsNoteIsSaved_data()
    {
        QTest::addColumn<bool>("saved");
        QTest::newRow("saved") << true;
        QTest::newRow("Active cannot take it") << false;
    }
    void incomingFileStaysUntilItsNoteIsSaved()
    {
        QFETCH(bool, saved);
        if (!saved) {
            QDir(modFiles::ActiveFolder()).removeRecursively();
            WriteBytes(modFiles::ActiveFolder(), "in the way");
        }
        const QString incoming = modFiles::IncomingFolder() + "/1.zln";
        WriteBytes(incoming, ("anna (Local User)" + kNote).toUtf8());
        modReceive::ImportIncomingNotes();
        QCOMPARE(winNote::AllNotes().size(), 1);
        QCOMPARE(winNote::AllNotes().first()->noteFromIP, QString("Local User"));
        QCOMPARE(QFile::exists(incoming), !saved);
    }

    void sizeIsHeldToTheGripLimits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("held");
        QTest::newRow("within") << kNote << kNote;
        QTest::newRow("too large") << "99999,12000.5,*,*,,V,12,0,0,t"
                                   << "9000,9000,*,*,,V,12,0,0,t";
        QTest::newRow("too narrow") << "100,30,*,*,,V,12,0,0,t"
                                    << "100,2550,*,*,,V,12,0,0,t";
        QTest::newRow("not sizes") << "-5,0,*,*,,V,12,0,0,t"
                                   << "-5,0,*,*,,V,12,0,0,t";
        QTest::newRow("a word and a huge number") << "abc,1e30,x"
                                                  << "abc,9000,x";
        QTest::newRow("height alone") << "12000,x"
                                      << "9000,x";
        QTest::newRow("no comma") << "12000"
                                  << "12000";
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
        QTest::newRow("31st within the minute") << "10.0.0.1" << qint64(59999) << false;
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

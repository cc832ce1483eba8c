#include "TestRegistry.h"

#include "core/Globals.h"
#include "messaging/modDatagram.h"

#include <QTest>

// What HandleDatagram did, in the order it did it.
struct Recorded
{
    QStringList sends; // host + " <- " + text
    QStringList balloons;
    QStringList sounds;
    QStringList notes; // name + "|" + address + "|" + text
};

class DatagramTest final : public QObject
{
    Q_OBJECT

    Recorded recorded;

    void Install(const QString &ownAddress)
    {
        recorded = {};
        modDatagram::Surroundings s;
        s.LocalHostName = [] { return QStringLiteral("DESK7"); };
        s.LocalIP = [ownAddress] { return ownAddress; };
        s.Send = [this](const QString &host, const QString &text) { recorded.sends << host + " <- " + text; };
        s.ShowBalloon = [this](const QString &text) { recorded.balloons << text; };
        s.PlaySound = [this](const QString &path) { recorded.sounds << path; };
        s.ReceiveNote = [this](const QString &name, const QString &address, const QString &text) {
            recorded.notes << name + "|" + address + "|" + text;
        };
        modDatagram::SetSurroundings(s);
    }

private slots:
    void init()
    {
        ResetGlobals();
        Install("192.168.1.7");
    }
    void cleanup() { modDatagram::ResetSurroundings(); }

    void headerParse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("parsed");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("rest");
        QTest::newRow("presence") << "!DESK2 (192.168.1.20) ping" << true << "DESK2"
                                  << "192.168.1.20"
                                  << " ping";
        QTest::newRow("no blank before (") << "!bob(10.0.0.5) ping" << true << "bo"
                                           << "10.0.0.5"
                                           << " ping";
        QTest::newRow("blank in name") << "!Front Desk (10.0.0.9) ping" << true << "Front Desk"
                                       << "10.0.0.9"
                                       << " ping";
        QTest::newRow("note ends at header") << "+DESK2 (192.168.1.20)" << true << "DESK2"
                                             << "192.168.1.20"
                                             << "";
        QTest::newRow("later brackets in note") << "+A (1.2.3.4)x (y) z" << true << "A"
                                                << "1.2.3.4"
                                                << "x (y) z";
        QTest::newRow("( first") << "!(1.2.3.4) ping" << true << ""
                                 << "1.2.3.4"
                                 << " ping";
        QTest::newRow(") before (") << "!a) (1.2.3.4) ping" << true << "a)"
                                    << "1.2.3.4"
                                    << " ping";
        QTest::newRow("no (") << "!DESK2 192.168.1.20) ping" << false << ""
                              << ""
                              << "";
        QTest::newRow("no ) after (") << "!DESK2 ) (192.168.1.20 ping" << false << ""
                                      << ""
                                      << "";
        QTest::newRow("empty") << "" << false << ""
                               << ""
                               << "";
    }
    void headerParse()
    {
        QFETCH(QString, text);
        QFETCH(bool, parsed);
        modDatagram::Header header;
        QCOMPARE(modDatagram::ParseHeader(text, &header), parsed);
        if (!parsed)
            return;
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(QString, rest);
        QCOMPARE(header.name, name);
        QCOMPARE(header.address, address);
        QCOMPARE(text.mid(header.closeIndex + 1), rest);
    }

    void ipv4Text_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        for (const char *good : {"192.168.1.20", "0.0.0.0", "255.255.255.255", "127.0.0.3"})
            QTest::newRow(good) << good << true;
        for (const char *bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.", "a.b.c.d", " 1.2.3.4",
                                "1..3.4", "1.2.3.0004", "::1", "-1.2.3.4"})
            QTest::newRow(bad) << bad << false;
    }
    void ipv4Text()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(modDatagram::IsIPv4Address(text), valid);
    }

    void dispatch_data()
    {
        QTest::addColumn<QString>("datagram");
        QTest::addColumn<QStringList>("sends");
        QTest::addColumn<QStringList>("notes");
        QTest::addColumn<QString>("hello");
        QTest::addColumn<QString>("pong");
        const QStringList none;
        QTest::newRow("ping answered to header address")
            << "!DESK2 (192.168.1.20) ping" << QStringList{"192.168.1.20 <- !DESK7 (192.168.1.7) pong"}
            << none << ""
            << "";
        QTest::newRow("ping from own address answered")
            << "!DESK7 (192.168.1.7) ping" << QStringList{"192.168.1.7 <- !DESK7 (192.168.1.7) pong"} << none
            << ""
            << "";
        QTest::newRow("ping without blank before (")
            << "!bob(10.0.0.5) ping" << QStringList{"10.0.0.5 <- !DESK7 (192.168.1.7) pong"} << none << ""
            << "";
        QTest::newRow("helloall answered")
            << "!DESK2 (192.168.1.20) helloall" << QStringList{"192.168.1.20 <- !DESK7 (192.168.1.7) hello"}
            << none << ""
            << "";
        QTest::newRow("own helloall ignored") << "!DESK7 (192.168.1.7) helloall" << none << none << ""
                                              << "";
        QTest::newRow("other host with our address") << "!OTHER (192.168.1.7) helloall" << none << none << ""
                                                     << "";
        QTest::newRow("capital Ping") << "!DESK2 (192.168.1.20) Ping" << none << none << ""
                                      << "";
        QTest::newRow("two blanks") << "!DESK2 (192.168.1.20)  ping" << none << none << ""
                                    << "";
        QTest::newRow("unknown command") << "!DESK2 (192.168.1.20) pingall" << none << none << ""
                                         << "";
        QTest::newRow("ping to empty address") << "!DESK2 () ping" << none << none << ""
                                               << "";
        QTest::newRow("ping to host name") << "!DESK2 (evil.example) ping" << none << none << ""
                                           << "";
        QTest::newRow("ping to broadcast text") << "!DESK2 (1.2.3) ping" << none << none << ""
                                                << "";
        QTest::newRow("ping without )") << "!DESK2 (192.168.1.20 ping" << none << none << ""
                                        << "";
        QTest::newRow("hello without (") << "!DESK2 192.168.1.20) hello" << none << none << ""
                                         << "";
        QTest::newRow("hello stored")
            << "!DESK2 (192.168.1.20) hello" << none << none << "!DESK2 (192.168.1.20) hello"
            << "";
        QTest::newRow("pong stored") << "!DESK2 (192.168.1.20) pong" << none << none << ""
                                     << "!DESK2 (192.168.1.20) pong";
        QTest::newRow("note") << "+DESK2 (192.168.1.20)2880,3255,*,*,,Verdana,12,12648447,0,Hello" << none
                              << QStringList{"DESK2|192.168.1.20|2880,3255,*,*,,Verdana,12,12648447,0,Hello"}
                              << ""
                              << "";
        QTest::newRow("empty note") << "+DESK2 (192.168.1.20)" << none << QStringList{"DESK2|192.168.1.20|"}
                                    << ""
                                    << "";
        QTest::newRow("note with line breaks")
            << "+A (1.2.3.4)x\r\ny" << none << QStringList{"A|1.2.3.4|x\r\ny"} << ""
            << "";
        QTest::newRow("note without )") << "+DESK2 (192.168.1.20" << none << none << ""
                                        << "";
        QTest::newRow("other kind") << "?DESK2 (192.168.1.20) ping" << none << none << ""
                                    << "";
        QTest::newRow("empty") << "" << none << none << ""
                               << "";
    }
    void dispatch()
    {
        QFETCH(QString, datagram);
        modDatagram::HandleDatagram(datagram);
        QTEST(recorded.sends, "sends");
        QTEST(recorded.notes, "notes");
        QTEST(HelloReplies, "hello");
        QTEST(PongReplies, "pong");
        QVERIFY(recorded.balloons.isEmpty());
    }

    void alert_data()
    {
        QTest::addColumn<bool>("alertOn");
        QTest::addColumn<QString>("sound");
        QTest::addColumn<QStringList>("balloons");
        QTest::addColumn<QStringList>("sounds");
        QTest::newRow("alert on, no sound") << true << "" << QStringList{"Backup finished"} << QStringList{};
        QTest::newRow("alert on, sound")
            << true << "/s/in.wav" << QStringList{"Backup finished"} << QStringList{"/s/in.wav"};
        QTest::newRow("alert off, sound still plays")
            << false << "/s/in.wav" << QStringList{} << QStringList{"/s/in.wav"};
        QTest::newRow("alert off, no sound") << false << "" << QStringList{} << QStringList{};
    }
    void alert()
    {
        QFETCH(bool, alertOn);
        QFETCH(QString, sound);
        ShowSentNoteAlert = alertOn;
        EventSounds[1] = sound;
        modDatagram::HandleDatagram("#Backup finished");
        QTEST(recorded.balloons, "balloons");
        QTEST(recorded.sounds, "sounds");
        QVERIFY(recorded.sends.isEmpty());
    }

    void repliesJoinInArrivalOrder()
    {
        modDatagram::HandleDatagram("!A (1.1.1.1) hello");
        modDatagram::HandleDatagram("!B (2.2.2.2) hello");
        QCOMPARE(HelloReplies, QString("!A (1.1.1.1) hello|!B (2.2.2.2) hello"));
    }

    void repliesStayBounded_data()
    {
        QTest::addColumn<int>("entrySize");
        QTest::addColumn<int>("count");
        QTest::newRow("many small") << 20 << 5000;
        QTest::newRow("few large") << 60000 << 20;
    }
    void repliesStayBounded()
    {
        QFETCH(int, entrySize);
        QFETCH(int, count);
        QString last;
        for (int i = 0; i < count; ++i) {
            // The name is padded so the command stays last and exact.
            last =
                QString("!%1 (10.0.0.1) pong").arg(QString("H%1").arg(i).leftJustified(entrySize - 18, 'x'));
            modDatagram::HandleDatagram(last);
        }
        QVERIFY(PongReplies.size() <= modDatagram::MaxReplyChars);
        const QStringList entries = PongReplies.split('|');
        QVERIFY(entries.size() <= modDatagram::MaxReplyEntries);
        QVERIFY(entries.size() > 1);
        QCOMPARE(entries.last(), last);
        for (const QString &entry : entries)
            QVERIFY(entry.endsWith(") pong") && entry.startsWith("!H"));
    }
};

ZETTLOR_TEST_CLASS(DatagramTest)
#include "DatagramTest.moc"

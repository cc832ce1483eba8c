#include "TestRegistry.h"

#include "core/Globals.h"
#include "messaging/modDatagram.h"

#include <QTest>

class DatagramTest final : public QObject
{
    Q_OBJECT

    QStringList calls; // what HandleDatagram did outside itself, in order

private slots:
    void init()
    {
        ResetGlobals();
        calls.clear();
        modDatagram::Surroundings s;
        s.LocalHostName = [] { return QStringLiteral("DESK7"); };
        s.LocalIP = [] { return QStringLiteral("192.168.1.7"); };
        s.KnownBroadcasts = [] { return QStringList{"192.168.1.255"}; };
        s.Send = [this](const QString &host, const QString &text) { calls << host + " <- " + text; };
        s.ReceiveNote = [this](const QString &name, const QString &address, const QString &text) {
            calls << "note " + name + "|" + address + "|" + text;
        };
        s.ShowBalloon = [this](const QString &text) { calls << "balloon " + text; };
        s.PlaySound = [](const QString &) {};
        modDatagram::SetSurroundings(s);
    }
    void cleanup() { modDatagram::ResetSurroundings(); }

    void dispatch_data()
    {
        QTest::addColumn<QString>("datagram");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("ping") << "!DESK2 (10.0.0.2) ping"
                              << QStringList{"10.0.0.2 <- !DESK7 (192.168.1.7) pong"};
        QTest::newRow("note") << "+DESK2 (10.0.0.2)x (y)" << QStringList{"note DESK2|10.0.0.2|x (y)"};
        QTest::newRow("hello") << "!DESK2 (10.0.0.2) hello" << QStringList{"stored !DESK2 (10.0.0.2) hello"};
        QTest::newRow("helloall") << "!DESK2 (10.0.0.2) helloall"
                                  << QStringList{"10.0.0.2 <- !DESK7 (192.168.1.7) hello"};
        QTest::newRow("alert") << "#Backup finished" << QStringList{"balloon Backup finished"};
        QTest::newRow("zero inside a number")
            << "!D (127.31.0.10) ping" << QStringList{"127.31.0.10 <- !DESK7 (192.168.1.7) pong"};
        // Nothing is answered, kept or shown for a broken header...
        const QStringList broken{"!D 10.0.0.2) hello", "!D (10.0.0.2 pong", "+D 10.0.0.2)x", "+x ()",
                                 "!D () ping"};
        // ...or one whose address names no single host or this copy, or an
        // entry holding a "|".
        const QStringList noHost{
            "!D (evil.example) ping",        "!D (256.1.1.1) ping",      "!D ( 1.2.3.4) ping",
            "!D (1.2.3.0004) ping",          "!D (127.31.0.010) ping",   "!D (0.0.0.0) ping",
            "!D (255.255.255.255) helloall", "!D (192.168.1.255) ping",  "+anna (Local User)x",
            "!a|b (10.0.0.2) hello",         "!x (192.168.1.7) helloall"};
        for (const QString &d : broken + noHost)
            QTest::newRow(qPrintable(d)) << d << QStringList{};
    }
    void dispatch()
    {
        QFETCH(QString, datagram);
        modDatagram::HandleDatagram(datagram);
        if (!HelloReplies.isEmpty() || !PongReplies.isEmpty())
            calls << "stored " + HelloReplies + PongReplies;
        QTEST(calls, "calls");
    }

    void alertFollowsItsSetting()
    {
        ShowSentNoteAlert = false;
        modDatagram::HandleDatagram("#Backup finished");
        QCOMPARE(calls, QStringList());
    }

    void repliesStayBounded_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("padding");
        QTest::addColumn<int>("count");
        QTest::newRow("many small hellos") << "hello" << 10 << 5000;
        QTest::newRow("few large pongs") << "pong" << 60000 << 20;
    }
    void repliesStayBounded()
    {
        QFETCH(QString, command);
        QFETCH(int, padding);
        QFETCH(int, count);
        QStringList sent;
        for (int i = 0; i < count; ++i) {
            sent << "!H" + QString::number(i).leftJustified(padding, 'x') + " (10.0.0.1) " + command;
            modDatagram::HandleDatagram(sent.last());
        }
        const QString &replies = command == "hello" ? HelloReplies : PongReplies;
        const QStringList kept = replies.split('|');
        QVERIFY(replies.size() <= modDatagram::MaxReplyChars && kept.size() <= modDatagram::MaxReplyEntries);
        // The oldest go first; the rest stay whole and in order.
        QVERIFY(kept.size() > 1);
        QCOMPARE(kept, sent.mid(sent.size() - kept.size()));
    }
};

ZETTLOR_TEST_CLASS(DatagramTest)
#include "DatagramTest.moc"

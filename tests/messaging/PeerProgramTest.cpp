#include "TestRegistry.h"

#include "ProgramProcess.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QRegularExpression>
#include <QTest>
#include <QUdpSocket>
#include <memory>

namespace {

constexpr quint16 kPort = 21952;
const QString kFirst = QStringLiteral("127.0.0.52");
const QString kSecond = QStringLiteral("127.0.0.53");
const QString kThird = QStringLiteral("127.0.0.54");

// One real zettlor with its own folders, bound to one loopback address.
// Each TestEnvironment swaps this process's environment and puts the one
// before it back, so peers must go in the reverse order they came.
struct Peer
{
    explicit Peer(const QString &address, const QByteArray &settings = {})
        : address(address), program(folders.processEnvironment())
    {
        if (!settings.isEmpty())
            WriteBytes(folders.configHome() + "/Zettlor/Zettlor.conf", settings);
        QProcessEnvironment environment = program.process().processEnvironment();
        environment.insert("QT_LOGGING_RULES", "zettlor.*.info=true");
        environment.insert("ZETTLOR_DIALOG_LOG", folders.root() + "/dialogs.log");
        program.process().setProcessEnvironment(environment);
    }
    bool start()
    {
        return program.start({"--address", address, "--port", QString::number(kPort)}) &&
               ProgramProcess::waitFor([this] { return program.errorOutput().contains("started;"); });
    }
    // The addresses it has sent to so far, in order.
    QStringList sentTo()
    {
        QStringList hosts;
        for (const auto &match :
             QRegularExpression("sent to \"([^\"]*)\"").globalMatch(program.errorOutput()))
            hosts << match.captured(1);
        return hosts;
    }

    QString address;
    TestEnvironment folders;
    ProgramProcess program;
};

QString Presence(const QString &address, const QString &command)
{
    return "!" + QHostInfo::localHostName() + " (" + address + ") " + command;
}

void Row(const char *name, bool toFirst, const QString &datagram, const QString &reply = {},
         const QStringList &sentTo = {}, bool balloon = false)
{
    QTest::newRow(name) << toFirst << datagram << reply << sentTo << balloon;
}

} // namespace

class PeerProgramTest final : public QObject
{
    Q_OBJECT

    std::unique_ptr<Peer> first;
    std::unique_ptr<Peer> second;
    std::unique_ptr<QUdpSocket> third; // stands in for a third copy

    // Sent in Windows-1252, as older copies do.
    void send(const QString &text, const QString &to)
    {
        third->writeDatagram(text.toLatin1(), QHostAddress(to), kPort);
    }
    // The next datagram the third party gets, or "" when none came.
    QString next()
    {
        if (!ProgramProcess::waitFor([this] { return third->hasPendingDatagrams(); }))
            return {};
        return QString::fromUtf8(third->receiveDatagram().data());
    }
    // Pings and waits for the pong: everything sent before it has been handled.
    bool roundTrip(const QString &to)
    {
        send("!third (" + kThird + ") ping", to);
        return next() == Presence(to, "pong");
    }

private slots:
    void init()
    {
        first = std::make_unique<Peer>(kFirst);
        second = std::make_unique<Peer>(kSecond, "[Options]\nDisplaySentNoteAlert=False\n");
        QVERIFY2(first->start(), qPrintable(first->program.errorOutput() +
                                            ReadBytes(first->folders.root() + "/dialogs.log")));
        QVERIFY2(second->start(), qPrintable(second->program.errorOutput()));
        third = std::make_unique<QUdpSocket>();
        QVERIFY(third->bind(QHostAddress(kThird), kPort));
    }
    void cleanup()
    {
        third.reset();
        second.reset();
        first.reset();
    }

    void answers_data()
    {
        QTest::addColumn<bool>("toFirst");
        QTest::addColumn<QString>("datagram");
        QTest::addColumn<QString>("reply"); // what the third party gets back
        QTest::addColumn<QStringList>("sentTo");
        QTest::addColumn<bool>("balloon");
        const QString fromThird = "!third (" + kThird + ") ";
        Row("ping", true, fromThird + "ping", Presence(kFirst, "pong"), {kThird});
        Row("helloall", false, fromThird + "helloall", Presence(kSecond, "hello"), {kThird});
        Row("own helloall", false, Presence(kSecond, "helloall"));
        Row("other name, own address", false, "!x (" + kSecond + ") helloall");
        Row("alert, alerts on", true, "#Backup finished", {}, {}, true);
        Row("alert, alerts off", false, "#Backup finished");
    }
    void answers()
    {
        QFETCH(bool, toFirst);
        QFETCH(QString, datagram);
        QFETCH(QString, reply);
        QFETCH(QStringList, sentTo);
        QFETCH(bool, balloon);
        Peer &peer = toFirst ? *first : *second;
        send(datagram, peer.address);
        if (!reply.isEmpty())
            QCOMPARE(next(), reply);
        QVERIFY(roundTrip(peer.address));
        sentTo << kThird;
        ProgramProcess::waitFor([&] { return peer.sentTo() == sentTo; });
        QCOMPARE(peer.sentTo(), sentTo);
        QCOMPARE(peer.program.errorOutput().contains("alert balloon: \"Backup finished\""), balloon);
    }

    // Sent in Windows-1252, the note keeps its text and names its sender.
    void noteBecomesFileWithSender()
    {
        send("+third (" + kThird + ")2880,3255,*,*,,Verdana,12,12648447,0,Grüße", kSecond);
        QCOMPARE(next(), "#" + QHostInfo::localHostName() + " (" + kSecond + ") has received your message");
        QVERIFY(roundTrip(kSecond));
        const QString active = second->folders.defaultDataFolder() + "/Active/";
        const QStringList names = QDir(active).entryList(QDir::Files);
        QCOMPARE(names.size(), 1);
        QCOMPARE(QString::fromUtf8(ReadBytes(active + names.first())).section(",", 9),
                 "Grüße[FROM=" + kThird + "|third]");
    }

    void busyPortEndsLateCopy()
    {
        Peer late(kFirst);
        QVERIFY(late.program.start({"--address", kFirst, "--port", QString::number(kPort)}));
        QCOMPARE(late.program.waitForExit(), 1);
        const QString log = QString::fromUtf8(ReadBytes(late.folders.root() + "/dialogs.log"));
        QVERIFY2(log.contains("Port 21952 is currently in use by another program.  That\\r\\nprogram must be "
                              "closed before Zettlor can be launched."),
                 qPrintable(log));
        QVERIFY(roundTrip(kFirst));
    }
};

ZETTLOR_TEST_CLASS(PeerProgramTest)
#include "PeerProgramTest.moc"

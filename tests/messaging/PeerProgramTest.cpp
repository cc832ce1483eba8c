#include "TestRegistry.h"

#include "PeerEnvironment.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"
#include "notes/modMisc.h"

#include <QDir>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>
#include <memory>

namespace {

constexpr quint16 kPort = 1978;
const QString kThirdParty = QStringLiteral("127.0.0.4");

// One real zettlor with its own folders, bound to one loopback address.
struct Peer
{
    explicit Peer(const QString &address, const QString &loggingRules = QStringLiteral("zettlor.*.info=true"))
        : address(address), program(folders.processEnvironment(loggingRules))
    {
    }

    bool start(const QStringList &extra = {})
    {
        return program.start(QStringList{"--address", address, "--port", QString::number(kPort)} + extra) &&
               ProgramProcess::waitFor([this] { return program.errorOutput().contains("started;"); });
    }

    QString address;
    PeerEnvironment folders;
    ProgramProcess program;
};

// A plain socket on the third-party address, standing in for another copy.
struct ThirdParty
{
    ThirdParty() { bound = socket.bind(QHostAddress(kThirdParty), kPort); }

    void send(const QString &text, const QString &to)
    {
        socket.writeDatagram(text.toUtf8(), QHostAddress(to), kPort);
    }
    // The next datagram that arrives, or "" when none came.
    QString next()
    {
        if (!ProgramProcess::waitFor([this] { return socket.hasPendingDatagrams(); }))
            return {};
        return QString::fromUtf8(socket.receiveDatagram().data());
    }
    // Pings to and waits for the pong: everything sent before it has been handled.
    bool roundTrip(const QString &to)
    {
        send("!third (" + kThirdParty + ") ping", to);
        return next().endsWith("(" + to + ") pong");
    }

    QUdpSocket socket;
    bool bound = false;
};

QString Presence(const QString &address, const QString &command)
{
    return "!" + QHostInfo::localHostName() + " (" + address + ") " + command;
}

QStringList NoteFiles(const Peer &peer)
{
    return QDir(peer.folders.activeFolder()).entryList(QDir::Files);
}

} // namespace

class PeerProgramTest final : public QObject
{
    Q_OBJECT

    std::unique_ptr<Peer> first;
    std::unique_ptr<Peer> second;

private slots:
    void init()
    {
        first = std::make_unique<Peer>("127.0.0.2");
        second = std::make_unique<Peer>("127.0.0.3");
        QVERIFY2(first->start(), qPrintable(first->program.errorOutput()));
        QVERIFY2(second->start(), qPrintable(second->program.errorOutput()));
    }
    void cleanup()
    {
        first.reset();
        second.reset();
    }

    void pingGetsPongFromHeaderAddress_data()
    {
        QTest::addColumn<QString>("to");
        QTest::newRow("first") << "127.0.0.2";
        QTest::newRow("second") << "127.0.0.3";
    }
    void pingGetsPongFromHeaderAddress()
    {
        QFETCH(QString, to);
        ThirdParty third;
        QVERIFY(third.bound);
        third.send("!third (" + kThirdParty + ") ping", to);
        QCOMPARE(third.next(), Presence(to, "pong"));
    }

    void copiesAnswerEachOther()
    {
        // A ping sent to the first copy in the second's name: the pong goes to the second.
        ThirdParty third;
        QVERIFY(third.bound);
        third.send("!other (127.0.0.3) ping", "127.0.0.2");
        QVERIFY(third.roundTrip("127.0.0.2"));
        QVERIFY(ProgramProcess::waitFor(
            [this] { return first->program.errorOutput().contains(Presence("127.0.0.2", "pong")); }));
        QVERIFY(first->program.errorOutput().contains("sent to \"127.0.0.3\""));
    }

    void helloallGetsHello()
    {
        ThirdParty third;
        QVERIFY(third.bound);
        third.send("!third (" + kThirdParty + ") helloall", "127.0.0.2");
        QCOMPARE(third.next(), Presence("127.0.0.2", "hello"));
        third.send("!third (" + kThirdParty + ") helloall", "127.0.0.3");
        QCOMPARE(third.next(), Presence("127.0.0.3", "hello"));
    }

    void ownHelloallIsNotAnswered_data()
    {
        QTest::addColumn<QString>("header");
        QTest::newRow("own broadcast") << Presence("127.0.0.3", "helloall");
        QTest::newRow("other name, own address") << "!someone (127.0.0.3) helloall";
    }
    void ownHelloallIsNotAnswered()
    {
        QFETCH(QString, header);
        ThirdParty third;
        QVERIFY(third.bound);
        third.send(header, "127.0.0.3");
        QVERIFY(third.roundTrip("127.0.0.3"));
        // The log line of the pong comes after any hello sent before it.
        QVERIFY(
            ProgramProcess::waitFor([this] { return second->program.errorOutput().contains(") pong\""); }));
        QVERIFY(!second->program.errorOutput().contains(") hello\""));
    }

    void alertShowsBalloonOnlyWhenOn_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("shown");
        QTest::newRow("default") << "" << true;
        QTest::newRow("on") << "True" << true;
        QTest::newRow("off") << "False" << false;
    }
    void alertShowsBalloonOnlyWhenOn()
    {
        QFETCH(QString, setting);
        QFETCH(bool, shown);
        Peer peer("127.0.0.5");
        if (!setting.isEmpty())
            peer.folders.writeSetting("Options/DisplaySentNoteAlert", setting);
        QVERIFY(peer.start());
        ThirdParty third;
        QVERIFY(third.bound);
        third.send("#Backup finished", "127.0.0.5");
        QVERIFY(third.roundTrip("127.0.0.5"));
        QVERIFY(ProgramProcess::waitFor([&] { return peer.program.errorOutput().contains(") pong\""); }));
        QCOMPARE(peer.program.errorOutput().contains("alert balloon: \"Backup finished\""), shown);
    }

    void noteBecomesFileInActive()
    {
        {
            TestEnvironment probe;
            if (!modMisc::LoadNote({}, {}, "2880,3255,*,*,,Verdana,12,12648447,0,probe"))
                QSKIP("note windows are not in this build yet");
        }
        ThirdParty third;
        QVERIFY(third.bound);
        const QStringList before = NoteFiles(*second);
        third.send("+third (" + kThirdParty + ")2880,3255,*,*,,Verdana,12,12648447,0,Hello", "127.0.0.3");
        QVERIFY(ProgramProcess::waitFor([&] { return NoteFiles(*second).size() > before.size(); }));
        QStringList added = NoteFiles(*second);
        for (const QString &name : before)
            added.removeAll(name);
        QCOMPARE(added.size(), 1);
        const QByteArray content = ReadBytes(second->folders.activeFolder() + "/" + added.first());
        QVERIFY2(content.endsWith("Hello[FROM=" + kThirdParty.toUtf8() + "|third]"), content.constData());
    }

    void busyPortEndsSecondCopy()
    {
        Peer late("127.0.0.2", "zettlor.core.info=true");
        QVERIFY(late.program.start({"--address", "127.0.0.2", "--port", QString::number(kPort)}));
        QCOMPARE(late.program.waitForExit(), 1);
        const QString log = QString::fromUtf8(ReadBytes(late.folders.dialogLog()));
        QVERIFY2(log.contains("Port 1978 is currently in use by another program.  That\\r\\nprogram must be "
                              "closed before Zettlor can be launched."),
                 qPrintable(log));
        ThirdParty third;
        QVERIFY(third.bound);
        QVERIFY(third.roundTrip("127.0.0.2"));
    }
};

ZETTLOR_TEST_CLASS(PeerProgramTest)
#include "PeerProgramTest.moc"

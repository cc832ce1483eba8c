#include "TestRegistry.h"

#include "ProgramProcess.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QHostInfo>
#include <QNetworkDatagram>
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
    explicit Peer(const QString &address) : address(address), program(folders.processEnvironment())
    {
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

    QString address;
    TestEnvironment folders;
    ProgramProcess program;
};

QString Presence(const QString &address, const QString &command)
{
    return "!" + QHostInfo::localHostName() + " (" + address + ") " + command;
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
        second = std::make_unique<Peer>(kSecond);
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

// Ping/pong round trips per second, and for notes the time from the send until
// the receipt comes back and until the note file exists, on loopback, against
// two real zettlor copies on 127.0.0.6 and 127.0.0.7.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr quint16 kPort = 41978;
const QString kBench = QStringLiteral("127.0.0.8");

struct Copy
{
    explicit Copy(const QString &address) : address(address)
    {
        const QString root = folder.path();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", root + "/home");
        environment.insert("XDG_CONFIG_HOME", root + "/home/.config");
        environment.insert("XDG_DATA_HOME", root + "/home/.local/share");
        environment.insert("XDG_RUNTIME_DIR", root + "/run");
        environment.insert("TMPDIR", root + "/tmp");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("ZETTLOR_DIALOG_LOG", root + "/dialogs.log");
        environment.insert("QT_LOGGING_RULES", "zettlor.core.info=true");
        for (const char *sub : {"/home", "/run", "/tmp"})
            QDir().mkpath(root + sub);
        QFile::setPermissions(root + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        process.setProcessEnvironment(environment);
        process.start(ZETTLOR_EXECUTABLE, {"--address", address, "--port", QString::number(kPort)});
    }
    ~Copy()
    {
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(2000);
    }
    bool waitStarted()
    {
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            process.waitForReadyRead(100);
            log += process.readAllStandardError();
            if (log.contains("started;"))
                return true;
        }
        return false;
    }
    QString activeFolder() const { return folder.path() + "/home/.local/share/Zettlor/Active"; }

    QString address;
    QTemporaryDir folder;
    QProcess process;
    QByteArray log;
};

QByteArray Ping()
{
    return ("!bench (" + kBench + ") ping").toUtf8();
}

double PingsPerSecond(QUdpSocket &socket, const std::vector<Copy *> &copies)
{
    constexpr int kWindow = 32;
    constexpr qint64 kMilliseconds = 3000;
    int outstanding = 0;
    qint64 answered = 0;
    size_t next = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kMilliseconds) {
        while (outstanding < kWindow) {
            socket.writeDatagram(Ping(), QHostAddress(copies[next++ % copies.size()]->address), kPort);
            ++outstanding;
        }
        if (!socket.waitForReadyRead(200)) {
            outstanding = 0; // a lost datagram: start a fresh window
            continue;
        }
        while (socket.hasPendingDatagrams()) {
            if (socket.receiveDatagram().data().endsWith(") pong"))
                ++answered;
            --outstanding;
        }
    }
    return answered * 1000.0 / clock.elapsed();
}

struct Delivery
{
    double receiptMs = -1; // until the receipt arrived
    double fileMs = -1;    // until the note file existed
};

// One note from the bench to receiver; -1 for what did not happen within 2 s.
Delivery DeliverNote(QUdpSocket &socket, Copy &receiver, int index)
{
    while (socket.hasPendingDatagrams())
        socket.receiveDatagram();
    const qsizetype before = QDir(receiver.activeFolder()).entryList(QDir::Files).size();
    const QByteArray note =
        ("+bench (" + kBench + ")2880,3255,*,*,,Verdana,12,12648447,0,note " + QString::number(index))
            .toUtf8();
    Delivery delivery;
    QElapsedTimer clock;
    clock.start();
    socket.writeDatagram(note, QHostAddress(receiver.address), kPort);
    while (clock.elapsed() < 2000 && (delivery.receiptMs < 0 || delivery.fileMs < 0)) {
        if (delivery.receiptMs < 0 && (socket.hasPendingDatagrams() || socket.waitForReadyRead(1)) &&
            socket.receiveDatagram().data().endsWith(") has received your message"))
            delivery.receiptMs = clock.nsecsElapsed() / 1e6;
        if (delivery.fileMs < 0 && QDir(receiver.activeFolder()).entryList(QDir::Files).size() > before)
            delivery.fileMs = clock.nsecsElapsed() / 1e6;
    }
    return delivery;
}

void PrintMedian(const char *what, std::vector<double> times)
{
    if (times.empty()) {
        std::printf("%s: none arrived\n", what);
        return;
    }
    std::sort(times.begin(), times.end());
    std::printf("%s: median %.2f ms over %zu notes (max %.2f ms)\n", what, times[times.size() / 2],
                times.size(), times.back());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Copy first(QStringLiteral("127.0.0.6"));
    Copy second(QStringLiteral("127.0.0.7"));
    if (!first.waitStarted() || !second.waitStarted()) {
        std::printf("copies did not start\n");
        return 1;
    }
    QUdpSocket socket;
    if (!socket.bind(QHostAddress(kBench), kPort)) {
        std::printf("cannot bind %s:%d\n", qPrintable(kBench), kPort);
        return 1;
    }
    std::printf("ping/pong round trips per second (32 in flight, two copies): %.0f\n",
                PingsPerSecond(socket, {&first, &second}));

    // A receiver shows at most 30 notes from one sender a minute.
    std::vector<double> receipts;
    std::vector<double> files;
    for (int i = 0; i < 30; ++i) {
        const Delivery delivery = DeliverNote(socket, second, i);
        if (delivery.receiptMs >= 0)
            receipts.push_back(delivery.receiptMs);
        if (delivery.fileMs >= 0)
            files.push_back(delivery.fileMs);
    }
    PrintMedian("note sent until its receipt is back (round trip)", receipts);
    PrintMedian("note sent until its file exists in Active", files);
    return 0;
}

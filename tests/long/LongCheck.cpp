// The long reliability check: hard kills during saves against the real
// zettlor. It runs for many minutes, so it is not part of the CTest suite; scripts/test --long runs it.
// It is a QtTest program so that it shares the tests' private display,
// program process and folders, and reads note files with the program's parser.

#include "DesktopActions.h"
#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"

#include "notes/modNoteText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>
#include <QUdpSocket>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <ranges>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kKills = 200;
constexpr int kNotes = 10;
const QSize kNoteSize(217, 192);
const QPoint kGrip(60, 24); // a drag takes hold on the text, clear of the resize grip
const QPoint kArrival(600, 560);

// Note i: 217 x 192 pixels, a text of two lines with a comma, resting at
// Home(i) (five columns, two rows, with room to move around).
QByteArray NoteBytes(const QString &text, QPoint at)
{
    const QString fields = "2880,3255,%1,%2,,Verdana,10,12648447,0,";
    return (fields.arg(at.x() * 15).arg(at.y() * 15) + text).toUtf8();
}
QString NoteText(int i)
{
    return QString("Note %1, to keep\r\nwhatever happens").arg(i);
}
QPoint Home(int i)
{
    return QPoint(40 + (i % 5) * 250, 40 + (i / 5) * 260);
}
QString NoteFile(const QString &active, int i)
{
    return active + QString("/%1.zln").arg(i, 2, 10, QChar('0'));
}

// At most 30 notes a minute are shown from one sender, so they come from ten in turn.
QString Sender(int n)
{
    return QString("127.0.0.%1").arg(200 + n % 10);
}
QByteArray ReceivedNote(int n) // as its file holds it
{
    return NoteBytes("From " + Sender(n), kArrival) + "[FROM=" + Sender(n).toLatin1() + "|Sender]";
}
void SendNote(QUdpSocket &socket, int n, quint16 port)
{
    socket.writeDatagram("+Sender (" + Sender(n).toLatin1() + ")" + NoteBytes("From " + Sender(n), kArrival),
                         QHostAddress("127.0.0.190"), port);
}

// Temporary files of saves: every file in folder that is not a note.
qsizetype StrayFiles(const QString &folder)
{
    QStringList strays = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    strays.removeIf([](const QString &name) { return name.endsWith(".zln"); });
    if (!strays.isEmpty())
        qWarning() << "strays:" << strays;
    return strays.size();
}

bool WaitForNotes(const PrivateDisplay &display, ProgramProcess &program, int count)
{
    return ProgramProcess::waitFor([&] {
        const QList<QRect> windows = display.windowsOf(program.process().processId()).values();
        return std::count_if(windows.cbegin(), windows.cend(),
                             [](QRect w) { return w.size() == kNoteSize; }) >= count;
    });
}

struct Figures
{
    int kills = 0, killsAtASave = 0, movesSaved = 0, received = 0, checked = 0;
    int torn = 0, lost = 0, unparseable = 0, straysLeft = 0, strays = 0;
};

// Checks what a start found in the folder: every note there and whole, a
// received note whole (then it goes, so that the folder does not grow), no
// stray. where takes the positions on disk, where the notes now show.
void CheckFolder(const QString &active, QList<QPoint> &where, Figures &f)
{
    f.strays += int(StrayFiles(active));
    QStringList received = QDir(active).entryList({"*.zln"}, QDir::Files | QDir::Hidden);
    for (int i = 0; i < kNotes; ++i) {
        const QString file = NoteFile(active, i);
        received.removeAll(file.section('/', -1));
        const QByteArray bytes = ReadBytes(file);
        const modNoteText::NoteRecord r = modNoteText::ParseNoteText(QString::fromUtf8(bytes));
        f.checked += !bytes.isEmpty();
        if (bytes.isEmpty()) {
            ++f.lost;
        } else if (!(r.height && r.width && r.left && r.top && r.fontName && r.fontSize && r.backColour &&
                     r.textColour)) {
            ++f.unparseable;
        } else if (const QPoint at(qRound(*r.left / 15), qRound(*r.top / 15));
                   bytes != NoteBytes(NoteText(i), at)) {
            ++f.torn;
        } else {
            f.movesSaved += at != where[i];
            where[i] = at;
            continue;
        }
        qWarning() << "lost, unparseable or torn:" << file << bytes;
    }
    for (const QString &name : received) {
        const QByteArray bytes = ReadBytes(active + "/" + name);
        ++f.received;
        ++f.checked;
        if (!std::ranges::any_of(std::views::iota(0, 10), [&](int n) { return bytes == ReceivedNote(n); })) {
            qWarning() << "torn:" << name << bytes;
            ++f.torn;
        }
        QFile::remove(active + "/" + name);
    }
}

// True as soon as a save makes its temporary file in folder, before it is
// renamed over the note; false after 2 s without one.
bool WaitForTemporaryFile(const QString &folder)
{
    const int watch = inotify_init1(IN_CLOEXEC);
    inotify_add_watch(watch, QFile::encodeName(folder).constData(), IN_CREATE);
    alignas(inotify_event) char events[4096];
    pollfd ready{watch, POLLIN, 0};
    QElapsedTimer clock;
    clock.start();
    bool made = false;
    while (!made && clock.elapsed() < 2000 && poll(&ready, 1, 100) > 0) {
        const ssize_t length = read(watch, events, sizeof events);
        for (ssize_t at = 0; at < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(events + at);
            made = made || (event->len > 0 && !QByteArray(event->name).endsWith(".zln"));
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    close(watch);
    return made;
}

// Drags the notes in turn near their homes, so that a save falls due every
// drag from 2 s after the first on, while notes arrive and are saved 40 times
// a second; then kills the program among those saves: every other time at a
// random moment, else the moment a save has made its temporary file.
void DragUntilKilled(const PrivateDisplay &display, ProgramProcess &program, const QString &active,
                     QList<QPoint> where, Figures &f)
{
    const std::jthread arrivals([](std::stop_token stop) {
        QUdpSocket socket;
        for (int n = 0; !stop.stop_requested(); ++n) {
            SendNote(socket, n, 23900);
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    });
    QRandomGenerator &random = *QRandomGenerator::global();
    const qint64 killAt = 2450 + random.bounded(1500);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; clock.elapsed() + 450 < killAt; i = (i + 1) % kNotes) {
        const QPoint target = Home(i) + QPoint(random.bounded(-20, 21), random.bounded(-20, 21));
        if (!Drag(display, where[i] + kGrip, target - where[i]))
            break;
        where[i] = target;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max<qint64>(0, killAt - clock.elapsed())));
    if (f.kills % 2 == 1)
        f.killsAtASave += WaitForTemporaryFile(active);
    ::kill(pid_t(program.process().processId()), SIGKILL);
    ++f.kills;
    program.waitForExit();
}

} // namespace

class LongCheck final : public QObject
{
    Q_OBJECT

    PrivateDisplay display{PrivateDisplay::Tray::None};

private slots:
    void initTestCase()
    {
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
    }

    void hardKillsDuringSavesLoseNoNote()
    {
        TestEnvironment environment;
        const QString active = environment.defaultDataFolder() + "/Active";
        QList<QPoint> where;
        for (int i = 0; i < kNotes; ++i) {
            where << Home(i);
            WriteBytes(NoteFile(active, i), NoteBytes(NoteText(i), Home(i)));
        }
        Figures f;
        for (;;) {
            f.straysLeft += int(StrayFiles(active));
            ProgramProcess program(ProgramEnvironment(environment, display));
            QVERIFY2(program.startUp({"--address", "127.0.0.190", "--port", "23900"}),
                     qPrintable(program.errorOutput()));
            CheckFolder(active, where, f);
            if (f.kills == kKills)
                break;
            QVERIFY(WaitForNotes(display, program, kNotes));
            DragUntilKilled(display, program, active, where, f);
        }
        std::printf("hard kills during saves: kills %d (%d the moment a save's temporary file "
                    "appeared), moves found saved %d, notes received %d, notes checked %d, torn %d, "
                    "lost %d, unparseable %d, strays left by kills %d, after the next start %d\n",
                    f.kills, f.killsAtASave, f.movesSaved, f.received, f.checked, f.torn, f.lost,
                    f.unparseable, f.straysLeft, f.strays);
        QCOMPARE(f.torn + f.lost + f.unparseable + f.strays, 0);
    }
};

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    // The kills run far longer than QtTest's watchdog allows one function.
    qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number(4 * 3600 * 1000));
    LongCheck check;
    return QTest::qExec(&check, argc, argv) == 0 ? 0 : 1;
}

#include "LongCheck.moc"

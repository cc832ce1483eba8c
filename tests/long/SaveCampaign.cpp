#include "LongCheck.h"

#include "DesktopActions.h"
#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"

#include "notes/modNoteText.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QTest>
#include <QUdpSocket>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kKills = 200;
constexpr int kNotes = 10;
// Notes from another computer arrive below the notes the checks move.
const QPoint kArrival(600, 560);

// The program shows at most 30 notes a minute from one sender, so the
// stream of received notes comes from ten senders in turn.
QString Sender(int note)
{
    return QString("127.0.0.%1").arg(200 + note % 10);
}

QByteArray NoteDatagram(const QString &text, const QString &sender)
{
    return "+Sender (" + sender.toLatin1() + ")" + NoteBytes(text, kArrival);
}

// A received note as its file holds it.
QByteArray ReceivedNoteBytes(const QString &text, const QString &sender)
{
    return NoteBytes(text, kArrival) + "[FROM=" + sender.toLatin1() + "|Sender]";
}

// Sends received notes to the program, one every 25 ms until the thread is
// stopped; each is saved at once when it arrives, so saves follow closely.
std::jthread SendNotes(const QString &address, quint16 port, int round)
{
    return std::jthread([=](std::stop_token stop) {
        QUdpSocket socket;
        for (int n = 0; !stop.stop_requested(); ++n) {
            const QString text = QString("Received %1.%2").arg(round).arg(n);
            socket.writeDatagram(NoteDatagram(text, Sender(n)), QHostAddress(address), port);
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    });
}

// The names of files in folder that are not notes (temporary files of saves).
QStringList StrayFiles(const QString &folder)
{
    QStringList strays = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    strays.removeIf([](const QString &name) { return name.endsWith(".zln"); });
    return strays;
}

struct KillFigures
{
    int kills = 0;
    int killsAtASave = 0; // the moment a save's temporary file appeared
    int movesSaved = 0;   // notes found on disk where a drag had taken them
    int received = 0;     // notes that arrived during the drags
    int checked = 0;
    int torn = 0;
    int lost = 0;
    int unparseable = 0;
    int straysLeft = 0; // temporary files a kill left for the next start
    int strays = 0;     // temporary files the next start left
};

// Counts one note file: unparseable unless every field is there, else whole
// when isWhole(bytes, text, position in pixels) holds, else torn.
using WholeTest = std::function<bool(const QByteArray &, const QString &, QPoint)>;
bool Tally(KillFigures &figures, const QString &file, const WholeTest &isWhole)
{
    const QByteArray bytes = ReadBytes(file);
    const modNoteText::NoteRecord r = modNoteText::ParseNoteText(QString::fromUtf8(bytes));
    ++figures.checked;
    if (!(r.height && r.width && r.left && r.top && r.fontName && r.fontSize && r.backColour &&
          r.textColour)) {
        qWarning() << "unparseable:" << file << bytes;
        ++figures.unparseable;
        return false;
    }
    if (!isWhole(bytes, r.text, QPoint(qRound(*r.left / 15), qRound(*r.top / 15)))) {
        qWarning() << "torn:" << file << bytes;
        ++figures.torn;
        return false;
    }
    return true;
}

// The ten notes as the campaign moved them: where each file put its note at
// the last start, and every position the file may hold (that one and every
// step of the drags since).
struct MovedNotes
{
    QList<QPoint> onDisk;
    QList<QSet<QPoint>> allowed;
};

// Counts what the last start found in the folder and takes the positions on
// disk as the new starting point.
void InspectFolder(const QString &active, MovedNotes &notes, KillFigures &figures)
{
    const QStringList strays = StrayFiles(active);
    if (!strays.isEmpty())
        qWarning() << "strays after a start:" << strays;
    figures.strays += int(strays.size());
    QStringList others = QDir(active).entryList({"*.zln"}, QDir::Files | QDir::Hidden);
    for (int i = 0; i < kNotes; ++i) {
        const QString file = NoteFile(active, i);
        others.removeAll(QFileInfo(file).fileName());
        if (!QFileInfo::exists(file)) {
            qWarning() << "lost:" << file;
            ++figures.lost;
            continue;
        }
        QPoint at;
        const auto isWhole = [&](const QByteArray &bytes, const QString &, QPoint position) {
            at = position;
            return notes.allowed[i].contains(at) && bytes == NoteBytes(NoteText(i), at);
        };
        if (Tally(figures, file, isWhole)) {
            figures.movesSaved += at != notes.onDisk[i];
            notes.onDisk[i] = at;
            notes.allowed[i] = {at};
        }
    }
    // The others arrived during the drags. Each must be whole; then it goes,
    // so that the folder does not grow from round to round.
    static const QRegularExpression receivedText("^Received \\d+\\.(\\d+)$");
    for (const QString &name : others) {
        const QString file = active + "/" + name;
        ++figures.received;
        Tally(figures, file, [](const QByteArray &bytes, const QString &text, QPoint) {
            const QRegularExpressionMatch match = receivedText.match(text);
            return match.hasMatch() && bytes == ReceivedNoteBytes(text, Sender(match.captured(1).toInt()));
        });
        QFile::remove(file);
    }
}

// Returns as soon as a save makes its temporary file in folder, before it
// is renamed over the note; false after 2 s without one.
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

// Drags the notes in turn, each near its home, so that a save falls due
// every drag from 2 s after the first on, while notes arrive and are saved
// 40 times a second, and kills the program among those saves: every other
// time at a random moment, else the moment a save has made its temporary
// file (a named one appears just before the rename).
void DragUntilKilled(const PrivateDisplay &display, ProgramProcess &program, const QString &active,
                     MovedNotes &notes, KillFigures &figures)
{
    const std::jthread arrivals = SendNotes("127.0.0.190", 23900, figures.kills);
    QList<QPoint> current = notes.onDisk;
    QRandomGenerator &random = *QRandomGenerator::global();
    constexpr int kDragMs = 450;
    const qint64 killAt = 2450 + random.bounded(1500);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; clock.elapsed() + kDragMs < killAt; i = (i + 1) % kNotes) {
        const QPoint target = Home(i) + QPoint(random.bounded(-20, 21), random.bounded(-20, 21));
        const QPoint by = target - current[i];
        if (!Drag(display, current[i] + kGrip, by))
            break;
        for (int step = 1; step <= 6; ++step)
            notes.allowed[i] << current[i] + QPoint(by.x() * step / 6, by.y() * step / 6);
        current[i] = target;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max<qint64>(0, killAt - clock.elapsed())));
    if (figures.kills % 2 == 1)
        figures.killsAtASave += WaitForTemporaryFile(active);
    ::kill(pid_t(program.process().processId()), SIGKILL);
    ++figures.kills;
    program.waitForExit();
}

// Writes until the disk takes no more.
bool FillDisk(const QString &path)
{
    QFile filler(path);
    const QByteArray block(4096, 'x');
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    while (filler.write(block) == block.size()) {
    }
    return filler.size() > 0;
}

// What must not change about a file: a link's target, a file's mode, time
// and bytes.
QString Snapshot(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return "link to " + info.symLinkTarget();
    return QString::number(info.permissions(), 16) + info.lastModified().toString(Qt::ISODateWithMs) +
           ReadBytes(path).toHex();
}

const char *YesNo(bool yes)
{
    return yes ? "yes" : "NO";
}

} // namespace

class SaveCampaign final : public QObject
{
    Q_OBJECT

private slots:
    void hardKillsDuringSavesLoseNoNote()
    {
        TestEnvironment environment;
        PrivateDisplay display(PrivateDisplay::Tray::None);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
        const QString active = environment.defaultDataFolder() + "/Active";
        MovedNotes notes;
        for (int i = 0; i < kNotes; ++i) {
            notes.onDisk << Home(i);
            notes.allowed << QSet<QPoint>{Home(i)};
            WriteBytes(NoteFile(active, i), NoteBytes(NoteText(i), Home(i)));
        }
        KillFigures figures;
        for (;;) {
            figures.straysLeft += int(StrayFiles(active).size());
            ProgramProcess program(ReportingEnvironment(environment, display));
            QVERIFY2(StartProgram(program, {"--address", "127.0.0.190", "--port", "23900"}),
                     qPrintable(program.errorOutput()));
            InspectFolder(active, notes, figures);
            if (figures.kills == kKills)
                break;
            QVERIFY(WaitForNotes(display, program, kNotes));
            DragUntilKilled(display, program, active, notes, figures);
        }
        const KillFigures &f = figures;
        ReportFigures(QString::asprintf("hard kills during saves: kills %d (%d of them the moment a save's "
                                        "temporary file appeared), moves "
                                        "found saved %d, notes received %d, notes checked %d, torn %d, lost "
                                        "%d, unparseable %d, strays left "
                                        "by kills %d, after the next start %d",
                                        f.kills, f.killsAtASave, f.movesSaved, f.received, f.checked, f.torn,
                                        f.lost, f.unparseable, f.straysLeft, f.strays));
        QCOMPARE(figures.torn + figures.lost + figures.unparseable + figures.strays, 0);
    }

    // A note received and a note moved while the disk is full are both on it
    // once space returns and the program is told to end.
    void fullDiskKeepsNotesUntilSpaceReturns()
    {
        if (!Conditions.mountProblem.isEmpty())
            QSKIP(qPrintable("disk full not checked: " + Conditions.mountProblem));
        TestEnvironment environment;
        PrivateDisplay display(PrivateDisplay::Tray::None);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
        const QString disk = environment.root() + "/small disk";
        QDir().mkpath(disk);
        const QByteArray diskPath = QFile::encodeName(disk);
        if (mount("tmpfs", diskPath.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k") != 0)
            QSKIP(qPrintable(QString("disk full not checked: no tmpfs: ") + std::strerror(errno)));
        const auto unmount = qScopeGuard([&] { umount2(diskPath.constData(), MNT_DETACH); });
        const QString active = disk + "/Active";
        const QPoint home(100, 100), by(40, 30);
        WriteBytes(NoteFile(active, 1), NoteBytes(NoteText(1), home));

        ProgramProcess program(ReportingEnvironment(environment, display));
        QVERIFY(StartProgram(program, {"--address", "127.0.0.191", "--port", "23901", disk}));
        QVERIFY(WaitForNotes(display, program, 1));
        QVERIFY(FillDisk(disk + "/filler"));
        const QString received = "Received while the disk was full";
        QUdpSocket().writeDatagram(NoteDatagram(received, Sender(0)), QHostAddress("127.0.0.191"), 23901);
        const auto failures = [&] { return program.errorOutput().count("note file not written"); };
        QVERIFY(ProgramProcess::waitFor([&] { return failures() >= 1; }));
        const bool balloonNamesFolder =
            WaitForWindow(display, program, [](QRect w) { return w.width() == 280; }).isValid() &&
            program.errorOutput().contains("could not be saved in the folder " + active + ".") &&
            !program.errorOutput().contains("no icon for the balloon");
        QVERIFY(Drag(display, home + kGrip, by));
        QVERIFY(ProgramProcess::waitFor([&] { return failures() >= 2; }));
        QFile::remove(disk + "/filler");
        program.stop();
        const int status = program.waitForExit();

        const QStringList names = QDir(active).entryList({"*.zln"}, QDir::Files);
        const bool receivedKept = std::any_of(names.cbegin(), names.cend(), [&](const QString &name) {
            return ReadBytes(active + "/" + name) == ReceivedNoteBytes(received, Sender(0));
        });
        const bool movedKept = ReadBytes(NoteFile(active, 1)) == NoteBytes(NoteText(1), home + by);
        const qsizetype strays = StrayFiles(active).size();
        ReportFigures(QString::asprintf("disk full: received note on disk %s, moved note on disk %s, balloon "
                                        "names the folder %s, exit status %d, strays %d",
                                        YesNo(receivedKept), YesNo(movedKept), YesNo(balloonNamesFolder),
                                        status, int(strays)));
        QVERIFY2(balloonNamesFolder, qPrintable(program.errorOutput()));
        QVERIFY(receivedKept && movedKept);
        QCOMPARE(status, 0);
        QCOMPARE(strays, 0);
    }

    void badFilesAreLeftAlone_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"link to a device", "link to a FIFO", "unreadable note",
                                 "unreadable Settings.ini", "link to a writable file"})
            QTest::newRow(kind) << QString(kind);
    }
    // Nothing hangs at start-up, and while the program saves the notes it
    // shows, the bad file stays as it was (a link's target included).
    void badFilesAreLeftAlone()
    {
        QFETCH(QString, kind);
        if (kind.startsWith("unreadable") && !Conditions.modeBitsApply)
            QSKIP("the program would run with root's power to read any file");
        TestEnvironment environment;
        PrivateDisplay display(PrivateDisplay::Tray::None);
        if (!display.problem().isEmpty())
            QSKIP(qPrintable("needs a private X display: " + display.problem()));
        // Portable mode: the settings file and the notes beside the executable.
        const bool portable = kind == "unreadable Settings.ini";
        const QString executable = portable ? environment.programFolder() + "/zettlor" : ProgramPath();
        if (portable)
            QVERIFY(QFile::copy(ProgramPath(), executable));
        const QString active =
            (portable ? environment.programFolder() : environment.defaultDataFolder()) + "/Active";
        WriteBytes(NoteFile(active, 1), NoteBytes(NoteText(1), Home(0)));
        const QString badNote = active + "/bad.zln", fifo = environment.root() + "/fifo";
        QString guarded = badNote;
        if (kind == "link to a device")
            QFile::link("/dev/zero", badNote);
        if (kind == "link to a FIFO") {
            QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
            QFile::link(fifo, badNote);
        }
        if (kind == "unreadable note")
            WriteBytes(badNote, NoteBytes(NoteText(2), Home(1)));
        if (portable) {
            guarded = environment.programFolder() + "/Settings.ini";
            WriteBytes(guarded, "[Settings]\r\nCONTACTS=127.0.0.5(Ann)\r\n[Options]\r\n"
                                "SINGLECLICKACTION=Hide All Notes\r\n");
        }
        if (kind.startsWith("unreadable"))
            QFile::setPermissions(guarded, QFile::WriteOwner);
        const bool linkedNote = kind == "link to a writable file";
        if (linkedNote) {
            guarded = environment.root() + "/accounts.csv";
            WriteBytes(guarded, NoteBytes(NoteText(2), Home(1)));
            QFile::link(guarded, badNote);
        }
        const QString before = Snapshot(guarded);

        ProgramProcess program(ReportingEnvironment(environment, display));
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(StartProgram(program, {"--address", "127.0.0.192", "--port", "23902"}, executable),
                 "start-up hung or failed");
        const qint64 startMs = clock.elapsed();
        QVERIFY(WaitForNotes(display, program, linkedNote ? 2 : 1));
        // Saves of the notes shown: the good one, and the linked one in place of its link.
        const QPoint by(30, 20);
        QVERIFY(Drag(display, Home(0) + kGrip, by));
        if (linkedNote)
            QVERIFY(Drag(display, Home(1) + kGrip, by));
        QVERIFY(ProgramProcess::waitFor(
            [&] { return ReadBytes(NoteFile(active, 1)) == NoteBytes(NoteText(1), Home(0) + by); }));
        program.stop();
        const int status = program.waitForExit();

        const bool untouched = Snapshot(guarded) == before;
        ReportFigures(QString::asprintf("bad file, %s: started in %lld ms, exit status %d, left untouched %s",
                                        qPrintable(kind), startMs, status, YesNo(untouched)));
        QCOMPARE(status, 0);
        QVERIFY(untouched);
        if (linkedNote) {
            QVERIFY(!QFileInfo(badNote).isSymLink());
            QCOMPARE(ReadBytes(badNote), NoteBytes(NoteText(2), Home(1) + by));
        }
    }
};

QObject *NewSaveCampaign()
{
    return new SaveCampaign;
}

#include "SaveCampaign.moc"

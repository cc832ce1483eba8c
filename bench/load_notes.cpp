// Start-up cost of many notes. Without options it starts the real program on
// the X display in DISPLAY (Xvfb, no window manager) with 100, 1,000 and 5,000
// generated notes, and Xpad with the same notes when it is installed, in
// alternating runs, and prints the medians of start to all windows mapped,
// start to the last drawing, peak memory, SIGTERM to exit and SIGTERM until
// the X server has removed the windows; then the idle
// cost of 100 notes over 30 s.
//
//   bench_load_notes [--runs N] [--address A] [--port P] [--program ZETTLOR]   the table above
//   bench_load_notes --notes N     N notes loaded in this process (any Qt platform)
//   bench_load_notes --steps N     the same, each loading step timed apart
//   bench_load_notes --labels N    the same files as plain labels, to compare
//   ... --text-kb K                with --notes, --steps, --labels or --home: every
//                                  note's text at least K KB long
//   bench_load_notes --home N DIR  lays out DIR as a home folder with N notes for each
//                                  program, for runs by hand (profilers, screenshots)
#include "core/Globals.h"
#include "core/modFiles.h"
#include "notes/modMisc.h"
#include "notes/modNoteText.h"
#include "notes/winNote.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QScreen>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <functional>
#include <poll.h>
#include <vector>
#include <xcb/damage.h>
#include <xcb/xcb.h>

namespace {

constexpr int kDefaultRuns = 5;
const int kSizes[] = {100, 1000, 5000};
// Xpad needs minutes for more notes than this.
constexpr int kLargestXpadSize = 1000;
constexpr int kIdleNotes = 100;
constexpr int kIdleSeconds = 30;
// Qt's font and pixmap caches tidy up a few times in the first half minute
// after painting; the idle count starts after that.
constexpr int kIdleSettleSeconds = 35;
// No drawing for this long after the last window was mapped, and the program
// and the X server idle meanwhile: all is painted. Either may still be working
// through the windows without drawing for longer than that.
constexpr qint64 kQuietNs = 1500 * 1000000LL;
// Idle: each under a twentieth of a processor (clock ticks are 10 ms).
constexpr long kIdleTicksPerQuiet = kQuietNs / 10000000 / 20;
// Drawing no wider than this is a caret.
constexpr int kCaretWidth = 3;
constexpr qint64 kStartDeadlineNs = 120 * 1000000000LL;

const char *const kWords[] = {"call",  "Anna",    "about",  "the",    "meeting", "on",     "Tuesday", "buy",
                              "milk",  "bread",   "and",    "coffee", "send",    "report", "to",      "Paul",
                              "fix",   "printer", "in",     "room",   "3.14",    "check",  "invoice", "#4711",
                              "renew", "parking", "permit", "before", "Friday",  "ideas:", "garden",  "bike"};
const char *const kFonts[] = {"DejaVu Sans", "DejaVu Serif", "Nimbus Sans", "URW Gothic", "Verdana"};
const qint32 kBackColours[] = {12648447, 16777215, 12632319, 16761024, 12648384, 14737632};
const qint32 kTextColours[] = {0, 128, 8388608, 4210752};

QString NoteText(QRandomGenerator &random)
{
    // Mostly short reminders, some long paragraphs, now and then several lines.
    const int words = random.bounded(100) < 80 ? random.bounded(2, 14) : random.bounded(30, 120);
    QString text;
    for (int i = 0; i < words; ++i) {
        if (i > 0)
            text += random.bounded(12) == 0 ? QStringLiteral("\r\n") : QStringLiteral(" ");
        text += QLatin1String(kWords[random.bounded(int(std::size(kWords)))]);
    }
    return text;
}

struct GeneratedNote
{
    modNoteText::NoteValues values;
    QString senderTrailer;
};

// The notes a user might have after a while: varied sizes, places, fonts,
// colours and texts, deterministic so runs and programs compare.
std::vector<GeneratedNote> GenerateNotes(int count, QSize screen, int minimumTextKb = 0)
{
    QRandomGenerator random(20261207);
    std::vector<GeneratedNote> notes(count);
    for (GeneratedNote &note : notes) {
        modNoteText::NoteValues &values = note.values;
        // Most notes keep the usual 3255 x 2880 twips (217 x 192 pixels); others were resized.
        const bool resized = random.bounded(10) < 3;
        values.width = resized ? float(random.bounded(2550, 5000)) : 3255.0f;
        values.height = resized ? float(random.bounded(1500, 4500)) : 2880.0f;
        values.left = float(random.bounded(qMax(1, screen.width() * 15 - int(values.width))));
        values.top = float(random.bounded(qMax(1, screen.height() * 15 - int(values.height))));
        values.bold = random.bounded(4) == 0;
        values.italic = random.bounded(8) == 0;
        values.fontName = QLatin1String(kFonts[random.bounded(int(std::size(kFonts)))]);
        values.fontSize = float(random.bounded(8, 17));
        values.backColour = kBackColours[random.bounded(int(std::size(kBackColours)))];
        values.textColour = kTextColours[random.bounded(int(std::size(kTextColours)))];
        values.text = NoteText(random);
        while (values.text.size() < minimumTextKb * 1024)
            values.text += QLatin1Char(' ') + NoteText(random);
        if (random.bounded(10) == 0)
            note.senderTrailer = QStringLiteral("[FROM=127.0.0.%1|Desk %1]").arg(random.bounded(2, 250));
    }
    return notes;
}

QSize ScreenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(1024, 768);
}

void WriteNoteFiles(const std::vector<GeneratedNote> &notes, const QString &folder)
{
    for (size_t i = 0; i < notes.size(); ++i) {
        const QString name = QStringLiteral("%1.zln").arg(10000000000000 + qint64(i));
        modFiles::WriteTextFile(folder + QLatin1Char('/') + name,
                                modNoteText::FormatNoteFields(notes[i].values) + notes[i].senderTrailer);
    }
}

QString XpadColour(qint32 value)
{
    return QStringLiteral("rgb(%1,%2,%3)")
        .arg(value & 0xff)
        .arg((value >> 8) & 0xff)
        .arg((value >> 16) & 0xff);
}

// The same notes in Xpad's own files: an info file and a content file each.
void WriteXpadFiles(const std::vector<GeneratedNote> &notes, const QString &folder)
{
    QDir().mkpath(folder);
    for (size_t i = 0; i < notes.size(); ++i) {
        const modNoteText::NoteValues &values = notes[i].values;
        const QString content = QStringLiteral("content-%1").arg(i, 6, 10, QLatin1Char('0'));
        QString font = values.fontName;
        font += values.bold ? QStringLiteral(" Bold") : QString();
        font += values.italic ? QStringLiteral(" Italic") : QString();
        font += QStringLiteral(" %1").arg(values.fontSize);
        const QString info =
            QStringLiteral("width %1\nheight %2\nx %3\ny %4\nfollow_font 0\nfollow_color 0\n"
                           "sticky 0\nhidden 0\nback %5\ntext %6\nfontname %7\ncontent %8\n")
                .arg(int(values.width / 15))
                .arg(int(values.height / 15))
                .arg(int(*values.left / 15))
                .arg(int(*values.top / 15))
                .arg(XpadColour(values.backColour), XpadColour(values.textColour), font, content);
        modFiles::WriteTextFile(folder + QStringLiteral("/info-%1").arg(i, 6, 10, QLatin1Char('0')), info);
        modFiles::WriteTextFile(folder + QLatin1Char('/') + content,
                                QString(values.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }
}

// The number of a "Key:" line of a /proc status file (kilobytes for "Vm..." keys), or -1.
long ProcFigure(const QString &file, const char *key)
{
    QFile status(file);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// User and system clock ticks the process has used.
long ProcessorTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // The command name in parentheses may hold spaces; fields count after it.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields.at(11).toLong() + fields.at(12).toLong() : -1;
}

// The process of the local X server in DISPLAY, from the lock file it
// writes; -1 when there is none.
qint64 DisplayServerPid()
{
    const QString display =
        qEnvironmentVariable("DISPLAY").section(QLatin1Char(':'), 1).section(QLatin1Char('.'), 0, 0);
    QFile lock(QStringLiteral("/tmp/.X%1-lock").arg(display));
    return lock.open(QIODevice::ReadOnly) ? lock.readAll().trimmed().toLongLong() : -1;
}

// Processor time of this process, all its threads, in nanoseconds.
qint64 ProcessCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

enum class Mode { Notes, Steps, PlainLabels };

// Counts the windows that have been exposed and painted once.
class ShownCounter final : public QObject
{
public:
    int shown() const { return int(painted.size()); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            auto *window = qobject_cast<QWidget *>(watched);
            if (window && window->isWindow() && window->windowHandle() && window->windowHandle()->isExposed())
                painted.insert(window);
        }
        return false;
    }

private:
    QSet<QObject *> painted;
};

// The steps of modMisc::LoadNote one by one, each timed over all notes, to
// show where loading spends its time.
void LoadStepByStep()
{
    enum Step { Read, Parse, Create, Fill, Position, Place, Show, StepCount };
    const char *const names[] = {"read", "parse", "create", "fill", "position", "place", "show"};
    qint64 spent[StepCount] = {};
    QElapsedTimer clock;
    auto lap = [&](Step step) {
        spent[step] += clock.nsecsElapsed();
        clock.start();
    };
    const QStringList files =
        QDir(modFiles::ActiveFolder()).entryList({QStringLiteral("*.zln")}, QDir::Files);
    for (const QString &name : files) {
        clock.start();
        const QString text = modFiles::ReadTextFile(modFiles::ActiveFolder() + QLatin1Char('/') + name);
        lap(Read);
        const modNoteText::NoteRecord record = modNoteText::ParseNoteText(text);
        lap(Parse);
        auto *note = new winNote;
        lap(Create);
        note->ApplyRecord(record);
        note->noteFileName = name;
        lap(Fill);
        note->RepositionNoteParts();
        note->CheckNotePosition();
        lap(Position);
        modMisc::PlaceByDefault(note);
        lap(Place);
        note->show();
        lap(Show);
    }
    for (int step = 0; step < StepCount; ++step)
        std::printf("%s_ms=%.1f ", names[step], spent[step] / 1e6);
}

QColor FromColourValue(qint32 value)
{
    return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff);
}

// The yardstick: the same files shown as plain word-wrapped labels in
// frameless tool windows, about the least a Qt program can do to show them.
void ShowPlainLabels()
{
    const QStringList files =
        QDir(modFiles::ActiveFolder()).entryList({QStringLiteral("*.zln")}, QDir::Files);
    for (const QString &name : files) {
        const modNoteText::NoteRecord record = modNoteText::ParseNoteText(
            modFiles::ReadTextFile(modFiles::ActiveFolder() + QLatin1Char('/') + name));
        auto *label = new QLabel(record.text, nullptr, Qt::Tool | Qt::FramelessWindowHint);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        QFont font = label->font();
        font.setBold(record.bold);
        font.setItalic(record.italic);
        font.setFamily(record.fontName.value_or(font.family()));
        font.setPointSizeF(record.fontSize.value_or(10));
        label->setFont(font);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, FromColourValue(record.backColour.value_or(0)));
        palette.setColor(QPalette::WindowText, FromColourValue(record.textColour.value_or(0)));
        label->setPalette(palette);
        label->setGeometry(int(record.left.value_or(0) / 15), int(record.top.value_or(0) / 15),
                           int(record.width.value_or(3255) / 15), int(record.height.value_or(2880) / 15));
        label->show();
    }
}

// One measurement in this process; prints one line of key=value figures.
int MeasureOnce(int count, Mode mode, int textKb)
{
    QTemporaryDir folder;
    DataFolder = folder.path();
    modFiles::CreateDataFolders();
    WriteNoteFiles(GenerateNotes(count, ScreenSize(), textKb), modFiles::ActiveFolder());
    const long baseKb = ProcFigure(QStringLiteral("/proc/self/status"), "VmRSS:");

    ShownCounter counter;
    QApplication::instance()->installEventFilter(&counter);
    const qint64 cpuStartNs = ProcessCpuNs();
    QElapsedTimer clock;
    clock.start();
    if (mode == Mode::Steps)
        LoadStepByStep();
    else if (mode == Mode::PlainLabels)
        ShowPlainLabels();
    else
        modMisc::LoadAllNotes();
    const qint64 loadedNs = clock.nsecsElapsed();
    // Waits for events rather than spinning, so the processor time stays ours;
    // the timer wakes the wait should the window system fall silent.
    QTimer wake;
    wake.start(50);
    const QDeadlineTimer deadline(60000);
    while (counter.shown() < count && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    const qint64 paintedNs = clock.nsecsElapsed();
    // Round trip to the window system: every drawn pixel has reached it.
    QGuiApplication::sync();
    const qint64 shownNs = clock.nsecsElapsed();
    QApplication::instance()->removeEventFilter(&counter);

    const double cpuMs = (ProcessCpuNs() - cpuStartNs) / 1e6;

    const long peakKb = ProcFigure(QStringLiteral("/proc/self/status"), "VmHWM:");
    // What the windows' pixels alone need: the floor for the peak.
    qint64 pixelBytes = 0;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget *window : windows)
        pixelBytes += window->isVisible() ? qint64(window->width()) * window->height() * 4 : 0;
    std::printf("%s=%d shown=%d total_ms=%.1f load_ms=%.1f paint_ms=%.1f sync_ms=%.1f cpu_ms=%.1f "
                "base_mb=%.1f peak_mb=%.1f pixels_mb=%.1f platform=%s\n",
                mode == Mode::PlainLabels ? "labels" : "notes", count, counter.shown(), shownNs / 1e6,
                loadedNs / 1e6, (paintedNs - loadedNs) / 1e6, (shownNs - paintedNs) / 1e6, cpuMs,
                baseKb / 1024.0, peakKb / 1024.0, pixelBytes / 1048576.0,
                qPrintable(QGuiApplication::platformName()));
    std::fflush(stdout);
    qDeleteAll(windows);
    return counter.shown() == count ? 0 : 1;
}

// One program under test: how to lay out its notes in a fresh home folder.
struct Program
{
    QString name;
    QString executable;
    QStringList arguments;
    std::function<void(const std::vector<GeneratedNote> &, const QString &home)> writeNotes;
    int largestSize;
};

struct RunFigures
{
    double mappedMs = -1;
    double paintedMs = -1;
    double peakMb = -1;
    double exitMs = -1;
    // SIGTERM until the X server has removed the program's windows too: it
    // does that after the program has gone.
    double goneMs = -1;
    int mapped = 0;
};

// Watches the X server for the program's top-level windows: when they are
// mapped, and when the last drawing into any of them happened.
class WindowWatch
{
public:
    WindowWatch() : connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(connection))
            return;
        const xcb_query_extension_reply_t *damage = xcb_get_extension_data(connection, &xcb_damage_id);
        if (!damage || !damage->present)
            return;
        damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
        std::free(
            xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1), nullptr));
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
        // One damage on the root sees drawing into every window. One per window
        // made the server clip each drawing against every watched window, which
        // took more of its time than the windows themselves.
        xcb_damage_create(connection, xcb_generate_id(connection), root, XCB_DAMAGE_REPORT_LEVEL_BOUNDING_BOX);
        xcb_flush(connection);
        usable = true;
    }
    ~WindowWatch() { xcb_disconnect(connection); }
    bool isUsable() const { return usable; }

    // Waits until count windows are mapped and drawing has stopped. A
    // blinking caret is not drawing the note.
    void waitForWindows(int count, const QElapsedTimer &clock, QProcess &process, RunFigures &figures)
    {
        pollfd wait{xcb_get_file_descriptor(connection), POLLIN, 0};
        qint64 mappedNs = -1;
        const qint64 serverPid = DisplayServerPid();
        qint64 busyNs = 0;
        qint64 spanStartNs = 0;
        long programTicks = 0, serverTicks = 0;
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
                handle(event, clock.nsecsElapsed());
                std::free(event);
            }
            const qint64 now = clock.nsecsElapsed();
            if (mappedNs < 0 && mapped.size() >= count)
                mappedNs = now;
            if (now - spanStartNs >= kQuietNs) {
                const long program = ProcessorTicks(process.processId()), server = ProcessorTicks(serverPid);
                if (program - programTicks > kIdleTicksPerQuiet || server - serverTicks > kIdleTicksPerQuiet)
                    busyNs = now;
                spanStartNs = now;
                programTicks = program;
                serverTicks = server;
            }
            const bool quiet = mappedNs >= 0 && now - qMax(qMax(mappedNs, drawnNs), busyNs) > kQuietNs;
            if (quiet || now > kStartDeadlineNs || process.waitForFinished(0)) {
                // Still busy at the deadline: when all was painted is not known.
                figures.paintedMs = quiet ? qMax(mappedNs, drawnNs) / 1e6 : -1;
                break;
            }
            poll(&wait, 1, 20);
        }
        figures.mapped = int(mapped.size());
        figures.mappedMs = mappedNs / 1e6;
    }

private:
    void handle(const xcb_generic_event_t *event, qint64 now)
    {
        const int type = event->response_type & 0x7f;
        if (type == damageEvent) {
            const auto *drawn = reinterpret_cast<const xcb_damage_notify_event_t *>(event);
            drawnNs = drawn->area.width > kCaretWidth ? now : drawnNs;
            // Emptied, the next drawing is reported with its own bounds.
            xcb_damage_subtract(connection, drawn->damage, XCB_NONE, XCB_NONE);
            xcb_flush(connection);
            return;
        }
        if (type == XCB_MAP_NOTIFY) {
            const auto *shown = reinterpret_cast<const xcb_map_notify_event_t *>(event);
            if (shown->event == root && !shown->override_redirect)
                mapped.insert(shown->window);
        }
    }

    xcb_connection_t *connection;
    QSet<xcb_window_t> mapped;
    qint64 drawnNs = -1;
    xcb_window_t root = 0;
    int damageEvent = -1;
    bool usable = false;
};

// A round trip: the X server answers once it has handled everything before,
// such as tearing down the windows of a client that has gone. The next run
// then starts on an idle server.
bool WaitForWindowSystem()
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    xcb_get_input_focus_reply_t *reply =
        xcb_connection_has_error(connection)
            ? nullptr
            : xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    const bool answered = reply != nullptr;
    std::free(reply);
    xcb_disconnect(connection);
    return answered;
}

QProcessEnvironment FreshHome(const QString &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    return environment;
}

// Context switches of the main thread, where the program's timers run:
// each is a wakeup.
long ContextSwitches(qint64 pid)
{
    const QString status = QStringLiteral("/proc/%1/task/%1/status").arg(pid);
    return ProcFigure(status, "voluntary_ctxt_switches:") + ProcFigure(status, "nonvoluntary_ctxt_switches:");
}

// What a program that nobody touches costs: it should sleep.
void PrintIdleCost(const Program &program, int count, int seconds, qint64 pid)
{
    QThread::sleep(kIdleSettleSeconds);
    const long before = ContextSwitches(pid);
    const long ticksBefore = ProcessorTicks(pid);
    QThread::sleep(seconds);
    std::printf("idle %s, %d notes, %d s from %d s after painting: %ld wakeups of the main thread, %ld "
                "processor ticks\n",
                qPrintable(program.name), count, seconds, kIdleSettleSeconds, ContextSwitches(pid) - before,
                ProcessorTicks(pid) - ticksBefore);
    std::fflush(stdout);
}

// Starts the program on count notes, waits until all is drawn, then keeps
// it running for idleSeconds (printing its wakeups) and ends it with SIGTERM.
RunFigures MeasureProgram(const Program &program, int count, int idleSeconds = 0)
{
    RunFigures figures;
    QTemporaryDir home;
    program.writeNotes(GenerateNotes(count, ScreenSize()), home.path());
    QProcess process;
    process.setProcessEnvironment(FreshHome(home.path()));
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    {
        // Closed before the exit: it would make the window system do more.
        WindowWatch watch;
        if (!watch.isUsable())
            return figures;
        QElapsedTimer clock;
        clock.start();
        process.start(program.executable, program.arguments);
        if (!process.waitForStarted())
            return figures;
        watch.waitForWindows(count, clock, process, figures);
    }
    const QString status = QStringLiteral("/proc/%1/status").arg(process.processId());
    figures.peakMb = ProcFigure(status, "VmHWM:") / 1024.0;
    if (idleSeconds > 0)
        PrintIdleCost(program, count, idleSeconds, process.processId());
    QElapsedTimer exit;
    exit.start();
    ::kill(pid_t(process.processId()), SIGTERM);
    if (process.waitForFinished(120000))
        figures.exitMs = exit.nsecsElapsed() / 1e6;
    else
        process.kill();
    process.waitForFinished();
    figures.goneMs = WaitForWindowSystem() ? exit.nsecsElapsed() / 1e6 : -1;
    if (figures.mapped < count)
        figures.mappedMs = figures.paintedMs = -1;
    return figures;
}

QString LoadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly)
               ? QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2)
               : QStringLiteral("?");
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

QString OptionValue(const QStringList &arguments, const QString &option)
{
    const qsizetype at = arguments.indexOf(option);
    return at > 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : QString();
}

QList<Program> ProgramsToCompare(const QStringList &arguments)
{
    QStringList zettlorArguments;
    for (const QString &option : {QStringLiteral("--address"), QStringLiteral("--port")}) {
        if (!OptionValue(arguments, option).isEmpty())
            zettlorArguments << option << OptionValue(arguments, option);
    }
    const QString zettlor = OptionValue(arguments, QStringLiteral("--program"));
    QList<Program> programs{{QStringLiteral("zettlor"),
                             zettlor.isEmpty() ? QStringLiteral(ZETTLOR_EXECUTABLE) : zettlor,
                             zettlorArguments,
                             [](const std::vector<GeneratedNote> &notes, const QString &home) {
                                 const QString active = home + QStringLiteral("/.local/share/Zettlor/Active");
                                 QDir().mkpath(active);
                                 WriteNoteFiles(notes, active);
                             },
                             kSizes[std::size(kSizes) - 1]}};
    const QString xpad = QStandardPaths::findExecutable(QStringLiteral("xpad"));
    if (!xpad.isEmpty())
        programs.append({QStringLiteral("xpad"),
                         xpad,
                         {},
                         [](const std::vector<GeneratedNote> &notes, const QString &home) {
                             WriteXpadFiles(notes, home + QStringLiteral("/.config/xpad"));
                         },
                         kLargestXpadSize});
    return programs;
}

// Every size, the programs in alternating runs, each run in a fresh home
// folder; prints each run, the medians and the idle cost.
int MeasureAll(const QStringList &arguments)
{
    const int runs = OptionValue(arguments, QStringLiteral("--runs")).toInt() > 0
                         ? OptionValue(arguments, QStringLiteral("--runs")).toInt()
                         : kDefaultRuns;
    const QList<Program> programs = ProgramsToCompare(arguments);
    std::printf("display %s, %dx%d; medians of %d runs; times from the start of the process\n",
                qPrintable(qEnvironmentVariable("DISPLAY")), ScreenSize().width(), ScreenSize().height(),
                runs);
    int failures = 0;
    // Per size and program: the medians of start to mapped and start to painted.
    std::vector<std::pair<double, double>> medians(std::size(kSizes) * programs.size(), {-1, -1});
    for (size_t size = 0; size < std::size(kSizes); ++size) {
        const int count = kSizes[size];
        std::vector<std::vector<RunFigures>> results(programs.size());
        for (int run = 0; run < runs; ++run) {
            for (qsizetype p = 0; p < programs.size(); ++p) {
                if (count > programs[p].largestSize)
                    continue;
                const RunFigures figures = MeasureProgram(programs[p], count);
                failures += figures.mappedMs < 0 || figures.paintedMs < 0 ? 1 : 0;
                std::printf("  %5d %-8s mapped_ms=%.0f painted_ms=%.0f peak_mb=%.1f exit_ms=%.0f "
                            "gone_ms=%.0f load=%s\n",
                            count, qPrintable(programs[p].name), figures.mappedMs, figures.paintedMs,
                            figures.peakMb, figures.exitMs, figures.goneMs, qPrintable(LoadAverage()));
                std::fflush(stdout);
                results[p].push_back(figures);
            }
        }
        for (qsizetype p = 0; p < programs.size(); ++p) {
            if (results[p].empty())
                continue;
            auto median = [&](double RunFigures::*figure) {
                std::vector<double> values;
                for (const RunFigures &result : results[p])
                    values.push_back(result.*figure);
                return Median(values);
            };
            medians[size * programs.size() + p] = {median(&RunFigures::mappedMs),
                                                   median(&RunFigures::paintedMs)};
            std::printf("%5d notes %-8s %6.0f ms mapped %6.0f ms painted %7.1f MB peak %6.0f ms exit %6.0f "
                        "ms windows "
                        "gone (load %s)\n",
                        count, qPrintable(programs[p].name), median(&RunFigures::mappedMs),
                        median(&RunFigures::paintedMs), median(&RunFigures::peakMb),
                        median(&RunFigures::exitMs), median(&RunFigures::goneMs), qPrintable(LoadAverage()));
        }
        if (programs.size() > 1 && results[1].size() > 0) {
            const auto [mapped, painted] = medians[size * programs.size()];
            const auto [xpadMapped, xpadPainted] = medians[size * programs.size() + 1];
            std::printf("%5d notes, zettlor / xpad: mapped %.3f, painted %.3f\n", count, mapped / xpadMapped,
                        painted / xpadPainted);
        }
        std::fflush(stdout);
    }
    const auto [mapped1000, painted1000] = medians[1 * programs.size()];
    const auto [mapped5000, painted5000] = medians[2 * programs.size()];
    std::printf("5000 / 1000 notes, zettlor: mapped %.2f, painted %.2f\n", mapped5000 / mapped1000,
                painted5000 / painted1000);
    for (const Program &program : programs)
        MeasureProgram(program, kIdleNotes, kIdleSeconds);
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int textKb = OptionValue(arguments, QStringLiteral("--text-kb")).toInt();
    const std::pair<QString, Mode> modes[] = {{QStringLiteral("--notes"), Mode::Notes},
                                              {QStringLiteral("--steps"), Mode::Steps},
                                              {QStringLiteral("--labels"), Mode::PlainLabels}};
    for (const auto &[option, mode] : modes) {
        const qsizetype at = arguments.indexOf(option);
        if (at > 0 && at + 1 < arguments.size())
            return MeasureOnce(arguments.at(at + 1).toInt(), mode, textKb);
    }
    const qsizetype home = arguments.indexOf(QStringLiteral("--home"));
    if (home > 0 && home + 2 < arguments.size()) {
        for (const Program &program : ProgramsToCompare(arguments))
            program.writeNotes(GenerateNotes(arguments.at(home + 1).toInt(), ScreenSize(), textKb),
                               arguments.at(home + 2));
        return 0;
    }
    return MeasureAll(arguments);
}

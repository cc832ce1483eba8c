// Start-up cost of many notes: generates 100 and 1,000 note files, loads them
// the way start-up does and measures the wall time until the last note is on
// screen, and the peak memory. Each size runs in a process of its own so the
// peak belongs to that size alone. Runs under any Qt platform (offscreen,
// xcb on Xvfb).
//
//   bench_load_notes               every size, a few runs each
//   bench_load_notes --notes N     one measurement in this process
//   bench_load_notes --steps N     the same, each loading step timed apart
//   bench_load_notes --labels N    the same files as plain labels, to compare
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
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int kRunsPerSize = 3;
const int kSizes[] = {100, 1000};

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

// The note files a user might have after a while: varied sizes, places,
// fonts, colours and texts, deterministic so runs compare.
void WriteNoteFiles(int count, QSize screen)
{
    QRandomGenerator random(20261207);
    for (int i = 0; i < count; ++i) {
        modNoteText::NoteValues values;
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
        QString contents = modNoteText::FormatNoteFields(values);
        if (random.bounded(10) == 0)
            contents += QStringLiteral("[FROM=127.0.0.%1|Desk %1]").arg(random.bounded(2, 250));
        const QString name = QStringLiteral("%1.zln").arg(10000000000000 + i);
        modFiles::WriteTextFile(modFiles::ActiveFolder() + QLatin1Char('/') + name, contents);
    }
}

// Kilobytes of a "Vm..." line of /proc/self/status, or -1 where there is none.
long StatusKilobytes(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
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
int MeasureOnce(int count, Mode mode)
{
    QTemporaryDir folder;
    DataFolder = folder.path();
    modFiles::CreateDataFolders();
    const QScreen *screen = QGuiApplication::primaryScreen();
    WriteNoteFiles(count, screen ? screen->size() : QSize(1024, 768));
    const long baseKb = StatusKilobytes("VmRSS:");

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

    const long peakKb = StatusKilobytes("VmHWM:");
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

double Figure(const QByteArray &line, const QByteArray &key)
{
    for (const QByteArray &pair : line.trimmed().split(' ')) {
        if (pair.startsWith(key + '='))
            return pair.mid(key.size() + 1).toDouble();
    }
    return -1;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// Runs the benchmark again in a fresh process; its one line, or "" on failure.
QByteArray RunChild(const QString &self, const QString &mode, int count, QSet<QByteArray> &messages)
{
    QProcess child;
    child.start(self, {mode, QString::number(count)});
    const bool finished = child.waitForFinished(120000) && child.exitCode() == 0;
    for (const QByteArray &message : child.readAllStandardError().split('\n'))
        messages.insert(message);
    const QByteArray line = child.readAllStandardOutput();
    return finished ? line : QByteArray();
}

// Runs every size in fresh processes and prints each run, the medians and
// one run timed step by step.
int MeasureAll(const QString &self)
{
    std::printf("platform %s; each run in its own process\n", qPrintable(QGuiApplication::platformName()));
    int failures = 0;
    QSet<QByteArray> messages;
    for (const int count : kSizes) {
        std::vector<double> totals, loads, paints, cpus, peaks;
        for (int run = 0; run < kRunsPerSize; ++run) {
            const QByteArray line = RunChild(self, QStringLiteral("--notes"), count, messages);
            std::printf("  %s", line.isEmpty() ? "run failed\n" : line.constData());
            if (line.isEmpty()) {
                ++failures;
                continue;
            }
            totals.push_back(Figure(line, "total_ms"));
            loads.push_back(Figure(line, "load_ms"));
            paints.push_back(Figure(line, "paint_ms"));
            cpus.push_back(Figure(line, "cpu_ms"));
            peaks.push_back(Figure(line, "peak_mb"));
        }
        std::printf("%5d notes: median %.0f ms to the last note shown (%.0f ms creating and showing, "
                    "%.0f ms until painted; %.0f ms processor time), peak %.1f MB\n",
                    count, Median(totals), Median(loads), Median(paints), Median(cpus), Median(peaks));
        const QByteArray steps = RunChild(self, QStringLiteral("--steps"), count, messages);
        std::printf("  step by step: %s", steps.isEmpty() ? "run failed\n" : steps.constData());
        const QByteArray labels = RunChild(self, QStringLiteral("--labels"), count, messages);
        std::printf("  plain labels: %s", labels.isEmpty() ? "run failed\n" : labels.constData());
        std::fflush(stdout);
    }
    // Warnings repeat once per note; each distinct one is shown once.
    messages.remove(QByteArray());
    for (const QByteArray &message : std::as_const(messages))
        std::printf("message from the runs: %s\n", message.constData());
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const std::pair<QString, Mode> modes[] = {{QStringLiteral("--notes"), Mode::Notes},
                                              {QStringLiteral("--steps"), Mode::Steps},
                                              {QStringLiteral("--labels"), Mode::PlainLabels}};
    for (const auto &[option, mode] : modes) {
        const qsizetype at = arguments.indexOf(option);
        if (at > 0 && at + 1 < arguments.size())
            return MeasureOnce(arguments.at(at + 1).toInt(), mode);
    }
    return MeasureAll(QCoreApplication::applicationFilePath());
}

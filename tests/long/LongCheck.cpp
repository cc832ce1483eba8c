// The long reliability check: hard kills during saves, a full disk, bad
// files in the note folder and a user's walk that ends with the tray menu's
// Exit, all against the real zettlor. It runs for many minutes, so it is not
// part of the CTest suite; scripts/test --long runs it. It is a QtTest program
// rather than a script so that it shares the tests' private display, program
// process and folders, and reads note files with the program's own parser.

#include "LongCheck.h"

#include "PrivateDisplay.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

QStringList figures;

// A mount namespace of our own, so that the small disks the check mounts are
// seen by nobody else. unshare() refuses once a process has threads.
QString MakePrivateMounts()
{
    if (unshare(CLONE_NEWNS) != 0)
        return QString("no mount namespace of its own: ") + std::strerror(errno);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return QString("mounts cannot be made private: ") + std::strerror(errno);
    return {};
}

// Root reads every file whatever its mode. The programs the check starts lose
// that power at exec, so an unreadable file is unreadable to them, as to a
// user; the check itself keeps it to look at every file.
bool ModeBitsApplyToChildren()
{
    if (geteuid() != 0)
        return true;
    return prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) == 0 &&
           prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) == 0;
}

} // namespace

void ReportFigures(const QString &line)
{
    figures << line;
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QByteArray NoteBytes(const QString &text, QPoint position)
{
    return QStringLiteral("2880,3255,%1,%2,,Verdana,10,12648447,0,%3")
        .arg(position.x() * 15)
        .arg(position.y() * 15)
        .arg(text)
        .toUtf8();
}

QString NoteText(int index)
{
    return QStringLiteral("Note %1, to keep\r\nwhatever happens").arg(index);
}

QPoint Home(int index)
{
    return QPoint(40 + (index % 5) * 250, 40 + (index / 5) * 260);
}

QString NoteFile(const QString &activeFolder, int index)
{
    return activeFolder + QStringLiteral("/%1.zln").arg(index, 2, 10, QLatin1Char('0'));
}

QProcessEnvironment ReportingEnvironment(const TestEnvironment &environment, const PrivateDisplay &display)
{
    QProcessEnvironment variables = ProgramEnvironment(environment, display);
    variables.insert("QT_LOGGING_RULES", "zettlor.core.info=true;zettlor.tray.info=true");
    return variables;
}

bool StartProgram(ProgramProcess &program, const QStringList &arguments, const QString &executable)
{
    program.process().start(executable, arguments);
    return program.process().waitForStarted(5000) &&
           ProgramProcess::waitFor([&] { return program.errorOutput().contains("started;"); });
}

bool WaitForNotes(const PrivateDisplay &display, ProgramProcess &program, int count)
{
    return ProgramProcess::waitFor([&] {
        const QList<QRect> windows = display.windowsOf(program.process().processId()).values();
        return std::count_if(windows.cbegin(), windows.cend(),
                             [](QRect w) { return w.size() == kNoteSize; }) >= count;
    });
}

int main(int argc, char **argv)
{
    Conditions.mountProblem = MakePrivateMounts();
    Conditions.modeBitsApply = ModeBitsApplyToChildren();
    QCoreApplication application(argc, argv);
    // The campaign runs far longer than QtTest's watchdog allows one function.
    qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number(4 * 3600 * 1000));

    // "Class" or "Class::function" runs only that part.
    QStringList arguments = QCoreApplication::arguments();
    const QString only = arguments.value(1).section(QLatin1String("::"), 0, 0);
    if (arguments.size() > 1)
        arguments[1] = arguments[1].section(QLatin1String("::"), 1);
    arguments.removeAll(QString());

    QElapsedTimer clock;
    clock.start();
    int failures = 0;
    for (QObject *check : {NewSaveCampaign(), NewUserWalk()}) {
        if (only.isEmpty() || only == QLatin1String(check->metaObject()->className()))
            failures += QTest::qExec(check, arguments);
        delete check;
    }
    std::printf("\nFigures of the long check:\n");
    for (const QString &line : figures)
        std::printf("  %s\n", qPrintable(line));
    std::printf("long check: %s in %lld s\n", failures == 0 ? "PASS" : "FAIL", clock.elapsed() / 1000);
    return failures == 0 ? 0 : 1;
}

#include "core/CommandLine.h"
#include "core/Globals.h"
#include "core/ModMain.h"
#include "platform/Platform.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

QStringList ArgumentsOf(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char **argv)
{
    platform::FailWritesBeyondFileSizeLimit();
    // Help, version and mistakes are answered before any window system is needed.
    const CommandLine commandLine = ParseCommandLine(ArgumentsOf(argc, argv));
    if (!commandLine.error.isEmpty()) {
        std::fprintf(stderr, "zettlor: %s\n", qPrintable(commandLine.error));
        return 2;
    }
    if (commandLine.showHelp) {
        std::fputs(qPrintable(CommandLineHelp()), stdout);
        return 0;
    }
    if (commandLine.showVersion) {
        std::printf("Zettlor %s\n", qPrintable(ProgramVersion));
        return 0;
    }
    if (!platform::HasDisplay()) {
        std::fputs("zettlor: no display found; set DISPLAY or WAYLAND_DISPLAY "
                   "(or run it under Xvfb, see README.md).\n",
                   stderr);
        return 1;
    }
    platform::SelectWindowSystem();

    QApplication application(argc, argv);
    platform::WindowSystemStarted();
    QApplication::setApplicationName(QStringLiteral("Zettlor"));
    QApplication::setApplicationVersion(ProgramVersion);
    // Desktops match the windows to the installed desktop entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("zettlor"));
    QApplication::setQuitOnLastWindowClosed(false);
    ProgramFolder = QApplication::applicationDirPath();

    const std::optional<int> exitCode = ModMain::Main(commandLine);
    const int status = exitCode ? *exitCode : QApplication::exec();
    // Everything is saved by now, also when start-up ended early (Exit while
    // loading). Ending here lets the window system drop all windows at once
    // with the connection; tearing a thousand notes down one by one made the
    // X server re-sort its window stack for each, for seconds.
    std::fflush(nullptr);
    std::_Exit(status);
}

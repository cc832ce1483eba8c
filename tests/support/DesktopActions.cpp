#include "DesktopActions.h"

#include "PrivateDisplay.h"
#include "ProgramProcess.h"

#include <QSet>

QRect WaitForWindow(const PrivateDisplay &display, ProgramProcess &program,
                    const std::function<bool(QRect)> &fits)
{
    QRect found;
    ProgramProcess::waitFor(
        [&] {
            for (const QRect &window : display.windowsOf(program.process().processId())) {
                if (fits(window))
                    found = window;
            }
            return found.isValid() || !program.isRunning();
        },
        5000);
    return found;
}

bool Drag(const PrivateDisplay &display, QPoint from, QPoint by)
{
    const auto moveTo = [](QPoint to) {
        return QStringList{"mousemove", QString::number(to.x()), QString::number(to.y())};
    };
    QStringList steps = moveTo(from) + QStringList{"sleep", "0.15", "mousedown", "1"};
    for (int step = 1; step <= 6; ++step)
        steps += QStringList{"sleep", "0.03"} + moveTo(from + by * step / 6);
    return display.run("xdotool", steps + QStringList{"sleep", "0.1", "mouseup", "1"});
}

bool UseMenu(const PrivateDisplay &display, ProgramProcess &program, QRect window, const QStringList &keys)
{
    const QString x = QString::number(window.center().x()), y = QString::number(window.center().y());
    const auto shown = [&] {
        const QList<qulonglong> ids = display.windowsOf(program.process().processId()).keys();
        return QSet<qulonglong>(ids.cbegin(), ids.cend());
    };
    const QSet<qulonglong> before = shown();
    QSet<qulonglong> menu;
    return display.run("xdotool", {"mousemove", x, y, "sleep", "0.15", "click", "3"}) &&
           ProgramProcess::waitFor([&] { return !(menu = shown() - before).isEmpty(); }, 5000) &&
           display.run("xdotool", QStringList{"sleep", "0.25", "mousemove", "3", "3", "sleep", "0.15", "key",
                                              "--delay", "80"} +
                                      keys) &&
           ProgramProcess::waitFor([&] { return !shown().intersects(menu); }, 5000);
}

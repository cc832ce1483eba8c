#include "DesktopActions.h"

#include "PrivateDisplay.h"

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

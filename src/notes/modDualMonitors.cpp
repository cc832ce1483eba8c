#include "notes/modDualMonitors.h"

#include <QGuiApplication>
#include <QScreen>

namespace modDualMonitors {
namespace {

std::optional<QRect> testArea;
int testMonitorCount = 1;

QRect VirtualScreen()
{
    if (testArea)
        return *testArea;
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace

int GetVirtualScreenLeft() { return VirtualScreen().left(); }
int GetVirtualScreenWidth() { return VirtualScreen().width(); }
int GetVirtualScreenHeight() { return VirtualScreen().height(); }

int GetMonitorCount()
{
    if (testArea)
        return testMonitorCount;
    return qMax(1, static_cast<int>(QGuiApplication::screens().size()));
}

void SetVirtualScreenForTests(std::optional<QRect> area, int monitorCount)
{
    testArea = area;
    testMonitorCount = qMax(1, monitorCount);
}

} // namespace modDualMonitors

#pragma once

#include <QRect>
#include <optional>

// Metrics of the virtual screen (the bounding box of all monitors), in pixels.
namespace modDualMonitors {

int GetVirtualScreenLeft();
int GetVirtualScreenWidth();
int GetVirtualScreenHeight();
int GetMonitorCount();

// Tests put monitors where they need them; nullopt returns to the real ones.
void SetVirtualScreenForTests(std::optional<QRect> area, int monitorCount = 1);

} // namespace modDualMonitors

#pragma once

class QWidget;

// What the program's own windows share.
namespace modWindows {

// Shows window restored from minimized, raised and active: a second opening
// of a window that is already open brings that one back.
void BringToFront(QWidget *window);

} // namespace modWindows

#include "core/modWindows.h"

#include <QWidget>

namespace modWindows {

void BringToFront(QWidget *window)
{
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace modWindows

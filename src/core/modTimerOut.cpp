#include "core/modTimerOut.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace modTimerOut {

void WaitSeconds(double seconds)
{
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    } while (clock.nsecsElapsed() < qint64(seconds * 1e9));
}

void PauseBriefly(int count)
{
    for (int cycle = 0; cycle < 10 * count; ++cycle) {
        QThread::msleep(1);
        QCoreApplication::processEvents();
    }
}

} // namespace modTimerOut

#include "platform/eventwait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace vesk {

MonotonicClock steadyClock()
{
    return [] {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    };
}

void waitForEvents(int waitMs)
{
    if (waitMs <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    // Sleeps until an event arrives or the timer fires, so a polling wait stays idle.
    QEventLoop loop;
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    loop.processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace vesk

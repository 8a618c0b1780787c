#include "support/recordingwindow.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace vesk::test {

void RecordingWindow::message(const QString &text)
{
    messages << text;
    events << "message:" + text;
    if (onMessage)
        onMessage(text);
}

void RecordingWindow::processEvents(int waitMs)
{
    ++yields;
    if (onYield)
        onYield();
    if (!realEvents)
        return;
    if (waitMs <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    loop.processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace vesk::test

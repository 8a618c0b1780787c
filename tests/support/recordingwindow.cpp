#include "support/recordingwindow.h"

#include "platform/eventwait.h"

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
    if (realEvents)
        waitForEvents(waitMs);
}

} // namespace vesk::test

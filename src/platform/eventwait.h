#pragma once

#include <chrono>
#include <functional>

namespace vesk {

// The clock of the waits that yield to the event loop: monotonic, in nanoseconds. Tests pass
// their own to count passes without sleeping.
using MonotonicClock = std::function<std::chrono::nanoseconds()>;
MonotonicClock steadyClock();

// One pass of a wait that yields to the event loop: handles what is pending and, for a
// positive `waitMs`, sleeps until an event arrives or `waitMs` passes. With 0 it only takes
// what is pending and never sleeps.
void waitForEvents(int waitMs);

// How the two waits (a tool's output, the serial queue) yield to the event loop, together
// with the MonotonicClock they measure their limits by. The window and the command-line
// tools use HostEventPump; tests count passes and step their clock instead.
class EventPump
{
public:
    virtual ~EventPump() = default;
    // Processes pending events once. With waitMs > 0 it may sleep up to that long waiting
    // for an event, so a polling wait does not keep a core busy.
    virtual void processEvents(int waitMs) = 0;
};

class HostEventPump : public EventPump
{
public:
    void processEvents(int waitMs) override { waitForEvents(waitMs); }
};

} // namespace vesk

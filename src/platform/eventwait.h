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

} // namespace vesk

#pragma once

namespace vesk {

// One pass of a wait that yields to the event loop: handles what is pending and, for a
// positive `waitMs`, sleeps until an event arrives or `waitMs` passes. With 0 it only takes
// what is pending and never sleeps.
void waitForEvents(int waitMs);

} // namespace vesk

#pragma once

#include "platform/dosfs.h"
#include "platform/error.h"
#include "platform/eventwait.h"
#include "platform/process.h"

#include <QString>
#include <chrono>
#include <functional>

namespace vesk {

// How long a file that Vesk itself has just written has to show (no process to watch), and
// how long a started tool may run before it is ended and its step fails.
constexpr std::chrono::seconds kOutputTimeLimit{3};
constexpr std::chrono::seconds kToolTimeLimit{60};
// Each pass sleeps in the event loop at most this long, so the wait keeps no core busy. A
// watched directory wakes the loop as soon as something in it changes, and a tool's end wakes
// it too, so a pass can be long; without either (the directory is not there yet) the wait
// polls more often.
constexpr int kWatchedPassMs = 50;
constexpr int kPolledPassMs = 4;

// Writes "C38.bat" and "dasm.bat" into the current directory, each only if no ordinary file
// of that name exists there yet.
Error MakeBat(const DosFs &fs);

// Waits for the ordinary file `name` (relative to the current directory, or a full path).
// Returns true when more than 3 seconds passed first. Each pass tests the time, yields to
// the event loop once, then tests the file.
bool WaitLoop(const DosFs &fs, EventPump &events, const QString &name,
              const MonotonicClock &clock = steadyClock());

// As above, for a file that `process` writes: the step is judged when the process ends, by
// whether the file is there then, so a slow tool is not cut off and a half-written file is
// never passed on. A process that runs for more than 60 seconds is ended and times the step
// out. Without a process to watch (an invalid handle) the 3-second rule applies.
bool WaitLoop(const DosFs &fs, EventPump &events, const QString &name, const ProcessHandle &process,
              const MonotonicClock &clock = steadyClock());

// The items of "err.txt" in the current directory, each followed by CR LF. A missing or
// unreadable file is an error.
QString ReadErrTxt(const DosFs &fs, Error *error = nullptr);

} // namespace vesk

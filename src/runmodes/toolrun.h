#pragma once

#include "platform/dosfs.h"
#include "platform/error.h"
#include "platform/eventwait.h"
#include "platform/process.h"

#include <QString>
#include <chrono>
#include <functional>

namespace vesk {

// How long a tool has to produce its output file, and how long it may go on running after
// the file has appeared before the step is given up.
constexpr std::chrono::seconds kOutputTimeLimit{3};
constexpr std::chrono::seconds kFinishTimeLimit{60};
// Each pass sleeps in the event loop at most this long, so the wait keeps no core busy. A
// watched directory wakes the loop as soon as something in it changes, so a pass can be
// long; without a watch (the directory is not there yet) the wait polls more often.
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

// As above, for a file that `process` writes: the step succeeds once the file exists (within
// the 3 seconds) and the process has ended, so a half-written file is never passed on. A
// process that runs on for more than 60 seconds after its file appeared times the step out.
bool WaitLoop(const DosFs &fs, EventPump &events, const QString &name, const ProcessHandle &process,
              const MonotonicClock &clock = steadyClock());

// The items of "err.txt" in the current directory, each followed by CR LF. A missing or
// unreadable file is an error.
QString ReadErrTxt(const DosFs &fs, Error *error = nullptr);

} // namespace vesk

#pragma once

// vesk-sim's command line, where it puts the image and starts it, and what its exit status
// says, apart from the core so that each can be tried on its own.

#include "sim/cpu.h"
#include "sim/memory.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vesk::sim {

struct RunOptions
{
    std::string image;
    bool rom = false;
    std::optional<uint32_t> load;
    std::optional<uint32_t> start;
    bool ports = false;
    bool poison = false;
    bool strict = false;
    bool trace = false;
    std::string traceFile; // empty: standard error
    std::optional<uint64_t> maxStates;
    bool help = false;
};

// The arguments after the program's name. Returns an error text, empty when they are good.
// `--trace` takes the next argument as its file only once IMAGE has been given, so that
// "vesk-sim --trace prog.bin" traces prog.bin to standard error; "--trace=FILE" always works.
std::string parseRunOptions(const std::vector<std::string> &args, RunOptions &options);

struct StartState
{
    uint32_t pc = 0;
    std::optional<uint32_t> sp; // as the loader leaves it; a ROM program sets its own
};

// Copies the image where the options say and works out the start. A RAM image goes to
// FFDF10 and starts there, as the board's loader does; a ROM image goes to 0 and starts at
// its reset vector. nullopt with `error` set when the image does not fit.
std::optional<StartState> loadForRun(Memory &memory, const RunOptions &options,
                                     std::span<const uint8_t> image, std::string &error);

enum ExitCode : int {
    kExitIdle = 0,
    kExitUsage = 1,
    kExitStateLimit = 2,
    kExitBadProgram = 3,
    kExitPoisoned = 4,
};
int exitCodeFor(StopReason reason, FaultKind fault);

} // namespace vesk::sim

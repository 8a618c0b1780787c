#pragma once

// What the simulator plugs into the chip's I/O area: the ports, serial channels 0 and 1, the
// 16-bit timer unit, the interrupt controller and the system control register, and every other
// register block as NotModelled, so that an access to any of the chip's registers goes on and only
// an address with no register stops the run.

#include "sim/cpu.h"
#include "sim/intc.h"
#include "sim/itu.h"
#include "sim/memory.h"
#include "sim/ports.h"
#include "sim/sci.h"
#include "sim/sysctl.h"
#include "sim/timing.h"

#include <algorithm>
#include <array>
#include <span>
#include <utility>

namespace vesk::sim {

struct IoRange
{
    uint32_t first;
    uint32_t last;
    const char *what;
};

// The register blocks of the I/O area that nothing models yet.
std::span<const IoRange> notModelledRanges();

class ChipIo
{
public:
    // The timed peripherals keep time by `time` and raise their interrupts on `lines`, which
    // the interrupt controller reads. `intc` is what the core takes its interrupts from.
    ChipIo(TimeSource &time, InterruptLines &lines);
    ChipIo(const ChipIo &) = delete;
    ChipIo &operator=(const ChipIo &) = delete;

    // Plugs everything into `memory`; false if a range is refused (a bug in the map).
    [[nodiscard]] bool plugInto(Memory &memory);

    // The peripherals that keep time, for the run loop.
    std::array<Timed *, 3> timed() { return {&sci0, &sci1, &itu}; }

    Ports ports;
    Sci sci0;
    Sci sci1;
    Itu itu;
    Intc intc;
    Syscr syscr; // after intc, which it tells UE

private:
    NotModelled m_notModelled;
};

// The core's state count as the peripherals' time; it keeps the earliest wake asked for.
class CoreClock final : public TimeSource
{
public:
    explicit CoreClock(Cpu &cpu) : m_cpu(cpu) {}

    uint64_t now() const override { return m_cpu.states(); }
    void wakeAt(uint64_t state) override
    {
        m_wake = std::min(m_wake, state);
        m_cpu.endRunBy(state);
    }
    // The earliest wake asked for since the last call.
    uint64_t takeWake() { return std::exchange(m_wake, kNever); }

private:
    Cpu &m_cpu;
    uint64_t m_wake = kNever;
};

// Runs the core until a stop or `stateLimit`, bringing each of `timed` up to date at every
// wake it asks for. A peripheral announces its next event again each time it catches up.
StopReason runWithPeripherals(Cpu &cpu, CoreClock &clock, std::span<Timed *const> timed,
                              uint64_t stateLimit);

} // namespace vesk::sim

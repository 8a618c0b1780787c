#include "sim/chipio.h"

#include <algorithm>
#include <array>

namespace vesk::sim {

namespace {

// Together with the timer unit (FFFF60..FFFF9F), the serial channels (FFFFB0..FFFFBF), the
// ports (FFFFC0..FFFFD7), SYSCR (FFFFF2) and the interrupt controller (FFFFF4..FFFFF9) these
// cover the I/O area FFFF1C..FFFFFF without a gap.
constexpr std::array<IoRange, 9> kNotModelled{{
    {0xffff1c, 0xffff5f, "DMA controller, flash memory control"},
    {0xffffa0, 0xffffa7, "programmable timing pattern controller"},
    {0xffffa8, 0xffffab, "watchdog timer"},
    {0xffffac, 0xffffaf, "refresh controller"},
    {0xffffd8, 0xffffdf, "port pull-up control, D/A converter"},
    {0xffffe0, 0xffffeb, "A/D converter"},
    {0xffffec, 0xfffff1, "bus controller, mode control"},
    {0xfffff3, 0xfffff3, "bus release control"},
    {0xfffffa, 0xffffff, "reserved"},
}};

} // namespace

std::span<const IoRange> notModelledRanges()
{
    return kNotModelled;
}

ChipIo::ChipIo(TimeSource &time, InterruptLines &lines)
    : sci0(0, time, lines), sci1(1, time, lines), itu(time, lines), intc(lines), syscr(intc)
{
    for (const Timed *source : timed())
        intc.addSource(*source);
}

bool ChipIo::plugInto(Memory &memory)
{
    bool ok = memory.plug(ports, Ports::kFirst, Ports::kLast) &&
              memory.plug(sci0, Sci::kFirst0, Sci::kFirst0 + Sci::kSize - 1) &&
              memory.plug(sci1, Sci::kFirst1, Sci::kFirst1 + Sci::kSize - 1) &&
              memory.plug(itu, Itu::kFirst, Itu::kLast) &&
              memory.plug(intc, Intc::kFirst, Intc::kLast) &&
              memory.plug(syscr, Syscr::kAddress, Syscr::kAddress);
    for (const IoRange &range : kNotModelled)
        ok = ok && memory.plug(m_notModelled, range.first, range.last);
    return ok;
}

StopReason runWithPeripherals(Cpu &cpu, CoreClock &clock, std::span<Timed *const> timed,
                              uint64_t stateLimit)
{
    for (;;) {
        const uint64_t now = cpu.states();
        for (Timed *t : timed)
            t->advanceTo(now);
        if (now >= stateLimit)
            return StopReason::None;
        const uint64_t wake = std::max(clock.takeWake(), now + 1);
        // A register write during the run that makes something due sooner ends the run
        // there (CoreClock::wakeAt).
        const uint64_t until = std::min(stateLimit, wake);
        const StopReason reason = cpu.run(until);
        if (reason != StopReason::None)
            return reason;
    }
}

} // namespace vesk::sim

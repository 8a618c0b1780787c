#include "sim/chip.h"

#include "state/board.h"

#include <algorithm>

namespace vesk::sim {

Chip::Chip(Memory::Options options)
    : m_memory(options), m_cpu(m_memory), m_clock(m_cpu), m_io(m_clock, m_lines)
{
    m_mapped = m_io.plugInto(m_memory);
    m_cpu.setInterruptSource(&m_io.intc);
}

void Chip::start(const StartState &start)
{
    m_cpu.reset();
    m_cpu.regs().pc = start.pc;
    if (start.sp)
        m_cpu.regs().er[7] = *start.sp;
}

void Chip::setUpLoaderChannel(uint64_t clockHz)
{
    m_io.sci1.write8(Sci::SMR, 0x00);
    m_io.sci1.write8(Sci::BRR, brrFor(clockHz, board::kLineBaud));
    m_io.sci1.write8(Sci::SCR, Sci::TE | Sci::RE);
}

StopReason Chip::run(uint64_t stateLimit)
{
    const auto timed = m_io.timed();
    return runWithPeripherals(m_cpu, m_clock, timed, stateLimit);
}

void Chip::drainSerial()
{
    for (Sci *sci : {&m_io.sci0, &m_io.sci1})
        sci->advanceTo(std::max(m_cpu.states(), sci->sentBy()));
}

uint8_t brrFor(uint64_t clockHz, uint32_t baud)
{
    const uint64_t n = clockHz / (32 * uint64_t{baud});
    return static_cast<uint8_t>(std::clamp<uint64_t>(n, 1, 256) - 1);
}

} // namespace vesk::sim

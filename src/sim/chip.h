#pragma once

// The board's chip put together: its memory, the core, the peripherals on the I/O area with
// the interrupt controller between them and the core, and the run loop that keeps the
// peripherals' time. vesk-sim, the benchmark and the virtual board run programs through it.

#include "sim/chipio.h"
#include "sim/cpu.h"
#include "sim/memory.h"
#include "sim/runner.h"

#include <cstdint>

namespace vesk::sim {

class Chip
{
public:
    // The board's crystal, unless told otherwise: 20 MHz, one state a cycle.
    static constexpr uint64_t kDefaultClockHz = 20'000'000;

    explicit Chip(Memory::Options options = {});
    Chip(const Chip &) = delete;
    Chip &operator=(const Chip &) = delete;

    // False only when the I/O map overlaps itself, a bug that the map's test catches.
    bool mapped() const { return m_mapped; }

    Memory &memory() { return m_memory; }
    Cpu &cpu() { return m_cpu; }
    const Cpu &cpu() const { return m_cpu; }
    ChipIo &io() { return m_io; }
    uint64_t states() const { return m_cpu.states(); }

    // Resets the core and starts it where `start` says.
    void start(const StartState &start);
    // Serial channel 1 as the board's loader leaves it after taking an image: 8 data bits, no
    // parity, 1 stop bit at the loader's line speed for a clock of `clockHz`, transmitter and
    // receiver on. A RAM program may use the channel without setting it up.
    void setUpLoaderChannel(uint64_t clockHz);
    // Runs until a stop, or until states() reaches `stateLimit` (StopReason::None).
    StopReason run(uint64_t stateLimit);
    // After a stop the serial channels still send what the program handed them.
    void drainSerial();

private:
    Memory m_memory;
    Cpu m_cpu;
    CoreClock m_clock;
    InterruptLines m_lines;
    ChipIo m_io;
    bool m_mapped = false;
};

// The baud rate register value for `baud` at `clockHz` with the clock undivided (CKS 0): one
// bit takes 32 × (BRR + 1) states. 64 for 9600 baud at 20 MHz.
uint8_t brrFor(uint64_t clockHz, uint32_t baud);

} // namespace vesk::sim

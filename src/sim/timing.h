#pragma once

// How the chip's peripherals share the core's time and signal interrupts.
//
// Time is counted in states since reset. A peripheral that keeps time (a timer, a serial
// channel's bit clock) does not tick with every instruction: it catches up when its registers
// are accessed and when the board's run loop calls advanceTo(), and it tells the time source
// the next state at which something it does could matter to the program (a compare match, the
// end of a byte), so that the run loop stops there and calls advanceTo() in time. Flags are
// set at their exact states; the core takes the interrupt at its next instruction boundary.

#include <bitset>
#include <cstdint>
#include <limits>

namespace vesk::sim {

constexpr uint64_t kNever = std::numeric_limits<uint64_t>::max();

class TimeSource
{
public:
    virtual ~TimeSource() = default;
    // States since reset, as far as the core has run.
    virtual uint64_t now() const = 0;
    // Something is due at `state`: the run loop must bring every timed peripheral up to date
    // no later than that. Asking again for a later state changes nothing.
    virtual void wakeAt(uint64_t state) = 0;
};

class Timed
{
public:
    virtual ~Timed() = default;
    // Brings counters and flags up to `state` (never earlier than the last call).
    virtual void advanceTo(uint64_t state) = 0;
    // Whether, left alone, the peripheral could still raise an enabled interrupt (a running
    // timer with its interrupt enabled, a receiver that may get a byte). An idle loop or a
    // SLEEP ends the run only when nothing could.
    virtual bool mayRaise() const = 0;
};

// The interrupt request lines by vector number: a peripheral raises a line while a flag and its
// enable bit are both set and drops it when either is cleared. The interrupt controller picks
// among the raised lines by priority.
class InterruptLines
{
public:
    static constexpr int kVectors = 64;

    void set(int vector, bool raised) { m_raised.set(static_cast<size_t>(vector), raised); }
    bool raised(int vector) const { return m_raised.test(static_cast<size_t>(vector)); }
    bool any() const { return m_raised.any(); }

private:
    std::bitset<kVectors> m_raised;
};

} // namespace vesk::sim

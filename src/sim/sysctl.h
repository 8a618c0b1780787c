#pragma once

// The system control register SYSCR at FFFFF2 (reset value 0B):
//   bit 7 SSBY       SLEEP enters software standby instead of sleep
//   bits 6-4 STS2-0  the standby timer: how long the clock settles after a standby
//   bit 3 UE         1: CCR.UI is a user bit; 0: UI masks interrupts as well (see intc.h)
//   bit 2 NMIEG      the NMI pin's edge: 0 falling, 1 rising
//   bit 1            reserved, reads 1
//   bit 0 RAME       on-chip RAM enabled
// UE goes to the interrupt controller and decides masking. The others are only kept for
// reading back: SLEEP sleeps until an interrupt whatever SSBY says (software standby would stop
// the timers and the serial channels too, and only NMI or an IRQ would end it), the NMI pin is
// one request either way, and the on-chip RAM stays enabled.

#include "sim/intc.h"
#include "sim/memory.h"

#include <cstdint>

namespace vesk::sim {

class Syscr final : public Device
{
public:
    static constexpr uint32_t kAddress = 0xfffff2;
    static constexpr uint8_t kReset = 0x0b;
    static constexpr uint8_t kSsby = 0x80;
    static constexpr uint8_t kStsMask = 0x70;
    static constexpr uint8_t kUe = 0x08;
    static constexpr uint8_t kNmieg = 0x04;
    static constexpr uint8_t kReserved = 0x02;
    static constexpr uint8_t kRame = 0x01;

    explicit Syscr(Intc &intc);

    uint8_t value() const { return m_value; }

    uint8_t read8(uint32_t offset) override;
    void write8(uint32_t offset, uint8_t value) override;

private:
    Intc &m_intc;
    uint8_t m_value = kReset;
};

} // namespace vesk::sim

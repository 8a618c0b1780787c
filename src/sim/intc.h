#pragma once

// The interrupt controller at FFFFF4..FFFFF9: the six IRQ pins (ISCR sense, IER enables, ISR
// flags) and the two priority registers IPRA and IPRB, choosing among the request lines that
// the peripherals raise on an InterruptLines.
//
// Order, as in the hardware manual's interrupt chapter: NMI (vector 7) first; then every
// source whose IPR bit is set (priority level 1) before every source at level 0; within a
// level the lower vector number first, which is the manual's default order (IRQ0..IRQ5, WDT
// and refresh timer, ITU0..ITU4, DMAC, SCI0, SCI1, A/D).
//
// Masking depends on SYSCR.UE (reset value 1), as the manual's table of UE, I and UI gives it:
// - UE = 1: CCR.I masks everything but NMI;
// - UE = 0: I = 1 with UI = 0 still lets level-1 interrupts in, and I = UI = 1 masks all but
//   NMI; taking an exception then sets UI as well as I.
// pendingVector() is the highest-priority request whatever CCR says; accepts() applies the
// mask, so the core takes pendingVector() only when accepts() agrees.
//
// IRQ pins: with IRQnSC = 0 the flag follows a low level (set while the pin is low, and taking
// the interrupt clears it only if the pin is high again by then); with IRQnSC = 1 a falling
// edge sets it and taking the interrupt clears it. ISR flags are set whatever IER says and are
// cleared by writing 0 after reading 1, like the timer flags.
//
// Not modelled: the NMI pin's edge select (requestNmi() is one request), and DMAC/SCI/A/D/WDT
// sources beyond the priority they get when some device raises their lines.

#include "sim/cpu.h"
#include "sim/memory.h"
#include "sim/timing.h"

#include <cstdint>
#include <vector>

namespace vesk::sim {

class Intc final : public Device, public InterruptSource
{
public:
    static constexpr uint32_t kFirst = 0xfffff4;
    static constexpr uint32_t kLast = 0xfffff9;
    static constexpr int kNmiVector = 7;
    static constexpr int kIrq0Vector = 12;
    static constexpr int kIrqPins = 6;

    // Offsets from kFirst; FFFFF7 is reserved.
    enum Register : uint32_t { ISCR = 0, IER = 1, ISR = 2, IPRA = 4, IPRB = 5 };

    explicit Intc(InterruptLines &lines);

    // The peripherals whose mayRaise() tells whether an idle program may still be woken.
    void addSource(const Timed &source) { m_sources.push_back(&source); }
    // Whether something outside (the board's switches) may still change the IRQ pins; without
    // it an enabled IRQ with no flag cannot wake an idle program.
    void setPinsLive(bool live) { m_pinsLive = live; }
    // SYSCR.UE, from the system control register (sysctl.h).
    void setUserBitEnable(bool ue) { m_ue = ue; }
    bool userBitEnable() const { return m_ue; }

    // The level on IRQn (true = high); the pins idle high.
    void setIrqPin(int n, bool high);
    void requestNmi() { m_lines.set(kNmiVector, true); }

    // 0 or 1 for a vector, from IPRA/IPRB; NMI and unassigned vectors are 0.
    int level(int vector) const;
    // The vector the chip would take with this CCR, or -1: the full mask rule for either UE.
    int acceptedVector(uint8_t ccr) const;

    int pendingVector() override;
    bool accepts(int vector, uint8_t ccr) const override;
    uint8_t exceptionMask() const override;
    void acknowledge(int vector) override;
    bool mayInterrupt() const override;
    bool mayInterruptWith(uint8_t ccr) const override;
    // The lines change only when a peripheral's registers are accessed or when the board's
    // loop brings the peripherals up to date between runs, so the core asks only then.
    bool changesOnlyOnAccess() const override { return true; }

    uint8_t read8(uint32_t offset) override;
    void write8(uint32_t offset, uint8_t value) override;

private:
    // The highest-priority raised line, NMI first, counting only levels >= minLevel.
    int highest(int minLevel) const;
    void updateIrqs();

    InterruptLines &m_lines;
    std::vector<const Timed *> m_sources;
    uint8_t m_iscr = 0;
    uint8_t m_ier = 0;
    uint8_t m_isr = 0;
    uint8_t m_isrReadOnes = 0; // flags last read as 1, which a write of 0 may clear
    uint8_t m_ipra = 0;
    uint8_t m_iprb = 0;
    uint8_t m_pins = 0x3f; // bit n: IRQn is high
    bool m_pinsLive = false;
    bool m_ue = true;
};

} // namespace vesk::sim

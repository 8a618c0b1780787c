#pragma once

// The H8/300H core in advanced mode: registers, the execution of every instruction of the
// table in isa.h with the condition codes of alu.h on the bus of memory.h, exceptions and
// interrupts, and time counted in states.

#include "sim/alu.h"
#include "sim/isa.h"
#include "sim/memory.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vesk::sim {

struct Registers
{
    uint32_t er[8] = {}; // ER7 is the stack pointer
    uint32_t pc = 0;     // 24 bits
    Ccr ccr;
};

// What the board's peripherals tell the core: the highest-priority interrupt that is
// pending, and the moment the core takes it.
class InterruptSource
{
public:
    virtual ~InterruptSource() = default;
    // The vector number of the interrupt to take, or -1 when none is pending. The core asks
    // before each instruction when CCR.I allows (NMI, vector 7, is never masked).
    virtual int pendingVector() = 0;
    // The core has stacked PC and CCR and is going to the vector.
    virtual void acknowledge(int vector) { (void)vector; }
    // True when an interrupt may still arrive (a timer runs, a receiver is enabled); an idle
    // loop or a SLEEP then waits for it instead of ending the run.
    virtual bool mayInterrupt() const { return false; }
};

enum class StopReason : uint8_t {
    None,        // still running (run() reached its state limit)
    Idle,        // a branch to itself with no interrupt able to arrive
    Sleep,       // SLEEP with nothing to wake it
    Undefined,   // an undefined instruction
    Unsupported, // MOVFPE/MOVTPE
    Fault,       // a bad access (see memory's fault)
};

class Cpu
{
public:
    explicit Cpu(Memory &memory);

    Registers &regs() { return m_regs; }
    const Registers &regs() const { return m_regs; }
    // Reset: CCR.I set, PC from the reset vector (the longword at 0).
    void reset();

    // Executes one instruction (or takes one interrupt); None while the run may go on.
    StopReason step();
    // Steps until a stop or until states() reaches `stateLimit`.
    StopReason run(uint64_t stateLimit);
    uint64_t states() const { return m_states; }

    void setInterruptSource(InterruptSource *source) { m_interrupts = source; }
    // Called before each instruction with its address, for --trace.
    void setTrace(std::function<void(uint32_t, const Decoded &)> trace)
    {
        m_trace = std::move(trace);
    }
    // Why the last stop happened, with the PC: "undefined instruction at FFDF52".
    std::string stopMessage() const { return m_stopMessage; }

private:
    uint8_t reg8(uint8_t r) const;
    void setReg8(uint8_t r, uint8_t v);
    uint16_t reg16(uint8_t r) const;
    void setReg16(uint8_t r, uint16_t v);
    // A register or immediate operand, and its write-back.
    uint32_t value(const Operand &o) const;
    void setValue(const Operand &o, uint32_t v);
    // The address of a memory operand; @ERn+ and @-ERn step the register by the size.
    uint32_t address(const Operand &o, Size size);
    uint32_t load(uint32_t address, Size size);
    void store(uint32_t address, Size size, uint32_t v);
    uint32_t readOperand(const Operand &o, Size size);
    void writeOperand(const Operand &o, Size size, uint32_t v);
    void push32(uint32_t v);
    uint32_t pop32();
    // Stacks CCR and PC, masks interrupts and jumps through the vector.
    void exception(int vector);
    bool conditionHolds(Cond c) const;
    // Whether anything could still interrupt a branch to itself or a SLEEP.
    bool mayBeInterrupted() const;
    StopReason execute(const Decoded &d, uint32_t pc);
    StopReason stop(StopReason reason, std::string message);

    Memory &m_memory;
    Registers m_regs;
    uint64_t m_states = 0;
    InterruptSource *m_interrupts = nullptr;
    std::function<void(uint32_t, const Decoded &)> m_trace;
    std::string m_stopMessage;
    bool m_sleeping = false; // in SLEEP, waiting for an interrupt

    // Decoded instructions by address. An entry is used only while memory still holds the
    // bytes it was decoded from, so code that a program writes is decoded afresh.
    struct CacheEntry
    {
        uint32_t address = ~0u;
        uint8_t bytes[10] = {};
        Decoded insn;
    };
    static constexpr size_t kCacheSize = 4096;
    std::unique_ptr<CacheEntry[]> m_cache{new CacheEntry[kCacheSize]};
};

} // namespace vesk::sim

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
    static constexpr int kNmi = 7;

    virtual ~InterruptSource() = default;
    // The vector number of the highest-priority pending interrupt, masked or not, or -1. The
    // core takes it when accepts() says CCR lets it in.
    virtual int pendingVector() = 0;
    // Whether CCR lets `vector` in. The plain rule: CCR.I masks all but NMI (vector 7). The
    // chip's controller widens it for SYSCR.UE = 0, where UI masks as well.
    virtual bool accepts(int vector, uint8_t ccr) const
    {
        return vector == kNmi || (ccr & Ccr::kI) == 0;
    }
    // The CCR bits that taking an exception sets: I, and UI too when the controller says so.
    virtual uint8_t exceptionMask() const { return Ccr::kI; }
    // The core has stacked PC and CCR and is going to the vector.
    virtual void acknowledge(int vector) { (void)vector; }
    // True when an interrupt may still arrive (a timer runs, a receiver is enabled); an idle
    // loop or a SLEEP then waits for it instead of ending the run.
    virtual bool mayInterrupt() const { return false; }
    // mayInterrupt() for an interrupt that this CCR would let in.
    virtual bool mayInterruptWith(uint8_t ccr) const
    {
        return (ccr & Ccr::kI) == 0 && mayInterrupt();
    }
    // True when pendingVector()'s answer changes only when the program reads or writes a
    // device's register, or between calls of Cpu::run() (where the board's loop brings the
    // peripherals up to date). The core then asks again only after such an access, at the
    // start of run() or step(), after taking an interrupt and while the last answer was one,
    // instead of before every instruction. A source that follows the state count by itself
    // must leave this false.
    virtual bool changesOnlyOnAccess() const { return false; }
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
    // Ends the current run() once states() reaches `state`, if that is sooner than its limit:
    // a peripheral whose register the program just wrote has something due then.
    void endRunBy(uint64_t state)
    {
        if (state < m_runLimit)
            m_runLimit = state;
    }
    uint64_t states() const { return m_states; }

    void setInterruptSource(InterruptSource *source)
    {
        m_interrupts = source;
        m_askAlways = source != nullptr && !source->changesOnlyOnAccess();
        m_askInterrupts = source != nullptr;
    }
    // Called before each instruction with its address, for --trace.
    void setTrace(std::function<void(uint32_t, const Decoded &)> trace)
    {
        m_trace = std::move(trace);
    }
    // Why the last stop happened, with the PC: "undefined instruction at FFDF52".
    std::string stopMessage() const { return m_stopMessage; }

private:
    struct CacheEntry;

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
    // Whether the interrupt source must be asked before the next instruction.
    bool mustAskInterrupts() const;
    // An interrupt to take or a SLEEP to wait in, before the next instruction: true when it
    // took this step, with the step's result in `reason`.
    bool interruptOrSleep(StopReason &reason);
    // Decodes the instruction at `pc` into `entry`; false when `pc` is outside ROM and RAM.
    bool refill(CacheEntry &entry, uint32_t pc);
    // The body of step(), which run() repeats without a call per instruction.
    StopReason stepInline();
    StopReason execute(const Decoded &d, uint32_t pc);
    StopReason stop(StopReason reason, std::string message);

    Memory &m_memory;
    Registers m_regs;
    uint64_t m_states = 0;
    uint64_t m_runLimit = 0; // run()'s limit, which endRunBy() may bring forward
    InterruptSource *m_interrupts = nullptr;
    // m_askAlways: the source follows the state count by itself (see changesOnlyOnAccess),
    // so it is asked before every instruction. m_askInterrupts: ask before the next one
    // whatever the device accesses. m_accessesAsked: the device accesses at the last answer.
    bool m_askAlways = false;
    bool m_askInterrupts = false;
    uint64_t m_accessesAsked = 0;
    std::function<void(uint32_t, const Decoded &)> m_trace;
    std::string m_stopMessage;
    bool m_sleeping = false; // in SLEEP, waiting for an interrupt

    // Decoded instructions by address. An entry is used only while memory's code stamp for
    // its bytes is the one they were decoded under, so code that a program writes (or that
    // is loaded over it) is decoded afresh.
    struct CacheEntry
    {
        uint32_t address = ~0u;
        uint64_t stamp = 0;
        Decoded insn;
    };
    static constexpr size_t kCacheSize = 4096;
    std::unique_ptr<CacheEntry[]> m_cache{new CacheEntry[kCacheSize]};
};

} // namespace vesk::sim

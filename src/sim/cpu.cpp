#include "sim/cpu.h"

#include <algorithm>
#include <cstdio>

namespace vesk::sim {

namespace {

constexpr uint32_t kPcMask = Memory::kAddressMask;
constexpr int kTrapaVector = 8;
// Interrupt handling from on-chip memory as the hardware manual's response-time table sums
// it: priority decision, the end of the current instruction at its shortest, stacking PC and
// CCR, the vector fetch and the first fetches at the handler.
constexpr uint64_t kInterruptStates = 19;
// A sleeping core waits in steps of this many states, so that run() keeps to its limit.
constexpr uint64_t kSleepStep = 2;
// The longest instruction (MOV.L with @(d:24,ERn)) is 10 bytes.
constexpr size_t kMaxLength = 10;

std::string hex6(uint32_t v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%06X", v & kPcMask);
    return buf;
}

constexpr uint32_t stepOf(Size size)
{
    return size == Size::L ? 4u : size == Size::W ? 2u : 1u;
}

bool isMemory(Mode m)
{
    return m != Mode::Reg8 && m != Mode::Reg16 && m != Mode::Reg32 && m != Mode::Imm &&
           m != Mode::None && m != Mode::Ccr;
}

// Applies a flag-setting operation at the instruction's size.
template <typename F> uint32_t bySize(Size size, uint32_t d, uint32_t s, Ccr &ccr, F f)
{
    switch (size) {
    case Size::B:
        return f(static_cast<uint8_t>(d), static_cast<uint8_t>(s), ccr);
    case Size::W:
        return f(static_cast<uint16_t>(d), static_cast<uint16_t>(s), ccr);
    default:
        return f(d, s, ccr);
    }
}

template <typename F> uint32_t unary(Size size, uint32_t d, Ccr &ccr, F f)
{
    switch (size) {
    case Size::B:
        return f(static_cast<uint8_t>(d), ccr);
    case Size::W:
        return f(static_cast<uint16_t>(d), ccr);
    default:
        return f(d, ccr);
    }
}

} // namespace

Cpu::Cpu(Memory &memory) : m_memory(memory) {}

void Cpu::reset()
{
    m_regs.ccr.value = Ccr::kI;
    m_regs.pc = m_memory.read32(0) & kPcMask;
    m_sleeping = false;
    m_stopMessage.clear();
}

uint8_t Cpu::reg8(uint8_t r) const
{
    const uint32_t v = m_regs.er[r & 7];
    return static_cast<uint8_t>(r < 8 ? v >> 8 : v);
}

void Cpu::setReg8(uint8_t r, uint8_t v)
{
    uint32_t &e = m_regs.er[r & 7];
    if (r < 8)
        e = (e & ~0xff00u) | static_cast<uint32_t>(v) << 8;
    else
        e = (e & ~0xffu) | v;
}

uint16_t Cpu::reg16(uint8_t r) const
{
    const uint32_t v = m_regs.er[r & 7];
    return static_cast<uint16_t>(r < 8 ? v : v >> 16);
}

void Cpu::setReg16(uint8_t r, uint16_t v)
{
    uint32_t &e = m_regs.er[r & 7];
    if (r < 8)
        e = (e & 0xffff0000u) | v;
    else
        e = (e & 0xffffu) | static_cast<uint32_t>(v) << 16;
}

// The operand helpers are forced inline: execute() is too large for the compiler to inline
// them on its own, and a call costs more than their work, once or twice an instruction.
[[gnu::always_inline]] inline uint32_t Cpu::value(const Operand &o) const
{
    switch (o.mode) {
    case Mode::Reg8:
        return reg8(o.reg);
    case Mode::Reg16:
        return reg16(o.reg);
    case Mode::Reg32:
        return m_regs.er[o.reg & 7];
    default:
        return o.value;
    }
}

[[gnu::always_inline]] inline void Cpu::setValue(const Operand &o, uint32_t v)
{
    switch (o.mode) {
    case Mode::Reg8:
        setReg8(o.reg, static_cast<uint8_t>(v));
        break;
    case Mode::Reg16:
        setReg16(o.reg, static_cast<uint16_t>(v));
        break;
    default:
        m_regs.er[o.reg & 7] = v;
        break;
    }
}

[[gnu::always_inline]] inline uint32_t Cpu::address(const Operand &o, Size size)
{
    uint32_t &r = m_regs.er[o.reg & 7];
    switch (o.mode) {
    case Mode::Ind:
        return r;
    case Mode::Disp16:
    case Mode::Disp24:
        return r + o.value;
    case Mode::PostInc: {
        const uint32_t a = r;
        r += stepOf(size);
        return a;
    }
    case Mode::PreDec:
        r -= stepOf(size);
        return r;
    case Mode::Abs8:
        return 0xffff00u | (o.value & 0xffu);
    default: // Abs16 (already sign-extended), Abs24, Abs32
        return o.value;
    }
}

[[gnu::always_inline]] inline uint32_t Cpu::load(uint32_t a, Size size)
{
    switch (size) {
    case Size::B:
        return m_memory.read8(a);
    case Size::W:
        return m_memory.read16(a);
    default:
        return m_memory.read32(a);
    }
}

[[gnu::always_inline]] inline void Cpu::store(uint32_t a, Size size, uint32_t v)
{
    switch (size) {
    case Size::B:
        m_memory.write8(a, static_cast<uint8_t>(v));
        break;
    case Size::W:
        m_memory.write16(a, static_cast<uint16_t>(v));
        break;
    default:
        m_memory.write32(a, v);
        break;
    }
}

[[gnu::always_inline]] inline uint32_t Cpu::readOperand(const Operand &o, Size size)
{
    if (!isMemory(o.mode))
        return value(o);
    return load(address(o, size), size);
}

[[gnu::always_inline]] inline void Cpu::writeOperand(const Operand &o, Size size, uint32_t v)
{
    if (!isMemory(o.mode))
        setValue(o, v);
    else
        store(address(o, size), size, v);
}

void Cpu::push32(uint32_t v)
{
    m_regs.er[7] -= 4;
    m_memory.write32(m_regs.er[7], v);
}

uint32_t Cpu::pop32()
{
    const uint32_t v = m_memory.read32(m_regs.er[7]);
    m_regs.er[7] += 4;
    return v;
}

void Cpu::exception(int vector)
{
    // Advanced mode: one longword with CCR in the top byte and the 24-bit PC below it.
    push32(static_cast<uint32_t>(m_regs.ccr.value) << 24 | (m_regs.pc & kPcMask));
    m_regs.ccr.value |= m_interrupts != nullptr ? m_interrupts->exceptionMask() : Ccr::kI;
    m_regs.pc = m_memory.read32(static_cast<uint32_t>(vector) * 4) & kPcMask;
}

[[gnu::always_inline]] inline bool Cpu::conditionHolds(Cond c) const
{
    const uint8_t f = m_regs.ccr.value;
    const bool C = (f & Ccr::kC) != 0;
    const bool V = (f & Ccr::kV) != 0;
    const bool Z = (f & Ccr::kZ) != 0;
    const bool N = (f & Ccr::kN) != 0;
    switch (c) {
    case Cond::RA:
        return true;
    case Cond::RN:
        return false;
    case Cond::HI:
        return !(C || Z);
    case Cond::LS:
        return C || Z;
    case Cond::CC:
        return !C;
    case Cond::CS:
        return C;
    case Cond::NE:
        return !Z;
    case Cond::EQ:
        return Z;
    case Cond::VC:
        return !V;
    case Cond::VS:
        return V;
    case Cond::PL:
        return !N;
    case Cond::MI:
        return N;
    case Cond::GE:
        return N == V;
    case Cond::LT:
        return N != V;
    case Cond::GT:
        return !Z && N == V;
    case Cond::LE:
        return Z || N != V;
    }
    return false;
}

bool Cpu::mayBeInterrupted() const
{
    // The source applies the mask: with I set only NMI gets through (which no peripheral here
    // raises while the core waits), unless SYSCR.UE = 0 lets level-1 interrupts past I.
    return m_interrupts != nullptr && m_interrupts->mayInterruptWith(m_regs.ccr.value);
}

StopReason Cpu::stop(StopReason reason, std::string message)
{
    m_stopMessage = std::move(message);
    return reason;
}

bool Cpu::interruptOrSleep(StopReason &reason)
{
    reason = StopReason::None;
    if (mustAskInterrupts()) {
        const int vector = m_interrupts->pendingVector();
        m_accessesAsked = m_memory.deviceAccesses();
        // A pending interrupt that CCR masks now may be taken after any instruction.
        m_askInterrupts = m_askAlways || vector >= 0;
        if (vector >= 0 && m_interrupts->accepts(vector, m_regs.ccr.value)) {
            m_sleeping = false;
            exception(vector);
            m_interrupts->acknowledge(vector);
            m_states += kInterruptStates;
            if (m_memory.hasFault()) {
                const Fault f = m_memory.fault();
                reason = stop(StopReason::Fault, std::string(faultKindText(f.kind)) + ": " +
                                                     hex6(f.address) + " while taking interrupt " +
                                                     std::to_string(vector));
            }
            return true;
        }
    }
    if (m_sleeping) {
        if (!mayBeInterrupted())
            reason = stop(StopReason::Sleep, "sleep with nothing to wake it at " + hex6(m_regs.pc));
        else if (m_askAlways)
            m_states += kSleepStep;
        else
            // The answer cannot change before the run's end, where the board's loop brings the
            // peripherals up to date: wake there, at the very state their event is due, so an
            // interrupt out of SLEEP comes the same number of states after it every time.
            m_states = std::max(m_runLimit, m_states + 1);
        return true;
    }
    return false;
}

bool Cpu::refill(CacheEntry &entry, uint32_t pc)
{
    size_t available;
    if (pc - Memory::kRamFirst < Memory::kRamSize)
        available = Memory::kRamFirst + Memory::kRamSize - pc;
    else if (pc < Memory::kRomSize)
        available = Memory::kRomSize - pc;
    else
        return false;
    if (available > kMaxLength)
        available = kMaxLength;
    uint8_t bytes[kMaxLength];
    for (size_t i = 0; i < available; ++i)
        bytes[i] = m_memory.peek8(pc + static_cast<uint32_t>(i));
    entry.insn = decode(bytes, available);
    // Only a valid decode is kept: its bytes alone decide it.
    entry.address = entry.insn.valid() ? pc : ~0u;
    entry.stamp = m_memory.codeStamp(pc, entry.insn.length);
    return true;
}

[[gnu::always_inline]] inline bool Cpu::mustAskInterrupts() const
{
    return m_askInterrupts ||
           (m_interrupts != nullptr && m_memory.deviceAccesses() != m_accessesAsked);
}

// Inlined into run(), so that the loop pays one call an instruction (into execute) and tests
// the cache with a few loads.
[[gnu::always_inline]] inline StopReason Cpu::stepInline()
{
    if (m_sleeping || mustAskInterrupts()) {
        StopReason reason;
        if (interruptOrSleep(reason))
            return reason;
    }

    const uint32_t pc = m_regs.pc & kPcMask;
    CacheEntry &entry = m_cache[(pc >> 1) & (kCacheSize - 1)];
    if (entry.address != pc || entry.stamp != m_memory.codeStamp(pc, entry.insn.length))
        [[unlikely]] {
        if (!refill(entry, pc))
            return stop(StopReason::Fault, "instruction fetch outside ROM and RAM at " + hex6(pc));
    }
    const Decoded &d = entry.insn;
    if (m_trace) [[unlikely]]
        m_trace(pc, d);
    if (!d.valid()) [[unlikely]]
        return stop(StopReason::Undefined, "undefined instruction at " + hex6(pc));

    m_regs.pc = (pc + d.length) & kPcMask;
    m_states += d.states;
    const StopReason r = execute(d, pc);
    if (m_memory.hasFault()) [[unlikely]] {
        const Fault f = m_memory.fault();
        return stop(StopReason::Fault, std::string(faultKindText(f.kind)) + ": " +
                                           (f.write ? "write " : "read ") + hex6(f.address) +
                                           " at " + hex6(pc));
    }
    return r;
}

StopReason Cpu::step()
{
    m_askInterrupts = m_interrupts != nullptr;
    m_runLimit = m_states + kSleepStep; // how far one step may sleep
    return stepInline();
}

StopReason Cpu::run(uint64_t stateLimit)
{
    // The board's loop may have brought the peripherals up to date since the last call.
    m_askInterrupts = m_interrupts != nullptr;
    m_runLimit = stateLimit;
    while (m_states < m_runLimit) {
        const StopReason r = stepInline();
        if (r != StopReason::None) [[unlikely]]
            return r;
    }
    return StopReason::None;
}

StopReason Cpu::execute(const Decoded &d, uint32_t pc)
{
    Ccr &ccr = m_regs.ccr;
    const Size sz = d.size;
    switch (d.op) {
    case Op::Undefined:
        return stop(StopReason::Undefined, "undefined instruction at " + hex6(pc));
    case Op::MOVFPE:
    case Op::MOVTPE:
        return stop(StopReason::Unsupported, std::string(d.mnemonic) +
                                                 " is not supported (it waits for the E clock)"
                                                 " at " +
                                                 hex6(pc));

    case Op::MOV: {
        const uint32_t v = readOperand(d.src, sz);
        (void)unary(sz, v, ccr, [](auto x, Ccr &c) { return mov(x, c); });
        writeOperand(d.dst, sz, v);
        break;
    }

    case Op::ADD:
        setValue(d.dst, bySize(sz, value(d.dst), value(d.src), ccr,
                               [](auto a, auto b, Ccr &c) { return add(a, b, c); }));
        break;
    case Op::ADDX:
        setValue(d.dst, addx(reg8(d.dst.reg), static_cast<uint8_t>(value(d.src)), ccr));
        break;
    case Op::SUB:
        setValue(d.dst, bySize(sz, value(d.dst), value(d.src), ccr,
                               [](auto a, auto b, Ccr &c) { return sub(a, b, c); }));
        break;
    case Op::SUBX:
        setValue(d.dst, subx(reg8(d.dst.reg), static_cast<uint8_t>(value(d.src)), ccr));
        break;
    case Op::CMP:
        (void)bySize(sz, value(d.dst), value(d.src), ccr, [](auto a, auto b, Ccr &c) {
            cmp(a, b, c);
            return a; // CMP writes nothing back
        });
        break;
    case Op::ADDS:
        m_regs.er[d.dst.reg & 7] = adds(m_regs.er[d.dst.reg & 7], d.src.value);
        break;
    case Op::SUBS:
        m_regs.er[d.dst.reg & 7] = subs(m_regs.er[d.dst.reg & 7], d.src.value);
        break;
    case Op::INC:
    case Op::DEC: {
        // INC.B and DEC.B have no count field: they step by one.
        const uint32_t n = d.src.mode == Mode::None ? 1u : d.src.value;
        if (d.op == Op::INC)
            setValue(d.dst, bySize(sz, value(d.dst), n, ccr,
                                   [](auto a, auto b, Ccr &c) { return inc(a, b, c); }));
        else
            setValue(d.dst, bySize(sz, value(d.dst), n, ccr,
                                   [](auto a, auto b, Ccr &c) { return dec(a, b, c); }));
        break;
    }
    case Op::DAA:
        setReg8(d.dst.reg, daa(reg8(d.dst.reg), ccr));
        break;
    case Op::DAS:
        setReg8(d.dst.reg, das(reg8(d.dst.reg), ccr));
        break;
    case Op::NEG:
        setValue(d.dst, unary(sz, value(d.dst), ccr, [](auto a, Ccr &c) { return neg(a, c); }));
        break;
    case Op::NOT:
        setValue(d.dst, unary(sz, value(d.dst), ccr, [](auto a, Ccr &c) { return bitNot(a, c); }));
        break;
    case Op::AND:
        setValue(d.dst, bySize(sz, value(d.dst), value(d.src), ccr,
                               [](auto a, auto b, Ccr &c) { return bitAnd(a, b, c); }));
        break;
    case Op::OR:
        setValue(d.dst, bySize(sz, value(d.dst), value(d.src), ccr,
                               [](auto a, auto b, Ccr &c) { return bitOr(a, b, c); }));
        break;
    case Op::XOR:
        setValue(d.dst, bySize(sz, value(d.dst), value(d.src), ccr,
                               [](auto a, auto b, Ccr &c) { return bitXor(a, b, c); }));
        break;

    case Op::MULXU:
        if (sz == Size::B)
            setReg16(d.dst.reg, mulxu8(reg16(d.dst.reg), reg8(d.src.reg)));
        else
            m_regs.er[d.dst.reg & 7] = mulxu16(m_regs.er[d.dst.reg & 7], reg16(d.src.reg));
        break;
    case Op::MULXS:
        if (sz == Size::B)
            setReg16(d.dst.reg, mulxs8(reg16(d.dst.reg), reg8(d.src.reg), ccr));
        else
            m_regs.er[d.dst.reg & 7] = mulxs16(m_regs.er[d.dst.reg & 7], reg16(d.src.reg), ccr);
        break;
    case Op::DIVXU:
        if (sz == Size::B)
            setReg16(d.dst.reg, divxu8(reg16(d.dst.reg), reg8(d.src.reg), ccr));
        else
            m_regs.er[d.dst.reg & 7] = divxu16(m_regs.er[d.dst.reg & 7], reg16(d.src.reg), ccr);
        break;
    case Op::DIVXS:
        if (sz == Size::B)
            setReg16(d.dst.reg, divxs8(reg16(d.dst.reg), reg8(d.src.reg), ccr));
        else
            m_regs.er[d.dst.reg & 7] = divxs16(m_regs.er[d.dst.reg & 7], reg16(d.src.reg), ccr);
        break;
    case Op::EXTU:
        if (sz == Size::W)
            setReg16(d.dst.reg, extu16(reg16(d.dst.reg), ccr));
        else
            m_regs.er[d.dst.reg & 7] = extu32(m_regs.er[d.dst.reg & 7], ccr);
        break;
    case Op::EXTS:
        if (sz == Size::W)
            setReg16(d.dst.reg, exts16(reg16(d.dst.reg), ccr));
        else
            m_regs.er[d.dst.reg & 7] = exts32(m_regs.er[d.dst.reg & 7], ccr);
        break;

    case Op::SHAL:
        setValue(d.dst, unary(sz, value(d.dst), ccr, [](auto a, Ccr &c) { return shal(a, c); }));
        break;
    case Op::SHAR:
        setValue(d.dst, unary(sz, value(d.dst), ccr, [](auto a, Ccr &c) { return shar(a, c); }));
        break;
    case Op::SHLL:
        setValue(d.dst, unary(sz, value(d.dst), ccr, [](auto a, Ccr &c) { return shll(a, c); }));
        break;
    case Op::SHLR:
        setValue(d.dst, unary(sz, value(d.dst), ccr, [](auto a, Ccr &c) { return shlr(a, c); }));
        break;
    case Op::ROTL:
        setValue(d.dst, unary(sz, value(d.dst), ccr, [](auto a, Ccr &c) { return rotl(a, c); }));
        break;
    case Op::ROTR:
        setValue(d.dst, unary(sz, value(d.dst), ccr, [](auto a, Ccr &c) { return rotr(a, c); }));
        break;
    case Op::ROTXL:
        setValue(d.dst, unary(sz, value(d.dst), ccr, [](auto a, Ccr &c) { return rotxl(a, c); }));
        break;
    case Op::ROTXR:
        setValue(d.dst, unary(sz, value(d.dst), ccr, [](auto a, Ccr &c) { return rotxr(a, c); }));
        break;

    case Op::BSET:
    case Op::BCLR:
    case Op::BNOT:
    case Op::BTST:
    case Op::BLD:
    case Op::BILD:
    case Op::BST:
    case Op::BIST:
    case Op::BAND:
    case Op::BIAND:
    case Op::BOR:
    case Op::BIOR:
    case Op::BXOR:
    case Op::BIXOR: {
        const uint32_t n = (d.src.mode == Mode::Reg8 ? reg8(d.src.reg) : d.src.value) & 7u;
        const auto mask = static_cast<uint8_t>(1u << n);
        const bool memory = isMemory(d.dst.mode);
        const uint32_t a = memory ? address(d.dst, Size::B) : 0;
        const uint8_t old = memory ? m_memory.read8(a) : reg8(d.dst.reg);
        const bool bitSet = (old & mask) != 0;
        const bool carry = ccr.test(Ccr::kC);
        uint8_t now = old;
        bool setCarry = false;
        bool newCarry = false;
        switch (d.op) {
        case Op::BSET:
            now = static_cast<uint8_t>(old | mask);
            break;
        case Op::BCLR:
            now = static_cast<uint8_t>(old & ~mask);
            break;
        case Op::BNOT:
            now = static_cast<uint8_t>(old ^ mask);
            break;
        case Op::BTST:
            ccr.assign(Ccr::kZ, bitSet ? 0 : Ccr::kZ);
            break;
        case Op::BST:
        case Op::BIST:
            now = (carry != (d.op == Op::BIST)) ? static_cast<uint8_t>(old | mask)
                                                : static_cast<uint8_t>(old & ~mask);
            break;
        case Op::BLD:
        case Op::BILD:
            setCarry = true;
            newCarry = bitSet != (d.op == Op::BILD);
            break;
        case Op::BAND:
        case Op::BIAND:
            setCarry = true;
            newCarry = carry && (bitSet != (d.op == Op::BIAND));
            break;
        case Op::BOR:
        case Op::BIOR:
            setCarry = true;
            newCarry = carry || (bitSet != (d.op == Op::BIOR));
            break;
        default: // BXOR, BIXOR
            setCarry = true;
            newCarry = carry != (bitSet != (d.op == Op::BIXOR));
            break;
        }
        if (setCarry)
            ccr.assign(Ccr::kC, newCarry ? Ccr::kC : 0);
        const bool writes = d.op == Op::BSET || d.op == Op::BCLR || d.op == Op::BNOT ||
                            d.op == Op::BST || d.op == Op::BIST;
        if (writes) {
            // The memory forms write the byte back even when it does not change, as the chip
            // does (a read-modify-write of a port's data register).
            if (memory)
                m_memory.write8(a, now);
            else
                setReg8(d.dst.reg, now);
        }
        break;
    }

    case Op::Bcc:
    case Op::BSR:
    case Op::JMP:
    case Op::JSR: {
        if (d.op == Op::Bcc && !conditionHolds(d.cond))
            break;
        uint32_t target;
        switch (d.dst.mode) {
        case Mode::Pc8:
        case Mode::Pc16:
            target = pc + d.dst.value;
            break;
        case Mode::Ind:
            target = m_regs.er[d.dst.reg & 7];
            break;
        case Mode::MemInd8:
            // Advanced mode: the table holds longwords, the target in the low 24 bits.
            target = m_memory.read32(d.dst.value & 0xffu);
            break;
        default: // Abs24
            target = d.dst.value;
            break;
        }
        target &= kPcMask;
        if (d.op == Op::BSR || d.op == Op::JSR) {
            push32(m_regs.pc);
        } else if (target == pc && !mayBeInterrupted()) {
            m_regs.pc = target;
            return stop(StopReason::Idle, "idle loop at " + hex6(pc));
        }
        m_regs.pc = target;
        break;
    }
    case Op::RTS:
        m_regs.pc = pop32() & kPcMask;
        break;
    case Op::TRAPA:
        exception(kTrapaVector + static_cast<int>(d.dst.value & 3));
        break;
    case Op::RTE: {
        const uint32_t frame = pop32();
        ccr.value = static_cast<uint8_t>(frame >> 24);
        m_regs.pc = frame & kPcMask;
        break;
    }
    case Op::SLEEP:
        if (!mayBeInterrupted())
            return stop(StopReason::Sleep, "sleep with nothing to wake it at " + hex6(pc));
        m_sleeping = true;
        break;

    case Op::LDC:
        if (d.src.mode == Mode::Imm || d.src.mode == Mode::Reg8)
            ccr.value = static_cast<uint8_t>(value(d.src));
        else // a word access; CCR is its upper byte
            ccr.value = static_cast<uint8_t>(m_memory.read16(address(d.src, Size::W)) >> 8);
        break;
    case Op::STC:
        if (d.dst.mode == Mode::Reg8)
            setReg8(d.dst.reg, ccr.value);
        else // the manual leaves the lower byte open; the chip repeats CCR there
            m_memory.write16(address(d.dst, Size::W),
                             static_cast<uint16_t>(ccr.value << 8 | ccr.value));
        break;
    case Op::ANDC:
        ccr.value = static_cast<uint8_t>(ccr.value & d.src.value);
        break;
    case Op::ORC:
        ccr.value = static_cast<uint8_t>(ccr.value | d.src.value);
        break;
    case Op::XORC:
        ccr.value = static_cast<uint8_t>(ccr.value ^ d.src.value);
        break;
    case Op::NOP:
        break;

    case Op::EEPMOV_B:
    case Op::EEPMOV_W: {
        uint32_t count = d.op == Op::EEPMOV_B ? reg8(12) : reg16(4); // R4L or R4
        m_states += 4u * count;
        for (; count != 0; --count) {
            m_memory.write8(m_regs.er[6], m_memory.read8(m_regs.er[5]));
            m_regs.er[5] += 1;
            m_regs.er[6] += 1;
            if (m_memory.hasFault())
                break;
        }
        if (d.op == Op::EEPMOV_B)
            setReg8(12, static_cast<uint8_t>(count));
        else
            setReg16(4, static_cast<uint16_t>(count));
        break;
    }
    }
    return StopReason::None;
}

} // namespace vesk::sim

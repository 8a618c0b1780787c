#pragma once

// The H8/300H's arithmetic and logic with its condition codes. Each function takes the
// destination operand first (as in "SUB.W Rs,Rd": Rd - Rs), returns the result and updates
// exactly the flags the programming manual lists for that instruction; every other CCR bit
// is left as it was. Header-only so that the executor's switch inlines them.

#include <cstdint>
#include <limits>
#include <type_traits>

namespace vesk::sim {

// Kept as the byte that STC, LDC and the exception frame move, so that nothing converts.
struct Ccr
{
    static constexpr uint8_t kI = 0x80;
    static constexpr uint8_t kUi = 0x40;
    static constexpr uint8_t kH = 0x20;
    static constexpr uint8_t kU = 0x10;
    static constexpr uint8_t kN = 0x08;
    static constexpr uint8_t kZ = 0x04;
    static constexpr uint8_t kV = 0x02;
    static constexpr uint8_t kC = 0x01;

    uint8_t value = kI; // reset masks interrupts

    constexpr bool test(uint8_t mask) const { return (value & mask) != 0; }
    // Replaces the bits in `mask` by those of `bits`.
    constexpr void assign(uint8_t mask, uint8_t bits)
    {
        value = static_cast<uint8_t>((value & ~mask) | (bits & mask));
    }
};

template <typename T>
concept AluWidth =
    std::is_same_v<T, uint8_t> || std::is_same_v<T, uint16_t> || std::is_same_v<T, uint32_t>;

namespace alu {

template <AluWidth T>
inline constexpr uint32_t kSign = uint32_t{1} << (std::numeric_limits<T>::digits - 1);
// H is the carry out of bit 3, 11 or 27: four bits below the top of the operand.
template <AluWidth T>
inline constexpr uint32_t kHalf = uint32_t{1} << (std::numeric_limits<T>::digits - 5);

constexpr uint8_t bit(uint32_t x, uint8_t flag)
{
    return x != 0 ? flag : uint8_t{0};
}

template <AluWidth T> constexpr uint8_t nz(T r)
{
    return static_cast<uint8_t>(bit(r & kSign<T>, Ccr::kN) | bit(r == 0 ? 1u : 0u, Ccr::kZ));
}

// Flags of r = d + s (+ carry in): `carries` has, at each bit, the carry out of that bit.
template <AluWidth T> constexpr uint8_t addFlags(uint32_t d, uint32_t s, uint32_t r)
{
    const uint32_t carries = (d & s) | ((d | s) & ~r);
    const uint32_t overflow = ~(d ^ s) & (d ^ r);
    return static_cast<uint8_t>(bit(carries & kHalf<T>, Ccr::kH) | nz<T>(static_cast<T>(r)) |
                                bit(overflow & kSign<T>, Ccr::kV) |
                                bit(carries & kSign<T>, Ccr::kC));
}

// Flags of r = d - s (- borrow in): `borrows` has, at each bit, the borrow into the next.
template <AluWidth T> constexpr uint8_t subFlags(uint32_t d, uint32_t s, uint32_t r)
{
    const uint32_t borrows = (~d & s) | ((~d | s) & r);
    const uint32_t overflow = (d ^ s) & (d ^ r);
    return static_cast<uint8_t>(bit(borrows & kHalf<T>, Ccr::kH) | nz<T>(static_cast<T>(r)) |
                                bit(overflow & kSign<T>, Ccr::kV) |
                                bit(borrows & kSign<T>, Ccr::kC));
}

constexpr uint8_t kHnzvc = Ccr::kH | Ccr::kN | Ccr::kZ | Ccr::kV | Ccr::kC;
constexpr uint8_t kNzvc = Ccr::kN | Ccr::kZ | Ccr::kV | Ccr::kC;
constexpr uint8_t kNzv = Ccr::kN | Ccr::kZ | Ccr::kV;

} // namespace alu

template <AluWidth T> constexpr T add(T d, T s, Ccr &ccr)
{
    const T r = static_cast<T>(d + s);
    ccr.assign(alu::kHnzvc, alu::addFlags<T>(d, s, r));
    return r;
}

// ADDX and SUBX leave Z set only if it was set before, so that a chain over a multi-word
// value tests the whole value for zero.
template <AluWidth T> constexpr T addx(T d, T s, Ccr &ccr)
{
    const T r = static_cast<T>(d + s + (ccr.value & Ccr::kC));
    const uint8_t keepZ = ccr.value | static_cast<uint8_t>(~Ccr::kZ);
    ccr.assign(alu::kHnzvc, alu::addFlags<T>(d, s, r) & keepZ);
    return r;
}

template <AluWidth T> constexpr T sub(T d, T s, Ccr &ccr)
{
    const T r = static_cast<T>(d - s);
    ccr.assign(alu::kHnzvc, alu::subFlags<T>(d, s, r));
    return r;
}

template <AluWidth T> constexpr T subx(T d, T s, Ccr &ccr)
{
    const T r = static_cast<T>(d - s - (ccr.value & Ccr::kC));
    const uint8_t keepZ = ccr.value | static_cast<uint8_t>(~Ccr::kZ);
    ccr.assign(alu::kHnzvc, alu::subFlags<T>(d, s, r) & keepZ);
    return r;
}

template <AluWidth T> constexpr void cmp(T d, T s, Ccr &ccr)
{
    (void)sub(d, s, ccr); // the flags are CMP's whole effect
}

template <AluWidth T> constexpr T neg(T d, Ccr &ccr)
{
    return sub(T{0}, d, ccr);
}

// INC and DEC add 1 (or 2 for the word and longword forms) and leave H and C alone, so that
// a loop counter does not disturb a carry chain.
template <AluWidth T> constexpr T inc(T d, T n, Ccr &ccr)
{
    const T r = static_cast<T>(d + n);
    ccr.assign(alu::kNzv,
               static_cast<uint8_t>(alu::nz<T>(r) | alu::bit(~d & r & alu::kSign<T>, Ccr::kV)));
    return r;
}

template <AluWidth T> constexpr T dec(T d, T n, Ccr &ccr)
{
    const T r = static_cast<T>(d - n);
    ccr.assign(alu::kNzv,
               static_cast<uint8_t>(alu::nz<T>(r) | alu::bit(d & ~r & alu::kSign<T>, Ccr::kV)));
    return r;
}

// ADDS and SUBS (#1, #2, #4 on a 32-bit register) change no flag: they move pointers.
constexpr uint32_t adds(uint32_t d, uint32_t n)
{
    return d + n;
}
constexpr uint32_t subs(uint32_t d, uint32_t n)
{
    return d - n;
}

// Decimal adjust after ADD/ADDX of two BCD bytes. The manual leaves H and V undetermined
// after DAA and DAS; they are left as they were.
constexpr uint8_t daa(uint8_t d, Ccr &ccr)
{
    uint32_t adjust = 0;
    if (ccr.test(Ccr::kH) || (d & 0x0f) > 9)
        adjust |= 0x06;
    const bool carry = ccr.test(Ccr::kC) || d > 0x99;
    if (carry)
        adjust |= 0x60;
    const auto r = static_cast<uint8_t>(d + adjust);
    ccr.assign(Ccr::kN | Ccr::kZ | Ccr::kC,
               static_cast<uint8_t>(alu::nz<uint8_t>(r) | alu::bit(carry, Ccr::kC)));
    return r;
}

// After SUB/SUBX; C (the borrow out of the BCD subtraction) is kept as it was.
constexpr uint8_t das(uint8_t d, Ccr &ccr)
{
    uint32_t adjust = 0;
    if (ccr.test(Ccr::kH))
        adjust |= 0x06;
    if (ccr.test(Ccr::kC))
        adjust |= 0x60;
    const auto r = static_cast<uint8_t>(d - adjust);
    ccr.assign(Ccr::kN | Ccr::kZ, alu::nz<uint8_t>(r));
    return r;
}

// MOV, the logic operations and EXTU/EXTS set N and Z from the result and clear V.
template <AluWidth T> constexpr T mov(T v, Ccr &ccr)
{
    ccr.assign(alu::kNzv, alu::nz<T>(v));
    return v;
}

template <AluWidth T> constexpr T bitAnd(T d, T s, Ccr &ccr)
{
    return mov(static_cast<T>(d & s), ccr);
}
template <AluWidth T> constexpr T bitOr(T d, T s, Ccr &ccr)
{
    return mov(static_cast<T>(d | s), ccr);
}
template <AluWidth T> constexpr T bitXor(T d, T s, Ccr &ccr)
{
    return mov(static_cast<T>(d ^ s), ccr);
}
template <AluWidth T> constexpr T bitNot(T d, Ccr &ccr)
{
    return mov(static_cast<T>(~d), ccr);
}

// The shifts and rotates move one bit; C takes the bit shifted out.
namespace alu {
template <AluWidth T> constexpr T shiftResult(T r, bool carry, bool overflow, Ccr &ccr)
{
    ccr.assign(kNzvc,
               static_cast<uint8_t>(nz<T>(r) | bit(overflow, Ccr::kV) | bit(carry, Ccr::kC)));
    return r;
}
template <AluWidth T> constexpr bool top(T d)
{
    return (d & kSign<T>) != 0;
}
} // namespace alu

// SHAL sets V when the sign changes, that is when bits n-1 and n-2 differed.
template <AluWidth T> constexpr T shal(T d, Ccr &ccr)
{
    const auto r = static_cast<T>(d << 1);
    return alu::shiftResult(r, alu::top(d), alu::top(static_cast<T>(d ^ r)), ccr);
}
template <AluWidth T> constexpr T shar(T d, Ccr &ccr)
{
    const auto r = static_cast<T>((d >> 1) | (d & alu::kSign<T>));
    return alu::shiftResult(r, (d & 1) != 0, false, ccr);
}
template <AluWidth T> constexpr T shll(T d, Ccr &ccr)
{
    return alu::shiftResult(static_cast<T>(d << 1), alu::top(d), false, ccr);
}
template <AluWidth T> constexpr T shlr(T d, Ccr &ccr)
{
    return alu::shiftResult(static_cast<T>(d >> 1), (d & 1) != 0, false, ccr);
}
template <AluWidth T> constexpr T rotl(T d, Ccr &ccr)
{
    const auto r = static_cast<T>((d << 1) | (alu::top(d) ? 1u : 0u));
    return alu::shiftResult(r, alu::top(d), false, ccr);
}
template <AluWidth T> constexpr T rotr(T d, Ccr &ccr)
{
    const auto r = static_cast<T>((d >> 1) | ((d & 1) != 0 ? alu::kSign<T> : 0u));
    return alu::shiftResult(r, (d & 1) != 0, false, ccr);
}
template <AluWidth T> constexpr T rotxl(T d, Ccr &ccr)
{
    const auto r = static_cast<T>((d << 1) | (ccr.value & Ccr::kC));
    return alu::shiftResult(r, alu::top(d), false, ccr);
}
template <AluWidth T> constexpr T rotxr(T d, Ccr &ccr)
{
    const auto r = static_cast<T>((d >> 1) | (ccr.test(Ccr::kC) ? alu::kSign<T> : 0u));
    return alu::shiftResult(r, (d & 1) != 0, false, ccr);
}

// EXTU.W/EXTS.W extend the low byte of a word register, EXTU.L/EXTS.L the low word of a
// longword register.
constexpr uint16_t extu16(uint16_t d, Ccr &ccr)
{
    return mov(static_cast<uint16_t>(d & 0xff), ccr);
}
constexpr uint32_t extu32(uint32_t d, Ccr &ccr)
{
    return mov(d & 0xffffu, ccr);
}
constexpr uint16_t exts16(uint16_t d, Ccr &ccr)
{
    return mov(static_cast<uint16_t>(static_cast<int8_t>(d & 0xff)), ccr);
}
constexpr uint32_t exts32(uint32_t d, Ccr &ccr)
{
    return mov(static_cast<uint32_t>(static_cast<int16_t>(d & 0xffff)), ccr);
}

// MULXU.B multiplies the low byte of Rd by Rs into the whole word (MULXU.W: the low word of
// ERd by Rs into ERd) and changes no flag.
constexpr uint16_t mulxu8(uint16_t d, uint8_t s)
{
    return static_cast<uint16_t>((d & 0xffu) * s);
}
constexpr uint32_t mulxu16(uint32_t d, uint16_t s)
{
    return (d & 0xffffu) * s;
}
// MULXS sets N and Z from the double-width product; V and C stay.
constexpr uint16_t mulxs8(uint16_t d, uint8_t s, Ccr &ccr)
{
    const auto r = static_cast<uint16_t>(static_cast<int8_t>(d & 0xff) * static_cast<int8_t>(s));
    ccr.assign(Ccr::kN | Ccr::kZ, alu::nz<uint16_t>(r));
    return r;
}
constexpr uint32_t mulxs16(uint32_t d, uint16_t s, Ccr &ccr)
{
    const auto r = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(d & 0xffff)) *
                                         static_cast<int16_t>(s));
    ccr.assign(Ccr::kN | Ccr::kZ, alu::nz<uint32_t>(r));
    return r;
}

// DIVXU.B divides the word Rd by Rs and leaves the remainder in the high byte and the
// quotient in the low byte (DIVXU.W: ERd by Rs, remainder in E, quotient in R). N tells that
// the divisor's top bit is set, Z that it is zero; V and C stay. The manual gives no result
// for a zero divisor or a quotient that does not fit: Rd is then kept, or the quotient
// truncated to its width.
constexpr uint16_t divxu8(uint16_t d, uint8_t s, Ccr &ccr)
{
    ccr.assign(Ccr::kN | Ccr::kZ, static_cast<uint8_t>(alu::bit(s & 0x80u, Ccr::kN) |
                                                       alu::bit(s == 0 ? 1u : 0u, Ccr::kZ)));
    if (s == 0)
        return d;
    return static_cast<uint16_t>(((d % s) << 8) | ((d / s) & 0xffu));
}
constexpr uint32_t divxu16(uint32_t d, uint16_t s, Ccr &ccr)
{
    ccr.assign(Ccr::kN | Ccr::kZ, static_cast<uint8_t>(alu::bit(s & 0x8000u, Ccr::kN) |
                                                       alu::bit(s == 0 ? 1u : 0u, Ccr::kZ)));
    if (s == 0)
        return d;
    return ((d % s) << 16) | ((d / s) & 0xffffu);
}
// DIVXS rounds the quotient toward zero and gives the remainder the dividend's sign, as C
// does. Z tells that the divisor is zero. N is set when the operands' signs differ, so also
// for a quotient rounded to zero (3 / -5), as the manual's note on DIVXS warns.
namespace alu {
// Both widths of DIVXS: `Half` is the divisor's type, the dividend is twice as wide.
template <typename Half, typename Full> constexpr Full divxs(Full d, Half s, Ccr &ccr)
{
    constexpr unsigned kBits = std::numeric_limits<Half>::digits;
    using SignedHalf = std::make_signed_t<Half>;
    using SignedFull = std::make_signed_t<Full>;
    const int64_t dividend = static_cast<SignedFull>(d);
    const int64_t divisor = static_cast<SignedHalf>(s);
    const int64_t quotient = divisor == 0 ? 0 : dividend / divisor;
    ccr.assign(Ccr::kN | Ccr::kZ,
               static_cast<uint8_t>(bit((dividend < 0) != (divisor < 0) ? 1u : 0u, Ccr::kN) |
                                    bit(divisor == 0 ? 1u : 0u, Ccr::kZ)));
    if (divisor == 0)
        return d;
    const int64_t remainder = dividend % divisor;
    constexpr uint64_t kMask = (uint64_t{1} << kBits) - 1;
    return static_cast<Full>(((static_cast<uint64_t>(remainder) & kMask) << kBits) |
                             (static_cast<uint64_t>(quotient) & kMask));
}
} // namespace alu
constexpr uint16_t divxs8(uint16_t d, uint8_t s, Ccr &ccr)
{
    return alu::divxs<uint8_t, uint16_t>(d, s, ccr);
}
constexpr uint32_t divxs16(uint32_t d, uint16_t s, Ccr &ccr)
{
    return alu::divxs<uint16_t, uint32_t>(d, s, ccr);
}

// Named widths for the executor's switch.
constexpr uint8_t add8(uint8_t d, uint8_t s, Ccr &ccr)
{
    return add(d, s, ccr);
}
constexpr uint16_t add16(uint16_t d, uint16_t s, Ccr &ccr)
{
    return add(d, s, ccr);
}
constexpr uint32_t add32(uint32_t d, uint32_t s, Ccr &ccr)
{
    return add(d, s, ccr);
}
constexpr uint8_t sub8(uint8_t d, uint8_t s, Ccr &ccr)
{
    return sub(d, s, ccr);
}
constexpr uint16_t sub16(uint16_t d, uint16_t s, Ccr &ccr)
{
    return sub(d, s, ccr);
}
constexpr uint32_t sub32(uint32_t d, uint32_t s, Ccr &ccr)
{
    return sub(d, s, ccr);
}

} // namespace vesk::sim

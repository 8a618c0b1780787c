#include "sim/isa.h"

#include <array>
#include <cstdio>

namespace vesk::sim {

namespace {

// Where an operand comes from. `nib` numbers the nibbles of the first four bytes (0 = high
// nibble of byte 0); `off` is the byte offset of an extension field, or a fixed value.
enum class Fld : uint8_t {
    None,
    R8,
    R16,
    R32, // low three bits of the nibble
    Ind,
    PostInc,
    PreDec,
    Disp16,
    Disp32,
    Abs8,
    Abs16,
    Abs24,
    Abs32,
    Imm8,
    Imm16,
    Imm32,
    BitNo, // #xx:3 in the low three bits of the nibble
    Trap,  // #xx:2 in the low two bits of the nibble
    Fixed, // the constant `off` (ADDS #4, INC.W #2)
    Pc8,
    Pc16,
    MemInd8,
    Ccr,
};

struct OperandForm
{
    Fld f = Fld::None;
    uint8_t nib = 0;
    uint8_t off = 0;
};

constexpr OperandForm none{};
constexpr OperandForm r8(uint8_t n)
{
    return {Fld::R8, n, 0};
}
constexpr OperandForm r16(uint8_t n)
{
    return {Fld::R16, n, 0};
}
constexpr OperandForm r32(uint8_t n)
{
    return {Fld::R32, n, 0};
}
constexpr OperandForm ind(uint8_t n)
{
    return {Fld::Ind, n, 0};
}
constexpr OperandForm inc(uint8_t n)
{
    return {Fld::PostInc, n, 0};
}
constexpr OperandForm dec(uint8_t n)
{
    return {Fld::PreDec, n, 0};
}
constexpr OperandForm d16(uint8_t n, uint8_t o)
{
    return {Fld::Disp16, n, o};
}
constexpr OperandForm d32(uint8_t n, uint8_t o)
{
    return {Fld::Disp32, n, o};
}
constexpr OperandForm a8(uint8_t o)
{
    return {Fld::Abs8, 0, o};
}
constexpr OperandForm a16(uint8_t o)
{
    return {Fld::Abs16, 0, o};
}
constexpr OperandForm a24(uint8_t o)
{
    return {Fld::Abs24, 0, o};
}
constexpr OperandForm a32(uint8_t o)
{
    return {Fld::Abs32, 0, o};
}
constexpr OperandForm i8(uint8_t o)
{
    return {Fld::Imm8, 0, o};
}
constexpr OperandForm i16(uint8_t o)
{
    return {Fld::Imm16, 0, o};
}
constexpr OperandForm i32(uint8_t o)
{
    return {Fld::Imm32, 0, o};
}
constexpr OperandForm bit(uint8_t n)
{
    return {Fld::BitNo, n, 0};
}
constexpr OperandForm fix(uint8_t v)
{
    return {Fld::Fixed, 0, v};
}
constexpr OperandForm ccr{Fld::Ccr, 0, 0};

// One opcode pattern. mask/match cover the first eight bytes, byte 0 in the top bits.
struct Row
{
    uint64_t mask;
    uint64_t match;
    Op op;
    Size size;
    OperandForm src;
    OperandForm dst;
    uint8_t length;
    uint8_t states;
    const char *mnemonic; // nullptr: Bcc, named by its condition
};

constexpr uint64_t w2(uint32_t v)
{
    return uint64_t(v) << 48;
}
constexpr uint64_t w4(uint32_t v)
{
    return uint64_t(v) << 32;
}

constexpr Row row2(uint32_t mask, uint32_t match, Op op, Size sz, OperandForm s, OperandForm d,
                   uint8_t len, uint8_t st, const char *mn)
{
    return {w2(mask), w2(match), op, sz, s, d, len, st, mn};
}
constexpr Row row4(uint32_t mask, uint32_t match, Op op, Size sz, OperandForm s, OperandForm d,
                   uint8_t len, uint8_t st, const char *mn)
{
    return {w4(mask), w4(match), op, sz, s, d, len, st, mn};
}
constexpr Row row8(uint64_t mask, uint64_t match, Op op, Size sz, OperandForm s, OperandForm d,
                   uint8_t len, uint8_t st, const char *mn)
{
    return {mask, match, op, sz, s, d, len, st, mn};
}

using S = Size;

// States: instruction fetches, branch-address and stack accesses, data accesses (2 states each
// from on-chip memory) and internal operations (1 state each), summed as the manual's table does
// for advanced mode, where a return address or a memory-indirect table entry is a longword (two
// stack or branch-address accesses). Within one first byte, rows are tried in order.
constexpr Row kRows[] = {
    // Row 0 stands for "undefined" in Decoded::pattern.
    row2(0, 1, Op::Undefined, S::None, none, none, 2, 0, "(undefined)"),

    row2(0xFFFF, 0x0000, Op::NOP, S::None, none, none, 2, 2, "nop"),
    row2(0xFFFF, 0x0180, Op::SLEEP, S::None, none, none, 2, 2, "sleep"),

    // MOV.L with memory: prefix 01 00, then the MOV.W encoding.
    row4(0xFFFFFF80, 0x01006900, Op::MOV, S::L, ind(6), r32(7), 4, 8, "mov.l"),
    row4(0xFFFFFF88, 0x01006980, Op::MOV, S::L, r32(7), ind(6), 4, 8, "mov.l"),
    row4(0xFFFFFF80, 0x01006F00, Op::MOV, S::L, d16(6, 4), r32(7), 6, 10, "mov.l"),
    row4(0xFFFFFF80, 0x01006F80, Op::MOV, S::L, r32(7), d16(6, 4), 6, 10, "mov.l"),
    row8(0xFFFFFF8FFFF00000, 0x010078006B200000, Op::MOV, S::L, d32(6, 6), r32(11), 10, 14,
         "mov.l"),
    row8(0xFFFFFF8FFFF00000, 0x010078806BA00000, Op::MOV, S::L, r32(11), d32(6, 6), 10, 14,
         "mov.l"),
    row4(0xFFFFFF80, 0x01006D00, Op::MOV, S::L, inc(6), r32(7), 4, 10, "mov.l"),
    row4(0xFFFFFF80, 0x01006D80, Op::MOV, S::L, r32(7), dec(6), 4, 10, "mov.l"),
    row4(0xFFFFFFF0, 0x01006B00, Op::MOV, S::L, a16(4), r32(7), 6, 10, "mov.l"),
    row4(0xFFFFFFF0, 0x01006B20, Op::MOV, S::L, a32(4), r32(7), 8, 12, "mov.l"),
    row4(0xFFFFFFF0, 0x01006B80, Op::MOV, S::L, r32(7), a16(4), 6, 10, "mov.l"),
    row4(0xFFFFFFF0, 0x01006BA0, Op::MOV, S::L, r32(7), a32(4), 8, 12, "mov.l"),

    // LDC/STC with memory: prefix 01 40, a word access.
    row4(0xFFFFFF8F, 0x01406900, Op::LDC, S::W, ind(6), ccr, 4, 6, "ldc"),
    row4(0xFFFFFF8F, 0x01406980, Op::STC, S::W, ccr, ind(6), 4, 6, "stc"),
    row4(0xFFFFFF8F, 0x01406F00, Op::LDC, S::W, d16(6, 4), ccr, 6, 8, "ldc"),
    row4(0xFFFFFF8F, 0x01406F80, Op::STC, S::W, ccr, d16(6, 4), 6, 8, "stc"),
    row8(0xFFFFFF8FFFFF0000, 0x014078006B200000, Op::LDC, S::W, d32(6, 6), ccr, 10, 12, "ldc"),
    row8(0xFFFFFF8FFFFF0000, 0x014078006BA00000, Op::STC, S::W, ccr, d32(6, 6), 10, 12, "stc"),
    row4(0xFFFFFF8F, 0x01406D00, Op::LDC, S::W, inc(6), ccr, 4, 8, "ldc"),
    row4(0xFFFFFF8F, 0x01406D80, Op::STC, S::W, ccr, dec(6), 4, 8, "stc"),
    row4(0xFFFFFFFF, 0x01406B00, Op::LDC, S::W, a16(4), ccr, 6, 8, "ldc"),
    row4(0xFFFFFFFF, 0x01406B20, Op::LDC, S::W, a32(4), ccr, 8, 10, "ldc"),
    row4(0xFFFFFFFF, 0x01406B80, Op::STC, S::W, ccr, a16(4), 6, 8, "stc"),
    row4(0xFFFFFFFF, 0x01406BA0, Op::STC, S::W, ccr, a32(4), 8, 10, "stc"),

    row4(0xFFFFFF00, 0x01C05000, Op::MULXS, S::B, r8(6), r16(7), 4, 16, "mulxs.b"),
    row4(0xFFFFFF08, 0x01C05200, Op::MULXS, S::W, r16(6), r32(7), 4, 24, "mulxs.w"),
    row4(0xFFFFFF00, 0x01D05100, Op::DIVXS, S::B, r8(6), r16(7), 4, 16, "divxs.b"),
    row4(0xFFFFFF08, 0x01D05300, Op::DIVXS, S::W, r16(6), r32(7), 4, 24, "divxs.w"),
    row4(0xFFFFFF88, 0x01F06400, Op::OR, S::L, r32(6), r32(7), 4, 4, "or.l"),
    row4(0xFFFFFF88, 0x01F06500, Op::XOR, S::L, r32(6), r32(7), 4, 4, "xor.l"),
    row4(0xFFFFFF88, 0x01F06600, Op::AND, S::L, r32(6), r32(7), 4, 4, "and.l"),

    row2(0xFFF0, 0x0200, Op::STC, S::B, ccr, r8(3), 2, 2, "stc"),
    row2(0xFFF0, 0x0300, Op::LDC, S::B, r8(3), ccr, 2, 2, "ldc"),
    row2(0xFF00, 0x0400, Op::ORC, S::B, i8(1), ccr, 2, 2, "orc"),
    row2(0xFF00, 0x0500, Op::XORC, S::B, i8(1), ccr, 2, 2, "xorc"),
    row2(0xFF00, 0x0600, Op::ANDC, S::B, i8(1), ccr, 2, 2, "andc"),
    row2(0xFF00, 0x0700, Op::LDC, S::B, i8(1), ccr, 2, 2, "ldc"),

    row2(0xFF00, 0x0800, Op::ADD, S::B, r8(2), r8(3), 2, 2, "add.b"),
    row2(0xFF00, 0x0900, Op::ADD, S::W, r16(2), r16(3), 2, 2, "add.w"),
    row2(0xFFF0, 0x0A00, Op::INC, S::B, none, r8(3), 2, 2, "inc"),
    row2(0xFF88, 0x0A80, Op::ADD, S::L, r32(2), r32(3), 2, 2, "add.l"),
    row2(0xFFF0, 0x0B00, Op::ADDS, S::L, fix(1), r32(3), 2, 2, "adds"),
    row2(0xFFF0, 0x0B80, Op::ADDS, S::L, fix(2), r32(3), 2, 2, "adds"),
    row2(0xFFF0, 0x0B90, Op::ADDS, S::L, fix(4), r32(3), 2, 2, "adds"),
    row2(0xFFF0, 0x0B50, Op::INC, S::W, fix(1), r16(3), 2, 2, "inc.w"),
    row2(0xFFF0, 0x0BD0, Op::INC, S::W, fix(2), r16(3), 2, 2, "inc.w"),
    row2(0xFFF8, 0x0B70, Op::INC, S::L, fix(1), r32(3), 2, 2, "inc.l"),
    row2(0xFFF8, 0x0BF0, Op::INC, S::L, fix(2), r32(3), 2, 2, "inc.l"),
    row2(0xFF00, 0x0C00, Op::MOV, S::B, r8(2), r8(3), 2, 2, "mov.b"),
    row2(0xFF00, 0x0D00, Op::MOV, S::W, r16(2), r16(3), 2, 2, "mov.w"),
    row2(0xFF00, 0x0E00, Op::ADDX, S::B, r8(2), r8(3), 2, 2, "addx"),
    row2(0xFFF0, 0x0F00, Op::DAA, S::B, none, r8(3), 2, 2, "daa"),
    row2(0xFF88, 0x0F80, Op::MOV, S::L, r32(2), r32(3), 2, 2, "mov.l"),

    row2(0xFFF0, 0x1000, Op::SHLL, S::B, none, r8(3), 2, 2, "shll.b"),
    row2(0xFFF0, 0x1010, Op::SHLL, S::W, none, r16(3), 2, 2, "shll.w"),
    row2(0xFFF8, 0x1030, Op::SHLL, S::L, none, r32(3), 2, 2, "shll.l"),
    row2(0xFFF0, 0x1080, Op::SHAL, S::B, none, r8(3), 2, 2, "shal.b"),
    row2(0xFFF0, 0x1090, Op::SHAL, S::W, none, r16(3), 2, 2, "shal.w"),
    row2(0xFFF8, 0x10B0, Op::SHAL, S::L, none, r32(3), 2, 2, "shal.l"),
    row2(0xFFF0, 0x1100, Op::SHLR, S::B, none, r8(3), 2, 2, "shlr.b"),
    row2(0xFFF0, 0x1110, Op::SHLR, S::W, none, r16(3), 2, 2, "shlr.w"),
    row2(0xFFF8, 0x1130, Op::SHLR, S::L, none, r32(3), 2, 2, "shlr.l"),
    row2(0xFFF0, 0x1180, Op::SHAR, S::B, none, r8(3), 2, 2, "shar.b"),
    row2(0xFFF0, 0x1190, Op::SHAR, S::W, none, r16(3), 2, 2, "shar.w"),
    row2(0xFFF8, 0x11B0, Op::SHAR, S::L, none, r32(3), 2, 2, "shar.l"),
    row2(0xFFF0, 0x1200, Op::ROTXL, S::B, none, r8(3), 2, 2, "rotxl.b"),
    row2(0xFFF0, 0x1210, Op::ROTXL, S::W, none, r16(3), 2, 2, "rotxl.w"),
    row2(0xFFF8, 0x1230, Op::ROTXL, S::L, none, r32(3), 2, 2, "rotxl.l"),
    row2(0xFFF0, 0x1280, Op::ROTL, S::B, none, r8(3), 2, 2, "rotl.b"),
    row2(0xFFF0, 0x1290, Op::ROTL, S::W, none, r16(3), 2, 2, "rotl.w"),
    row2(0xFFF8, 0x12B0, Op::ROTL, S::L, none, r32(3), 2, 2, "rotl.l"),
    row2(0xFFF0, 0x1300, Op::ROTXR, S::B, none, r8(3), 2, 2, "rotxr.b"),
    row2(0xFFF0, 0x1310, Op::ROTXR, S::W, none, r16(3), 2, 2, "rotxr.w"),
    row2(0xFFF8, 0x1330, Op::ROTXR, S::L, none, r32(3), 2, 2, "rotxr.l"),
    row2(0xFFF0, 0x1380, Op::ROTR, S::B, none, r8(3), 2, 2, "rotr.b"),
    row2(0xFFF0, 0x1390, Op::ROTR, S::W, none, r16(3), 2, 2, "rotr.w"),
    row2(0xFFF8, 0x13B0, Op::ROTR, S::L, none, r32(3), 2, 2, "rotr.l"),
    row2(0xFF00, 0x1400, Op::OR, S::B, r8(2), r8(3), 2, 2, "or.b"),
    row2(0xFF00, 0x1500, Op::XOR, S::B, r8(2), r8(3), 2, 2, "xor.b"),
    row2(0xFF00, 0x1600, Op::AND, S::B, r8(2), r8(3), 2, 2, "and.b"),
    row2(0xFFF0, 0x1700, Op::NOT, S::B, none, r8(3), 2, 2, "not.b"),
    row2(0xFFF0, 0x1710, Op::NOT, S::W, none, r16(3), 2, 2, "not.w"),
    row2(0xFFF8, 0x1730, Op::NOT, S::L, none, r32(3), 2, 2, "not.l"),
    row2(0xFFF0, 0x1750, Op::EXTU, S::W, none, r16(3), 2, 2, "extu.w"),
    row2(0xFFF8, 0x1770, Op::EXTU, S::L, none, r32(3), 2, 2, "extu.l"),
    row2(0xFFF0, 0x1780, Op::NEG, S::B, none, r8(3), 2, 2, "neg.b"),
    row2(0xFFF0, 0x1790, Op::NEG, S::W, none, r16(3), 2, 2, "neg.w"),
    row2(0xFFF8, 0x17B0, Op::NEG, S::L, none, r32(3), 2, 2, "neg.l"),
    row2(0xFFF0, 0x17D0, Op::EXTS, S::W, none, r16(3), 2, 2, "exts.w"),
    row2(0xFFF8, 0x17F0, Op::EXTS, S::L, none, r32(3), 2, 2, "exts.l"),
    row2(0xFF00, 0x1800, Op::SUB, S::B, r8(2), r8(3), 2, 2, "sub.b"),
    row2(0xFF00, 0x1900, Op::SUB, S::W, r16(2), r16(3), 2, 2, "sub.w"),
    row2(0xFFF0, 0x1A00, Op::DEC, S::B, none, r8(3), 2, 2, "dec.b"),
    row2(0xFF88, 0x1A80, Op::SUB, S::L, r32(2), r32(3), 2, 2, "sub.l"),
    row2(0xFFF0, 0x1B00, Op::SUBS, S::L, fix(1), r32(3), 2, 2, "subs"),
    row2(0xFFF0, 0x1B80, Op::SUBS, S::L, fix(2), r32(3), 2, 2, "subs"),
    row2(0xFFF0, 0x1B90, Op::SUBS, S::L, fix(4), r32(3), 2, 2, "subs"),
    row2(0xFFF0, 0x1B50, Op::DEC, S::W, fix(1), r16(3), 2, 2, "dec.w"),
    row2(0xFFF0, 0x1BD0, Op::DEC, S::W, fix(2), r16(3), 2, 2, "dec.w"),
    row2(0xFFF8, 0x1B70, Op::DEC, S::L, fix(1), r32(3), 2, 2, "dec.l"),
    row2(0xFFF8, 0x1BF0, Op::DEC, S::L, fix(2), r32(3), 2, 2, "dec.l"),
    row2(0xFF00, 0x1C00, Op::CMP, S::B, r8(2), r8(3), 2, 2, "cmp.b"),
    row2(0xFF00, 0x1D00, Op::CMP, S::W, r16(2), r16(3), 2, 2, "cmp.w"),
    row2(0xFF00, 0x1E00, Op::SUBX, S::B, r8(2), r8(3), 2, 2, "subx"),
    row2(0xFFF0, 0x1F00, Op::DAS, S::B, none, r8(3), 2, 2, "das"),
    row2(0xFF88, 0x1F80, Op::CMP, S::L, r32(2), r32(3), 2, 2, "cmp.l"),

    row2(0xF000, 0x2000, Op::MOV, S::B, a8(1), r8(1), 2, 4, "mov.b"),
    row2(0xF000, 0x3000, Op::MOV, S::B, r8(1), a8(1), 2, 4, "mov.b"),
    row2(0xF001, 0x4000, Op::Bcc, S::None, none, {Fld::Pc8, 0, 1}, 2, 4, nullptr),

    row2(0xFF00, 0x5000, Op::MULXU, S::B, r8(2), r16(3), 2, 14, "mulxu.b"),
    row2(0xFF00, 0x5100, Op::DIVXU, S::B, r8(2), r16(3), 2, 14, "divxu.b"),
    row2(0xFF08, 0x5200, Op::MULXU, S::W, r16(2), r32(3), 2, 22, "mulxu.w"),
    row2(0xFF08, 0x5300, Op::DIVXU, S::W, r16(2), r32(3), 2, 22, "divxu.w"),
    row2(0xFFFF, 0x5470, Op::RTS, S::None, none, none, 2, 10, "rts"),
    row2(0xFF00, 0x5500, Op::BSR, S::None, none, {Fld::Pc8, 0, 1}, 2, 8, "bsr"),
    row2(0xFFFF, 0x5670, Op::RTE, S::None, none, none, 2, 10, "rte"),
    row2(0xFF0F, 0x5700, Op::TRAPA, S::None, none, {Fld::Trap, 2, 0}, 2, 14, "trapa"),
    row4(0xFF0F0001, 0x58000000, Op::Bcc, S::None, none, {Fld::Pc16, 0, 2}, 4, 6, nullptr),
    row2(0xFF8F, 0x5900, Op::JMP, S::None, none, ind(2), 2, 4, "jmp"),
    row2(0xFF00, 0x5A00, Op::JMP, S::None, none, a24(1), 4, 6, "jmp"),
    row2(0xFF00, 0x5B00, Op::JMP, S::None, none, {Fld::MemInd8, 0, 1}, 2, 10, "jmp"),
    row2(0xFFFF, 0x5C00, Op::BSR, S::None, none, {Fld::Pc16, 0, 2}, 4, 10, "bsr"),
    row2(0xFF8F, 0x5D00, Op::JSR, S::None, none, ind(2), 2, 8, "jsr"),
    row2(0xFF00, 0x5E00, Op::JSR, S::None, none, a24(1), 4, 10, "jsr"),
    row2(0xFF00, 0x5F00, Op::JSR, S::None, none, {Fld::MemInd8, 0, 1}, 2, 12, "jsr"),

    row2(0xFF00, 0x6000, Op::BSET, S::B, r8(2), r8(3), 2, 2, "bset"),
    row2(0xFF00, 0x6100, Op::BNOT, S::B, r8(2), r8(3), 2, 2, "bnot"),
    row2(0xFF00, 0x6200, Op::BCLR, S::B, r8(2), r8(3), 2, 2, "bclr"),
    row2(0xFF00, 0x6300, Op::BTST, S::B, r8(2), r8(3), 2, 2, "btst"),
    row2(0xFF00, 0x6400, Op::OR, S::W, r16(2), r16(3), 2, 2, "or.w"),
    row2(0xFF00, 0x6500, Op::XOR, S::W, r16(2), r16(3), 2, 2, "xor.w"),
    row2(0xFF00, 0x6600, Op::AND, S::W, r16(2), r16(3), 2, 2, "and.w"),
    row2(0xFF80, 0x6700, Op::BST, S::B, bit(2), r8(3), 2, 2, "bst"),
    row2(0xFF80, 0x6780, Op::BIST, S::B, bit(2), r8(3), 2, 2, "bist"),

    row2(0xFF80, 0x6800, Op::MOV, S::B, ind(2), r8(3), 2, 4, "mov.b"),
    row2(0xFF80, 0x6880, Op::MOV, S::B, r8(3), ind(2), 2, 4, "mov.b"),
    row2(0xFF80, 0x6900, Op::MOV, S::W, ind(2), r16(3), 2, 4, "mov.w"),
    row2(0xFF80, 0x6980, Op::MOV, S::W, r16(3), ind(2), 2, 4, "mov.w"),
    row2(0xFFF0, 0x6A00, Op::MOV, S::B, a16(2), r8(3), 4, 6, "mov.b"),
    row2(0xFFF0, 0x6A20, Op::MOV, S::B, a32(2), r8(3), 6, 8, "mov.b"),
    row2(0xFFF0, 0x6A40, Op::MOVFPE, S::B, a16(2), r8(3), 4, 0, "movfpe"),
    row2(0xFFF0, 0x6A80, Op::MOV, S::B, r8(3), a16(2), 4, 6, "mov.b"),
    row2(0xFFF0, 0x6AA0, Op::MOV, S::B, r8(3), a32(2), 6, 8, "mov.b"),
    row2(0xFFF0, 0x6AC0, Op::MOVTPE, S::B, r8(3), a16(2), 4, 0, "movtpe"),
    row2(0xFFF0, 0x6B00, Op::MOV, S::W, a16(2), r16(3), 4, 6, "mov.w"),
    row2(0xFFF0, 0x6B20, Op::MOV, S::W, a32(2), r16(3), 6, 8, "mov.w"),
    row2(0xFFF0, 0x6B80, Op::MOV, S::W, r16(3), a16(2), 4, 6, "mov.w"),
    row2(0xFFF0, 0x6BA0, Op::MOV, S::W, r16(3), a32(2), 6, 8, "mov.w"),
    row2(0xFF80, 0x6C00, Op::MOV, S::B, inc(2), r8(3), 2, 6, "mov.b"),
    row2(0xFF80, 0x6C80, Op::MOV, S::B, r8(3), dec(2), 2, 6, "mov.b"),
    row2(0xFF80, 0x6D00, Op::MOV, S::W, inc(2), r16(3), 2, 6, "mov.w"),
    row2(0xFF80, 0x6D80, Op::MOV, S::W, r16(3), dec(2), 2, 6, "mov.w"),
    row2(0xFF80, 0x6E00, Op::MOV, S::B, d16(2, 2), r8(3), 4, 6, "mov.b"),
    row2(0xFF80, 0x6E80, Op::MOV, S::B, r8(3), d16(2, 2), 4, 6, "mov.b"),
    row2(0xFF80, 0x6F00, Op::MOV, S::W, d16(2, 2), r16(3), 4, 6, "mov.w"),
    row2(0xFF80, 0x6F80, Op::MOV, S::W, r16(3), d16(2, 2), 4, 6, "mov.w"),

    row2(0xFF80, 0x7000, Op::BSET, S::B, bit(2), r8(3), 2, 2, "bset"),
    row2(0xFF80, 0x7100, Op::BNOT, S::B, bit(2), r8(3), 2, 2, "bnot"),
    row2(0xFF80, 0x7200, Op::BCLR, S::B, bit(2), r8(3), 2, 2, "bclr"),
    row2(0xFF80, 0x7300, Op::BTST, S::B, bit(2), r8(3), 2, 2, "btst"),
    row2(0xFF80, 0x7400, Op::BOR, S::B, bit(2), r8(3), 2, 2, "bor"),
    row2(0xFF80, 0x7480, Op::BIOR, S::B, bit(2), r8(3), 2, 2, "bior"),
    row2(0xFF80, 0x7500, Op::BXOR, S::B, bit(2), r8(3), 2, 2, "bxor"),
    row2(0xFF80, 0x7580, Op::BIXOR, S::B, bit(2), r8(3), 2, 2, "bixor"),
    row2(0xFF80, 0x7600, Op::BAND, S::B, bit(2), r8(3), 2, 2, "band"),
    row2(0xFF80, 0x7680, Op::BIAND, S::B, bit(2), r8(3), 2, 2, "biand"),
    row2(0xFF80, 0x7700, Op::BLD, S::B, bit(2), r8(3), 2, 2, "bld"),
    row2(0xFF80, 0x7780, Op::BILD, S::B, bit(2), r8(3), 2, 2, "bild"),

    // @(d:24,ERn): prefix 78, then the @aa:24 encoding with the displacement in its field.
    row4(0xFF8FFFF0, 0x78006A20, Op::MOV, S::B, d32(2, 4), r8(7), 8, 10, "mov.b"),
    row4(0xFF8FFFF0, 0x78006AA0, Op::MOV, S::B, r8(7), d32(2, 4), 8, 10, "mov.b"),
    row4(0xFF8FFFF0, 0x78006B20, Op::MOV, S::W, d32(2, 4), r16(7), 8, 10, "mov.w"),
    row4(0xFF8FFFF0, 0x78006BA0, Op::MOV, S::W, r16(7), d32(2, 4), 8, 10, "mov.w"),

    row2(0xFFF0, 0x7900, Op::MOV, S::W, i16(2), r16(3), 4, 4, "mov.w"),
    row2(0xFFF0, 0x7910, Op::ADD, S::W, i16(2), r16(3), 4, 4, "add.w"),
    row2(0xFFF0, 0x7920, Op::CMP, S::W, i16(2), r16(3), 4, 4, "cmp.w"),
    row2(0xFFF0, 0x7930, Op::SUB, S::W, i16(2), r16(3), 4, 4, "sub.w"),
    row2(0xFFF0, 0x7940, Op::OR, S::W, i16(2), r16(3), 4, 4, "or.w"),
    row2(0xFFF0, 0x7950, Op::XOR, S::W, i16(2), r16(3), 4, 4, "xor.w"),
    row2(0xFFF0, 0x7960, Op::AND, S::W, i16(2), r16(3), 4, 4, "and.w"),
    row2(0xFFF8, 0x7A00, Op::MOV, S::L, i32(2), r32(3), 6, 6, "mov.l"),
    row2(0xFFF8, 0x7A10, Op::ADD, S::L, i32(2), r32(3), 6, 6, "add.l"),
    row2(0xFFF8, 0x7A20, Op::CMP, S::L, i32(2), r32(3), 6, 6, "cmp.l"),
    row2(0xFFF8, 0x7A30, Op::SUB, S::L, i32(2), r32(3), 6, 6, "sub.l"),
    row2(0xFFF8, 0x7A40, Op::OR, S::L, i32(2), r32(3), 6, 6, "or.l"),
    row2(0xFFF8, 0x7A50, Op::XOR, S::L, i32(2), r32(3), 6, 6, "xor.l"),
    row2(0xFFF8, 0x7A60, Op::AND, S::L, i32(2), r32(3), 6, 6, "and.l"),
    row4(0xFFFFFFFF, 0x7B5C598F, Op::EEPMOV_B, S::B, none, none, 4, 8, "eepmov.b"),
    row4(0xFFFFFFFF, 0x7BD4598F, Op::EEPMOV_W, S::W, none, none, 4, 8, "eepmov.w"),

    // Bit instructions on memory: 7C/7D @ERd, 7E/7F @aa:8, then the register form's first byte.
    row4(0xFF8FFF8F, 0x7C007300, Op::BTST, S::B, bit(6), ind(2), 4, 6, "btst"),
    row4(0xFF8FFF0F, 0x7C006300, Op::BTST, S::B, r8(6), ind(2), 4, 6, "btst"),
    row4(0xFF8FFF8F, 0x7C007400, Op::BOR, S::B, bit(6), ind(2), 4, 6, "bor"),
    row4(0xFF8FFF8F, 0x7C007480, Op::BIOR, S::B, bit(6), ind(2), 4, 6, "bior"),
    row4(0xFF8FFF8F, 0x7C007500, Op::BXOR, S::B, bit(6), ind(2), 4, 6, "bxor"),
    row4(0xFF8FFF8F, 0x7C007580, Op::BIXOR, S::B, bit(6), ind(2), 4, 6, "bixor"),
    row4(0xFF8FFF8F, 0x7C007600, Op::BAND, S::B, bit(6), ind(2), 4, 6, "band"),
    row4(0xFF8FFF8F, 0x7C007680, Op::BIAND, S::B, bit(6), ind(2), 4, 6, "biand"),
    row4(0xFF8FFF8F, 0x7C007700, Op::BLD, S::B, bit(6), ind(2), 4, 6, "bld"),
    row4(0xFF8FFF8F, 0x7C007780, Op::BILD, S::B, bit(6), ind(2), 4, 6, "bild"),
    row4(0xFF8FFF8F, 0x7D007000, Op::BSET, S::B, bit(6), ind(2), 4, 8, "bset"),
    row4(0xFF8FFF8F, 0x7D007100, Op::BNOT, S::B, bit(6), ind(2), 4, 8, "bnot"),
    row4(0xFF8FFF8F, 0x7D007200, Op::BCLR, S::B, bit(6), ind(2), 4, 8, "bclr"),
    row4(0xFF8FFF0F, 0x7D006000, Op::BSET, S::B, r8(6), ind(2), 4, 8, "bset"),
    row4(0xFF8FFF0F, 0x7D006100, Op::BNOT, S::B, r8(6), ind(2), 4, 8, "bnot"),
    row4(0xFF8FFF0F, 0x7D006200, Op::BCLR, S::B, r8(6), ind(2), 4, 8, "bclr"),
    row4(0xFF8FFF8F, 0x7D006700, Op::BST, S::B, bit(6), ind(2), 4, 8, "bst"),
    row4(0xFF8FFF8F, 0x7D006780, Op::BIST, S::B, bit(6), ind(2), 4, 8, "bist"),
    row4(0xFF00FF8F, 0x7E007300, Op::BTST, S::B, bit(6), a8(1), 4, 6, "btst"),
    row4(0xFF00FF0F, 0x7E006300, Op::BTST, S::B, r8(6), a8(1), 4, 6, "btst"),
    row4(0xFF00FF8F, 0x7E007400, Op::BOR, S::B, bit(6), a8(1), 4, 6, "bor"),
    row4(0xFF00FF8F, 0x7E007480, Op::BIOR, S::B, bit(6), a8(1), 4, 6, "bior"),
    row4(0xFF00FF8F, 0x7E007500, Op::BXOR, S::B, bit(6), a8(1), 4, 6, "bxor"),
    row4(0xFF00FF8F, 0x7E007580, Op::BIXOR, S::B, bit(6), a8(1), 4, 6, "bixor"),
    row4(0xFF00FF8F, 0x7E007600, Op::BAND, S::B, bit(6), a8(1), 4, 6, "band"),
    row4(0xFF00FF8F, 0x7E007680, Op::BIAND, S::B, bit(6), a8(1), 4, 6, "biand"),
    row4(0xFF00FF8F, 0x7E007700, Op::BLD, S::B, bit(6), a8(1), 4, 6, "bld"),
    row4(0xFF00FF8F, 0x7E007780, Op::BILD, S::B, bit(6), a8(1), 4, 6, "bild"),
    row4(0xFF00FF8F, 0x7F007000, Op::BSET, S::B, bit(6), a8(1), 4, 8, "bset"),
    row4(0xFF00FF8F, 0x7F007100, Op::BNOT, S::B, bit(6), a8(1), 4, 8, "bnot"),
    row4(0xFF00FF8F, 0x7F007200, Op::BCLR, S::B, bit(6), a8(1), 4, 8, "bclr"),
    row4(0xFF00FF0F, 0x7F006000, Op::BSET, S::B, r8(6), a8(1), 4, 8, "bset"),
    row4(0xFF00FF0F, 0x7F006100, Op::BNOT, S::B, r8(6), a8(1), 4, 8, "bnot"),
    row4(0xFF00FF0F, 0x7F006200, Op::BCLR, S::B, r8(6), a8(1), 4, 8, "bclr"),
    row4(0xFF00FF8F, 0x7F006700, Op::BST, S::B, bit(6), a8(1), 4, 8, "bst"),
    row4(0xFF00FF8F, 0x7F006780, Op::BIST, S::B, bit(6), a8(1), 4, 8, "bist"),

    row2(0xF000, 0x8000, Op::ADD, S::B, i8(1), r8(1), 2, 2, "add.b"),
    row2(0xF000, 0x9000, Op::ADDX, S::B, i8(1), r8(1), 2, 2, "addx"),
    row2(0xF000, 0xA000, Op::CMP, S::B, i8(1), r8(1), 2, 2, "cmp.b"),
    row2(0xF000, 0xB000, Op::SUBX, S::B, i8(1), r8(1), 2, 2, "subx"),
    row2(0xF000, 0xC000, Op::OR, S::B, i8(1), r8(1), 2, 2, "or.b"),
    row2(0xF000, 0xD000, Op::XOR, S::B, i8(1), r8(1), 2, 2, "xor.b"),
    row2(0xF000, 0xE000, Op::AND, S::B, i8(1), r8(1), 2, 2, "and.b"),
    row2(0xF000, 0xF000, Op::MOV, S::B, i8(1), r8(1), 2, 2, "mov.b"),
};

constexpr size_t kRowCount = sizeof(kRows) / sizeof(kRows[0]);

// Rows by first byte, so that decoding tries only the few rows that can match.
struct Index
{
    std::array<uint16_t, 257> start{};
    std::array<uint16_t, 1024> rows{};
};

constexpr Index buildIndex()
{
    Index ix;
    size_t n = 0;
    for (unsigned b = 0; b < 256; ++b) {
        ix.start[b] = static_cast<uint16_t>(n);
        for (size_t r = 1; r < kRowCount; ++r) {
            const auto m = static_cast<unsigned>(kRows[r].mask >> 56);
            const auto v = static_cast<unsigned>(kRows[r].match >> 56);
            if ((b & m) == v)
                ix.rows[n++] = static_cast<uint16_t>(r);
        }
    }
    ix.start[256] = static_cast<uint16_t>(n);
    return ix;
}

constexpr Index kIndex = buildIndex();
static_assert(kIndex.start[256] <= kIndex.rows.size());

constexpr const char *kCondNames[16] = {"bra", "brn", "bhi", "bls", "bcc", "bcs", "bne", "beq",
                                        "bvc", "bvs", "bpl", "bmi", "bge", "blt", "bgt", "ble"};

uint32_t be(const uint8_t *p, int n)
{
    uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

uint8_t nibble(const uint8_t *p, uint8_t n)
{
    return static_cast<uint8_t>((n & 1) ? p[n / 2] & 0x0F : p[n / 2] >> 4);
}

Operand operand(const OperandForm &s, const uint8_t *p, uint32_t length)
{
    Operand o;
    switch (s.f) {
    case Fld::None:
        break;
    case Fld::R8:
        o = {Mode::Reg8, nibble(p, s.nib), 0};
        break;
    case Fld::R16:
        o = {Mode::Reg16, nibble(p, s.nib), 0};
        break;
    case Fld::R32:
        o = {Mode::Reg32, static_cast<uint8_t>(nibble(p, s.nib) & 7), 0};
        break;
    case Fld::Ind:
        o = {Mode::Ind, static_cast<uint8_t>(nibble(p, s.nib) & 7), 0};
        break;
    case Fld::PostInc:
        o = {Mode::PostInc, static_cast<uint8_t>(nibble(p, s.nib) & 7), 0};
        break;
    case Fld::PreDec:
        o = {Mode::PreDec, static_cast<uint8_t>(nibble(p, s.nib) & 7), 0};
        break;
    case Fld::Disp16:
        o = {Mode::Disp16, static_cast<uint8_t>(nibble(p, s.nib) & 7),
             static_cast<uint32_t>(static_cast<int16_t>(be(p + s.off, 2)))};
        break;
    case Fld::Disp32:
        o = {Mode::Disp24, static_cast<uint8_t>(nibble(p, s.nib) & 7), be(p + s.off, 4)};
        break;
    case Fld::Abs8:
        o = {Mode::Abs8, 0, p[s.off]};
        break;
    case Fld::Abs16:
        o = {Mode::Abs16, 0, static_cast<uint32_t>(static_cast<int16_t>(be(p + s.off, 2)))};
        break;
    case Fld::Abs24:
        o = {Mode::Abs24, 0, be(p + s.off, 3)};
        break;
    case Fld::Abs32:
        o = {Mode::Abs32, 0, be(p + s.off, 4)};
        break;
    case Fld::Imm8:
        o = {Mode::Imm, 0, p[s.off]};
        break;
    case Fld::Imm16:
        o = {Mode::Imm, 0, be(p + s.off, 2)};
        break;
    case Fld::Imm32:
        o = {Mode::Imm, 0, be(p + s.off, 4)};
        break;
    case Fld::BitNo:
        o = {Mode::Imm, 0, static_cast<uint32_t>(nibble(p, s.nib) & 7)};
        break;
    case Fld::Trap:
        o = {Mode::Imm, 0, static_cast<uint32_t>(nibble(p, s.nib) & 3)};
        break;
    case Fld::Fixed:
        o = {Mode::Imm, 0, s.off};
        break;
    case Fld::Pc8:
        // The target is kept relative here; disassemble() and the executor add the address.
        o = {Mode::Pc8, 0, static_cast<uint32_t>(static_cast<int8_t>(p[s.off])) + length};
        break;
    case Fld::Pc16:
        o = {Mode::Pc16, 0, static_cast<uint32_t>(static_cast<int16_t>(be(p + s.off, 2))) + length};
        break;
    case Fld::MemInd8:
        o = {Mode::MemInd8, 0, p[s.off]};
        break;
    case Fld::Ccr:
        o = {Mode::Ccr, 0, 0};
        break;
    }
    return o;
}

const char *const kReg8[16] = {"r0h", "r1h", "r2h", "r3h", "r4h", "r5h", "r6h", "r7h",
                               "r0l", "r1l", "r2l", "r3l", "r4l", "r5l", "r6l", "r7l"};
const char *const kReg16[16] = {"r0", "r1", "r2", "r3", "r4", "r5", "r6", "r7",
                                "e0", "e1", "e2", "e3", "e4", "e5", "e6", "e7"};

void appendOperand(std::string &out, const Decoded &d, const Operand &o, uint32_t address)
{
    char buf[48];
    buf[0] = 0;
    switch (o.mode) {
    case Mode::None:
        return;
    case Mode::Reg8:
        out += kReg8[o.reg & 15];
        return;
    case Mode::Reg16:
        out += kReg16[o.reg & 15];
        return;
    case Mode::Reg32:
        std::snprintf(buf, sizeof buf, "er%u", o.reg & 7u);
        break;
    case Mode::Imm: {
        // The implied counts of ADDS/SUBS/INC/DEC are written in decimal, everything else hex.
        const bool count =
            d.op == Op::ADDS || d.op == Op::SUBS || d.op == Op::INC || d.op == Op::DEC;
        std::snprintf(buf, sizeof buf, count ? "#%u" : "#0x%x", o.value);
        break;
    }
    case Mode::Ind:
        std::snprintf(buf, sizeof buf, "@er%u", o.reg & 7u);
        break;
    case Mode::Disp16:
        std::snprintf(buf, sizeof buf, "@(0x%x:16,er%u)", o.value & 0xFFFFu, o.reg & 7u);
        break;
    case Mode::Disp24:
        std::snprintf(buf, sizeof buf, "@(0x%x:32,er%u)", o.value, o.reg & 7u);
        break;
    case Mode::PostInc:
        std::snprintf(buf, sizeof buf, "@er%u+", o.reg & 7u);
        break;
    case Mode::PreDec:
        std::snprintf(buf, sizeof buf, "@-er%u", o.reg & 7u);
        break;
    case Mode::Abs8:
        std::snprintf(buf, sizeof buf, "@0x%x:8", o.value & 0xFFu);
        break;
    case Mode::Abs16:
        std::snprintf(buf, sizeof buf, "@0x%x:16", o.value & 0xFFFFu);
        break;
    case Mode::Abs24:
        std::snprintf(buf, sizeof buf, "@0x%x:24", o.value);
        break;
    case Mode::Abs32:
        std::snprintf(buf, sizeof buf, "@0x%x:32", o.value);
        break;
    case Mode::Pc8:
    case Mode::Pc16: {
        const auto rel = static_cast<int32_t>(o.value) - d.length;
        if (rel == 0)
            std::snprintf(buf, sizeof buf, ".0 (0x%x)", address + o.value);
        else
            std::snprintf(buf, sizeof buf, ".%+d (0x%x)", rel, address + o.value);
        break;
    }
    case Mode::MemInd8:
        std::snprintf(buf, sizeof buf, "@@%u (0x%x)", o.value, o.value);
        break;
    case Mode::Ccr:
        out += "ccr";
        return;
    }
    out += buf;
}

} // namespace

Decoded decode(const uint8_t *bytes, size_t available)
{
    Decoded d;
    if (available < 2)
        return d;
    uint8_t win[8] = {};
    for (size_t i = 0; i < 8 && i < available; ++i)
        win[i] = bytes[i];
    uint64_t bits = 0;
    for (uint8_t b : win)
        bits = (bits << 8) | b;

    const unsigned first = win[0];
    for (unsigned i = kIndex.start[first]; i < kIndex.start[first + 1]; ++i) {
        const Row &r = kRows[kIndex.rows[i]];
        if ((bits & r.mask) != r.match)
            continue;
        if (available < r.length)
            return d;
        d.op = r.op;
        d.size = r.size;
        d.length = r.length;
        d.states = r.states;
        d.pattern = kIndex.rows[i];
        d.mnemonic = r.mnemonic;
        d.src = operand(r.src, bytes, r.length);
        d.dst = operand(r.dst, bytes, r.length);
        if (r.op == Op::Bcc) {
            d.cond = static_cast<Cond>(r.length == 2 ? win[0] & 0x0F : win[1] >> 4);
            d.mnemonic = kCondNames[static_cast<unsigned>(d.cond)];
        }
        return d;
    }
    return d;
}

std::string disassemble(const Decoded &insn, uint32_t address)
{
    if (!insn.valid())
        return "(undefined)";
    std::string out = insn.mnemonic;
    if (insn.src.mode == Mode::None && insn.dst.mode == Mode::None)
        return out;
    out += '\t';
    if (insn.src.mode != Mode::None) {
        appendOperand(out, insn, insn.src, address);
        out += ',';
    }
    appendOperand(out, insn, insn.dst, address);
    return out;
}

size_t patternCount()
{
    return kRowCount;
}

std::string patternName(size_t row)
{
    if (row >= kRowCount)
        return "?";
    const Row &r = kRows[row];
    char buf[64];
    std::snprintf(buf, sizeof buf, "%016llx/%016llx %s", static_cast<unsigned long long>(r.match),
                  static_cast<unsigned long long>(r.mask), r.mnemonic ? r.mnemonic : "bcc");
    return buf;
}

} // namespace vesk::sim

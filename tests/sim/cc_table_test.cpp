// The condition codes instruction by instruction, executed by the core: each row is one
// instruction's bytes, encoded by hand from the programming manual's instruction formats and
// read back by the cross tools' objdump, placed in RAM and stepped once. The operands sit at
// the edges of each width (0, 7F/80, FF, 7FFF/8000, FFFF, 7FFFFFFF/80000000, FFFFFFFF) and
// the expected result and CCR are written out from the manual's rule for each flag, so that
// nothing here is computed the way the core computes it. alu_test sweeps the same rules over
// alu.h alone; this table proves that the executor applies them at the right width, to the
// right register and with the right carry in.
//
// Registers: the destination is R0L, R0 or ER0 and the source R1L, R1 or ER1 (ER1 must come
// out unchanged). The bits above a byte or word destination hold A5 and must survive.

#include "sim/cpu.h"

#include "support/rowname.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

using namespace vesk::sim;

namespace {

constexpr uint32_t kCode = 0xffe000;
constexpr uint32_t kData = 0xffe800; // ER1 points here in the rows that use memory
constexpr uint32_t kStackTop = 0xffff00;

constexpr uint8_t I = Ccr::kI, UI = Ccr::kUi, H = Ccr::kH, U = Ccr::kU, N = Ccr::kN, Z = Ccr::kZ,
                  V = Ccr::kV, C = Ccr::kC;
constexpr uint8_t kAll = 0xff;

// What a few rows need beyond registers.
struct Also
{
    uint8_t undefinedCcr = 0;     // bits the manual leaves undetermined (H and V after DAA/DAS)
    bool resultUndefined = false; // division by zero: only the flags are defined
    uint32_t mem = 0;             // the longword at kData before the instruction
    uint32_t memAfter = 0;
    const char *fault = nullptr; // where the core departs from the manual: skipped, with why
};

struct CcRow
{
    const char *name;
    std::vector<uint8_t> code;
    const char *text; // objdump's reading of `code`
    uint32_t er0;
    uint32_t er1;
    uint8_t ccr;
    uint32_t er0After;
    uint8_t ccrAfter;
    Also also = {};
};

void PrintTo(const CcRow &row, std::ostream *os)
{
    *os << row.name;
}

// "I H N V C" rather than a number, so that a failing row reads like the manual's table.
std::string flags(uint8_t ccr)
{
    static const char *const kNames[] = {"I", "UI", "H", "U", "N", "Z", "V", "C"};
    std::string out;
    for (int bit = 0; bit < 8; ++bit) {
        if ((ccr & (0x80 >> bit)) != 0)
            out += (out.empty() ? "" : " ") + std::string(kNames[bit]);
    }
    return out.empty() ? "-" : out;
}

std::string hex8(uint32_t v)
{
    char buf[12];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

class ConditionCodes : public testing::TestWithParam<CcRow>
{
};

TEST_P(ConditionCodes, AreTheManualsAfterOneInstruction)
{
    const CcRow &row = GetParam();

    // The row describes itself: the core reads its bytes as the instruction it names.
    const Decoded insn = decode(row.code.data(), row.code.size());
    ASSERT_EQ(insn.length, row.code.size());
    EXPECT_EQ(disassemble(insn, kCode), row.text);

    if (row.also.fault != nullptr)
        GTEST_SKIP() << row.also.fault;

    // Strict and poisoned, so that a stray access of the executor stops the row.
    Memory memory({.strict = true, .poison = true});
    ASSERT_TRUE(memory.load(kCode, row.code));
    const uint32_t m = row.also.mem;
    const std::vector<uint8_t> data = {static_cast<uint8_t>(m >> 24), static_cast<uint8_t>(m >> 16),
                                       static_cast<uint8_t>(m >> 8), static_cast<uint8_t>(m)};
    ASSERT_TRUE(memory.load(kData, data));
    Cpu cpu(memory);
    cpu.regs().pc = kCode;
    cpu.regs().er[0] = row.er0;
    cpu.regs().er[1] = row.er1;
    cpu.regs().er[7] = kStackTop;
    cpu.regs().ccr.value = row.ccr;

    ASSERT_EQ(cpu.step(), StopReason::None) << cpu.stopMessage();

    EXPECT_EQ(cpu.regs().pc, kCode + row.code.size());
    if (!row.also.resultUndefined)
        EXPECT_EQ(hex8(cpu.regs().er[0]), hex8(row.er0After)) << "ER0";
    EXPECT_EQ(hex8(cpu.regs().er[1]), hex8(row.er1)) << "ER1";
    const auto defined = static_cast<uint8_t>(~row.also.undefinedCcr);
    EXPECT_EQ(flags(cpu.regs().ccr.value & defined), flags(row.ccrAfter & defined)) << "CCR";
    EXPECT_EQ(hex8(memory.read32(kData)), hex8(row.also.memAfter)) << "@" << hex8(kData);
}

// H is the carry (or borrow) out of bit 3 for a byte, bit 11 for a word, bit 27 for a
// longword; V is the signed overflow, C the carry out of (borrow into) the top bit.
// clang-format off
const CcRow kArithmetic[] = {
    // ADD: H N Z V C from the sum.
    {"ADD_B_imm_7F_plus_01", {0x88, 0x01}, "add.b\t#0x1,r0l", 0xa5a5a57f, 0, 0, 0xa5a5a580, H | N | V},
    {"ADD_B_imm_80_plus_80", {0x88, 0x80}, "add.b\t#0x80,r0l", 0xa5a5a580, 0, 0, 0xa5a5a500, Z | V | C},
    {"ADD_B_imm_FF_plus_01", {0x88, 0x01}, "add.b\t#0x1,r0l", 0xa5a5a5ff, 0, 0, 0xa5a5a500, H | Z | C},
    {"ADD_B_imm_00_plus_00_keeps_I_UI_U", {0x88, 0x00}, "add.b\t#0x0,r0l", 0xa5a5a500, 0, kAll, 0xa5a5a500, I | UI | U | Z},
    {"ADD_B_reg_7F_plus_7F", {0x08, 0x98}, "add.b\tr1l,r0l", 0xa5a5a57f, 0x5a5a5a7f, 0, 0xa5a5a5fe, H | N | V},
    {"ADD_B_reg_FF_plus_FF", {0x08, 0x98}, "add.b\tr1l,r0l", 0xa5a5a5ff, 0x5a5a5aff, 0, 0xa5a5a5fe, H | N | C},
    {"ADD_B_reg_80_plus_7F", {0x08, 0x98}, "add.b\tr1l,r0l", 0xa5a5a580, 0x5a5a5a7f, Z | V | C, 0xa5a5a5ff, N},
    {"ADD_B_reg_08_plus_08_half_carry", {0x08, 0x98}, "add.b\tr1l,r0l", 0xa5a5a508, 0x5a5a5a08, 0, 0xa5a5a510, H},
    {"ADD_W_imm_7FFF_plus_0001", {0x79, 0x10, 0x00, 0x01}, "add.w\t#0x1,r0", 0xa5a57fff, 0, 0, 0xa5a58000, H | N | V},
    {"ADD_W_imm_FFFF_plus_0001", {0x79, 0x10, 0x00, 0x01}, "add.w\t#0x1,r0", 0xa5a5ffff, 0, 0, 0xa5a50000, H | Z | C},
    {"ADD_W_imm_8000_plus_8000", {0x79, 0x10, 0x80, 0x00}, "add.w\t#0x8000,r0", 0xa5a58000, 0, 0, 0xa5a50000, Z | V | C},
    {"ADD_W_imm_0800_plus_0800_half_carry", {0x79, 0x10, 0x08, 0x00}, "add.w\t#0x800,r0", 0xa5a50800, 0, 0, 0xa5a51000, H},
    {"ADD_W_imm_0008_plus_0008_no_H_from_bit_3", {0x79, 0x10, 0x00, 0x08}, "add.w\t#0x8,r0", 0xa5a50008, 0, H | C, 0xa5a50010, 0},
    {"ADD_W_reg_7FFF_plus_7FFF", {0x09, 0x10}, "add.w\tr1,r0", 0xa5a57fff, 0x5a5a7fff, 0, 0xa5a5fffe, H | N | V},
    {"ADD_W_reg_FFFF_plus_FFFF", {0x09, 0x10}, "add.w\tr1,r0", 0xa5a5ffff, 0x5a5affff, 0, 0xa5a5fffe, H | N | C},
    {"ADD_W_reg_0000_plus_0000", {0x09, 0x10}, "add.w\tr1,r0", 0xa5a50000, 0x5a5a0000, N | C, 0xa5a50000, Z},
    {"ADD_L_imm_7FFFFFFF_plus_1", {0x7a, 0x10, 0x00, 0x00, 0x00, 0x01}, "add.l\t#0x1,er0", 0x7fffffff, 0, 0, 0x80000000, H | N | V},
    {"ADD_L_imm_FFFFFFFF_plus_1", {0x7a, 0x10, 0x00, 0x00, 0x00, 0x01}, "add.l\t#0x1,er0", 0xffffffff, 0, 0, 0x00000000, H | Z | C},
    {"ADD_L_imm_80000000_plus_80000000", {0x7a, 0x10, 0x80, 0x00, 0x00, 0x00}, "add.l\t#0x80000000,er0", 0x80000000, 0, 0, 0x00000000, Z | V | C},
    {"ADD_L_imm_half_carry_from_bit_27", {0x7a, 0x10, 0x08, 0x00, 0x00, 0x00}, "add.l\t#0x8000000,er0", 0x08000000, 0, 0, 0x10000000, H},
    {"ADD_L_imm_no_H_from_bit_11", {0x7a, 0x10, 0x00, 0x00, 0x08, 0x00}, "add.l\t#0x800,er0", 0x00000800, 0, H, 0x00001000, 0},
    {"ADD_L_reg_7FFFFFFF_plus_7FFFFFFF", {0x0a, 0x90}, "add.l\ter1,er0", 0x7fffffff, 0x7fffffff, 0, 0xfffffffe, H | N | V},
    {"ADD_L_reg_FFFFFFFF_plus_FFFFFFFF", {0x0a, 0x90}, "add.l\ter1,er0", 0xffffffff, 0xffffffff, 0, 0xfffffffe, H | N | C},
    {"ADD_L_reg_80000000_plus_7FFFFFFF", {0x0a, 0x90}, "add.l\ter1,er0", 0x80000000, 0x7fffffff, Z | V | C, 0xffffffff, N},

    // ADDX: adds C in; Z is only kept, never set: cleared by a non-zero result.
    {"ADDX_imm_FF_plus_00_C_keeps_Z", {0x98, 0x00}, "addx\t#0x0,r0l", 0xa5a5a5ff, 0, Z | C, 0xa5a5a500, H | Z | C},
    {"ADDX_imm_FF_plus_00_C_does_not_set_Z", {0x98, 0x00}, "addx\t#0x0,r0l", 0xa5a5a5ff, 0, C, 0xa5a5a500, H | C},
    {"ADDX_imm_7F_plus_00_C_overflows", {0x98, 0x00}, "addx\t#0x0,r0l", 0xa5a5a57f, 0, C, 0xa5a5a580, H | N | V},
    {"ADDX_imm_00_plus_01_clears_Z", {0x98, 0x01}, "addx\t#0x1,r0l", 0xa5a5a500, 0, Z, 0xa5a5a501, 0},
    {"ADDX_reg_7F_plus_80_C_keeps_Z", {0x0e, 0x98}, "addx\tr1l,r0l", 0xa5a5a57f, 0x5a5a5a80, Z | C, 0xa5a5a500, H | Z | C},
    {"ADDX_reg_7F_plus_7F_C", {0x0e, 0x98}, "addx\tr1l,r0l", 0xa5a5a57f, 0x5a5a5a7f, C, 0xa5a5a5ff, H | N | V},
    {"ADDX_reg_00_plus_00_keeps_Z", {0x0e, 0x98}, "addx\tr1l,r0l", 0xa5a5a500, 0x5a5a5a00, Z, 0xa5a5a500, Z},

    // SUB: Rd - Rs; H and C are borrows.
    {"SUB_B_reg_80_minus_01", {0x18, 0x98}, "sub.b\tr1l,r0l", 0xa5a5a580, 0x5a5a5a01, 0, 0xa5a5a57f, H | V},
    {"SUB_B_reg_00_minus_01", {0x18, 0x98}, "sub.b\tr1l,r0l", 0xa5a5a500, 0x5a5a5a01, 0, 0xa5a5a5ff, H | N | C},
    {"SUB_B_reg_7F_minus_FF", {0x18, 0x98}, "sub.b\tr1l,r0l", 0xa5a5a57f, 0x5a5a5aff, 0, 0xa5a5a580, N | V | C},
    {"SUB_B_reg_55_minus_55", {0x18, 0x98}, "sub.b\tr1l,r0l", 0xa5a5a555, 0x5a5a5a55, H | N | V | C, 0xa5a5a500, Z},
    {"SUB_W_imm_8000_minus_0001", {0x79, 0x30, 0x00, 0x01}, "sub.w\t#0x1,r0", 0xa5a58000, 0, 0, 0xa5a57fff, H | V},
    {"SUB_W_imm_0000_minus_0001", {0x79, 0x30, 0x00, 0x01}, "sub.w\t#0x1,r0", 0xa5a50000, 0, 0, 0xa5a5ffff, H | N | C},
    {"SUB_W_imm_7FFF_minus_FFFF", {0x79, 0x30, 0xff, 0xff}, "sub.w\t#0xffff,r0", 0xa5a57fff, 0, 0, 0xa5a58000, N | V | C},
    {"SUB_W_imm_1000_minus_0001_half_borrow", {0x79, 0x30, 0x00, 0x01}, "sub.w\t#0x1,r0", 0xa5a51000, 0, 0, 0xa5a50fff, H},
    {"SUB_W_reg_8000_minus_8000", {0x19, 0x10}, "sub.w\tr1,r0", 0xa5a58000, 0x5a5a8000, 0, 0xa5a50000, Z},
    {"SUB_W_reg_0000_minus_8000", {0x19, 0x10}, "sub.w\tr1,r0", 0xa5a50000, 0x5a5a8000, 0, 0xa5a58000, N | V | C},
    {"SUB_L_imm_80000000_minus_1", {0x7a, 0x30, 0x00, 0x00, 0x00, 0x01}, "sub.l\t#0x1,er0", 0x80000000, 0, 0, 0x7fffffff, H | V},
    {"SUB_L_imm_0_minus_1", {0x7a, 0x30, 0x00, 0x00, 0x00, 0x01}, "sub.l\t#0x1,er0", 0x00000000, 0, 0, 0xffffffff, H | N | C},
    {"SUB_L_imm_10000000_minus_1_half_borrow", {0x7a, 0x30, 0x00, 0x00, 0x00, 0x01}, "sub.l\t#0x1,er0", 0x10000000, 0, 0, 0x0fffffff, H},
    {"SUB_L_reg_7FFFFFFF_minus_FFFFFFFF", {0x1a, 0x90}, "sub.l\ter1,er0", 0x7fffffff, 0xffffffff, 0, 0x80000000, N | V | C},
    {"SUB_L_reg_FFFFFFFF_minus_FFFFFFFF", {0x1a, 0x90}, "sub.l\ter1,er0", 0xffffffff, 0xffffffff, 0, 0x00000000, Z},
    {"SUB_L_reg_0_minus_80000000", {0x1a, 0x90}, "sub.l\ter1,er0", 0x00000000, 0x80000000, 0, 0x80000000, N | V | C},

    // SUBX: subtracts C in; Z as for ADDX.
    {"SUBX_imm_01_minus_00_C_keeps_Z", {0xb8, 0x00}, "subx\t#0x0,r0l", 0xa5a5a501, 0, Z | C, 0xa5a5a500, Z},
    {"SUBX_imm_01_minus_00_C_does_not_set_Z", {0xb8, 0x00}, "subx\t#0x0,r0l", 0xa5a5a501, 0, C, 0xa5a5a500, 0},
    {"SUBX_imm_00_minus_00_C_borrows", {0xb8, 0x00}, "subx\t#0x0,r0l", 0xa5a5a500, 0, C, 0xa5a5a5ff, H | N | C},
    {"SUBX_imm_80_minus_00_C_overflows", {0xb8, 0x00}, "subx\t#0x0,r0l", 0xa5a5a580, 0, C, 0xa5a5a57f, H | V},
    {"SUBX_reg_00_minus_FF_C_keeps_Z", {0x1e, 0x98}, "subx\tr1l,r0l", 0xa5a5a500, 0x5a5a5aff, Z | C, 0xa5a5a500, H | Z | C},
    {"SUBX_reg_80_minus_7F_clears_Z", {0x1e, 0x98}, "subx\tr1l,r0l", 0xa5a5a580, 0x5a5a5a7f, Z, 0xa5a5a501, H | V},

    // CMP: the flags of SUB, the destination left alone.
    {"CMP_B_imm_7F_with_80", {0xa8, 0x80}, "cmp.b\t#0x80,r0l", 0xa5a5a57f, 0, 0, 0xa5a5a57f, N | V | C},
    {"CMP_B_imm_80_with_01", {0xa8, 0x01}, "cmp.b\t#0x1,r0l", 0xa5a5a580, 0, 0, 0xa5a5a580, H | V},
    {"CMP_B_imm_FF_with_FF", {0xa8, 0xff}, "cmp.b\t#0xff,r0l", 0xa5a5a5ff, 0, 0, 0xa5a5a5ff, Z},
    {"CMP_B_reg_00_with_01", {0x1c, 0x98}, "cmp.b\tr1l,r0l", 0xa5a5a500, 0x5a5a5a01, 0, 0xa5a5a500, H | N | C},
    {"CMP_B_reg_00_with_00", {0x1c, 0x98}, "cmp.b\tr1l,r0l", 0xa5a5a500, 0x5a5a5a00, H | N | V | C, 0xa5a5a500, Z},
    {"CMP_W_imm_7FFF_with_8000", {0x79, 0x20, 0x80, 0x00}, "cmp.w\t#0x8000,r0", 0xa5a57fff, 0, 0, 0xa5a57fff, N | V | C},
    {"CMP_W_imm_8000_with_0001", {0x79, 0x20, 0x00, 0x01}, "cmp.w\t#0x1,r0", 0xa5a58000, 0, 0, 0xa5a58000, H | V},
    {"CMP_W_reg_FFFF_with_FFFF", {0x1d, 0x10}, "cmp.w\tr1,r0", 0xa5a5ffff, 0x5a5affff, 0, 0xa5a5ffff, Z},
    {"CMP_W_reg_0000_with_0001", {0x1d, 0x10}, "cmp.w\tr1,r0", 0xa5a50000, 0x5a5a0001, 0, 0xa5a50000, H | N | C},
    {"CMP_L_imm_7FFFFFFF_with_80000000", {0x7a, 0x20, 0x80, 0x00, 0x00, 0x00}, "cmp.l\t#0x80000000,er0", 0x7fffffff, 0, 0, 0x7fffffff, N | V | C},
    {"CMP_L_imm_80000000_with_1", {0x7a, 0x20, 0x00, 0x00, 0x00, 0x01}, "cmp.l\t#0x1,er0", 0x80000000, 0, 0, 0x80000000, H | V},
    {"CMP_L_reg_FFFFFFFF_with_FFFFFFFF", {0x1f, 0x90}, "cmp.l\ter1,er0", 0xffffffff, 0xffffffff, 0, 0xffffffff, Z},
    {"CMP_L_reg_0_with_1", {0x1f, 0x90}, "cmp.l\ter1,er0", 0x00000000, 0x00000001, 0, 0x00000000, H | N | C},

    // NEG: 0 - Rd.
    {"NEG_B_00", {0x17, 0x88}, "neg.b\tr0l", 0xa5a5a500, 0, H | N | V | C, 0xa5a5a500, Z},
    {"NEG_B_80", {0x17, 0x88}, "neg.b\tr0l", 0xa5a5a580, 0, 0, 0xa5a5a580, N | V | C},
    {"NEG_B_01", {0x17, 0x88}, "neg.b\tr0l", 0xa5a5a501, 0, 0, 0xa5a5a5ff, H | N | C},
    {"NEG_B_FF", {0x17, 0x88}, "neg.b\tr0l", 0xa5a5a5ff, 0, 0, 0xa5a5a501, H | C},
    {"NEG_W_8000", {0x17, 0x90}, "neg.w\tr0", 0xa5a58000, 0, 0, 0xa5a58000, N | V | C},
    {"NEG_W_0001", {0x17, 0x90}, "neg.w\tr0", 0xa5a50001, 0, 0, 0xa5a5ffff, H | N | C},
    {"NEG_W_0000", {0x17, 0x90}, "neg.w\tr0", 0xa5a50000, 0, C, 0xa5a50000, Z},
    {"NEG_L_80000000", {0x17, 0xb0}, "neg.l\ter0", 0x80000000, 0, 0, 0x80000000, N | V | C},
    {"NEG_L_1", {0x17, 0xb0}, "neg.l\ter0", 0x00000001, 0, 0, 0xffffffff, H | N | C},
    {"NEG_L_FFFFFFFF", {0x17, 0xb0}, "neg.l\ter0", 0xffffffff, 0, 0, 0x00000001, H | C},
    {"NEG_L_0", {0x17, 0xb0}, "neg.l\ter0", 0x00000000, 0, V, 0x00000000, Z},

    // INC and DEC: N Z V only; H and C kept.
    {"INC_B_7F_keeps_H_C", {0x0a, 0x08}, "inc\tr0l", 0xa5a5a57f, 0, H | C, 0xa5a5a580, H | N | V | C},
    {"INC_B_FF", {0x0a, 0x08}, "inc\tr0l", 0xa5a5a5ff, 0, 0, 0xa5a5a500, Z},
    {"INC_W_1_7FFF", {0x0b, 0x50}, "inc.w\t#1,r0", 0xa5a57fff, 0, 0, 0xa5a58000, N | V},
    {"INC_W_2_7FFF", {0x0b, 0xd0}, "inc.w\t#2,r0", 0xa5a57fff, 0, 0, 0xa5a58001, N | V},
    {"INC_W_2_FFFE", {0x0b, 0xd0}, "inc.w\t#2,r0", 0xa5a5fffe, 0, 0, 0xa5a50000, Z},
    {"INC_W_2_FFFF_keeps_C", {0x0b, 0xd0}, "inc.w\t#2,r0", 0xa5a5ffff, 0, N | Z | V | C, 0xa5a50001, C},
    {"INC_L_1_7FFFFFFF", {0x0b, 0x70}, "inc.l\t#1,er0", 0x7fffffff, 0, 0, 0x80000000, N | V},
    {"INC_L_1_FFFFFFFF", {0x0b, 0x70}, "inc.l\t#1,er0", 0xffffffff, 0, 0, 0x00000000, Z},
    {"INC_L_2_7FFFFFFE", {0x0b, 0xf0}, "inc.l\t#2,er0", 0x7ffffffe, 0, 0, 0x80000000, N | V},
    {"INC_L_2_FFFFFFFF_keeps_H", {0x0b, 0xf0}, "inc.l\t#2,er0", 0xffffffff, 0, H | N, 0x00000001, H},
    {"DEC_B_80", {0x1a, 0x08}, "dec.b\tr0l", 0xa5a5a580, 0, 0, 0xa5a5a57f, V},
    {"DEC_B_00", {0x1a, 0x08}, "dec.b\tr0l", 0xa5a5a500, 0, 0, 0xa5a5a5ff, N},
    {"DEC_B_01_keeps_H_C", {0x1a, 0x08}, "dec.b\tr0l", 0xa5a5a501, 0, H | C, 0xa5a5a500, H | Z | C},
    {"DEC_W_1_8000", {0x1b, 0x50}, "dec.w\t#1,r0", 0xa5a58000, 0, 0, 0xa5a57fff, V},
    {"DEC_W_2_8001", {0x1b, 0xd0}, "dec.w\t#2,r0", 0xa5a58001, 0, 0, 0xa5a57fff, V},
    {"DEC_W_2_0001", {0x1b, 0xd0}, "dec.w\t#2,r0", 0xa5a50001, 0, 0, 0xa5a5ffff, N},
    {"DEC_W_2_0002", {0x1b, 0xd0}, "dec.w\t#2,r0", 0xa5a50002, 0, 0, 0xa5a50000, Z},
    {"DEC_L_1_80000000", {0x1b, 0x70}, "dec.l\t#1,er0", 0x80000000, 0, 0, 0x7fffffff, V},
    {"DEC_L_1_0", {0x1b, 0x70}, "dec.l\t#1,er0", 0x00000000, 0, 0, 0xffffffff, N},
    {"DEC_L_2_80000001", {0x1b, 0xf0}, "dec.l\t#2,er0", 0x80000001, 0, 0, 0x7fffffff, V},
    {"DEC_L_2_2", {0x1b, 0xf0}, "dec.l\t#2,er0", 0x00000002, 0, 0, 0x00000000, Z},

    // ADDS and SUBS change no flag.
    {"ADDS_1_FFFFFFFF", {0x0b, 0x00}, "adds\t#1,er0", 0xffffffff, 0, 0, 0x00000000, 0},
    {"ADDS_2_7FFFFFFF", {0x0b, 0x80}, "adds\t#2,er0", 0x7fffffff, 0, Z | C, 0x80000001, Z | C},
    {"ADDS_4_FFFFFFFE", {0x0b, 0x90}, "adds\t#4,er0", 0xfffffffe, 0, N | V, 0x00000002, N | V},
    {"SUBS_1_0", {0x1b, 0x00}, "subs\t#1,er0", 0x00000000, 0, 0, 0xffffffff, 0},
    {"SUBS_2_80000000", {0x1b, 0x80}, "subs\t#2,er0", 0x80000000, 0, H | N | Z | V | C, 0x7ffffffe, H | N | Z | V | C},
    {"SUBS_4_4", {0x1b, 0x90}, "subs\t#4,er0", 0x00000004, 0, 0, 0x00000000, 0},

    // DAA and DAS: the manual's adjustment tables; H and V are undetermined after both. DAA
    // sets C on a decimal carry and otherwise keeps it; DAS keeps C.
    {"DAA_9A_adds_66", {0x0f, 0x08}, "daa\tr0l", 0xa5a5a59a, 0, 0, 0xa5a5a500, Z | C, {.undefinedCcr = H | V}},
    {"DAA_0F_adds_06", {0x0f, 0x08}, "daa\tr0l", 0xa5a5a50f, 0, 0, 0xa5a5a515, 0, {.undefinedCcr = H | V}},
    {"DAA_22_H_adds_06", {0x0f, 0x08}, "daa\tr0l", 0xa5a5a522, 0, H, 0xa5a5a528, 0, {.undefinedCcr = H | V}},
    {"DAA_A0_adds_60", {0x0f, 0x08}, "daa\tr0l", 0xa5a5a5a0, 0, 0, 0xa5a5a500, Z | C, {.undefinedCcr = H | V}},
    {"DAA_12_C_adds_60", {0x0f, 0x08}, "daa\tr0l", 0xa5a5a512, 0, C, 0xa5a5a572, C, {.undefinedCcr = H | V}},
    {"DAA_33_H_C_adds_66", {0x0f, 0x08}, "daa\tr0l", 0xa5a5a533, 0, H | C, 0xa5a5a599, N | C, {.undefinedCcr = H | V}},
    {"DAA_79_adds_00", {0x0f, 0x08}, "daa\tr0l", 0xa5a5a579, 0, N | Z, 0xa5a5a579, 0, {.undefinedCcr = H | V}},
    {"DAS_99_adds_00", {0x1f, 0x08}, "das\tr0l", 0xa5a5a599, 0, 0, 0xa5a5a599, N, {.undefinedCcr = H | V}},
    {"DAS_2F_H_adds_FA", {0x1f, 0x08}, "das\tr0l", 0xa5a5a52f, 0, H, 0xa5a5a529, 0, {.undefinedCcr = H | V}},
    {"DAS_70_C_adds_A0", {0x1f, 0x08}, "das\tr0l", 0xa5a5a570, 0, C, 0xa5a5a510, C, {.undefinedCcr = H | V}},
    {"DAS_66_H_C_adds_9A", {0x1f, 0x08}, "das\tr0l", 0xa5a5a566, 0, H | C, 0xa5a5a500, Z | C, {.undefinedCcr = H | V}},
};

// MULXS sets N and Z from the whole product; MULXU changes no flag. DIVXU's N is the
// divisor's sign, DIVXS's the quotient's, which the manual's note defines as "the operands'
// signs differ", so a quotient of zero can carry N. Z tells a zero divisor, after which the
// manual assures no result. V and C stay.
const CcRow kMultiplyDivide[] = {
    {"MULXS_B_80_times_80", {0x01, 0xc0, 0x50, 0x90}, "mulxs.b\tr1l,r0", 0xa5a5a580, 0x5a5a5a80, N | Z | V | C, 0xa5a54000, V | C},
    {"MULXS_B_FF_times_01", {0x01, 0xc0, 0x50, 0x90}, "mulxs.b\tr1l,r0", 0xa5a5a5ff, 0x5a5a5a01, 0, 0xa5a5ffff, N},
    {"MULXS_B_00_times_7F", {0x01, 0xc0, 0x50, 0x90}, "mulxs.b\tr1l,r0", 0xa5a5a500, 0x5a5a5a7f, 0, 0xa5a50000, Z},
    {"MULXS_B_7F_times_80", {0x01, 0xc0, 0x50, 0x90}, "mulxs.b\tr1l,r0", 0xa5a5a57f, 0x5a5a5a80, 0, 0xa5a5c080, N},
    {"MULXS_W_8000_times_8000", {0x01, 0xc0, 0x52, 0x10}, "mulxs.w\tr1,er0", 0xa5a58000, 0x5a5a8000, N | Z, 0x40000000, 0},
    {"MULXS_W_FFFF_times_0001", {0x01, 0xc0, 0x52, 0x10}, "mulxs.w\tr1,er0", 0xa5a5ffff, 0x5a5a0001, 0, 0xffffffff, N},
    {"MULXS_W_7FFF_times_8000", {0x01, 0xc0, 0x52, 0x10}, "mulxs.w\tr1,er0", 0xa5a57fff, 0x5a5a8000, 0, 0xc0008000, N},
    {"MULXS_W_0000_times_FFFF", {0x01, 0xc0, 0x52, 0x10}, "mulxs.w\tr1,er0", 0xa5a50000, 0x5a5affff, V | C, 0x00000000, Z | V | C},
    {"MULXU_B_FF_times_FF_keeps_flags", {0x50, 0x90}, "mulxu.b\tr1l,r0", 0xa5a5a5ff, 0x5a5a5aff, Z, 0xa5a5fe01, Z},
    {"MULXU_W_FFFF_times_FFFF_keeps_flags", {0x52, 0x10}, "mulxu.w\tr1,er0", 0xa5a5ffff, 0x5a5affff, N | V, 0xfffe0001, N | V},
    {"DIVXU_B_0100_by_80", {0x51, 0x90}, "divxu.b\tr1l,r0", 0xa5a50100, 0x5a5a5a80, 0, 0xa5a50002, N},
    {"DIVXU_B_00FF_by_01", {0x51, 0x90}, "divxu.b\tr1l,r0", 0xa5a500ff, 0x5a5a5a01, N | Z, 0xa5a500ff, 0},
    {"DIVXU_B_7FFF_by_FF", {0x51, 0x90}, "divxu.b\tr1l,r0", 0xa5a57fff, 0x5a5a5aff, 0, 0xa5a57f80, N},
    {"DIVXU_B_by_zero", {0x51, 0x90}, "divxu.b\tr1l,r0", 0xa5a50007, 0x5a5a5a00, N | V | C, 0, Z | V | C, {.resultUndefined = true}},
    {"DIVXU_W_00010000_by_8000", {0x53, 0x10}, "divxu.w\tr1,er0", 0x00010000, 0x5a5a8000, 0, 0x00000002, N},
    {"DIVXU_W_7FFFFFFF_by_FFFF", {0x53, 0x10}, "divxu.w\tr1,er0", 0x7fffffff, 0x5a5affff, 0, 0x7fff8000, N},
    {"DIVXU_W_0000FFFF_by_0001", {0x53, 0x10}, "divxu.w\tr1,er0", 0x0000ffff, 0x5a5a0001, Z, 0x0000ffff, 0},
    {"DIVXU_W_by_zero", {0x53, 0x10}, "divxu.w\tr1,er0", 0x12345678, 0x5a5a0000, V | C, 0, Z | V | C, {.resultUndefined = true}},
    {"DIVXS_B_FF80_by_01", {0x01, 0xd0, 0x51, 0x90}, "divxs.b\tr1l,r0", 0xa5a5ff80, 0x5a5a5a01, 0, 0xa5a50080, N},
    {"DIVXS_B_0003_by_FB_zero_quotient_N", {0x01, 0xd0, 0x51, 0x90}, "divxs.b\tr1l,r0", 0xa5a50003, 0x5a5a5afb, 0, 0xa5a50300, N},
    {"DIVXS_B_FF81_by_FF", {0x01, 0xd0, 0x51, 0x90}, "divxs.b\tr1l,r0", 0xa5a5ff81, 0x5a5a5aff, N, 0xa5a5007f, 0},
    {"DIVXS_B_0080_by_FF", {0x01, 0xd0, 0x51, 0x90}, "divxs.b\tr1l,r0", 0xa5a50080, 0x5a5a5aff, 0, 0xa5a50080, N},
    {"DIVXS_B_by_zero", {0x01, 0xd0, 0x51, 0x90}, "divxs.b\tr1l,r0", 0xa5a50007, 0x5a5a5a00, V | C, 0, Z | V | C, {.resultUndefined = true}},
    {"DIVXS_W_FFFF8000_by_0001", {0x01, 0xd0, 0x53, 0x10}, "divxs.w\tr1,er0", 0xffff8000, 0x5a5a0001, 0, 0x00008000, N},
    {"DIVXS_W_00000003_by_FFFB_zero_quotient_N", {0x01, 0xd0, 0x53, 0x10}, "divxs.w\tr1,er0", 0x00000003, 0x5a5afffb, 0, 0x00030000, N},
    {"DIVXS_W_FFFFFFFF_by_FFFF", {0x01, 0xd0, 0x53, 0x10}, "divxs.w\tr1,er0", 0xffffffff, 0x5a5affff, N | Z, 0x00000001, 0},
    {"DIVXS_W_by_zero", {0x01, 0xd0, 0x53, 0x10}, "divxs.w\tr1,er0", 0x00000007, 0x5a5a0000, 0, 0, Z, {.resultUndefined = true}},
};

// EXTU, EXTS, the logic operations and MOV: N and Z from the result, V cleared, C kept.
const CcRow kLogicAndMoves[] = {
    {"EXTU_W_FF80", {0x17, 0x50}, "extu.w\tr0", 0xa5a5ff80, 0, N | V | C, 0xa5a50080, C},
    {"EXTU_W_FF00", {0x17, 0x50}, "extu.w\tr0", 0xa5a5ff00, 0, 0, 0xa5a50000, Z},
    {"EXTU_L_FFFF8000", {0x17, 0x70}, "extu.l\ter0", 0xffff8000, 0, N | Z | V, 0x00008000, 0},
    {"EXTU_L_FFFF0000", {0x17, 0x70}, "extu.l\ter0", 0xffff0000, 0, 0, 0x00000000, Z},
    {"EXTS_W_0080", {0x17, 0xd0}, "exts.w\tr0", 0xa5a50080, 0, 0, 0xa5a5ff80, N},
    {"EXTS_W_FF7F", {0x17, 0xd0}, "exts.w\tr0", 0xa5a5ff7f, 0, N | Z | V | C, 0xa5a5007f, C},
    {"EXTS_L_00008000", {0x17, 0xf0}, "exts.l\ter0", 0x00008000, 0, 0, 0xffff8000, N},
    {"EXTS_L_FFFF7FFF", {0x17, 0xf0}, "exts.l\ter0", 0xffff7fff, 0, V, 0x00007fff, 0},
    {"EXTS_L_FFFF0000", {0x17, 0xf0}, "exts.l\ter0", 0xffff0000, 0, 0, 0x00000000, Z},
    {"AND_B_imm_FF_and_80", {0xe8, 0x80}, "and.b\t#0x80,r0l", 0xa5a5a5ff, 0, V | C, 0xa5a5a580, N | C},
    {"AND_B_imm_80_and_7F", {0xe8, 0x7f}, "and.b\t#0x7f,r0l", 0xa5a5a580, 0, 0, 0xa5a5a500, Z},
    {"AND_B_reg_FF_and_FF", {0x16, 0x98}, "and.b\tr1l,r0l", 0xa5a5a5ff, 0x5a5a5aff, 0, 0xa5a5a5ff, N},
    {"AND_W_imm_FFFF_and_8000", {0x79, 0x60, 0x80, 0x00}, "and.w\t#0x8000,r0", 0xa5a5ffff, 0, 0, 0xa5a58000, N},
    {"AND_W_reg_8000_and_7FFF", {0x66, 0x10}, "and.w\tr1,r0", 0xa5a58000, 0x5a5a7fff, 0, 0xa5a50000, Z},
    {"AND_L_imm_FFFFFFFF_and_80000000", {0x7a, 0x60, 0x80, 0x00, 0x00, 0x00}, "and.l\t#0x80000000,er0", 0xffffffff, 0, 0, 0x80000000, N},
    {"AND_L_reg_80000000_and_7FFFFFFF", {0x01, 0xf0, 0x66, 0x10}, "and.l\ter1,er0", 0x80000000, 0x7fffffff, V, 0x00000000, Z},
    {"OR_B_imm_00_or_80", {0xc8, 0x80}, "or.b\t#0x80,r0l", 0xa5a5a500, 0, 0, 0xa5a5a580, N},
    {"OR_B_reg_00_or_00", {0x14, 0x98}, "or.b\tr1l,r0l", 0xa5a5a500, 0x5a5a5a00, V, 0xa5a5a500, Z},
    {"OR_W_imm_8000_or_7FFF", {0x79, 0x40, 0x7f, 0xff}, "or.w\t#0x7fff,r0", 0xa5a58000, 0, 0, 0xa5a5ffff, N},
    {"OR_W_reg_0000_or_0000", {0x64, 0x10}, "or.w\tr1,r0", 0xa5a50000, 0x5a5a0000, 0, 0xa5a50000, Z},
    {"OR_L_imm_80000000_or_7FFFFFFF", {0x7a, 0x40, 0x7f, 0xff, 0xff, 0xff}, "or.l\t#0x7fffffff,er0", 0x80000000, 0, 0, 0xffffffff, N},
    {"OR_L_reg_0_or_0", {0x01, 0xf0, 0x64, 0x10}, "or.l\ter1,er0", 0x00000000, 0x00000000, C, 0x00000000, Z | C},
    {"XOR_B_imm_FF_xor_FF", {0xd8, 0xff}, "xor.b\t#0xff,r0l", 0xa5a5a5ff, 0, 0, 0xa5a5a500, Z},
    {"XOR_B_reg_FF_xor_7F", {0x15, 0x98}, "xor.b\tr1l,r0l", 0xa5a5a5ff, 0x5a5a5a7f, 0, 0xa5a5a580, N},
    {"XOR_W_imm_7FFF_xor_FFFF", {0x79, 0x50, 0xff, 0xff}, "xor.w\t#0xffff,r0", 0xa5a57fff, 0, 0, 0xa5a58000, N},
    {"XOR_W_reg_8000_xor_8000", {0x65, 0x10}, "xor.w\tr1,r0", 0xa5a58000, 0x5a5a8000, 0, 0xa5a50000, Z},
    {"XOR_L_imm_FFFFFFFF_xor_FFFFFFFF", {0x7a, 0x50, 0xff, 0xff, 0xff, 0xff}, "xor.l\t#0xffffffff,er0", 0xffffffff, 0, 0, 0x00000000, Z},
    {"XOR_L_reg_0_xor_80000000", {0x01, 0xf0, 0x65, 0x10}, "xor.l\ter1,er0", 0x00000000, 0x80000000, V | C, 0x80000000, N | C},
    {"NOT_B_7F", {0x17, 0x08}, "not.b\tr0l", 0xa5a5a57f, 0, V, 0xa5a5a580, N},
    {"NOT_B_FF", {0x17, 0x08}, "not.b\tr0l", 0xa5a5a5ff, 0, 0, 0xa5a5a500, Z},
    {"NOT_W_7FFF", {0x17, 0x10}, "not.w\tr0", 0xa5a57fff, 0, 0, 0xa5a58000, N},
    {"NOT_W_FFFF", {0x17, 0x10}, "not.w\tr0", 0xa5a5ffff, 0, 0, 0xa5a50000, Z},
    {"NOT_L_7FFFFFFF", {0x17, 0x30}, "not.l\ter0", 0x7fffffff, 0, 0, 0x80000000, N},
    {"NOT_L_FFFFFFFF_keeps_C", {0x17, 0x30}, "not.l\ter0", 0xffffffff, 0, C, 0x00000000, Z | C},
    {"MOV_B_imm_80", {0xf8, 0x80}, "mov.b\t#0x80,r0l", 0xa5a5a500, 0, V | C, 0xa5a5a580, N | C},
    {"MOV_B_imm_00", {0xf8, 0x00}, "mov.b\t#0x0,r0l", 0xa5a5a5ff, 0, 0, 0xa5a5a500, Z},
    {"MOV_B_reg_7F", {0x0c, 0x98}, "mov.b\tr1l,r0l", 0xa5a5a500, 0x5a5a5a7f, N | Z | V, 0xa5a5a57f, 0},
    {"MOV_W_imm_8000", {0x79, 0x00, 0x80, 0x00}, "mov.w\t#0x8000,r0", 0xa5a50000, 0, 0, 0xa5a58000, N},
    {"MOV_W_reg_0000_keeps_C", {0x0d, 0x10}, "mov.w\tr1,r0", 0xa5a5ffff, 0x5a5a0000, C, 0xa5a50000, Z | C},
    {"MOV_L_imm_80000000", {0x7a, 0x00, 0x80, 0x00, 0x00, 0x00}, "mov.l\t#0x80000000,er0", 0x00000000, 0, 0, 0x80000000, N},
    {"MOV_L_imm_7FFFFFFF_keeps_C", {0x7a, 0x00, 0x7f, 0xff, 0xff, 0xff}, "mov.l\t#0x7fffffff,er0", 0x00000000, 0, N | Z | V | C, 0x7fffffff, C},
    {"MOV_L_reg_0", {0x0f, 0x90}, "mov.l\ter1,er0", 0xffffffff, 0x00000000, 0, 0x00000000, Z},
    {"MOV_B_load_80", {0x68, 0x18}, "mov.b\t@er1,r0l", 0xa5a5a500, kData, V, 0xa5a5a580, N, {.mem = 0x80000000, .memAfter = 0x80000000}},
    {"MOV_W_load_8000", {0x69, 0x10}, "mov.w\t@er1,r0", 0xa5a50000, kData, 0, 0xa5a58000, N, {.mem = 0x80001234, .memAfter = 0x80001234}},
    {"MOV_L_load_0", {0x01, 0x00, 0x69, 0x10}, "mov.l\t@er1,er0", 0xffffffff, kData, N | C, 0x00000000, Z | C, {.mem = 0, .memAfter = 0}},
    {"MOV_B_store_00", {0x68, 0x98}, "mov.b\tr0l,@er1", 0xa5a5a500, kData, C, 0xa5a5a500, Z | C, {.mem = 0xffffffff, .memAfter = 0x00ffffff}},
    {"MOV_L_store_80000000", {0x01, 0x00, 0x69, 0x90}, "mov.l\ter0,@er1", 0x80000000, kData, Z | V, 0x80000000, N, {.mem = 0, .memAfter = 0x80000000}},
};

// Shifts and rotates: C takes the bit shifted out; V is cleared except by SHAL, which sets it
// when the top two bits differed (the sign changed). SHLR always clears N.
const CcRow kShifts[] = {
    {"SHAL_B_40_sign_changes", {0x10, 0x88}, "shal.b\tr0l", 0xa5a5a540, 0, 0, 0xa5a5a580, N | V},
    {"SHAL_B_80", {0x10, 0x88}, "shal.b\tr0l", 0xa5a5a580, 0, 0, 0xa5a5a500, Z | V | C},
    {"SHAL_B_C0_sign_kept", {0x10, 0x88}, "shal.b\tr0l", 0xa5a5a5c0, 0, V, 0xa5a5a580, N | C},
    {"SHAL_W_4000", {0x10, 0x90}, "shal.w\tr0", 0xa5a54000, 0, 0, 0xa5a58000, N | V},
    {"SHAL_W_8000", {0x10, 0x90}, "shal.w\tr0", 0xa5a58000, 0, 0, 0xa5a50000, Z | V | C},
    {"SHAL_L_40000000", {0x10, 0xb0}, "shal.l\ter0", 0x40000000, 0, 0, 0x80000000, N | V},
    {"SHAL_L_C0000000", {0x10, 0xb0}, "shal.l\ter0", 0xc0000000, 0, 0, 0x80000000, N | C},
    {"SHLL_B_40_no_V", {0x10, 0x08}, "shll.b\tr0l", 0xa5a5a540, 0, V, 0xa5a5a580, N},
    {"SHLL_B_80", {0x10, 0x08}, "shll.b\tr0l", 0xa5a5a580, 0, 0, 0xa5a5a500, Z | C},
    {"SHLL_W_4000_no_V", {0x10, 0x10}, "shll.w\tr0", 0xa5a54000, 0, 0, 0xa5a58000, N},
    {"SHLL_W_FFFF", {0x10, 0x10}, "shll.w\tr0", 0xa5a5ffff, 0, 0, 0xa5a5fffe, N | C},
    {"SHLL_L_40000000_no_V", {0x10, 0x30}, "shll.l\ter0", 0x40000000, 0, 0, 0x80000000, N},
    {"SHLL_L_80000000", {0x10, 0x30}, "shll.l\ter0", 0x80000000, 0, 0, 0x00000000, Z | C},
    {"SHAR_B_80", {0x11, 0x88}, "shar.b\tr0l", 0xa5a5a580, 0, 0, 0xa5a5a5c0, N},
    {"SHAR_B_01", {0x11, 0x88}, "shar.b\tr0l", 0xa5a5a501, 0, 0, 0xa5a5a500, Z | C},
    {"SHAR_B_FF", {0x11, 0x88}, "shar.b\tr0l", 0xa5a5a5ff, 0, V, 0xa5a5a5ff, N | C},
    {"SHAR_W_8001", {0x11, 0x90}, "shar.w\tr0", 0xa5a58001, 0, 0, 0xa5a5c000, N | C},
    {"SHAR_W_7FFF", {0x11, 0x90}, "shar.w\tr0", 0xa5a57fff, 0, 0, 0xa5a53fff, C},
    {"SHAR_L_80000000", {0x11, 0xb0}, "shar.l\ter0", 0x80000000, 0, 0, 0xc0000000, N},
    {"SHAR_L_1", {0x11, 0xb0}, "shar.l\ter0", 0x00000001, 0, 0, 0x00000000, Z | C},
    {"SHLR_B_80", {0x11, 0x08}, "shlr.b\tr0l", 0xa5a5a580, 0, N | V, 0xa5a5a540, 0},
    {"SHLR_B_01", {0x11, 0x08}, "shlr.b\tr0l", 0xa5a5a501, 0, 0, 0xa5a5a500, Z | C},
    {"SHLR_B_FF", {0x11, 0x08}, "shlr.b\tr0l", 0xa5a5a5ff, 0, N, 0xa5a5a57f, C},
    {"SHLR_W_FFFF", {0x11, 0x10}, "shlr.w\tr0", 0xa5a5ffff, 0, 0, 0xa5a57fff, C},
    {"SHLR_L_80000000", {0x11, 0x30}, "shlr.l\ter0", 0x80000000, 0, 0, 0x40000000, 0},
    {"SHLR_L_FFFFFFFF", {0x11, 0x30}, "shlr.l\ter0", 0xffffffff, 0, 0, 0x7fffffff, C},
    {"ROTL_B_80", {0x12, 0x88}, "rotl.b\tr0l", 0xa5a5a580, 0, 0, 0xa5a5a501, C},
    {"ROTL_B_7F", {0x12, 0x88}, "rotl.b\tr0l", 0xa5a5a57f, 0, V | C, 0xa5a5a5fe, N},
    {"ROTL_W_8000", {0x12, 0x90}, "rotl.w\tr0", 0xa5a58000, 0, 0, 0xa5a50001, C},
    {"ROTL_L_FFFFFFFF", {0x12, 0xb0}, "rotl.l\ter0", 0xffffffff, 0, 0, 0xffffffff, N | C},
    {"ROTR_B_01", {0x13, 0x88}, "rotr.b\tr0l", 0xa5a5a501, 0, 0, 0xa5a5a580, N | C},
    {"ROTR_B_00", {0x13, 0x88}, "rotr.b\tr0l", 0xa5a5a500, 0, V | C, 0xa5a5a500, Z},
    {"ROTR_W_0001", {0x13, 0x90}, "rotr.w\tr0", 0xa5a50001, 0, 0, 0xa5a58000, N | C},
    {"ROTR_L_1", {0x13, 0xb0}, "rotr.l\ter0", 0x00000001, 0, 0, 0x80000000, N | C},
    {"ROTR_L_FFFFFFFE", {0x13, 0xb0}, "rotr.l\ter0", 0xfffffffe, 0, C, 0x7fffffff, 0},
    {"ROTXL_B_80_C_clear", {0x12, 0x08}, "rotxl.b\tr0l", 0xa5a5a580, 0, 0, 0xa5a5a500, Z | C},
    {"ROTXL_B_7F_C_set", {0x12, 0x08}, "rotxl.b\tr0l", 0xa5a5a57f, 0, C, 0xa5a5a5ff, N},
    {"ROTXL_W_8000_C_set", {0x12, 0x10}, "rotxl.w\tr0", 0xa5a58000, 0, C, 0xa5a50001, C},
    {"ROTXL_L_0_C_set", {0x12, 0x30}, "rotxl.l\ter0", 0x00000000, 0, C, 0x00000001, 0},
    {"ROTXL_L_80000000_C_clear", {0x12, 0x30}, "rotxl.l\ter0", 0x80000000, 0, 0, 0x00000000, Z | C},
    {"ROTXR_B_01_C_clear", {0x13, 0x08}, "rotxr.b\tr0l", 0xa5a5a501, 0, 0, 0xa5a5a500, Z | C},
    {"ROTXR_B_00_C_set", {0x13, 0x08}, "rotxr.b\tr0l", 0xa5a5a500, 0, C, 0xa5a5a580, N},
    {"ROTXR_W_0001_C_set", {0x13, 0x10}, "rotxr.w\tr0", 0xa5a50001, 0, C, 0xa5a58000, N | C},
    {"ROTXR_L_0_C_set", {0x13, 0x30}, "rotxr.l\ter0", 0x00000000, 0, C, 0x80000000, N},
    {"ROTXR_L_FFFFFFFF_C_clear", {0x13, 0x30}, "rotxr.l\ter0", 0xffffffff, 0, V, 0x7fffffff, C},
};

// The CCR as an operand, and the bit instructions that go through C (or Z for BTST).
const CcRow kCcrAndBits[] = {
    {"LDC_imm_00", {0x07, 0x00}, "ldc\t#0x0,ccr", 0, 0, kAll, 0, 0},
    {"LDC_imm_FF", {0x07, 0xff}, "ldc\t#0xff,ccr", 0, 0, 0, 0, kAll},
    {"LDC_reg_5A", {0x03, 0x09}, "ldc\tr1l,ccr", 0, 0x5a5a5a5a, I, 0, UI | U | N | V},
    {"STC_reg_keeps_flags", {0x02, 0x08}, "stc\tccr,r0l", 0xa5a5a5a5, 0, I | N | V | C, 0xa5a5a58b, I | N | V | C},
    {"ANDC_FE_clears_C", {0x06, 0xfe}, "andc\t#0xfe,ccr", 0, 0, kAll, 0, I | UI | H | U | N | Z | V},
    {"ANDC_7B_clears_I_and_Z", {0x06, 0x7b}, "andc\t#0x7b,ccr", 0, 0, kAll, 0, UI | H | U | N | V | C},
    {"ORC_01_sets_C", {0x04, 0x01}, "orc\t#0x1,ccr", 0, 0, 0, 0, C},
    {"ORC_0A_sets_N_and_V", {0x04, 0x0a}, "orc\t#0xa,ccr", 0, 0, I | C, 0, I | N | V | C},
    {"XORC_04_toggles_Z", {0x05, 0x04}, "xorc\t#0x4,ccr", 0, 0, Z | C, 0, C},
    {"XORC_FF_toggles_all", {0x05, 0xff}, "xorc\t#0xff,ccr", 0, 0, I | Z, 0, UI | H | U | N | V | C},
    {"BLD_7_of_80", {0x77, 0x78}, "bld\t#0x7,r0l", 0xa5a5a580, 0, 0, 0xa5a5a580, C},
    {"BLD_0_of_FE_touches_only_C", {0x77, 0x08}, "bld\t#0x0,r0l", 0xa5a5a5fe, 0, N | Z | V | C, 0xa5a5a5fe, N | Z | V},
    {"BILD_7_of_80", {0x77, 0xf8}, "bild\t#0x7,r0l", 0xa5a5a580, 0, C, 0xa5a5a580, 0},
    {"BILD_7_of_7F", {0x77, 0xf8}, "bild\t#0x7,r0l", 0xa5a5a57f, 0, 0, 0xa5a5a57f, C},
    {"BST_3_C_set", {0x67, 0x38}, "bst\t#0x3,r0l", 0xa5a5a500, 0, C, 0xa5a5a508, C},
    {"BST_3_C_clear", {0x67, 0x38}, "bst\t#0x3,r0l", 0xa5a5a5ff, 0, Z, 0xa5a5a5f7, Z},
    {"BIST_3_C_set", {0x67, 0xb8}, "bist\t#0x3,r0l", 0xa5a5a5ff, 0, C, 0xa5a5a5f7, C},
    {"BAND_0_C_and_1", {0x76, 0x08}, "band\t#0x0,r0l", 0xa5a5a501, 0, C, 0xa5a5a501, C},
    {"BAND_0_C_and_0", {0x76, 0x08}, "band\t#0x0,r0l", 0xa5a5a500, 0, C, 0xa5a5a500, 0},
    {"BIAND_0_C_and_not_0", {0x76, 0x88}, "biand\t#0x0,r0l", 0xa5a5a500, 0, C, 0xa5a5a500, C},
    {"BOR_0_not_C_or_1", {0x74, 0x08}, "bor\t#0x0,r0l", 0xa5a5a501, 0, 0, 0xa5a5a501, C},
    {"BOR_0_not_C_or_0", {0x74, 0x08}, "bor\t#0x0,r0l", 0xa5a5a500, 0, N, 0xa5a5a500, N},
    {"BIOR_0_not_C_or_not_0", {0x74, 0x88}, "bior\t#0x0,r0l", 0xa5a5a500, 0, 0, 0xa5a5a500, C},
    {"BXOR_0_C_xor_1", {0x75, 0x08}, "bxor\t#0x0,r0l", 0xa5a5a501, 0, C, 0xa5a5a501, 0},
    {"BXOR_0_C_xor_0", {0x75, 0x08}, "bxor\t#0x0,r0l", 0xa5a5a500, 0, C, 0xa5a5a500, C},
    {"BIXOR_0_C_xor_not_1", {0x75, 0x88}, "bixor\t#0x0,r0l", 0xa5a5a501, 0, C, 0xa5a5a501, C},
    {"BTST_7_of_80_clears_Z", {0x73, 0x78}, "btst\t#0x7,r0l", 0xa5a5a580, 0, Z | C, 0xa5a5a580, C},
    {"BTST_7_of_7F_sets_Z", {0x73, 0x78}, "btst\t#0x7,r0l", 0xa5a5a57f, 0, 0, 0xa5a5a57f, Z},
    {"BTST_reg_7_of_00", {0x63, 0x98}, "btst\tr1l,r0l", 0xa5a5a500, 0x5a5a5a07, N, 0xa5a5a500, N | Z},
    {"BSET_7_changes_no_flag", {0x70, 0x78}, "bset\t#0x7,r0l", 0xa5a5a500, 0, Z, 0xa5a5a580, Z},
    {"BCLR_7_changes_no_flag", {0x72, 0x78}, "bclr\t#0x7,r0l", 0xa5a5a580, 0, 0, 0xa5a5a500, 0},
    {"BNOT_reg_7_changes_no_flag", {0x61, 0x98}, "bnot\tr1l,r0l", 0xa5a5a500, 0x5a5a5a07, N | C, 0xa5a5a580, N | C},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Arithmetic, ConditionCodes, testing::ValuesIn(kArithmetic),
                         vesk::test::RowName());
INSTANTIATE_TEST_SUITE_P(MultiplyDivide, ConditionCodes, testing::ValuesIn(kMultiplyDivide),
                         vesk::test::RowName());
INSTANTIATE_TEST_SUITE_P(LogicAndMoves, ConditionCodes, testing::ValuesIn(kLogicAndMoves),
                         vesk::test::RowName());
INSTANTIATE_TEST_SUITE_P(Shifts, ConditionCodes, testing::ValuesIn(kShifts), vesk::test::RowName());
INSTANTIATE_TEST_SUITE_P(CcrAndBits, ConditionCodes, testing::ValuesIn(kCcrAndBits),
                         vesk::test::RowName());

} // namespace

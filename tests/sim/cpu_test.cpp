#include "sim/cpu.h"

#include "support/rowname.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

using vesk::sim::Ccr;
using vesk::sim::Cpu;
using vesk::sim::Device;
using vesk::sim::InterruptSource;
using vesk::sim::Memory;
using vesk::sim::StopReason;

namespace {

// The programs below were assembled with the cross assembler at kCode; each ends in
// "bra ." so that a run stops as an idle loop.
constexpr uint32_t kCode = 0xffe000;
constexpr uint32_t kHandler = 0xffe100;
constexpr uint32_t kStackTop = 0xffff00;
constexpr uint32_t kIoFirst = 0xffff1c;

// Stands in for the I/O registers so that @aa:8 has somewhere to read and write.
class Scratch final : public Device
{
public:
    std::array<uint8_t, 256> bytes{};
    uint8_t read8(uint32_t offset) override { return bytes[offset]; }
    void write8(uint32_t offset, uint8_t value) override { bytes[offset] = value; }
};

// Raises `vector` once the core has counted `at` states, until the core takes it.
class TestSource final : public InterruptSource
{
public:
    TestSource(const Cpu &cpu, int vector, uint64_t at) : m_cpu(cpu), m_vector(vector), m_at(at) {}
    int acknowledged = 0;
    int pendingVector() override
    {
        return acknowledged == 0 && m_cpu.states() >= m_at ? m_vector : -1;
    }
    void acknowledge(int vector) override
    {
        EXPECT_EQ(vector, m_vector);
        ++acknowledged;
    }
    bool mayInterrupt() const override { return acknowledged == 0; }

private:
    const Cpu &m_cpu;
    int m_vector;
    uint64_t m_at;
};

struct Bytes
{
    uint32_t address;
    std::vector<uint8_t> bytes;
};

struct Reg
{
    int n;
    uint32_t value;
};

class CpuFixture
{
public:
    CpuFixture()
    {
        EXPECT_TRUE(memory.plug(scratch, kIoFirst, 0xffffff));
        cpu.regs().er[7] = kStackTop;
        cpu.regs().pc = kCode;
    }

    void put(const Bytes &b)
    {
        if (b.address >= kIoFirst) {
            for (size_t i = 0; i < b.bytes.size(); ++i)
                scratch.bytes[b.address - kIoFirst + i] = b.bytes[i];
        } else {
            ASSERT_TRUE(memory.load(b.address, b.bytes));
        }
    }
    uint8_t byteAt(uint32_t address) const
    {
        return address >= kIoFirst ? scratch.bytes[address - kIoFirst] : memory.peek8(address);
    }
    void vector(int n, uint32_t target)
    {
        put({static_cast<uint32_t>(n) * 4,
             {0, static_cast<uint8_t>(target >> 16), static_cast<uint8_t>(target >> 8),
              static_cast<uint8_t>(target)}});
    }

    Memory memory;
    Scratch scratch;
    Cpu cpu{memory};
};

// ---------------------------------------------------------------------------------------
// Short programs and the machine they leave behind.

struct SequenceRow
{
    const char *name;
    std::vector<uint8_t> code;
    std::vector<Bytes> before; // memory besides the code
    uint8_t ccrBefore;
    std::vector<Reg> regs; // ER0-ER6 not listed must still be zero
    uint8_t ccr;
    std::vector<Bytes> after;
    uint32_t pc;         // of the final "bra ."
    uint64_t states = 0; // 0: not checked
};

void PrintTo(const SequenceRow &row, std::ostream *os)
{
    *os << row.name;
}

class CpuSequence : public testing::TestWithParam<SequenceRow>
{
};

TEST_P(CpuSequence, LeavesRegistersFlagsAndMemory)
{
    const SequenceRow &row = GetParam();
    CpuFixture f;
    f.put({kCode, row.code});
    for (const Bytes &b : row.before)
        f.put(b);
    f.cpu.regs().ccr.value = row.ccrBefore;

    ASSERT_EQ(f.cpu.run(10000), StopReason::Idle) << f.cpu.stopMessage();

    uint32_t expected[8] = {0, 0, 0, 0, 0, 0, 0, kStackTop};
    for (const Reg &r : row.regs)
        expected[r.n] = r.value;
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(f.cpu.regs().er[n], expected[n]) << "er" << n;
    EXPECT_EQ(f.cpu.regs().ccr.value, row.ccr);
    EXPECT_EQ(f.cpu.regs().pc, row.pc);
    for (const Bytes &b : row.after)
        for (size_t i = 0; i < b.bytes.size(); ++i)
            EXPECT_EQ(f.byteAt(b.address + static_cast<uint32_t>(i)), b.bytes[i])
                << std::hex << b.address + i;
    if (row.states != 0)
        EXPECT_EQ(f.cpu.states(), row.states);
    EXPECT_EQ(
        f.cpu.stopMessage(), "idle loop at " + [&] {
            char buf[8];
            std::snprintf(buf, sizeof buf, "%06X", row.pc);
            return std::string(buf);
        }());
}

constexpr uint8_t kI = Ccr::kI;
constexpr uint8_t kH = Ccr::kH;
constexpr uint8_t kN = Ccr::kN;
constexpr uint8_t kZ = Ccr::kZ;
constexpr uint8_t kV = Ccr::kV;
constexpr uint8_t kC = Ccr::kC;

const SequenceRow kSequences[] = {
    {"PostIncrementAndPreDecrementStepBySize",
     // mov.l #0xffe800,er0; mov.l @er0+,er4; mov.w @er0+,r1; mov.b @er0+,r2l;
     // mov.l #0xffe900,er3; mov.w r1,@-er3; mov.b r2l,@-er3
     {0x7a, 0x00, 0x00, 0xff, 0xe8, 0x00, 0x01, 0x00, 0x6d, 0x04, 0x6d, 0x01, 0x6c,
      0x0a, 0x7a, 0x03, 0x00, 0xff, 0xe9, 0x00, 0x6d, 0xb1, 0x6c, 0xba, 0x40, 0xfe},
     {{0xffe800, {0x11, 0x22, 0x33, 0x44, 0x12, 0x34, 0x56}}},
     kI,
     {{0, 0xffe807}, {1, 0x1234}, {2, 0x56}, {3, 0xffe8fd}, {4, 0x11223344}},
     kI,
     {{0xffe8fd, {0x56, 0x12, 0x34}}},
     0xffe018},
    {"DisplacementAndAbsoluteModes",
     // @(2:16,er1), @(0x100:24,er1), @(-4:16,er1), @(0x104:24,er1), @aa:24, @aa:16
     // sign-extended to FFE801, @aa:8 at FFFF40 both ways
     {0x7a, 0x01, 0x00, 0xff, 0xe8, 0x00, 0x6f, 0x10, 0x00, 0x02, 0x78, 0x10, 0x6a, 0xa8, 0x00,
      0x00, 0x01, 0x00, 0x01, 0x00, 0x6f, 0x12, 0xff, 0xfc, 0x01, 0x00, 0x78, 0x90, 0x6b, 0xa2,
      0x00, 0x00, 0x01, 0x04, 0x01, 0x00, 0x6b, 0x23, 0x00, 0xff, 0xe8, 0x00, 0x6a, 0x0c, 0xe8,
      0x01, 0x6b, 0x80, 0xe8, 0x10, 0xf5, 0x80, 0x35, 0x40, 0x2e, 0x40, 0x40, 0xfe},
     {{0xffe7fc, {0xa1, 0xb2, 0xc3, 0xd4, 0x11, 0x22, 0x33, 0x44}}},
     kI,
     {{0, 0x3344},
      {1, 0xffe800},
      {2, 0xa1b2c3d4},
      {3, 0x11223344},
      {4, 0x22},
      {5, 0x8000},
      {6, 0x80}},
     kI | kN,
     {{0xffe900, {0x44}},
      {0xffe904, {0xa1, 0xb2, 0xc3, 0xd4}},
      {0xffe810, {0x33, 0x44}},
      {0xffff40, {0x80}}},
     0xffe038},
    {"PushPopBsrJsrRtsUseLongwordFrames",
     // push.l er0; pop.w r1; pop.w e1; bsr sub; bra .
     // sub: mov.l @er7,er3; mov.l #sub2,er4; jsr @er4; rts  sub2: mov.w #0x7fff,r5; rts
     {0x7a, 0x00, 0x11, 0x22, 0x33, 0x44, 0x01, 0x00, 0x6d, 0xf0, 0x6d, 0x71, 0x6d,
      0x79, 0x55, 0x02, 0x40, 0xfe, 0x01, 0x00, 0x69, 0x73, 0x7a, 0x04, 0x00, 0xff,
      0xe0, 0x20, 0x5d, 0x40, 0x54, 0x70, 0x79, 0x05, 0x7f, 0xff, 0x54, 0x70},
     {},
     kI,
     {{0, 0x11223344}, {1, 0x33441122}, {3, 0xffe010}, {4, 0xffe020}, {5, 0x7fff}},
     kI,
     {{0xfffef8, {0x00, 0xff, 0xe0, 0x1e, 0x00, 0xff, 0xe0, 0x10}}},
     0xffe010},
    {"MemoryIndirectJsrAndJmpReadLongwords",
     // jsr @@0x10; jmp @@0x14; sub: mov.b #1,r0l; rts; there: mov.b #2,r0h; bra .
     {0x5f, 0x10, 0x5b, 0x14, 0xf8, 0x01, 0x54, 0x70, 0xf0, 0x02, 0x40, 0xfe},
     {{0x10, {0x00, 0xff, 0xe0, 0x04, 0x00, 0xff, 0xe0, 0x08}}},
     kI,
     {{0, 0x0201}},
     kI,
     {{0xfffefc, {0x00, 0xff, 0xe0, 0x02}}},
     0xffe00a},
    {"AddCarriesIntoAddxAndOverflows",
     // add.w r1,r0 (FFFF+1); addx #0,r0l; add.b #0x7f,r1l
     {0x7a, 0x00, 0xff, 0xff, 0xff, 0xff, 0x7a, 0x01, 0x00, 0x00,
      0x00, 0x01, 0x09, 0x10, 0x98, 0x00, 0x89, 0x7f, 0x40, 0xfe},
     {},
     kI,
     {{0, 0xffff0001}, {1, 0x80}},
     kI | kH | kN | kV,
     {},
     0xffe012},
    {"SubLongOverflows",
     {0x7a, 0x00, 0x80, 0x00, 0x00, 0x00, 0x7a, 0x30, 0x00, 0x00, 0x00, 0x01, 0x40, 0xfe},
     {},
     kI,
     {{0, 0x7fffffff}},
     kI | kH | kV,
     {},
     0xffe00c},
    {"CmpWordSetsFlagsOnly",
     {0x79, 0x00, 0x7f, 0xff, 0x79, 0x01, 0x80, 0x00, 0x1d, 0x10, 0x40, 0xfe},
     {},
     kI,
     {{0, 0x7fff}, {1, 0x8000}},
     kI | kN | kV | kC,
     {},
     0xffe00a},
    {"NegOfMostNegativeByte",
     {0xf8, 0x80, 0x17, 0x88, 0x40, 0xfe},
     {},
     kI,
     {{0, 0x80}},
     kI | kN | kV | kC,
     {},
     0xffe004},
    {"IncDecAddsSubsKeepCarry",
     // inc.w #2,r0; dec.b r1l; dec.l #1,er2; adds #4,er3; subs #2,er3
     {0x79, 0x00, 0x7f, 0xfe, 0x0b, 0xd0, 0xf9, 0x00, 0x1a, 0x09, 0x7a, 0x02,
      0x00, 0x00, 0x00, 0x00, 0x1b, 0x72, 0x0b, 0x93, 0x1b, 0x83, 0x40, 0xfe},
     {},
     kI | kC,
     {{0, 0x8000}, {1, 0xff}, {2, 0xffffffff}, {3, 2}},
     kI | kN | kC,
     {},
     0xffe016},
    {"DaaAndDasAdjustBcd",
     // 19 + 28 -> 47; 42 - 15 -> 27
     {0xf8, 0x19, 0x88, 0x28, 0x0f, 0x08, 0xf9, 0x42, 0xfa, 0x15, 0x18, 0xa9, 0x1f, 0x09, 0x40,
      0xfe},
     {},
     kI,
     {{0, 0x47}, {1, 0x27}, {2, 0x15}},
     kI | kH,
     {},
     0xffe00e},
    {"MultiplySignedAndUnsigned",
     // mulxs.b (-2*3); mulxu.b (FE*3); mulxu.w (1234*100); mulxs.w (-1*-1)
     {0x79, 0x00, 0xff, 0xfe, 0xf9, 0x03, 0x01, 0xc0, 0x50, 0x90, 0x79, 0x02, 0x00, 0xfe, 0x50,
      0x92, 0x7a, 0x03, 0x00, 0x00, 0x12, 0x34, 0x79, 0x04, 0x01, 0x00, 0x52, 0x43, 0x7a, 0x05,
      0x00, 0x00, 0xff, 0xff, 0x79, 0x06, 0xff, 0xff, 0x01, 0xc0, 0x52, 0x65, 0x40, 0xfe},
     {},
     kI,
     {{0, 0xfffa}, {1, 3}, {2, 0x02fa}, {3, 0x123400}, {4, 0x100}, {5, 1}, {6, 0xffff}},
     kI,
     {},
     0xffe02a},
    {"DivideWithNegativeOperands",
     // divxs.b -7/2 = -3 r -1; divxs.w 7/-2 = -3 r 1; divxu.b 1000/7; divxu.w 100000/7
     {0x79, 0x00, 0xff, 0xf9, 0xf9, 0x02, 0x01, 0xd0, 0x51, 0x90, 0x7a, 0x02,
      0x00, 0x00, 0x00, 0x07, 0x79, 0x03, 0xff, 0xfe, 0x01, 0xd0, 0x53, 0x32,
      0x79, 0x04, 0x03, 0xe8, 0xfd, 0x07, 0x51, 0xd4, 0x7a, 0x05, 0x00, 0x01,
      0x86, 0xa0, 0x79, 0x06, 0x00, 0x07, 0x53, 0x65, 0x40, 0xfe},
     {},
     kI,
     {{0, 0xfffd}, {1, 2}, {2, 0x0001fffd}, {3, 0xfffe}, {4, 0x068e}, {5, 0x000537cd}, {6, 7}},
     kI,
     {},
     0xffe02c},
    {"ExtendWordAndLong",
     {0x7a, 0x00, 0x12, 0x34, 0x56, 0x80, 0x17, 0xd0, 0x7a, 0x01, 0x12, 0x34,
      0xff, 0x80, 0x17, 0x51, 0x7a, 0x02, 0x12, 0x34, 0x80, 0x00, 0x17, 0xf2,
      0x7a, 0x03, 0xff, 0xff, 0x80, 0x00, 0x17, 0x73, 0x40, 0xfe},
     {},
     kI,
     {{0, 0x1234ff80}, {1, 0x12340080}, {2, 0xffff8000}, {3, 0x8000}},
     kI,
     {},
     0xffe020},
    {"LogicOfEachSize",
     {0x7a, 0x00, 0xf0, 0xf0, 0xf0, 0xf0, 0x7a, 0x60, 0x0f, 0xf0, 0x0f, 0xf0, 0x79,
      0x01, 0x00, 0xff, 0x79, 0x41, 0xff, 0x00, 0xfa, 0x55, 0xda, 0x55, 0x7a, 0x03,
      0x00, 0x00, 0x00, 0x00, 0x17, 0x33, 0xf4, 0xaa, 0x17, 0x04, 0x40, 0xfe},
     {},
     kI,
     {{0, 0x00f000f0}, {1, 0xffff}, {2, 0}, {3, 0xffffffff}, {4, 0x5500}},
     kI,
     {},
     0xffe024},
    {"ShiftsAndRotates",
     // shll.b 81; shar.w 8001 (keeps the sign); shal.l 40000000; shlr.b 01; rotl.b 81; rotr.w 1;
     // rotxl.l 80000000 with C set
     {0xf8, 0x81, 0x10, 0x08, 0x79, 0x01, 0x80, 0x01, 0x11, 0x91, 0x7a, 0x02, 0x40, 0x00,
      0x00, 0x00, 0x10, 0xb2, 0xf3, 0x01, 0x11, 0x03, 0xfc, 0x81, 0x12, 0x8c, 0x79, 0x05,
      0x00, 0x01, 0x13, 0x95, 0x7a, 0x06, 0x80, 0x00, 0x00, 0x00, 0x12, 0x36, 0x40, 0xfe},
     {},
     kI,
     {{0, 0x02}, {1, 0xc000}, {2, 0x80000000}, {3, 0}, {4, 0x03}, {5, 0x8000}, {6, 1}},
     kI | kC,
     {},
     0xffe028},
    {"BitOpsOnRegisters",
     // bset #7; bclr #0; bnot #1; bnot r1h(2); btst #3; bld #7; bst #4; bixor #2; bist #5
     {0xf8, 0x0f, 0x70, 0x78, 0x72, 0x08, 0x71, 0x18, 0xf1, 0x02, 0x61, 0x18,
      0x73, 0x38, 0x77, 0x78, 0x67, 0x48, 0x75, 0xa8, 0x67, 0xd8, 0x40, 0xfe},
     {},
     kI,
     {{0, 0xb8}, {1, 0x0200}},
     kI,
     {},
     0xffe016},
    {"BitOpsOnMemory",
     // @er1: bset #3, bclr #0, bnot r2l(7), btst #1, bld #6, bst #5;
     // @aa:8: bist #2 (FF40), bset r2l (FF41), bor #0 then biand #1 (FF42)
     {0x7a, 0x01, 0x00, 0xff, 0xe8, 0x00, 0x7d, 0x10, 0x70, 0x30, 0x7d, 0x10, 0x72,
      0x00, 0xfa, 0x07, 0x7d, 0x10, 0x61, 0xa0, 0x7c, 0x10, 0x73, 0x10, 0x7c, 0x10,
      0x77, 0x60, 0x7f, 0x40, 0x67, 0xa0, 0x7f, 0x41, 0x60, 0xa0, 0x7e, 0x42, 0x74,
      0x00, 0x7e, 0x42, 0x76, 0x90, 0x7d, 0x10, 0x67, 0x50, 0x40, 0xfe},
     {{0xffe800, {0x61}}, {0xffff40, {0x04, 0x00, 0x02}}},
     kI,
     {{1, 0xffe800}, {2, 7}},
     kI | kZ,
     {{0xffe800, {0xc8}}, {0xffff40, {0x00, 0x80, 0x02}}},
     0xffe030},
    {"EepmovCopiesAndCountsFourStatesPerByte",
     // eepmov.b with R4L=3, then eepmov.w with R4=2
     {0x7a, 0x05, 0x00, 0xff, 0xe8, 0x00, 0x7a, 0x06, 0x00, 0xff, 0xe9, 0x00, 0xfc, 0x03,
      0x7b, 0x5c, 0x59, 0x8f, 0x79, 0x04, 0x00, 0x02, 0x7b, 0xd4, 0x59, 0x8f, 0x40, 0xfe},
     {{0xffe800, {1, 2, 3, 4, 5}}},
     kI,
     {{5, 0xffe805}, {6, 0xffe905}},
     kI,
     {{0xffe900, {1, 2, 3, 4, 5}}},
     0xffe01a,
     6 + 6 + 2 + (8 + 3 * 4) + 4 + (8 + 2 * 4) + 4},
    {"CcrTransfersAndLogic",
     // ldc #0f; stc r0l; andc #fa; orc #40; xorc #0b; stc r0h; stc @-er7; ldc #0;
     // ldc @er7+; stc @(2:16,er7); mov.b #85,r1l; ldc r1l
     {0x07, 0x0f, 0x02, 0x08, 0x06, 0xfa, 0x04, 0x40, 0x05, 0x0b, 0x02, 0x00,
      0x01, 0x40, 0x6d, 0xf0, 0x07, 0x00, 0x01, 0x40, 0x6d, 0x70, 0x01, 0x40,
      0x6f, 0xf0, 0x00, 0x02, 0xf9, 0x85, 0x03, 0x09, 0x40, 0xfe},
     {},
     kI,
     {{0, 0x410f}, {1, 0x85}},
     0x85,
     {{0xfffefe, {0x41}}, {0xffff02, {0x41}}},
     0xffe020},
    {"CountedLoopStates",
     // mov.b #3,r0l; loop: dec.b r0l; bne loop; bra .
     {0xf8, 0x03, 0x1a, 0x08, 0x46, 0xfc, 0x40, 0xfe},
     {},
     kI,
     {},
     kI | kZ,
     {},
     0xffe006,
     2 + 3 * (2 + 4) + 4},
    {"ConditionalBranchesAndJumps",
     // cmp.b #7f,r0l(80): bgt not taken, blt taken; cmp.b #81: bcs:16 taken; jmp @er2;
     // bhi not taken (C still set after inc); jmp @aa:24; r1l counts the right turns
     {0xf8, 0x80, 0xa8, 0x7f, 0x4e, 0x02, 0x4d, 0x02, 0x40, 0xfe, 0x0a, 0x09, 0xa8, 0x81, 0x58,
      0x50, 0x00, 0x02, 0x40, 0xf4, 0x0a, 0x09, 0x7a, 0x02, 0x00, 0xff, 0xe0, 0x20, 0x59, 0x20,
      0x40, 0xe8, 0x42, 0xe6, 0x0a, 0x09, 0x5a, 0xff, 0xe0, 0x2a, 0x40, 0xde, 0x40, 0xfe},
     {},
     kI,
     {{0, 0x80}, {1, 3}, {2, 0xffe020}},
     kI | kH | kC,
     {},
     0xffe02a},
};

INSTANTIATE_TEST_SUITE_P(Programs, CpuSequence, testing::ValuesIn(kSequences),
                         vesk::test::RowName());

// ---------------------------------------------------------------------------------------
// Exceptions.

TEST(CpuException, TrapaGoesThroughItsVectorAndRteRestoresPcAndCcr)
{
    CpuFixture f;
    // ldc #0x09,ccr; trapa #1; stc ccr,r2l; bra .
    f.put({kCode, {0x07, 0x09, 0x57, 0x10, 0x02, 0x0a, 0x40, 0xfe}});
    // stc ccr,r1h; mov.b #1,r0l; rte
    f.put({kHandler, {0x02, 0x01, 0xf8, 0x01, 0x56, 0x70}});
    f.vector(9, kHandler);

    ASSERT_EQ(f.cpu.step(), StopReason::None);
    ASSERT_EQ(f.cpu.step(), StopReason::None);
    EXPECT_EQ(f.cpu.regs().pc, kHandler);
    EXPECT_EQ(f.cpu.regs().er[7], kStackTop - 4);
    // One longword: CCR on top, the return address below.
    EXPECT_EQ(f.memory.read32(kStackTop - 4), 0x09ffe004u);

    EXPECT_EQ(f.cpu.run(1000), StopReason::Idle);
    EXPECT_EQ(f.cpu.regs().er[1], 0x8900u); // the handler runs with I set
    EXPECT_EQ(f.cpu.regs().er[0], 0x01u);
    EXPECT_EQ(f.cpu.regs().er[2], 0x09u); // and the program goes on with its own CCR
    EXPECT_EQ(f.cpu.regs().er[7], kStackTop);
    EXPECT_EQ(f.cpu.regs().pc, kCode + 6);
}

struct InterruptRow
{
    const char *name;
    std::vector<uint8_t> code;
    uint64_t at;      // states at which the source raises vector 12
    StopReason stop;  // how the run ends
    int acknowledged; // 1 if the interrupt was taken
    uint32_t frame;   // the stacked longword, when taken
    uint32_t r0;      // what the handler leaves in R0
};

void PrintTo(const InterruptRow &row, std::ostream *os)
{
    *os << row.name;
}

class CpuInterrupt : public testing::TestWithParam<InterruptRow>
{
};

TEST_P(CpuInterrupt, TakenBetweenInstructionsWhenUnmasked)
{
    const InterruptRow &row = GetParam();
    CpuFixture f;
    TestSource source(f.cpu, 12, row.at);
    f.cpu.setInterruptSource(&source);
    f.put({kCode, row.code});
    // stc ccr,r0h; mov.b #0x55,r0l; rte
    f.put({kHandler, {0x02, 0x00, 0xf8, 0x55, 0x56, 0x70}});
    f.vector(12, kHandler);

    EXPECT_EQ(f.cpu.run(10000), row.stop) << f.cpu.stopMessage();
    EXPECT_EQ(source.acknowledged, row.acknowledged);
    EXPECT_EQ(f.cpu.regs().er[0], row.r0);
    EXPECT_EQ(f.cpu.regs().er[7], kStackTop);
    if (row.acknowledged != 0) {
        EXPECT_EQ(f.memory.read32(kStackTop - 4), row.frame);
        EXPECT_EQ(f.cpu.regs().ccr.value, 0);
        EXPECT_GE(f.cpu.states(), row.at);
    }
}

const InterruptRow kInterrupts[] = {
    // andc #0x7f,ccr; nop; nop; bra .: pending from the start, taken after ANDC unmasks.
    {"TakenOnceUnmasked",
     {0x06, 0x7f, 0x00, 0x00, 0x00, 0x00, 0x40, 0xfe},
     0,
     StopReason::Idle,
     1,
     0x00ffe002,
     0x8055},
    // A branch to itself waits while an interrupt may come, then returns to itself.
    {"WakesAnIdleLoop", {0x06, 0x7f, 0x40, 0xfe}, 100, StopReason::Idle, 1, 0x00ffe002, 0x8055},
    // andc #0x7f,ccr; sleep; bra .
    {"WakesSleep",
     {0x06, 0x7f, 0x01, 0x80, 0x40, 0xfe},
     100,
     StopReason::Idle,
     1,
     0x00ffe004,
     0x8055},
    // nop; bra .: with I set nothing can arrive, so the loop is idle at once.
    {"MaskedByI", {0x00, 0x00, 0x40, 0xfe}, 0, StopReason::Idle, 0, 0, 0},
    // nop; sleep
    {"MaskedSleepEnds", {0x00, 0x00, 0x01, 0x80}, 0, StopReason::Sleep, 0, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Sources, CpuInterrupt, testing::ValuesIn(kInterrupts),
                         vesk::test::RowName());

TEST(CpuException, ResetLoadsPcFromVectorZeroAndMasks)
{
    CpuFixture f;
    f.vector(0, 0x000100);
    f.cpu.regs().ccr.value = 0;
    f.cpu.reset();
    EXPECT_EQ(f.cpu.regs().pc, 0x100u);
    EXPECT_EQ(f.cpu.regs().ccr.value, Ccr::kI);
}

// ---------------------------------------------------------------------------------------
// Stops.

struct StopRow
{
    const char *name;
    std::vector<uint8_t> code;
    uint32_t pc;
    StopReason stop;
    std::string message;
};

void PrintTo(const StopRow &row, std::ostream *os)
{
    *os << row.name;
}

class CpuStop : public testing::TestWithParam<StopRow>
{
};

TEST_P(CpuStop, EndsTheRunWithAReason)
{
    const StopRow &row = GetParam();
    CpuFixture f;
    f.put({kCode, row.code});
    f.cpu.regs().pc = row.pc;
    EXPECT_EQ(f.cpu.run(1000), row.stop);
    EXPECT_EQ(f.cpu.stopMessage(), row.message);
}

const StopRow kStops[] = {
    {"UndefinedInstruction",
     {0x00, 0x00, 0x01, 0x01},
     kCode,
     StopReason::Undefined,
     "undefined instruction at FFE002"},
    {"UnmappedRead",
     // mov.b @0x800000:32,r0l
     {0x6a, 0x28, 0x00, 0x80, 0x00, 0x00},
     kCode,
     StopReason::Fault,
     "access outside ROM, RAM and the I/O registers: read 800000 at FFE000"},
    {"FetchOutsideMemory",
     {},
     0x800000,
     StopReason::Fault,
     "instruction fetch outside ROM and RAM at 800000"},
    {"Movfpe",
     {0x6a, 0x48, 0x12, 0x34},
     kCode,
     StopReason::Unsupported,
     "movfpe is not supported (it waits for the E clock) at FFE000"},
    {"SleepWithoutSource",
     {0x01, 0x80},
     kCode,
     StopReason::Sleep,
     "sleep with nothing to wake it at FFE000"},
};

INSTANTIATE_TEST_SUITE_P(Reasons, CpuStop, testing::ValuesIn(kStops), vesk::test::RowName());

TEST(CpuRun, ReturnsNoneAtTheStateLimit)
{
    CpuFixture f;
    // loop: inc.b r0l; bra loop — never idle, so only the limit ends it
    f.put({kCode, {0x0a, 0x08, 0x40, 0xfc}});
    EXPECT_EQ(f.cpu.run(100), StopReason::None);
    EXPECT_GE(f.cpu.states(), 100u);
    EXPECT_LT(f.cpu.states(), 106u);
}

TEST(CpuRun, CodeRewrittenInRamRunsAsRewritten)
{
    CpuFixture f;
    f.put({kCode, {0xf8, 0x01, 0x40, 0xfe}}); // mov.b #1,r0l; bra .
    EXPECT_EQ(f.cpu.run(100), StopReason::Idle);
    f.put({kCode + 1, {0x02}}); // now mov.b #2,r0l
    f.cpu.regs().pc = kCode;
    EXPECT_EQ(f.cpu.run(200), StopReason::Idle);
    EXPECT_EQ(f.cpu.regs().er[0], 0x02u);
}

TEST(CpuRun, TraceSeesEachInstructionAddress)
{
    CpuFixture f;
    f.put({kCode, {0x00, 0x00, 0xf8, 0x01, 0x40, 0xfe}});
    std::vector<uint32_t> seen;
    f.cpu.setTrace([&](uint32_t address, const vesk::sim::Decoded &) { seen.push_back(address); });
    EXPECT_EQ(f.cpu.run(100), StopReason::Idle);
    EXPECT_EQ(seen, (std::vector<uint32_t>{kCode, kCode + 2, kCode + 4}));
}

// ---------------------------------------------------------------------------------------
// How far a SLEEP that may be woken gets in one run.

// Never raises anything, but may: a timer runs.
class QuietSource final : public InterruptSource
{
public:
    explicit QuietSource(bool onAccess) : m_onAccess(onAccess) {}
    int pendingVector() override { return -1; }
    bool mayInterrupt() const override { return true; }
    bool changesOnlyOnAccess() const override { return m_onAccess; }

private:
    bool m_onAccess;
};

struct SleepRow
{
    const char *name;
    bool onAccess;   // the source's changesOnlyOnAccess()
    uint64_t limit;  // of the run
    uint64_t states; // where it ends
};

void PrintTo(const SleepRow &row, std::ostream *os)
{
    *os << row.name;
}

class CpuSleep : public testing::TestWithParam<SleepRow>
{
};

TEST_P(CpuSleep, WaitsUntilTheRunLimit)
{
    const SleepRow &row = GetParam();
    CpuFixture f;
    QuietSource source(row.onAccess);
    f.cpu.setInterruptSource(&source);
    f.put({kCode, {0x06, 0x7f, 0x01, 0x80}}); // andc #0x7f,ccr; sleep
    EXPECT_EQ(f.cpu.run(row.limit), StopReason::None) << f.cpu.stopMessage();
    EXPECT_EQ(f.cpu.states(), row.states);
}

const SleepRow kSleeps[] = {
    // Its answer cannot change within the run: the core wakes at the very state the board's
    // loop ends the run for a peripheral's event, odd or even.
    {"SourceAskedOnAccessWakesAtTheLimit", true, 1001, 1001},
    // Asked before every step, the core sleeps in steps of two states.
    {"SourceAskedAlwaysSleepsInSteps", false, 1001, 1002},
};

INSTANTIATE_TEST_SUITE_P(Sources, CpuSleep, testing::ValuesIn(kSleeps), vesk::test::RowName());

} // namespace

// What the executor skips for speed must not change what a program sees: it decodes each
// instruction once and keeps it, so programs that change code after it has run (by their own
// stores, or by a load from outside) must run the change; and it asks an interrupt source that
// allows it only after a device access, so an interrupt that such an access (or the board
// between runs) makes pending must still be taken at the next instruction boundary.
#include "sim/cpu.h"

#include "support/rowname.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

using vesk::sim::Cpu;
using vesk::sim::Device;
using vesk::sim::InterruptSource;
using vesk::sim::Memory;
using vesk::sim::StopReason;

namespace {

// Starts a 16-byte block of RAM (FFDF10 + 0xF0), so that code at +0x0E..+0x11 straddles
// two: the layouts below put stores and instructions across such a boundary on purpose.
constexpr uint32_t kCode = 0xffe000;
constexpr uint32_t kRom = 0x001000;

struct RewriteRow
{
    const char *name;
    uint32_t address; // where the code goes and the run starts
    std::vector<uint8_t> code;
    // Loaded at reloadAt after a first run, followed by a second run from `address`.
    uint32_t reloadAt;
    std::vector<uint8_t> reload;
    int reg;
    uint32_t value; // of ER`reg` at the end
};

void PrintTo(const RewriteRow &row, std::ostream *os)
{
    *os << row.name;
}

class CodeCache : public testing::TestWithParam<RewriteRow>
{
};

TEST_P(CodeCache, RewrittenCodeRunsAsRewritten)
{
    const RewriteRow &row = GetParam();
    Memory memory;
    Cpu cpu(memory);
    ASSERT_TRUE(memory.load(row.address, row.code));
    cpu.regs().pc = row.address;
    cpu.regs().er[7] = 0xffff00;
    ASSERT_EQ(cpu.run(1000), StopReason::Idle) << cpu.stopMessage();
    if (!row.reload.empty()) {
        ASSERT_TRUE(memory.load(row.reloadAt, row.reload));
        cpu.regs().pc = row.address;
        ASSERT_EQ(cpu.run(2000), StopReason::Idle) << cpu.stopMessage();
    }
    EXPECT_EQ(cpu.regs().er[row.reg], row.value);
}

// The store rows loop twice over "mov.b #1,r0l" (or mov.w #1,r0) and add it up; between the
// passes the program rewrites the immediate to 2, so the sum is 3 (2 if the old decode ran).
const RewriteRow kRows[] = {
    {"ByteStoreOverAnImmediate",
     kCode,
     {0x79, 0x02, 0x00, 0x02,             // mov.w #2,r2
      0xf8, 0x01,                         // loop: mov.b #1,r0l
      0x08, 0x8b,                         // add.b r0l,r3l
      0xf9, 0x02,                         // mov.b #2,r1l
      0x6a, 0xa9, 0x00, 0xff, 0xe0, 0x05, // mov.b r1l,@0xffe005:24
      0x1b, 0x52,                         // dec.w #1,r2
      0x46, 0xf0,                         // bne loop
      0x40, 0xfe},                        // bra .
     0,
     {},
     3,
     3},
    {"WordStoreOverAnInstruction",
     kCode,
     {0x79, 0x02, 0x00, 0x02,             // mov.w #2,r2
      0xf8, 0x01,                         // loop: mov.b #1,r0l
      0x08, 0x8b,                         // add.b r0l,r3l
      0x79, 0x01, 0xf8, 0x02,             // mov.w #0xf802,r1
      0x6b, 0xa1, 0x00, 0xff, 0xe0, 0x04, // mov.w r1,@0xffe004:24
      0x1b, 0x52,                         // dec.w #1,r2
      0x46, 0xee,                         // bne loop
      0x40, 0xfe},                        // bra .
     0,
     {},
     3,
     3},
    {"LongwordStoreEndingInTheNextBlock",
     kCode,
     {0x79, 0x02, 0x00, 0x02,                         // mov.w #2,r2
      0x7a, 0x01, 0x00, 0x00, 0xf8, 0x02,             // mov.l #0x0000f802,er1
      0x00, 0x00, 0x00, 0x00,                         // nop; nop
      0x00, 0x00,                                     // loop: nop (at +0x0E)
      0xf8, 0x01,                                     // mov.b #1,r0l (at +0x10)
      0x08, 0x8b,                                     // add.b r0l,r3l
      0x01, 0x00, 0x6b, 0xa1, 0x00, 0xff, 0xe0, 0x0e, // mov.l er1,@0xffe00e:24
      0x1b, 0x52,                                     // dec.w #1,r2
      0x46, 0xee,                                     // bne loop
      0x40, 0xfe},                                    // bra .
     0,
     {},
     3,
     3},
    {"ByteStoreIntoTheTailOfAnInstruction",
     kCode,
     {0x79, 0x02, 0x00, 0x02,             // mov.w #2,r2
      0xf9, 0x02,                         // mov.b #2,r1l
      0x00, 0x00, 0x00, 0x00,             // nop; nop
      0x00, 0x00, 0x00, 0x00,             // nop; nop
      0x79, 0x00, 0x00, 0x01,             // loop: mov.w #1,r0 (at +0x0E..+0x11)
      0x09, 0x03,                         // add.w r0,r3
      0x6a, 0xa9, 0x00, 0xff, 0xe0, 0x11, // mov.b r1l,@0xffe011:24
      0x1b, 0x52,                         // dec.w #1,r2
      0x46, 0xf0,                         // bne loop
      0x40, 0xfe},                        // bra .
     0,
     {},
     3,
     3},
    // mov.b #1,r0l; bra . — reloaded as mov.b #2,r0l.
    {"RomLoadedAgain", kRom, {0xf8, 0x01, 0x40, 0xfe}, kRom, {0xf8, 0x02, 0x40, 0xfe}, 0, 2},
    // Ten nops, then mov.b #1,r0l at +0x14; bra . — a load over +0x08..+0x27 (three
    // blocks) changes it in the middle one.
    {"RamLoadOverSeveralBlocks",
     kCode,
     {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xf8, 0x01, 0x40, 0xfe},
     kCode + 0x08,
     {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xf8, 0x02, 0x40, 0xfe,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0,    0,    0},
     0,
     2},
};

INSTANTIATE_TEST_SUITE_P(Rewrites, CodeCache, testing::ValuesIn(kRows), vesk::test::RowName());

// ---------------------------------------------------------------------------------------
// An interrupt source whose answer changes only when a register is written.

constexpr uint32_t kRequest = 0xffff20; // @0x20:8
constexpr uint32_t kHandler = 0xffe100;
constexpr int kVector = 28;

// Writing a vector number to its one register raises that vector until the core takes it.
class RequestRegister final : public Device, public InterruptSource
{
public:
    int raised = -1;
    int asked = 0;

    uint8_t read8(uint32_t) override { return 0; }
    void write8(uint32_t, uint8_t value) override { raised = value; }
    int pendingVector() override
    {
        ++asked;
        return raised;
    }
    void acknowledge(int) override { raised = -1; }
    bool mayInterrupt() const override { return raised >= 0; }
    bool changesOnlyOnAccess() const override { return true; }
};

struct AskRow
{
    const char *name;
    std::vector<uint8_t> code; // at kCode
    bool raiseBetweenRuns;     // a first run to the state limit, then a raise from outside
    int handlerSees;           // R1L when the handler starts; -1: as the first run left it
    int asks;                  // of pendingVector(), in all
};

void PrintTo(const AskRow &row, std::ostream *os)
{
    *os << row.name;
}

class AskOnAccess : public testing::TestWithParam<AskRow>
{
};

TEST_P(AskOnAccess, TakesTheInterruptAtTheNextBoundary)
{
    const AskRow &row = GetParam();
    Memory memory;
    RequestRegister request;
    ASSERT_TRUE(memory.plug(request, kRequest, kRequest));
    ASSERT_TRUE(memory.load(kVector * 4, std::vector<uint8_t>{0x00, 0xff, 0xe1, 0x00}));
    // The handler notes that it ran and what R1L was: mov.b #0x55,r3l; mov.b r1l,r2l; bra .
    ASSERT_TRUE(memory.load(kHandler, std::vector<uint8_t>{0xfb, 0x55, 0x0c, 0x9a, 0x40, 0xfe}));
    ASSERT_TRUE(memory.load(kCode, row.code));
    Cpu cpu(memory);
    cpu.setInterruptSource(&request);
    cpu.regs().pc = kCode;
    cpu.regs().er[7] = 0xffff00;
    uint32_t r1l = static_cast<uint32_t>(row.handlerSees);
    if (row.raiseBetweenRuns) {
        ASSERT_EQ(cpu.run(100), StopReason::None) << cpu.stopMessage();
        r1l = cpu.regs().er[1] & 0xff;
        request.raised = kVector;
    }
    ASSERT_EQ(cpu.run(1000), StopReason::Idle) << cpu.stopMessage();
    EXPECT_EQ(cpu.regs().er[3] & 0xff, 0x55u) << "the handler did not run";
    EXPECT_EQ(cpu.regs().er[2] & 0xff, r1l);
    EXPECT_EQ(request.asked, row.asks);
}

const AskRow kAskRows[] = {
    // andc #0x7f,ccr; mov.b #28,r0l; mov.b r0l,@0x20:8; mov.b #1,r1l; bra .
    {"RaisedByARegisterWrite",
     {0x06, 0x7f, 0xf8, 0x1c, 0x38, 0x20, 0xf9, 0x01, 0x40, 0xfe},
     false,
     0,
     3},
    // orc #0x80,ccr; mov.b #28,r0l; mov.b r0l,@0x20:8; mov.b #1,r1l; andc #0x7f,ccr;
    // mov.b #2,r1l; bra . — pending while masked, taken as soon as ANDC unmasks it.
    {"MaskedUntilAndc",
     {0x04, 0x80, 0xf8, 0x1c, 0x38, 0x20, 0xf9, 0x01, 0x06, 0x7f, 0xf9, 0x02, 0x40, 0xfe},
     false,
     1,
     5},
    // andc #0x7f,ccr; 1: inc.b r1l; bra 1b — no access at all; the board raises it.
    {"RaisedBetweenRuns", {0x06, 0x7f, 0x0a, 0x09, 0x40, 0xfc}, true, -1, 3},
};

INSTANTIATE_TEST_SUITE_P(Interrupts, AskOnAccess, testing::ValuesIn(kAskRows),
                         vesk::test::RowName());

} // namespace

#include "sim/intc.h"
#include "sim/sysctl.h"

#include "support/rowname.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

using vesk::sim::Cpu;
using vesk::sim::Intc;
using vesk::sim::InterruptLines;
using vesk::sim::Memory;
using vesk::sim::StopReason;
using vesk::sim::Syscr;
using vesk::sim::Timed;

namespace {

constexpr uint32_t kIscr = 0xfffff4;
constexpr uint32_t kIer = 0xfffff5;
constexpr uint32_t kIsr = 0xfffff6;
constexpr uint32_t kIpra = 0xfffff8;
constexpr uint32_t kIprb = 0xfffff9;

class FakeTimed final : public Timed
{
public:
    void advanceTo(uint64_t) override {}
    bool mayRaise() const override { return may; }

    bool may = false;
};

struct Board
{
    Board()
    {
        EXPECT_TRUE(memory.plug(intc, Intc::kFirst, Intc::kLast));
        intc.addSource(timer);
    }

    InterruptLines lines;
    Intc intc{lines};
    Memory memory;
    FakeTimed timer;
};

struct ChoiceRow
{
    const char *name;
    bool ue;
    uint8_t ccr;
    uint8_t ipra, iprb;
    std::vector<int> raised;
    int expected;
};

class Choice : public testing::TestWithParam<ChoiceRow>
{
};

TEST_P(Choice, NmiThenLevelOneThenTheLowerVectorAsMasked)
{
    const ChoiceRow &row = GetParam();
    Board b;
    b.intc.setUserBitEnable(row.ue);
    b.memory.write8(kIpra, row.ipra);
    b.memory.write8(kIprb, row.iprb);
    for (int v : row.raised)
        b.lines.set(v, true);
    EXPECT_EQ(b.intc.acceptedVector(row.ccr), row.expected);
    // Unmasked, the core's own choice is the same.
    if (row.ccr == 0)
        EXPECT_EQ(b.intc.pendingVector(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Intc, Choice,
    testing::Values(ChoiceRow{"NmiBeforeEverything", true, 0, 0xff, 0xff, {12, 24, 7}, 7},
                    ChoiceRow{"LowerVectorFirstWithinALevel", true, 0, 0, 0, {41, 26, 24}, 24},
                    ChoiceRow{"LevelOneBeforeLevelZero", true, 0, 0x04, 0, {12, 24}, 24},
                    ChoiceRow{"IprbBit6CoversChannel4", true, 0, 0, 0x40, {12, 40}, 40},
                    ChoiceRow{"Irq2And3ShareIpra5", true, 0, 0x20, 0, {12, 15}, 15},
                    ChoiceRow{"AdOnIprb1", true, 0, 0, 0x02, {52, 60}, 60},
                    ChoiceRow{"NothingRaised", true, 0, 0xff, 0xff, {}, -1},
                    ChoiceRow{"UeSetIMasksEvenLevelOne", true, 0x80, 0x04, 0, {24}, -1},
                    ChoiceRow{"UeSetNmiStillTaken", true, 0xc0, 0x04, 0, {24, 7}, 7},
                    ChoiceRow{
                        "UeClearIWithoutUiAdmitsLevelOne", false, 0x80, 0x04, 0, {12, 24}, 24},
                    ChoiceRow{"UeClearIWithoutUiHoldsLevelZero", false, 0x80, 0x04, 0, {12}, -1},
                    ChoiceRow{"UeClearIAndUiMaskAll", false, 0xc0, 0x04, 0, {24}, -1}),
    vesk::test::RowName());

// A script of what the board, the program and the core do:
//   pinN=B    the board drives IRQn high (1) or low (0)
//   REG=V     the program writes V to ISCR, IER or ISR; REG?V reads and must find V
//   ackN      the core takes vector N
//   nmi       an NMI request
//   lineN=B   interrupt line N must be B
//   timer=B   the timer says whether it may raise; live=B whether the board drives the pins
//   may=B     mayInterrupt() must be B
struct ScriptRow
{
    const char *name;
    const char *script;
};

class Script : public testing::TestWithParam<ScriptRow>
{
};

TEST_P(Script, FlagsLinesAndIdleFollowPinsAndRegisters)
{
    Board b;
    std::istringstream in(GetParam().script);
    std::string token;
    while (in >> token) {
        SCOPED_TRACE(token);
        const size_t mark = token.find_first_of("=?");
        const std::string name = token.substr(0, mark);
        const int value =
            mark == std::string::npos ? 0 : std::stoi(token.substr(mark + 1), nullptr, 0);
        const uint32_t address = name == "ISCR" ? kIscr : name == "IER" ? kIer : kIsr;
        if (name == "nmi")
            b.intc.requestNmi();
        else if (name == "timer")
            b.timer.may = value != 0;
        else if (name == "live")
            b.intc.setPinsLive(value != 0);
        else if (name == "may")
            EXPECT_EQ(b.intc.mayInterrupt(), value != 0);
        else if (name.starts_with("ack"))
            b.intc.acknowledge(std::stoi(name.substr(3)));
        else if (name.starts_with("pin"))
            b.intc.setIrqPin(std::stoi(name.substr(3)), value != 0);
        else if (name.starts_with("line"))
            EXPECT_EQ(b.lines.raised(std::stoi(name.substr(4))), value != 0);
        else if (token[mark] == '=')
            b.memory.write8(address, static_cast<uint8_t>(value));
        else
            EXPECT_EQ(b.memory.read8(address), value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Intc, Script,
    testing::Values(
        ScriptRow{"FallingEdgeLatchesUntilTaken",
                  "ISCR=1 IER=1 pin0=0 pin0=1 line12=1 ack12 line12=0 ISR?0"},
        ScriptRow{"LevelSurvivesTakingWhileLow",
                  "IER=2 pin1=0 line13=1 ack13 line13=1 pin1=1 line13=1 ack13 line13=0"},
        ScriptRow{"LevelFlagComesBackWhilePinLow", "pin0=0 ISR?1 ISR=0 ISR?1 pin0=1 ISR=0 ISR?0"},
        ScriptRow{"FlagSetWhileDisabledRaisesOnEnable",
                  "ISCR=4 pin2=0 line14=0 ISR?4 IER=4 line14=1"},
        ScriptRow{"IsrWriteOfZeroNeedsAReadOfOne",
                  "ISCR=0x20 IER=0x20 pin5=0 ISR=0 line17=1 ISR?0x20 ISR=0 line17=0"},
        ScriptRow{"NmiDropsWhenTaken", "nmi line7=1 ack7 line7=0"},
        // An enabled IRQ wakes an idle program only if something drives the pins.
        ScriptRow{"IdleOnlyWhenNothingCanArrive",
                  "may=0 IER=1 may=0 live=1 may=1 IER=0 may=0 timer=1 may=1 timer=0 "
                  "live=0 ISCR=1 IER=1 pin0=0 may=1 ack12 may=0"}),
    vesk::test::RowName());

// ---------------------------------------------------------------------------------------
// The core with the controller as its source and SYSCR.UE set by the program: which CCR lets
// channel 0's compare match A (vector 24) in, what taking it or TRAPA sets in CCR, and
// whether a SLEEP may wait.

constexpr uint32_t kSyscr = 0xfffff2;
constexpr uint32_t kCode = 0xffe000;
constexpr uint32_t kHandler = 0xffe100;
constexpr uint32_t kStackTop = 0xffff00;

struct CoreRow
{
    const char *name;
    bool ue;
    uint8_t ccr;
    uint8_t ipra;
    std::vector<uint8_t> code; // one instruction at kCode
    bool raised;               // vector 24's line
    StopReason stop;           // of one step
    uint32_t pc;               // after it
    uint8_t ccrAfter;
};

void PrintTo(const CoreRow &row, std::ostream *os)
{
    *os << row.name;
}

class CoreMask : public testing::TestWithParam<CoreRow>
{
};

TEST_P(CoreMask, CoreTakesWhatTheControllerAccepts)
{
    const CoreRow &row = GetParam();
    Board b;
    Syscr syscr(b.intc);
    ASSERT_TRUE(b.memory.plug(syscr, kSyscr, kSyscr));
    for (int vector : {8, 24}) // TRAPA #0 and IMIA0
        ASSERT_TRUE(b.memory.load(static_cast<uint32_t>(vector) * 4,
                                  std::vector<uint8_t>{0x00, 0xff, 0xe1, 0x00}));
    ASSERT_TRUE(b.memory.load(kCode, row.code));
    b.memory.write8(kSyscr, row.ue ? 0x0b : 0x03);
    b.memory.write8(kIpra, row.ipra);
    b.lines.set(24, row.raised);
    b.timer.may = true; // the timer runs
    Cpu cpu(b.memory);
    cpu.setInterruptSource(&b.intc);
    cpu.regs().pc = kCode;
    cpu.regs().er[7] = kStackTop;
    cpu.regs().ccr.value = row.ccr;

    EXPECT_EQ(cpu.step(), row.stop) << cpu.stopMessage();
    EXPECT_EQ(cpu.regs().pc, row.pc);
    EXPECT_EQ(cpu.regs().ccr.value, row.ccrAfter);
    if (row.pc == kHandler) // the stacked CCR is the one before
        EXPECT_EQ(b.memory.read8(kStackTop - 4), row.ccr);
}

const std::vector<uint8_t> kNop{0x00, 0x00};
const std::vector<uint8_t> kTrapa0{0x57, 0x00};
const std::vector<uint8_t> kSleep{0x01, 0x80};

INSTANTIATE_TEST_SUITE_P(
    Intc, CoreMask,
    testing::Values(CoreRow{"UeSetTakingSetsIOnly", true, 0x00, 0, kNop, true, StopReason::None,
                            kHandler, 0x80},
                    CoreRow{"UeSetIHoldsLevelOne", true, 0x80, 0x04, kNop, true, StopReason::None,
                            kCode + 2, 0x80},
                    CoreRow{"UeClearLevelOnePassesI", false, 0x80, 0x04, kNop, true,
                            StopReason::None, kHandler, 0xc0},
                    CoreRow{"UeClearIHoldsLevelZero", false, 0x80, 0x00, kNop, true,
                            StopReason::None, kCode + 2, 0x80},
                    CoreRow{"UeClearUiHoldsLevelOne", false, 0xc0, 0x04, kNop, true,
                            StopReason::None, kCode + 2, 0xc0},
                    CoreRow{"UeClearTakingSetsUiToo", false, 0x00, 0x00, kNop, true,
                            StopReason::None, kHandler, 0xc0},
                    CoreRow{"UeClearTrapaSetsUiToo", false, 0x00, 0, kTrapa0, false,
                            StopReason::None, kHandler, 0xc0},
                    CoreRow{"UeSetTrapaLeavesUi", true, 0x00, 0, kTrapa0, false, StopReason::None,
                            kHandler, 0x80},
                    // A level-1 interrupt may still come past I, so SLEEP waits for it.
                    CoreRow{"UeClearSleepWaitsForLevelOne", false, 0x80, 0x04, kSleep, false,
                            StopReason::None, kCode + 2, 0x80},
                    CoreRow{"UeClearSleepEndsWithOnlyLevelZero", false, 0x80, 0x00, kSleep, false,
                            StopReason::Sleep, kCode + 2, 0x80},
                    CoreRow{"UeSetSleepEndsUnderI", true, 0x80, 0x04, kSleep, false,
                            StopReason::Sleep, kCode + 2, 0x80}),
    vesk::test::RowName());

} // namespace

#include "sim/itu.h"

#include "support/rowname.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <iterator>
#include <sstream>
#include <string>

using vesk::sim::InterruptLines;
using vesk::sim::Itu;
using vesk::sim::kNever;
using vesk::sim::Memory;
using vesk::sim::TimeSource;

namespace {

class FakeTime final : public TimeSource
{
public:
    uint64_t now() const override { return current; }
    void wakeAt(uint64_t state) override { wake = std::min(wake, state); }

    uint64_t current = 0;
    uint64_t wake = kNever; // the earliest state asked for since the test last looked
};

constexpr uint32_t kTstr = 0xffff60;
constexpr uint32_t kTcr0 = 0xffff64;
constexpr uint32_t kTier0 = 0xffff66;
constexpr uint32_t kTsr0 = 0xffff67;
constexpr uint32_t kTcnt0 = 0xffff68;
constexpr uint32_t kGra0 = 0xffff6a;
constexpr uint32_t kGrb0 = 0xffff6c;

// The timer on a bus, as a program sees it.
struct Board
{
    Board() { EXPECT_TRUE(memory.plug(itu, Itu::kFirst, Itu::kLast)); }
    // The run loop reaching `state`.
    void runTo(uint64_t state)
    {
        time.current = state;
        itu.advanceTo(state);
    }

    FakeTime time;
    InterruptLines lines;
    Itu itu{time, lines};
    Memory memory;
};

struct PeriodRow
{
    const char *name;
    uint8_t tcr;
    uint16_t gra, grb, tcnt;
    uint64_t start; // channel 0 started at this state
    uint8_t flag;   // the TSR flag watched; the same bit of TIER enables it
    uint64_t first; // the state at which it first sets
    uint64_t period;
};

class ComparePeriod : public testing::TestWithParam<PeriodRow>
{
};

TEST_P(ComparePeriod, FlagSetsAtTheManualsStateAndRecurs)
{
    const PeriodRow &row = GetParam();
    Board b;
    b.memory.write8(kTcr0, row.tcr);
    b.memory.write16(kGra0, row.gra);
    b.memory.write16(kGrb0, row.grb);
    b.memory.write16(kTcnt0, row.tcnt);
    b.memory.write8(kTier0, row.flag);
    b.time.current = row.start;
    b.memory.write8(kTstr, 0x01);
    EXPECT_EQ(b.time.wake, row.first);
    const int vector = Itu::vector(0, static_cast<Itu::Event>(std::countr_zero(row.flag)));
    for (uint64_t k = 0; k < 3; ++k) {
        const uint64_t due = row.first + k * row.period;
        b.runTo(due - 1);
        EXPECT_EQ(b.memory.read8(kTsr0) & row.flag, 0) << "early, round " << k;
        EXPECT_FALSE(b.lines.raised(vector));
        b.runTo(due);
        EXPECT_NE(b.memory.read8(kTsr0) & row.flag, 0) << "late, round " << k;
        EXPECT_TRUE(b.lines.raised(vector));
        b.time.wake = kNever;
        b.memory.write8(kTsr0, static_cast<uint8_t>(~row.flag));
        EXPECT_FALSE(b.lines.raised(vector));
        EXPECT_EQ(b.time.wake, due + row.period);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Itu, ComparePeriod,
    testing::Values(
        PeriodRow{"ClearOnGraPhi", 0x20, 9, 0xffff, 0, 0, Itu::IMFA, 10, 10},
        PeriodRow{"ClearOnGraPhiBy2", 0x21, 9, 0xffff, 0, 0, Itu::IMFA, 20, 20},
        PeriodRow{"ClearOnGraPhiBy4", 0x22, 9, 0xffff, 0, 0, Itu::IMFA, 40, 40},
        PeriodRow{"ClearOnGraPhiBy8", 0x23, 9, 0xffff, 0, 0, Itu::IMFA, 80, 80},
        // Started at 3 on φ/4: the prescaler's edges are at 4, 8, ..., not at 7, 11, ...
        PeriodRow{"PrescalerPhaseRunsFromReset", 0x22, 1, 0xffff, 0, 3, Itu::IMFA, 8, 8},
        PeriodRow{"ClearOnGrb", 0x40, 4, 9, 0, 0, Itu::IMFB, 10, 10},
        PeriodRow{"GraMatchesInsideAGrbPeriod", 0x40, 4, 9, 0, 0, Itu::IMFA, 5, 10},
        PeriodRow{"NoClearRunsOnThroughFfff", 0x00, 9, 0xffff, 0, 0, Itu::IMFA, 10, 0x10000},
        PeriodRow{"SynchronousClearCountsAsNone", 0x60, 9, 0xffff, 0, 0, Itu::IMFA, 10, 0x10000},
        PeriodRow{"CounterAboveGraWrapsFirst", 0x20, 9, 0xffff, 0xfffe, 0, Itu::IMFA, 12, 10},
        PeriodRow{"OverflowFromFfff", 0x00, 0xffff, 0xffff, 0xfffd, 0, Itu::OVF, 3, 0x10000}),
    vesk::test::RowName());

// A script is what a program and the run loop do, token by token:
//   @N        the core has reached state N (register accesses happen there)
//   REG=V     the program writes V to REG (a word for the 16-bit registers)
//   REG?V     the program reads REG and must find V
//   lineN=B   the run loop reaches the current state; interrupt line N must be B
//   wake=N    the earliest state asked for by wakeAt() since the last look must be N
//   may=B     mayRaise() must be B
struct ScriptRow
{
    const char *name;
    const char *script;
};

struct Reg
{
    const char *name;
    uint32_t address;
    bool word;
};

constexpr Reg kRegs[] = {
    {"TSTR", 0xffff60, false},  {"TSNC", 0xffff61, false},  {"TMDR", 0xffff62, false},
    {"TFCR", 0xffff63, false},  {"TOER", 0xffff90, false},  {"TOCR", 0xffff91, false},
    {"TCR0", 0xffff64, false},  {"TIOR0", 0xffff65, false}, {"TIER0", 0xffff66, false},
    {"TSR0", 0xffff67, false},  {"TCNT0", 0xffff68, true},  {"GRA0", 0xffff6a, true},
    {"GRB0", 0xffff6c, true},   {"BRA3", 0xffff8c, true},   {"TCR4", 0xffff92, false},
    {"TIER4", 0xffff94, false}, {"GRA4", 0xffff98, true},   {"BRB4", 0xffff9e, true},
};

class Registers : public testing::TestWithParam<ScriptRow>
{
};

TEST_P(Registers, BehaveAsTheProgramSeesThem)
{
    Board b;
    std::istringstream in(GetParam().script);
    std::string token;
    while (in >> token) {
        SCOPED_TRACE(token);
        if (token[0] == '@') {
            b.time.current = std::stoull(token.substr(1));
            continue;
        }
        const size_t mark = token.find_first_of("=?");
        ASSERT_NE(mark, std::string::npos);
        const std::string name = token.substr(0, mark);
        const uint64_t value = std::stoull(token.substr(mark + 1), nullptr, 0);
        if (name.starts_with("line")) {
            b.runTo(b.time.current);
            EXPECT_EQ(b.lines.raised(std::stoi(name.substr(4))), value != 0);
        } else if (name == "wake") {
            EXPECT_EQ(b.time.wake, value);
            b.time.wake = kNever;
        } else if (name == "may") {
            EXPECT_EQ(b.itu.mayRaise(), value != 0);
        } else {
            const Reg *reg = std::find_if(std::begin(kRegs), std::end(kRegs),
                                          [&](const Reg &r) { return name == r.name; });
            ASSERT_NE(reg, std::end(kRegs));
            if (token[mark] == '=' && reg->word)
                b.memory.write16(reg->address, static_cast<uint16_t>(value));
            else if (token[mark] == '=')
                b.memory.write8(reg->address, static_cast<uint8_t>(value));
            else if (reg->word)
                EXPECT_EQ(b.memory.read16(reg->address), value);
            else
                EXPECT_EQ(b.memory.read8(reg->address), value);
        }
        EXPECT_FALSE(b.memory.hasFault());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Itu, Registers,
    testing::Values(
        // Reserved bits read as 1.
        ScriptRow{"ResetValues", "TSTR?0xe0 TSNC?0xe0 TMDR?0x80 TFCR?0xc0 TOER?0xff TOCR?0xff "
                                 "TCR0?0x80 TIOR0?0x88 TIER0?0xf8 TSR0?0xf8 TCNT0?0 GRB0?0xffff "
                                 "BRB4?0xffff"},
        ScriptRow{"TcntReadMidRunStopAndRestart",
                  "TCR0=0x03 TSTR=1 @100 TCNT0?12 TSTR=0 @1000 TCNT0?12 @1001 TSTR=1 "
                  "@1007 TCNT0?12 @1008 TCNT0?13"},
        ScriptRow{"WriteOfZeroClearsOnlyAFlagReadAsOne",
                  "TCR0=0x20 GRA0=4 TIER0=1 TSTR=1 @5 line24=1 TSR0=0xf8 line24=1 "
                  "TSR0?0xf9 TSR0=0xf8 line24=0 TSR0?0xf8"},
        ScriptRow{"FlagSetAfterTheReadSurvivesTheWrite",
                  "TCR0=0x40 GRA0=2 GRB0=5 TIER0=3 TSTR=1 @3 TSR0?0xf9 @6 TSR0=0xf8 TSR0?0xfa "
                  "line24=0 line25=1"},
        ScriptRow{"TcntWriteWhileRunningReschedules",
                  "TCR0=0x20 GRA0=100 TIER0=1 TSTR=1 wake=101 @50 TCNT0=95 wake=56 "
                  "@55 line24=0 @56 line24=1"},
        ScriptRow{"GrWriteWhileRunningReschedules",
                  "TCR0=0x20 GRA0=100 TIER0=1 TSTR=1 wake=101 @20 GRA0=30 wake=31 "
                  "@30 line24=0 @31 line24=1"},
        ScriptRow{"EnableBitRaisesAndDropsTheLine",
                  "TCR0=0x20 GRA0=4 TSTR=1 @5 line24=0 TIER0=1 line24=1 TIER0=0 line24=0"},
        // With a clear on GRA = 5, GRB = 10 is never reached.
        ScriptRow{"MayRaiseOnlyWithAReachableEnabledEvent",
                  "may=0 TCR0=0x20 GRA0=5 GRB0=10 TIER0=2 TSTR=1 may=0 TIER0=1 may=1 "
                  "TSTR=0 may=0"},
        // A long idle stretch is skipped a period at a time: the phase and every flag of a
        // period must survive that.
        ScriptRow{"LongRunKeepsThePeriodsPhaseAndFlags",
                  "TCR0=0x20 GRA0=9 GRB0=5 TCNT0=7 TSTR=1 @1000000005 TCNT0?2 TSR0?0xfb"},
        ScriptRow{"Channel4OnItsOwnVectors",
                  "TCR4=0x20 GRA4=1 TIER4=1 TSTR=0x10 @2 line40=1 line24=0 BRA3=0x1234 "
                  "BRA3?0x1234"}),
    vesk::test::RowName());

} // namespace

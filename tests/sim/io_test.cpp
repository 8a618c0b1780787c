#include "sim/chipio.h"

#include "support/rowname.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

using vesk::sim::ChipIo;
using vesk::sim::InterruptLines;
using vesk::sim::kNever;
using vesk::sim::Memory;
using vesk::sim::Ports;
using vesk::sim::Sci;
using vesk::sim::TimeSource;

namespace {

// The peripherals' time, stepped by the test.
class FakeClock final : public TimeSource
{
public:
    uint64_t now() const override { return t; }
    void wakeAt(uint64_t state) override { wake = std::min(wake, state); }

    uint64_t t = 0;
    uint64_t wake = kNever; // the earliest asked for since the test last looked
};

struct Access
{
    uint32_t address;
    uint8_t value;
};

struct PortRow
{
    const char *name;
    std::vector<Access> writes;
    std::vector<std::string> changes; // "PB 01", as --ports prints after the states
};

class PortChanges : public testing::TestWithParam<PortRow>
{
};

TEST_P(PortChanges, ReportsEachNewDataRegisterValue)
{
    const PortRow &row = GetParam();
    Memory memory;
    FakeClock clock;
    InterruptLines lines;
    ChipIo io(clock, lines);
    ASSERT_TRUE(io.plugInto(memory));
    std::vector<std::string> changes;
    io.ports.setChangeHandler([&](int port, uint8_t value) {
        char text[16];
        std::snprintf(text, sizeof text, "%s %02X", Ports::name(port).data(), value);
        changes.push_back(text);
    });
    for (const Access &w : row.writes)
        memory.write8(w.address, w.value);
    EXPECT_FALSE(memory.hasFault());
    EXPECT_EQ(changes, row.changes);
}

INSTANTIATE_TEST_SUITE_P(
    Ports, PortChanges,
    testing::Values(
        PortRow{"PortBRotatingPattern",
                {{0xffffd4, 0xff}, {0xffffd6, 0x01}, {0xffffd6, 0x02}, {0xffffd6, 0x04}},
                {"PB 01", "PB 02", "PB 04"}},
        PortRow{"SameValueAgainIsNoChange",
                {{0xffffd6, 0x01}, {0xffffd6, 0x01}, {0xffffd6, 0x00}},
                {"PB 01", "PB 00"}},
        PortRow{"ResetValueIsNoChange", {{0xffffd6, 0x00}}, {}},
        PortRow{"EachDataRegisterAtItsAddress",
                {{0xffffc2, 1},
                 {0xffffc3, 2},
                 {0xffffc6, 3},
                 {0xffffc7, 4},
                 {0xffffca, 5},
                 {0xffffcb, 6},
                 {0xffffcf, 8},
                 {0xffffd2, 9},
                 {0xffffd3, 10},
                 {0xffffd6, 11}},
                {"P1 01", "P2 02", "P3 03", "P4 04", "P5 F5", "P6 86", "P8 E8", "P9 C9", "PA 0A",
                 "PB 0B"}},
        PortRow{"DirectionRegistersAreNoChange",
                {{0xffffc0, 1},
                 {0xffffc1, 1},
                 {0xffffc4, 1},
                 {0xffffc5, 1},
                 {0xffffc8, 1},
                 {0xffffc9, 1},
                 {0xffffcd, 1},
                 {0xffffd0, 1},
                 {0xffffd1, 1},
                 {0xffffd4, 1}},
                {}},
        PortRow{"NarrowPortsKeepAbsentBitsSet",
                {{0xffffca, 0xf0}, {0xffffca, 0x0f}}, // P5 has four pins: F0 is its reset value
                {"P5 FF"}},
        PortRow{"Port7IsInputOnly", {{0xffffce, 0x55}}, {}},
        PortRow{"ReservedAddressesTakeNothing",
                {{0xffffcc, 0x12}, {0xffffd5, 0x34}, {0xffffd7, 0x56}},
                {}}),
    vesk::test::RowName());

struct ReadRow
{
    const char *name;
    int port;     // 0 = P1 .. 10 = PB
    uint32_t ddr; // where its direction register would be
    uint32_t dr;  // its data register
    uint8_t direction;
    uint8_t latch;
    uint8_t pins;
    uint8_t read;
};

void PrintTo(const ReadRow &row, std::ostream *os)
{
    *os << row.name;
}

class PortReadBack : public testing::TestWithParam<ReadRow>
{
};

// A data register reads its latch where a pin is an output, the pin where it is not.
TEST_P(PortReadBack, MixesLatchAndPinsByDirection)
{
    const ReadRow &row = GetParam();
    Memory memory;
    FakeClock clock;
    InterruptLines lines;
    ChipIo io(clock, lines);
    ASSERT_TRUE(io.plugInto(memory));
    memory.write8(row.ddr, row.direction);
    memory.write8(row.dr, row.latch);
    io.ports.setPins(row.port, row.pins);
    EXPECT_EQ(memory.read8(row.dr), row.read);
}

INSTANTIATE_TEST_SUITE_P(
    Ports, PortReadBack,
    testing::Values(ReadRow{"AllOutputs", 10, 0xffffd4, 0xffffd6, 0xff, 0x5a, 0x00, 0x5a},
                    ReadRow{"AllInputs", 10, 0xffffd4, 0xffffd6, 0x00, 0x5a, 0xc3, 0xc3},
                    ReadRow{"LowHalfOutputs", 10, 0xffffd4, 0xffffd6, 0x0f, 0x5a, 0xc3, 0xca},
                    // FFFFCC, where its direction register would be, is reserved; the latch
                    // write is ignored.
                    ReadRow{"Port7ReadsItsPinsOnly", 6, 0xffffcc, 0xffffce, 0xff, 0x5a, 0xa5, 0xa5},
                    // P5 has four pins; the rest read 1 whatever is outside.
                    ReadRow{"NarrowPortReadsAbsentBitsAsOne", 4, 0xffffc8, 0xffffca, 0x03, 0x01,
                            0x06, 0xf5}),
    vesk::test::RowName());

// SYSCR at FFFFF2: reset value 0B (UE and RAME set, reserved bit 1 reads 1); UE reaches the
// interrupt controller, the other bits read back as written.
struct SyscrRow
{
    const char *name;
    std::vector<uint8_t> writes;
    uint8_t read;
    bool ue;
};

void PrintTo(const SyscrRow &row, std::ostream *os)
{
    *os << row.name;
}

class SystemControl : public testing::TestWithParam<SyscrRow>
{
};

TEST_P(SystemControl, KeepsItsBitsAndTellsTheControllerUe)
{
    const SyscrRow &row = GetParam();
    Memory memory;
    FakeClock clock;
    InterruptLines lines;
    ChipIo io(clock, lines);
    ASSERT_TRUE(io.plugInto(memory));
    for (uint8_t value : row.writes)
        memory.write8(0xfffff2, value);
    EXPECT_EQ(memory.read8(0xfffff2), row.read);
    EXPECT_EQ(io.intc.userBitEnable(), row.ue);
}

INSTANTIATE_TEST_SUITE_P(
    Syscr, SystemControl,
    testing::Values(SyscrRow{"ResetValue", {}, 0x0b, true},
                    SyscrRow{"UeClearedReachesTheController", {0x03}, 0x03, false},
                    SyscrRow{"ReservedBitReadsOne", {0x00}, 0x02, false},
                    // SSBY, STS = 7, NMIEG and RAME are kept, though not acted on.
                    SyscrRow{"StoredBitsReadBack", {0xf5}, 0xf7, false},
                    SyscrRow{"UeSetAgain", {0x03, 0x0b}, 0x0b, true}),
    vesk::test::RowName());

// One step of a script on a channel.
struct SciStep
{
    enum Kind : uint8_t { Read, Write, At, Sent, SentBy, Lines, Wake, MayRaise } kind;
    uint32_t offset = 0;
    uint64_t value = 0;            // the byte read or written, a state, a bool
    std::string text;              // Sent: everything delivered so far
    std::vector<int> vectors = {}; // Lines: every raised line
};

SciStep R(uint32_t offset, uint8_t value)
{
    return {SciStep::Read, offset, value, {}};
}
SciStep W(uint32_t offset, uint8_t value)
{
    return {SciStep::Write, offset, value, {}};
}
// The clock moves to `state` and the run loop brings the channel up to date.
SciStep At(uint64_t state)
{
    return {SciStep::At, 0, state, {}};
}
SciStep Sent(std::string text)
{
    return {SciStep::Sent, 0, 0, std::move(text)};
}
// What vesk-sim waits for before it exits.
SciStep SentBy(uint64_t state)
{
    return {SciStep::SentBy, 0, state, {}};
}
SciStep Lines(std::vector<int> vectors)
{
    return {SciStep::Lines, 0, 0, {}, std::move(vectors)};
}
// The earliest wake asked for since the last At.
SciStep Wake(uint64_t state)
{
    return {SciStep::Wake, 0, state, {}};
}
SciStep May(bool may)
{
    return {SciStep::MayRaise, 0, may ? 1u : 0u, {}};
}

struct SciRow
{
    const char *name;
    int channel;
    std::vector<int> input; // what the outside world puts on the line, in order
    bool inputEnds;         // after it, kInputEnded rather than kNothingYet
    std::vector<SciStep> steps;
};

class SciScript : public testing::TestWithParam<SciRow>
{
};

TEST_P(SciScript, FlagsLinesAndBytesAtTheirStates)
{
    const SciRow &row = GetParam();
    FakeClock clock;
    InterruptLines lines;
    Memory memory;
    ChipIo io(clock, lines);
    ASSERT_TRUE(io.plugInto(memory));
    Sci &sci = row.channel == 0 ? io.sci0 : io.sci1;
    const uint32_t first = row.channel == 0 ? Sci::kFirst0 : Sci::kFirst1;
    std::string sent;
    size_t next = 0;
    sci.setTransmit([&](uint8_t byte) { sent += static_cast<char>(byte); });
    sci.setReceive([&]() -> int {
        if (next < row.input.size())
            return row.input[next++];
        return row.inputEnds ? Sci::kInputEnded : Sci::kNothingYet;
    });
    for (size_t i = 0; i < row.steps.size(); ++i) {
        const SciStep &step = row.steps[i];
        switch (step.kind) {
        case SciStep::Read:
            EXPECT_EQ(memory.read8(first + step.offset), step.value) << "step " << i;
            break;
        case SciStep::Write:
            memory.write8(first + step.offset, static_cast<uint8_t>(step.value));
            break;
        case SciStep::At:
            clock.t = step.value;
            clock.wake = kNever;
            sci.advanceTo(step.value);
            break;
        case SciStep::Sent:
            EXPECT_EQ(sent, step.text) << "step " << i;
            break;
        case SciStep::SentBy:
            EXPECT_EQ(sci.sentBy(), step.value) << "step " << i;
            break;
        case SciStep::Lines: {
            std::vector<int> raised;
            for (int v = 0; v < InterruptLines::kVectors; ++v) {
                if (lines.raised(v))
                    raised.push_back(v);
            }
            EXPECT_EQ(raised, step.vectors) << "step " << i;
            break;
        }
        case SciStep::Wake:
            EXPECT_EQ(clock.wake, step.value) << "step " << i;
            break;
        case SciStep::MayRaise:
            EXPECT_EQ(sci.mayRaise(), step.value != 0) << "step " << i;
            break;
        }
    }
    EXPECT_FALSE(memory.hasFault());
}

// BRR 64, CKS 0: one bit is 32 × 65 = 2080 states; 8 data bits, no parity, 1 stop bit make a
// frame of 10 bits, whose stop bit starts after 9.
constexpr uint64_t kBit = 2080;
constexpr uint64_t kFrame = 10 * kBit;
constexpr uint64_t kStopBit = 9 * kBit;
// TDRE, RDRF, ORER, TEND and SSR as a program reads it.
constexpr uint8_t kIdle = 0x84;

INSTANTIATE_TEST_SUITE_P(
    Sci, SciScript,
    testing::Values(
        SciRow{"ResetValues",
               1,
               {},
               false,
               {R(Sci::SMR, 0x00), R(Sci::BRR, 0xff), R(Sci::SCR, 0x00), R(Sci::TDR, 0xff),
                R(Sci::SSR, kIdle), R(Sci::RDR, 0x00), R(6, 0xff), Lines({}), May(false),
                Wake(kNever)}},
        SciRow{"TdreSetsAgainAtOnceTendAtTheStopBit",
               1,
               {},
               false,
               {W(Sci::BRR, 64), W(Sci::TDR, 'A'), R(Sci::SSR, kIdle), W(Sci::SSR, 0x04),
                R(Sci::SSR, 0x80), Wake(kStopBit), At(kStopBit - 1), R(Sci::SSR, 0x80),
                At(kStopBit), R(Sci::SSR, kIdle), Wake(kFrame), At(kFrame - 1), Sent(""),
                At(kFrame), Sent("A"), Wake(kNever)}},
        SciRow{"SecondByteMovesAtTheStopBitAndFollowsWithoutAGap",
               1,
               {},
               false,
               {W(Sci::BRR, 64),
                R(Sci::SSR, kIdle),
                W(Sci::TDR, 'A'),
                W(Sci::SSR, 0x04),
                R(Sci::SSR, 0x80),
                W(Sci::TDR, 'B'),
                W(Sci::SSR, 0x04),
                R(Sci::SSR, 0x00),
                At(kStopBit - 1),
                R(Sci::SSR, 0x00),
                At(kStopBit),
                R(Sci::SSR, 0x80),
                At(kFrame),
                Sent("A"),
                At(kFrame + kStopBit - 1),
                R(Sci::SSR, 0x80),
                At(kFrame + kStopBit),
                R(Sci::SSR, kIdle),
                At(2 * kFrame - 1),
                Sent("A"),
                At(2 * kFrame),
                Sent("AB")}},
        SciRow{"SentByCountsEveryByteHandedOver",
               1,
               {},
               false,
               {W(Sci::BRR, 64), SentBy(0), At(500), R(Sci::SSR, kIdle), W(Sci::TDR, 'A'),
                W(Sci::SSR, 0x04), SentBy(500 + kFrame), R(Sci::SSR, 0x80), W(Sci::TDR, 'B'),
                W(Sci::SSR, 0x04), SentBy(500 + 2 * kFrame), At(500 + kStopBit), R(Sci::SSR, 0x80),
                W(Sci::TDR, 'C'), W(Sci::SSR, 0x04), SentBy(500 + 3 * kFrame), At(500 + 3 * kFrame),
                Sent("ABC")}},
        SciRow{"ByteWrittenDuringTheStopBitWaitsForTheLine",
               1,
               {},
               false,
               {W(Sci::BRR, 64), R(Sci::SSR, kIdle), W(Sci::TDR, 'A'), W(Sci::SSR, 0x04),
                At(kStopBit + 100), R(Sci::SSR, kIdle), W(Sci::TDR, 'B'), W(Sci::SSR, 0x04),
                R(Sci::SSR, 0x00), At(kFrame), Sent("A"), R(Sci::SSR, 0x80), At(2 * kFrame - 1),
                Sent("A"), At(2 * kFrame), Sent("AB")}},
        SciRow{"ClearingNeedsTheFlagReadAsOne",
               0,
               {},
               false,
               {W(Sci::TDR, 'z'), W(Sci::SSR, 0x04), R(Sci::SSR, kIdle), At(1'000'000), Sent(""),
                W(Sci::SSR, 0x04), R(Sci::SSR, 0x80), At(2'000'000), Sent("z")}},
        SciRow{"WritingOnesChangesNothingButMpbtTendIsReadOnly",
               1,
               {},
               false,
               {R(Sci::SSR, kIdle), W(Sci::SSR, 0x80), R(Sci::SSR, kIdle), W(Sci::TDR, 'A'),
                W(Sci::SSR, 0xff), R(Sci::SSR, 0x85), At(1'000'000), Sent("")}},
        SciRow{"ReceiverOffTakesNothing",
               1,
               {'x'},
               false,
               {At(1'000'000), R(Sci::SSR, kIdle), R(Sci::RDR, 0x00), May(false), Wake(kNever)}},
        SciRow{"ByteArrivesOneFrameAfterTheReceiverTurnsOn",
               1,
               {'x'},
               false,
               {W(Sci::BRR, 64), At(1000), W(Sci::SCR, 0x10), Wake(1000 + kFrame),
                At(1000 + kFrame - 1), R(Sci::SSR, kIdle), At(1000 + kFrame), R(Sci::SSR, 0xc4),
                R(Sci::RDR, 'x')}},
        SciRow{"NextByteFollowsBackToBack",
               1,
               {'x', 'y'},
               false,
               {W(Sci::BRR, 64), W(Sci::SCR, 0x10), At(kFrame), R(Sci::SSR, 0xc4), R(Sci::RDR, 'x'),
                W(Sci::SSR, 0x84), R(Sci::SSR, kIdle), At(2 * kFrame - 1), R(Sci::SSR, kIdle),
                At(2 * kFrame), R(Sci::SSR, 0xc4), R(Sci::RDR, 'y')}},
        SciRow{"FlagSetAfterTheReadSurvivesTheWrite",
               1,
               {'x'},
               false,
               {W(Sci::BRR, 64), W(Sci::SCR, 0x10), R(Sci::SSR, kIdle), At(kFrame),
                W(Sci::SSR, 0x84), R(Sci::SSR, 0xc4)}},
        SciRow{"OverrunLosesTheByteAndStopsTheReceiver",
               1,
               {'x', 'y', 'z'},
               false,
               // With ORER still set, 'z' goes by even though RDRF is clear.
               {W(Sci::BRR, 64), W(Sci::SCR, 0x10), At(kFrame), R(Sci::SSR, 0xc4), At(2 * kFrame),
                R(Sci::SSR, 0xe4), R(Sci::RDR, 'x'), W(Sci::SSR, 0xa4), R(Sci::SSR, 0xa4),
                At(3 * kFrame), R(Sci::SSR, 0xa4), W(Sci::SSR, 0x84), R(Sci::SSR, kIdle),
                At(5 * kFrame), R(Sci::SSR, kIdle)}},
        SciRow{"TxiFollowsTdreWithTie",
               1,
               {},
               false,
               {W(Sci::BRR, 64), W(Sci::SCR, 0x80), Lines({58}), R(Sci::SSR, kIdle),
                W(Sci::TDR, 'A'), W(Sci::SSR, 0x04), Lines({58}), R(Sci::SSR, 0x80),
                W(Sci::TDR, 'B'), W(Sci::SSR, 0x04), Lines({}), At(kStopBit), Lines({58}),
                W(Sci::SCR, 0x00), Lines({})}},
        SciRow{"TeiAtTheStopBitWithTeie",
               1,
               {},
               false,
               {W(Sci::BRR, 64), W(Sci::SCR, 0x04), Lines({59}), R(Sci::SSR, kIdle),
                W(Sci::TDR, 'A'), W(Sci::SSR, 0x04), Lines({}), At(kStopBit - 1), Lines({}),
                At(kStopBit), Lines({59})}},
        SciRow{"RxiOnArrivalEriOnOverrunWithRie",
               1,
               {'x', 'y'},
               false,
               {W(Sci::BRR, 64), W(Sci::SCR, 0x50), Lines({}), At(kFrame), Lines({57}),
                At(2 * kFrame), Lines({56, 57}), W(Sci::SCR, 0x10), Lines({})}},
        SciRow{"ChannelZeroVectors",
               0,
               {'x', 'y'},
               false,
               {W(Sci::SCR, 0xd4), Lines({54, 55}), At(2 * 81920), Lines({52, 53, 54, 55})}},
        SciRow{"ReceiverMayRaiseOnlyWithRieUntilInputEnds",
               1,
               {'x'},
               true,
               {W(Sci::BRR, 64), W(Sci::SCR, 0x10), May(false), W(Sci::SCR, 0x50), May(true),
                At(kFrame), May(true), R(Sci::SSR, 0xc4), R(Sci::RDR, 'x'), W(Sci::SSR, 0x84),
                May(false), Wake(kNever)}},
        SciRow{"IdleReceiverLooksAgainAFrameLater",
               1,
               {},
               false,
               {W(Sci::BRR, 64), At(100), W(Sci::SCR, 0x50), May(true), Wake(100 + kFrame),
                At(5000), Wake(5000 + kFrame)}},
        SciRow{"MultiprocessorSkipsDataUntilAnIdFrame",
               1,
               {'a', 'b' | Sci::kMultiprocessorBit, 'c'},
               false,
               // 8 data bits, the multiprocessor bit and a stop bit: 11 bits.
               {W(Sci::SMR, 0x04), W(Sci::BRR, 64), W(Sci::SCR, 0x18), At(11 * kBit),
                R(Sci::SSR, kIdle), At(22 * kBit), R(Sci::SSR, 0xc6), R(Sci::RDR, 'b'),
                R(Sci::SCR, 0x10), W(Sci::SSR, 0x84), At(33 * kBit), R(Sci::SSR, 0xc4),
                R(Sci::RDR, 'c')}}),
    vesk::test::RowName());

struct FrameRow
{
    const char *name;
    uint8_t smr;
    uint8_t brr;
    // Worked by hand from the manual: one bit is 64 × 2^(2n−1) × (N + 1) = 32 × 4^n × (N + 1)
    // states (n = CKS, N = BRR); TEND sets as the (first) stop bit starts.
    uint64_t bit;
    uint64_t tendAt;
    uint64_t frame;
};

class SciFrame : public testing::TestWithParam<FrameRow>
{
};

TEST_P(SciFrame, BytesTakeTheFrameTheFormatGives)
{
    const FrameRow &row = GetParam();
    FakeClock clock;
    InterruptLines lines;
    Sci sci(1, clock, lines);
    std::string sent;
    bool given = false;
    sci.setTransmit([&](uint8_t byte) { sent += static_cast<char>(byte); });
    sci.setReceive([&]() -> int { return std::exchange(given, true) ? Sci::kNothingYet : 'r'; });
    sci.write8(Sci::SMR, row.smr);
    sci.write8(Sci::BRR, row.brr);
    EXPECT_EQ(sci.bitStates(), row.bit);
    sci.write8(Sci::TDR, 't');
    (void)sci.read8(Sci::SSR); // reading TDRE as 1 lets the write clear it
    sci.write8(Sci::SSR, 0x04);
    sci.write8(Sci::SCR, Sci::RE);
    for (const uint64_t state : {row.tendAt - 1, row.tendAt, row.frame - 1, row.frame}) {
        clock.t = state;
        const uint8_t ssr = sci.read8(Sci::SSR);
        EXPECT_EQ((ssr & Sci::TEND) != 0, state >= row.tendAt) << state;
        EXPECT_EQ((ssr & Sci::RDRF) != 0, state >= row.frame) << state;
        EXPECT_EQ(sent, state >= row.frame ? "t" : "") << state;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sci, SciFrame,
    testing::Values(
        // 32 × 65; 10 bits.
        FrameRow{"Brr64EightDataNoParityOneStop", 0x00, 64, 2080, 18720, 20800},
        // 32 × 256: the reset value, the slowest on CKS 0.
        FrameRow{"ResetBrr", 0x00, 255, 8192, 73728, 81920},
        // CHR, PE, STOP, CKS 1: 128 × 26; 1 + 7 + 1 + 2 = 11 bits, TEND two bits before the end.
        FrameRow{"Cks1SevenDataParityTwoStops", 0x69, 25, 3328, 29952, 36608},
        // PE, O/E, CKS 3: 2048 × 1; 11 bits.
        FrameRow{"Cks3OddParity", 0x33, 0, 2048, 20480, 22528},
        // PE, MP, CKS 2: 512 × 2; the multiprocessor bit replaces parity: 11 bits.
        FrameRow{"Cks2MultiprocessorBitReplacesParity", 0x26, 1, 1024, 10240, 11264}),
    vesk::test::RowName());

// Every address of the I/O area answers, so that a program touching a register nobody
// models goes on; the map has neither a gap nor an overlap.
TEST(ChipIo, CoversTheWholeIoArea)
{
    Memory memory;
    FakeClock clock;
    InterruptLines lines;
    ChipIo io(clock, lines);
    ASSERT_TRUE(io.plugInto(memory));
    for (uint32_t a = Memory::kIoFirst; a <= Memory::kIoLast; ++a) {
        (void)memory.read8(a); // only whether it faults matters
        ASSERT_FALSE(memory.hasFault()) << std::hex << a;
    }
    (void)memory.read8(Memory::kIoFirst - 1); // external space: nothing there
    EXPECT_TRUE(memory.hasFault());
}

} // namespace

#include "sim/chipio.h"

#include "support/rowname.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using vesk::sim::ChipIo;
using vesk::sim::Memory;
using vesk::sim::Ports;
using vesk::sim::Sci;

namespace {

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
    ChipIo io;
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
    uint8_t direction;
    uint8_t latch;
    uint8_t pins;
    uint8_t read;
};

class PortReadBack : public testing::TestWithParam<ReadRow>
{
};

// Port B's data register reads its latch where a pin is an output, the pin where it is not.
TEST_P(PortReadBack, MixesLatchAndPinsByDirection)
{
    const ReadRow &row = GetParam();
    Memory memory;
    ChipIo io;
    ASSERT_TRUE(io.plugInto(memory));
    memory.write8(0xffffd4, row.direction);
    memory.write8(0xffffd6, row.latch);
    io.ports.setPins(10, row.pins);
    EXPECT_EQ(memory.read8(0xffffd6), row.read);
}

INSTANTIATE_TEST_SUITE_P(Ports, PortReadBack,
                         testing::Values(ReadRow{"AllOutputs", 0xff, 0x5a, 0x00, 0x5a},
                                         ReadRow{"AllInputs", 0x00, 0x5a, 0xc3, 0xc3},
                                         ReadRow{"LowHalfOutputs", 0x0f, 0x5a, 0xc3, 0xca}),
                         vesk::test::RowName());

// One step of a program polling a channel: a read that must give `value`, or a write.
struct SciStep
{
    bool write;
    uint32_t offset;
    uint8_t value;
};

constexpr SciStep R(uint32_t offset, uint8_t value)
{
    return {false, offset, value};
}
constexpr SciStep W(uint32_t offset, uint8_t value)
{
    return {true, offset, value};
}

struct SciRow
{
    const char *name;
    uint32_t channel; // first address of the channel
    std::string input;
    std::vector<SciStep> steps;
    std::string sent;
};

class SciFlags : public testing::TestWithParam<SciRow>
{
};

TEST_P(SciFlags, PollingProgramSeesTheFlags)
{
    const SciRow &row = GetParam();
    Memory memory;
    ChipIo io;
    ASSERT_TRUE(io.plugInto(memory));
    std::string sent;
    size_t next = 0;
    for (Sci *sci : {&io.sci0, &io.sci1}) {
        sci->setTransmit([&](uint8_t byte) { sent += static_cast<char>(byte); });
        sci->setReceive([&]() -> int {
            return next < row.input.size() ? static_cast<uint8_t>(row.input[next++]) : -1;
        });
    }
    for (size_t i = 0; i < row.steps.size(); ++i) {
        const SciStep &step = row.steps[i];
        if (step.write)
            memory.write8(row.channel + step.offset, step.value);
        else
            EXPECT_EQ(memory.read8(row.channel + step.offset), step.value) << "step " << i;
    }
    EXPECT_FALSE(memory.hasFault());
    EXPECT_EQ(sent, row.sent);
}

constexpr uint32_t kCh0 = Sci::kFirst0;
constexpr uint32_t kCh1 = Sci::kFirst1;

INSTANTIATE_TEST_SUITE_P(
    Sci, SciFlags,
    testing::Values(
        SciRow{"ResetTransmitterIsEmpty",
               kCh1,
               "",
               {R(Sci::SSR, 0x84), R(Sci::SMR, 0x00), R(Sci::BRR, 0xff), R(Sci::SCR, 0x00)},
               ""},
        SciRow{"ClearingTdreSendsTheByteAndSetsItAgain",
               kCh1,
               "",
               {W(Sci::TDR, 'A'), R(Sci::SSR, 0x84), W(Sci::SSR, 0x04), R(Sci::SSR, 0x84)},
               "A"},
        SciRow{"ChannelZeroSendsToo",
               kCh0,
               "",
               {W(Sci::TDR, 'z'), W(Sci::SSR, 0x04), R(Sci::SSR, 0x84)},
               "z"},
        SciRow{"TdrAloneSendsNothing", kCh1, "", {W(Sci::TDR, 'A'), R(Sci::SSR, 0x84)}, ""},
        SciRow{"EachClearingSendsOneByte",
               kCh1,
               "",
               {W(Sci::TDR, 'h'), W(Sci::SSR, 0x04), W(Sci::TDR, 'i'), W(Sci::SSR, 0x04)},
               "hi"},
        SciRow{"WritingOnesNeitherSendsNorSetsFlags",
               kCh1,
               "",
               {W(Sci::TDR, 'A'), W(Sci::SSR, 0xff), R(Sci::SSR, 0x85)},
               ""},
        SciRow{"TendIsReadOnly", kCh1, "", {W(Sci::SSR, 0x80), R(Sci::SSR, 0x84)}, ""},
        SciRow{"ReceiverOffTakesNothing", kCh1, "x", {R(Sci::SSR, 0x84), R(Sci::RDR, 0x00)}, ""},
        SciRow{"ReceiveSetsRdrfUntilTheProgramClearsIt",
               kCh1,
               "xy",
               {W(Sci::SCR, 0x30), R(Sci::SSR, 0xc4), R(Sci::RDR, 'x'), R(Sci::SSR, 0xc4),
                R(Sci::RDR, 'x'), W(Sci::SSR, 0x84), R(Sci::SSR, 0xc4), R(Sci::RDR, 'y'),
                W(Sci::SSR, 0x84), R(Sci::SSR, 0x84)},
               ""},
        SciRow{"EchoOnChannelZero",
               kCh0,
               "e",
               {W(Sci::SCR, 0x30), R(Sci::SSR, 0xc4), W(Sci::TDR, 0), R(Sci::RDR, 'e'),
                W(Sci::TDR, 'e'), W(Sci::SSR, 0x04), R(Sci::SSR, 0x84)},
               "e"}),
    vesk::test::RowName());

// Every address of the I/O area answers, so that a program touching a register nobody
// models goes on; the map has neither a gap nor an overlap.
TEST(ChipIo, CoversTheWholeIoArea)
{
    Memory memory;
    ChipIo io;
    ASSERT_TRUE(io.plugInto(memory));
    for (uint32_t a = Memory::kIoFirst; a <= Memory::kIoLast; ++a) {
        (void)memory.read8(a); // only whether it faults matters
        ASSERT_FALSE(memory.hasFault()) << std::hex << a;
    }
    (void)memory.read8(Memory::kIoFirst - 1); // external space: nothing there
    EXPECT_TRUE(memory.hasFault());
}

} // namespace

#include "board/virtualboard.h"
#include "serial/frame.h"
#include "support/rowname.h"

#include <gtest/gtest.h>

#include <vector>

using namespace std::chrono_literals;
using vesk::board::VirtualBoard;

namespace {

constexpr int P7 = 6;
constexpr int PB = 10;

// Hand-assembled RAM programs (the listings are h8300-hms-objdump -m h8300h's, at FFDF10).
//
// Echoes channel 1, polling:
//   ffdf10: 7e bc 73 60   btst #0x6,@0xbc:8     ; RDRF
//   ffdf14: 47 fa         beq  .-6
//   ffdf16: 28 bd         mov.b @0xbd:8,r0l     ; RDR
//   ffdf18: 7f bc 72 60   bclr #0x6,@0xbc:8
//   ffdf1c: 7e bc 73 70   btst #0x7,@0xbc:8     ; TDRE
//   ffdf20: 47 fa         beq  .-6
//   ffdf22: 38 bb         mov.b r0l,@0xbb:8     ; TDR
//   ffdf24: 7f bc 72 70   bclr #0x7,@0xbc:8
//   ffdf28: 40 e6         bra  .-26
const QByteArray kEcho("\x7e\xbc\x73\x60\x47\xfa\x28\xbd\x7f\xbc\x72\x60\x7e\xbc\x73\x70"
                       "\x47\xfa\x38\xbb\x7f\xbc\x72\x70\x40\xe6",
                       26);
// Port B out, 01 then 81, then an idle loop:
//   mov.b #0xff,r0l; mov.b r0l,@0xd4:8; mov.b #0x1,r0l; mov.b r0l,@0xd6:8;
//   mov.b #0x81,r0l; mov.b r0l,@0xd6:8; ffdf1c: bra .-2
const QByteArray kLeds("\xf8\xff\x38\xd4\xf8\x01\x38\xd6\xf8\x81\x38\xd6\x40\xfe", 14);
// Port B out, then copies port 7 (the switches) to port B for ever:
//   mov.b #0xff,r0l; mov.b r0l,@0xd4:8; 1: mov.b @0xce:8,r0l; mov.b r0l,@0xd6:8; bra 1b
const QByteArray kSwitches("\xf8\xff\x38\xd4\x28\xce\x38\xd6\x40\xfa", 10);

// A byte's frame on the loader's line at 20 MHz: 10 bits of 32 × 65 states, 1.04 ms.
constexpr auto kFrameTime = 1040us;

struct PortChange
{
    int port;
    quint8 value;
    quint64 states;
};

// A board on a clock the test moves, with everything it says recorded.
struct Bench
{
    explicit Bench(VirtualBoard::Options options = {}) : board([this] { return now; }, options)
    {
        QObject::connect(&board, &VirtualBoard::frameReceived,
                         [this](const vesk::FrameReceiver::Frame &f) { frames.push_back(f); });
        QObject::connect(&board, &VirtualBoard::programStopped,
                         [this](const QString &m) { stops.push_back(m); });
        QObject::connect(&board, &VirtualBoard::portChanged,
                         [this](int port, quint8 value, quint64 states) {
                             changes.push_back({port, value, states});
                         });
        QObject::connect(&board, &VirtualBoard::serialOutput,
                         [this](const QByteArray &bytes) { sent += bytes; });
    }
    void at(std::chrono::nanoseconds t)
    {
        now = t;
        board.tick();
    }

    std::chrono::nanoseconds now{0};
    VirtualBoard board;
    std::vector<vesk::FrameReceiver::Frame> frames;
    std::vector<QString> stops;
    std::vector<PortChange> changes;
    QByteArray sent;
};

TEST(VirtualBoard, AFrameStartsItsImageWhichReportsEachPortChangeAndItsStopOnce)
{
    Bench b;
    b.board.feed(vesk::makeFrame(kLeds));
    ASSERT_EQ(b.frames.size(), 1u);
    EXPECT_TRUE(b.frames[0].wellFormed());
    EXPECT_TRUE(b.board.running());
    for (int ms = 1; ms <= 5; ++ms)
        b.at(std::chrono::milliseconds(ms));

    ASSERT_EQ(b.changes.size(), 2u);
    EXPECT_EQ(b.changes[0].port, PB);
    EXPECT_EQ(b.changes[0].value, 0x01);
    EXPECT_EQ(b.changes[1].value, 0x81);
    EXPECT_LT(b.changes[0].states, b.changes[1].states);
    EXPECT_EQ(b.stops, std::vector<QString>{"program stopped: idle loop at FFDF1C"});
    EXPECT_FALSE(b.board.running());

    // The board waits for the next frame and runs it as it ran the first.
    b.board.feed(vesk::makeFrame(kLeds));
    b.at(6ms);
    EXPECT_EQ(b.frames.size(), 2u);
    EXPECT_EQ(b.changes.size(), 4u);
    EXPECT_EQ(b.stops.size(), 2u);
}

struct StopRow
{
    const char *name;
    QByteArray image;
    const char *message;
};

void PrintTo(const StopRow &row, std::ostream *os)
{
    *os << row.name;
}

class ProgramStop : public testing::TestWithParam<StopRow>
{
};

TEST_P(ProgramStop, IsReportedOnceWithTheCoresMessageAndTheBoardWaitsForAFrame)
{
    Bench b;
    b.board.feed(vesk::makeFrame(GetParam().image));
    for (int ms = 1; ms <= 5; ++ms)
        b.at(std::chrono::milliseconds(ms));
    ASSERT_EQ(b.stops.size(), 1u);
    EXPECT_EQ(b.stops[0].toStdString(), GetParam().message);
    EXPECT_FALSE(b.board.running());
    // Bytes now go to the loader: a frame is taken at once.
    b.board.feed(vesk::makeFrame(kLeds));
    EXPECT_EQ(b.frames.size(), 2u);
    EXPECT_TRUE(b.board.running());
}

INSTANTIATE_TEST_SUITE_P(
    Stops, ProgramStop,
    testing::Values(
        StopRow{"IdleLoop", kLeds, "program stopped: idle loop at FFDF1C"},
        // sleep
        StopRow{"SleepWithNothingToWakeIt", QByteArray("\x01\x80", 2),
                "program stopped: sleep with nothing to wake it at FFDF10"},
        // .word 0x0110 (objdump: ".word H'1,H'10")
        StopRow{"UndefinedInstruction", QByteArray("\x01\x10\x00\x00", 4),
                "program stopped: undefined instruction at FFDF10"},
        // mov.b @0x100000:24,r0l
        StopRow{"BadAccess", QByteArray("\x6a\x28\x00\x10\x00\x00", 6),
                "program stopped: access outside ROM, RAM and the I/O registers: read 100000 "
                "at FFDF10"}),
    vesk::test::RowName());

TEST(VirtualBoard, RunsInRealTimeAndCatchesUpOnlySoFarAfterAStall)
{
    Bench b;
    b.board.feed(vesk::makeFrame(kSwitches));
    b.at(1ms);
    // 1 ms at 20 MHz, give or take the instruction that crosses it.
    EXPECT_GE(b.board.states(), 20'000u);
    EXPECT_LT(b.board.states(), 20'020u);
    // Ten seconds lost: the board catches up at most kMaxCatchUp of them, then runs on in
    // real time from there.
    b.at(10s);
    const uint64_t afterStall = b.board.states();
    EXPECT_LE(afterStall, 20'020u + 1'000'000u);
    EXPECT_GE(afterStall, 1'000'000u);
    b.at(10s + 1ms);
    EXPECT_GE(b.board.states() - afterStall, 19'980u);
    EXPECT_LE(b.board.states() - afterStall, 20'020u);
}

TEST(VirtualBoard, EchoesAtTheLinesSpeedInRealTime)
{
    Bench b;
    b.board.feed(vesk::makeFrame(kEcho));
    b.at(1ms);
    // The bytes arrive a while after the last tick: the program must not see them before
    // their time, however far behind the chip is.
    b.now = 5ms;
    b.board.feed("hello");
    const auto fedAt = b.now;
    // The time each byte came back, stepping the clock by 50 µs.
    std::vector<std::chrono::nanoseconds> back;
    for (auto t = fedAt; t < fedAt + 20ms; t += 50us) {
        const qsizetype before = b.sent.size();
        b.at(t);
        for (qsizetype i = before; i < b.sent.size(); ++i)
            back.push_back(t);
    }
    EXPECT_EQ(b.sent, "hello");
    ASSERT_EQ(back.size(), 5u);
    // In, then out again: two frames at least before the first byte is back.
    EXPECT_GE(back[0] - fedAt, 2 * kFrameTime);
    EXPECT_LE(back[0] - fedAt, 4 * kFrameTime);
    // Then one byte a frame, as the line carries them.
    for (size_t i = 1; i < back.size(); ++i)
        EXPECT_GE(back[i] - back[i - 1], kFrameTime - 50us) << i;
    EXPECT_LE(back[4] - fedAt, 9 * kFrameTime);
}

TEST(VirtualBoard, FastEchoesAllAtOnceWithoutTheClockMoving)
{
    Bench b(VirtualBoard::Options{.fast = true});
    b.board.feed(vesk::makeFrame(kEcho));
    b.board.feed("hello");
    b.board.tick();
    EXPECT_EQ(b.sent, "hello");
    EXPECT_TRUE(b.board.running());
}

TEST(VirtualBoard, ASecondFrameResetsTheBoardAndIsNotTheProgramsInput)
{
    Bench b;
    b.board.feed(vesk::makeFrame(kEcho));
    for (int ms = 1; ms <= 50; ++ms)
        b.at(std::chrono::milliseconds(ms));
    b.board.feed(vesk::makeFrame(kLeds));
    for (int ms = 51; ms <= 60; ++ms)
        b.at(std::chrono::milliseconds(ms));
    EXPECT_EQ(b.frames.size(), 2u);
    EXPECT_TRUE(b.sent.isEmpty()) << "the echo program received the frame";
    ASSERT_EQ(b.changes.size(), 2u);
    // A fresh chip: the state count started again with the second program.
    EXPECT_LT(b.changes[1].states, 100u);
}

TEST(VirtualBoard, TheSwitchesReachPort7)
{
    Bench b;
    b.board.setSwitches(P7, 0x5A);
    b.board.feed(vesk::makeFrame(kSwitches));
    b.at(1ms);
    b.board.setSwitches(P7, 0xC3);
    b.at(2ms);
    ASSERT_GE(b.changes.size(), 2u);
    EXPECT_EQ(b.changes.front().value, 0x5A);
    EXPECT_EQ(b.changes.back().value, 0xC3);
}

TEST(VirtualBoard, ARomImageBootsFromItsResetVectorAndAgainAtEachReset)
{
    // The reset vector points at 100, where the LED program lies.
    QByteArray rom(0x100, '\0');
    rom[2] = '\x01';
    rom += kLeds;
    Bench b;
    ASSERT_EQ(b.board.bootRom(rom), "");
    b.at(1ms);
    EXPECT_EQ(b.changes.size(), 2u);
    ASSERT_EQ(b.stops.size(), 1u);
    EXPECT_EQ(b.stops[0], "program stopped: idle loop at 00010C");
    b.board.reset();
    b.at(2ms);
    EXPECT_EQ(b.changes.size(), 4u);
}

TEST(VirtualBoard, ResetWithoutARomStopsTheProgramAndWaitsForAFrame)
{
    Bench b;
    b.board.feed(vesk::makeFrame(kSwitches));
    b.at(1ms);
    b.board.reset();
    EXPECT_FALSE(b.board.running());
    b.board.feed(vesk::makeFrame(kLeds));
    b.at(2ms);
    EXPECT_EQ(b.frames.size(), 2u);
    EXPECT_EQ(b.stops.size(), 1u);
}

} // namespace

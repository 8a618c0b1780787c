#include "board/hostline.h"
#include "serial/frame.h"
#include "support/rowname.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::chrono_literals;
using vesk::FrameReceiver;
using vesk::board::HostLine;

namespace {

struct Step
{
    enum Kind { Feed, Idle, Mark, Stop } kind;
    std::string bytes;
    int ms = 0;
};

Step feed(std::string bytes, int ms)
{
    return {Step::Feed, std::move(bytes), ms};
}
Step idle(int ms)
{
    return {Step::Idle, {}, ms};
}
// "|" in the log: what came before and after this point.
Step mark()
{
    return {Step::Mark, {}, 0};
}
// The program stops.
Step stop()
{
    return {Step::Stop, {}, 0};
}

std::string zeros(int n)
{
    return std::string(size_t(n), '\0');
}
std::string frame(const std::string &image)
{
    return vesk::makeFrame(QByteArray::fromStdString(image)).toStdString();
}

struct SplitRow
{
    const char *name;
    bool running; // a program runs at the start
    std::vector<Step> steps;
    // Program bytes as they arrive (a zero as '.', FF as '#'), "[N]" for a well-formed frame
    // of N image bytes, "[N!]" for a malformed one, "|" for a mark.
    std::string log;
};

void PrintTo(const SplitRow &row, std::ostream *os)
{
    *os << row.name;
}

class HostLineSplit : public testing::TestWithParam<SplitRow>
{
};

TEST_P(HostLineSplit, GivesTheLoaderItsFramesAndTheProgramTheRest)
{
    const SplitRow &row = GetParam();
    std::string log;
    HostLine *linePtr = nullptr;
    HostLine line(
        [&log](const QByteArray &bytes) {
            for (const char c : bytes)
                log += c == '\0' ? '.' : c == '\xff' ? '#' : c;
        },
        [&](FrameReceiver::Frame f) {
            log += "[" + std::to_string(f.image.size()) + (f.wellFormed() ? "]" : "!]");
            // As the board does: a frame the loader takes starts a program.
            if (f.wellFormed())
                linePtr->setProgramRunning(true);
        });
    linePtr = &line;
    line.setProgramRunning(row.running);
    for (const Step &step : row.steps) {
        const FrameReceiver::Time t = std::chrono::milliseconds(step.ms);
        switch (step.kind) {
        case Step::Feed:
            line.feed(QByteArray::fromStdString(step.bytes), t);
            break;
        case Step::Idle:
            line.idle(t);
            break;
        case Step::Mark:
            log += '|';
            break;
        case Step::Stop:
            line.setProgramRunning(false);
            break;
        }
    }
    EXPECT_EQ(log, row.log);
}

const std::string kImage("\x01\x02\x03\x04", 4);

INSTANTIATE_TEST_SUITE_P(
    Rule, HostLineSplit,
    testing::Values(
        SplitRow{"TextGoesStraightToTheProgram", true, {feed("ab", 0), mark()}, "ab|"},
        SplitRow{"ZerosGoAheadOfTheTextThatFollowsThem",
                 true,
                 {feed(zeros(3), 0), mark(), feed("a", 1)},
                 "|...a"},
        SplitRow{"ZerosAloneAreHeldUntilTheLineIsQuietLongEnough",
                 true,
                 {feed(zeros(2), 0), idle(99), mark(), idle(100)},
                 "|.."},
        SplitRow{"FfAfterFewerThan21ZerosIsTheProgramsByte",
                 true,
                 {feed(zeros(20) + "\xff" + "a", 0)},
                 std::string(20, '.') + "#a"},
        SplitRow{"FfWithoutZerosIsTheProgramsByte",
                 true,
                 {feed("a\xff"
                       "b",
                       0)},
                 "a#b"},
        SplitRow{"AFrameBetweenTextIsTheLoaders",
                 true,
                 {feed("ab" + frame(kImage) + "cd", 0)},
                 "ab[4]cd"},
        SplitRow{"ALongerLeadInIsStillAFrame",
                 true,
                 {feed(zeros(40) + frame(kImage).substr(21), 0)},
                 "[4]"},
        SplitRow{"AFrameInPiecesIsOneFrame",
                 true,
                 {feed(frame(kImage).substr(0, 10), 0), feed(frame(kImage).substr(10, 14), 2),
                  feed(frame(kImage).substr(24) + "x", 4)},
                 "[4]x"},
        SplitRow{"ACutOffFrameIsReportedAndTheProgramHasTheLineAgain",
                 true,
                 {feed(zeros(21) + std::string("\xff\x00\x08\x11\x22", 5), 0), idle(999), mark(),
                  idle(1000), feed("xy", 1001)},
                 "|[2!]xy"},
        SplitRow{
            "WithNoProgramStrayBytesSpoilTheFrame", false, {feed("ab" + frame(kImage), 0)}, "[4!]"},
        SplitRow{"WithNoProgramAShortLeadInIsAMalformedFrame",
                 false,
                 {feed(zeros(3) + frame(kImage).substr(21), 0)},
                 "[4!]"},
        SplitRow{"BytesAfterTheFrameReachTheProgramItStarted",
                 false,
                 {feed(frame(kImage) + "hi", 0)},
                 "[4]hi"},
        SplitRow{"ZerosHeldWhenTheProgramStopsCountTowardsTheNextLeadIn",
                 true,
                 {feed(zeros(10), 0), stop(), feed(zeros(11) + frame(kImage).substr(21), 1)},
                 "[4]"}),
    vesk::test::RowName());

} // namespace

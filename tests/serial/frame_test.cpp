#include "serial/framereceiver.h"
#include "support/rowname.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace std::chrono_literals;

namespace {

QByteArray zeros(int n)
{
    return QByteArray(n, '\0');
}

struct ParseRow
{
    const char *name;
    QByteArray stream;
    QList<QByteArray> images;
    QList<bool> wellFormed;
};

class BoardLoaderReads : public ::testing::TestWithParam<ParseRow>
{
};

// The same stream must give the same frames however the line splits it.
TEST_P(BoardLoaderReads, TheFramesInTheStreamWhateverTheChunks)
{
    const ParseRow &row = GetParam();
    for (const int chunk : {1, 5, 64, 1 << 20}) {
        FrameReceiver receiver;
        QList<FrameReceiver::Frame> frames;
        for (qsizetype at = 0; at < row.stream.size(); at += chunk)
            frames += receiver.feed(row.stream.mid(at, chunk), 0ms);
        ASSERT_EQ(frames.size(), row.images.size()) << "chunk " << chunk;
        for (qsizetype i = 0; i < frames.size(); ++i) {
            EXPECT_TRUE(frames[i].image == row.images[i]) << "frame " << i << ", chunk " << chunk;
            EXPECT_EQ(frames[i].wellFormed(), row.wellFormed[i]) << "frame " << i;
        }
    }
}

const QByteArray kFour("\x01\x02\x03\x04", 4);
const QByteArray kThree("\x01\x02\x03", 3);
const QByteArray kWithMarks("\xFF\x00\xFF\xFF", 4); // start marks and zeros inside the image

INSTANTIATE_TEST_SUITE_P(
    Streams, BoardLoaderReads,
    ::testing::Values(
        ParseRow{"OneFrame", makeFrame(kFour), {kFour}, {true}},
        ParseRow{"EmptyImage", makeFrame({}), {QByteArray()}, {true}},
        ParseRow{"BackToBackFrames",
                 makeFrame(kFour) + makeFrame(kWithMarks),
                 {kFour, kWithMarks},
                 {true, true}},
        ParseRow{"LongerLeadIsFine", zeros(100) + makeFrame(kFour), {kFour}, {true}},
        ParseRow{"ShortLead",
                 zeros(3) + QByteArray("\xFF\x00\x04", 3) + kFour + zeros(7),
                 {kFour},
                 {false}},
        ParseRow{"StrayByteBeforeTheMark", "x" + makeFrame(kFour), {kFour}, {false}},
        ParseRow{"NonZeroTrailer", makeFrame(kFour).chopped(1) + "!", {kFour}, {false}},
        ParseRow{"OddLengthIsMalformed", makeFrame(kThree), {kThree}, {false}},
        ParseRow{
            "UnfinishedFrameIsNotReportedWhileTheLineIsBusy", makeFrame(kFour).chopped(1), {}, {}}),
    vesk::test::RowName());

// One thing that happens on the line: bytes arriving at `atMs`, or, with no bytes, the board
// looking at the clock at `atMs` (idle()).
struct Step
{
    int atMs;
    QByteArray bytes;
};

struct Reported
{
    QByteArray image;
    int length;
    bool cutOff;
    bool wellFormed;
};

struct TimelineRow
{
    const char *name;
    QList<Step> steps;
    bool finish; // the board ends after the steps
    QList<Reported> reported;
};

class FrameReceiverOverTime : public ::testing::TestWithParam<TimelineRow>
{
};

TEST_P(FrameReceiverOverTime, ReportsACutOffFrameAndReadsTheNextOneWhole)
{
    const TimelineRow &row = GetParam();
    FrameReceiver receiver;
    QList<FrameReceiver::Frame> frames;
    for (const Step &step : row.steps) {
        const std::chrono::milliseconds at(step.atMs);
        if (step.bytes.isEmpty()) {
            if (auto frame = receiver.idle(at))
                frames.append(*frame);
        } else {
            frames += receiver.feed(step.bytes, at);
        }
    }
    if (row.finish) {
        if (auto frame = receiver.finish())
            frames.append(*frame);
    }

    ASSERT_EQ(frames.size(), row.reported.size());
    for (qsizetype i = 0; i < frames.size(); ++i) {
        const Reported &want = row.reported[i];
        EXPECT_TRUE(frames[i].image == want.image) << "frame " << i;
        EXPECT_EQ(frames[i].length, want.length) << "frame " << i;
        EXPECT_EQ(frames[i].cutOff, want.cutOff) << "frame " << i;
        EXPECT_EQ(frames[i].wellFormed(), want.wellFormed) << "frame " << i;
    }
}

const QByteArray kEight("\x11\x22\x33\x44\x55\x66\x77\x88", 8);
// The first 24 bytes of a frame of kEight and two of its image bytes.
const QByteArray kHalfFrame = makeFrame(kEight).left(kFrameLeadZeros + 3 + 2);
const QByteArray kHead = zeros(kFrameLeadZeros) + char(0xFF);

INSTANTIATE_TEST_SUITE_P(
    Timelines, FrameReceiverOverTime,
    ::testing::Values(
        TimelineRow{"QuietForLessThanTheGapIsStillOneFrame",
                    {{0, kHalfFrame}, {999, {}}, {999, makeFrame(kEight).mid(kHalfFrame.size())}},
                    false,
                    {{kEight, 8, false, true}}},
        TimelineRow{"QuietForTheGapCutsTheFrameOff",
                    {{0, kHalfFrame}, {1000, {}}},
                    false,
                    {{kEight.left(2), 8, true, false}}},
        TimelineRow{"TheNextFrameAfterTheGapIsReadWhole",
                    {{0, kHalfFrame}, {1000, {}}, {1500, makeFrame(kFour)}},
                    false,
                    {{kEight.left(2), 8, true, false}, {kFour, 4, false, true}}},
        TimelineRow{"TheGapCountsEvenWithoutALookAtTheClock",
                    {{0, kHalfFrame}, {5000, makeFrame(kFour)}},
                    false,
                    {{kEight.left(2), 8, true, false}, {kFour, 4, false, true}}},
        TimelineRow{"CutOffBeforeTheLength",
                    {{0, kHead + char(0x00)}, {1000, {}}},
                    false,
                    {{{}, -1, true, false}}},
        TimelineRow{"CutOffAmongTheTrailingZeros",
                    {{0, makeFrame(kFour).chopped(3)}, {1000, {}}},
                    false,
                    {{kFour, 4, true, false}}},
        TimelineRow{"ASlowSenderIsNeverCutOff",
                    {{0, kHalfFrame},
                     {900, makeFrame(kEight).mid(kHalfFrame.size(), 3)},
                     {1800, {}},
                     {1800, makeFrame(kEight).mid(kHalfFrame.size() + 3)}},
                    false,
                    {{kEight, 8, false, true}}},
        TimelineRow{"AQuietLeadInIsNoFrame", {{0, zeros(30)}, {60000, {}}}, true, {}},
        TimelineRow{"TheEndReportsTheFrameInProgress",
                    {{0, kHalfFrame}},
                    true,
                    {{kEight.left(2), 8, true, false}}},
        TimelineRow{"ACutOffOddFrameIsBoth",
                    {{0, kHead + QByteArray("\x00\x03\x01", 3)}, {1000, {}}},
                    false,
                    {{QByteArray("\x01"), 3, true, false}}}),
    vesk::test::RowName());

// The board sleeps until this moment, so it must follow the last byte of a frame in progress.
TEST(FrameReceiverDeadline, IsTheGapAfterTheLastByteOfAFrameInProgress)
{
    FrameReceiver receiver;
    (void)receiver.feed(zeros(21), 0ms); // a lead-in alone reports nothing
    EXPECT_FALSE(receiver.deadline().has_value()) << "a lead-in alone is no frame to wait for";
    (void)receiver.feed(kHalfFrame.mid(21), 300ms); // nothing completes yet
    EXPECT_EQ(receiver.deadline(), std::optional<FrameReceiver::Time>(1300ms));
    EXPECT_FALSE(receiver.idle(1299ms).has_value());
    EXPECT_TRUE(receiver.idle(1300ms).has_value());
    EXPECT_FALSE(receiver.deadline().has_value());
}

} // namespace

#include "serial/frame.h"
#include "support/rowname.h"

#include <gtest/gtest.h>

using namespace vesk;

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
        FrameParser parser;
        QList<FrameParser::Frame> frames;
        for (qsizetype at = 0; at < row.stream.size(); at += chunk)
            frames += parser.feed(row.stream.mid(at, chunk));
        ASSERT_EQ(frames.size(), row.images.size()) << "chunk " << chunk;
        for (qsizetype i = 0; i < frames.size(); ++i) {
            EXPECT_TRUE(frames[i].image == row.images[i]) << "frame " << i << ", chunk " << chunk;
            EXPECT_EQ(frames[i].wellFormed(), row.wellFormed[i]) << "frame " << i;
        }
    }
}

const QByteArray kFour("\x01\x02\x03\x04", 4);
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
        ParseRow{"UnfinishedFrameIsNotReported", makeFrame(kFour).chopped(1), {}, {}}),
    vesk::test::RowName());

} // namespace

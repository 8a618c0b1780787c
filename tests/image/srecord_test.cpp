#include "image/srecord.h"
#include "srec_text.h"
#include "support/rowname.h"

#include <QFile>
#include <gtest/gtest.h>

#include <algorithm>

using namespace vesk;
using namespace vesk::test;

namespace {

class MemorySink : public BlockSink
{
public:
    explicit MemorySink(qsizetype block = kBlockSize) : BlockSink(block) {}
    QByteArray bytes;
    int blocks = 0;
    qsizetype largest = 0;
    int failAfter = -1; // blocks accepted before the output "fails"

protected:
    bool writeBlock(const char *data, qsizetype size) override
    {
        if (blocks == failAfter)
            return false;
        ++blocks;
        largest = std::max(largest, size);
        bytes.append(data, size);
        return true;
    }
};

QByteArray convertInPieces(const QByteArray &text, qsizetype piece)
{
    MemorySink sink;
    SRecordReader reader(sink);
    for (qsizetype at = 0; at < text.size(); at += piece)
        EXPECT_TRUE(reader.feed(text.constData() + at, std::min(piece, text.size() - at)));
    EXPECT_TRUE(reader.finish());
    EXPECT_TRUE(sink.flush());
    return sink.bytes;
}

QByteArray dataFile(const QString &name)
{
    QFile f(qEnvironmentVariable("VESK_SOURCE_DIR") + "/tests/image/data/" + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Lines far longer than any field can reach: only their start counts.
const QByteArray kLongRecord = "S1FF0000" + seq(0, 252).toHex() + QByteArray(5000, 'x') + "\r\n";
const QByteArray kLongJunk = "S0" + QByteArray(3000, '7') + "\n";

struct PieceCase
{
    const char *name;
    QByteArray text;
    QByteArray image;
};

void PrintTo(const PieceCase &c, std::ostream *os)
{
    *os << c.name;
}

class SRecordPieces : public ::testing::TestWithParam<PieceCase>
{
};

// The result must not depend on where the input is cut into pieces.
TEST_P(SRecordPieces, ImageIsTheSameHoweverTheTextIsCut)
{
    for (qsizetype piece : {1, 2, 3, 7, 64, 511, 512, 513, 4096, 1 << 20}) {
        SCOPED_TRACE(piece);
        EXPECT_EQ(convertInPieces(GetParam().text, piece).toHex(), GetParam().image.toHex());
    }
}

INSTANTIATE_TEST_SUITE_P(
    SRecordReader, SRecordPieces,
    ::testing::Values(
        PieceCase{"ToolchainRomProgram", dataFile("rom_prog.mot"), dataFile("rom_prog.bin")},
        PieceCase{"ToolchainRamProgram", dataFile("ram_prog.mot"), dataFile("ram_prog.bin")},
        PieceCase{"LongRecordLineThenRecord", kLongRecord + s1(0x0100, seq(1, 4)),
                  seq(0, 252) + zeros(4) + seq(1, 4)},
        PieceCase{"LongJunkLineThenRecord", kLongJunk + s1(0, seq(1, 4)) + kLongJunk, seq(1, 4)},
        PieceCase{"MixedLineEndsWithoutFinalEnd",
                  "S1040000AB00\r\n\r\nS1040001CD00\nS1040002EF00\rS1040003120",
                  "\xAB\xCD\xEF\x12"}),
    vesk::test::RowName());

// A 640-byte text can ask for 320 MiB of fill; it goes out in whole blocks of zeros from one
// buffer, never gathered in memory.
TEST(BlockSink, HugeFillGoesOutInBoundedBlocks)
{
    class CountingSink : public BlockSink
    {
    public:
        qint64 written = 0;
        qsizetype largest = 0;
        bool allZero = true;

    protected:
        bool writeBlock(const char *data, qsizetype size) override
        {
            written += size;
            largest = std::max(largest, size);
            allZero = allZero && std::all_of(data, data + std::min<qsizetype>(size, 64),
                                             [](char c) { return c == 0; });
            return true;
        }
    } sink;

    QByteArray text;
    for (int i = 0; i < 20; ++i)
        text += "S204000000\r\nS204FFFFFF\r\n"; // n = 0 at 0, then n = 0 at FFFFFF
    text.append(QByteArray(640 - text.size(), '\n'));
    ASSERT_TRUE(convertText(text.constData(), text.size(), sink));
    ASSERT_TRUE(sink.flush());
    EXPECT_EQ(sink.written, 20 * qint64(0xFFFFFF));
    EXPECT_EQ(sink.total(), sink.written);
    EXPECT_LE(sink.largest, BlockSink::kBlockSize);
    EXPECT_TRUE(sink.allZero);
}

class BlockEdges : public ::testing::TestWithParam<qsizetype>
{
};

TEST_P(BlockEdges, DataAndFillKeepTheirOrder)
{
    const qsizetype block = GetParam();
    MemorySink sink(block);
    const QByteArray big = seq(3, int(3 * block + 17));
    ASSERT_TRUE(sink.append("abc", 3));
    ASSERT_TRUE(sink.appendZeros(2 * block + 5));
    ASSERT_TRUE(sink.append(big.constData(), big.size()));
    const qsizetype toEdge = block - qsizetype(sink.total() % block);
    ASSERT_TRUE(sink.appendZeros(toEdge)); // ends exactly on a block edge
    ASSERT_TRUE(sink.append("z", 1));
    ASSERT_TRUE(sink.appendZeros(block));
    ASSERT_TRUE(sink.flush());
    const QByteArray expected =
        "abc" + zeros(int(2 * block + 5)) + big + zeros(int(toEdge)) + "z" + zeros(int(block));
    EXPECT_EQ(sink.bytes.size(), expected.size());
    EXPECT_TRUE(sink.bytes == expected);
    EXPECT_LE(sink.largest, block);
}

INSTANTIATE_TEST_SUITE_P(BlockSink, BlockEdges,
                         ::testing::Values(qsizetype(2), qsizetype(7), qsizetype(4096),
                                           BlockSink::kBlockSize));

// Once the output fails, the reader stops and reports it; no later line reaches the sink.
TEST(SRecordReader, StopsAtTheFirstFailedWrite)
{
    MemorySink sink;
    sink.failAfter = 1;
    const QByteArray text = s1(0, seq(0, 16)) + s2(0x200000, seq(0, 16)) + s2(0x400000, seq(0, 16));
    SRecordReader reader(sink);
    EXPECT_FALSE(reader.feed(text.constData(), text.size()));
    EXPECT_FALSE(reader.finish());
    EXPECT_EQ(sink.blocks, 1);
    EXPECT_FALSE(reader.feed(text.constData(), text.size()));
    EXPECT_EQ(sink.blocks, 1);
}

} // namespace

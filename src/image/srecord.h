#pragma once

#include <QtGlobal>

#include <memory>

namespace vesk {

// Where the image goes, in order: data bytes and runs of zero fill. A false return means the
// output failed; the reader then stops.
class ImageSink
{
public:
    virtual ~ImageSink() = default;
    virtual bool append(const char *data, qsizetype size) = 0;
    virtual bool appendZeros(qint64 count) = 0;
};

// Gathers the image into blocks for an output that wants few, large writes. A zero fill of
// any length costs one block of memory: the block is cleared once and written repeatedly.
class BlockSink : public ImageSink
{
public:
    static constexpr qsizetype kBlockSize = qsizetype(1) << 20;

    // Smaller blocks are for tests and fuzzing.
    explicit BlockSink(qsizetype blockSize = kBlockSize);
    bool append(const char *data, qsizetype size) override;
    bool appendZeros(qint64 count) override;
    // Writes out what is still gathered; call once after the last append.
    bool flush();
    // Bytes accepted so far, written or gathered.
    qint64 total() const { return m_total; }

protected:
    virtual bool writeBlock(const char *data, qsizetype size) = 0;

private:
    qsizetype m_blockSize;
    std::unique_ptr<char[]> m_block;
    qsizetype m_used = 0;
    qint64 m_total = 0;
};

// Turns Motorola S-record text, pushed in pieces of any size, into the flat image of its
// "S1" and "S2" records. A line ends at LF, CR or CR LF. Of a line only the characters that
// a field can reach are kept, so memory stays bounded however long the lines are.
class SRecordReader
{
public:
    // The last character a field can reach: count FF in an "S1" line gives 252 data bytes.
    static constexpr qsizetype kLineReach = 4 + 4 + 2 * 252;

    explicit SRecordReader(ImageSink &sink) : m_sink(sink) {}

    // False once the sink has failed; nothing more is read after that.
    bool feed(const char *text, qsizetype size);
    // Reads a last line that has no line end.
    bool finish();

private:
    bool takeLine(const char *line, qsizetype size);
    void keepPartial(const char *text, qsizetype size);

    ImageSink &m_sink;
    // Just past the last data byte placed; the start value lies at or above every address,
    // so the first record is never preceded by fill.
    qint32 m_next = 0xFFFFFF;
    char m_partial[kLineReach];
    qsizetype m_partialSize = 0;
    bool m_failed = false;
};

// Converts a whole S-record text at once; for tests and the fuzz target.
bool convertText(const char *text, qsizetype size, ImageSink &sink);

} // namespace vesk

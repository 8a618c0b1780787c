#include "image/srecord.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vesk {

namespace {

// Character classes of the lenient field reader: a digit's value, or one of these.
constexpr quint8 kBlank = 0x10; // blank or tab, ignored inside a field
constexpr quint8 kOther = 0x20; // ends the field

constexpr std::array<quint8, 256> makeClasses()
{
    std::array<quint8, 256> classes{};
    for (auto &c : classes)
        c = kOther;
    for (int i = 0; i < 10; ++i)
        classes['0' + i] = quint8(i);
    for (int i = 0; i < 6; ++i) {
        classes['A' + i] = quint8(10 + i);
        classes['a' + i] = quint8(10 + i);
    }
    classes[' '] = kBlank;
    classes['\t'] = kBlank;
    return classes;
}

constexpr std::array<quint8, 256> kClasses = makeClasses();

// The field of `length` characters from 0-based `start`; what lies past the line's end is
// not there, and a field with no digit before its first other character reads as 0.
quint32 readField(const char *line, qsizetype size, qsizetype start, qsizetype length)
{
    const qsizetype end = std::min(size, start + length);
    quint32 value = 0;
    for (qsizetype i = start; i < end; ++i) {
        const quint8 c = kClasses[quint8(line[i])];
        if (c == kBlank)
            continue;
        if (c == kOther)
            break;
        value = value * 16 + c;
    }
    return value;
}

const char *findLineEnd(const char *from, const char *end)
{
    const auto *lf = static_cast<const char *>(std::memchr(from, '\n', size_t(end - from)));
    const char *limit = lf ? lf : end;
    const auto *cr = static_cast<const char *>(std::memchr(from, '\r', size_t(limit - from)));
    return cr ? cr : lf;
}

} // namespace

BlockSink::BlockSink(qsizetype blockSize)
    : m_blockSize(std::max<qsizetype>(blockSize, 1)), m_block(new char[m_blockSize])
{
}

bool BlockSink::append(const char *data, qsizetype size)
{
    m_total += size;
    while (size > 0) {
        const qsizetype room = m_blockSize - m_used;
        if (m_used == 0 && size >= m_blockSize) {
            if (!writeBlock(data, m_blockSize))
                return false;
            data += m_blockSize;
            size -= m_blockSize;
            continue;
        }
        const qsizetype take = std::min(room, size);
        std::memcpy(m_block.get() + m_used, data, size_t(take));
        m_used += take;
        data += take;
        size -= take;
        if (m_used == m_blockSize && !flush())
            return false;
    }
    return true;
}

bool BlockSink::appendZeros(qint64 count)
{
    if (count <= 0)
        return true;
    m_total += count;
    const qsizetype head = qsizetype(std::min<qint64>(count, m_blockSize - m_used));
    std::memset(m_block.get() + m_used, 0, size_t(head));
    m_used += head;
    count -= head;
    if (count == 0)
        return m_used < m_blockSize || flush();
    if (!flush())
        return false;
    // The block is empty now: clear it once and send it as often as the fill needs.
    std::memset(m_block.get(), 0, size_t(m_blockSize));
    while (count >= m_blockSize) {
        if (!writeBlock(m_block.get(), m_blockSize))
            return false;
        count -= m_blockSize;
    }
    m_used = qsizetype(count);
    return true;
}

bool BlockSink::flush()
{
    if (m_used == 0)
        return true;
    const qsizetype used = m_used;
    m_used = 0;
    return writeBlock(m_block.get(), used);
}

bool SRecordReader::feed(const char *text, qsizetype size)
{
    const char *p = text;
    const char *const end = text + size;
    while (!m_failed && p < end) {
        const char *eol = findLineEnd(p, end);
        if (!eol) {
            keepPartial(p, end - p);
            break;
        }
        if (m_partialSize > 0) {
            keepPartial(p, eol - p);
            m_failed = !takeLine(m_partial, m_partialSize);
            m_partialSize = 0;
        } else {
            m_failed = !takeLine(p, eol - p);
        }
        p = eol + 1;
        if (*eol == '\r' && p < end && *p == '\n')
            ++p;
    }
    return !m_failed;
}

bool SRecordReader::finish()
{
    if (!m_failed && m_partialSize > 0)
        m_failed = !takeLine(m_partial, m_partialSize);
    m_partialSize = 0;
    return !m_failed;
}

void SRecordReader::keepPartial(const char *text, qsizetype size)
{
    const qsizetype take = std::min(size, kLineReach - m_partialSize);
    std::memcpy(m_partial + m_partialSize, text, size_t(take));
    m_partialSize += take;
}

bool SRecordReader::takeLine(const char *line, qsizetype size)
{
    if (size < 2 || line[0] != 'S')
        return true;
    qsizetype width;
    if (line[1] == '1')
        width = 2;
    else if (line[1] == '2')
        width = 3;
    else
        return true;

    const qint32 count = qint32(readField(line, size, 2, 2));
    const qint32 n = count - qint32(width) - 1;
    const qint32 address = qint32(readField(line, size, 4, 2 * width));

    const qint64 gap = qint64(address) - m_next;
    if (gap > 0 && !m_sink.appendZeros(gap))
        return false;
    m_next = address + n;
    if (n <= 0)
        return true;

    char bytes[256];
    const qsizetype first = 4 + 2 * width;
    for (qint32 j = 0; j < n; ++j) {
        const qsizetype at = first + 2 * j;
        if (at + 2 <= size) {
            const quint8 hi = kClasses[quint8(line[at])];
            const quint8 lo = kClasses[quint8(line[at + 1])];
            if ((hi | lo) < 0x10) {
                bytes[j] = char(hi << 4 | lo);
                continue;
            }
        }
        bytes[j] = char(readField(line, size, at, 2));
    }
    return m_sink.append(bytes, n);
}

bool convertText(const char *text, qsizetype size, ImageSink &sink)
{
    SRecordReader reader(sink);
    return reader.feed(text, size) && reader.finish();
}

} // namespace vesk

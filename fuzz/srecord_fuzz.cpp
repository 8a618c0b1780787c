// libFuzzer target for the S-record reader and the block gathering behind it. Each input is
// converted twice: by SRecordReader, fed in pieces whose size the input's first byte picks,
// into blocks whose size its second byte picks, and by a plain reference reading of the
// format below; the two images must agree. Fill is counted, never stored past kKeep bytes,
// so no input can make memory grow.

#include "image/srecord.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>

namespace {

constexpr qint64 kKeep = qint64(1) << 16;
constexpr qsizetype kBlockSizes[] = {512, 4096, 65536, vesk::BlockSink::kBlockSize};

// The first kKeep bytes of an image, and its full length.
struct Image
{
    std::string head;
    qint64 size = 0;

    void put(const char *data, qint64 count)
    {
        if (size < kKeep)
            head.append(data, size_t(std::min(count, kKeep - size)));
        size += count;
    }
    void zeros(qint64 count)
    {
        if (size < kKeep)
            head.append(size_t(std::min(count, kKeep - size)), '\0');
        size += count;
    }
};

class KeepingSink : public vesk::BlockSink
{
public:
    explicit KeepingSink(qsizetype blockSize) : BlockSink(blockSize), m_blockSize(blockSize) {}
    Image image;

protected:
    bool writeBlock(const char *data, qsizetype size) override
    {
        if (size <= 0 || size > m_blockSize)
            std::abort();
        image.put(data, size);
        return true;
    }

private:
    qsizetype m_blockSize;
};

// The format read the slow, obvious way.
int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

long field(std::string_view line, size_t start, size_t length)
{
    long value = 0;
    const std::string_view text = start < line.size() ? line.substr(start, length) : "";
    for (char c : text) {
        if (c == ' ' || c == '\t')
            continue;
        const int digit = hexDigit(c);
        if (digit < 0)
            break;
        value = value * 16 + digit;
    }
    return value;
}

Image reference(std::string_view text)
{
    Image image;
    long next = 0xFFFFFF;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find('\r', at), text.find('\n', at));
        const std::string_view line =
            text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        at = end == std::string_view::npos ? text.size() : end + 1;
        if (line.substr(0, 2) != "S1" && line.substr(0, 2) != "S2")
            continue;
        const size_t width = line[1] == '1' ? 2 : 3;
        const long n = field(line, 2, 2) - long(width) - 1;
        const long address = field(line, 4, 2 * width);
        if (address > next)
            image.zeros(address - next);
        next = address + n;
        for (long j = 0; j < n; ++j) {
            const char byte = char(field(line, 4 + 2 * width + 2 * size_t(j), 2));
            image.put(&byte, 1);
        }
    }
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const qsizetype piece = data[0] == 0 ? qsizetype(size) : data[0];
    const qsizetype blockSize = kBlockSizes[data[1] % std::size(kBlockSizes)];
    const char *text = reinterpret_cast<const char *>(data) + 2;
    const qsizetype length = qsizetype(size) - 2;

    KeepingSink sink(blockSize);
    vesk::SRecordReader reader(sink);
    for (qsizetype at = 0; at < length; at += piece) {
        if (!reader.feed(text + at, std::min(piece, length - at)))
            std::abort();
    }
    if (!reader.finish() || !sink.flush())
        std::abort();

    const Image expected = reference(std::string_view(text, size_t(length)));
    if (sink.total() != expected.size || sink.image.size != expected.size ||
        sink.image.head != expected.head)
        std::abort();
    return 0;
}

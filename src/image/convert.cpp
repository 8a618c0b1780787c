#include "image/convert.h"

#include "image/srecord.h"
#include "platform/fileio.h"

#include <memory>

namespace vesk {

namespace {

constexpr qint64 kReadSize = qint64(1) << 20;

class ImageFile : public BlockSink
{
public:
    explicit ImageFile(AtomicFile &file) : m_file(file) {}

protected:
    bool writeBlock(const char *data, qsizetype size) override { return m_file.write(data, size); }

private:
    AtomicFile &m_file;
};

// What a failed conversion leaves: no file of the image's name, so that a Transfer cannot
// send a half-made image or the one from before.
Error failed(const DosFs &fs, const QString &binDos, Error error)
{
    // The conversion's own failure is what the user is told; a removal that fails as well
    // comes from the same cause.
    (void)fs.remove(binDos);
    return error;
}

} // namespace

Error Convert(const DosFs &fs, const QString &base)
{
    const QString motDos = fs.absolute(base + QStringLiteral(".MOT"));
    const QString binDos = fs.absolute(base + QStringLiteral(".BIN"));
    if (motDos.isEmpty() || binDos.isEmpty())
        return makeError(kFileNotFound, base + QStringLiteral(".MOT"));

    // Nothing to convert is no conversion: the image stays as it was. From here on, a failure
    // leaves no image.
    FileReader in(fs, motDos);
    if (Error e = in.open())
        return e;

    AtomicFile out(fs, binDos);
    if (Error e = out.open())
        return failed(fs, binDos, e);

    ImageFile image(out);
    SRecordReader reader(image);
    std::unique_ptr<char[]> buffer(new char[kReadSize]);
    for (;;) {
        const qint64 got = in.read(buffer.get(), kReadSize);
        if (got < 0)
            return failed(fs, binDos, in.error());
        if (got == 0)
            break;
        if (!reader.feed(buffer.get(), got))
            return failed(fs, binDos, makeError(kCannotWriteFile, binDos, out.errorString()));
    }
    if (!reader.finish() || !image.flush())
        return failed(fs, binDos, makeError(kCannotWriteFile, binDos, out.errorString()));
    if (Error e = out.commit())
        return failed(fs, binDos, e);
    return {};
}

} // namespace vesk

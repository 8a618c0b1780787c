#include "image/convert.h"

#include "image/srecord.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>

namespace vesk {

namespace {

constexpr qint64 kReadSize = qint64(1) << 20;

const QString kNotFound = QStringLiteral("ファイルが見つかりません。");
const QString kCannotRead = QStringLiteral("ファイルを読み込めません。");
const QString kCannotCreate = QStringLiteral("ファイルを作成できません。");
const QString kCannotWrite = QStringLiteral("ファイルに書き込めません。");

class SaveFileSink : public BlockSink
{
public:
    explicit SaveFileSink(QSaveFile &file) : m_file(file) {}

protected:
    bool writeBlock(const char *data, qsizetype size) override
    {
        return m_file.write(data, size) == size;
    }

private:
    QSaveFile &m_file;
};

// What a failed conversion leaves: no file of the image's name, so that a Transfer cannot
// send a half-made image or the one from before.
Error failed(const QString &what, const QString &dosPath, const QString &reason,
             const QString &binHost)
{
    const QFileInfo old(binHost);
    if (!binHost.isEmpty() && (old.isFile() || old.isSymLink()))
        QFile::remove(binHost);
    return makeError(what, dosPath, reason);
}

} // namespace

Error Convert(const DosFs &fs, const QString &base)
{
    const QString motDos = fs.absolute(base + QStringLiteral(".MOT"));
    const QString binDos = fs.absolute(base + QStringLiteral(".BIN"));
    if (motDos.isEmpty() || binDos.isEmpty())
        return makeError(kNotFound, base + QStringLiteral(".MOT"));
    const QString motHost = fs.toHost(motDos);
    const QString binHost = fs.toHost(binDos);

    QFile in(motHost);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const bool exists = QFileInfo::exists(motHost);
        return failed(exists ? kCannotRead : kNotFound, motDos, in.errorString(), binHost);
    }

    // The image goes to a temporary file beside the target and replaces it only when whole.
    QSaveFile out(binHost);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(kCannotCreate, binDos, out.errorString(), binHost);

    SaveFileSink sink(out);
    SRecordReader reader(sink);
    std::unique_ptr<char[]> buffer(new char[kReadSize]);
    for (;;) {
        const qint64 got = in.read(buffer.get(), kReadSize);
        if (got < 0) {
            out.cancelWriting();
            return failed(kCannotRead, motDos, in.errorString(), binHost);
        }
        if (got == 0)
            break;
        if (!reader.feed(buffer.get(), got)) {
            const QString reason = out.errorString();
            out.cancelWriting();
            return failed(kCannotWrite, binDos, reason, binHost);
        }
    }
    in.close();
    if (!reader.finish() || !sink.flush()) {
        const QString reason = out.errorString();
        out.cancelWriting();
        return failed(kCannotWrite, binDos, reason, binHost);
    }
    if (!out.commit())
        return failed(kCannotWrite, binDos, out.errorString(), binHost);
    return {};
}

} // namespace vesk

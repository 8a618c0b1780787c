#include "image/convert.h"

#include "image/srecord.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <memory>

namespace vesk {

namespace {

constexpr qint64 kReadSize = qint64(1) << 20;

const QString kNotFound = QStringLiteral("ファイルが見つかりません。");
const QString kCannotRead = QStringLiteral("ファイルを読み込めません。");
const QString kCannotCreate = QStringLiteral("ファイルを作成できません。");
const QString kCannotWrite = QStringLiteral("ファイルに書き込めません。");

// The image is written under a hidden name beside the target and renamed over it only when
// whole. (No sync to disk: the image is derived, and the rename alone keeps a half image from
// ever bearing the target's name.)
class TemporaryImage : public BlockSink
{
public:
    explicit TemporaryImage(const QString &target)
    {
        const QFileInfo info(target);
        // A link to an image elsewhere stays a link: the image replaces what it points at.
        m_target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : target;
    }
    ~TemporaryImage() override
    {
        if (!m_file.fileName().isEmpty() && !m_renamed)
            QFile::remove(m_file.fileName());
    }

    bool create()
    {
        const QFileInfo target(m_target);
        if (target.isDir()) {
            m_reason = qt_error_string(EISDIR);
            return false;
        }
        for (int attempt = 0; attempt < 16; ++attempt) {
            const QString name = QStringLiteral("%1/.%2.%3")
                                     .arg(target.path(), target.fileName())
                                     .arg(QRandomGenerator::global()->generate(), 0, 36);
            m_file.setFileName(name);
            if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
                break;
            m_reason = m_file.errorString();
            m_file.setFileName(QString());
            if (QFileInfo::exists(name))
                continue;
            return false;
        }
        if (!m_file.isOpen())
            return false;
        if (target.exists())
            m_file.setPermissions(target.permissions());
        return true;
    }

    bool commit()
    {
        if (!flush())
            return false;
        m_file.close();
        if (m_file.error() != QFileDevice::NoError) {
            m_reason = m_file.errorString();
            return false;
        }
        if (std::rename(QFile::encodeName(m_file.fileName()).constData(),
                        QFile::encodeName(m_target).constData()) != 0) {
            m_reason = qt_error_string(errno);
            return false;
        }
        m_renamed = true;
        return true;
    }

    QString errorString() const { return m_reason; }

protected:
    bool writeBlock(const char *data, qsizetype size) override
    {
        if (m_file.write(data, size) == size)
            return true;
        m_reason = m_file.errorString();
        return false;
    }

private:
    QString m_target;
    QFile m_file;
    QString m_reason;
    bool m_renamed = false;
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

    TemporaryImage out(binHost);
    if (!out.create())
        return failed(kCannotCreate, binDos, out.errorString(), binHost);

    SRecordReader reader(out);
    std::unique_ptr<char[]> buffer(new char[kReadSize]);
    for (;;) {
        const qint64 got = in.read(buffer.get(), kReadSize);
        if (got < 0)
            return failed(kCannotRead, motDos, in.errorString(), binHost);
        if (got == 0)
            break;
        if (!reader.feed(buffer.get(), got))
            return failed(kCannotWrite, binDos, out.errorString(), binHost);
    }
    in.close();
    if (!reader.finish() || !out.commit())
        return failed(kCannotWrite, binDos, out.errorString(), binHost);
    return {};
}

} // namespace vesk

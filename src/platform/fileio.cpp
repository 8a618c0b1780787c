#include "platform/fileio.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>

namespace vesk {

namespace {

// A link to a file elsewhere stays a link: the new contents replace what it points at.
QString replacedFile(const QString &host)
{
    const QFileInfo info(host);
    return info.isSymLink() && info.exists() ? info.canonicalFilePath() : host;
}

} // namespace

bool renameOver(const QString &from, const QString &target, QString *reason)
{
    // rename(2) replaces the target in one step; QFile::rename would refuse to.
    if (std::rename(QFile::encodeName(from).constData(),
                    QFile::encodeName(replacedFile(target)).constData()) == 0)
        return true;
    if (reason)
        *reason = qt_error_string(errno);
    return false;
}

AtomicFile::AtomicFile(const DosFs &fs, const QString &dosPath)
    : m_dosPath(fs.absolute(dosPath)), m_target(fs.toHost(dosPath))
{
    if (!m_target.isEmpty())
        m_target = replacedFile(m_target);
}

AtomicFile::~AtomicFile()
{
    if (!m_file.fileName().isEmpty() && !m_renamed)
        QFile::remove(m_file.fileName());
}

Error AtomicFile::open()
{
    const auto failed = [this] { return makeError(kCannotCreateFile, m_dosPath, m_reason); };
    if (m_target.isEmpty())
        return failed();
    const QFileInfo target(m_target);
    if (target.isDir()) {
        m_reason = qt_error_string(EISDIR);
        return failed();
    }
    // No sync to disk: what is written here is derived and can be made again, the rename
    // alone keeps a half file from bearing the target's name, and a sync per image costs
    // more than the whole conversion.
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
        return failed();
    }
    if (!m_file.isOpen())
        return failed();
    if (target.exists())
        m_file.setPermissions(target.permissions());
    return {};
}

bool AtomicFile::write(const char *data, qsizetype size)
{
    if (m_file.write(data, size) == size)
        return true;
    m_reason = m_file.errorString();
    return false;
}

Error AtomicFile::commit()
{
    const auto failed = [this] { return makeError(kCannotWriteFile, m_dosPath, m_reason); };
    if (!m_file.isOpen())
        return failed();
    m_file.close();
    if (m_file.error() != QFileDevice::NoError) {
        m_reason = m_file.errorString();
        return failed();
    }
    if (!renameOver(m_file.fileName(), m_target, &m_reason))
        return failed();
    m_renamed = true;
    return {};
}

FileReader::FileReader(const DosFs &fs, const QString &dosPath)
    : m_dosPath(fs.absolute(dosPath)), m_file(fs.toHost(dosPath))
{
}

Error FileReader::open()
{
    if (m_file.fileName().isEmpty())
        return makeError(kFileNotFound, m_dosPath);
    if (m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    return makeError(m_file.exists() ? kCannotReadFile : kFileNotFound, m_dosPath,
                     m_file.errorString());
}

qint64 FileReader::read(char *buffer, qint64 max)
{
    return m_file.read(buffer, max);
}

Error FileReader::error() const
{
    if (m_file.error() == QFileDevice::NoError)
        return {};
    return makeError(kCannotReadFile, m_dosPath, m_file.errorString());
}

} // namespace vesk

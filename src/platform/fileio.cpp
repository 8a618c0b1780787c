#include "platform/fileio.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk {

namespace {

// The hidden files of the open AtomicFiles, for the signal handler of the tools. Fixed
// buffers, since a handler may neither allocate nor lock: a slot is claimed, filled, and only
// then marked ready, so the handler never reads a half-written path.
enum : int { kSlotFree, kSlotClaimed, kSlotReady };
struct PendingFile
{
    std::atomic<int> state{kSlotFree};
    char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free);
PendingFile g_pending[8];

int registerPending(const QString &hostPath)
{
    const QByteArray path = QFile::encodeName(hostPath);
    if (path.size() >= PATH_MAX)
        return -1;
    for (int i = 0; i < int(std::size(g_pending)); ++i) {
        int expected = kSlotFree;
        if (g_pending[i].state.compare_exchange_strong(expected, kSlotClaimed)) {
            std::memcpy(g_pending[i].path, path.constData(), std::size_t(path.size()) + 1);
            g_pending[i].state.store(kSlotReady);
            return i;
        }
    }
    // More files open at once than Vesk ever writes; the next write's clean-up catches it.
    return -1;
}

void unregisterPending(int &slot)
{
    if (slot >= 0)
        g_pending[slot].state.store(kSlotFree);
    slot = -1;
}

void onTerminatingSignal(int signal)
{
    for (PendingFile &file : g_pending) {
        if (file.state.load() == kSlotReady)
            ::unlink(file.path);
    }
    // The action was reset on entry (SA_RESETHAND): once this returns, the signal ends the
    // program as it would have without the handler.
    ::raise(signal);
}

// Hidden files of earlier writes of `target` that were killed before their commit. A live
// writer holds its file locked until the rename, so a second writer of the same target (two
// windows, a tool beside the window) loses nothing.
void removeStaleTemporaries(const QFileInfo &target)
{
    const QRegularExpression ours(QStringLiteral("^\\.") +
                                      QRegularExpression::escape(target.fileName()) +
                                      QStringLiteral("\\.~[0-9a-f]{8}$"),
                                  QRegularExpression::CaseInsensitiveOption);
    QDirIterator it(target.path(), QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!ours.match(it.fileName()).hasMatch())
            continue;
        const QByteArray host = QFile::encodeName(path);
        const int fd = ::open(host.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat info = {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(host.constData());
        ::close(fd);
    }
}

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
    unregisterPending(m_pendingSlot);
    if (m_lock >= 0)
        ::close(m_lock);
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
    removeStaleTemporaries(target);
    // No sync to disk: what is written here is derived and can be made again, the rename
    // alone keeps a half file from bearing the target's name, and a sync per image costs
    // more than the whole conversion.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString name = QStringLiteral("%1/.%2.~%3")
                                 .arg(target.path(), target.fileName())
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
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
    m_pendingSlot = registerPending(m_file.fileName());
    // The lock marks the file as live for removeStaleTemporaries(). It sits on a descriptor of
    // its own so that it lasts past the close in commit() until the rename; a file system
    // without locks merely loses that protection.
    m_lock = ::fcntl(m_file.handle(), F_DUPFD_CLOEXEC, 0);
    if (m_lock >= 0)
        (void)::flock(m_lock, LOCK_EX | LOCK_NB);
    if (target.exists())
        m_file.setPermissions(target.permissions());
    return {};
}

bool AtomicFile::write(const char *data, qsizetype size)
{
    // A short write is returned as success with fewer bytes and no reason (the disk filled up
    // or a size limit was reached part way); writing the rest gives the host's reason.
    while (size > 0) {
        const qint64 written = m_file.write(data, size);
        if (written <= 0) {
            m_reason = m_file.errorString();
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
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
    unregisterPending(m_pendingSlot);
    return {};
}

void removeTemporariesOnSignals()
{
    struct sigaction action = {};
    action.sa_handler = onTerminatingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous = {};
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue; // started under nohup, or in the background of a shell without job control
        ::sigaction(signal, &action, nullptr);
    }
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

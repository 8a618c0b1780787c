#pragma once

#include "platform/dosfs.h"
#include "platform/error.h"

#include <QFile>
#include <QString>

namespace vesk {

// A file written under a hidden name beside its target and renamed over it only when whole,
// so that the target's name never stands for a half-written file. Whatever was not committed
// is removed when the object goes.
class AtomicFile
{
public:
    AtomicFile(const DosFs &fs, const QString &dosPath);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Creates the hidden file; the target keeps its old contents until commit().
    Error open();
    // Unbuffered: callers write large blocks. False on failure, see errorString().
    bool write(const char *data, qsizetype size);
    // Renames the written file over the target.
    Error commit();
    QString errorString() const { return m_reason; }
    // The target's full DOS path.
    QString dosPath() const { return m_dosPath; }

private:
    QString m_dosPath;
    QString m_target; // host path; a link's target, so that a link stays a link
    QFile m_file;
    QString m_reason;
    bool m_renamed = false;
};

// A file read in blocks, opened by DOS path.
class FileReader
{
public:
    FileReader(const DosFs &fs, const QString &dosPath);

    // "not found" when there is no such file, else "cannot read" with the host's reason.
    Error open();
    // Up to `max` bytes; 0 at the end, -1 on failure (see error()).
    qint64 read(char *buffer, qint64 max);
    Error error() const;

private:
    QString m_dosPath;
    QFile m_file;
};

} // namespace vesk

#pragma once

#include "platform/dosfs.h"
#include "platform/error.h"

#include <QFile>
#include <QString>

namespace vesk {

// Moves the host file `from` over `target` in one step, replacing what was there; a link at
// `target` stays a link and its destination takes the contents. False with the host's reason.
bool renameOver(const QString &from, const QString &target, QString *reason);

// The one way Vesk and its tools write a file: under a hidden name beside its target
// (".NAME.~" and eight hex digits), renamed over it only when whole, so that the target's
// name never stands for a half-written file (a build polls for its outputs; a full disk must
// not leave the settings empty). Whatever was not committed is removed when the object goes;
// what a killed writer left is removed by the next write of the same target.
class AtomicFile
{
public:
    AtomicFile(const DosFs &fs, const QString &dosPath);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Removes the hidden files of earlier writes of this target that no live writer holds,
    // then creates its own; the target keeps its old contents until commit().
    Error open();
    // Unbuffered: callers write large blocks, and a failure (a full disk) shows at once with
    // the host's reason. False on failure, see errorString().
    bool write(const char *data, qsizetype size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
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
    int m_pendingSlot = -1; // see removeTemporariesOnSignals()
    int m_lock = -1;        // a second descriptor of the hidden file, holding its lock
};

// For a command-line tool: SIGINT, SIGTERM and SIGHUP remove the hidden files of the
// AtomicFiles still open, then end the program as the signal would, so that an interrupted
// conversion leaves no hidden image of hundreds of megabytes. A signal the program was
// started with ignored stays ignored. (The window turns these signals into a close instead.)
void removeTemporariesOnSignals();

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

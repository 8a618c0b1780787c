#pragma once

#include "platform/dosfs.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>

// What the five toolchain programs share: the DOS view they run in, the GNU cross tools they
// drive, and outputs that appear complete or not at all.
namespace vesk::toolchain {

// The DOS file system of a tool: the drive map Vesk handed down (VESK_DOSDEVICES) or the
// one found from the current directory, with the process's directory current.
DosFs toolFs();

// Host directory of the toolchain's headers (include/) and library: the running tool's own, or
// for an installed tool the toolchain's data folder.
QString toolHostDir();

// "C:\WORK\main.C" -> "main": the last component without its last extension.
QString baseName(const QString &dosPath);
// The DOS name with `ext` (".obj") appended unless its last component has an extension.
QString withDefaultExtension(const QString &dosPath, const QString &ext);

// Host path of h8300-hms-<name>, found on the PATH; empty when it is not installed.
QString gnuTool(const QString &name);

// A file name as a GNU tool's argument: one that begins with "-" gets "./" in front, so the
// tool cannot take it for an option. Other names stay as they are, since some tools repeat
// them in their output.
QString fileArgument(const QString &hostPath);

struct RunResult
{
    bool started = false;
    int exitCode = -1;
    QByteArray output; // standard output and error, interleaved as written

    bool ok() const { return started && exitCode == 0; }
};

// Runs a GNU tool to its end with an argument list, never through a shell.
RunResult runGnuTool(const QString &name, const QStringList &arguments, const QString &hostWorkDir);

// Host names in a tool's messages replaced by the DOS names the user wrote; with `fs`, any
// other host path of an existing file is shown as its DOS path as well.
using PathNames = QList<QPair<QString, QString>>; // host -> DOS
QByteArray mapPaths(QByteArray text, const PathNames &names, const DosFs *fs = nullptr);

// The messages of a GNU cross tool as the user should read them: without the tool's own
// host path in front ("/usr/bin/h8300-hitachi-coff-ld: "), and each line only once.
QByteArray plainMessages(const QByteArray &text);

// LF line ends turned into CR LF (CR LF already present stays as it is).
QByteArray withCrLf(const QByteArray &text);

// Outputs are written into a hidden directory beside their final place and renamed into it
// one by one, so a build polling for a file never sees it half written, and a failed run
// leaves nothing behind.
class Staging
{
public:
    explicit Staging(const QString &hostDir);
    bool isValid() const { return m_dir && m_dir->isValid(); }
    QString hostDir() const { return m_dir ? m_dir->path() : QString(); }
    // Where a tool writes the file that will become `fileName`.
    QString path(const QString &fileName) const;
    // Moves the staged file over `finalHostPath`; false when it is missing or cannot move.
    bool commit(const QString &fileName, const QString &finalHostPath, QString *reason);

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

// Messages of a tool: "a38h: cannot open source C:\WORK\X.mar".
void report(const char *tool, const QString &message, bool toStdout = false);

// --help and --version of the toolchain's program `tool` ("a38h"): the first thing its main
// does, before reading its own command line. Returns main's exit status when one of them was
// asked for (and answered on standard output), else nullopt.
std::optional<int> answerHelpOrVersion(int argc, char **argv, const char *tool);

} // namespace vesk::toolchain

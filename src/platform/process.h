#pragma once

#include "platform/dosfs.h"
#include "platform/error.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QProcess;

namespace vesk {

// A command line as the builds form it, split into words: blanks (space, tab) separate,
// double quotes group and are removed, and no other character means anything. File names
// are data: "a;b$(x).c" is one word and runs nothing.
QStringList splitCommandLine(const QString &line);

// The word as it goes into a command line: enclosed in double quotes when it contains a
// blank, so splitCommandLine gives it back whole; anything else exactly as it is.
QString quoteArg(const QString &word);

struct StartOptions
{
    // DOS directory searched for a bare program name after the current directory (BinDir).
    QString binDir;
    // Host path of the batch runner; empty: batchRunnerPath().
    QString batchRunner;
    // Host path of wine; empty: looked up on the host PATH.
    QString wine;
};

// What to hand the host to start a resolved program.
struct Launch
{
    enum class Kind { Native, Batch, Dos };
    Kind kind = Kind::Native;
    QString file;    // host path of the program file found
    QString program; // host program started: the file, the batch runner or wine
    QStringList arguments;
    QString workingDir; // host directory of the current DOS directory
    QProcessEnvironment environment;
};

// Finds the program word and forms the launch. A word with a directory part is taken
// through the drive map; a bare name is looked for in the current directory, then in
// options.binDir, then on the host PATH. A name without an extension tries the name, then
// ".exe", ".com" and ".bat", each case-insensitively.
Error prepareLaunch(const DosFs &fs, const QStringList &words, const StartOptions &options,
                    Launch &out);

// Gives the QProcess everything of the launch: program, arguments, directory, environment,
// and the caller's own standard input, output and error (the batch runner's console).
void applyLaunch(QProcess &process, const Launch &launch);

// The reset-vector templates that came with the executable in `executableDir` (empty: the
// running one's): installed, <prefix>/share/vesk/templates beside <prefix>/bin; in the build
// tree, templates/ beside bin/. Empty when neither folder exists.
QString templatesDir(const QString &executableDir = {});

// $VESK_BATCH_RUNNER (set by the tests), else vesk-cmd beside the executable, else on the PATH.
QString batchRunnerPath();

// A started program. Copies share the process; when the last copy goes while the program
// still runs, the program is left to finish on its own.
class ProcessHandle
{
public:
    ProcessHandle() = default;

    bool isValid() const { return m_d != nullptr; }
    // True once the program has exited or could not be started. The state follows the
    // event loop: it changes while events are processed.
    bool hasEnded() const;
    // The exit code once ended normally, -1 otherwise.
    int exitCode() const;
    // Set when the host could not start the program after all (it reports that late).
    Error startError() const;
    qint64 processId() const;
    // Kills the program and every program it started in turn (a batch runner's tool), at once.
    // The end itself shows in hasEnded() once the event loop has seen it.
    void end() const;
    // What the program wrote to its standard output and error, merged in the order written:
    // the first kCapturedOutputLimit bytes, the rest read and dropped.
    QByteArray output() const;
    // Calls `handler` once the program has ended (or failed to start), from the event loop;
    // at once when it has already ended.
    void whenEnded(std::function<void()> handler) const;

private:
    struct Data;
    friend Error startProgram(const DosFs &, const QString &, const StartOptions &,
                              ProcessHandle *);
    std::shared_ptr<Data> m_d;
};

// A runaway tool cannot fill the memory with its messages; this is far beyond any real one.
constexpr qsizetype kCapturedOutputLimit = 64 * 1024;

// Starts a command line in the host directory of the current DOS directory, without waiting
// for it and never through a shell. Its standard output and error are kept for output(), and
// a batch file runs with its command lines not echoed (VESK_CMD_ECHO=off), so only what the
// tools themselves say is kept. A program that cannot be found or started is an Error
// whose path is the program as written.
Error startProgram(const DosFs &fs, const QString &commandLine, const StartOptions &options,
                   ProcessHandle *handle = nullptr);

// How many programs startProgram started that have not ended yet. Like hasEnded(), it follows
// the event loop. A wait whose tool has ended can only time out; tests use this to step their
// clock past the limit instead of sleeping through it.
int runningPrograms();

} // namespace vesk

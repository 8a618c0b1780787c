#pragma once

#include "platform/dosfs.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdio>

namespace vesk::batch {

// %0 to %9 and %% of a batch line. A missing parameter is empty. A parameter holding a
// blank or a redirection sign comes in double quotes, as a DOS command interpreter keeps
// the quotes its caller wrote, so it stays one word and stays data.
QString expandParameters(const QString &line, const QStringList &params);

struct Redirection
{
    int handle = 1; // 0 standard input, 1 output, 2 error
    bool append = false;
    QString target; // DOS path, quotes removed

    bool operator==(const Redirection &) const = default;
};

struct Command
{
    QString text; // the line without its redirections, blanks kept
    QList<Redirection> redirections;
};

// Takes `>`, `>>`, `<`, `2>`, `2>>` (also `1>`, `1>>`) out of an expanded line; signs inside
// double quotes are text. A handle digit counts only at the start of a word, so in
// "0,1000>> out.txt" the digits belong to the argument. False for a sign without a target.
bool parseRedirections(const QString &line, Command &out);

// Runs batch files line by line, each command to its end before the next.
class Runner
{
public:
    // `self` is the host path of vesk-cmd, for batch files that start batch files; `depth`
    // counts such nesting.
    Runner(DosFs fs, QString self, int depth, std::FILE *out = stdout, std::FILE *err = stderr);

    // `file` is a DOS path (or a host path beginning with "/"); `args` become %1 to %9.
    // Returns the exit status of the last program run, 0 when none ran. A parameter with a
    // double quote is refused before anything runs.
    int runFile(const QString &file, const QStringList &args);
    // ECHO OFF before the first line: command lines are not shown, as by a DOS interpreter
    // started with echo off.
    void setEcho(bool on) { m_echo = on; }

private:
    // Returns false when the batch file ends here (another batch file took over).
    bool runLine(const QString &raw, const QStringList &params, const QString &binDir);
    bool openRedirections(const Command &command, QString &in, QString &out, QString &err);
    void echoText(const QString &text, const QString &outFile);
    void runProgram(const QStringList &words, const Command &command, const QString &binDir,
                    bool isCall, bool &endsBatch);
    void printError(const QString &text);

    DosFs m_fs;
    QString m_self;
    int m_depth;
    std::FILE *m_out;
    std::FILE *m_err;
    bool m_echo = true;
    int m_status = 0;
};

} // namespace vesk::batch

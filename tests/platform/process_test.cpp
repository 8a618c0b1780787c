#include "platform/process.h"
#include "support/tempdrive.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::TempDrive;

namespace {

void writeFile(const TempDrive &drive, const QString &relative, const QByteArray &bytes,
               bool executable)
{
    drive.write(relative, bytes);
    QFile::Permissions perms = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        perms |= QFile::ExeOwner;
    QFile::setPermissions(drive.host(relative), perms);
}

void script(const TempDrive &drive, const QString &relative, const QByteArray &body)
{
    writeFile(drive, relative, "#!/bin/sh\n" + body + "\n", true);
}

// Runs the event loop until `done` holds; the bound only keeps a broken build from hanging.
bool spinUntil(const std::function<bool()> &done)
{
    QElapsedTimer guard;
    guard.start();
    while (!done()) {
        if (guard.elapsed() > 20000)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

class ScopedPath
{
public:
    explicit ScopedPath(const QString &path) : m_old(qgetenv("PATH"))
    {
        qputenv("PATH", path.toLocal8Bit());
    }
    ~ScopedPath() { qputenv("PATH", m_old); }

private:
    QByteArray m_old;
};

} // namespace

// --- splitting and quoting -------------------------------------------------------------------

struct SplitRow
{
    const char *name;
    QString line;
    QStringList words;
};

class SplitCommandLine : public ::testing::TestWithParam<SplitRow>
{
};

TEST_P(SplitCommandLine, GivesTheWords)
{
    EXPECT_EQ(splitCommandLine(GetParam().line), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SplitCommandLine,
    ::testing::Values(
        SplitRow{"Empty", "", {}}, SplitRow{"OnlyBlanks", "  \t ", {}},
        SplitRow{
            "SingleBlanksSeparate", "C:\\TOOLS\\a38h TEST.mar", {"C:\\TOOLS\\a38h", "TEST.mar"}},
        SplitRow{"RunsOfBlanksAndTabsAreOneSeparator", " a \t  b  ", {"a", "b"}},
        SplitRow{"QuotesGroupAndVanish", "cc \"C:\\My Tools\\\" x", {"cc", "C:\\My Tools\\", "x"}},
        SplitRow{"QuotesMidWordJoin", "-INCLUDE=\"C:\\a b\\\"c.h", {"-INCLUDE=C:\\a b\\c.h"}},
        SplitRow{"EmptyQuotesAreAnEmptyWord", "a \"\" b", {"a", "", "b"}},
        SplitRow{"UnclosedQuoteRunsToTheEnd", "a \"b c", {"a", "b c"}},
        SplitRow{"ShellSignsAreData",
                 "cc a;b$(x).c `id` |x &y >z",
                 {"cc", "a;b$(x).c", "`id`", "|x", "&y", ">z"}},
        SplitRow{"BackslashEscapesNothing", "a\\\" b", {"a\\ b"}},
        SplitRow{"CommaIsData", "dasmh83 -o PROG.bin ,", {"dasmh83", "-o", "PROG.bin", ","}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(QuoteArg, QuotesOnlyWordsWithBlanksAndRoundTrips)
{
    EXPECT_EQ(quoteArg("C:\\TOOLS\\"), "C:\\TOOLS\\");
    EXPECT_EQ(quoteArg("-start=P(0FFDF50)"), "-start=P(0FFDF50)");
    EXPECT_EQ(quoteArg("C:\\My Tools\\"), "\"C:\\My Tools\\\"");
    for (const QString &word : {QString("plain"), QString("C:\\My Tools\\"), QString("tab\there"),
                                QString(), QString("a;b$(x).c")}) {
        SCOPED_TRACE(word.toStdString());
        EXPECT_EQ(splitCommandLine("prog " + quoteArg(word) + " end"),
                  (QStringList{"prog", word, "end"}));
    }
}

// --- finding the program -----------------------------------------------------------------------

struct FindRow
{
    const char *name;
    QString word;
    QString found; // below C:, empty for an error
    Launch::Kind kind = Launch::Kind::Native;
    QString errorWhat = {};
};

class FindProgram : public ::testing::TestWithParam<FindRow>
{
protected:
    void SetUp() override
    {
        script(drive, "work/tool", "true");
        script(drive, "work/order", "true");
        script(drive, "work/order.exe", "true");
        script(drive, "work/order2.bat", "true");
        script(drive, "work/order2.com", "true");
        writeFile(drive, "work/noexec", "data", false);
        writeFile(drive, "work/blocked", "data", false);
        script(drive, "work/.hidden", "true");
        drive.mkdir("work/sub.exe");
        writeFile(drive, "work/dos.exe", "MZ\x90\x00", false);
        script(drive, "bin/a38h.exe", "true");
        script(drive, "bin/dasmh83.EXE", "true");
        script(drive, "bin/noexec.exe", "true");
        script(drive, "bin/tool", "true");
        writeFile(drive, "bin/C38.bat", "cc38h.exe\r\n", false);
        script(drive, "path/onpath", "true");
        writeFile(drive, "path/badinterp", "#!/nonexistent/interpreter\n", true);
    }
    TempDrive drive;
};

TEST_P(FindProgram, ResolvesAsTheRulesSay)
{
    const FindRow &row = GetParam();
    ScopedPath path(drive.host("path"));
    StartOptions options;
    options.binDir = "C:\\BIN\\";
    options.batchRunner = "/opt/vesk/bin/vesk-cmd";
    options.wine = "/opt/wine/bin/wine";
    Launch launch;
    const Error error =
        prepareLaunch(drive.fs("work"), splitCommandLine(row.word + " ARG1 a;b"), options, launch);
    if (row.found.isEmpty()) {
        EXPECT_EQ(error.what, row.errorWhat);
        EXPECT_EQ(error.path, row.word);
        return;
    }
    ASSERT_FALSE(error) << error.message().toStdString();
    EXPECT_EQ(launch.file, drive.host(row.found));
    EXPECT_EQ(launch.kind, row.kind);
    switch (row.kind) {
    case Launch::Kind::Native:
        EXPECT_EQ(launch.program, drive.host(row.found));
        EXPECT_EQ(launch.arguments, (QStringList{"ARG1", "a;b"}));
        break;
    case Launch::Kind::Batch:
        EXPECT_EQ(launch.program, "/opt/vesk/bin/vesk-cmd");
        EXPECT_EQ(launch.arguments,
                  (QStringList{"C:\\" + QString(row.found).replace('/', '\\'), "ARG1", "a;b"}));
        break;
    case Launch::Kind::Dos:
        EXPECT_EQ(launch.program, "/opt/wine/bin/wine");
        EXPECT_EQ(launch.arguments, (QStringList{drive.host(row.found), "ARG1", "a;b"}));
        break;
    }
}

const QString kNotFound = QStringLiteral("プログラムが見つかりません。");
const QString kCannotStart = QStringLiteral("プログラムを起動できません。");

INSTANTIATE_TEST_SUITE_P(
    Rows, FindProgram,
    ::testing::Values(
        FindRow{"CurrentDirectoryBeforeBinDir", "tool", "work/tool"},
        FindRow{"NamesMatchWithoutCase", "TOOL", "work/tool"},
        FindRow{"BinDirWithExeTried", "a38h", "bin/a38h.exe"},
        FindRow{"ExtensionMatchesWithoutCase", "dasmh83", "bin/dasmh83.EXE"},
        FindRow{"NameBeforeExe", "order", "work/order"},
        FindRow{"ComBeforeBat", "order2", "work/order2.com"},
        FindRow{"BatchGoesThroughTheRunner", "c38.bat", "bin/C38.bat", Launch::Kind::Batch},
        FindRow{"BatchFoundWithoutExtension", "c38", "bin/C38.bat", Launch::Kind::Batch},
        FindRow{"DirectoryPartThroughTheDriveMap", "C:\\BIN\\A38H", "bin/a38h.exe"},
        FindRow{"DirectoryPartFromTheRoot", "\\bin\\a38h.exe", "bin/a38h.exe"},
        FindRow{"HostPathLast", "onpath", "path/onpath"},
        FindRow{"NotExecutableIsPassedOver", "noexec", "bin/noexec.exe"},
        FindRow{"DosExecutableThroughWine", "dos", "work/dos.exe", Launch::Kind::Dos},
        FindRow{"OnlyNotExecutable", "blocked", "", {}, kCannotStart},
        FindRow{"MissingInterpreter", "badinterp", "", {}, kCannotStart},
        FindRow{"Missing", "missing", "", {}, kNotFound},
        FindRow{"HiddenFileDoesNotCount", ".hidden", "", {}, kNotFound},
        FindRow{"DirectoryDoesNotCount", "sub", "", {}, kNotFound},
        FindRow{"NoDirectoryPartOutsideTheCurrentOne", "C:\\a38h", "", {}, kNotFound},
        FindRow{"UnmappedDrive", "Q:\\BIN\\a38h", "", {}, kNotFound},
        FindRow{"DirectoryWithoutName", "C:\\BIN\\", "", {}, kNotFound},
        FindRow{"ShellSignsAreAName", "a;b$(x).c", "", {}, kNotFound}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(FindProgramWine, DosExecutableWithoutWineIsAClearError)
{
    TempDrive drive;
    writeFile(drive, "work/dos.exe", "MZ\x90\x00", true);
    drive.mkdir("empty");
    ScopedPath path(drive.host("empty"));
    Launch launch;
    const Error error = prepareLaunch(drive.fs("work"), {"dos.exe"}, StartOptions(), launch);
    EXPECT_EQ(error.what, kCannotStart);
    EXPECT_TRUE(error.reason.contains("wine")) << error.reason.toStdString();
}

TEST(FindProgramWine, LaunchStartsInTheCurrentDirectoryWithTheDriveMap)
{
    TempDrive drive;
    script(drive, "work/tool", "true");
    Launch launch;
    ASSERT_FALSE(prepareLaunch(drive.fs("work"), {"tool"}, StartOptions(), launch));
    EXPECT_EQ(launch.workingDir, drive.host("work"));
    EXPECT_EQ(launch.environment.value("VESK_DOSDEVICES"), drive.map().folder());
}

// --- starting ----------------------------------------------------------------------------------

TEST(StartProgram, ArgumentsArriveAsWrittenAndNothingElseRuns)
{
    TempDrive drive;
    drive.mkdir("work");
    script(drive, "bin/rec.exe",
           "pwd > args.txt\necho \"$VESK_DOSDEVICES\" >> args.txt\n"
           "for a in \"$@\"; do printf '[%s]\\n' \"$a\" >> args.txt; done\nexit 3");
    StartOptions options;
    options.binDir = "C:\\bin\\";
    ProcessHandle handle;
    ASSERT_FALSE(startProgram(drive.fs("work"),
                              "rec a;b$(x).c `touch pwned` \"C:\\My Dir\\x.c\" >out '*'", options,
                              &handle));
    ASSERT_TRUE(spinUntil([&] { return handle.hasEnded(); }));
    EXPECT_EQ(handle.exitCode(), 3);
    EXPECT_FALSE(handle.startError());
    const QStringList lines = QString::fromUtf8(drive.read("work/args.txt")).split('\n');
    EXPECT_EQ(lines.mid(0, 2),
              (QStringList{QDir(drive.host("work")).canonicalPath(), drive.map().folder()}));
    EXPECT_EQ(lines.mid(2), (QStringList{"[a;b$(x).c]", "[`touch]", "[pwned`]", "[C:\\My Dir\\x.c]",
                                         "[>out]", "['*']", ""}));
    EXPECT_FALSE(drive.exists("work/pwned"));
    EXPECT_FALSE(drive.exists("work/out"));
}

TEST(StartProgram, MissingProgramIsAnErrorNamingItAsWritten)
{
    TempDrive drive;
    writeFile(drive, "bin/a38h.exe", "text", false);
    ProcessHandle handle;
    Error error = startProgram(drive.fs(), "C:\\BIN\\nothere TEST.mar", {}, &handle);
    EXPECT_EQ(error.what, kNotFound);
    EXPECT_EQ(error.path, "C:\\BIN\\nothere");
    EXPECT_FALSE(handle.isValid());
    error = startProgram(drive.fs(), "C:\\BIN\\a38h TEST.mar", {}, &handle);
    EXPECT_EQ(error.what, kCannotStart);
    EXPECT_EQ(error.path, "C:\\BIN\\a38h");
}

TEST(StartProgram, ExecFailureShowsOnTheHandle)
{
    TempDrive drive;
    writeFile(drive, "bin/junk.exe",
              "\x7f"
              "ELX not a program\n",
              true);
    ProcessHandle handle;
    ASSERT_FALSE(startProgram(drive.fs(), "C:\\BIN\\junk", {}, &handle));
    ASSERT_TRUE(spinUntil([&] { return handle.hasEnded(); }));
    EXPECT_EQ(handle.exitCode(), -1);
    EXPECT_EQ(handle.startError().what, kCannotStart);
    EXPECT_EQ(handle.startError().path, "C:\\BIN\\junk");
}

TEST(StartProgram, ProgramOutlivesItsLastHandle)
{
    TempDrive drive;
    drive.mkdir("work");
    // Waits for a go file, so the handle is surely gone while the program still runs.
    script(drive, "work/slow", "while [ ! -f go ]; do sleep 0.02; done\necho done > done.txt");
    {
        ProcessHandle handle;
        ASSERT_FALSE(startProgram(drive.fs("work"), "slow", {}, &handle));
        ASSERT_TRUE(spinUntil([&] { return handle.processId() > 0; }));
        ProcessHandle copy = handle;
        EXPECT_FALSE(copy.hasEnded());
    }
    drive.write("work/go", "");
    EXPECT_TRUE(spinUntil([&] { return drive.exists("work/done.txt"); }));
}

TEST(StartProgram, BatchFileRunsThroughTheRunner)
{
    TempDrive drive;
    drive.mkdir("work");
    writeFile(drive, "bin/Make.BAT", "line\r\n", false);
    // A stand-in runner that records what it was given.
    script(drive, "tools/runner", "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > runner.txt");
    StartOptions options;
    options.binDir = "C:\\bin\\";
    options.batchRunner = drive.host("tools/runner");
    ProcessHandle handle;
    ASSERT_FALSE(startProgram(drive.fs("work"), "make.bat \"C:\\My Tools\\\" x", options, &handle));
    ASSERT_TRUE(spinUntil([&] { return handle.hasEnded(); }));
    EXPECT_EQ(drive.read("work/runner.txt"), "[C:\\bin\\Make.BAT]\n[C:\\My Tools\\]\n[x]\n");
}

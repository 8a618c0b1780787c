#include "platform/process.h"
#include "support/rowname.h"
#include "support/tempdrive.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::TempDrive;

namespace {

void writeFile(const TempDrive &drive, const QString &relative, const QByteArray &bytes,
               bool executable = true)
{
    drive.write(relative, bytes);
    QFile::setPermissions(drive.host(relative),
                          QFile::ReadOwner | QFile::WriteOwner |
                              (executable ? QFile::ExeOwner : QFile::Permission()));
}

void spinUntil(const std::function<bool()> &done)
{
    while (!done()) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
}

const QString kNotFound = QStringLiteral("プログラムが見つかりません。");
const QString kCannotStart = QStringLiteral("プログラムを起動できません。");

} // namespace

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
    ::testing::Values(SplitRow{"OnlyBlanks", "  \t ", {}},
                      SplitRow{"RunsOfBlanksAndTabsSeparate",
                               " C:\\T\\a38h \t TEST.mar ",
                               {"C:\\T\\a38h", "TEST.mar"}},
                      SplitRow{"QuotesGroupAndVanish",
                               "-I=\"C:\\My Tools\\\"x.h y",
                               {"-I=C:\\My Tools\\x.h", "y"}},
                      SplitRow{"EmptyQuotesAreAnEmptyWord", "a \"\" b", {"a", "", "b"}},
                      SplitRow{"UnclosedQuoteRunsToTheEnd", "a \"b c", {"a", "b c"}},
                      SplitRow{"ShellSignsAndBackslashesAreData",
                               "cc a;b$(x).c `id` |x >z a\\\" b",
                               {"cc", "a;b$(x).c", "`id`", "|x", ">z", "a\\ b"}}),
    vesk::test::RowName());

TEST(QuoteArg, QuotesOnlyWordsWithBlanksAndRoundTrips)
{
    EXPECT_EQ(quoteArg("-start=P(0FFDF50)"), "-start=P(0FFDF50)");
    EXPECT_EQ(quoteArg("C:\\My Tools\\"), "\"C:\\My Tools\\\"");
    for (const QString &word : {QString("C:\\My Tools\\"), QString("tab\there"), QString()})
        EXPECT_EQ(splitCommandLine("p " + quoteArg(word) + " e"), (QStringList{"p", word, "e"}));
}

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
};

TEST_P(FindProgram, ResolvesAsTheRulesSay)
{
    TempDrive drive;
    for (const char *name :
         {"work/tool", "work/order", "work/order.exe", "work/.hidden", "bin/a38h.exe",
          "bin/dasmh83.EXE", "bin/noexec.exe", "bin/tool", "path/onpath"})
        script(drive, name, "true");
    writeFile(drive, "work/noexec", "data", false);
    writeFile(drive, "work/blocked", "data", false);
    writeFile(drive, "work/dos.exe", "MZ\x90", false);
    writeFile(drive, "bin/C38.bat", "cc38h.exe\r\n", false);
    writeFile(drive, "path/badinterp", "#!/nonexistent/interpreter\n");
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", drive.host("path").toLocal8Bit());

    const FindRow &row = GetParam();
    const StartOptions options{"C:\\BIN\\", "/opt/vesk/vesk-cmd", "/opt/wine"};
    Launch launch;
    const Error error =
        prepareLaunch(drive.fs("work"), splitCommandLine(row.word + " ARG1 a;b"), options, launch);
    qputenv("PATH", oldPath);
    if (row.found.isEmpty()) {
        EXPECT_EQ(error.what, row.errorWhat);
        EXPECT_EQ(error.path, row.word);
        return;
    }
    ASSERT_FALSE(error) << error.message().toStdString();
    EXPECT_EQ(launch.kind, row.kind);
    const QString file = drive.host(row.found);
    EXPECT_EQ(launch.file, file);
    const QStringList args{"ARG1", "a;b"};
    if (row.kind == Launch::Kind::Native)
        EXPECT_EQ(launch.program + " " + launch.arguments.join(" "), file + " ARG1 a;b");
    if (row.kind == Launch::Kind::Batch)
        EXPECT_EQ(launch.arguments, QStringList{"C:\\bin\\C38.bat"} + args);
    if (row.kind == Launch::Kind::Dos)
        EXPECT_EQ(launch.arguments, QStringList{file} + args);
    if (row.kind != Launch::Kind::Native)
        EXPECT_EQ(launch.program,
                  row.kind == Launch::Kind::Batch ? "/opt/vesk/vesk-cmd" : "/opt/wine");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FindProgram,
    ::testing::Values(FindRow{"CurrentDirectoryBeforeBinDir", "TOOL", "work/tool"},
                      FindRow{"BinDirWithExeTried", "a38h", "bin/a38h.exe"},
                      FindRow{"ExtensionMatchesWithoutCase", "dasmh83", "bin/dasmh83.EXE"},
                      FindRow{"NameBeforeExe", "order", "work/order"},
                      FindRow{"BatchGoesThroughTheRunner", "c38", "bin/C38.bat",
                              Launch::Kind::Batch},
                      FindRow{"DirectoryPartThroughTheDriveMap", "C:\\BIN\\A38H", "bin/a38h.exe"},
                      FindRow{"HostPathLast", "onpath", "path/onpath"},
                      FindRow{"NotExecutableIsPassedOver", "noexec", "bin/noexec.exe"},
                      FindRow{"DosExecutableThroughWine", "dos", "work/dos.exe", Launch::Kind::Dos},
                      FindRow{"OnlyNotExecutable", "blocked", "", {}, kCannotStart},
                      FindRow{"MissingInterpreter", "badinterp", "", {}, kCannotStart},
                      FindRow{"HiddenFileDoesNotCount", ".hidden", "", {}, kNotFound},
                      FindRow{"DirectoryPartIsTheOnlyPlace", "C:\\a38h", "", {}, kNotFound}),
    vesk::test::RowName());

TEST(StartProgram, DosExecutableWithoutWineIsAClearError)
{
    TempDrive drive;
    writeFile(drive, "work/dos.exe", "MZ\x90");
    drive.mkdir("empty");
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", drive.host("empty").toLocal8Bit());
    const Error error = startProgram(drive.fs("work"), "dos.exe", {});
    qputenv("PATH", oldPath);
    EXPECT_EQ(error.what, kCannotStart);
    EXPECT_TRUE(error.reason.contains("wine")) << error.reason.toStdString();
}

TEST(StartProgram, ArgumentsArriveAsWrittenAndNothingElseRuns)
{
    TempDrive drive;
    drive.mkdir("work");
    script(drive, "bin/rec.exe",
           "{ pwd; echo \"$VESK_DOSDEVICES\"; printf '[%s]\\n' \"$@\"; } > args.txt\nexit 3");
    ProcessHandle handle;
    ASSERT_FALSE(startProgram(drive.fs("work"), "rec a;b$(x).c `touch pwned` \"C:\\My Dir\\\" >out",
                              {"C:\\bin\\"}, &handle));
    spinUntil([&] { return handle.hasEnded(); });
    EXPECT_EQ(handle.exitCode(), 3);
    EXPECT_FALSE(handle.startError());
    EXPECT_EQ(QString::fromUtf8(drive.read("work/args.txt")).split('\n'),
              (QStringList{QDir(drive.host("work")).canonicalPath(), drive.map().folder(),
                           "[a;b$(x).c]", "[`touch]", "[pwned`]", "[C:\\My Dir\\]", "[>out]", ""}));
    EXPECT_FALSE(drive.exists("work/pwned"));
    EXPECT_FALSE(drive.exists("work/out"));
}

TEST(StartProgram, ExecFailureShowsOnTheHandle)
{
    TempDrive drive;
    writeFile(drive, "bin/junk.exe",
              "\x7f"
              "ELX not a program\n");
    ProcessHandle handle;
    ASSERT_FALSE(startProgram(drive.fs(), "C:\\BIN\\junk", {}, &handle));
    spinUntil([&] { return handle.hasEnded(); });
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
        spinUntil([&] { return handle.processId() > 0; });
        EXPECT_FALSE(ProcessHandle(handle).hasEnded());
    }
    drive.write("work/go", "");
    spinUntil([&] { return drive.exists("work/done.txt"); });
}

struct OutputRow
{
    const char *name;
    QByteArray body; // the script
    QByteArray expected;
};

class CapturedOutput : public ::testing::TestWithParam<OutputRow>
{
};

TEST_P(CapturedOutput, IsMergedInOrderAndBounded)
{
    TempDrive drive;
    writeFile(drive, "work/tool", GetParam().body);
    ProcessHandle handle;
    ASSERT_FALSE(startProgram(drive.fs("work"), "tool", {}, &handle));
    bool told = false;
    handle.whenEnded([&] { told = true; });
    spinUntil([&] { return told; });
    EXPECT_TRUE(handle.hasEnded());
    const QByteArray out = handle.output();
    if (GetParam().expected.isEmpty()) {
        EXPECT_EQ(out.size(), kCapturedOutputLimit);
        EXPECT_TRUE(out.startsWith("first\n")) << "the first messages are the ones kept";
    } else {
        EXPECT_EQ(out, GetParam().expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CapturedOutput,
    ::testing::Values(OutputRow{"OutputAndErrorInterleaved",
                                "#!/bin/sh\necho one\necho two >&2\necho three\nexit 1\n",
                                "one\ntwo\nthree\n"},
                      OutputRow{"RunawayToolKeepsOnlyTheLimit",
                                "#!/bin/sh\necho first\nhead -c 1000000 /dev/zero | tr '\\0' x\n",
                                ""}),
    vesk::test::RowName());

TEST(StartProgram, BatchFileRunsWithoutEchoingItsLines)
{
    const QString runner = qEnvironmentVariable("VESK_BATCH_RUNNER");
    if (runner.isEmpty() || !QFile::exists(runner))
        GTEST_SKIP() << "the batch runner is not built";
    TempDrive drive;
    drive.write("work/run.bat", "rem nothing to see\r\necho said\r\n");
    ProcessHandle handle;
    ASSERT_FALSE(startProgram(drive.fs("work"), "run.bat", {"", runner}, &handle));
    spinUntil([&] { return handle.hasEnded(); });
    EXPECT_EQ(handle.output(), "said\r\n");
}

struct TemplatesRow
{
    const char *name;
    QStringList dirs; // made below the temporary root
    QString expected; // relative to the root; empty: none found
};

class TemplatesDir : public ::testing::TestWithParam<TemplatesRow>
{
};

TEST_P(TemplatesDir, AreFoundBesideTheExecutable)
{
    QTemporaryDir root;
    for (const QString &dir : GetParam().dirs)
        QDir(root.path()).mkpath(dir);
    QDir(root.path()).mkpath("bin");
    const QString found = templatesDir(root.path() + "/bin");
    EXPECT_EQ(found,
              GetParam().expected.isEmpty() ? QString() : root.path() + "/" + GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TemplatesDir,
    ::testing::Values(TemplatesRow{"Installed", {"share/vesk/templates"}, "share/vesk/templates"},
                      TemplatesRow{"BuildTree", {"templates"}, "templates"},
                      TemplatesRow{"InstalledWinsOverAStrayFolder",
                                   {"share/vesk/templates", "templates"},
                                   "share/vesk/templates"},
                      TemplatesRow{"Neither", {"share/vesk"}, ""}),
    vesk::test::RowName());

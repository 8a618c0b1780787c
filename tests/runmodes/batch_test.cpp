#include "batch.h"
#include "platform/process.h"
#include "runmodes/toolrun.h"
#include "support/recordingwindow.h"
#include "support/rowname.h"
#include "support/tempdrive.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::batch;
using vesk::test::RecordingWindow;
using vesk::test::TempDrive;

namespace {

// A stand-in tool that prints each argument in brackets on one line.
const QByteArray kShowArgs = "for a in \"$@\"; do printf '[%s]' \"$a\"; done; echo";

struct CmdResult
{
    int status = -1;
    QString out;
    QString err;
};

// Runs vesk-cmd as a console would, in C:\ + `dir`, with the drive's map.
CmdResult runCmd(const TempDrive &drive, const QString &dir, const QStringList &args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VESK_DOSDEVICES", drive.dosDevices());
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(drive.host(dir));
    process.start(batchRunnerPath(), args);
    process.waitForFinished(-1);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

// --- line handling -----------------------------------------------------------------------------

struct ExpandRow
{
    const char *name;
    QString line;
    QStringList params; // %0 first
    QString expanded;
};

class ExpandParameters : public ::testing::TestWithParam<ExpandRow>
{
};

TEST_P(ExpandParameters, ReplacesPercentSigns)
{
    EXPECT_EQ(expandParameters(GetParam().line, GetParam().params), GetParam().expanded);
}

const QString kDasm = "dasmh83 -o%2 %1 %2,%3>> %4out.txt";
const QString kC38 = "cc38h.exe -abs16 -CPU=300HA -INCLUDE=%1 %2 >> err.txt";

INSTANTIATE_TEST_SUITE_P(
    Rows, ExpandParameters,
    ::testing::Values(
        ExpandRow{"DasmWithTheImageOnly",
                  kDasm,
                  {"dasm.bat", "PROG.bin"},
                  "dasmh83 -o PROG.bin ,>> out.txt"},
        ExpandRow{"DasmFromTheCBuild",
                  kDasm,
                  {"dasm.bat", "main.bin", "ffdf10", "ffffff", "C:\\WORK\\"},
                  "dasmh83 -offdf10 main.bin ffdf10,ffffff>> C:\\WORK\\out.txt"},
        ExpandRow{
            "ParameterWithABlankKeepsItsQuotes",
            kC38,
            {"c38.bat", "C:\\My Tools\\", "C:\\WORK\\main.C"},
            "cc38h.exe -abs16 -CPU=300HA -INCLUDE=\"C:\\My Tools\\\" C:\\WORK\\main.C >> err.txt"},
        ExpandRow{"RedirectionSignInAParameterIsData", "prog %1", {"x.bat", "a>b"}, "prog \"a>b\""},
        ExpandRow{"DoublePercentIsOne", "echo 100%% %1", {"x.bat", "done"}, "echo 100% done"},
        ExpandRow{"OtherPercentSignsStay", "echo 50% %x a%", {"x.bat"}, "echo 50% %x a%"}),
    vesk::test::RowName());

struct RedirectRow
{
    const char *name;
    QString line;
    QStringList words; // of the line without its redirections
    QList<Redirection> redirections;
    bool ok = true;
};

class ParseRedirections : public ::testing::TestWithParam<RedirectRow>
{
};

TEST_P(ParseRedirections, SeparatesCommandAndTargets)
{
    Command command;
    ASSERT_EQ(parseRedirections(GetParam().line, command), GetParam().ok);
    if (!GetParam().ok)
        return;
    EXPECT_EQ(splitCommandLine(command.text), GetParam().words);
    EXPECT_EQ(command.redirections, GetParam().redirections);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseRedirections,
    ::testing::Values(
        RedirectRow{"DasmEmptyParameters",
                    "dasmh83 -o PROG.bin ,>> out.txt",
                    {"dasmh83", "-o", "PROG.bin", ","},
                    {{1, true, "out.txt"}}},
        RedirectRow{"DigitsGluedToTheSignAreData",
                    "dasmh83 -o0 a.bin 0,1000>> C:\\W\\out.txt",
                    {"dasmh83", "-o0", "a.bin", "0,1000"},
                    {{1, true, "C:\\W\\out.txt"}}},
        RedirectRow{"C38",
                    "cc38h.exe -INCLUDE=\"C:\\My Tools\\\" m.C >> err.txt",
                    {"cc38h.exe", "-INCLUDE=C:\\My Tools\\", "m.C"},
                    {{1, true, "err.txt"}}},
        RedirectRow{"AllKinds",
                    "prog <in.txt >out.txt 2>>e.txt x",
                    {"prog", "x"},
                    {{0, false, "in.txt"}, {1, false, "out.txt"}, {2, true, "e.txt"}}},
        RedirectRow{"HandleDigitOnlyAtAWordStart", "prog a2>b", {"prog", "a2"}, {{1, false, "b"}}},
        RedirectRow{"QuotedSignsAreText", "echo \"a > b\"", {"echo", "a > b"}, {}},
        RedirectRow{"QuotedTarget",
                    "prog >\"C:\\My Work\\\"out.txt",
                    {"prog"},
                    {{1, false, "C:\\My Work\\out.txt"}}},
        RedirectRow{
            "TargetEndsAtTheNextSign", "prog >a<b", {"prog"}, {{1, false, "a"}, {0, false, "b"}}},
        RedirectRow{"MissingTarget", "prog >", {}, {}, false}),
    vesk::test::RowName());

// --- the runner with the two batch files MakeBat writes ----------------------------------------

class BatchFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        drive.mkdir("work");
        script(drive, "tools/cc38h.exe", kShowArgs);
        script(drive, "tools/dasmh83.exe", kShowArgs);
        ASSERT_FALSE(MakeBat(drive.fs("tools")));
        options.binDir = "C:\\TOOLS\\";
        QFile::link(other.path(), drive.dosDevices() + "/d:");
    }
    // Starts a line as Vesk does and waits for the batch file to finish.
    void run(const QString &dir, const QString &line)
    {
        ProcessHandle handle;
        const Error error = startProgram(drive.fs(dir), line, options, &handle);
        ASSERT_FALSE(error) << error.message().toStdString();
        RecordingWindow window;
        while (!handle.hasEnded())
            window.processEvents(5);
        EXPECT_EQ(handle.exitCode(), 0);
    }
    TempDrive drive;
    QTemporaryDir other; // drive D:
    StartOptions options;
};

TEST_F(BatchFiles, CompilerLineAppendsToErrTxtOfTheCurrentDirectory)
{
    run("tools", "c38.bat C:\\TOOLS\\ C:\\WORK\\main.C");
    run("tools", "c38.bat " + quoteArg("C:\\My Tools\\") + " " + quoteArg("C:\\WORK\\a b.C"));
    EXPECT_EQ(drive.read("tools/err.txt"),
              "[-abs16][-CPU=300HA][-INCLUDE=C:\\TOOLS\\][C:\\WORK\\main.C]\n"
              "[-abs16][-CPU=300HA][-INCLUDE=C:\\My Tools\\][C:\\WORK\\a b.C]\n");
}

TEST_F(BatchFiles, DisassemblyWithTheImageOnlyAppendsInTheSourceDirectory)
{
    // As the disassembly mode starts it: from the source directory, no directory in front.
    run("work", "dasm.bat PROG.bin");
    run("work", "dasm.bat PROG.bin");
    EXPECT_EQ(drive.read("work/out.txt"), "[-o][PROG.bin][,]\n[-o][PROG.bin][,]\n");
    EXPECT_FALSE(drive.exists("tools/out.txt"));
}

TEST_F(BatchFiles, ListingGoesToADirectoryOnAnotherDrive)
{
    QDir(other.path()).mkpath("List");
    QFile old(other.path() + "/List/Out.TXT");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old\n");
    old.close();
    run("tools", "dasm.bat main.bin ffdf10 ffffff D:\\LIST\\");
    QFile listing(other.path() + "/List/Out.TXT");
    ASSERT_TRUE(listing.open(QIODevice::ReadOnly));
    EXPECT_EQ(listing.readAll(), "old\n[-offdf10][main.bin][ffdf10,ffffff]\n");
    EXPECT_EQ(QDir(other.path() + "/List").entryList(QDir::Files), QStringList{"Out.TXT"});
}

// --- the runner's own lines --------------------------------------------------------------------

TEST(BatchRunner, EchoRemRedirectionsAndTheLastStatus)
{
    TempDrive drive;
    script(drive, "tools/show.exe", kShowArgs + "\necho to-stderr >&2");
    script(drive, "tools/status.exe", "exit $1");
    script(drive, "tools/x", "touch ran-x");
    drive.write("tools/job.bat", "@echo off\n"
                                 "rem this > must-not-exist.txt\n"
                                 "echo hello %1> Greet.txt\n"
                                 "echo.>> greet.TXT\n"
                                 "show a;b$(x).c $(x) %2 2> err2.txt > args.txt\n"
                                 "status 4\n");
    const CmdResult r = runCmd(drive, "tools", {"job.bat", "World", "two words"});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out, ""); // echo off: no line is shown
    EXPECT_EQ(drive.read("tools/Greet.txt"), "hello World\r\n\r\n");
    EXPECT_EQ(drive.read("tools/args.txt"), "[a;b$(x).c][$(x)][two words]\n");
    EXPECT_EQ(drive.read("tools/err2.txt"), "to-stderr\n");
    EXPECT_FALSE(drive.exists("tools/must-not-exist.txt"));
    EXPECT_FALSE(drive.exists("tools/ran-x"));
}

TEST(BatchRunner, EchoOnShowsLinesAndFailedLinesDoNotStopTheBatch)
{
    TempDrive drive;
    drive.write("tools/job.bat", "nothere a\r\n@echo >\r\n@echo still> after.txt\r\n");
    CmdResult r = runCmd(drive, "tools", {"job.bat"});
    EXPECT_EQ(r.out, "\r\nC:\\tools>nothere a\r\n");
    EXPECT_TRUE(r.err.contains("nothere")) << r.err.toStdString();
    EXPECT_EQ(r.status, 1); // the syntax error was the last failure
    EXPECT_EQ(drive.read("tools/after.txt"), "still\r\n");

    drive.write("tools/job.bat", "nothere\r\n");
    EXPECT_EQ(runCmd(drive, "tools", {"job.bat"}).status, 127);
    EXPECT_EQ(runCmd(drive, "tools", {"missing.bat"}).status, 127);
}

TEST(BatchRunner, AnotherBatchFileTakesOverUnlessCalled)
{
    TempDrive drive;
    drive.write("tools/inner.bat", "@echo %1>> inner.txt\r\n");
    drive.write("tools/outer.bat", "@echo off\r\ncall inner first\r\necho back> back.txt\r\n"
                                   "inner second\r\necho never> never.txt\r\n");
    runCmd(drive, "tools", {"outer.bat"});
    EXPECT_EQ(drive.read("tools/inner.txt"), "first\r\nsecond\r\n");
    EXPECT_TRUE(drive.exists("tools/back.txt"));
    EXPECT_FALSE(drive.exists("tools/never.txt"));
}

struct QuoteRow
{
    const char *name;
    QStringList args; // the batch file first
};

class ParameterWithDoubleQuote : public ::testing::TestWithParam<QuoteRow>
{
};

TEST_P(ParameterWithDoubleQuote, IsRefusedBeforeAnyLineRuns)
{
    TempDrive drive;
    script(drive, "tools/show.exe", kShowArgs);
    const QByteArray lines = "@echo off\r\necho ran> ran.txt\r\nshow %1 %2\r\n";
    drive.write("tools/t.bat", lines);
    drive.write("tools/t\"x.bat", lines);
    drive.write("tools/victim.txt", "precious\n");

    const CmdResult r = runCmd(drive, "tools", GetParam().args);
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.err.startsWith("名前に \" があるため、ツールに渡せません。\n"))
        << r.err.toStdString();
    EXPECT_FALSE(drive.exists("tools/ran.txt"));
    EXPECT_EQ(drive.read("tools/victim.txt"), "precious\n");
}

INSTANTIATE_TEST_SUITE_P(Rows, ParameterWithDoubleQuote,
                         ::testing::Values(QuoteRow{"QuoteEndsTheQuotingBeforeARedirection",
                                                    {"t.bat", "a\">victim.txt\""}},
                                           QuoteRow{"LoneQuoteInALaterParameter",
                                                    {"t.bat", "ok", "b\"c"}},
                                           QuoteRow{"QuoteInTheBatchFileName", {"t\"x.bat", "ok"}}),
                         vesk::test::RowName());

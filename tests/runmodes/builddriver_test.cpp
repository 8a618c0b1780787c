#include "runmodes/builddriver.h"
#include "runmodes/toolrun.h"
#include "support/recordingwindow.h"
#include "support/rowname.h"
#include "support/tempdrive.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::copyTree;
using vesk::test::RecordingWindow;
using vesk::test::SteppedWindow;
using vesk::test::TempDrive;

namespace {

const QString kS19 = "S00600004844521B\r\nS1070000010203046E\r\nS9030000FC\r\n";

// A start-up directory, a source directory C:\WORK and a tool directory C:\TC whose tools are
// small shell scripts. Each records its call in C:\calls.txt; a marker file "fail-NAME" in
// the tool directory makes NAME write nothing and say "NAME: why" on standard error (and
// "NAME: out" on standard output), and "slow-NAME" makes it take 0.3 s first. "warn-cc38h"
// makes the compiler print a warning and succeed.
class Builds : public testing::Test
{
protected:
    void SetUp() override
    {
        d.write("start/RESETV_RAM.MAR", "; RAM\n");
        d.write("start/RESETV_ROM.MAR", "; ROM\n");
        d.mkdir("WORK");
        const QString calls = d.host("calls.txt");
        const QString tc = d.host("TC");
        auto tool = [&](const QString &name, const QString &body) {
            script(d, "TC/" + name + ".exe",
                   ("printf '%s\\n' \"" + name + " $*\" >> '" + calls + "'\n[ -e '" + tc +
                    "/fail-" + name + "' ] && { echo '" + name + ": out'; echo '" + name +
                    ": why' >&2; exit 1; }\n[ -e '" + tc + "/warn-" + name +
                    "' ] && echo 'main.c:1: warning: comparison is always true'\n[ -e '" + tc +
                    "/slow-" + name + "' ] && sleep 0.3\n" + body)
                       .toUtf8());
        };
        tool("a38h",
             "b=\"${1%.*}\"; : > \"$b.obj\"; [ -e '" + tc + "/nolis' ] || : > \"$b.lis\"\n");
        tool("l38h", "out=; for a in \"$@\"; do case \"$a\" in -output=*) out=\"${a#-output=}\";; "
                     "esac; done\n[ -n \"$out\" ] || { f=\"${1%%,*}\"; out=\"${f%.*}\"; }\n"
                     ": > \"$out.abs\"; : > \"$out.map\"\n");
        tool("c38h",
             "printf '" + QString(kS19).replace("\r\n", "\\r\\n") + "' > \"${1%.*}.mot\"\n");
        tool("cc38h", "for a; do s=\"$a\"; done; b=\"${s##*\\\\}\"; : > \"${b%.*}.obj\"\n");
        tool("dasmh83", "echo \"listing $*\"\n");
        // Failing compiles print their messages on standard output, as the compiler does.
        d.write("TC/compile-error.txt", "main.c(3): error: \"x\" undeclared, near y\n");

        state.StartDir = "C:\\start";
        state.WorkDir = "C:\\WORK\\";
        state.BinDir = "C:\\TC\\";
        window.m_fileListDir = "C:\\WORK";
        driver.startOptions().batchRunner =
            qEnvironmentVariable("VESK_BINARY_DIR") + "/bin/vesk-cmd";
        driver.templateDir() = d.host("installed");
    }

    QStringList calls() const
    {
        return QString::fromUtf8(d.read("calls.txt")).split('\n', Qt::SkipEmptyParts);
    }
    // Read through the drive map, so the letter case of the name does not matter.
    QByteArray bytes(const QString &dosPath) const
    {
        QByteArray out;
        (void)fs.readAll(dosPath, out); // a missing file reads as empty, which the checks show
        return out;
    }
    void fail(const QString &tool) const { d.write("TC/fail-" + tool, ""); }
    // A disassembly runs on after its mode returned, and reports when it ends.
    static void waitForTools()
    {
        QDeadlineTimer deadline(20000);
        while (runningPrograms() > 0 && !deadline.hasExpired()) {
            QCoreApplication::processEvents();
            QThread::msleep(10);
        }
        QCoreApplication::processEvents();
    }
    void slow(const QString &tool) const { d.write("TC/slow-" + tool, ""); }
    void selectAndRun(const QString &file, int mode)
    {
        window.m_selectedFile = file;
        window.m_mode = mode;
        driver.Run();
    }

    TempDrive d;
    DosFs fs = d.fs("start");
    MainState state;
    SteppedWindow window;
    BuildDriver driver{state, fs, window, window, window, window.clock()};
};

TEST_F(Builds, AssemblyBuildLogsFourStagesAndEnablesTransfer)
{
    d.write("WORK/TEST.MAR", "; source\n");
    selectAndRun("TEST.MAR", 0);
    EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    EXPECT_EQ(window.log(),
              "TEST:アセンブルＯＫ\r\nTEST:リンクＯＫ\r\nTEST:ＭＯＴコンバートＯＫ\r\n"
              "TEST:ＢＩＮコンバートＯＫ\r\n");
    EXPECT_EQ(calls(), (QStringList{"a38h TEST.mar", "l38h TEST.obj", "c38h TEST.abs"}));
    EXPECT_EQ(window.label1(), "TEST.bin");
    EXPECT_TRUE(window.transferEnabled());
    EXPECT_EQ(state.transferImage, "C:\\WORK\\TEST.bin");
    EXPECT_EQ(bytes("C:\\WORK\\TEST.bin"), QByteArray("\x01\x02\x03\x04"));
    EXPECT_EQ(fs.currentDir(), "C:\\WORK");
    EXPECT_EQ(state.fname, "TEST");
}

struct StageFailure
{
    const char *name;
    const char *tool;
    QString message;
    int logLines;
};

class AssemblyFailures : public Builds, public testing::WithParamInterface<StageFailure>
{
};

TEST_P(AssemblyFailures, StopAtTheStageWithItsMessage)
{
    d.write("WORK/TEST.mar", "");
    // Stale outputs, each in two letter cases: none may satisfy a wait.
    for (const QString ext : {"obj", "abs", "mot"}) {
        d.write("WORK/TEST." + ext, "stale");
        d.write("WORK/test." + ext.toUpper(), "stale");
    }
    window.m_transfer = true;
    window.m_label1 = "OLD.bin";
    fail(GetParam().tool);
    selectAndRun("TEST.mar", 0);
    EXPECT_EQ(window.messages, QStringList{GetParam().message});
    // After the stage lines, all the tool said, in the order it said it.
    EXPECT_EQ(window.log().count("\r\n"), GetParam().logLines + 2);
    EXPECT_TRUE(window.log().endsWith(QString(GetParam().tool) + ": out\r\n" + GetParam().tool +
                                      ": why\r\n"))
        << window.log().toStdString();
    EXPECT_FALSE(window.transferEnabled());
    EXPECT_EQ(window.label1(), "OLD.bin");
    EXPECT_EQ(calls().size(), GetParam().logLines + 1) << "no later tool starts";
}

INSTANTIATE_TEST_SUITE_P(Stages, AssemblyFailures,
                         testing::Values(StageFailure{"Assembler", "a38h", "アセンブル　エラー", 0},
                                         StageFailure{"Linker", "l38h", "リンク　エラー", 1},
                                         StageFailure{"Converter", "c38h",
                                                      "ＭＯＴコンバート　エラー", 2}),
                         vesk::test::RowName());

TEST_F(Builds, RamBuildLogsFiveLinesCopiesResultsAndDisassembles)
{
    d.write("WORK/main.c", "int main(void){return 0;}\n");
    d.write("WORK/out.txt", "old listing\n");
    selectAndRun("main.c", 2);
    EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    EXPECT_EQ(window.log(), "main:RESETV ＯＫ\r\nmain:コンパイルＯＫ\r\nmain:リンクＯＫ\r\n"
                            "main:ＭＯＴコンバートＯＫ\r\nmain:ＢＩＮコンバートＯＫ\r\n");
    EXPECT_EQ(d.read("WORK/RESETV.MAR"), "; RAM\n");
    for (const char *file : {"main.obj", "main.abs", "main.map", "main.mot"})
        EXPECT_TRUE(d.exists(QString("WORK/") + file)) << file;
    EXPECT_EQ(bytes("C:\\WORK\\main.bin"), QByteArray("\x01\x02\x03\x04"));
    const QStringList c = calls();
    ASSERT_EQ(c.size(), 5) << c.join("|").toStdString();
    EXPECT_EQ(c[0], "a38h RESETV.MAR");
    EXPECT_EQ(c[1], "cc38h -abs16 -CPU=300HA -INCLUDE=C:\\TC\\ C:\\WORK\\main.C");
    EXPECT_EQ(c[2], "l38h C:\\WORK\\resetv.obj,main.obj -start=P(0FFDF50) -output=main "
                    "-print=main -library=c38hab");
    EXPECT_EQ(c[3], "c38h main.abs");
    EXPECT_EQ(c[4], "dasmh83 -offdf10 main.bin ffdf10,ffffff");
    EXPECT_EQ(d.read("WORK/out.txt"), "listing -offdf10 main.bin ffdf10,ffffff\n")
        << "the old listing is deleted first";
    EXPECT_EQ(d.read("TC/C38.bat"), "cc38h.exe -abs16 -CPU=300HA -INCLUDE=%1 %2 >> err.txt\r\n");
    EXPECT_TRUE(window.transferEnabled());
    EXPECT_EQ(window.label1(), "main.bin");
    EXPECT_EQ(state.transferImage, "C:\\TC\\main.bin") << "the image the build made, not its copy";
    EXPECT_EQ(fs.currentDir(), "C:\\TC");
}

TEST_F(Builds, RomBuildUsesTheRomTemplateAndLeavesTransferDisabled)
{
    d.write("WORK/main.c", "");
    window.m_rom = true;
    state.MainOfs = 0x200;
    window.m_transfer = true;
    window.m_label1 = "old";
    selectAndRun("main.c", 2);
    EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    EXPECT_EQ(d.read("WORK/RESETV.MAR"), "; ROM\n");
    const QStringList c = calls();
    ASSERT_EQ(c.size(), 5);
    EXPECT_TRUE(c[2].contains(" -start=P(0200) "));
    EXPECT_EQ(c[4], "dasmh83 -o0 main.bin 0,1000");
    EXPECT_FALSE(window.transferEnabled());
    EXPECT_EQ(window.label1(), "");
}

TEST_F(Builds, WithoutTheDisassemblerTheBuildEndsAfterTheImage)
{
    d.write("WORK/main.c", "");
    QFile::remove(d.host("TC/dasmh83.exe"));
    selectAndRun("main.c", 2);
    EXPECT_TRUE(window.messages.isEmpty());
    EXPECT_EQ(window.log().count("\r\n"), 5);
    EXPECT_FALSE(d.exists("WORK/out.txt"));
    EXPECT_TRUE(window.transferEnabled());
}

TEST_F(Builds, SourceDirectoryEqualToToolDirectory)
{
    d.write("TC/main.c", "");
    state.BinDir = "C:\\TC\\";
    window.m_fileListDir = "C:\\TC";
    d.write("start/RESETV_RAM.MAR", "; RAM\n");
    selectAndRun("main.c", 2);
    EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    EXPECT_EQ(window.log().count("\r\n"), 5);
    EXPECT_EQ(bytes("C:\\TC\\main.bin"), QByteArray("\x01\x02\x03\x04"));
}

TEST_F(Builds, CompileErrorPutsTheCompilersMessagesInTheLog)
{
    d.write("WORK/main.c", "");
    // This compiler prints its message and writes no object.
    d.write("TC/cc38h.exe", QByteArray("#!/bin/sh\ncat '") +
                                d.host("TC/compile-error.txt").toUtf8() + "'\nexit 1\n");
    QFile::setPermissions(d.host("TC/cc38h.exe"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    d.write("TC/main.obj", "stale");
    d.write("WORK/main.obj", "previous copy");
    selectAndRun("main.c", 2);
    EXPECT_EQ(window.messages, QStringList{"コンパイル　エラー"});
    EXPECT_EQ(window.log(), "main:RESETV ＯＫ\r\nmain.c(3): error: \"x\" undeclared\r\nnear y\r\n");
    EXPECT_TRUE(d.exists("WORK/err.txt"));
    EXPECT_FALSE(d.exists("TC/main.obj")) << "the stale object is deleted before compiling";
    EXPECT_EQ(d.read("WORK/main.obj"), "previous copy");
    EXPECT_EQ(calls().size(), 1) << "neither linker nor converters start";
    EXPECT_FALSE(window.transferEnabled());
}

class CompileFailures : public Builds, public testing::WithParamInterface<StageFailure>
{
};

TEST_P(CompileFailures, StopAtTheStageWithItsMessage)
{
    d.write("WORK/main.c", "");
    for (const QString ext : {"abs", "mot"}) {
        d.write("TC/main." + ext, "stale");
        d.write("TC/MAIN." + ext.toUpper(), "stale");
    }
    fail(GetParam().tool);
    selectAndRun("main.c", 2);
    EXPECT_EQ(window.messages, QStringList{GetParam().message});
    EXPECT_EQ(window.log().count("\r\n"), GetParam().logLines + 2);
    EXPECT_TRUE(window.log().endsWith(QString(GetParam().tool) + ": out\r\n" + GetParam().tool +
                                      ": why\r\n"))
        << window.log().toStdString();
    EXPECT_FALSE(window.transferEnabled());
    EXPECT_EQ(window.label1(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Stages, CompileFailures,
    testing::Values(StageFailure{"ResetVectorAssembler", "a38h", "アセンブル　エラー", 0},
                    StageFailure{"Linker", "l38h", "リンク　エラー", 2},
                    StageFailure{"Converter", "c38h", "ＭＯＴコンバート　エラー", 3}),
    vesk::test::RowName());

TEST_F(Builds, ResetVectorFailuresKeepFnameAndTheSourceDirectory)
{
    d.write("WORK/main.c", "");
    state.fname = "previous";
    fail("a38h");
    selectAndRun("main.c", 2);
    EXPECT_EQ(window.messages, QStringList{"アセンブル　エラー"});
    EXPECT_EQ(window.log(), "a38h: out\r\na38h: why\r\n");
    EXPECT_EQ(state.fname, "previous");
    EXPECT_EQ(fs.currentDir(), "C:\\WORK");
}

TEST_F(Builds, ListingWaitAcceptsAStaleListing)
{
    d.write("WORK/main.c", "");
    d.write("TC/nolis", "");
    selectAndRun("main.c", 2);
    EXPECT_EQ(window.messages, QStringList{"アセンブル　エラー"}) << "no listing, no stale one";
    EXPECT_EQ(window.log(), "main:RESETV ＯＫ\r\n");

    window.messages.clear();
    d.write("WORK/RESETV.lis", "stale");
    driver.Run();
    EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
}

TEST_F(Builds, UserBatchFileThatWritesNoListingIsADisassemblyError)
{
    d.write("WORK/main.c", "");
    d.write("TC/dasm.bat", "rem this one writes nothing\r\n");
    selectAndRun("main.c", 2);
    EXPECT_EQ(window.messages, QStringList{"逆アセンブル　エラー"});
    EXPECT_EQ(window.log().count("\r\n"), 5);
    EXPECT_FALSE(window.transferEnabled());
}

TEST_F(Builds, FileSystemErrorsEndTheBuildWithTheirPath)
{
    d.write("WORK/main.c", "");
    QFile::remove(d.host("start/RESETV_RAM.MAR"));
    selectAndRun("main.c", 2);
    ASSERT_EQ(window.messages.size(), 1);
    EXPECT_TRUE(window.messages[0].contains("C:\\start\\RESETV_RAM.MAR"));
    EXPECT_TRUE(calls().isEmpty());

    // A tool that cannot be found is named.
    window.messages.clear();
    state.BinDir = "C:\\NOTOOLS\\";
    d.mkdir("NOTOOLS");
    d.write("WORK/T.mar", "");
    selectAndRun("T.mar", 0);
    ASSERT_EQ(window.messages.size(), 1);
    EXPECT_TRUE(window.messages[0].contains("a38h"));
    EXPECT_FALSE(window.transferEnabled());
}

TEST_F(Builds, SecondRunDuringAWaitIsRefusedWithABeep)
{
    d.write("WORK/TEST.MAR", "");
    int reentered = 0;
    window.onYield = [&] {
        if (reentered++ == 0) {
            window.m_selectedFile = "OTHER.MAR";
            driver.Run();
        }
    };
    selectAndRun("TEST.MAR", 0);
    window.onYield = nullptr;
    EXPECT_EQ(window.beeps, 1);
    EXPECT_EQ(state.fname, "TEST");
    EXPECT_EQ(window.log().count("\r\n"), 4);
    EXPECT_FALSE(driver.busy());
}

TEST_F(Builds, MotModeConvertsInTheSelectedDirectoryAndNamesTheImage)
{
    d.write("WORK/PROG.MOT", kS19.toLatin1());
    d.write("WORK/prog.bin", QByteArray(500, 'x'));
    window.m_log = "kept\r\n";
    window.m_label1 = "OLD.bin";
    selectAndRun("PROG.MOT", 1);
    EXPECT_TRUE(window.messages.isEmpty());
    EXPECT_EQ(bytes("C:\\WORK\\prog.bin"), QByteArray("\x01\x02\x03\x04"));
    // The image as it is named on disk, and its new size.
    EXPECT_EQ(window.log(), "kept\r\nPROG:ＢＩＮコンバートＯＫ（prog.bin 4 バイト）\r\n");
    EXPECT_EQ(window.label1(), "OLD.bin");
    EXPECT_FALSE(window.transferEnabled());
    EXPECT_EQ(fs.currentDir(), "C:\\WORK");

    // A file that vanished from the list is reported, and the image made from it stays.
    QFile::remove(d.host("WORK/PROG.MOT"));
    window.m_log = "kept\r\n";
    selectAndRun("PROG.MOT", 1);
    EXPECT_EQ(window.messages.size(), 1);
    EXPECT_EQ(window.log(), "kept\r\n");
    EXPECT_EQ(bytes("C:\\WORK\\prog.bin"), QByteArray("\x01\x02\x03\x04"));
}

TEST_F(Builds, DisassemblyStartsTheBatchFileFoundThroughTheToolDirectory)
{
    d.write("WORK/PROG.BIN", "\x01\x02");
    ASSERT_FALSE(fs.makeCurrent("C:\\TC"));
    ASSERT_FALSE(MakeBat(fs));
    window.m_log = "kept\r\n";
    window.m_label1 = "OLD.bin";
    selectAndRun("PROG.BIN", 3);
    EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    EXPECT_EQ(fs.currentDir(), "C:\\WORK");
    EXPECT_EQ(window.log(), "kept\r\n") << "nothing is said before the listing is written";
    waitForTools();
    EXPECT_EQ(d.read("WORK/out.txt"), "listing -o PROG.bin ,\n");
    EXPECT_EQ(window.log(), "kept\r\nC:\\WORK\\out.txt に逆アセンブルしました\r\n");
    EXPECT_EQ(window.label1(), "OLD.bin");

    // A listing that did not grow: what the tool said instead.
    fail("dasmh83");
    window.m_log.clear();
    selectAndRun("PROG.BIN", 3);
    waitForTools();
    EXPECT_EQ(window.log(), "dasmh83: why\r\n") << "its standard output went to out.txt";
    EXPECT_FALSE(window.transferEnabled());
}

TEST_F(Builds, RunWithoutASelectionOnlyAsks)
{
    window.m_fileListDir = "C:\\ELSEWHERE";
    selectAndRun("", 2);
    EXPECT_EQ(window.messages, QStringList{"ﾌｧｲﾙを選択してください。"});
    EXPECT_EQ(state.WorkDir, "C:\\WORK\\");
    EXPECT_TRUE(calls().isEmpty());
}

TEST_F(Builds, RunTakesTheListDirectoryWithABackslash)
{
    d.write("a.mot", kS19.toLatin1());
    window.m_fileListDir = "C:\\";
    selectAndRun("a.mot", 1);
    EXPECT_EQ(state.WorkDir, "C:\\");
    window.m_fileListDir = "C:\\WORK";
    d.write("WORK/b.mot", kS19.toLatin1());
    selectAndRun("b.mot", 1);
    EXPECT_EQ(state.WorkDir, "C:\\WORK\\");
}

TEST_F(Builds, NamesWithBlanksReachTheToolsWhole)
{
    d.write("my work/main.c", "");
    state.WorkDir = "C:\\my work\\";
    window.m_fileListDir = "C:\\my work";
    selectAndRun("main.c", 2);
    EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    const QStringList c = calls();
    ASSERT_GE(c.size(), 3);
    EXPECT_EQ(c[1], "cc38h -abs16 -CPU=300HA -INCLUDE=C:\\TC\\ C:\\my work\\main.C");
    EXPECT_EQ(bytes("C:\\my work\\main.bin").size(), 4);
}

} // namespace

namespace {

TEST_F(Builds, CheckBoxClickedMidBuildDoesNotMixRamAndRom)
{
    d.write("WORK/main.c", "");
    bool clicked = false;
    window.onYield = [&] {
        if (!clicked) {
            clicked = true;
            window.m_rom = true;
            state.MainOfs = 0x200;
        }
    };
    selectAndRun("main.c", 2);
    window.onYield = nullptr;
    EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    EXPECT_EQ(d.read("WORK/RESETV.MAR"), "; RAM\n");
    const QStringList c = calls();
    ASSERT_EQ(c.size(), 5);
    EXPECT_TRUE(c[2].contains(" -start=P(0FFDF50) "));
    EXPECT_EQ(c[4], "dasmh83 -offdf10 main.bin ffdf10,ffffff");
    EXPECT_TRUE(window.transferEnabled());
}

TEST_F(Builds, BatchFileBesideTheSourceFindsItsProgramInTheToolDirectory)
{
    d.write("WORK/PROG.BIN", "\x01\x02");
    d.write("WORK/dasm.bat", "dasmh83 -o%2 %1 %2,%3>> %4out.txt\r\n");
    selectAndRun("PROG.BIN", 3);
    EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    QDeadlineTimer deadline(20000);
    while (!d.read("WORK/out.txt").contains('\n') && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    EXPECT_EQ(d.read("WORK/out.txt"), "listing -o PROG.bin ,\n");
}

} // namespace

namespace {

TEST_F(Builds, NameWithADoubleQuoteIsRefusedBeforeAnyToolStarts)
{
    d.write("WORK/a\"b.mar", "");
    selectAndRun("a\"b.mar", 0);
    ASSERT_EQ(window.messages.size(), 1);
    EXPECT_TRUE(window.messages[0].contains("a\"b")) << window.messages[0].toStdString();
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_FALSE(window.transferEnabled());
}

} // namespace

namespace {

// A machine so loaded that each tool takes many seconds: the builds still succeed.
TEST_F(Builds, SlowToolsAreWaitedForWhileTheyRun)
{
    d.write("WORK/TEST.MAR", "");
    d.write("WORK/main.c", "");
    for (const char *tool : {"a38h", "l38h", "c38h", "cc38h", "dasmh83"})
        slow(tool);
    // While a tool runs, the clock moves a second on each of the first ten readings, far past
    // the three seconds a tool once had, then stands still until the tool has ended.
    std::chrono::nanoseconds now{0};
    int readings = 0;
    const MonotonicClock clock = [&] {
        if (runningPrograms() == 0)
            readings = 0;
        else if (readings++ < 10)
            now += std::chrono::seconds(1);
        return now;
    };
    BuildDriver loaded{state, fs, window, window, window, clock};
    loaded.startOptions() = driver.startOptions();
    window.m_selectedFile = "TEST.MAR";
    window.m_mode = 0;
    loaded.Run();
    EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    EXPECT_EQ(window.log().count("\r\n"), 4);

    window.m_selectedFile = "main.c";
    window.m_mode = 2;
    loaded.Run();
    EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    EXPECT_EQ(window.log().count("\r\n"), 5);
    EXPECT_TRUE(window.transferEnabled());
}

TEST_F(Builds, TransferKeepsTheImageOfTheLastBuildWhateverModeRanSince)
{
    d.write("WORK/TEST.MAR", "");
    selectAndRun("TEST.MAR", 0);
    ASSERT_TRUE(window.transferEnabled());
    d.write("OTHER/PROG.MOT", kS19.toLatin1());
    window.m_fileListDir = "C:\\OTHER";
    selectAndRun("PROG.MOT", 1);
    EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    EXPECT_EQ(state.fname, "PROG");
    EXPECT_EQ(fs.currentDir(), "C:\\OTHER");
    EXPECT_EQ(window.label1(), "TEST.bin");
    EXPECT_EQ(state.transferImage, "C:\\WORK\\TEST.bin");

    // A C build clears the label, and with it the image to send, until it succeeds.
    fail("cc38h");
    d.write("WORK/main.c", "");
    window.m_fileListDir = "C:\\WORK";
    selectAndRun("main.c", 2);
    EXPECT_EQ(window.label1(), "");
    EXPECT_EQ(state.transferImage, "");
}

struct CommaRow
{
    const char *name;
    QString workDir; // below C:, the file list's directory
    QString binDir;  // DOS
    QString file;
    int mode;
    QString refused; // the name refused; empty: the build runs
};

class CommaNames : public Builds, public testing::WithParamInterface<CommaRow>
{
};

TEST_P(CommaNames, AreRefusedWhereAToolReadsAList)
{
    const CommaRow &row = GetParam();
    d.write(row.workDir + "/" + row.file, "");
    window.m_fileListDir = "C:\\" + row.workDir;
    state.BinDir = row.binDir;
    if (row.refused.isEmpty())
        copyTree(d.host("TC"), d.host("T,C"));
    selectAndRun(row.file, row.mode);
    if (row.refused.isEmpty()) {
        EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
        EXPECT_EQ(window.log().count("\r\n"), 4);
        return;
    }
    EXPECT_EQ(window.messages,
              QStringList{"名前に , があるため、ツールに渡せません。\n" + row.refused});
    EXPECT_TRUE(calls().isEmpty()) << calls().join("|").toStdString();
    EXPECT_FALSE(window.transferEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CommaNames,
    testing::Values(
        CommaRow{"WorkDirOfACBuild", "WO,RK", "C:\\TC\\", "main.c", 2, "C:\\WO,RK\\"},
        CommaRow{"BinDirOfACBuild", "WORK", "C:\\T,C\\", "main.c", 2, "C:\\T,C\\"},
        CommaRow{"BaseNameOfACBuild", "WORK", "C:\\TC\\", "a,b.c", 2, "a,b"},
        CommaRow{"BaseNameOfAnAssembly", "WORK", "C:\\TC\\", "a,b.mar", 0, "a,b"},
        CommaRow{"BaseNameOfADisassembly", "WORK", "C:\\TC\\", "a,b.bin", 3, "a,b"},
        // An assembly names its files relative to WorkDir and its tools by the program word.
        CommaRow{"DirectoriesOfAnAssemblyPass", "WO,RK", "C:\\T,C\\", "TEST.mar", 0, ""}),
    vesk::test::RowName());

} // namespace

namespace {

TEST_F(Builds, WarningsOfACompileThatSucceedsFollowItsOkLine)
{
    d.write("WORK/main.c", "");
    d.write("TC/warn-cc38h", "");
    selectAndRun("main.c", 2);
    EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    EXPECT_EQ(window.log(),
              "main:RESETV ＯＫ\r\nmain:コンパイルＯＫ\r\n"
              "main.c:1: warning: comparison is always true\r\n"
              "main:リンクＯＫ\r\nmain:ＭＯＴコンバートＯＫ\r\nmain:ＢＩＮコンバートＯＫ\r\n");
    EXPECT_TRUE(window.transferEnabled());
}

struct TemplateRow
{
    const char *name;
    bool inStartDir;
    bool installed;
    QByteArray expected; // RESETV.MAR made; empty: the copy fails and names the start-up file
};

class Templates : public Builds, public testing::WithParamInterface<TemplateRow>
{
};

TEST_P(Templates, ComeFromTheStartUpDirectoryElseFromTheInstalledFolder)
{
    const TemplateRow &row = GetParam();
    d.write("WORK/main.c", "");
    if (!row.inStartDir)
        QFile::remove(d.host("start/RESETV_RAM.MAR"));
    if (row.installed)
        d.write("installed/RESETV_RAM.MAR", "; installed RAM\n");
    selectAndRun("main.c", 2);
    if (row.expected.isEmpty()) {
        ASSERT_EQ(window.messages.size(), 1);
        EXPECT_TRUE(window.messages[0].contains("C:\\start\\RESETV_RAM.MAR"))
            << window.messages[0].toStdString();
        EXPECT_TRUE(calls().isEmpty());
        return;
    }
    EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    EXPECT_EQ(d.read("WORK/RESETV.MAR"), row.expected);
    EXPECT_EQ(window.log().count("\r\n"), 5);
}

INSTANTIATE_TEST_SUITE_P(Rows, Templates,
                         testing::Values(TemplateRow{"StartUpDirectoryFirst", true, true,
                                                     "; RAM\n"},
                                         TemplateRow{"InstalledWhenTheStartUpDirectoryHasNone",
                                                     false, true, "; installed RAM\n"},
                                         TemplateRow{"NeitherIsTheCopyError", false, false, ""}),
                         vesk::test::RowName());

} // namespace

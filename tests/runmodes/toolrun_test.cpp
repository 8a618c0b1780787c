#include "runmodes/toolrun.h"
#include "support/recordingwindow.h"
#include "support/tempdrive.h"
#include "support/rowname.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <utility>

using namespace vesk;
using namespace std::chrono_literals;
using vesk::test::RecordingWindow;
using vesk::test::TempDrive;

namespace {

// Records the wait of every pass, so a pass that does not sleep shows.
class PassWindow : public RecordingWindow
{
public:
    void processEvents(int waitMs) override
    {
        waits << waitMs;
        RecordingWindow::processEvents(waitMs);
    }
    QList<int> waits;
};

// Advances by `step` on every reading; `onRead` sees each reading.
struct SteppingClock
{
    std::chrono::nanoseconds step;
    std::function<void(std::chrono::nanoseconds)> onRead = {};
    std::shared_ptr<std::chrono::nanoseconds> now = std::make_shared<std::chrono::nanoseconds>(0);

    std::chrono::nanoseconds operator()() const
    {
        if (onRead)
            onRead(*now);
        return std::exchange(*now, *now + step);
    }
};

} // namespace

// --- MakeBat -----------------------------------------------------------------------------------

const QByteArray kC38Line = "cc38h.exe -abs16 -CPU=300HA -INCLUDE=%1 %2 >> err.txt\r\n";
const QByteArray kDasmLine = "dasmh83 -o%2 %1 %2,%3>> %4out.txt\r\n";

struct MakeBatRow
{
    const char *name;
    QStringList existing; // written with the text "keep" before the call
    QStringList afterwards;
};

class MakeBatTable : public ::testing::TestWithParam<MakeBatRow>
{
};

TEST_P(MakeBatTable, WritesOnlyWhatIsMissing)
{
    TempDrive drive;
    drive.mkdir("tools");
    for (const QString &name : GetParam().existing)
        drive.write("tools/" + name, "keep");
    ASSERT_FALSE(MakeBat(drive.fs("tools")));
    QStringList names = QDir(drive.host("tools")).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(names, GetParam().afterwards);
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray expected = GetParam().existing.contains(name) ? QByteArray("keep")
                                    : name == "C38.bat"                ? kC38Line
                                                                       : kDasmLine;
        EXPECT_EQ(drive.read("tools/" + name), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, MakeBatTable,
                         ::testing::Values(MakeBatRow{"NeitherExists", {}, {"C38.bat", "dasm.bat"}},
                                           MakeBatRow{
                                               "C38Exists", {"C38.bat"}, {"C38.bat", "dasm.bat"}},
                                           MakeBatRow{"BothExistInOtherCase",
                                                      {"DASM.BAT", "c38.bat"},
                                                      {"DASM.BAT", "c38.bat"}}),
                         vesk::test::RowName());

TEST(MakeBat, BatchFileThatCannotBeWrittenIsAnError)
{
    TempDrive drive;
    drive.mkdir("tools/C38.bat"); // a directory is no ordinary file, and cannot be replaced
    const Error error = MakeBat(drive.fs("tools"));
    EXPECT_TRUE(error);
    EXPECT_TRUE(error.path.endsWith("C38.bat", Qt::CaseInsensitive)) << error.path.toStdString();
    EXPECT_FALSE(drive.exists("tools/dasm.bat"));
}

// --- WaitLoop, counted -------------------------------------------------------------------------

struct WaitRow
{
    const char *name;
    QString before;  // made before the wait, below C:\ ("/" at the end: a directory)
    QString waitFor; // from the current directory C:\WORK
    std::chrono::milliseconds step;
    int createAt; // WORK/TEST.obj appears during that yield; -1: once the clock is past 3 s
    bool timedOut;
    int yields;
};

class WaitLoopTable : public ::testing::TestWithParam<WaitRow>
{
};

TEST_P(WaitLoopTable, CountsPasses)
{
    const WaitRow &row = GetParam();
    TempDrive drive;
    drive.mkdir("work");
    if (row.before.endsWith('/'))
        drive.mkdir(row.before);
    else if (!row.before.isEmpty())
        drive.write(row.before, "x");
    PassWindow window;
    window.realEvents = false;
    window.onYield = [&] {
        if (window.yields == row.createAt)
            drive.write("work/TEST.obj", "x");
    };
    SteppingClock clock{row.step, [&](std::chrono::nanoseconds t) {
                            if (row.createAt < 0 && t > kOutputTimeLimit)
                                drive.write("work/TEST.obj", "x");
                        }};
    EXPECT_EQ(WaitLoop(drive.fs("work"), window, row.waitFor, clock), row.timedOut);
    EXPECT_EQ(window.yields, row.yields);
    // Only the first pass takes just what is pending; every later one may sleep.
    for (qsizetype i = 1; i < window.waits.size(); ++i)
        EXPECT_GT(window.waits[i], 0) << "a pass that does not sleep keeps a core busy";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WaitLoopTable,
    ::testing::Values(
        WaitRow{"ExistingFileAfterOneYield", "work/TEST.obj", "TEST.obj", 1000ms, 0, false, 1},
        WaitRow{"NeverCreatedTimesOutOnTheFirstPassPast3s", "", "TEST.obj", 1000ms, 0, true, 3},
        WaitRow{"Exactly3sIsNotYetLate", "", "TEST.obj", 500ms, 0, true, 6},
        WaitRow{"AppearsDuringTheThirdYield", "", "TEST.obj", 1000ms, 3, false, 3},
        WaitRow{"TimeIsTestedBeforeTheFile", "", "TEST.obj", 1000ms, -1, true, 3},
        WaitRow{"NameMatchesWithoutCase", "", "test.OBJ", 1000ms, 1, false, 1},
        WaitRow{"FullPathIsTestedThere", "other/TEST.obj", "C:\\OTHER\\TEST.OBJ", 1000ms, 0, false,
                1}),
    vesk::test::RowName());

// --- WaitLoop on a started tool ----------------------------------------------------------------

class WaitForTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        drive.mkdir("work");
        options.binDir = "C:\\TOOLS\\";
    }
    ProcessHandle start(const QByteArray &body)
    {
        script(drive, "tools/tool.exe", body);
        ProcessHandle handle;
        const Error error = startProgram(drive.fs("work"), "tool", options, &handle);
        EXPECT_FALSE(error) << error.message().toStdString();
        return handle;
    }
    TempDrive drive;
    StartOptions options;
    RecordingWindow window;
};

TEST_F(WaitForTool, FileWrittenAfterOneSecond)
{
    const ProcessHandle tool = start("sleep 1\necho x > TEST.obj");
    EXPECT_FALSE(WaitLoop(drive.fs("work"), window, "TEST.obj", tool));
}

TEST_F(WaitForTool, ToolStillWritingIsWaitedFor)
{
    // The file appears at once but is complete only when the tool ends.
    const ProcessHandle tool = start("echo part > TEST.obj\nsleep 0.5\necho rest >> TEST.obj");
    EXPECT_FALSE(WaitLoop(drive.fs("work"), window, "TEST.obj", tool));
    EXPECT_TRUE(tool.hasEnded());
    EXPECT_EQ(drive.read("work/TEST.obj"), "part\nrest\n");
}

TEST_F(WaitForTool, FileNeverWritten)
{
    const ProcessHandle tool = start("exit 1");
    EXPECT_TRUE(WaitLoop(drive.fs("work"), window, "TEST.obj", tool, SteppingClock{250ms}));
}

TEST_F(WaitForTool, ToolRunningOnLongAfterItsFileTimesOut)
{
    const ProcessHandle tool = start("echo x > TEST.obj\nexec sleep 30");
    // The clock stands still until the file is there, then a second passes on each reading;
    // the passes need no real events, so they run at once.
    window.realEvents = false;
    auto now = std::make_shared<std::chrono::nanoseconds>(0);
    const MonotonicClock clock = [&, now] {
        if (drive.exists("work/TEST.obj"))
            *now += 1s;
        return *now;
    };
    EXPECT_TRUE(WaitLoop(drive.fs("work"), window, "TEST.obj", tool, clock));
    EXPECT_GT(*now, kFinishTimeLimit);
    EXPECT_FALSE(tool.hasEnded());
    ::kill(static_cast<pid_t>(tool.processId()), SIGKILL);
}

TEST_F(WaitForTool, FileDeletedBeforeTheToolEndsIsNoOutput)
{
    const ProcessHandle tool = start("echo x > TEST.obj\nsleep 0.2\nrm TEST.obj");
    // Time stands still while the tool runs, then a second passes on each reading.
    auto now = std::make_shared<std::chrono::nanoseconds>(0);
    const MonotonicClock clock = [&, now] {
        if (tool.hasEnded())
            *now += 1s;
        return *now;
    };
    EXPECT_TRUE(WaitLoop(drive.fs("work"), window, "TEST.obj", tool, clock));
    // Judged by the first limit again, not by the one for a tool that runs on.
    EXPECT_LT(*now, kFinishTimeLimit);
}

// --- ReadErrTxt --------------------------------------------------------------------------------

struct ErrRow
{
    const char *name;
    QByteArray bytes;
    QString text;
};

class ReadErrTxtTable : public ::testing::TestWithParam<ErrRow>
{
};

TEST_P(ReadErrTxtTable, GivesOneLinePerItem)
{
    TempDrive drive;
    drive.write("tools/err.txt", GetParam().bytes);
    Error error = makeError(Error::Kind::Failed, "stale", "x");
    EXPECT_EQ(ReadErrTxt(drive.fs("tools"), &error), GetParam().text);
    EXPECT_FALSE(error);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadErrTxtTable,
    ::testing::Values(ErrRow{"Empty", "", ""}, ErrRow{"CommaSplits", "abc,def", "abc\r\ndef\r\n"},
                      ErrRow{"CrLfLines", "abc,def\r\nghi\r\n", "abc\r\ndef\r\nghi\r\n"},
                      ErrRow{"LfLines", "abc\nghi\n", "abc\r\nghi\r\n"},
                      ErrRow{"QuotedItemLosesItsQuotes", "\"C:\\WORK\\main.c\", line 3: error\r\n",
                             "C:\\WORK\\main.c\r\nline 3: error\r\n"},
                      ErrRow{"ShiftJis", "main.c 3: \x83\x47\x83\x89\x81\x5B\r\n",
                             QStringLiteral("main.c 3: エラー\r\n")}),
    vesk::test::RowName());

TEST(ReadErrTxt, MissingFileIsAnError)
{
    TempDrive drive;
    drive.mkdir("tools");
    Error error;
    EXPECT_EQ(ReadErrTxt(drive.fs("tools"), &error), QString());
    EXPECT_EQ(error.what, QStringLiteral("ファイルが見つかりません。"));
    EXPECT_EQ(error.path, "C:\\tools\\err.txt");
}

#include "runmodes/toolrun.h"
#include "support/recordingwindow.h"
#include "support/rowname.h"
#include "support/tempdrive.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <optional>
#include <sys/types.h>
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

// Whether the process `pid` is gone: no entry, or only the entry of the dead ("Z").
static bool processGone(pid_t pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

struct ToolWaitRow
{
    const char *name;
    QByteArray body; // the tool, run in C:\WORK
    // How far the clock moves on each of the first `moving` readings while the tool runs (-1:
    // on all of them); once it has ended, every reading moves it a second, so a wait that goes
    // on after the end shows.
    std::chrono::seconds step;
    int moving;
    bool timedOut;
    std::optional<QByteArray> left; // what TEST.obj holds afterwards; none: no such file
    bool ended = false;             // the wait ends the tool at the 60-second limit
};

class ToolWaitTable : public WaitForTool, public ::testing::WithParamInterface<ToolWaitRow>
{
};

TEST_P(ToolWaitTable, JudgesTheFileWhenTheToolEnds)
{
    const ToolWaitRow &row = GetParam();
    const ProcessHandle tool = start(row.body);
    // The tool must have started its program before it is ended; waiting for a child.
    for (int i = 0; i < 500 && row.ended && drive.read("work/child.pid").isEmpty(); ++i)
        window.processEvents(10);
    PassWindow passes;
    std::chrono::nanoseconds now{0};
    std::chrono::nanoseconds last{0}; // the latest reading
    int readingsAfterTheEnd = 0;
    int readingsWhileRunning = 0;
    const MonotonicClock clock = [&] {
        last = now;
        if (tool.hasEnded()) {
            ++readingsAfterTheEnd;
            now += std::chrono::seconds(1);
        } else if (row.moving < 0 || readingsWhileRunning++ < row.moving) {
            now += row.step;
        }
        return last;
    };
    EXPECT_EQ(WaitLoop(drive.fs("work"), passes, "TEST.obj", tool, clock), row.timedOut);
    EXPECT_EQ(readingsAfterTheEnd, 0) << "the wait went on after the tool had ended";
    for (qsizetype i = 1; i < passes.waits.size(); ++i)
        EXPECT_GT(passes.waits[i], 0) << "a pass that does not sleep keeps a core busy";
    if (row.left)
        EXPECT_EQ(drive.read("work/TEST.obj"), *row.left);
    else
        EXPECT_FALSE(drive.exists("work/TEST.obj"));
    if (!row.ended) {
        EXPECT_TRUE(tool.hasEnded());
        return;
    }
    EXPECT_GT(last, kToolTimeLimit);
    EXPECT_LE(last, kToolTimeLimit + row.step) << "ended late";
    // The tool and the program it started die; waiting for that is waiting for a child.
    const auto child = static_cast<pid_t>(drive.read("work/child.pid").trimmed().toInt());
    ASSERT_GT(child, 0);
    for (int i = 0; i < 500 && !(tool.hasEnded() && processGone(child)); ++i)
        window.processEvents(10);
    EXPECT_TRUE(tool.hasEnded());
    EXPECT_TRUE(processGone(child));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ToolWaitTable,
    ::testing::Values(
        ToolWaitRow{"SlowToolIsWaitedForPastThreeSeconds", "sleep 0.3\necho x > TEST.obj", 1s, 10,
                    false, "x\n"},
        ToolWaitRow{"FileStillBeingWrittenIsTakenOnlyAtTheEnd",
                    "echo part > TEST.obj\nsleep 0.5\necho rest >> TEST.obj", 1s, 10, false,
                    "part\nrest\n"},
        ToolWaitRow{"EndWithoutTheFileFailsAtOnce", "exit 1", 0s, 0, true, std::nullopt},
        ToolWaitRow{"FileDeletedBeforeTheEndFailsAtOnce",
                    "echo x > TEST.obj\nsleep 0.2\nrm TEST.obj", 0s, 0, true, std::nullopt},
        ToolWaitRow{"ToolRunningPast60sIsEndedWithWhatItStarted",
                    "sleep 30 &\necho $! > child.pid\nwait", 5s, -1, true, std::nullopt, true},
        ToolWaitRow{"FileWrittenButToolRunningPast60sIsEnded",
                    "echo x > TEST.obj\nsleep 30 &\necho $! > child.pid\nwait", 5s, -1, true, "x\n",
                    true}),
    vesk::test::RowName());

TEST(WaitForToolless, InvalidHandleKeepsTheThreeSecondRule)
{
    TempDrive drive;
    drive.mkdir("work");
    PassWindow window;
    window.realEvents = false;
    EXPECT_TRUE(
        WaitLoop(drive.fs("work"), window, "TEST.obj", ProcessHandle(), SteppingClock{1000ms}));
    EXPECT_EQ(window.yields, 3);
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

// Command-line manners of every program: --help names every option in the layout help2man
// reads, --version is "NAME VERSION", and an unknown option is a usage error (exit 2) that
// prints nothing on standard output. The programs run without a display, as help2man runs
// them on a build machine.

#include "support/rowname.h"
#include "support/tempdrive.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct Ran
{
    int status = -1;
    QString out;
    QString err;
};

// Runs a program of the build tree (`path` below it) in `cwd`, with no display in reach.
Ran run(const QString &path, const QStringList &args, const QString &cwd,
        const QProcessEnvironment &extra = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    for (const QString &name : extra.keys())
        env.insert(name, extra.value(name));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(cwd);
    process.start(qEnvironmentVariable("VESK_BINARY_DIR") + '/' + path, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

std::string shown(const Ran &ran)
{
    return "status " + std::to_string(ran.status) + "\nstdout:\n" + ran.out.toStdString() +
           "\nstderr:\n" + ran.err.toStdString();
}

struct ProgramRow
{
    const char *name;
    const char *program;
    const char *path; // below the build tree
    std::vector<const char *> options;
    // a38h refuses any argument starting with '-' with its usage line alone.
    bool namesTheOption = true;
};

const ProgramRow kPrograms[] = {
    // Qt's options, which the window takes.
    {"Vesk",
     "vesk",
     "bin/vesk",
     {"-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-display", "-geometry",
      "-qwindowgeometry", "-qwindowicon", "-qwindowtitle", "-session", "-style", "-stylesheet",
      "-reverse", "-widgetcount"}},
    {"VeskBuild", "vesk-build", "bin/vesk-build", {"--rom", "--offset"}},
    {"VeskSim",
     "vesk-sim",
     "bin/vesk-sim",
     {"--rom", "--load", "--start", "--ports", "--poison", "--strict", "--trace",
      "--trace=", "--max-states"}},
    {"VeskBoard",
     "vesk-board",
     "bin/vesk-board",
     {"--link", "--keep", "--echo", "--count", "--run", "--rom", "--clock", "--fast", "--window"}},
    {"VeskSend", "vesk-send", "bin/vesk-send", {"--port"}},
    {"VeskMot2bin", "vesk-mot2bin", "bin/vesk-mot2bin", {}},
    {"VeskCmd", "vesk-cmd", "bin/vesk-cmd", {}},
    {"VeskWorkspace", "vesk-workspace", "bin/vesk-workspace", {"--from"}},
    {"A38h", "a38h", "toolchain/a38h.exe", {}, false},
    {"L38h",
     "l38h",
     "toolchain/l38h.exe",
     {"-start=P(", "-start=P,C(", "-output=", "-print", "-library="}},
    {"C38h", "c38h", "toolchain/c38h.exe", {}},
    {"Cc38h", "cc38h", "toolchain/cc38h.exe", {"-abs16", "-CPU=300HA", "-INCLUDE="}},
    {"Dasmh83", "dasmh83", "toolchain/dasmh83.exe", {"-o"}},
};

void PrintTo(const ProgramRow &row, std::ostream *os)
{
    *os << row.program;
}

class EveryProgram : public ::testing::TestWithParam<ProgramRow>
{
protected:
    Ran runWith(const QStringList &args) { return run(GetParam().path, args, m_cwd.path()); }
    // Nothing the program does may land in the folder it was started in.
    void TearDown() override
    {
        EXPECT_EQ(QDir(m_cwd.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList());
    }

    QTemporaryDir m_cwd;
};

TEST_P(EveryProgram, HelpNamesEachOption)
{
    const ProgramRow &row = GetParam();
    const Ran ran = runWith({"--help"});
    ASSERT_EQ(ran.status, 0) << shown(ran);
    EXPECT_EQ(ran.err.toStdString(), "");
    // help2man's layout: the usage line first, a description, then the options.
    EXPECT_TRUE(ran.out.startsWith(QString("Usage: %1 ").arg(row.program))) << shown(ran);
    const qsizetype options = ran.out.indexOf("\nOptions:\n");
    ASSERT_GT(options, 0) << shown(ran);
    EXPECT_GT(options, ran.out.indexOf('\n')) << "a description precedes the options";
    // Lines that fit a terminal, which is also what help2man expects.
    for (const QString &line : ran.out.split('\n'))
        EXPECT_LE(line.size(), 80) << line.toStdString();
    std::vector<const char *> names = row.options;
    names.insert(names.end(), {"--help", "--version"});
    const QStringList lines = ran.out.mid(options).split('\n');
    for (const char *name : names) {
        // An option's line starts with it, or with another name of the same option.
        const QRegularExpression line(
            QString("^  (\\S+, )?%1").arg(QRegularExpression::escape(name)));
        EXPECT_FALSE(lines.filter(line).isEmpty()) << name << " is missing\n" << shown(ran);
    }
}

TEST_P(EveryProgram, VersionIsTheProjects)
{
    const Ran ran = runWith({"--version"});
    EXPECT_EQ(ran.status, 0) << shown(ran);
    EXPECT_EQ(ran.out.toStdString(),
              std::string(GetParam().program) + " " VESK_EXPECTED_VERSION "\n");
    EXPECT_EQ(ran.err.toStdString(), "");
}

TEST_P(EveryProgram, UnknownOptionIsAUsageError)
{
    const ProgramRow &row = GetParam();
    const Ran ran = runWith({"--no-such-option"});
    EXPECT_EQ(ran.status, 2) << shown(ran);
    EXPECT_EQ(ran.out.toStdString(), "") << shown(ran);
    // "Usage: NAME ..." on a line of its own, or after the tool's name as its messages are.
    const QRegularExpression usage(QString("^(%1: )?usage: %1( |$)").arg(row.program),
                                   QRegularExpression::CaseInsensitiveOption |
                                       QRegularExpression::MultilineOption);
    EXPECT_TRUE(usage.match(ran.err).hasMatch()) << shown(ran);
    if (row.namesTheOption) {
        EXPECT_TRUE(ran.err.section('\n', 0, 0).contains("--no-such-option")) << shown(ran);
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, EveryProgram, ::testing::ValuesIn(kPrograms),
                         vesk::test::RowName());

// Only vesk-cmd's first argument is its own: after the batch file, --help is the batch file's.
TEST(VeskCmd, HandsOptionsAfterTheBatchFileToIt)
{
    vesk::test::TempDrive drive;
    drive.write("WORK/args.bat", "@echo [%1] [%2]> args.txt\r\n");
    QProcessEnvironment env;
    env.insert("VESK_DOSDEVICES", drive.dosDevices());
    const Ran ran =
        run("bin/vesk-cmd", {"args.bat", "--help", "--version"}, drive.host("WORK"), env);
    EXPECT_EQ(ran.status, 0) << shown(ran);
    EXPECT_FALSE(ran.out.contains("Usage")) << shown(ran);
    EXPECT_EQ(drive.read("WORK/args.txt"), "[--help] [--version]\r\n");
}

struct WorkspaceRow
{
    const char *name;
    QStringList args;
    int status;
    const char *made; // the folder the run makes in its current directory; none when null
};

const WorkspaceRow kWorkspaceRows[] = {
    // mkdir once took --help for its own and printed its help.
    {"HelpMakesNoFolder", {"--help"}, 0, nullptr},
    {"DashedNameIsRefused", {"-ws"}, 2, nullptr},
    {"LoneDashIsAFolder", {"-"}, 0, "-"},
    {"DashedNameAfterDoubleDash", {"--", "-ws"}, 0, "-ws"},
    {"HelpAfterDoubleDashIsAFolder", {"--", "--help"}, 0, "--help"},
};

void PrintTo(const WorkspaceRow &row, std::ostream *os)
{
    *os << row.name;
}

class VeskWorkspace : public ::testing::TestWithParam<WorkspaceRow>
{
};

// A workspace argument reaches mkdir, cd and cp as a folder, never as one of their options.
TEST_P(VeskWorkspace, ArgumentsAreNeverAnotherProgramsOptions)
{
    const WorkspaceRow &row = GetParam();
    if (row.made &&
        !QFileInfo::exists(qEnvironmentVariable("VESK_BINARY_DIR") + "/toolchain/cc38h.exe"))
        GTEST_SKIP() << "the bundled toolchain is not built";
    QTemporaryDir cwd;
    const Ran ran = run("bin/vesk-workspace", row.args, cwd.path());
    EXPECT_EQ(ran.status, row.status) << shown(ran);
    EXPECT_FALSE(ran.out.contains("mkdir") || ran.err.contains("mkdir")) << shown(ran);
    const QStringList made = QDir(cwd.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    if (!row.made) {
        EXPECT_EQ(made, QStringList()) << shown(ran);
        return;
    }
    EXPECT_EQ(made, QStringList{row.made}) << shown(ran);
    EXPECT_TRUE(QFileInfo(cwd.filePath(QString(row.made) + "/H8C.ini")).isFile()) << shown(ran);
    EXPECT_TRUE(QFileInfo(cwd.filePath(QString(row.made) + "/tools/a38h.exe")).isFile())
        << shown(ran);
}

INSTANTIATE_TEST_SUITE_P(Arguments, VeskWorkspace, ::testing::ValuesIn(kWorkspaceRows),
                         vesk::test::RowName());

} // namespace

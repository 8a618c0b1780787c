// The host as the simulator's oracle: C programs under programs/ are built with the bundled
// toolchain for RAM and for ROM and run in vesk-sim, and what they print on the serial port
// must be what the same sources print when compiled for this machine (their copies built
// with the tests, in VESK_ORACLE_HOST_DIR).
#include "support/rowname.h"
#include "support/toolchain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>

namespace {

struct Row
{
    const char *name;
    const char *program; // programs/NAME.c, and the host's build of it
    bool rom;
};

// GoogleTest names a failed row by this rather than by the row's bytes.
void PrintTo(const Row &row, std::ostream *os)
{
    *os << row.name;
}

// The slowest program needs some 35 million states; a program that runs away still ends.
const char *const kMaxStates = "100000000";

class ExecOracle : public testing::TestWithParam<Row>
{
public:
    static void TearDownTestSuite() { s_workspace.reset(); }

protected:
    void SetUp() override
    {
        m_build = qEnvironmentVariable("VESK_BINARY_DIR");
        m_hostDir = qEnvironmentVariable("VESK_ORACLE_HOST_DIR");
        m_programs = qEnvironmentVariable("VESK_SOURCE_DIR") + "/tests/sim/programs";
        if (const QString why = vesk::test::toolchainMissing(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
        ASSERT_FALSE(m_hostDir.isEmpty()) << "VESK_ORACLE_HOST_DIR is not set";
        // One workspace serves every row: each builds its own file, one row at a time.
        if (!s_workspace) {
            auto dir = std::make_unique<QTemporaryDir>();
            ASSERT_TRUE(dir->isValid());
            ASSERT_EQ(vesk::test::makeWorkspace(dir->path()), "");
            s_workspace = std::move(dir);
        }
    }

    // Runs a program to its end; its standard output, or a failure.
    static void run(const QString &program, const QStringList &args, QByteArray &out, int &exitCode,
                    QByteArray &err)
    {
        QProcess p;
        p.start(program, args);
        ASSERT_TRUE(p.waitForStarted()) << program.toStdString();
        p.closeWriteChannel();
        ASSERT_TRUE(p.waitForFinished(60000)) << program.toStdString();
        ASSERT_EQ(p.exitStatus(), QProcess::NormalExit) << program.toStdString();
        out = p.readAllStandardOutput();
        err = p.readAllStandardError();
        exitCode = p.exitCode();
    }

    QString m_build;
    QString m_hostDir;
    QString m_programs;
    static inline std::unique_ptr<QTemporaryDir> s_workspace;
};

// The first line where the board's text leaves the host's, for a readable failure rather
// than two pages of numbers.
std::string firstDifference(const QByteArray &board, const QByteArray &host)
{
    if (host.startsWith(board)) {
        return "the board's text stops after " + std::to_string(board.size()) + " of " +
               std::to_string(host.size()) + " bytes; missing: " +
               host.mid(board.size(), 40).toPercentEncoding(" :").toStdString();
    }
    const QList<QByteArray> b = board.split('\n');
    const QList<QByteArray> h = host.split('\n');
    for (qsizetype i = 0; i < std::max(b.size(), h.size()); ++i) {
        const QByteArray bl = i < b.size() ? b[i] : QByteArray("(end of output)");
        const QByteArray hl = i < h.size() ? h[i] : QByteArray("(end of output)");
        if (bl != hl)
            return "line " + std::to_string(i + 1) + ":\n  board: " + bl.toStdString() +
                   "\n  host:  " + hl.toStdString();
    }
    return "no difference";
}

TEST_P(ExecOracle, PrintsWhatTheHostPrints)
{
    const Row &row = GetParam();
    const QString samples = s_workspace->filePath("samples");
    const QString source = QString(row.program) + ".c";
    for (const QString &file : {QStringLiteral("oracle.h"), source}) {
        QFile::remove(samples + "/" + file);
        ASSERT_TRUE(QFile::copy(m_programs + "/" + file, samples + "/" + file))
            << (m_programs + "/" + file).toStdString();
    }

    QProcess build;
    build.setWorkingDirectory(s_workspace->path());
    QStringList buildArgs{"compile", "samples/" + source};
    if (row.rom)
        buildArgs << "--rom";
    build.start(m_build + "/bin/vesk-build", buildArgs);
    ASSERT_TRUE(build.waitForFinished(120000));
    const QByteArray log = build.readAllStandardOutput();
    ASSERT_EQ(build.exitCode(), 0)
        << log.toStdString() << build.readAllStandardError().toStdString();
    // A warning on the board's side (a constant that overflows a 16-bit int, say) is where
    // the two builds part, long before the outputs show it.
    EXPECT_FALSE(log.contains("warning")) << log.toStdString();

    QStringList simArgs{samples + "/" + row.program + ".bin"};
    if (row.rom)
        simArgs << "--rom";
    simArgs << "--poison"
            << "--strict"
            << "--max-states" << kMaxStates;
    QByteArray board, boardErr;
    int boardExit = -1;
    ASSERT_NO_FATAL_FAILURE(run(m_build + "/bin/vesk-sim", simArgs, board, boardExit, boardErr));

    QByteArray host, hostErr;
    int hostExit = -1;
    ASSERT_NO_FATAL_FAILURE(
        run(m_hostDir + "/exec_oracle_" + row.program, {}, host, hostExit, hostErr));
    ASSERT_EQ(hostExit, 0) << hostErr.toStdString();
    // Every program ends with this line, so a run cut short cannot pass.
    ASSERT_TRUE(host.endsWith("end\n"));

    // main returns to the reset module's loop in RAM and in ROM alike: the run ends idle.
    EXPECT_EQ(boardExit, 0) << boardErr.toStdString();
    EXPECT_EQ(board.size(), host.size());
    EXPECT_TRUE(board == host) << firstDifference(board, host);
}

INSTANTIATE_TEST_SUITE_P(
    Sim, ExecOracle,
    testing::Values(Row{"ByteArithmeticFromRam", "arith8", false},
                    Row{"ByteArithmeticFromRom", "arith8", true},
                    Row{"WordArithmeticFromRam", "arith16", false},
                    Row{"WordArithmeticFromRom", "arith16", true},
                    Row{"LongArithmeticAndLibraryHelpersFromRam", "arith32", false},
                    Row{"LongArithmeticAndLibraryHelpersFromRom", "arith32", true},
                    Row{"ShiftsRotatesAndChecksumsFromRam", "shifts", false},
                    Row{"ShiftsRotatesAndChecksumsFromRom", "shifts", true},
                    Row{"StructCopiesAndBlockFunctionsFromRam", "structs", false},
                    Row{"StructCopiesAndBlockFunctionsFromRom", "structs", true},
                    Row{"DenseAndSparseSwitchesFromRam", "switch", false},
                    Row{"DenseAndSparseSwitchesFromRom", "switch", true},
                    Row{"DeepRecursionFromRam", "recursion", false},
                    Row{"DeepRecursionFromRom", "recursion", true},
                    Row{"CallsThroughPointersFromRam", "funcptr", false},
                    Row{"CallsThroughPointersFromRom", "funcptr", true},
                    Row{"GlobalsAndCommonArraysFromRam", "globals", false},
                    Row{"GlobalsAndCommonArraysFromRom", "globals", true},
                    Row{"LastBytesLeaveAfterMainReturnsFromRam", "tail", false},
                    Row{"LastBytesLeaveAfterMainReturnsFromRom", "tail", true},
                    Row{"FormattedOutputFromRam", "libprintf", false},
                    Row{"FormattedOutputFromRom", "libprintf", true},
                    Row{"OwnPutcharCarriesPrintfAndPutsFromRam", "libputchar", false},
                    Row{"OwnPutcharCarriesPrintfAndPutsFromRom", "libputchar", true},
                    Row{"StringFunctionsFromRam", "libstring", false},
                    Row{"StringFunctionsFromRom", "libstring", true},
                    Row{"CharacterClassesFromRam", "libctype", false},
                    Row{"CharacterClassesFromRom", "libctype", true},
                    Row{"ConversionsSortAndSearchFromRam", "libstdlib", false},
                    Row{"ConversionsSortAndSearchFromRom", "libstdlib", true},
                    Row{"FloatArithmeticFromRam", "softfloat", false},
                    Row{"FloatArithmeticFromRom", "softfloat", true},
                    Row{"LongLongArithmeticFromRam", "longlong", false},
                    Row{"LongLongArithmeticFromRom", "longlong", true}),
    vesk::test::RowName());

} // namespace

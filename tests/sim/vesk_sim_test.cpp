// Builds programs with the bundled toolchain in a workspace of its own, runs vesk-sim on the
// images and checks what it prints and how it exits.
#include "support/rowname.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct Program
{
    const char *file; // below samples/ in the workspace
    const char *text; // nullptr: the sample that vesk-workspace put there
};

// Sends "hi", then echoes three bytes in capitals and returns. It leaves channel 1 as the
// loader set it up.
constexpr Program kEcho{"echo.c", R"(#include "h8io.h"
static void put(char c)
{
    while (!(SCI1_SSR & 0x80))
        ;
    SCI1_TDR = c;
    SCI1_SSR &= ~0x80;
}
int main(void)
{
    const char *s = "hi\n";
    int n;
    while (*s)
        put(*s++);
    for (n = 0; n < 3; n++) {
        char c;
        while (!(SCI1_SSR & 0x40))
            ;
        c = SCI1_RDR;
        SCI1_SSR &= ~0x40;
        put(c - 'a' + 'A');
    }
    return 0;
}
)"};

// A word read at an odd address of RAM nobody wrote, then a read where nothing is.
constexpr Program kBadReads{"bad.mar", "\t.h8300h\n\t.text\n"
                                       "\tmov.w\t@0xffef01:24,r0\n"
                                       "\tmov.w\t@0x100000:24,r1\n"
                                       "1:\tbra\t1b\n"};

constexpr Program kSleep{"nap.mar", "\t.h8300h\n\t.text\n\tsleep\n"};

struct Row
{
    const char *name;
    Program program;
    const char *mode; // vesk-build's
    bool rom;
    std::vector<const char *> args;
    const char *input;
    int exitCode;
    // Standard output; with --ports each line's states are checked to grow and left out.
    const char *out;
    const char *errContains;
};

// A row that ends well stops long before this; one that does not still ends.
const char *const kPlenty = "5000000";

const char *const kPattern = "PB 01\nPB 02\nPB 04\nPB 08\nPB 10\nPB 20\nPB 40\nPB 80\nPB 01\n";

class VeskSim : public testing::TestWithParam<Row>
{
protected:
    void SetUp() override
    {
        m_build = qEnvironmentVariable("VESK_BINARY_DIR");
        if (!QFile::exists(m_build + "/toolchain/cc38h.exe") ||
            QStandardPaths::findExecutable("h8300-hms-gcc").isEmpty())
            GTEST_SKIP() << "the bundled toolchain is not built or the cross tools are missing";
        ASSERT_TRUE(m_dir.isValid());
        QProcess setup;
        setup.start(m_build + "/bin/vesk-workspace", {m_dir.path()});
        ASSERT_TRUE(setup.waitForFinished(60000));
        ASSERT_EQ(setup.exitCode(), 0) << setup.readAllStandardError().toStdString();
    }

    QString m_build;
    QTemporaryDir m_dir;
};

TEST_P(VeskSim, RunsTheBuiltImage)
{
    const Row &row = GetParam();
    const QString samples = m_dir.filePath("samples");
    if (row.program.text != nullptr) {
        QFile f(samples + "/" + row.program.file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(row.program.text);
    }
    QProcess build;
    build.setWorkingDirectory(m_dir.path());
    QStringList buildArgs{row.mode, QString("samples/") + row.program.file};
    if (row.rom)
        buildArgs << "--rom";
    build.start(m_build + "/bin/vesk-build", buildArgs);
    ASSERT_TRUE(build.waitForFinished(120000));
    ASSERT_EQ(build.exitCode(), 0) << build.readAllStandardOutput().toStdString()
                                   << build.readAllStandardError().toStdString();
    // Assemble mode names the image in capitals.
    const QString base = QFileInfo(row.program.file).completeBaseName();
    const QStringList images = QDir(samples).entryList({base + ".bin"}, QDir::Files);
    ASSERT_EQ(images.size(), 1);

    QStringList args{samples + "/" + images.first()};
    for (const char *arg : row.args)
        args << arg;
    QProcess sim;
    sim.start(m_build + "/bin/vesk-sim", args);
    ASSERT_TRUE(sim.waitForStarted());
    sim.write(row.input);
    sim.closeWriteChannel();
    ASSERT_TRUE(sim.waitForFinished(60000));
    QByteArray out = sim.readAllStandardOutput();
    const QByteArray err = sim.readAllStandardError();
    const std::string context = "stderr: " + err.toStdString();
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), row.exitCode) << context;

    if (row.args.size() > 0 && QByteArray(row.args[0]) == "--ports") {
        QByteArray rest;
        qulonglong last = 0;
        for (const QByteArray &line : out.split('\n')) {
            if (line.isEmpty())
                continue;
            const qsizetype space = line.indexOf(' ');
            bool ok = false;
            const qulonglong states = line.left(space).toULongLong(&ok);
            EXPECT_TRUE(ok && states > last) << line.toStdString();
            last = states;
            rest += line.mid(space + 1) + '\n';
        }
        out = rest;
    }
    EXPECT_EQ(out.toStdString(), row.out) << context;
    EXPECT_TRUE(err.contains(row.errContains)) << context;
}

INSTANTIATE_TEST_SUITE_P(Sim, VeskSim,
                         testing::Values(Row{"BlinkFromRamRotatesPortB",
                                             {"blink.c", nullptr},
                                             "compile",
                                             false,
                                             {"--ports", "--max-states", "13000000"},
                                             "",
                                             2,
                                             kPattern,
                                             "state limit"},
                                         Row{"BlinkFromRomRotatesPortB",
                                             {"blink.c", nullptr},
                                             "compile",
                                             true,
                                             {"--ports", "--rom", "--poison", "--strict",
                                              "--max-states", "13000000"},
                                             "",
                                             2,
                                             kPattern,
                                             "state limit"},
                                         Row{"SerialEchoEndsIdleAfterMain",
                                             kEcho,
                                             "compile",
                                             false,
                                             {"--max-states", kPlenty},
                                             "abc",
                                             0,
                                             "hi\nABC",
                                             ""},
                                         Row{"SerialInputEndedKeepsWaiting",
                                             kEcho,
                                             "compile",
                                             false,
                                             {"--max-states", "500000"},
                                             "ab",
                                             2,
                                             "hi\nAB",
                                             "state limit"},
                                         Row{"SleepWithNothingToWakeIt",
                                             kSleep,
                                             "assemble",
                                             false,
                                             {"--max-states", kPlenty},
                                             "",
                                             0,
                                             "",
                                             ""},
                                         Row{"UnmappedReadExits3",
                                             kBadReads,
                                             "assemble",
                                             false,
                                             {"--max-states", kPlenty},
                                             "",
                                             3,
                                             "",
                                             "read 100000 at FFDF16"},
                                         Row{"OddWordInStrictModeExits3",
                                             kBadReads,
                                             "assemble",
                                             false,
                                             {"--strict", "--max-states", kPlenty},
                                             "",
                                             3,
                                             "",
                                             "read FFEF01 at FFDF10"},
                                         Row{"PoisonedReadExits4",
                                             kBadReads,
                                             "assemble",
                                             false,
                                             {"--poison", "--max-states", kPlenty},
                                             "",
                                             4,
                                             "",
                                             "read FFEF00 at FFDF10"}),
                         vesk::test::RowName());

} // namespace

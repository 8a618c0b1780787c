// Builds programs with the bundled toolchain in a workspace of its own, runs vesk-sim on the
// images and checks what it prints and how it exits.
#include "support/rowname.h"
#include "support/toolchain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>
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

// Polls channel 0's compare match with the timer's names from h8io.h; four matches, four
// values on port B.
constexpr Program kPollTimer{"poll.c", R"(#include "h8io.h"
int main(void)
{
    int n;
    PBDDR = 0xFF;
    IPRA = 0;
    TIER0 = 0;
    GRA0 = 999;
    TCR0 = 0x23; /* clear on GRA, phi/8 */
    TSTR |= 0x01;
    for (n = 0; n < 4; n++) {
        while (!(TSR0 & 0x01))
            ;
        TSR0 &= ~0x01;
        PBDR = (n & 1) ? 0x00 : 0xFF;
    }
    return 0;
}
)"};

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

using Workspace = vesk::test::WorkspaceTest;

class VeskSim : public Workspace, public testing::WithParamInterface<Row>
{
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
                                         Row{"TimerRegistersFromTheHeaderPolled",
                                             kPollTimer,
                                             "compile",
                                             false,
                                             {"--ports", "--max-states", kPlenty},
                                             "",
                                             0,
                                             "PB FF\nPB 00\nPB FF\nPB 00\n",
                                             ""},
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

// ---------------------------------------------------------------------------------------
// Timer channel 0's compare match A, cleared on GRA, interrupts a SLEEP loop whose handler
// toggles port B. The counter steps once every `divisor` states and goes round in GRA + 1
// steps, so compare matches come exactly (GRA + 1) × divisor states apart. Each toggle follows
// its match by the same number of states: the core wakes from SLEEP at the match itself, takes
// the interrupt and runs the same handler, then sleeps again long before the next match. So
// the toggles are the period apart to the state.

struct TimerRow
{
    const char *name;
    unsigned gra;
    uint8_t tcr;      // CCLR = 01 (clear on GRA) with the clock's TPSC
    unsigned divisor; // states per count for that TPSC
    const char *mask; // what sets the interrupt mask up before the loop
};

void PrintTo(const TimerRow &row, std::ostream *os)
{
    *os << row.name;
}

// ROM image: its own vector table at 0 (reset, and IMIA0 at vector 24 × 4).
std::string timerProgram(const TimerRow &row)
{
    return std::string("\t.h8300h\n"
                       "\t.include \"h8io.inc\"\n"
                       "\t.section .00\n"
                       "\t.long\tstart\n"
                       "\t.org\t0x60\n"
                       "\t.long\timia0\n"
                       "\t.text\n"
                       "start:\tmov.l\t#0xffff10,er7\n"
                       "\tmov.b\t#0xff,r0l\n"
                       "\tmov.b\tr0l,@PBDDR:8\n"
                       "\tmov.w\t#") +
           std::to_string(row.gra) +
           ",r0\n"
           "\tmov.w\tr0,@GRA0:16\n"
           "\tmov.b\t#" +
           std::to_string(row.tcr) +
           ",r0l\n"
           "\tmov.b\tr0l,@TCR0:8\n"
           "\tmov.b\t#1,r0l\n" // IMIEA
           "\tmov.b\tr0l,@TIER0:8\n"
           "\tmov.b\t#1,r0l\n" // STR0
           "\tmov.b\tr0l,@TSTR:8\n" +
           row.mask +
           "1:\tsleep\n"
           "\tbra\t1b\n"
           // BCLR reads TSR0 (IMFA = 1) and writes IMFA back as 0, which clears it.
           "imia0:\tbclr\t#0,@TSR0:8\n"
           "\tmov.b\t@PBDR:8,r1l\n"
           "\tnot.b\tr1l\n"
           "\tmov.b\tr1l,@PBDR:8\n"
           "\trte\n";
}

class TimerInterrupt : public Workspace, public testing::WithParamInterface<TimerRow>
{
protected:
    // Builds samples/FILE holding `text` in `mode` for ROM, runs it with --ports until half a
    // period past the fifth toggle and expects port B toggled every `period` states.
    void expectTogglesAPeriodApart(const char *file, const std::string &text, const char *mode,
                                   qulonglong period)
    {
        constexpr int kToggles = 5;
        {
            QFile f(m_dir.filePath(QString("samples/") + file));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(text.c_str());
        }
        QProcess build;
        build.setWorkingDirectory(m_dir.path());
        build.start(m_build + "/bin/vesk-build", {mode, QString("samples/") + file, "--rom"});
        ASSERT_TRUE(build.waitForFinished(120000));
        ASSERT_EQ(build.exitCode(), 0) << build.readAllStandardOutput().toStdString();
        const QString base = QFileInfo(file).completeBaseName();
        const QStringList images =
            QDir(m_dir.filePath("samples")).entryList({base + ".bin"}, QDir::Files);
        ASSERT_EQ(images.size(), 1);

        // Half a period past the fifth toggle, whatever the few states of setting up take.
        const QString limit = QString::number(period * kToggles + period / 2);
        QProcess sim;
        sim.start(m_build + "/bin/vesk-sim", {m_dir.filePath("samples/" + images.first()),
                                              "--ports", "--rom", "--max-states", limit});
        ASSERT_TRUE(sim.waitForFinished(60000));
        const std::string context = "stderr: " + sim.readAllStandardError().toStdString();
        EXPECT_EQ(sim.exitCode(), 2) << context; // the state limit

        std::vector<qulonglong> states;
        QByteArray values;
        for (const QByteArray &line : sim.readAllStandardOutput().split('\n')) {
            if (line.isEmpty())
                continue;
            const QList<QByteArray> fields = line.split(' ');
            ASSERT_EQ(fields.size(), 3) << line.toStdString();
            states.push_back(fields[0].toULongLong());
            values += fields[1] + ' ' + fields[2] + '\n';
        }
        EXPECT_EQ(values.toStdString(), "PB FF\nPB 00\nPB FF\nPB 00\nPB FF\n") << context;
        for (size_t i = 1; i < states.size(); ++i)
            EXPECT_EQ(states[i] - states[i - 1], period)
                << "between toggles " << i << " and " << i + 1;
    }
};

TEST_P(TimerInterrupt, TogglesPortBEveryPeriodToTheState)
{
    const TimerRow &row = GetParam();
    expectTogglesAPeriodApart("tick.mar", timerProgram(row), "assemble",
                              qulonglong(row.gra + 1) * row.divisor);
}

// The same in C, as a student writes it: the pragma makes the function an interrupt handler
// (it ends in RTE), and its name puts it at its vector.
TEST_F(TimerInterrupt, InCTogglesPortBEveryPeriodToTheState)
{
    expectTogglesAPeriodApart("tick.c", R"(#include "h8io.h"
#pragma interrupt(int_imia0)
void int_imia0(void)
{
    TSR0 &= ~0x01; /* IMFA, read as 1 just now */
    PBDR = ~PBDR;
}
int main(void)
{
    PBDDR = 0xff;
    GRA0 = 999;
    TCR0 = 0x23; /* clear on GRA, phi/8 */
    TIER0 = 0x01;
    TSTR = 0x01;
    __asm__("andc #0x7f,ccr");
    for (;;)
        __asm__("sleep");
}
)",
                              "compile", 1000 * 8);
}

INSTANTIATE_TEST_SUITE_P(
    Sim, TimerInterrupt,
    testing::Values(TimerRow{"Phi8Unmasked", 999, 0x23, 8, "\tandc\t#0x7f,ccr\n"},
                    // SYSCR.UE = 0 with channel 0 at priority level 1 (IPRA bit 2): I stays set
                    // and only UI = 0 lets the interrupt in.
                    TimerRow{"Phi4LevelOnePastIWithUeClear", 2499, 0x22, 4,
                             "\tmov.b\t#3,r0l\n"
                             "\tmov.b\tr0l,@SYSCR:8\n"
                             "\tmov.b\t#4,r0l\n"
                             "\tmov.b\tr0l,@IPRA:8\n"
                             "\torc\t#0x80,ccr\n"
                             "\tandc\t#0xbf,ccr\n"}),
    vesk::test::RowName());

} // namespace

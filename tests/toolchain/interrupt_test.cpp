// Interrupt handlers as a C program declares them, built for ROM in a workspace of its own
// with vesk-build and run in vesk-sim: the reset module of the workspace stays untouched.
#include "support/rowname.h"
#include "support/toolchain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

namespace {

// Channel 1's receive interrupt takes each byte; channel 0's compare match A sends it back in
// capitals. Only the two handlers move bytes: main sleeps until three went back.
std::string echoProgram(const char *declarations, const char *after)
{
    return std::string(R"(#include "h8io.h"
)") + declarations +
           R"(
static volatile char pending;
static volatile int echoed;
void int_rxi1(void)
{
    char c = SCI1_RDR;
    SCI1_SSR &= ~0x40;
    pending = c;
}
void int_imia0(void)
{
    TSR0 &= ~0x01;
    if (pending && (SCI1_SSR & 0x80)) {
        SCI1_TDR = pending - 'a' + 'A';
        SCI1_SSR &= ~0x80;
        pending = 0;
        echoed++;
    }
}
)" + after +
           R"(
int main(void)
{
    int n;
    SCI1_SCR = 0;
    SCI1_SMR = 0;
    SCI1_BRR = 64; /* 9600 baud at 20 MHz */
    for (n = 0; n < 200; n++)
        ;
    SCI1_SCR = 0x70; /* RIE, TE, RE */
    GRA0 = 999;
    TCR0 = 0x23; /* clear on GRA, phi/8 */
    TIER0 = 0x01;
    TSTR = 0x01;
    __asm__("andc #0x7f,ccr");
    while (echoed < 3)
        __asm__("sleep");
    __asm__("orc #0x80,ccr");
    TSTR = 0;
    return 0;
}
)";
}

struct HandlerRow
{
    const char *name;
    std::string program;
    const char *input;
    const char *out;
};

class InterruptHandler : public vesk::test::WorkspaceTest,
                         public testing::WithParamInterface<HandlerRow>
{
protected:
    // vesk-build's log of a ROM compile of samples/FILE (holding `text` unless null); the
    // build must succeed.
    QByteArray buildForRom(const QString &file, const std::string *text)
    {
        if (text != nullptr) {
            QFile f(m_dir.filePath("samples/" + file));
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(text->c_str());
        }
        QProcess build;
        build.setWorkingDirectory(m_dir.path());
        build.start(m_build + "/bin/vesk-build", {"compile", "samples/" + file, "--rom"});
        EXPECT_TRUE(build.waitForFinished(120000));
        const QByteArray log = build.readAllStandardOutput() + build.readAllStandardError();
        EXPECT_EQ(build.exitCode(), 0) << log.toStdString();
        return log;
    }
};

TEST_P(InterruptHandler, RunsAtItsVectorAndLeavesOtherProgramsAlone)
{
    const HandlerRow &row = GetParam();
    buildForRom("irq.c", &row.program);
    QProcess sim;
    sim.start(m_build + "/bin/vesk-sim",
              {m_dir.filePath("samples/irq.bin"), "--rom", "--max-states", "5000000"});
    ASSERT_TRUE(sim.waitForStarted());
    sim.write(row.input);
    sim.closeWriteChannel();
    ASSERT_TRUE(sim.waitForFinished(60000));
    const std::string context = "stderr: " + sim.readAllStandardError().toStdString();
    EXPECT_EQ(sim.exitCode(), 0) << context; // idle once main has returned
    EXPECT_EQ(sim.readAllStandardOutput().toStdString(), row.out) << context;

    // The sample, built next in the same workspace, declares no handler and still links.
    const QByteArray log = buildForRom("blink.c", nullptr);
    EXPECT_FALSE(log.contains("warning")) << log.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, InterruptHandler,
    testing::Values(
        HandlerRow{"PragmaBeforeOneHandlerAfterTheOther",
                   echoProgram("#pragma interrupt(int_rxi1)", "#pragma interrupt(int_imia0)"),
                   "abc", "ABC"},
        HandlerRow{"OnePragmaNamingBoth",
                   echoProgram("#pragma interrupt( int_imia0 , int_rxi1 )", ""), "xyz", "XYZ"},
        HandlerRow{"GnuAttribute",
                   echoProgram("void int_rxi1(void) __attribute__((interrupt_handler));\n"
                               "void int_imia0(void) __attribute__((interrupt_handler));",
                               ""),
                   "abc", "ABC"},
        // Without a handler the compare match lands in the reset module's stopping loop,
        // with interrupts masked: idle, whereas main alone would never stop.
        HandlerRow{"NoHandlerStopsInTheLoop", R"(#include "h8io.h"
int main(void)
{
    volatile unsigned char n = 0;
    PBDDR = 0xff;
    GRA0 = 999;
    TCR0 = 0x23;
    TIER0 = 0x01;
    TSTR = 0x01;
    __asm__("andc #0x7f,ccr");
    for (;;)
        n++;
}
)",
                   "", ""}),
    vesk::test::RowName());

} // namespace

// Builds the sample programs with the bundled toolchain through the build modes, exactly as
// the window does, in a temporary start-up, source and tool directory.
#include "runmodes/builddriver.h"
#include "support/recordingwindow.h"
#include "support/rowname.h"
#include "support/tempdrive.h"
#include "support/toolchain.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::copyTree;
using vesk::test::RecordingWindow;
using vesk::test::TempDrive;

namespace {

// Address of the first data record of an S-record text.
quint32 firstAddress(const QByteArray &mot)
{
    for (const QByteArray &line : mot.split('\n')) {
        if (line.startsWith("S1"))
            return line.mid(4, 4).toUInt(nullptr, 16);
        if (line.startsWith("S2"))
            return line.mid(4, 6).toUInt(nullptr, 16);
    }
    return 0xFFFFFFFF;
}

class RealBuilds : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString build = qEnvironmentVariable("VESK_BINARY_DIR");
        if (const QString why = vesk::test::toolchainMissing(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
        copyTree(build + "/toolchain", d.host("TC"));
        copyTree(build + "/templates", d.host("start"));
        copyTree(build + "/toolchain/samples", d.host("WORK"));
        state.StartDir = "C:\\start";
        state.BinDir = "C:\\TC\\";
        window.m_fileListDir = "C:\\WORK";
        driver.startOptions().batchRunner = build + "/bin/vesk-cmd";
    }

    QByteArray bytes(const QString &dosPath) const
    {
        QByteArray out;
        (void)fs.readAll(dosPath, out); // a missing file reads as empty, which the checks show
        return out;
    }

    void run(const QString &file, int mode, bool rom = false)
    {
        window.m_selectedFile = file;
        window.m_mode = mode;
        window.m_rom = rom;
        state.MainOfs = rom ? 0x200 : 0xFFDF50;
        driver.Run();
    }

    TempDrive d;
    DosFs fs = d.fs("start");
    MainState state;
    test::SteppedWindow window;
    BuildDriver driver{state, fs, window, window, window, window.clock()};
};

TEST_F(RealBuilds, CProgramForRam)
{
    run("blink.c", 2);
    ASSERT_TRUE(window.messages.isEmpty())
        << window.messages.join("|").toStdString() << window.log().toStdString();
    EXPECT_EQ(window.log(), "blink:RESETV ＯＫ\r\nblink:コンパイルＯＫ\r\nblink:リンクＯＫ\r\n"
                            "blink:ＭＯＴコンバートＯＫ\r\nblink:ＢＩＮコンバートＯＫ\r\n");
    EXPECT_EQ(firstAddress(bytes("C:\\WORK\\blink.mot")), 0xFFDF10u);
    const QByteArray image = bytes("C:\\WORK\\blink.bin");
    EXPECT_GT(image.size(), 0x40);
    EXPECT_EQ(image.size() % 2, 0) << "the loader takes an even length";
    EXPECT_EQ(bytes("C:\\TC\\blink.bin"), image) << "Transfer sends the tool directory's copy";
    EXPECT_FALSE(bytes("C:\\WORK\\out.txt").isEmpty());
    EXPECT_TRUE(window.transferEnabled());
    EXPECT_EQ(window.label1(), "blink.bin");
}

TEST_F(RealBuilds, CProgramForRom)
{
    run("blink.c", 2, true);
    ASSERT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    EXPECT_EQ(window.log().count("\r\n"), 5);
    EXPECT_EQ(firstAddress(bytes("C:\\WORK\\blink.mot")), 0u);
    EXPECT_FALSE(window.transferEnabled());
    EXPECT_EQ(window.label1(), "");
}

TEST_F(RealBuilds, AssemblerProgram)
{
    run("sample.mar", 0);
    ASSERT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    EXPECT_EQ(window.log(),
              "sample:アセンブルＯＫ\r\nsample:リンクＯＫ\r\nsample:ＭＯＴコンバートＯＫ\r\n"
              "sample:ＢＩＮコンバートＯＫ\r\n");
    EXPECT_EQ(firstAddress(bytes("C:\\WORK\\sample.mot")), 0xFFDF10u);
    EXPECT_EQ(bytes("C:\\WORK\\sample.bin").size() % 2, 0);
    EXPECT_TRUE(window.transferEnabled());
}

struct MessageRow
{
    const char *name;
    const char *file;
    QByteArray source;
    int mode;
    QString box;     // empty: the build succeeds
    QString follows; // the stage line the message comes right after
    QString message; // in the log once, after `follows`
};

class ToolMessages : public RealBuilds, public testing::WithParamInterface<MessageRow>
{
};

TEST_P(ToolMessages, ShowInTheLogOnceWithTheUsersNames)
{
    const MessageRow &row = GetParam();
    d.write(QString("WORK/") + row.file, row.source);
    run(row.file, row.mode);
    EXPECT_EQ(window.messages, row.box.isEmpty() ? QStringList() : QStringList{row.box});
    const QString log = window.log();
    const qsizetype at = log.indexOf(row.message);
    ASSERT_GE(at, 0) << log.toStdString();
    EXPECT_EQ(log.count(row.message), 1) << log.toStdString();
    EXPECT_TRUE(row.follows.isEmpty() || log.left(at).endsWith(row.follows + "\r\n"))
        << log.toStdString();
    // Neither the host's cross tools nor the lines of a batch file show.
    EXPECT_FALSE(log.contains("h8300")) << log.toStdString();
    EXPECT_FALSE(log.contains(">")) << log.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ToolMessages,
    testing::Values(MessageRow{"AssemblerNamesTheSourceLine", "bad.mar",
                               "\t.section .text\n\tnop\n\tnop\n\tnop\n\tbogus r0\n", 0,
                               "アセンブル　エラー", "", "bad.mar:5: Error: unknown opcode"},
                    MessageRow{"LinkerSaysTheDataDoesNotFit", "big.c",
                               "char buf[20000];\nint main(void) { buf[0] = 1; return buf[1]; }\n",
                               2, "リンク　エラー", "big:コンパイルＯＫ",
                               "the program's data does not fit in RAM"},
                    MessageRow{"LinkerNamesAnUndefinedSymbol", "undef.c",
                               "extern int nothere(void);\nint main(void) { return nothere(); }\n",
                               2, "リンク　エラー", "", "undefined reference to `nothere'"},
                    MessageRow{
                        "WarningFollowsTheCompilesOkLine", "warn.c",
                        "int main(void)\n{\n    unsigned char c;\n    for (c = 0; c < 256; c++)\n"
                        "        ;\n    return 0;\n}\n",
                        2, "", "", "comparison is always true due to limited range of data type"},
                    // The link succeeds, and its warning is still for the user to read.
                    MessageRow{"StackWarningFollowsTheLinksOkLine", "stk.c",
                               "char big[7900];\nint main(void) { big[1] = 1; return big[0]; }\n",
                               2, "", "stk:リンクＯＫ", "l38h: warning: only "},
                    MessageRow{"StackWarningOfAnAssemblerProgram", "stk.mar",
                               "\t.h8300h\n\t.text\n\t.global\t_start\n_start:\trts\n"
                               "\t.section .bss\nbuf:\t.space\t8000\n",
                               0, "", "stk:リンクＯＫ", "l38h: warning: only "}),
    vesk::test::RowName());

TEST_F(RealBuilds, WarningLinesComeRightAfterTheCompilesOkLine)
{
    d.write("WORK/warn.c", "int main(void) { unsigned char c = 0; return c < 256; }\n");
    run("warn.c", 2);
    EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
    const QStringList lines = window.log().split("\r\n");
    ASSERT_GE(lines.size(), 4) << window.log().toStdString();
    EXPECT_EQ(lines[1], "warn:コンパイルＯＫ");
    EXPECT_TRUE(lines[2].startsWith("C:\\WORK\\warn.", Qt::CaseInsensitive))
        << lines[2].toStdString();
    EXPECT_TRUE(window.log().contains("comparison is always true")) << window.log().toStdString();
    EXPECT_TRUE(lines.contains("warn:リンクＯＫ"));
    EXPECT_TRUE(window.transferEnabled());
}

TEST_F(RealBuilds, CompileErrorShowsTheCompilersMessage)
{
    d.write("WORK/bad.c", "int main(void) { return x; }\n");
    run("bad.c", 2);
    EXPECT_EQ(window.messages, QStringList{"コンパイル　エラー"});
    EXPECT_TRUE(window.log().startsWith("bad:RESETV ＯＫ\r\n"));
    EXPECT_TRUE(window.log().contains("x")) << window.log().toStdString();
    EXPECT_TRUE(d.exists("WORK/err.txt"));
    EXPECT_FALSE(window.transferEnabled());
}

} // namespace

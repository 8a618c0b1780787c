// Builds the sample programs with the bundled toolchain through the build modes, exactly as
// the window does, in a temporary start-up, source and tool directory.
#include "runmodes/builddriver.h"
#include "support/recordingwindow.h"
#include "support/tempdrive.h"

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
        if (!QFile::exists(build + "/toolchain/cc38h.exe") ||
            QStandardPaths::findExecutable("h8300-hms-gcc").isEmpty())
            GTEST_SKIP() << "the bundled toolchain is not built or the cross tools are missing";
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

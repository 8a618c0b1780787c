#include "srec_text.h"
#include "support/tempdrive.h"
#include "support/rowname.h"

#include <QProcess>
#include <gtest/gtest.h>

using namespace vesk::test;

namespace {

struct ToolCase
{
    const char *name;
    const char *cwd;  // below the drive's root
    const char *base; // as typed
    const char *image;
};

void PrintTo(const ToolCase &c, std::ostream *os)
{
    *os << c.name;
}

class Mot2Bin : public ::testing::TestWithParam<ToolCase>
{
protected:
    // Runs the tool with the temporary drive as its drive map; returns the exit code.
    int run(const TempDrive &drive, const QString &cwd, const QString &base, QString *err)
    {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VESK_DOSDEVICES", drive.dosDevices());
        tool.setProcessEnvironment(env);
        tool.setWorkingDirectory(drive.host(cwd));
        tool.start(qEnvironmentVariable("VESK_BINARY_DIR") + "/bin/vesk-mot2bin",
                   {base});
        EXPECT_TRUE(tool.waitForFinished(30000));
        *err = QString::fromUtf8(tool.readAllStandardError());
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    }
};

TEST_P(Mot2Bin, ConvertsTheNamedFile)
{
    TempDrive drive;
    drive.mkdir("OTHER");
    drive.write("WORK/Prog.mot", s1(0, seq(1, 4)) + s1(0x10, seq(9, 2)));
    const QString base = QString(GetParam().base).replace("@", drive.root());
    QString err;
    EXPECT_EQ(run(drive, GetParam().cwd, base, &err), 0) << qPrintable(err);
    EXPECT_EQ(drive.read(QString("WORK/") + GetParam().image), seq(1, 4) + zeros(12) + seq(9, 2));
}

INSTANTIATE_TEST_SUITE_P(
    Tool, Mot2Bin,
    ::testing::Values(ToolCase{"HostPath", "OTHER", "@/WORK/Prog", "Prog.BIN"},
                      ToolCase{"HostPathWithExtension", "WORK", "Prog.mot", "Prog.BIN"},
                      ToolCase{"RelativeHostPath", "OTHER", "../WORK/Prog", "Prog.BIN"},
                      ToolCase{"DosPath", "OTHER", "C:\\WORK\\PROG", "PROG.BIN"},
                      ToolCase{"RelativeDosPath", "OTHER", "..\\work\\prog", "prog.BIN"}),
    vesk::test::RowName());

TEST_F(Mot2Bin, MissingFileFailsWithAMessage)
{
    TempDrive drive;
    drive.mkdir("WORK");
    QString err;
    EXPECT_NE(run(drive, "WORK", "nothing", &err), 0);
    EXPECT_TRUE(err.contains("ファイルが見つかりません。")) << qPrintable(err);
    EXPECT_TRUE(err.contains(drive.host("WORK/nothing.MOT"))) << qPrintable(err);
    EXPECT_FALSE(drive.exists("WORK/nothing.BIN"));
}

} // namespace

#include "srec_text.h"
#include "support/rowname.h"
#include "support/tempdrive.h"

#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
        tool.start(qEnvironmentVariable("VESK_BINARY_DIR") + "/bin/vesk-mot2bin", {base});
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

// Nothing to convert is no conversion: the image made before stays.
TEST_F(Mot2Bin, MissingFileKeepsTheImage)
{
    TempDrive drive;
    drive.write("WORK/prog.bin", "old image");
    QString err;
    EXPECT_NE(run(drive, "WORK", "prog", &err), 0);
    EXPECT_TRUE(err.contains("ファイルが見つかりません。")) << qPrintable(err);
    EXPECT_EQ(drive.read("WORK/prog.bin"), "old image");
}

QStringList entriesOf(const TempDrive &drive, const QString &dir)
{
    return QDir(drive.host(dir)).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

struct SignalCase
{
    const char *name;
    int signal;
};

void PrintTo(const SignalCase &c, std::ostream *os)
{
    *os << c.name;
}

class KilledConversion : public ::testing::TestWithParam<SignalCase>
{
};

// The hidden image of a conversion that a signal ends (hundreds of megabytes for a large
// fill) goes with it. The input is a pipe, so the conversion stops where the test wants it.
TEST_P(KilledConversion, LeavesNoHiddenImage)
{
    TempDrive drive;
    drive.mkdir("WORK");
    const QByteArray input = QFile::encodeName(drive.host("WORK/PROG.MOT"));
    ASSERT_EQ(::mkfifo(input.constData(), 0600), 0);

    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VESK_DOSDEVICES", drive.dosDevices());
    tool.setProcessEnvironment(env);
    tool.setWorkingDirectory(drive.host("WORK"));
    // Whatever the test was started with (nohup), the tool meets the signal as a user's would.
    tool.setChildProcessModifier([] {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            std::signal(signal, SIG_DFL);
    });
    tool.start(qEnvironmentVariable("VESK_BINARY_DIR") + "/bin/vesk-mot2bin", {"PROG"});
    ASSERT_TRUE(tool.waitForStarted());

    const auto oldPipeHandler = std::signal(SIGPIPE, SIG_IGN);
    // Opening returns once the tool has opened its input.
    const int fd = ::open(input.constData(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    // More than a pipe holds: when the last byte is in, the tool has created its image and
    // read the records, and it then waits for the rest of its input.
    const QByteArray text = s1(0, seq(1, 4)) + s2(0x100000, seq(5, 1)) + QByteArray(1 << 20, '\n');
    qsizetype sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + sent, std::size_t(text.size() - sent));
        ASSERT_GT(n, 0);
        sent += n;
    }
    const QStringList during = entriesOf(drive, "WORK");
    ::kill(pid_t(tool.processId()), GetParam().signal);
    EXPECT_TRUE(tool.waitForFinished(30000));
    ::close(fd);
    std::signal(SIGPIPE, oldPipeHandler);

    ASSERT_EQ(during.size(), 2) << qPrintable(during.join(' '));
    EXPECT_TRUE(during[0].startsWith(".PROG.BIN.")) << qPrintable(during[0]);
    EXPECT_EQ(tool.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(tool.exitCode(), GetParam().signal);
    EXPECT_EQ(entriesOf(drive, "WORK").join(' ').toStdString(), "PROG.MOT");
}

INSTANTIATE_TEST_SUITE_P(Tool, KilledConversion,
                         ::testing::Values(SignalCase{"Terminate", SIGTERM},
                                           SignalCase{"Interrupt", SIGINT},
                                           SignalCase{"HangUp", SIGHUP}),
                         vesk::test::RowName());

} // namespace

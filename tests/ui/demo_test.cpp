// A newcomer's first run through the window: the sample C program is built for RAM with the
// bundled toolchain and sent by 転送 to a virtual board on a pseudo-terminal, which runs it.
#include "uitest.h"

#include "support/toolchain.h"
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QThread>
#include <QtTest/QTest>

using namespace vesk;
using namespace vesk::test;

namespace {

TEST(Demo, SampleBuiltForRamArrivesWholeAtTheVirtualBoardAndRuns)
{
    const QString build = qEnvironmentVariable("VESK_BINARY_DIR");
    if (const QString why = vesk::test::toolchainMissing(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();

    TempDrive drive;
    copyTree(build + "/toolchain", drive.host("TC"));
    copyTree(build + "/templates", drive.host("start"));
    copyTree(build + "/toolchain/samples", drive.host("WORK"));
    // The start-up directory's own drive map: C: is the temporary drive; the board adds com1.
    drive.mkdir("start/dosdevices");
    QFile::link(drive.root(), drive.host("start/dosdevices/c:"));
    drive.write("start/H8C.ini", "C:\\WORK\\\r\nFFDF50\r\nC:\\TC\\\r\nFFDF50\r\n200\r\n");

    QProcess board;
    board.start(build + "/bin/vesk-board",
                {"--link", drive.host("start"), "--keep", drive.host("received"), "--run"});
    ASSERT_TRUE(board.waitForStarted());
    QDeadlineTimer linked(10000);
    while (!QFileInfo(drive.host("start/dosdevices/com1")).exists() && !linked.hasExpired())
        QThread::msleep(10);
    ASSERT_TRUE(QFileInfo(drive.host("start/dosdevices/com1")).exists());

    const QString start = drive.host("start");
    DosFs fs(DriveMap::locate(start), start);
    RecordingForm form(fs);
    ASSERT_TRUE(form.startUp());
    ASSERT_TRUE(form.File1->selectFile("blink.c"));
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    ASSERT_TRUE(form.messages.isEmpty()) << form.messages.join("|").toStdString();
    EXPECT_EQ(form.log().count("\r\n"), 5) << form.log().toStdString();
    ASSERT_TRUE(form.Command2->isEnabled());
    EXPECT_EQ(form.Label1->text(), "blink.bin");

    QTest::mouseClick(form.Command2, Qt::LeftButton);
    EXPECT_TRUE(form.messages.isEmpty()) << form.messages.join("|").toStdString();
    // The board runs the image in real time: port B's LEDs go round from bit 0, a step every
    // few hundredths of a second, each shown as a row (bit 7 first).
    const QString round = "PB ○○○○○○○●\nPB ○○○○○○●○\nPB ○○○○○●○○\n";
    QString report;
    QDeadlineTimer running(20000);
    while (!report.contains(round) && board.state() == QProcess::Running && !running.hasExpired()) {
        board.waitForReadyRead(100);
        report += QString::fromUtf8(board.readAllStandardOutput());
    }
    board.terminate();
    ASSERT_TRUE(board.waitForFinished(10000));
    report += QString::fromUtf8(board.readAllStandardOutput());
    EXPECT_TRUE(report.contains("well formed")) << report.toStdString();
    EXPECT_TRUE(report.contains(round)) << report.toStdString();

    QByteArray image;
    ASSERT_FALSE(fs.readAll("C:\\WORK\\blink.bin", image));
    const QStringList kept = QDir(drive.host("received")).entryList(QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(drive.read("received/" + kept[0]), image);
    EXPECT_TRUE(report.contains(QString("%1 bytes").arg(image.size()))) << report.toStdString();
    // The log ends with the transfer, counted in the image's bytes, and the title is Vesk's.
    EXPECT_TRUE(form.log().endsWith(QString("blink.bin %1 バイト転送完了\r\n").arg(image.size())))
        << form.log().toStdString();
    EXPECT_EQ(form.windowTitle(), "Vesk");
}

} // namespace

namespace {

TEST_F(FormTest, MotModeThroughTheWindowConvertsInTheListedDirectory)
{
    drive.write("WORK/SUB/PROG.MOT", "S00600004844521B\r\nS1070000010203046E\r\nS9030000FC\r\n");
    ASSERT_TRUE(start());
    form->show();
    form->Option1[1]->click();
    ASSERT_FALSE(form->File1->setPath("C:\\WORK\\SUB"));
    ASSERT_TRUE(form->File1->selectFile("prog.mot"));
    QTest::mouseClick(form->Command4, Qt::LeftButton);
    EXPECT_TRUE(form->messages.isEmpty()) << form->messages.join("|").toStdString();
    EXPECT_EQ(drive.read("WORK/SUB/PROG.BIN"), QByteArray("\x01\x02\x03\x04"));
    // One line saying what was made; its wording is the MOT mode's own business.
    EXPECT_EQ(form->log().count("\r\n"), 1) << form->log().toStdString();
    EXPECT_TRUE(form->log().contains("PROG.BIN", Qt::CaseInsensitive)) << form->log().toStdString();
    EXPECT_EQ(form->label1(), "");
    EXPECT_FALSE(form->Command2->isEnabled());
    EXPECT_EQ(form->state().WorkDir, "C:\\WORK\\SUB\\");
}

} // namespace

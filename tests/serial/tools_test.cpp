#include "pty.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

namespace {

QString tool(const char *name)
{
    return qEnvironmentVariable("VESK_BINARY_DIR") + "/bin/" + name;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Starts vesk-board and returns the terminal it prints first.
QString startBoard(QProcess &board, const QStringList &args)
{
    board.start(tool("vesk-board"), args);
    if (!board.waitForStarted(5000))
        return {};
    while (!board.canReadLine() && board.waitForReadyRead(5000)) {
    }
    return QString::fromLocal8Bit(board.readLine()).trimmed();
}

TEST(BoardAndSender, TheSenderDeliversTheImageAndTheBoardReportsAndKeepsIt)
{
    QTemporaryDir dir;
    const QByteArray image("\x01\x02\x03\x04", 4);
    writeFile(dir.filePath("prog.bin"), image);
    QProcess board;
    const QString slave =
        startBoard(board, {"--link", dir.path(), "--keep", dir.filePath("keep"), "--count", "1"});
    ASSERT_TRUE(slave.startsWith("/dev/")) << slave.toStdString();
    EXPECT_EQ(QFileInfo(dir.filePath("dosdevices/com1")).symLinkTarget(), slave);

    // No --port: the sender finds the board through dosdevices/com1 of its directory.
    QProcess send;
    send.setWorkingDirectory(dir.path());
    send.start(tool("vesk-send"), {"prog.bin"});
    ASSERT_TRUE(send.waitForFinished(20000));
    EXPECT_EQ(send.exitCode(), 0) << send.readAllStandardError().toStdString();

    ASSERT_TRUE(board.waitForFinished(20000)) << "the board did not see its one frame";
    EXPECT_EQ(board.exitCode(), 0);
    // CRC-32 of 01 02 03 04 as zlib computes it.
    EXPECT_EQ(QString::fromLocal8Bit(board.readAllStandardOutput()).trimmed(),
              "frame 1: 4 bytes, crc32 b63cfbcd, well formed");
    EXPECT_EQ(readFile(dir.filePath("keep/image-001.bin")), image);
    EXPECT_FALSE(QFileInfo(dir.filePath("dosdevices/com1")).isSymLink())
        << "the link to a closed terminal was left behind";

    // A second board keeps its images after the first one's and sends through a DOS path.
    const QString second =
        startBoard(board, {"--link", dir.path(), "--keep", dir.filePath("keep"), "--count", "1"});
    ASSERT_TRUE(second.startsWith("/dev/"));
    const QString dosDevices = dir.filePath("dosdevices");
    QFile::link(dir.path(), dosDevices + "/c:");
    send.start(tool("vesk-send"), {"C:\\PROG.BIN"});
    ASSERT_TRUE(send.waitForFinished(20000));
    EXPECT_EQ(send.exitCode(), 0) << send.readAllStandardError().toStdString();
    ASSERT_TRUE(board.waitForFinished(20000));
    EXPECT_EQ(readFile(dir.filePath("keep/image-001.bin")), image);
    EXPECT_EQ(readFile(dir.filePath("keep/image-002.bin")), image);
}

TEST(BoardAndSender, TheBoardLeavesALinkToARealPortAlone)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("dosdevices");
    const QString com1 = dir.filePath("dosdevices/com1");
    ASSERT_TRUE(QFile::link("/dev/null", com1));
    QProcess board;
    board.start(tool("vesk-board"), {"--link", dir.path()});
    ASSERT_TRUE(board.waitForFinished(10000));
    EXPECT_NE(board.exitCode(), 0);
    EXPECT_EQ(QFileInfo(com1).symLinkTarget(), "/dev/null");
}

TEST(BoardAndSender, TheBoardAnswersEachFrameAndFlagsAMalformedOne)
{
    QProcess board;
    const QString slave = startBoard(board, {"--echo", "A\\x42"});
    ASSERT_FALSE(slave.isEmpty());
    const int fd = ::open(slave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    // Three zero bytes instead of 21 before the start mark.
    const QByteArray frame =
        QByteArray(3, '\0') + QByteArray("\xFF\x00\x02\xAA\xBB", 5) + QByteArray(7, '\0');
    ASSERT_EQ(::write(fd, frame.constData(), size_t(frame.size())), frame.size());

    while (!board.canReadLine() && board.waitForReadyRead(5000)) {
    }
    EXPECT_EQ(QString::fromLocal8Bit(board.readLine()).trimmed(),
              "frame 1: 2 bytes, crc32 49822c98, malformed (3 leading zeros, 21 expected)");
    QByteArray answer;
    pollfd p{fd, POLLIN, 0};
    char buf[16];
    ssize_t n;
    while (answer.size() < 2 && ::poll(&p, 1, 5000) > 0 && (n = ::read(fd, buf, sizeof buf)) > 0)
        answer.append(buf, n);
    ::close(fd);
    EXPECT_EQ(answer, "AB");
    board.terminate();
    EXPECT_TRUE(board.waitForFinished(5000));
    EXPECT_EQ(board.exitStatus(), QProcess::NormalExit);
}

TEST(BoardAndSender, TheSenderRefusesAnOddImageAsTransferDoes)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("prog.bin"), "abc");
    vesk::test::Pty pty;

    QProcess send;
    send.start(tool("vesk-send"), {dir.filePath("prog.bin"), "--port", pty.path()});
    ASSERT_TRUE(send.waitForFinished(20000));

    EXPECT_NE(send.exitCode(), 0);
    EXPECT_EQ(send.readAllStandardError(), "vesk-send: Error\n");
    EXPECT_TRUE(pty.drain().isEmpty());
}

} // namespace

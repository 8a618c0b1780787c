#include "pty.h"
#include "support/rowname.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
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

// What DIR/dosdevices/com1 is before `vesk-board --link DIR`.
enum class Com1Before { LinkToRealPort, LinkToUnpluggedPort, File, LinkToOldTerminal };

struct LinkRow
{
    const char *name;
    Com1Before before;
    bool replaced;
};

class BoardLink : public ::testing::TestWithParam<LinkRow>
{
};

// Only a board's own leftover is replaced; a user's port link stays, plugged in or not (the
// README's install steps link /dev/ttyUSB0 while the adapter may be out).
TEST_P(BoardLink, ReplacesOnlyALinkToAPseudoTerminal)
{
    const LinkRow &row = GetParam();
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("dosdevices");
    const QString com1 = dir.filePath("dosdevices/com1");
    const char *const targets[] = {"/dev/null", "/dev/ttyVESKUNPLUGGED", nullptr,
                                   "/dev/pts/999999"};
    const char *const target = targets[int(row.before)];
    if (target)
        ASSERT_TRUE(QFile::link(target, com1));
    else
        writeFile(com1, "mine");

    QProcess board;
    if (row.replaced) {
        const QString slave = startBoard(board, {"--link", dir.path()});
        ASSERT_TRUE(slave.startsWith("/dev/pts/")) << slave.toStdString();
        EXPECT_EQ(QFileInfo(com1).symLinkTarget(), slave);
        board.terminate();
        ASSERT_TRUE(board.waitForFinished(10000));
        EXPECT_FALSE(QFileInfo(com1).isSymLink()) << "the board's own link was left behind";
        return;
    }
    board.start(tool("vesk-board"), {"--link", dir.path()});
    ASSERT_TRUE(board.waitForFinished(10000));
    EXPECT_NE(board.exitCode(), 0);
    const QString err = QString::fromLocal8Bit(board.readAllStandardError());
    EXPECT_TRUE(err.contains("vesk-workspace DIR")) << "no way out named: " << err.toStdString();
    if (target) {
        EXPECT_TRUE(QFileInfo(com1).isSymLink());
        EXPECT_EQ(QFileInfo(com1).symLinkTarget(), target);
    } else {
        EXPECT_EQ(readFile(com1), "mine");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Com1, BoardLink,
    ::testing::Values(LinkRow{"RealPortStays", Com1Before::LinkToRealPort, false},
                      LinkRow{"UnpluggedPortStays", Com1Before::LinkToUnpluggedPort, false},
                      LinkRow{"FileStays", Com1Before::File, false},
                      LinkRow{"OldTerminalIsReplaced", Com1Before::LinkToOldTerminal, true}),
    vesk::test::RowName());

// Reads the board's next line; empty when none comes within five seconds.
QString nextLine(QProcess &board)
{
    while (!board.canReadLine() && board.waitForReadyRead(5000)) {
    }
    return QString::fromLocal8Bit(board.readLine()).trimmed();
}

TEST(BoardAndSender, TheBoardReportsACutOffFrameAndReadsTheNextOneWhole)
{
    QProcess board;
    const QString slave = startBoard(board, {});
    ASSERT_FALSE(slave.isEmpty());
    const int fd = ::open(slave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    const auto send = [fd](const QByteArray &bytes) {
        return ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    };
    const QByteArray lead(21, '\0');
    const QByteArray tail(7, '\0');

    // The sender stops after two of eight image bytes; the board notices the quiet line.
    ASSERT_TRUE(send(lead + QByteArray("\xFF\x00\x08\x11\x22", 5)));
    EXPECT_EQ(nextLine(board),
              "frame 1: 2 bytes, crc32 c760700b, malformed (cut off after 2 of 8 image bytes)");
    // Then a whole frame, which must not be taken as the rest of the first one.
    ASSERT_TRUE(send(lead + QByteArray("\xFF\x00\x04\x01\x02\x03\x04", 7) + tail));
    EXPECT_EQ(nextLine(board), "frame 2: 4 bytes, crc32 b63cfbcd, well formed");
    ASSERT_TRUE(send(lead + QByteArray("\xFF\x00\x03\x01\x02\x03", 6) + tail));
    EXPECT_EQ(nextLine(board), "frame 3: 3 bytes, crc32 55bc801d, malformed (odd length 3)");

    // A frame still arriving when the board ends is reported as far as it came.
    ASSERT_TRUE(send(lead + QByteArray("\xFF\x00\x08\x11\x22\x33\x44\x55\x66", 9)));
    board.terminate();
    ASSERT_TRUE(board.waitForFinished(5000));
    ::close(fd);
    EXPECT_EQ(QString::fromLocal8Bit(board.readAllStandardOutput()).trimmed(),
              "frame 4: 6 bytes, crc32 345913d6, malformed (cut off after 6 of 8 image bytes)");
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

enum class Port { Pty, Empty, BareName };

struct RefusalRow
{
    const char *name;
    QByteArray image;
    qint64 sparseSize; // instead of `image`: a file this long, of holes
    Port port;
    int exitCode;
    const char *told; // in what the sender prints, "%1" standing for the image's path
};

class SenderRefuses : public ::testing::TestWithParam<RefusalRow>
{
};

TEST_P(SenderRefuses, AndSaysWhyWithoutSendingAByte)
{
    const RefusalRow &row = GetParam();
    QTemporaryDir dir;
    const QString image = dir.filePath("prog.bin");
    writeFile(image, row.image);
    if (row.sparseSize > 0)
        ASSERT_EQ(::truncate(QFile::encodeName(image).constData(), row.sparseSize), 0);
    vesk::test::Pty pty;
    const QString ports[] = {pty.path(), QString(), "ttyVESKNONE"};

    QProcess send;
    // A sender that reads a 1 GiB image whole before looking at its size runs out of memory.
    send.setChildProcessModifier([] {
        const rlimit limit{512u << 20, 512u << 20};
        ::setrlimit(RLIMIT_AS, &limit);
    });
    send.start(tool("vesk-send"), {image, "--port", ports[int(row.port)]});
    ASSERT_TRUE(send.waitForFinished(20000));

    EXPECT_EQ(send.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(send.exitCode(), row.exitCode);
    const QString err = QString::fromLocal8Bit(send.readAllStandardError());
    EXPECT_TRUE(err.contains(QString::fromUtf8(row.told).replace("%1", image)))
        << err.toStdString();
    EXPECT_TRUE(pty.drain().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SenderRefuses,
    ::testing::Values(
        RefusalRow{"OddImageSaysItIsOdd", "abc", 0, Port::Pty, 1,
                   "vesk-send: イメージの長さが奇数です（3 バイト）。ボードのローダーは"
                   "偶数バイトのイメージしか受け取りません。\n           %1\n"},
        RefusalRow{"HugeImageIsRefusedBeforeItIsRead",
                   {},
                   qint64(1) << 30,
                   Port::Pty,
                   1,
                   "vesk-send: イメージが大きすぎます（1073741824 バイト、上限 65535 バイト）。"
                   "\n           %1\n"},
        RefusalRow{"EmptyPortIsNoDefault", "ab", 0, Port::Empty, 2, "--port wants a device"},
        RefusalRow{"BareNamedPortIsNamedAsTheDevicePathTried", "ab", 0, Port::BareName, 1,
                   "\n           /dev/ttyVESKNONE\n"}),
    vesk::test::RowName());

} // namespace

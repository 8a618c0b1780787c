#include "pty.h"
#include "serial/receive.h"
#include "serial/transfer.h"
#include "support/recordingwindow.h"
#include "support/rowname.h"
#include "support/tempdrive.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using namespace vesk;
using namespace vesk::test;

namespace {

QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + 1);
    return bytes;
}

// The frame written out by hand, independent of makeFrame.
QByteArray expectedFrame(const QByteArray &image, char high, char low)
{
    return QByteArray(21, '\0') + char(0xFF) + high + low + image + QByteArray(7, '\0');
}

QByteArray expectedFrame(const QByteArray &image)
{
    return expectedFrame(image, char(image.size() >> 8), char(image.size() & 0xFF));
}

// Records what the window would show of a transfer besides its boxes.
class RecordingTransferView : public TransferView
{
public:
    void showTransferProgress(const TransferProgress &progress) override
    {
        shown << progress;
        shownAt << (clock ? clock() : std::chrono::nanoseconds{});
    }
    void endTransferProgress() override
    {
        ++ends;
        boxesBeforeEnd = window ? int(window->messages.size()) : 0;
    }
    void logTransfer(const QString &line) override { lines << line; }

    QList<TransferProgress> shown;
    QList<std::chrono::nanoseconds> shownAt;
    int ends = 0;
    int boxesBeforeEnd = -1;
    QStringList lines;
    MonotonicClock clock;
    const RecordingWindow *window = nullptr;
};

class TransferTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        state.fname = "MAIN";
        state.transferImage = "C:\\MAIN.bin";
        connectReceive(comm);
        window.m_log = "MAIN:アセンブルＯＫ\r\n";
        window.m_label1 = "MAIN.bin";
        window.m_transfer = true;
        view.clock = clock;
        view.window = &window;
        // The board reads as fast as the port sends; each pass takes one poll interval.
        window.onYield = [this] {
            now += std::chrono::milliseconds(ImageSender::kPollMs);
            received += pty.drain();
        };
    }

    void expectWindowUnchanged() const
    {
        EXPECT_EQ(window.m_log, "MAIN:アセンブルＯＫ\r\n");
        EXPECT_EQ(window.m_label1, "MAIN.bin");
        EXPECT_TRUE(window.m_transfer);
    }

    // Fails with the sizes rather than printing 64 KiB of bytes.
    void expectReceived(const QByteArray &expected)
    {
        received += pty.readUpTo(expected.size() - received.size());
        EXPECT_EQ(received.size(), expected.size());
        EXPECT_TRUE(received == expected) << "the bytes on the line differ from the frame";
    }

    TempDrive drive;
    DosFs fs = drive.fs();
    MainState state;
    RecordingWindow window;
    Pty pty;
    MSComm comm{pty.path()};
    std::chrono::milliseconds now{0};
    MonotonicClock clock = [this] { return now; };
    RecordingTransferView view;
    Transfer transfer{comm, fs, state, window, window, view, clock};
    QByteArray received;
};

struct FrameRow
{
    const char *name;
    QByteArray image;
    char high;
    char low;
};

class FrameOnTheLine : public TransferTest, public ::testing::WithParamInterface<FrameRow>
{
};

TEST_P(FrameOnTheLine, IsSentWholeAndTheWindowStaysAsItWas)
{
    const FrameRow &row = GetParam();
    // The image converter writes ".BIN"; Transfer asks for ".bin".
    drive.write("MAIN.BIN", row.image);

    transfer.click();

    EXPECT_EQ(comm.OutBufferCount(), 0);
    expectReceived(expectedFrame(row.image, row.high, row.low));
    EXPECT_EQ(received.size(), row.image.size() + 31);
    EXPECT_TRUE(window.events.isEmpty()) << window.events.join(", ").toStdString();
    expectWindowUnchanged();
    EXPECT_FALSE(transfer.busy());
    EXPECT_TRUE(view.shown.isEmpty()) << "a wait shorter than half a second shows no progress";
    EXPECT_EQ(view.ends, 0);
    // The image's bytes, as Label1's file has them, not the frame's.
    EXPECT_EQ(view.lines,
              QStringList{QString("MAIN.bin %1 バイト転送完了\r\n").arg(row.image.size())});
}

INSTANTIATE_TEST_SUITE_P(
    Images, FrameOnTheLine,
    ::testing::Values(FrameRow{"FourBytesMake35", QByteArray("\x01\x02\x03\x04", 4), 0x00, 0x04},
                      FrameRow{"EmptyImageMake31", QByteArray(), 0x00, 0x00},
                      FrameRow{"ThreeHundredBytesLength012C", pattern(300), 0x01, 0x2C},
                      FrameRow{"LargestEvenImageFFFE", pattern(65534), char(0xFF), char(0xFE)}),
    vesk::test::RowName());

struct RefusalRow
{
    const char *name;
    std::optional<QByteArray> image; // none: no image file
    int beeps;
    QString message; // the whole message, or its first line
    QString line;    // the log's
};

class RefusedImage : public TransferTest, public ::testing::WithParamInterface<RefusalRow>
{
};

TEST_P(RefusedImage, SendsNothingAndLeavesThePortOpen)
{
    const RefusalRow &row = GetParam();
    if (row.image)
        drive.write("MAIN.BIN", *row.image);

    transfer.click();

    EXPECT_EQ(window.beeps, row.beeps);
    ASSERT_EQ(window.messages.size(), 1);
    EXPECT_EQ(window.messages[0].section('\n', 0, 0), row.message);
    if (row.beeps > 0)
        EXPECT_EQ(window.events.first(), "beep") << "the beep sounds before the message";
    EXPECT_EQ(comm.OutBufferCount(), 0);
    window.processEvents(0);
    EXPECT_TRUE(pty.drain().isEmpty());
    EXPECT_TRUE(comm.PortOpen());
    // Looking for the image must not create it.
    EXPECT_EQ(QDir(drive.root()).entryList(QDir::Files).size(), row.image ? 1 : 0);
    expectWindowUnchanged();
    // The box may say only "Error"; the log says why.
    EXPECT_EQ(view.lines, QStringList{"MAIN.bin 転送失敗：" + row.line + "\r\n"});
    EXPECT_TRUE(view.shown.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Images, RefusedImage,
    ::testing::Values(RefusalRow{"OddLength", QByteArray("\x01\x02\x03", 3), 0, "Error",
                                 "イメージの長さが奇数です（3 バイト）"},
                      RefusalRow{"NoImageFile", std::nullopt, 1, QString::fromUtf8(kImageNotFound),
                                 "ファイルが見つかりません"},
                      RefusalRow{"TooLongForTheLengthField", pattern(65536), 0,
                                 "イメージが大きすぎます（65536 バイト、上限 65535 バイト）。",
                                 "イメージが大きすぎます（65536 バイト、上限 65535 バイト）"},
                      RefusalRow{"OddAndTooLongIsOdd", pattern(65537), 0, "Error",
                                 "イメージが大きすぎます（65537 バイト、上限 65535 バイト）"}),
    vesk::test::RowName());

struct ChoiceRow
{
    const char *name;
    bool builtImageThere;
};

class ImageOfTheLastBuild : public TransferTest, public ::testing::WithParamInterface<ChoiceRow>
{
};

// MOT and disassembly mode move fname and the current directory to another image; Transfer
// still sends the one that Label1 names, or none.
TEST_P(ImageOfTheLastBuild, IsSentWhateverModeRanSince)
{
    const QByteArray built("\x01\x02\x03\x04", 4);
    if (GetParam().builtImageThere)
        drive.write("BUILD/MAIN.BIN", built);
    else
        drive.mkdir("BUILD");
    drive.write("OTHER/PROG.BIN", QByteArray("\x05\x06", 2));
    state.transferImage = "C:\\BUILD\\MAIN.bin";
    state.fname = "PROG";
    ASSERT_FALSE(fs.makeCurrent("C:\\OTHER"));

    transfer.click();

    if (GetParam().builtImageThere) {
        EXPECT_TRUE(window.events.isEmpty()) << window.events.join(", ").toStdString();
        expectReceived(expectedFrame(built));
    } else {
        EXPECT_EQ(window.events,
                  (QStringList{"beep", "message:" + QString::fromUtf8(kImageNotFound)}));
        window.processEvents(0);
        EXPECT_TRUE(pty.drain().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Images, ImageOfTheLastBuild,
                         ::testing::Values(ChoiceRow{"BuiltImageIsSent", true},
                                           ChoiceRow{"BuiltImageGoneIsNotFound", false}),
                         vesk::test::RowName());

TEST_F(TransferTest, FirstTransferOpensThePortAndLaterOnesFindItOpen)
{
    const QByteArray image("\x01\x02\x03\x04", 4);
    drive.write("MAIN.BIN", image);
    EXPECT_FALSE(comm.PortOpen()) << "the port stays closed until the first transfer";

    transfer.click();
    EXPECT_TRUE(comm.PortOpen());
    transfer.click();
    EXPECT_TRUE(comm.PortOpen());

    expectReceived(expectedFrame(image) + expectedFrame(image));
    EXPECT_TRUE(window.events.isEmpty());
}

TEST_F(TransferTest, BytesFromTheBoardDuringTheWaitAreTakenAndDropped)
{
    // Larger than the terminal buffers, so the wait lasts until the test reads the line.
    const QByteArray image = pattern(65534);
    drive.write("MAIN.BIN", image);
    int commEvents = 0;
    QObject::connect(&comm, &MSComm::OnComm, [&] { ++commEvents; });
    bool answered = false;
    window.onYield = [&] {
        now += std::chrono::milliseconds(ImageSender::kPollMs);
        if (!answered) {
            pty.write("OK\r\n");
            answered = true;
        } else if (commEvents > 0) {
            received += pty.drain();
        }
    };

    transfer.click();

    EXPECT_GT(commEvents, 0);
    EXPECT_TRUE(comm.Input().isEmpty()) << "the receive handler left bytes in the buffer";
    expectReceived(expectedFrame(image));
    EXPECT_TRUE(window.events.isEmpty());
    expectWindowUnchanged();
}

TEST_F(TransferTest, AClickDuringTheWaitIsRefusedWithABeep)
{
    const QByteArray image = pattern(300);
    drive.write("MAIN.BIN", image);
    bool clicked = false;
    bool busyInside = false;
    window.onYield = [&] {
        if (!clicked) {
            clicked = true;
            busyInside = transfer.busy();
            transfer.click();
        }
        received += pty.drain();
    };

    transfer.click();

    EXPECT_TRUE(busyInside);
    EXPECT_EQ(window.events, QStringList{"beep"});
    EXPECT_EQ(view.lines, QStringList{"MAIN.bin 300 バイト転送完了\r\n"})
        << "the refused click is no transfer of its own";
    received += pty.readUpTo(2 * expectedFrame(image).size(), 300);
    EXPECT_TRUE(received == expectedFrame(image)) << "received " << received.size() << " bytes";
}

TEST_F(TransferTest, APortThatVanishesEndsTheTransferAndIsOpenedAgainNextTime)
{
    QTemporaryDir links;
    const QString com1 = links.path() + "/com1";
    auto board = std::make_unique<Pty>();
    ASSERT_TRUE(QFile::link(board->path(), com1));
    const QString firstDevice = board->path(); // the link is read at each open
    MSComm port(com1);
    connectReceive(port);
    Transfer sender(port, fs, state, window, window, view, clock);
    const QByteArray image = pattern(65534);
    drive.write("MAIN.BIN", image);
    // The adapter is pulled while the frame is still going out.
    window.onYield = [&] {
        now += std::chrono::milliseconds(ImageSender::kPollMs);
        if (window.yields == 3)
            board->close();
    };

    sender.click();

    ASSERT_EQ(window.messages.size(), 1);
    EXPECT_TRUE(window.messages[0].startsWith("シリアルポートとの接続が切れました。"));
    EXPECT_TRUE(window.messages[0].contains(firstDevice));
    EXPECT_FALSE(port.PortOpen());
    EXPECT_FALSE(sender.busy());
    EXPECT_EQ(view.lines, QStringList{"MAIN.bin 転送失敗：シリアルポートとの接続が切れました\r\n"});

    // Plugged in again, perhaps under another terminal.
    board = std::make_unique<Pty>();
    QFile::remove(com1);
    ASSERT_TRUE(QFile::link(board->path(), com1));
    window.onYield = [&] {
        now += std::chrono::milliseconds(ImageSender::kPollMs);
        received += board->drain();
    };

    sender.click();

    EXPECT_EQ(window.messages.size(), 1);
    EXPECT_TRUE(port.PortOpen());
    EXPECT_EQ(view.lines.value(1), "MAIN.bin 65534 バイト転送完了\r\n");
    received += board->readUpTo(expectedFrame(image).size() - received.size());
    EXPECT_TRUE(received == expectedFrame(image)) << "received " << received.size() << " bytes";
}

TEST_F(TransferTest, ALongTransferShowsItsProgressFromHalfASecondOn)
{
    const QByteArray image = pattern(6000);
    drive.write("MAIN.BIN", image);
    ASSERT_FALSE(comm.setPortOpen(true));
    // The line is held for two seconds, then the board reads all it gets.
    ASSERT_EQ(::tcflow(pty.slave(), TCOOFF), 0);
    window.onYield = [&] {
        now += std::chrono::milliseconds(100);
        if (now == std::chrono::seconds(2))
            ::tcflow(pty.slave(), TCOON);
        if (now >= std::chrono::seconds(2))
            received += pty.drain();
    };

    transfer.click();

    ASSERT_FALSE(view.shown.isEmpty());
    // Nothing at 0.5 s itself: the first pass after it.
    EXPECT_EQ(view.shownAt.first(), std::chrono::milliseconds(600));
    // All 6031 bytes of the frame still queued: 6.3 s at 9600 baud, rounded up.
    EXPECT_EQ(view.shown.first().sent, 0);
    EXPECT_EQ(view.shown.first().total, 6000);
    EXPECT_EQ(view.shown.first().secondsLeft, 7);
    for (int i = 1; i < view.shown.size(); ++i) {
        EXPECT_GE(view.shownAt[i] - view.shownAt[i - 1], std::chrono::milliseconds(250));
        EXPECT_GE(view.shown[i].sent, view.shown[i - 1].sent);
        EXPECT_LE(view.shown[i].sent, 6000);
        EXPECT_LE(view.shown[i].secondsLeft, view.shown[i - 1].secondsLeft);
    }
    EXPECT_EQ(view.ends, 1);
    EXPECT_EQ(view.lines, QStringList{"MAIN.bin 6000 バイト転送完了\r\n"});
    EXPECT_TRUE(window.events.isEmpty()) << window.events.join(", ").toStdString();
    expectReceived(expectedFrame(image));
}

struct StallRow
{
    const char *name;
    int imageSize;
    // Passes of a second each until the wait gives up: the frame's line time plus 5 s.
    int passes;
};

class StalledLine : public TransferTest, public ::testing::WithParamInterface<StallRow>
{
};

TEST_P(StalledLine, GivesUpAfterTheLineTimeAndDiscardsTheRest)
{
    const StallRow &row = GetParam();
    drive.write("MAIN.BIN", pattern(row.imageSize));
    ASSERT_FALSE(comm.setPortOpen(true));
    // Stops the terminal's output as a line held by the other end would.
    ASSERT_EQ(::tcflow(pty.slave(), TCOOFF), 0);
    window.onYield = [&] { now += std::chrono::milliseconds(1000); };

    transfer.click();

    EXPECT_EQ(window.yields, row.passes);
    ASSERT_EQ(window.messages.size(), 1);
    EXPECT_TRUE(
        window.messages[0].startsWith("シリアルポートの送信が時間内に終わりませんでした。"));
    EXPECT_TRUE(window.messages[0].contains(pty.path()));
    EXPECT_EQ(comm.OutBufferCount(), 0);
    EXPECT_TRUE(comm.PortOpen());
    EXPECT_EQ(
        view.lines,
        QStringList{"MAIN.bin 転送失敗：シリアルポートの送信が時間内に終わりませんでした\r\n"});
    // The title is the window's own again before the box tells why.
    EXPECT_EQ(view.ends, 1);
    EXPECT_EQ(view.boxesBeforeEnd, 0);

    ::tcflow(pty.slave(), TCOON);
    window.processEvents(0);
    EXPECT_TRUE(pty.readUpTo(1, 200).isEmpty()) << "the unsent bytes went out after all";
}

INSTANTIATE_TEST_SUITE_P(Waits, StalledLine,
                         ::testing::Values(StallRow{"SmallFrameGetsTheGraceOnly", 4, 6},
                                           StallRow{"LargestFrameGetsItsLineTimeToo", 65534, 74}),
                         vesk::test::RowName());

enum class PortFault { Missing, HeldByAnother, NotATerminal, NoPermission };

struct OpenRow
{
    const char *name;
    PortFault fault;
    QString hint;
};

class PortThatWillNotOpen : public TransferTest, public ::testing::WithParamInterface<OpenRow>
{
};

TEST_P(PortThatWillNotOpen, IsToldWithTheDeviceAndTheFixBeforeTheImageIsLookedAt)
{
    const OpenRow &row = GetParam();
    QTemporaryDir dir;
    QString device = pty.path();
    MSComm holder(pty.path());
    switch (row.fault) {
    case PortFault::Missing:
        device = dir.path() + "/ttyUSB9";
        break;
    case PortFault::HeldByAnother:
        ASSERT_FALSE(holder.setPortOpen(true));
        break;
    case PortFault::NotATerminal:
        device = dir.path() + "/notatty";
        QFile(device).open(QIODevice::WriteOnly);
        break;
    case PortFault::NoPermission:
        if (::geteuid() == 0)
            GTEST_SKIP() << "root may open any device";
        ASSERT_EQ(::chmod(pty.path().toLocal8Bit().constData(), 0), 0);
        break;
    }
    MSComm port(device);
    Transfer sender(port, fs, state, window, window, view, clock);

    // No image either: the port's failure comes first and ends the command.
    sender.click();

    EXPECT_EQ(window.beeps, 0);
    ASSERT_EQ(window.messages.size(), 1);
    const QString &text = window.messages[0];
    EXPECT_TRUE(text.startsWith("シリアルポートを開けません。")) << text.toStdString();
    EXPECT_TRUE(text.contains(row.hint)) << text.toStdString();
    EXPECT_TRUE(text.contains(device)) << text.toStdString();
    EXPECT_FALSE(port.PortOpen());
    EXPECT_EQ(view.lines, QStringList{"MAIN.bin 転送失敗：シリアルポートを開けません\r\n"});
}

INSTANTIATE_TEST_SUITE_P(
    Ports, PortThatWillNotOpen,
    ::testing::Values(OpenRow{"NoSuchDevice", PortFault::Missing, "dosdevices/com1"},
                      OpenRow{"HeldByAnotherProgram", PortFault::HeldByAnother, "ほかのプログラム"},
                      OpenRow{"NotASerialDevice", PortFault::NotATerminal,
                              "シリアル装置ではありません"},
                      OpenRow{"NoPermission", PortFault::NoPermission, "dialout"}),
    vesk::test::RowName());

} // namespace

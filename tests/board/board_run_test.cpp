// vesk-board --run on its pseudo-terminal: the sample built with the bundled toolchain blinks
// the LEDs in the board's terminal, and an echo program answers what is written to it.
#include "serial/frame.h"

#include "support/toolchain.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// Echoes every byte on channel 1, as the loader left it set up.
constexpr const char *kEchoC = R"(#include "h8io.h"
int main(void)
{
    for (;;) {
        char c;
        while (!(SCI1_SSR & 0x40))
            ;
        c = SCI1_RDR;
        SCI1_SSR &= ~0x40;
        while (!(SCI1_SSR & 0x80))
            ;
        SCI1_TDR = c;
        SCI1_SSR &= ~0x80;
    }
    return 0;
}
)";

class BoardRun : public vesk::test::WorkspaceTest
{
protected:
    void TearDown() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_board.state() != QProcess::NotRunning) {
            m_board.terminate();
            m_board.waitForFinished(10000);
        }
    }

    // Builds samples/NAME.c (written from `text` unless null) and returns its image.
    QByteArray build(const QString &name, const char *text)
    {
        const QString source = m_dir.filePath("samples/" + name + ".c");
        if (text != nullptr) {
            QFile f(source);
            if (!f.open(QIODevice::WriteOnly))
                return {};
            f.write(text);
        }
        QProcess build;
        build.setWorkingDirectory(m_dir.path());
        build.start(m_build + "/bin/vesk-build", {"compile", source});
        if (!build.waitForFinished(120000) || build.exitCode() != 0) {
            ADD_FAILURE() << build.readAllStandardOutput().toStdString()
                          << build.readAllStandardError().toStdString();
            return {};
        }
        QFile image(m_dir.filePath("samples/" + name + ".bin"));
        return image.open(QIODevice::ReadOnly) ? image.readAll() : QByteArray();
    }

    // Starts the board and opens its terminal as a sender would.
    bool startBoard(const QStringList &args)
    {
        m_board.start(m_build + "/bin/vesk-board", args);
        if (!m_board.waitForStarted(5000))
            return false;
        const QString slave = nextLine();
        m_fd = ::open(slave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        return m_fd >= 0;
    }
    bool send(const QByteArray &bytes)
    {
        return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    // The board's next line; empty when none comes within ten seconds.
    QString nextLine()
    {
        while (!m_board.canReadLine() && m_board.waitForReadyRead(10000)) {
        }
        return QString::fromUtf8(m_board.readLine()).trimmed();
    }

    QProcess m_board;
    int m_fd = -1;
};

TEST_F(BoardRun, TheSampleBlinksPortBInTheTerminal)
{
    const QByteArray image = build("blink", nullptr);
    ASSERT_FALSE(image.isEmpty());
    ASSERT_TRUE(startBoard({"--run", "--fast"}));
    ASSERT_TRUE(send(vesk::makeFrame(image)));
    EXPECT_TRUE(nextLine().endsWith("well formed"));
    // One LED walks along port B; run fast, the terminal shows it at 30 lines a second, not
    // every step.
    for (int i = 0; i < 3; ++i) {
        const QString line = nextLine();
        EXPECT_TRUE(line.startsWith("PB ") && line.count(QChar(0x25CF)) == 1 &&
                    line.count(QChar(0x25CB)) == 7)
            << line.toStdString();
    }
}

TEST_F(BoardRun, WhatIsWrittenToTheTerminalComesBackFromTheEchoProgram)
{
    const QByteArray image = build("echo", kEchoC);
    ASSERT_FALSE(image.isEmpty());
    ASSERT_TRUE(startBoard({"--fast"}));
    ASSERT_TRUE(send(vesk::makeFrame(image)));
    EXPECT_TRUE(nextLine().endsWith("well formed"));
    // Zero bytes and FF among them, fewer than a frame's lead-in.
    const QByteArray bytes("hello\0\0\xff world\n", 14);
    ASSERT_TRUE(send(bytes));
    QByteArray back;
    pollfd p{m_fd, POLLIN, 0};
    char buf[64];
    ssize_t n;
    while (back.size() < bytes.size() && ::poll(&p, 1, 10000) > 0 &&
           (n = ::read(m_fd, buf, sizeof buf)) > 0)
        back.append(buf, n);
    EXPECT_EQ(back, bytes);
}

} // namespace

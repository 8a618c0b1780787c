#include "pty.h"
#include "serial/mscomm.h"
#include "support/rowname.h"

#include <QFile>
#include <QScopeGuard>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

using namespace vesk;

namespace {

// One setting of the line as the tty holds it after MSComm1 opened it.
struct LineRow
{
    const char *name;
    unsigned long (*read)(const termios &);
    unsigned long expected;
    // A pseudo-terminal always reads 8 data bits without parity, whatever was set, so those
    // two are checked on a real port only.
    bool realPortOnly = false;
};

class LineSettings : public ::testing::TestWithParam<LineRow>
{
};

// The board's loader listens at a fixed 9600 8N1 with nothing holding the line back; the
// numbers here are the loader's, written out rather than taken from the code under test.
TEST_P(LineSettings, AreTheLoaders)
{
    const LineRow &row = GetParam();
    // VESK_TEST_SERIAL_PORT names a real port to check instead, such as /dev/ttyUSB0.
    const QString realPort = qEnvironmentVariable("VESK_TEST_SERIAL_PORT");
    if (row.realPortOnly && realPort.isEmpty())
        GTEST_SKIP() << "a pseudo-terminal cannot hold this setting; set VESK_TEST_SERIAL_PORT";
    test::Pty pty;
    const QString device = realPort.isEmpty() ? pty.path() : realPort;
    ASSERT_FALSE(device.isEmpty());
    // The settings belong to the terminal, so a descriptor opened before the port's (which
    // then takes the device for itself) reads what the port set.
    const int fd =
        ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0) << device.toStdString();
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    MSComm comm(device);
    const Error error = comm.setPortOpen(true);
    ASSERT_FALSE(error) << error.message().toStdString();

    termios t{};
    ASSERT_EQ(::tcgetattr(fd, &t), 0);
    EXPECT_EQ(row.read(t), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Line, LineSettings,
    ::testing::Values(
        LineRow{"SendsAt9600",
                [](const termios &tty) -> unsigned long { return cfgetospeed(&tty); }, B9600},
        LineRow{"ReceivesAt9600",
                [](const termios &tty) -> unsigned long { return cfgetispeed(&tty); }, B9600},
        LineRow{"EightDataBits",
                [](const termios &tty) -> unsigned long { return tty.c_cflag & CSIZE; }, CS8, true},
        LineRow{"NoParity",
                [](const termios &tty) -> unsigned long { return tty.c_cflag & PARENB; }, 0, true},
        LineRow{"OneStopBit",
                [](const termios &tty) -> unsigned long { return tty.c_cflag & CSTOPB; }, 0},
        LineRow{"NoHardwareFlowControl",
                [](const termios &tty) -> unsigned long { return tty.c_cflag & CRTSCTS; }, 0},
        LineRow{"NoSoftwareFlowControl",
                [](const termios &tty) -> unsigned long { return tty.c_iflag & (IXON | IXOFF); },
                0}),
    vesk::test::RowName());

} // namespace

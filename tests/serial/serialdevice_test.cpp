#include "platform/serialdevice.h"
#include "support/rowname.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vesk;

namespace {

enum class Com1 { Empty, LinkToDevice, ExistingDevice, Absent, BareName };
enum class Found { Nothing, LinkTarget, Com1AsGiven, SecondCandidate, UnderDev };

struct LocateRow
{
    const char *name;
    Com1 com1;
    bool fallback;
    bool candidateThere; // the second fallback candidate exists, the first never does
    Found found;
};

class LocateSerialDevice : public ::testing::TestWithParam<LocateRow>
{
};

TEST_P(LocateSerialDevice, FindsTheDeviceCom1StandsFor)
{
    const LocateRow &row = GetParam();
    QTemporaryDir dir;
    const QString device = dir.path() + "/ttyBOARD";
    QFile(device).open(QIODevice::WriteOnly);
    const QStringList candidates{dir.path() + "/ttyNONE", dir.path() + "/ttyLATER"};
    if (row.candidateThere)
        QFile(candidates[1]).open(QIODevice::WriteOnly);

    QString com1;
    switch (row.com1) {
    case Com1::Empty:
        break;
    case Com1::LinkToDevice:
        com1 = dir.path() + "/com1";
        ASSERT_TRUE(QFile::link(device, com1));
        break;
    case Com1::ExistingDevice:
        com1 = device;
        break;
    case Com1::Absent:
        com1 = dir.path() + "/com1";
        break;
    case Com1::BareName:
        com1 = "ttyVESKNONE";
        break;
    }

    // A bare name is the device the port opens under /dev/.
    const QString expected[] = {QString(), device, com1, candidates[1], "/dev/ttyVESKNONE"};
    EXPECT_EQ(locateSerialDevice(com1, row.fallback, candidates), expected[int(row.found)]);
}

INSTANTIATE_TEST_SUITE_P(
    Names, LocateSerialDevice,
    ::testing::Values(
        LocateRow{"LinkIsFollowed", Com1::LinkToDevice, true, true, Found::LinkTarget},
        LocateRow{"ExistingDeviceIsKept", Com1::ExistingDevice, true, true, Found::Com1AsGiven},
        LocateRow{"AbsentFallsBackToTheFirstThatExists", Com1::Absent, true, true,
                  Found::SecondCandidate},
        LocateRow{"AbsentWithoutFallbackIsKeptToBeReported", Com1::Absent, false, true,
                  Found::Com1AsGiven},
        LocateRow{"EmptyFallsBackEvenWithoutTheOption", Com1::Empty, false, true,
                  Found::SecondCandidate},
        LocateRow{"NothingAnywhereIsNoDevice", Com1::Empty, true, false, Found::Nothing},
        LocateRow{"BareNameIsTheDeviceUnderDev", Com1::BareName, false, true, Found::UnderDev}),
    vesk::test::RowName());

TEST(LocateSerialDevice, ALinkIsReadAgainAtEachCall)
{
    QTemporaryDir dir;
    const QString com1 = dir.path() + "/com1";
    ASSERT_TRUE(QFile::link(dir.path() + "/first", com1));
    EXPECT_EQ(locateSerialDevice(com1, false, {}), dir.path() + "/first");
    QFile::remove(com1);
    ASSERT_TRUE(QFile::link(dir.path() + "/second", com1));
    EXPECT_EQ(locateSerialDevice(com1, false, {}), dir.path() + "/second");
}

TEST(SerialOpenError, NoDeviceAtAllAsksForTheCom1Link)
{
    const Error error = serialOpenError({}, QSerialPort::DeviceNotFoundError, {});
    EXPECT_EQ(error.path, "COM1");
    EXPECT_TRUE(error.what.contains("dosdevices/com1")) << error.what.toStdString();
}

} // namespace

#include "image/convert.h"
#include "platform/fileio.h"
#include "srec_text.h"
#include "support/rowname.h"
#include "support/tempdrive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

using namespace vesk;
using namespace vesk::test;

namespace {

const QString kNotFound = QStringLiteral("ファイルが見つかりません。");
const QString kCannotRead = QStringLiteral("ファイルを読めません。");
const QString kCannotCreate = QStringLiteral("ファイルを作成できません。");
const QString kCannotWrite = QStringLiteral("ファイルに書き込めません。");

QStringList filesIn(const TempDrive &drive, const QString &dir)
{
    return QDir(drive.host(dir)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray dataFile(const QString &name)
{
    QFile f(qEnvironmentVariable("VESK_SOURCE_DIR") + "/tests/image/data/" + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct ImageCase
{
    const char *name;
    QByteArray mot;
    QByteArray image;
};

void PrintTo(const ImageCase &c, std::ostream *os)
{
    *os << c.name;
}

class ImageOf : public ::testing::TestWithParam<ImageCase>
{
};

TEST_P(ImageOf, RecordsInFileOrderWithForwardFill)
{
    TempDrive drive;
    drive.write("WORK/PROG.MOT", GetParam().mot);
    ASSERT_FALSE(Convert(drive.fs("WORK"), "PROG"));
    ASSERT_TRUE(drive.exists("WORK/PROG.BIN"));
    EXPECT_EQ(drive.read("WORK/PROG.BIN").toHex(), GetParam().image.toHex());
}

const QByteArray kA = seq(0x10, 16);
const QByteArray kB = seq(0xA0, 16);

INSTANTIATE_TEST_SUITE_P(
    Convert, ImageOf,
    ::testing::Values(
        ImageCase{"HeaderAndEndOnlyGiveAnEmptyImage", "S00600004844521B\r\nS9030000FC\r\n", ""},
        ImageCase{"AdjacentRecordsJoin", s1(0x0000, kA) + s1(0x0010, kB), kA + kB},
        ImageCase{"JumpIsZeroFilled", s1(0x0000, kA) + s1(0x0100, kB), kA + zeros(240) + kB},
        ImageCase{"FillFromTheEndOfTheLastRecord", s1(0x7F00, kA) + s1(0x8000, kB),
                  kA + zeros(240) + kB},
        ImageCase{"S1EndingAt10000MeetsS2There", s1(0xFFF0, kA) + s2(0x010000, kB), kA + kB},
        ImageCase{"Count13InS1Carries16Bytes", "S1130000" + seq(0, 16).toHex() + "00\r\n",
                  seq(0, 16)},
        ImageCase{"Count13InS2Carries15Bytes", "S213000000" + seq(0, 16).toHex() + "00\r\n",
                  seq(0, 15)},
        ImageCase{"ChecksumIsNotRead", "S1130000" + kA.toHex() + "00\r\n", kA},
        ImageCase{"LowerCaseTypeIsSkipped", "s1130000" + kA.toHex() + "00\r\n" + s1(0x10, kB), kB},
        ImageCase{"LeadingBlankIsSkipped", " " + s1(0, kA) + s1(0x10, kB), kB},
        ImageCase{"S3RecordsAreSkipped", record("S3", 0, kA) + record("S3", 0x10, kB), ""},
        ImageCase{"DescendingRecordsConcatenate", s1(0x0200, kA) + s1(0x0100, kB) + s1(0, kA),
                  kA + kB + kA},
        ImageCase{"OverlapAppendsAndMovesNextOn",
                  s1(0, seq(1, 4)) + s1(2, seq(9, 2)) + s1(6, seq(7, 1)),
                  seq(1, 4) + seq(9, 2) + zeros(2) + seq(7, 1)},
        ImageCase{"FirstRecordHighStartsTheImage", s2(0xFFDF50, kA) + s2(0xFFDF70, kB),
                  kA + zeros(16) + kB},
        ImageCase{"LenientDigitThenOther", "S10500001GG1FF\r\n", QByteArray("\x01\x00", 2)},
        ImageCase{"LowerCaseDigits", "S1050000abcdFF\r\n", QByteArray("\xAB\xCD", 2)},
        ImageCase{"BlanksAndTabsInsideFieldsIgnored", s1(0, kA) + "S105 020 A\t1FF\r\n",
                  kA + zeros(16) + "\x0A\x01"},
        ImageCase{"LineShorterThanItsCountGivesZeros", "S11300000102\r\n",
                  QByteArray("\x01\x02", 2) + zeros(14)},
        ImageCase{"ZeroDataBytesStillFillAndMoveNext",
                  s1(0, seq(1, 4)) + "S1030010FF\r\n" + s1(0x10, seq(5, 2)),
                  seq(1, 4) + zeros(12) + seq(5, 2)},
        ImageCase{"NegativeCountMovesNextBack",
                  s1(0, seq(1, 2)) + "S1020020\r\n" + s1(0x20, seq(5, 1)),
                  seq(1, 2) + zeros(30) + zeros(1) + seq(5, 1)},
        ImageCase{"MissingCountReadsZero", "S2\r\n" + s1(0, seq(5, 1)), zeros(4) + seq(5, 1)},
        ImageCase{"LfEndsAndLastLineWithoutEnd", "S1040000AB00\nS1040001CD00", "\xAB\xCD"},
        ImageCase{"CrAloneEndsALine", "S1040000AB00\rS1040001CD00\r", "\xAB\xCD"}),
    vesk::test::RowName());

TEST(Convert, GoldenToolchainOutputs)
{
    for (const char *name : {"ram_prog", "rom_prog"}) {
        SCOPED_TRACE(name);
        TempDrive drive;
        drive.write("prog.mot", dataFile(QString(name) + ".mot"));
        const QByteArray expected = dataFile(QString(name) + ".bin");
        ASSERT_FALSE(expected.isEmpty());
        ASSERT_FALSE(Convert(drive.fs(), "prog"));
        EXPECT_EQ(drive.read("prog.BIN"), expected);
    }
}

// An older, longer image of the same name is replaced whole, whatever its letter case.
TEST(Convert, NewImageReplacesAnOlderOne)
{
    TempDrive drive;
    drive.write("WORK/prog.mot", s1(0, seq(0, 100)));
    drive.write("WORK/prog.bin", QByteArray(500, '\xEE'));
    ASSERT_FALSE(Convert(drive.fs("WORK"), "prog"));
    EXPECT_EQ(filesIn(drive, "WORK"), (QStringList{"prog.bin", "prog.mot"}));
    EXPECT_EQ(drive.read("WORK/prog.bin"), seq(0, 100));
}

// An image name that links elsewhere stays a link; the image replaces what it points at.
TEST(Convert, ImageThroughALinkReplacesItsTarget)
{
    TempDrive drive;
    drive.write("WORK/prog.mot", s1(0, seq(0, 8)));
    drive.write("OUT/image.bin", QByteArray(50, '\xEE'));
    QFile::link(drive.host("OUT/image.bin"), drive.host("WORK/prog.bin"));
    ASSERT_FALSE(Convert(drive.fs("WORK"), "prog"));
    EXPECT_TRUE(QFileInfo(drive.host("WORK/prog.bin")).isSymLink());
    EXPECT_EQ(drive.read("OUT/image.bin"), seq(0, 8));
    EXPECT_EQ(filesIn(drive, "OUT"), QStringList{"image.bin"});
}

struct NameCase
{
    const char *name;
    QStringList before; // files in C:\WORK besides the S-record file
    const char *mot;
    const char *cwd;
    const char *base;
    QStringList after;
    const char *image;
};

void PrintTo(const NameCase &c, std::ostream *os)
{
    *os << c.name;
}

class NamesOf : public ::testing::TestWithParam<NameCase>
{
};

TEST_P(NamesOf, ResolveWithoutRegardToCase)
{
    const NameCase &c = GetParam();
    TempDrive drive;
    drive.mkdir("OTHER");
    drive.write(QString("WORK/") + c.mot, s1(0, seq(1, 3)));
    for (const QString &name : c.before)
        drive.write("WORK/" + name, "old image");
    ASSERT_FALSE(Convert(drive.fs(c.cwd), c.base));
    EXPECT_EQ(filesIn(drive, "WORK"), c.after);
    EXPECT_EQ(drive.read(QString("WORK/") + c.image), seq(1, 3));
}

INSTANTIATE_TEST_SUITE_P(
    Convert, NamesOf,
    ::testing::Values(
        NameCase{
            "UpperCaseNames", {}, "PROG.MOT", "WORK", "PROG", {"PROG.BIN", "PROG.MOT"}, "PROG.BIN"},
        NameCase{"LowerCaseMotFound",
                 {},
                 "prog.mot",
                 "WORK",
                 "prog",
                 {"prog.BIN", "prog.mot"},
                 "prog.BIN"},
        NameCase{"OtherCaseBaseFindsBoth",
                 {"Prog.Bin"},
                 "PROG.mot",
                 "WORK",
                 "pRoG",
                 {"PROG.mot", "Prog.Bin"},
                 "Prog.Bin"},
        NameCase{"AbsoluteBase",
                 {"PROG.bin"},
                 "PROG.MOT",
                 "OTHER",
                 "C:\\WORK\\PROG",
                 {"PROG.MOT", "PROG.bin"},
                 "PROG.bin"},
        NameCase{"RelativeToTheCurrentDirectory",
                 {},
                 "prog.mot",
                 "OTHER",
                 "..\\work\\prog",
                 {"prog.BIN", "prog.mot"},
                 "prog.BIN"},
        NameCase{"LowerCaseDriveAndDirectory",
                 {},
                 "prog.mot",
                 "",
                 "c:\\work\\PROG",
                 {"PROG.BIN", "prog.mot"},
                 "PROG.BIN"}),
    vesk::test::RowName());

// Without an input there is no conversion, and the image from before stays. (Once the input
// is open, a failure leaves no image: see FullDiskLeavesNoImage.)
struct InputCase
{
    const char *name;
    bool inputIsADirectory;
    QString what;
};

void PrintTo(const InputCase &c, std::ostream *os)
{
    *os << c.name;
}

class InputThatCannotBeOpened : public ::testing::TestWithParam<InputCase>
{
};

TEST_P(InputThatCannotBeOpened, KeepsTheImageFromBefore)
{
    TempDrive drive;
    drive.write("WORK/PROG.BIN", "old image");
    if (GetParam().inputIsADirectory)
        drive.mkdir("WORK/PROG.MOT");
    const Error error = Convert(drive.fs("WORK"), "PROG");
    EXPECT_EQ(error.what, GetParam().what);
    EXPECT_EQ(error.path, "C:\\WORK\\PROG.MOT");
    EXPECT_EQ(filesIn(drive, "WORK"), QStringList{"PROG.BIN"});
    EXPECT_EQ(drive.read("WORK/PROG.BIN"), "old image");
}

INSTANTIATE_TEST_SUITE_P(Convert, InputThatCannotBeOpened,
                         ::testing::Values(InputCase{"Missing", false, kNotFound},
                                           InputCase{"Unreadable", true, kCannotRead}),
                         vesk::test::RowName());

TEST(Convert, OutputThatCannotBeCreatedIsAnError)
{
    TempDrive drive;
    drive.write("WORK/PROG.MOT", s1(0, kA));
    drive.mkdir("WORK/PROG.BIN");
    const Error error = Convert(drive.fs("WORK"), "PROG");
    EXPECT_EQ(error.what, kCannotCreate);
    EXPECT_EQ(error.path, "C:\\WORK\\PROG.BIN");
    EXPECT_EQ(filesIn(drive, "WORK"), QStringList{"PROG.MOT"});
}

TEST(Convert, UnwritableDirectoryIsAnError)
{
    TempDrive drive;
    drive.write("WORK/PROG.MOT", s1(0, kA));
    QFile::setPermissions(drive.host("WORK"), QFile::ReadOwner | QFile::ExeOwner);
    if (access(QFile::encodeName(drive.host("WORK")).constData(), W_OK) == 0) {
        QFile::setPermissions(drive.host("WORK"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        GTEST_SKIP() << "the directory stays writable for this user";
    }
    const Error error = Convert(drive.fs("WORK"), "PROG");
    QFile::setPermissions(drive.host("WORK"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(error.what, kCannotCreate);
    EXPECT_EQ(filesIn(drive, "WORK"), QStringList{"PROG.MOT"});
}

// A full disk, simulated by a file size limit: the write fails part way through the fill.
TEST(Convert, FullDiskLeavesNoImage)
{
    TempDrive drive;
    drive.write("WORK/PROG.MOT", s1(0, kA) + s2(0x400000, kB));
    drive.write("WORK/PROG.BIN", "old image");

    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 1 << 20;
    auto *const oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const Error error = Convert(drive.fs("WORK"), "PROG");
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(error.what, kCannotWrite);
    EXPECT_EQ(error.path, "C:\\WORK\\PROG.BIN");
    EXPECT_FALSE(error.reason.isEmpty());
    EXPECT_EQ(filesIn(drive, "WORK"), QStringList{"PROG.MOT"});
}

// A conversion that was killed left its hidden image; the next conversion of that image
// removes it, but nothing of another name, and not the file of a writer still at work.
struct LeftoverCase
{
    const char *name;
    const char *file; // in C:\WORK; null for the file of a live writer of PROG.BIN
    bool removed;
};

void PrintTo(const LeftoverCase &c, std::ostream *os)
{
    *os << c.name;
}

class LeftoverOfAKilledConversion : public ::testing::TestWithParam<LeftoverCase>
{
};

TEST_P(LeftoverOfAKilledConversion, IsRemovedByTheNextOne)
{
    const LeftoverCase &c = GetParam();
    TempDrive drive;
    drive.write("WORK/PROG.MOT", s1(0, kA));
    std::optional<AtomicFile> live;
    QString leftover;
    if (c.file) {
        leftover = c.file;
        drive.write("WORK/" + leftover, QByteArray(4096, '\xEE'));
    } else {
        live.emplace(drive.fs("WORK"), "PROG.BIN");
        ASSERT_FALSE(live->open());
        leftover = filesIn(drive, "WORK").first();
    }
    ASSERT_FALSE(Convert(drive.fs("WORK"), "PROG"));
    QStringList expected{"PROG.BIN", "PROG.MOT"};
    if (!c.removed)
        expected.prepend(leftover);
    EXPECT_EQ(filesIn(drive, "WORK").join(' ').toStdString(), expected.join(' ').toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Convert, LeftoverOfAKilledConversion,
    ::testing::Values(LeftoverCase{"HiddenImage", ".PROG.BIN.~0123abcd", true},
                      LeftoverCase{"HiddenImageInOtherCase", ".prog.bin.~89ABCDEF", true},
                      LeftoverCase{"OfALiveWriter", nullptr, false},
                      LeftoverCase{"OfAnotherFile", ".PROG.MOT.~0123abcd", false},
                      LeftoverCase{"UsersOwnHiddenFile", ".PROG.BIN.~backup", false}),
    vesk::test::RowName());

} // namespace

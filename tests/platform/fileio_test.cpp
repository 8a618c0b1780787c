#include "platform/fileio.h"
#include "support/tempdrive.h"
#include "support/rowname.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::TempDrive;

namespace {

QStringList entries(const TempDrive &drive)
{
    return QDir(drive.host("WORK"))
        .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

TEST(AtomicFile, TargetKeepsItsContentsUntilCommit)
{
    TempDrive drive;
    drive.write("WORK/prog.bin", "old");
    AtomicFile file(drive.fs("WORK"), "PROG.BIN");
    ASSERT_FALSE(file.open());
    ASSERT_TRUE(file.write("new", 3));
    EXPECT_EQ(drive.read("WORK/prog.bin"), "old");
    ASSERT_FALSE(file.commit());
    EXPECT_EQ(drive.read("WORK/prog.bin"), "new");
    EXPECT_EQ(entries(drive), QStringList{"prog.bin"});
    EXPECT_EQ(file.dosPath(), "C:\\WORK\\PROG.BIN");
}

TEST(AtomicFile, UncommittedWriteLeavesNothing)
{
    TempDrive drive;
    drive.write("WORK/PROG.BIN", "old");
    {
        AtomicFile file(drive.fs("WORK"), "PROG.BIN");
        ASSERT_FALSE(file.open());
        ASSERT_TRUE(file.write("half", 4));
    }
    EXPECT_EQ(entries(drive), QStringList{"PROG.BIN"});
    EXPECT_EQ(drive.read("WORK/PROG.BIN"), "old");
}

TEST(AtomicFile, LinkStaysALink)
{
    TempDrive drive;
    drive.write("OUT/real.bin", "old");
    drive.mkdir("WORK");
    ASSERT_TRUE(QFile::link(drive.host("OUT/real.bin"), drive.host("WORK/PROG.BIN")));
    AtomicFile file(drive.fs("WORK"), "PROG.BIN");
    ASSERT_FALSE(file.open());
    ASSERT_TRUE(file.write("new", 3));
    ASSERT_FALSE(file.commit());
    EXPECT_TRUE(QFileInfo(drive.host("WORK/PROG.BIN")).isSymLink());
    EXPECT_EQ(drive.read("OUT/real.bin"), "new");
}

TEST(AtomicFile, DirectoryOfTheTargetsNameCannotBeCreated)
{
    TempDrive drive;
    drive.mkdir("WORK/PROG.BIN");
    AtomicFile file(drive.fs("WORK"), "PROG.BIN");
    const Error error = file.open();
    EXPECT_EQ(error.what, QStringLiteral("ファイルを作成できません。"));
    EXPECT_FALSE(file.commit().what.isEmpty());
}

struct ReaderCase
{
    const char *name;
    const char *make; // "file", "dir" or nothing
    const char *what; // expected error, empty for success
};

void PrintTo(const ReaderCase &c, std::ostream *os)
{
    *os << c.name;
}

class FileReaderOpen : public ::testing::TestWithParam<ReaderCase>
{
};

TEST_P(FileReaderOpen, TellsMissingFromUnreadable)
{
    TempDrive drive;
    drive.mkdir("WORK");
    if (QByteArray(GetParam().make) == "file")
        drive.write("WORK/prog.mot", "S9030000FC\r\n");
    else if (QByteArray(GetParam().make) == "dir")
        drive.mkdir("WORK/prog.mot");
    FileReader reader(drive.fs("WORK"), "PROG.MOT");
    const Error error = reader.open();
    EXPECT_EQ(error.what, QString::fromUtf8(GetParam().what));
    if (!error) {
        char buffer[64];
        EXPECT_EQ(reader.read(buffer, sizeof buffer), 12);
        EXPECT_EQ(reader.read(buffer, sizeof buffer), 0);
        EXPECT_FALSE(reader.error());
    } else {
        EXPECT_EQ(error.path, "C:\\WORK\\PROG.MOT");
    }
}

INSTANTIATE_TEST_SUITE_P(
    FileIo, FileReaderOpen,
    ::testing::Values(ReaderCase{"FileInOtherCaseOpens", "file", ""},
                      ReaderCase{"MissingIsNotFound", "", "ファイルが見つかりません。"},
                      ReaderCase{"DirectoryCannotBeRead", "dir", "ファイルを読めません。"}),
    vesk::test::RowName());

} // namespace

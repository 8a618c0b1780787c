#include "platform/dosfs.h"
#include "support/tempdrive.h"
#include "support/rowname.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::TempDrive;

TEST(DriveMap, DefaultsAreHomeAndRoot)
{
    const DriveMap map = DriveMap::defaults();
    EXPECT_EQ(map.root(u'C'), QDir(QDir::homePath()).canonicalPath());
    EXPECT_EQ(map.root(u'z'), "/");
    EXPECT_TRUE(map.folder().isEmpty());
}

TEST(DriveMap, FolderOfLinksGivesDrivesAndDevices)
{
    TempDrive drive;
    QFile::link("/dev/null", drive.dosDevices() + "/com1");
    const DriveMap map = drive.map();
    EXPECT_EQ(map.root(u'c'), QDir(drive.root()).canonicalPath());
    EXPECT_EQ(map.letters(), (QList<QChar>{u'C', u'Z'}));
    EXPECT_EQ(map.deviceEntry("COM1"), drive.dosDevices() + "/com1");
    EXPECT_EQ(map.folder(), QFileInfo(drive.dosDevices()).absoluteFilePath());
}

TEST(DriveMap, LocatePrefersTheStartDirectory)
{
    TempDrive drive;
    // The start directory holds its own dosdevices folder; it wins over the user's config.
    QDir(drive.root()).mkpath("start/dosdevices");
    QFile::link(drive.host("start"), drive.host("start/dosdevices/d:"));
    const DriveMap map = DriveMap::locate(drive.host("start"));
    EXPECT_EQ(map.letters(), (QList<QChar>{u'D'}));
}

TEST(DosFs, HostPathsShowAsTheLongestCoveringDrive)
{
    TempDrive drive;
    drive.mkdir("h8/work");
    DosFs fs = drive.fs("h8/work");
    ASSERT_TRUE(fs.isValid());
    EXPECT_EQ(fs.currentDir(), "C:\\h8\\work");
    EXPECT_EQ(fs.toDos(drive.root()), "C:\\");
    EXPECT_EQ(fs.toDos("/usr/bin"), "Z:\\usr\\bin");
    EXPECT_EQ(fs.toDos("/"), "Z:\\");
}

TEST(DosFs, NamesResolveCaseInsensitivelyPerComponent)
{
    TempDrive drive;
    drive.write("Work/Prog.mot", "S9");
    DosFs fs = drive.fs();
    for (const char *name : {"C:\\WORK\\PROG.MOT", "c:\\work\\prog.Mot", "\\work\\PROG.mot",
                             "Work\\Prog.mot", "C:/work/./x/../prog.mot"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(fs.toHost(name), drive.host("Work/Prog.mot"));
        EXPECT_TRUE(fs.isOrdinaryFile(name));
    }
    // A file about to be created keeps the name as written, in the matched directory.
    EXPECT_EQ(fs.toHost("C:\\WORK\\NEW.BIN"), drive.host("Work/NEW.BIN"));
    EXPECT_EQ(fs.toHost("Q:\\x"), QString());
}

TEST(DosFs, ExactCaseWinsOverOtherMatches)
{
    TempDrive drive;
    drive.write("a/prog.bin", "lower");
    drive.write("a/PROG.bin", "upper");
    DosFs fs = drive.fs();
    EXPECT_EQ(fs.toHost("C:\\a\\prog.bin"), drive.host("a/prog.bin"));
    EXPECT_EQ(fs.toHost("C:\\a\\PROG.bin"), drive.host("a/PROG.bin"));
    // Neither spelled exactly: the first in sorted order ("PROG" sorts before "prog").
    EXPECT_EQ(fs.toHost("C:\\a\\Prog.BIN"), drive.host("a/PROG.bin"));
}

TEST(DosFs, EachDriveKeepsItsCurrentDirectory)
{
    TempDrive drive;
    drive.mkdir("one/two");
    QDir().mkpath(drive.dosDevices() + "/../d");
    QFile::link(QDir::cleanPath(drive.dosDevices() + "/../d"), drive.dosDevices() + "/d:");
    QDir(QDir::cleanPath(drive.dosDevices() + "/../d")).mkpath("tools");
    DosFs fs = drive.fs();

    ASSERT_FALSE(fs.changeDir("ONE\\TWO"));
    EXPECT_EQ(fs.currentDir(), "C:\\one\\two"); // the names as they stand on disk
    ASSERT_FALSE(fs.changeDir("D:\\TOOLS"));
    EXPECT_EQ(fs.currentDir(), "C:\\one\\two") << "ChDir does not change the drive";
    ASSERT_FALSE(fs.changeDrive("d"));
    EXPECT_EQ(fs.currentDir(), "D:\\tools");
    EXPECT_EQ(fs.absolute("x.c"), "D:\\tools\\x.c");
    EXPECT_EQ(fs.absolute("C:x.c"), "C:\\one\\two\\x.c");
    ASSERT_FALSE(fs.makeCurrent("C:\\ONE"));
    EXPECT_EQ(fs.currentDir(), "C:\\one");
    EXPECT_EQ(fs.hostCurrentDir(), drive.host("one"));

    const Error missing = fs.changeDir("C:\\nowhere");
    EXPECT_TRUE(missing);
    EXPECT_EQ(missing.path, "C:\\nowhere");
    EXPECT_EQ(fs.currentDir(), "C:\\one");
    EXPECT_TRUE(fs.changeDrive("Q:"));
}

TEST(DosFs, OrdinaryFileTest)
{
    TempDrive drive;
    drive.write("f.txt", "x");
    drive.write(".hidden", "x");
    drive.mkdir("dir.txt");
    QFile::link(drive.host("gone"), drive.host("dangling.txt"));
    DosFs fs = drive.fs();
    EXPECT_TRUE(fs.isOrdinaryFile("F.TXT"));
    EXPECT_FALSE(fs.isOrdinaryFile(".hidden"));
    EXPECT_FALSE(fs.isOrdinaryFile("dir.txt"));
    EXPECT_FALSE(fs.isOrdinaryFile("dangling.txt"));
    EXPECT_FALSE(fs.isOrdinaryFile("missing.txt"));
}

TEST(DosFs, CopyReplacesAndSkipsTheSameFile)
{
    TempDrive drive;
    drive.write("a/src.bin", "new");
    drive.write("b/DST.BIN", "old and longer");
    DosFs fs = drive.fs();
    EXPECT_FALSE(fs.copy("C:\\A\\SRC.BIN", "C:\\B\\dst.bin"));
    EXPECT_EQ(drive.read("b/DST.BIN"), "new");
    EXPECT_FALSE(drive.exists("b/dst.bin")) << "an existing file of another case is replaced";
    EXPECT_FALSE(fs.copy("C:\\A\\SRC.BIN", "c:\\a\\src.bin"));
    EXPECT_EQ(drive.read("a/src.bin"), "new");
    EXPECT_TRUE(fs.copy("C:\\A\\none", "C:\\B\\x"));
    EXPECT_FALSE(drive.exists("b/x"));
}

TEST(DosFs, RemoveReadAndAtomicWrite)
{
    TempDrive drive;
    drive.write("k.txt", "k");
    DosFs fs = drive.fs();
    QByteArray bytes;
    EXPECT_FALSE(fs.readAll("K.TXT", bytes));
    EXPECT_EQ(bytes, "k");
    EXPECT_FALSE(fs.writeAtomic("K.txt", "rewritten"));
    EXPECT_EQ(drive.read("k.txt"), "rewritten");
    EXPECT_EQ(QDir(drive.root()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_FALSE(fs.remove("k.TXT"));
    EXPECT_FALSE(drive.exists("k.txt"));
    EXPECT_TRUE(fs.remove("k.txt"));
    EXPECT_TRUE(fs.readAll("k.txt", bytes));
    EXPECT_TRUE(fs.writeAtomic("C:\\nodir\\k.txt", "x"));
}

TEST(DosFs, ListingsByPatternList)
{
    TempDrive drive;
    for (const char *name : {"b.MAR", "a.mar", "c.Mot", "d.c", "e.cpp", ".x.mar"})
        drive.write(QString("w/") + name, "");
    drive.mkdir("w/Sub");
    drive.mkdir("w/another");
    drive.mkdir("w/.git");
    DosFs fs = drive.fs();
    EXPECT_EQ(fs.listFiles("C:\\W", "*.MAR;*.mot"), (QStringList{"a.mar", "b.MAR", "c.Mot"}));
    EXPECT_EQ(fs.listFiles("C:\\W", "*.c"), (QStringList{"d.c"}));
    EXPECT_EQ(fs.listDirs("C:\\W"), (QStringList{"another", "Sub"}));
    Error error;
    EXPECT_TRUE(fs.listFiles("C:\\none", "*.c", &error).isEmpty());
    EXPECT_TRUE(error);
    EXPECT_EQ(fs.drives(), (QList<QChar>{u'C', u'Z'}));
}

TEST(DosFs, PathTextHelpers)
{
    EXPECT_TRUE(DosFs::isRoot("C:\\"));
    EXPECT_FALSE(DosFs::isRoot("C:\\A"));
    EXPECT_EQ(DosFs::withBackslash("C:\\H8"), "C:\\H8\\");
    EXPECT_EQ(DosFs::withBackslash("C:\\"), "C:\\");
    EXPECT_EQ(DosFs::withBackslash(""), "\\");
    EXPECT_EQ(DosFs::fileName("C:\\a\\b.c"), "b.c");
    EXPECT_EQ(DosFs::fileName("C:b.c"), "b.c");
}

struct SplitCase
{
    const char *name;
    const char *path;
    const char *dir;
    const char *file;
};

void PrintTo(const SplitCase &c, std::ostream *os)
{
    *os << c.name;
}

class PathSplit : public ::testing::TestWithParam<SplitCase>
{
};

// The two parts always give the path back whole.
TEST_P(PathSplit, AtTheLastSeparator)
{
    EXPECT_EQ(DosFs::dirPart(GetParam().path), GetParam().dir);
    EXPECT_EQ(DosFs::fileName(GetParam().path), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(
    DosFs, PathSplit,
    ::testing::Values(SplitCase{"FullPath", "C:\\WORK\\PROG.MOT", "C:\\WORK\\", "PROG.MOT"},
                      SplitCase{"DriveRelative", "C:PROG.MOT", "C:", "PROG.MOT"},
                      SplitCase{"SlashCounts", "sub/x\\y/prog", "sub/x\\y/", "prog"},
                      SplitCase{"BareName", "prog", "", "prog"},
                      SplitCase{"TrailingSeparator", "C:\\WORK\\", "C:\\WORK\\", ""},
                      SplitCase{"Empty", "", "", ""}),
    vesk::test::RowName());

// Vesk finds its map from its start directory; a tool takes the one Vesk handed down.
TEST(DosFs, ProcessAndToolFactoriesFindTheirMaps)
{
    TempDrive drive;
    QDir(drive.root()).mkpath("start/dosdevices");
    QFile::link(drive.host("start"), drive.host("start/dosdevices/d:"));
    const QString savedDir = QDir::currentPath();
    const QByteArray savedMap = qgetenv("VESK_DOSDEVICES");
    ASSERT_TRUE(QDir::setCurrent(drive.host("start")));
    qputenv("VESK_DOSDEVICES", drive.dosDevices().toUtf8());

    const DosFs vesk = DosFs::forProcess();
    const DosFs tool = DosFs::forTool();

    QDir::setCurrent(savedDir);
    if (savedMap.isNull())
        qunsetenv("VESK_DOSDEVICES");
    else
        qputenv("VESK_DOSDEVICES", savedMap);
    EXPECT_EQ(vesk.currentDir(), "D:\\");
    EXPECT_EQ(tool.currentDir(), "C:\\start");
}

struct ActualCase
{
    const char *name;
    const char *given;
    const char *actual;
};

void PrintTo(const ActualCase &c, std::ostream *os)
{
    *os << c.name;
}

class ActualPath : public ::testing::TestWithParam<ActualCase>
{
};

TEST_P(ActualPath, SpellsExistingNamesAsOnDisk)
{
    TempDrive drive;
    drive.write("Work/sub/Prog.mot", "S9");
    drive.write("Work/sub/PROG.bin", "upper");
    drive.write("Work/sub/prog.bin", "lower");
    drive.mkdir("Work/.Hidden");
    EXPECT_EQ(drive.fs("Work").actualPath(GetParam().given), GetParam().actual);
}

INSTANTIATE_TEST_SUITE_P(
    DosFs, ActualPath,
    ::testing::Values(
        ActualCase{"EachComponentAsOnDisk", "c:\\WORK\\SUB\\prog.MOT", "C:\\Work\\sub\\Prog.mot"},
        ActualCase{"RelativeToTheCurrentDirectory", "sub\\..\\SUB", "C:\\Work\\sub"},
        ActualCase{"ExactCaseWins", "C:\\work\\sub\\prog.bin", "C:\\Work\\sub\\prog.bin"},
        ActualCase{"ElseFirstInSortedOrder", "C:\\work\\sub\\Prog.Bin", "C:\\Work\\sub\\PROG.bin"},
        ActualCase{"HiddenNamedOutright", "C:\\work\\.hidden", "C:\\Work\\.Hidden"},
        ActualCase{"MissingRestAsWritten", "C:\\work\\NEW\\x.C", "C:\\Work\\NEW\\x.C"},
        ActualCase{"UnmappedDriveIsEmpty", "Q:\\x", ""}),
    vesk::test::RowName());

struct ArgumentCase
{
    const char *name;
    const char *arg; // "@" stands for the drive's host root
    bool dos;
    const char *host; // below the drive's host root; "-" for none, "/..." as it is
};

void PrintTo(const ArgumentCase &c, std::ostream *os)
{
    *os << c.name;
}

class ToolArgument : public ::testing::TestWithParam<ArgumentCase>
{
};

TEST_P(ToolArgument, IsTakenAsDosOrHostPath)
{
    TempDrive drive;
    drive.write("Work/sub/Prog.bin", "x");
    const ArgumentCase &c = GetParam();
    const QString arg = QString::fromUtf8(c.arg).replace("@", drive.root());
    const QString expected = c.host == QByteArray("-") ? QString()
                             : c.host[0] == '/'        ? QString::fromUtf8(c.host)
                                                       : drive.host(c.host);
    EXPECT_EQ(DosFs::isDosArgument(arg), c.dos);
    EXPECT_EQ(drive.fs("Work").hostPathOfArgument(arg), expected);
}

INSTANTIATE_TEST_SUITE_P(
    DosFs, ToolArgument,
    ::testing::Values(
        ArgumentCase{"FullDosPath", "c:\\work\\SUB\\prog.BIN", true, "Work/sub/Prog.bin"},
        ArgumentCase{"DriveRelative", "C:sub\\prog.bin", true, "Work/sub/Prog.bin"},
        ArgumentCase{"BackslashMakesItDos", "SUB\\PROG.BIN", true, "Work/sub/Prog.bin"},
        ArgumentCase{"UnmappedDrive", "Q:\\x.bin", true, "-"},
        ArgumentCase{"HostAbsolute", "@/Work/sub/Prog.bin", false, "Work/sub/Prog.bin"},
        ArgumentCase{"HostAbsoluteMissingStaysHost", "/nonexistent/x.bin", false,
                     "/nonexistent/x.bin"},
        ArgumentCase{"RelativeWithSlashAnyCase", "SUB/prog.bin", false, "Work/sub/Prog.bin"},
        ArgumentCase{"RelativeNewNameAsWritten", "sub/NEW.bin", false, "Work/sub/NEW.bin"}),
    vesk::test::RowName());

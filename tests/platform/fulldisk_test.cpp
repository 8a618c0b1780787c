// Every file Vesk writes goes through AtomicFile; here each kind of writer meets a disk that
// fills up, as a file-size limit and, where the test may mount one, as a full tmpfs.

#include "image/convert.h"
#include "platform/fileio.h"
#include "runmodes/toolrun.h"
#include "state/settings.h"
#include "support/rowname.h"
#include "support/tempdrive.h"

#include <QDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace vesk;
using namespace vesk::test;

namespace {

enum class Writer { Settings, Batch, Copy, Image };
enum class Medium { FileSizeLimit, FullTmpfs };

struct FullDiskCase
{
    const char *name;
    Writer writer;
    Medium medium;
};

void PrintTo(const FullDiskCase &c, std::ostream *os)
{
    *os << c.name;
}

QStringList entries(const QString &hostDir)
{
    return QDir(hostDir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// Mounts a small tmpfs on a directory for as long as it lives.
class Tmpfs
{
public:
    explicit Tmpfs(const QString &dir) : m_dir(QFile::encodeName(dir))
    {
        m_mounted = ::mount("tmpfs", m_dir.constData(), "tmpfs", 0, "size=64k") == 0;
    }
    ~Tmpfs()
    {
        if (m_mounted)
            ::umount2(m_dir.constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }

private:
    QByteArray m_dir;
    bool m_mounted = false;
};

// Fills the file system of `hostPath` up to its last byte.
void fill(const QString &hostPath)
{
    const int fd =
        ::open(QFile::encodeName(hostPath).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    const QByteArray block(512, 'f');
    while (::write(fd, block.constData(), std::size_t(block.size())) > 0) {
    }
    ::close(fd);
}

class FullDisk : public testing::TestWithParam<FullDiskCase>
{
protected:
    // The write itself, run while the disk is full.
    Error write(const DosFs &fs)
    {
        switch (GetParam().writer) {
        case Writer::Settings:
            return fs.writeAtomic(
                QStringLiteral("H8C.ini"),
                formatSettings({"C:\\WORK\\", 0xFFDF50, "C:\\H8\\", 0xFFDF50, 0x200}));
        case Writer::Batch:
            return MakeBat(fs);
        case Writer::Copy:
            return fs.copy(QStringLiteral("C:\\SRC\\PROG.ABS"), QStringLiteral("PROG.ABS"));
        case Writer::Image:
            return Convert(fs, QStringLiteral("PROG"));
        }
        return {};
    }

    TempDrive drive;
};

TEST_P(FullDisk, FailsWithTheHostsReasonAndLeavesNoHalfFile)
{
    const FullDiskCase &c = GetParam();
    drive.mkdir("WORK");
    drive.write("SRC/PROG.ABS", QByteArray(8192, 'a'));
    std::unique_ptr<Tmpfs> tmpfs;
    if (c.medium == Medium::FullTmpfs) {
        tmpfs = std::make_unique<Tmpfs>(drive.host("WORK"));
        if (!tmpfs->mounted())
            GTEST_SKIP() << "cannot mount a tmpfs here";
    }
    // What stands there before: the settings and a copy keep it; an image that cannot be
    // made leaves none, so that no stale image is sent; the batch files are written only
    // where there are none.
    QStringList after;
    switch (c.writer) {
    case Writer::Settings:
        drive.write("WORK/H8C.ini", "old settings");
        after << "H8C.ini";
        break;
    case Writer::Batch:
        break;
    case Writer::Copy:
        drive.write("WORK/PROG.ABS", "old copy");
        after << "PROG.ABS";
        break;
    case Writer::Image:
        drive.write("WORK/PROG.MOT", "S1050000ABCDFF\r\nS2050400000100\r\n");
        drive.write("WORK/PROG.BIN", "old image");
        after << "PROG.MOT";
        break;
    }
    const DosFs fs = drive.fs("WORK");

    Error error;
    QString reason;
    if (c.medium == Medium::FullTmpfs) {
        fill(drive.host("WORK/filler"));
        after << "filler";
        error = write(fs);
        reason = qt_error_string(ENOSPC);
    } else {
        // A limit well below each file's size, so the first write is cut short.
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 16;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        error = write(fs);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        reason = qt_error_string(EFBIG);
    }

    EXPECT_EQ(error.kind, Error::Kind::CannotWrite);
    EXPECT_EQ(error.reason.toStdString(), reason.toStdString());
    EXPECT_FALSE(error.message().contains("Unknown error")) << qPrintable(error.message());
    after.sort();
    EXPECT_EQ(entries(drive.host("WORK")).join(' ').toStdString(), after.join(' ').toStdString());
    if (c.writer == Writer::Settings)
        EXPECT_EQ(drive.read("WORK/H8C.ini"), "old settings");
    if (c.writer == Writer::Copy)
        EXPECT_EQ(drive.read("WORK/PROG.ABS"), "old copy");
}

INSTANTIATE_TEST_SUITE_P(
    Writers, FullDisk,
    testing::Values(
        FullDiskCase{"SettingsOverFileSizeLimit", Writer::Settings, Medium::FileSizeLimit},
        FullDiskCase{"BatchFilesOverFileSizeLimit", Writer::Batch, Medium::FileSizeLimit},
        FullDiskCase{"CopyOverFileSizeLimit", Writer::Copy, Medium::FileSizeLimit},
        FullDiskCase{"ImageOverFileSizeLimit", Writer::Image, Medium::FileSizeLimit},
        FullDiskCase{"SettingsOnFullTmpfs", Writer::Settings, Medium::FullTmpfs},
        FullDiskCase{"BatchFilesOnFullTmpfs", Writer::Batch, Medium::FullTmpfs},
        FullDiskCase{"CopyOnFullTmpfs", Writer::Copy, Medium::FullTmpfs},
        FullDiskCase{"ImageOnFullTmpfs", Writer::Image, Medium::FullTmpfs}),
    vesk::test::RowName());

} // namespace

#include "platform/dirwatch.h"
#include "support/tempdrive.h"

#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::TempDrive;

namespace {

TEST(DirWatch, ExistingDirectoryInAnyCaseIsWatched)
{
    TempDrive drive;
    drive.mkdir("WORK");
    const DirWatch watch(drive.fs(), "C:\\work\\");
    EXPECT_TRUE(watch.active());
}

TEST(DirWatch, MissingDirectoryIsPolled)
{
    TempDrive drive;
    const DirWatch watch(drive.fs(), "C:\\NOWHERE\\");
    EXPECT_FALSE(watch.active());
}

// A nested wait on the same directory shares the outer watch, and leaving it must not end
// the outer one.
TEST(DirWatch, NestedWatchLeavesTheOuterActive)
{
    TempDrive drive;
    drive.mkdir("WORK");
    const DosFs fs = drive.fs("WORK");
    const DirWatch outer(fs, "");
    {
        const DirWatch inner(fs, "C:\\WORK");
        EXPECT_TRUE(inner.active());
    }
    const DirWatch again(fs, "C:\\WORK\\");
    EXPECT_TRUE(again.active());
    EXPECT_TRUE(outer.active());
}

} // namespace

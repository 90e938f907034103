// crow mount notices a Crow file rewritten in place even when the rewrite put its length and
// modification time back: the change time, which no user can set back, gives it away.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>

#include "cli/cli_support.h"
#include "support/CrowSamples.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace wxh::test;

TEST(CrowMountChanges, AnInPlaceRewriteWithTheOldTimesGivesInputOutputErrors) {
    const int dev = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (dev < 0) GTEST_SKIP() << "no usable /dev/fuse here: crow mount cannot be tested";
    ::close(dev);
    TempDir tmp;
    const std::string crow = tmp.file("c.bmp"), mnt = tmp.file("mnt");
    fs::create_directories(mnt);
    WriteFile(crow, BuildCrow(2, {{"a.bin", PatternBytes(5000, 1)}, {"b.bin", PatternBytes(5000, 2)}}));
    ASSERT_EQ(RunCrow({"mount", "--background", crow, mnt}).status, 0);
    struct stat before {};
    ASSERT_EQ(::stat(crow.c_str(), &before), 0);
    // Other bytes of the same length, and the modification time put back.
    WriteFile(crow, BuildCrow(2, {{"a.bin", PatternBytes(5000, 3)}, {"b.bin", PatternBytes(5000, 4)}}));
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, crow.c_str(), times, 0), 0);
    const int fd = ::open((mnt + "/b.bin").c_str(), O_RDONLY);
    char buf[16];
    errno = 0;
    const ssize_t n = fd >= 0 ? ::read(fd, buf, sizeof buf) : -1;
    const int err = errno;
    if (fd >= 0) ::close(fd);
    EXPECT_EQ(RunProgram({"fusermount3", "-u", mnt}).status, 0);
    EXPECT_EQ(n, -1);
    EXPECT_EQ(err, EIO);
}

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/standard_streams.h"

namespace {

// In a child (the test's own descriptors stay as they are): closes the descriptors in
// `closed`, mends them, and tells through its exit status whether each of 0, 1 and 2 is now
// /dev/null (or still what it was) and the next file opened lands above them.
int MendInChild(std::initializer_list<int> closed) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (int fd : closed) ::close(fd);
        if (!wxh::EnsureStandardStreams()) ::_exit(10);
        struct stat null {};
        if (::stat("/dev/null", &null) != 0) ::_exit(11);
        for (int fd : closed) {
            struct stat st {};
            if (::fstat(fd, &st) != 0 || st.st_rdev != null.st_rdev || !S_ISCHR(st.st_mode)) ::_exit(20 + fd);
        }
        if ((::fcntl(0, F_GETFL) & O_ACCMODE) == O_WRONLY) ::_exit(30);  // 0 must be readable
        const int next = ::open("/dev/null", O_RDONLY);
        ::_exit(next >= 3 ? 0 : 40);
    }
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(EnsureStandardStreams, OpensDevNullOnEveryClosedOne) {
    EXPECT_EQ(MendInChild({}), 0);
    EXPECT_EQ(MendInChild({0}), 0);
    EXPECT_EQ(MendInChild({2}), 0);
    EXPECT_EQ(MendInChild({0, 1, 2}), 0);
    EXPECT_EQ(MendInChild({1, 2}), 0);
}

}  // namespace

#include "common/posix_io.h"

#include <fcntl.h>
#include <unistd.h>

namespace wxh {

static_assert(AT_FDCWD == -100, "OpenRegular passes the working folder as -100");

void Fd::Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

ssize_t ReadFull(int fd, void* dst, size_t n) {
    char* p = static_cast<char*>(dst);
    size_t got = 0;
    while (got < n) {
        const ssize_t r = RetryEintr([&] { return ::read(fd, p + got, n - got); });
        if (r < 0) return -1;
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    return static_cast<ssize_t>(got);
}

bool WriteAll(int fd, const void* src, size_t n) {
    const char* p = static_cast<const char*>(src);
    while (n > 0) {
        const ssize_t w = RetryEintr([&] { return ::write(fd, p, n); });
        if (w <= 0) return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

int OpenRegularAt(int dirfd, const std::string& name, struct stat& st) {
    Fd fd(RetryEintr([&] { return ::openat(dirfd, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); }));
    if (!fd.ok()) return -1;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = S_ISREG(st.st_mode) || st.st_mode == 0 ? errno : EINVAL;  // the failing call's
        fd.Reset();
        errno = err;
        return -1;
    }
    return fd.Release();
}

}  // namespace wxh

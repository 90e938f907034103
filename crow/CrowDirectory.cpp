#include "crow/CrowDirectory.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "common/posix_io.h"

namespace wxh {

FdSource::FdSource(int fd, int64_t length) : fd_(fd), length_(length), buf_(size_t{64} * 1024) {}

ssize_t FdSource::ReadSome(void* dst, size_t n) {
    char* out = static_cast<char*>(dst);
    const size_t fromBuf = std::min(n, len_ - pos_);
    std::memcpy(out, buf_.data() + pos_, fromBuf);
    pos_ += fromBuf;
    size_t got = fromBuf;
    if (got == n) return static_cast<ssize_t>(got);
    if (n - got >= buf_.size()) {
        const ssize_t r = ReadFull(fd_, out + got, n - got);
        if (r < 0) return error_ = errno, -1;
        return static_cast<ssize_t>(got) + r;
    }
    const ssize_t r = ReadFull(fd_, buf_.data(), buf_.size());
    if (r < 0) return error_ = errno, -1;
    len_ = static_cast<size_t>(r);
    const size_t more = std::min(n - got, len_);
    std::memcpy(out + got, buf_.data(), more);
    pos_ = more;
    got += more;
    return static_cast<ssize_t>(got);
}

bool FdSource::Skip(int64_t n) {
    const size_t fromBuf = static_cast<size_t>(std::min<int64_t>(n, static_cast<int64_t>(len_ - pos_)));
    pos_ += fromBuf;
    n -= static_cast<int64_t>(fromBuf);
    if (n == 0) return true;
    if (::lseek(fd_, n, SEEK_CUR) >= 0) return true;
    error_ = errno;
    return false;
}

ssize_t FdSource::ReadAt(void* dst, size_t n, int64_t offset) {
    size_t got = 0;
    while (got < n) {
        const ssize_t r = RetryEintr([&] { return ::pread(fd_, static_cast<char*>(dst) + got, n - got, offset + static_cast<off_t>(got)); });
        if (r < 0) return error_ = errno, -1;
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    return static_cast<ssize_t>(got);
}

ssize_t MemorySource::ReadSome(void* dst, size_t n) {
    const size_t k = std::min(n, size_ - pos_);
    if (k) std::memcpy(dst, data_ + pos_, k);
    pos_ += k;
    return static_cast<ssize_t>(k);
}

bool MemorySource::Skip(int64_t n) {
    if (n < 0) return false;
    pos_ += static_cast<size_t>(std::min<int64_t>(n, static_cast<int64_t>(size_ - pos_)));
    return true;
}

ssize_t MemorySource::ReadAt(void* dst, size_t n, int64_t offset) {
    if (offset < 0) return error_ = EINVAL, -1;
    if (offset >= static_cast<int64_t>(size_)) return 0;
    const size_t k = std::min(n, size_ - static_cast<size_t>(offset));
    if (k) std::memcpy(dst, data_ + offset, k);
    return static_cast<ssize_t>(k);
}

}  // namespace wxh

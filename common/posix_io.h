#pragma once
// Small POSIX helpers shared by the Crow container and the file layer.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace wxh {

// Repeats a system call while it is interrupted by a signal.
template <class F>
auto RetryEintr(F call) {
    for (;;) {
        auto r = call();
        if (r != -1 || errno != EINTR) return r;
    }
}

// Owns a file descriptor; closed when the object goes.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& o) noexcept : fd_(o.Release()) {}
    Fd& operator=(Fd&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd = -1);

private:
    int fd_;
};

// The size of the buffers files stream through: memory does not grow with file size.
inline constexpr size_t kIoBuffer = size_t{1} << 20;

// A page-aligned buffer of kIoBuffer bytes (nullptr when memory is short).
struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};
using IoBuffer = std::unique_ptr<uint8_t, FreeDeleter>;
inline IoBuffer NewIoBuffer() { return IoBuffer(static_cast<uint8_t*>(std::aligned_alloc(4096, kIoBuffer))); }

// Reads up to n bytes; fewer only at the end of the file. -1 on a read error.
ssize_t ReadFull(int fd, void* dst, size_t n);

// Writes all n bytes; false on any error (a full disk ...).
bool WriteAll(int fd, const void* src, size_t n);

// Opens name relative to the folder handle dirfd (AT_FDCWD: the working folder) for reading,
// only when it is a regular file; it never blocks on a FIFO or device (regular files ignore
// O_NONBLOCK, so the flag stays). -1 otherwise, st filled on success.
int OpenRegularAt(int dirfd, const std::string& name, struct stat& st);
inline int OpenRegular(const std::string& path, struct stat& st) { return OpenRegularAt(-100 /*AT_FDCWD*/, path, st); }

}  // namespace wxh

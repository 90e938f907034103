#pragma once
// The bytes of a Crow file as the reader sees them: an open file or bytes in memory, read
// front to back (the releases) or at any offset (crow mount).
#include <cstddef>
#include <cstdint>
#include <sys/types.h>
#include <vector>

namespace wxh {

// Sequential bytes with a known length.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to n bytes from the current position; fewer only at the end; -1 on a read error
    // (Error() then tells the errno of the failing call).
    virtual ssize_t ReadSome(void* dst, size_t n) = 0;
    // Moves on by n bytes without reading them.
    virtual bool Skip(int64_t n) = 0;
    // Up to n bytes from offset, leaving the current position alone; -1 on a read error.
    virtual ssize_t ReadAt(void* dst, size_t n, int64_t offset) = 0;
    virtual int64_t Length() const = 0;
    // Exactly n bytes, or false: a read error (Error() set) or the end (Error() 0).
    bool Read(void* dst, size_t n) {
        error_ = 0;
        return ReadSome(dst, n) == static_cast<ssize_t>(n);
    }
    // The errno of the last failed read or skip, 0 when the last one merely met the end.
    int Error() const { return error_; }

protected:
    int error_ = 0;
};

// An open file (not owned), read through a small buffer; large reads go straight through.
class FdSource : public ByteSource {
public:
    FdSource(int fd, int64_t length);
    ssize_t ReadSome(void* dst, size_t n) override;
    bool Skip(int64_t n) override;
    ssize_t ReadAt(void* dst, size_t n, int64_t offset) override;
    int64_t Length() const override { return length_; }

private:
    int fd_;
    int64_t length_;
    std::vector<uint8_t> buf_;
    size_t pos_ = 0, len_ = 0;
};

// Bytes in memory (not copied).
class MemorySource : public ByteSource {
public:
    MemorySource(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
    ssize_t ReadSome(void* dst, size_t n) override;
    bool Skip(int64_t n) override;
    ssize_t ReadAt(void* dst, size_t n, int64_t offset) override;
    int64_t Length() const override { return static_cast<int64_t>(size_); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace wxh

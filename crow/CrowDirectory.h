#pragma once
// Reading the directory of a Crow file (the fixed part, KeyNumber, LastIndex, the name and
// size tables) from a byte source: an open file or bytes in memory. Every field is distrusted:
// nothing is allocated before it is checked against the source's length and the format's
// limits. Nothing here touches the data area.
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace wxh {

// Sequential bytes with a known length.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to n bytes from the current position; fewer only at the end; -1 on a read error.
    virtual ssize_t ReadSome(void* dst, size_t n) = 0;
    // Moves on by n bytes without reading them.
    virtual bool Skip(int64_t n) = 0;
    virtual int64_t Length() const = 0;
    // Exactly n bytes, or false.
    bool Read(void* dst, size_t n) { return ReadSome(dst, n) == static_cast<ssize_t>(n); }
};

// An open file (not owned), read through a small buffer; large reads go straight through.
class FdSource : public ByteSource {
public:
    FdSource(int fd, int64_t length);
    ssize_t ReadSome(void* dst, size_t n) override;
    bool Skip(int64_t n) override;
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
    int64_t Length() const override { return static_cast<int64_t>(size_); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

struct CrowDirectory {
    uint32_t bfSize = 0;
    std::string magic;             // the four bytes at offset 54
    int32_t generation = 0;        // 1, 2, 3 from "CRW1", "CRW2", "CRW3"; 0 for any other magic
    int32_t keyNumber = 0;         // CRW3 only; 0: the key comes from a password
    int32_t lastIndex = 0;
    std::vector<std::string> names;  // as stored: CP932 bytes, unchecked
    std::vector<int32_t> sizes;      // as stored, unchecked (may be 0 or negative)
    std::vector<int64_t> offsets;    // where each file's bytes start (from the sizes as stored)
    int64_t dataStart = 0;           // the end of the size table
    int64_t fileLength = 0;
};

enum class DirectoryStatus {
    Ok,
    NotCrow,     // the magic is none of the three
    Unreadable,  // a read error
    Damaged,     // LastIndex out of range (below 0 or more than 32767 files), or tables that do not fit
};

// The 58 bytes of the fixed part; bytes past the end of a short source read as 0.
// NotCrow is never returned here: generation 0 tells it.
DirectoryStatus ReadFixedPart(ByteSource& src, CrowDirectory& d);
// KeyNumber (CRW3), LastIndex and both tables, right after the fixed part.
DirectoryStatus ReadTables(ByteSource& src, CrowDirectory& d);
// Both, from the start of the source.
DirectoryStatus ReadCrowDirectory(ByteSource& src, CrowDirectory& d);

// What a release refuses before it writes anything: a name that is no plain file name
// (see crowfmt::IsPlainName: invalid CP932, ".", "..", separators, control characters, a drive,
// too long), a name given twice, a size below 1. On success utf8Names holds the decoded names;
// otherwise *bad (when given) is the index of the first refused entry.
bool CheckReleaseNames(const CrowDirectory& d, std::vector<std::string>& utf8Names, size_t* bad = nullptr);

}  // namespace wxh

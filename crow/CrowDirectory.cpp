#include "crow/CrowDirectory.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <unistd.h>

#include "common/posix_io.h"
#include "crow/CrowFormat.h"

namespace wxh {

using namespace crowfmt;

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
        if (r < 0) return -1;
        return static_cast<ssize_t>(got) + r;
    }
    const ssize_t r = ReadFull(fd_, buf_.data(), buf_.size());
    if (r < 0) return -1;
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
    return ::lseek(fd_, n, SEEK_CUR) >= 0;
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

DirectoryStatus ReadFixedPart(ByteSource& src, CrowDirectory& d) {
    uint8_t h[58] = {};
    if (src.ReadSome(h, sizeof h) < 0) return DirectoryStatus::Unreadable;
    d.fileLength = src.Length();
    d.bfSize = GetU32(h + 2);
    d.magic.assign(reinterpret_cast<const char*>(h + 54), 4);
    d.generation = d.magic == "CRW3" ? 3 : d.magic == "CRW2" ? 2 : d.magic == "CRW1" ? 1 : 0;
    return DirectoryStatus::Ok;
}

DirectoryStatus ReadTables(ByteSource& src, CrowDirectory& d) {
    if (d.generation == 0) return DirectoryStatus::NotCrow;
    // A field that is missing is a table that does not fit: the file is damaged.
    const auto missing = [&] { return DirectoryStatus::Damaged; };
    int64_t pos = 58;
    uint8_t b[4];
    if (d.generation == 3) {
        if (!src.Read(b, 4)) return missing();
        d.keyNumber = static_cast<int32_t>(GetU32(b));
        pos += 4;
    }
    if (!src.Read(b, 4)) return missing();
    d.lastIndex = static_cast<int32_t>(GetU32(b));
    pos += 4;
    // No writer makes more than kMaxFiles entries; a larger count is damage, refused before
    // anything is allocated for it.
    if (d.lastIndex < 0 || d.lastIndex > kMaxFiles - 1) return DirectoryStatus::Damaged;
    const int64_t n = int64_t{d.lastIndex} + 1;
    if (n * 6 > d.fileLength - pos) return DirectoryStatus::Damaged;  // every entry takes at least 6 bytes
    d.names.clear();
    d.sizes.clear();
    d.offsets.clear();
    d.names.reserve(static_cast<size_t>(n));
    d.sizes.reserve(static_cast<size_t>(n));
    d.offsets.reserve(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) {
        const ssize_t r = src.ReadSome(b, 2);
        if (r != 2) return r < 0 ? DirectoryStatus::Unreadable : missing();
        const uint16_t len = GetU16(b);
        pos += 2;
        if (len > d.fileLength - pos) return DirectoryStatus::Damaged;
        std::string name(len, '\0');
        if (len) {
            const ssize_t got = src.ReadSome(name.data(), len);
            if (got != len) return got < 0 ? DirectoryStatus::Unreadable : missing();
        }
        pos += len;
        d.names.push_back(std::move(name));
    }
    if (n * 4 > d.fileLength - pos) return DirectoryStatus::Damaged;
    for (int64_t i = 0; i < n; ++i) {
        const ssize_t r = src.ReadSome(b, 4);
        if (r != 4) return r < 0 ? DirectoryStatus::Unreadable : missing();
        d.sizes.push_back(static_cast<int32_t>(GetU32(b)));
    }
    pos += 4 * n;
    d.dataStart = pos;
    int64_t at = pos;
    for (int32_t s : d.sizes) {
        d.offsets.push_back(at);
        at += s;
    }
    return DirectoryStatus::Ok;
}

DirectoryStatus ReadCrowDirectory(ByteSource& src, CrowDirectory& d) {
    const DirectoryStatus s = ReadFixedPart(src, d);
    if (s != DirectoryStatus::Ok) return s;
    return ReadTables(src, d);
}

bool CheckReleaseNames(const CrowDirectory& d, std::vector<std::string>& utf8Names, size_t* bad) {
    utf8Names.clear();
    utf8Names.reserve(d.names.size());
    std::set<std::string> seen;
    for (size_t i = 0; i < d.names.size(); ++i) {
        std::string utf8;
        if (!IsPlainName(d.names[i], utf8) || !seen.insert(utf8).second || i >= d.sizes.size() || d.sizes[i] <= 0) {
            if (bad) *bad = i;
            return false;
        }
        utf8Names.push_back(std::move(utf8));
    }
    return true;
}

}  // namespace wxh

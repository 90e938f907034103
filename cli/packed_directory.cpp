#include "cli/packed_directory.h"

#include <algorithm>
#include <cerrno>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "common/cp932.h"
#include "crow/CrowFormat.h"

namespace wxh::cli {

namespace {

using namespace crowfmt;

// Sequential reads through a small buffer; bytes past the end of the file are missing.
class Reader {
public:
    explicit Reader(int fd) : fd_(fd) {}

    // Exactly n bytes, or false (end of file or an error).
    bool Read(void* dst, size_t n) { return ReadSome(dst, n) == static_cast<ssize_t>(n); }

    // Up to n bytes, fewer only at the end of the file; -1 on an error.
    ssize_t ReadSome(void* dst, size_t n) {
        char* out = static_cast<char*>(dst);
        size_t got = 0;
        while (got < n) {
            if (at_ == len_ && !Fill()) return failed_ ? -1 : static_cast<ssize_t>(got);
            const size_t k = std::min(n - got, len_ - at_);
            std::copy(buf_ + at_, buf_ + at_ + k, out + got);
            at_ += k;
            got += k;
        }
        return static_cast<ssize_t>(got);
    }

    int64_t Position() const { return pos_ - static_cast<int64_t>(len_ - at_); }

private:
    bool Fill() {
        for (;;) {
            const ssize_t r = ::pread(fd_, buf_, sizeof buf_, pos_);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) failed_ = true;
            if (r <= 0) return false;
            pos_ += r;
            at_ = 0;
            len_ = static_cast<size_t>(r);
            return true;
        }
    }

    int fd_;
    char buf_[64 * 1024];
    size_t at_ = 0, len_ = 0;
    int64_t pos_ = 0;
    bool failed_ = false;
};

}  // namespace

DirectoryProblem ReadPackedDirectory(int fd, PackedDirectory& d) {
    d = PackedDirectory();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return DirectoryProblem::Unreadable;
    d.length = st.st_size;

    Reader r(fd);
    uint8_t h[58] = {};  // a short file reads as zeros past its end
    if (r.ReadSome(h, sizeof h) < 0) return DirectoryProblem::Unreadable;
    const std::string magic(reinterpret_cast<const char*>(h + 54), 4);
    if (magic == "CRW1") d.generation = 1;
    else if (magic == "CRW2") d.generation = 2;
    else if (magic == "CRW3") d.generation = 3;
    else return DirectoryProblem::NotCrow;
    const int64_t bfSize = GetU32(h + 2);

    uint8_t b[4];
    if (d.generation == 3) {
        if (!r.Read(b, 4)) return DirectoryProblem::Damaged;
        d.keyNumber = static_cast<int32_t>(GetU32(b));
    }
    if (!r.Read(b, 4)) return DirectoryProblem::Damaged;
    const int32_t lastIndex = static_cast<int32_t>(GetU32(b));
    // No Crow file holds more files than a folder listing can give; nothing is allocated for
    // more entries than the rest of the file could hold (each takes at least 6 bytes).
    if (lastIndex < 0 || lastIndex >= kMaxFiles) return DirectoryProblem::Damaged;
    const int64_t n = int64_t{lastIndex} + 1;
    if (n * 6 > d.length - r.Position()) return DirectoryProblem::Damaged;

    std::vector<std::string> raw;
    raw.reserve(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) {
        if (!r.Read(b, 2)) return DirectoryProblem::Damaged;
        const uint16_t len = GetU16(b);
        if (len > d.length - r.Position()) return DirectoryProblem::Damaged;
        std::string name(len, '\0');
        if (len && !r.Read(name.data(), len)) return DirectoryProblem::Damaged;
        raw.push_back(std::move(name));
    }
    d.sizes.reserve(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) {
        if (!r.Read(b, 4)) return DirectoryProblem::Damaged;
        d.sizes.push_back(static_cast<int32_t>(GetU32(b)));
    }
    for (const std::string& name : raw) d.shownNames.push_back(Cp932ToUtf8(name));

    // The order of releasing's own checks: the length of a CRW3 file, then every entry, then
    // whether the data area holds what the sizes promise.
    if (d.generation == 3 && d.length != bfSize) return DirectoryProblem::LengthDiffers;
    std::set<std::string> seen;
    int64_t offset = r.Position();
    for (size_t i = 0; i < raw.size(); ++i) {
        PackedEntry e;
        if (!IsPlainName(raw[i], e.name) || !seen.insert(e.name).second || d.sizes[i] <= 0)
            return DirectoryProblem::BadEntry;
        e.size = d.sizes[i];
        e.offset = offset;
        offset += e.size;
        d.entries.push_back(std::move(e));
    }
    if (offset > d.length) return DirectoryProblem::DataShort;
    return DirectoryProblem::None;
}

std::string PackedKey(const PackedDirectory& dir, const std::string& password) {
    if (dir.generation != 3) return std::string();
    return dir.keyNumber != 0 ? KeyFromNumber(dir.keyNumber) : KeyFromPassword(password);
}

}  // namespace wxh::cli

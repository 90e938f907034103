#include "crow/CrowReader.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <sys/stat.h>
#include <string_view>
#include <unordered_set>

#include "common/cp932.h"
#include "common/stored_names.h"
#include "crow/CrowFormat.h"

namespace wxh {

using namespace crowfmt;

namespace {

// Where the tables start: the fixed part is the bitmap headers and the magic.
constexpr int64_t kFixedPart = static_cast<int64_t>(kKeyNumberOffset);
// Every entry takes at least 6 bytes of table: a name length and a size.
constexpr int64_t kEntryMinimum = 6;

// Cuts the start of an over-long name at a character boundary, so that it shows cleanly.
void TrimToCharacter(std::string& cp932) {
    size_t i = 0, end = 0;
    while (i < cp932.size()) {
        const auto c = static_cast<unsigned char>(cp932[i]);
        const size_t len = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) ? 2 : 1;
        if (i + len > cp932.size()) break;
        i += len;
        end = i;
    }
    cp932.resize(end);
}

}  // namespace

int32_t CrowOpenFailed(CrowStatus& status, const struct stat& st, int err) {
    if (st.st_mode != 0 && !S_ISREG(st.st_mode)) {
        status.amount = st.st_mode;
        return status.Fail(CrowReason::CrowNotRegular);
    }
    return status.Fail(CrowReason::CrowUnopenable, err);
}

CrowReason CheckReleaseNames(const std::vector<CrowEntry>& entries, std::vector<std::string>& released,
                             CrowStatus& fault) {
    released.clear();
    released.reserve(entries.size());  // the views below stay valid: released never moves
    std::unordered_set<std::string_view> seen;
    seen.reserve(entries.size());
    const auto refuse = [&](size_t i, CrowReason why, const std::string& name) {
        fault.entry = static_cast<int32_t>(i);
        fault.Fail(why, 0, name);
        return why;
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        const CrowEntry& e = entries[i];
        std::string utf8;
        const NameProblem p = e.overlong ? NameProblem::TooLong : CheckStoredName(e.stored, utf8);
        if (p != NameProblem::None) {
            fault.nameProblem = p;
            return refuse(i, CrowReason::UnsafeName, Cp932ToUtf8(e.stored) + (e.overlong ? "…" : ""));
        }
        released.push_back(std::move(utf8));
        if (!seen.insert(released.back()).second) return refuse(i, CrowReason::DuplicateName, released.back());
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].size > 0) continue;
        fault.amount = entries[i].size;
        return refuse(i, CrowReason::BadSize, released[i]);
    }
    return CrowReason::None;
}

bool CrowReader::Open(ByteSource& src, int gen, bool directoryOnly) {
    *this = CrowReader();
    src_ = &src;
    try {
        return Opened(gen, directoryOnly);
    } catch (const std::bad_alloc&) {
        entries_ = {};
        released_ = {};
        directoryRead_ = false;
        return Fail(CrowReason::OutOfMemory, ENOMEM);
    }
}

bool CrowReader::Opened(int gen, bool directoryOnly) {
    if (!ReadFixedPart()) return false;
    if (gen == 3 && length_ != static_cast<int64_t>(bfSize_)) return Fail(CrowReason::LengthDiffers);
    if (generation_ == 0) return Fail(CrowReason::NotCrow);
    if (gen != 0 && generation_ != gen) return Fail(CrowReason::OtherGeneration);
    // Taken for what it says, a CRW3 file of the wrong length is refused all the same, but its
    // tables are still read: GetCrowInfo lists such a file.
    if (generation_ == 3 && length_ != static_cast<int64_t>(bfSize_)) Fail(CrowReason::LengthDiffers);
    if (!ReadTables()) return false;
    directoryRead_ = true;
    return fault_.reason == CrowReason::None && (directoryOnly || CheckEntries());
}

bool CrowReader::Fail(CrowReason why, int err) {
    fault_.Fail(why, err);
    return false;
}

int32_t CrowReader::Report(CrowStatus& status) const {
    if (fault_.reason == CrowReason::None) return status.Result();
    if (status.reason == CrowReason::None) {
        status.nameProblem = fault_.nameProblem;
        status.amount = fault_.amount;
        status.entry = fault_.entry;
    }
    return status.Fail(fault_.reason, fault_.error, fault_.name);
}

bool CrowReader::ReadFixedPart() {
    uint8_t h[kFixedPart] = {};  // bytes past the end of a short file read as 0
    if (src_->ReadSome(h, sizeof h) < 0) return Fail(CrowReason::CrowUnreadable, src_->Error());
    length_ = src_->Length();
    bfSize_ = GetU32(h + 2);
    const std::string_view magic(reinterpret_cast<const char*>(h + kMagicOffset), 4);
    generation_ = magic == "CRW3" ? 3 : magic == "CRW2" ? 2 : magic == "CRW1" ? 1 : 0;
    return true;
}

bool CrowReader::ReadTables() {
    int64_t pos = kFixedPart;
    uint8_t b[4];
    // A field that is missing is a table that does not fit: the file is damaged.
    if (generation_ == 3) {
        if (!src_->Read(b, 4)) return Fail(CrowReason::TablesDamaged);
        keyNumber_ = static_cast<int32_t>(GetU32(b));
        pos += 4;
    }
    if (!src_->Read(b, 4)) return Fail(CrowReason::TablesDamaged);
    lastIndex_ = static_cast<int32_t>(GetU32(b));
    pos += 4;
    // No writer makes more than kMaxFiles entries; a larger count is damage, refused before
    // anything is allocated for it.
    if (lastIndex_ < 0 || lastIndex_ > kMaxFiles - 1) return Fail(CrowReason::TablesDamaged);
    const int64_t n = int64_t{lastIndex_} + 1;
    if (n * kEntryMinimum > length_ - pos) return Fail(CrowReason::TablesDamaged);
    entries_.reserve(static_cast<size_t>(n));
    if (!ReadNames(n, pos) || !ReadSizes(n, pos)) return false;
    dataStart_ = pos;
    int64_t at = pos;
    for (CrowEntry& e : entries_) {
        e.offset = at;
        at += e.size;
    }
    return true;
}

bool CrowReader::ReadNames(int64_t n, int64_t& pos) {
    int64_t kept = 0;
    uint8_t b[2];
    for (int64_t i = 0; i < n; ++i) {
        const ssize_t r = src_->ReadSome(b, 2);
        if (r != 2) return r < 0 ? Fail(CrowReason::CrowUnreadable, src_->Error()) : Fail(CrowReason::TablesDamaged);
        const uint16_t len = GetU16(b);
        pos += 2;
        if (len > length_ - pos) return Fail(CrowReason::TablesDamaged);
        CrowEntry e;
        const size_t keep = std::min<size_t>(len, kMaxNameBytes);
        e.stored.resize(keep);
        if (keep) {
            const ssize_t got = src_->ReadSome(e.stored.data(), keep);
            if (got != static_cast<ssize_t>(keep))
                return got < 0 ? Fail(CrowReason::CrowUnreadable, src_->Error()) : Fail(CrowReason::TablesDamaged);
        }
        if (len > keep) {
            // Read past: no released name can be this long.
            e.overlong = true;
            if (!src_->Skip(len - static_cast<int64_t>(keep))) return Fail(CrowReason::CrowUnreadable, src_->Error());
            TrimToCharacter(e.stored);
        }
        pos += len;
        kept += static_cast<int64_t>(e.stored.size());
        if (kept > kMaxDirectoryBytes) return Fail(CrowReason::TablesDamaged);
        entries_.push_back(std::move(e));
    }
    return true;
}

bool CrowReader::ReadSizes(int64_t n, int64_t& pos) {
    if (n * 4 > length_ - pos) return Fail(CrowReason::TablesDamaged);
    uint8_t b[4];
    for (CrowEntry& e : entries_) {
        const ssize_t r = src_->ReadSome(b, 4);
        if (r != 4) return r < 0 ? Fail(CrowReason::CrowUnreadable, src_->Error()) : Fail(CrowReason::TablesDamaged);
        e.size = static_cast<int32_t>(GetU32(b));
    }
    pos += 4 * n;
    return true;
}

bool CrowReader::CheckEntries() {
    if (CheckReleaseNames(entries_, released_, fault_) != CrowReason::None) return false;
    total_ = 0;
    for (const CrowEntry& e : entries_) total_ += e.size;
    if (total_ > length_ - dataStart_) return Fail(CrowReason::DataCutShort);
    return true;
}

std::string CrowReader::ShownName(size_t i) const {
    const CrowEntry& e = entries_[i];
    return e.overlong ? Cp932ToUtf8(e.stored) + "…" : Cp932ToUtf8(e.stored);
}

std::string CrowReader::Key(const std::string& password) const {
    if (generation_ != 3) return std::string();
    return keyNumber_ != 0 ? KeyFromNumber(keyNumber_) : KeyFromPassword(password);
}

ssize_t CrowReader::ReadEntry(size_t i, int64_t pos, void* dst, size_t n) const {
    if (i >= entries_.size() || pos < 0) {
        errno = EINVAL;
        return -1;
    }
    const CrowEntry& e = entries_[i];
    if (pos >= e.size) return 0;
    n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), e.size - pos));
    return src_->ReadAt(dst, n, e.offset + pos);
}

}  // namespace wxh

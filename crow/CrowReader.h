#pragma once
// The one reader of Crow files: GetCrowInfo, the releases, crow info and crow mount all look
// at a Crow file through it, so that each of them accepts and refuses the same files for the
// same reason. It reads the directory once (the fixed part, KeyNumber, LastIndex, the name
// and size tables) and checks it in one fixed order:
//
//   magic, length (CRW3), tables, names, sizes, data area
//
// recording the first failure with its reason, entry and name. Every field is distrusted:
// nothing is allocated before it is checked against the file's length and the format's
// limits, and a name longer than any file name may be is read past, not kept. Afterwards the
// data area is there to be walked front to back (the releases) or read at any offset (mount).
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

#include "common/posix_io.h"
#include "crow/CrowDirectory.h"
#include "crow/CrowStatus.h"

namespace wxh {

// Records in status why a Crow file could not be opened: what stands at its path (st, when
// it is no regular file), or err; gives the operation's result code.
int32_t CrowOpenFailed(CrowStatus& status, const struct stat& st, int err);

struct CrowEntry {
    std::string stored;     // the name as stored (CP932); of an over-long name only its start
    int32_t size = 0;       // as stored, unchecked (may be 0 or negative)
    int64_t offset = 0;     // where the file's bytes start (from the sizes as stored)
    bool overlong = false;  // the stored name is longer than kMaxNameBytes: read past, not kept
};

// What a release refuses before it writes anything, entry by entry in table order: first
// every name (one that is no plain file name, see CheckStoredName, or one given twice), then
// every size (below 1). On None, released holds the names a release gives the files (UTF-8);
// otherwise fault holds the entry, its name as shown and what is wrong with it.
CrowReason CheckReleaseNames(const std::vector<CrowEntry>& entries, std::vector<std::string>& released,
                             CrowStatus& fault);

class CrowReader {
public:
    // The longest name kept: no released file name can be longer (UTF-8 is never shorter than
    // code page 932), so a longer one is refused however it decodes.
    static constexpr size_t kMaxNameBytes = 255;
    // The directory held is capped at 32,767 entries of at most 255 name bytes each: about
    // 8 MiB of stored names, and as much again for the released (UTF-8) names.
    static constexpr int64_t kMaxDirectoryBytes = int64_t{32767} * kMaxNameBytes;

    // Reads and checks the Crow file in src, from its start. gen 0 takes the file for what
    // its magic says; gen 1 to 3 checks it as that generation's release does: another magic
    // is refused, and gen 3 compares the length with bfSize before it looks at the magic.
    // True when every check passed; src then stands at the start of the data area.
    bool Open(ByteSource& src, int gen = 0);

    // The first failure (reason None when there was none), with errno, entry, name, problem
    // and amount where they apply.
    const CrowStatus& Fault() const { return fault_; }
    // Records the first failure in status (see CrowStatus::Fail) and gives its result code.
    int32_t Report(CrowStatus& status) const;
    // The tables were read whole: what GetCrowInfo needs, whatever later checks found.
    bool DirectoryRead() const { return directoryRead_; }

    int Generation() const { return generation_; }
    int32_t KeyNumber() const { return keyNumber_; }
    bool NeedsPassword() const { return generation_ == 3 && keyNumber_ == 0; }
    int64_t Length() const { return length_; }
    int64_t DataStart() const { return dataStart_; }
    int64_t TotalSize() const { return total_; }  // of the data area the sizes give (after Open passed)
    const std::vector<CrowEntry>& Entries() const { return entries_; }
    // The names a release gives the files (UTF-8), once every check passed.
    const std::vector<std::string>& Names() const { return released_; }
    // Entry i's name for showing (UTF-8; undecodable bytes as U+FFFD, an over-long name's
    // start followed by "…").
    std::string ShownName(size_t i) const;

    // CRW3's key: from KeyNumber, or (KeyNumber 0) from the password; empty for CRW1, CRW2.
    std::string Key(const std::string& password) const;

    // The stored bytes of entry i from position pos of its file, at most n of them and never
    // past its end; -1 on a read error (errno set). For a caller that reads where it likes.
    ssize_t ReadEntry(size_t i, int64_t pos, void* dst, size_t n) const;
    // The source, positioned for the walk through the data area after Open.
    ByteSource& Source() const { return *src_; }

private:
    bool Fail(CrowReason why, int err = 0);
    bool ReadFixedPart();
    bool ReadTables();
    bool ReadNames(int64_t n, int64_t& pos);
    bool ReadSizes(int64_t n, int64_t& pos);
    bool CheckEntries();
    bool Opened(int gen);

    ByteSource* src_ = nullptr;
    CrowStatus fault_;
    bool directoryRead_ = false;
    uint32_t bfSize_ = 0;
    int generation_ = 0;
    int32_t keyNumber_ = 0;
    int32_t lastIndex_ = 0;
    int64_t length_ = 0;
    int64_t dataStart_ = 0;
    int64_t total_ = 0;
    std::vector<CrowEntry> entries_;
    std::vector<std::string> released_;
};

}  // namespace wxh

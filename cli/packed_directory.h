#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What `crow mount` needs to know of a Crow file: its generation and key, and where each
// packed file lies. Read in one place, through the core's directory parser and release name
// check in releasing's order, so that a file the release would refuse is never mounted.
namespace wxh::cli {

struct PackedEntry {
    std::string name;    // UTF-8: the name releasing would give the file
    int64_t size = 0;    // from the size table, at least 1
    int64_t offset = 0;  // of the file's first stored byte in the Crow file
};

struct PackedDirectory {
    int generation = 0;      // 1, 2 or 3
    int32_t keyNumber = 0;   // CRW3 only; 0 means the key comes from a password
    int64_t length = 0;      // of the Crow file when it was read
    std::vector<PackedEntry> entries;
    // The tables as stored (names decoded for showing, invalid bytes as U+FFFD), also for
    // a refused file, so that the refusal can be put in words.
    std::vector<std::string> shownNames;
    std::vector<int32_t> sizes;

    bool NeedsPassword() const { return generation == 3 && keyNumber == 0; }
};

enum class DirectoryProblem {
    None,
    Unreadable,     // cannot be opened or read, or not a regular file
    NotCrow,        // the magic is none of "CRW1", "CRW2", "CRW3"
    Damaged,        // LastIndex below 0 or above the cap, or tables that do not fit in the file
    LengthDiffers,  // CRW3: the length differs from bfSize
    BadEntry,       // a name releasing refuses (unsafe, undecodable, twice) or a size below 1
    DataShort,      // the data area is shorter than the sizes add up to
};

// Reads the directory of the Crow file open as fd, from its start (fd's position must be 0).
DirectoryProblem ReadPackedDirectory(int fd, PackedDirectory& out);

// The key of a CRW3 file: from its KeyNumber, or (KeyNumber 0) from the password.
// Empty for CRW1 and CRW2.
std::string PackedKey(const PackedDirectory& dir, const std::string& password);

}  // namespace wxh::cli

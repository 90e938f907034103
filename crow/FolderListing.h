#pragma once
// The files a folder holds for packing, in the order of the name table.
#include <cstdint>
#include <string>
#include <vector>

#include "common/posix_io.h"
#include "crow/progress.h"

namespace wxh {

struct ListedFile {
    std::string name;   // UTF-8, as on disk
    int64_t size = 0;
    Fd fd;              // the file, opened while listing (not when too many are open already)
    uint64_t dev = 0;   // the file's device and inode (of a link's target)
    uint64_t ino = 0;
};

// The regular files directly in the folder open at dirfd (a link to one counts), without the
// hidden ones (names starting with "."), ascending by name ignoring the case of every letter
// (NameOrderKey), ties by the name's bytes. Stops collecting after maxFiles + 1 files (the caller refuses so many anyway).
// Up to keepOpen of them are opened for reading as they are listed, so the file measured is the
// file read later, and its name is looked up once; the others (and any that cannot be opened)
// are measured by name and left closed.
// skipped, when given, counts what is passed over (its output field is left alone).
// False when the folder cannot be read.
bool ListFolder(int dirfd, std::vector<ListedFile>& out, size_t maxFiles, size_t keepOpen = 0,
                NotPacked* skipped = nullptr);

// Closes the descriptors the listing kept, with one close_range for each run of consecutive
// numbers (the listing takes them one after another) instead of one close for each file.
void CloseListed(std::vector<ListedFile>& files);

// Raises the soft limit of open files towards the hard one for its lifetime, so a listing can
// keep a folder's files open; the old limit comes back at the end.
class OpenFilesAllowance {
public:
    explicit OpenFilesAllowance(size_t wanted);
    ~OpenFilesAllowance();
    OpenFilesAllowance(const OpenFilesAllowance&) = delete;
    OpenFilesAllowance& operator=(const OpenFilesAllowance&) = delete;
    // How many more files may be held open, leaving room for everything else the process opens.
    size_t Spare() const { return spare_; }

private:
    uint64_t oldSoft_ = 0;
    bool raised_ = false;
    size_t spare_ = 0;
};

}  // namespace wxh

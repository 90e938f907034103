#pragma once
// The files a folder holds for packing, in the order of the name table.
#include <cstdint>
#include <string>
#include <vector>

namespace wxh {

struct ListedFile {
    std::string name;   // UTF-8, as on disk
    std::string cp932;  // as stored in the name table (filled by the writer)
    int64_t size = 0;
};

// The regular files directly in the folder open at dirfd (a link to one counts), without the
// hidden ones (names starting with "."), ascending by name ignoring the case of every letter
// (NameOrderKey), ties by the name's bytes. Stops collecting after maxFiles + 1 files (the caller refuses so many anyway).
// False when the folder cannot be read.
bool ListFolder(int dirfd, std::vector<ListedFile>& out, size_t maxFiles);

}  // namespace wxh

#include "cli/packed_directory.h"

#include <sys/stat.h>

#include "common/cp932.h"
#include "crow/CrowDirectory.h"
#include "crow/CrowFormat.h"

namespace wxh::cli {

DirectoryProblem ReadPackedDirectory(int fd, PackedDirectory& out) {
    out = PackedDirectory();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return DirectoryProblem::Unreadable;
    out.length = st.st_size;

    // The core's parser and name check, in the order releasing applies them.
    FdSource src(fd, st.st_size);
    CrowDirectory d;
    if (ReadFixedPart(src, d) != DirectoryStatus::Ok) return DirectoryProblem::Unreadable;
    if (d.generation == 0) return DirectoryProblem::NotCrow;
    out.generation = d.generation;
    switch (ReadTables(src, d)) {
        case DirectoryStatus::Ok: break;
        case DirectoryStatus::Unreadable: return DirectoryProblem::Unreadable;
        default: return DirectoryProblem::Damaged;
    }
    out.keyNumber = d.keyNumber;
    out.sizes = d.sizes;
    for (const std::string& name : d.names) out.shownNames.push_back(Cp932ToUtf8(name));

    if (d.generation == 3 && d.fileLength != static_cast<int64_t>(d.bfSize)) return DirectoryProblem::LengthDiffers;
    std::vector<std::string> names;
    if (!CheckReleaseNames(d, names)) return DirectoryProblem::BadEntry;
    int64_t end = d.dataStart;
    for (size_t i = 0; i < names.size(); ++i) {
        out.entries.push_back({std::move(names[i]), d.sizes[i], d.offsets[i]});
        end += d.sizes[i];
    }
    if (end > d.fileLength) return DirectoryProblem::DataShort;
    return DirectoryProblem::None;
}

std::string PackedKey(const PackedDirectory& dir, const std::string& password) {
    if (dir.generation != 3) return std::string();
    return dir.keyNumber != 0 ? crowfmt::KeyFromNumber(dir.keyNumber) : crowfmt::KeyFromPassword(password);
}

}  // namespace wxh::cli

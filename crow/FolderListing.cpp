#include "crow/FolderListing.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/stored_names.h"

namespace wxh {

bool ListFolder(int dirfd, std::vector<ListedFile>& out, size_t maxFiles) {
    const int copy = ::openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0) return false;
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        ::close(copy);
        return false;
    }
    bool ok = true;
    while (true) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (!e) {
            if (errno != 0) ok = false;
            break;
        }
        if (e->d_name[0] == '.') continue;
        struct stat st {};
        if (::fstatat(dirfd, e->d_name, &st, 0) != 0) continue;  // dangling link, vanished
        if (!S_ISREG(st.st_mode)) continue;
        ListedFile l;
        l.name = e->d_name;
        l.size = st.st_size;
        out.push_back(std::move(l));
        if (out.size() > maxFiles) break;
    }
    ::closedir(dir);
    std::vector<std::pair<std::string, size_t>> keys;
    keys.reserve(out.size());
    for (size_t i = 0; i < out.size(); ++i) keys.emplace_back(NameOrderKey(out[i].name), i);
    std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        return out[a.second].name < out[b.second].name;
    });
    std::vector<ListedFile> sorted;
    sorted.reserve(out.size());
    for (const auto& k : keys) sorted.push_back(std::move(out[k.second]));
    out = std::move(sorted);
    return ok;
}

}  // namespace wxh

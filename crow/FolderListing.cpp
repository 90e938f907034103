#include "crow/FolderListing.h"

#include <algorithm>
#include <cstring>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/stored_names.h"

namespace wxh {

namespace {

// Descriptors left for the rest of the process (the output, the window system, children...).
constexpr uint64_t kFdReserve = 256;

size_t SpareBelow(uint64_t soft) { return soft > kFdReserve ? static_cast<size_t>(soft - kFdReserve) : 0; }

}  // namespace

OpenFilesAllowance::OpenFilesAllowance(size_t wanted) {
    struct rlimit rl {};
    if (::getrlimit(RLIMIT_NOFILE, &rl) != 0) return;
    oldSoft_ = rl.rlim_cur;
    const uint64_t want = static_cast<uint64_t>(wanted) + kFdReserve;
    if (rl.rlim_cur != RLIM_INFINITY && rl.rlim_cur < want) {
        struct rlimit more = rl;
        more.rlim_cur = rl.rlim_max == RLIM_INFINITY ? want : std::min<uint64_t>(rl.rlim_max, want);
        if (::setrlimit(RLIMIT_NOFILE, &more) == 0) {
            raised_ = true;
            rl = more;
        }
    }
    spare_ = rl.rlim_cur == RLIM_INFINITY ? wanted : SpareBelow(rl.rlim_cur);
}

OpenFilesAllowance::~OpenFilesAllowance() {
    if (!raised_) return;
    struct rlimit rl {};
    if (::getrlimit(RLIMIT_NOFILE, &rl) != 0) return;
    rl.rlim_cur = oldSoft_;
    ::setrlimit(RLIMIT_NOFILE, &rl);
}

void CloseListed(std::vector<ListedFile>& files) {
    std::vector<int> fds;
    fds.reserve(files.size());
    for (ListedFile& f : files)
        if (f.fd.ok()) fds.push_back(f.fd.Release());
    std::sort(fds.begin(), fds.end());
    for (size_t i = 0; i < fds.size();) {
        size_t j = i;
        while (j + 1 < fds.size() && fds[j + 1] == fds[j] + 1) ++j;
        if (::close_range(static_cast<unsigned>(fds[i]), static_cast<unsigned>(fds[j]), 0) != 0)
            for (size_t k = i; k <= j; ++k) ::close(fds[k]);
        i = j + 1;
    }
}

namespace {

// Counts an entry that is not packed: a folder, a hidden name, or anything else that is not
// a regular file. type is the entry's d_type; st, when known, what it leads to.
void CountSkipped(NotPacked* skipped, int dirfd, const dirent* e, const struct stat* st) {
    if (!skipped) return;
    bool folder = e->d_type == DT_DIR || (st && S_ISDIR(st->st_mode));
    if (!folder && !st && (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK)) {
        struct stat s {};
        folder = ::fstatat(dirfd, e->d_name, &s, 0) == 0 && S_ISDIR(s.st_mode);
    }
    if (folder) ++skipped->folders;
    else if (e->d_name[0] == '.') ++skipped->hidden;
    else ++skipped->special;
}

}  // namespace

bool ListFolder(int dirfd, std::vector<ListedFile>& out, size_t maxFiles, size_t keepOpen, NotPacked* skipped) {
    const int copy = ::openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0) return false;
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        const int err = errno;
        ::close(copy);
        errno = err;
        return false;
    }
    bool ok = true;
    int err = 0;  // the errno of the failing readdir, kept past the clean-up and the sort
    size_t opened = 0;
    // Room for as many as are taken (memory is only touched as it fills): the entries never move.
    out.reserve(std::min<size_t>(maxFiles + 1, 1 << 16));
    while (true) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (!e) {
            if (errno != 0) ok = false, err = errno;
            break;
        }
        if (e->d_name[0] == '.') {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                CountSkipped(skipped, dirfd, e, nullptr);
            continue;
        }
        // Only a regular file, a link (to one, perhaps) or an entry of unknown type can be packed;
        // folders, devices, FIFOs and sockets are passed over without being touched.
        const unsigned char type = e->d_type;
        if (type != DT_REG && type != DT_LNK && type != DT_UNKNOWN) {
            CountSkipped(skipped, dirfd, e, nullptr);
            continue;
        }
        ListedFile l;
        struct stat st {};
        if (type == DT_REG && opened < keepOpen) {
            // A regular file: opened at once and measured through its descriptor. O_NONBLOCK and
            // O_NOCTTY keep a FIFO or terminal that took its place meanwhile from blocking or
            // becoming ours; it is then passed over like any other non-regular entry.
            l.fd.Reset(RetryEintr([&] {
                return ::openat(dirfd, e->d_name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            }));
            if (l.fd.ok() && ::fstat(l.fd.get(), &st) != 0) l.fd.Reset();
            if (l.fd.ok()) ++opened;
            else if (errno == EMFILE || errno == ENFILE) keepOpen = opened;  // no more room
        }
        if (!l.fd.ok()) {
            if (::fstatat(dirfd, e->d_name, &st, 0) != 0) {  // dangling link, vanished
                if (errno == ENOENT && type == DT_LNK && skipped) ++skipped->special;
                continue;
            }
            // a link to a regular file, or one this process may not read: it is read by name later
        }
        if (!S_ISREG(st.st_mode)) {
            CountSkipped(skipped, dirfd, e, &st);
            continue;
        }
        l.name = e->d_name;
        l.size = st.st_size;
        l.dev = static_cast<uint64_t>(st.st_dev);
        l.ino = static_cast<uint64_t>(st.st_ino);
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
    // Into that order in place: position j takes the entry from[j].
    std::vector<size_t> from;
    from.reserve(keys.size());
    for (const auto& k : keys) from.push_back(k.second);
    keys = {};
    for (size_t i = 0; i < from.size(); ++i) {
        if (from[i] == i) continue;
        ListedFile first = std::move(out[i]);
        size_t j = i;
        while (from[j] != i) {
            const size_t k = from[j];
            out[j] = std::move(out[k]);
            from[j] = j;
            j = k;
        }
        out[j] = std::move(first);
        from[j] = j;
    }
    if (!ok) errno = err;
    return ok;
}

}  // namespace wxh

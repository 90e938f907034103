#include "common/dest_dir.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <utility>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace wxh {
namespace {

std::atomic<bool> g_forceNamed{false};
// How an unnamed file gets its name: 0 not tried yet, 1 AT_EMPTY_PATH, 2 /proc/self/fd.
std::atomic<int> g_linkWay{0};

// The temporary names in use (only without O_TMPFILE), for RemovePendingTemporary: a few
// slots, each claimed by one file; a file that finds none still works, without the clean-up.
constexpr int kPendingSlots = 16;
struct PendingSlot {
    std::atomic<bool> taken{false};
    volatile std::sig_atomic_t dir = -1;
    char name[40] = {};
};
PendingSlot g_pending[kPendingSlots];

constexpr size_t kMaxSnapshotNames = 100000;  // a larger folder is checked name by name

DestDirFaults g_faults;                 // none, unless a test sets them
std::atomic<uint64_t> g_dataSyncs{0};  // the flushes before a rename

int DataSync(int fd) {
    ++g_dataSyncs;
    return ::fdatasync(fd);
}

int ClaimSlot(int dirfd, const std::string& name) {
    for (int i = 0; i < kPendingSlots; ++i) {
        bool expected = false;
        if (!g_pending[i].taken.compare_exchange_strong(expected, true)) continue;
        std::snprintf(g_pending[i].name, sizeof g_pending[i].name, "%s", name.c_str());
        g_pending[i].dir = dirfd;
        return i;
    }
    return -1;
}

void ReleaseSlot(int slot) {
    if (slot < 0) return;
    g_pending[slot].dir = -1;
    g_pending[slot].taken = false;
}

std::string RandomTempName() {
    if (g_faults.tempName) return g_faults.tempName();
    static thread_local std::mt19937_64 gen{std::random_device{}() ^ static_cast<uint64_t>(::getpid())};
    char name[40];
    std::snprintf(name, sizeof name, ".wxh-%016llx.tmp", static_cast<unsigned long long>(gen()));
    return name;
}

int RenameNoReplace(int dirfd, const char* from, const char* to) {
    const int injected = g_faults.renameNoReplaceErrno;
    if (injected == 0 && ::renameat2(dirfd, from, dirfd, to, RENAME_NOREPLACE) == 0) return 0;
    if (injected != 0) errno = injected;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // No such rename here: a hard link never replaces either.
    if (::linkat(dirfd, from, dirfd, to, 0) != 0) return -1;
    ::unlinkat(dirfd, from, 0);
    return 0;
}

// Links the unnamed file fd at name in dirfd; never replaces. 0, or -1 with errno.
int LinkUnnamed(int fd, int dirfd, const char* name) {
    if (g_linkWay != 2) {
        const int injected = g_faults.linkEmptyPathErrno;
        if (injected == 0 && ::linkat(fd, "", dirfd, name, AT_EMPTY_PATH) == 0) {
            g_linkWay = 1;
            return 0;
        }
        if (injected != 0) errno = injected;
        // Without CAP_DAC_READ_SEARCH older kernels refuse AT_EMPTY_PATH (ENOENT).
        if (errno != ENOENT && errno != EPERM && errno != EINVAL) return -1;
    }
    char proc[40];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, proc, dirfd, name, AT_SYMLINK_FOLLOW) != 0) return -1;
    g_linkWay = 2;
    return 0;
}

}  // namespace

void RemovePendingTemporary() {
    for (PendingSlot& p : g_pending) {
        const int dirfd = p.dir;
        if (dirfd >= 0) ::unlinkat(dirfd, p.name, 0);
    }
}

namespace {
void RemoveAndEnd(int sig) {
    RemovePendingTemporary();
    ::raise(sig);  // the default action again (SA_RESETHAND), once this handler returns
}
}  // namespace

void RemoveTemporaryOnFatalSignals() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM}) {
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
        struct sigaction sa {};
        sa.sa_handler = RemoveAndEnd;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESETHAND;
        ::sigaction(sig, &sa, nullptr);
    }
}

void DestDir::ForceNamedTemporaries(bool on) { g_forceNamed = on; }

void SetDestDirFaultsForTesting(DestDirFaults faults) {
    g_faults = std::move(faults);
    g_linkWay = 0;  // the way of linking is found afresh
}

uint64_t DataSyncsForTesting() { return g_dataSyncs; }

DestDir::~DestDir() = default;

bool DestDir::Open(const std::string& path) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    const int fd = RetryEintr([&] { return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    const int err = errno;  // that of the open, not of the clean-up after it
    if (Adopt(fd)) return true;
    errno = err;
    return false;
}

bool DestDir::Adopt(int dirfd) {
    fd_.Reset(dirfd);
    snapshot_ = false;
    names_.clear();
    return fd_.ok();
}

bool DestDir::OpenSubFolder(const std::string& name, DestDir& sub) const {
    if (!fd_.ok() || name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") {
        errno = EINVAL;
        return false;
    }
    ::mkdirat(fd_.get(), name.c_str(), 0777);  // most often it exists already
    return sub.Adopt(RetryEintr(
        [&] { return ::openat(fd_.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); }));
}

void DestDir::Snapshot() {
    names_.clear();
    snapshot_ = false;
    const int copy = ::openat(fd_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0) return;
    DIR* d = ::fdopendir(copy);
    if (!d) {
        ::close(copy);
        return;
    }
    bool ok = true;
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(d);
        if (!e) {
            ok = errno == 0;
            break;
        }
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        if (names_.size() >= kMaxSnapshotNames) {
            ok = false;
            break;
        }
        names_.insert(e->d_name);
    }
    ::closedir(d);
    snapshot_ = ok;
    if (!ok) names_.clear();
}

bool DestDir::MayExist(const std::string& name) const { return !snapshot_ || names_.count(name) > 0; }

EntryKind DestDir::Inspect(const std::string& name, struct stat* out) const { return InspectAt(fd_.get(), name, out); }

EntryKind InspectAt(int dirfd, const std::string& name, struct stat* out) {
    struct stat st {};
    if (::fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? EntryKind::Missing : EntryKind::Unknown;
    if (out) *out = st;
    if (S_ISREG(st.st_mode)) return st.st_size == 0 ? EntryKind::EmptyFile : EntryKind::File;
    if (S_ISDIR(st.st_mode)) return EntryKind::Folder;
    return EntryKind::Special;
}

bool DestDir::MayWrite(const std::string& name) const {
    return ::faccessat(fd_.get(), name.c_str(), W_OK, AT_EACCESS) == 0;
}

bool NewFile::TakeTempName(int dirfd) {
    DropTempName();
    temp_ = RandomTempName();
    slot_ = ClaimSlot(dirfd, temp_);
    return true;
}

void NewFile::DropTempName() {
    ReleaseSlot(slot_);
    slot_ = -1;
    temp_.clear();
}

bool DestDir::Create(NewFile& f) const {
    f.Discard();
    if (!fd_.ok()) {
        errno = EBADF;
        return false;
    }
    // 0666 before the umask, as for any newly created file.
    if (!noTmpfile_ && !g_forceNamed) {
        const int injected = g_faults.tmpfileErrno;
        const int fd = injected != 0 ? -1 : RetryEintr([&] { return ::openat(fd_.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666); });
        if (injected != 0) errno = injected;
        if (fd >= 0) {
            f.fd_.Reset(fd);
            f.dir_ = this;
            return true;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
        noTmpfile_ = true;  // this file system has no unnamed files: do not ask again
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        f.TakeTempName(fd_.get());
        const int fd = RetryEintr([&] {
            return ::openat(fd_.get(), f.temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        });
        if (fd >= 0) {
            f.fd_.Reset(fd);
            f.dir_ = this;
            f.underTempName_ = true;
            return true;
        }
        const int err = errno;
        f.DropTempName();
        errno = err;
        if (err != EEXIST) return false;  // else someone else's: take another
    }
    return false;
}

void NewFile::Discard() {
    fd_.Reset();
    if (underTempName_ && dir_) ::unlinkat(dir_->fd(), temp_.c_str(), 0);
    DropTempName();
    underTempName_ = false;
    dir_ = nullptr;
}

DestDir::Naming DestDir::LinkNew(NewFile& f, const std::string& name) const {
    if (!f.IsOpen() || f.dir_ != this) return Naming::Failed;
    if (f.underTempName_) {
        if (RenameNoReplace(fd_.get(), f.temp_.c_str(), name.c_str()) != 0)
            return errno == EEXIST ? Naming::Exists : Naming::Failed;
        f.underTempName_ = false;
        f.DropTempName();
    } else {
        if (LinkUnnamed(f.fd(), fd_.get(), name.c_str()) != 0)
            return errno == EEXIST ? Naming::Exists : Naming::Failed;
    }
    const bool ok = ::close(f.fd_.Release()) == 0;
    f.dir_ = nullptr;
    return ok ? Naming::Done : Naming::Failed;
}

bool DestDir::Settle(NewFile& f, const struct stat& old, bool flush) const {
    if (S_ISREG(old.st_mode)) {
        struct stat mine {};
        if (::fstat(f.fd(), &mine) == 0 && (mine.st_uid != old.st_uid || mine.st_gid != old.st_gid)) {
            // Owner and group where this process may set them (root: both; others: a group
            // they belong to); a refusal keeps the running user's.
            if (::fchown(f.fd(), old.st_uid, old.st_gid) != 0) (void)!::fchown(f.fd(), static_cast<uid_t>(-1), old.st_gid);
        }
        if (::fchmod(f.fd(), old.st_mode & 0777) != 0) return false;
    }
    return !flush || DataSync(f.fd()) == 0;
}

bool DestDir::Rename(NewFile& f, const std::string& name) const {
    if (!f.underTempName_) {
        // An unnamed file needs a name before it can be renamed over the old one.
        bool named = false;
        for (int attempt = 0; attempt < 100 && !named; ++attempt) {
            f.TakeTempName(fd_.get());
            if (LinkUnnamed(f.fd(), fd_.get(), f.temp_.c_str()) == 0) named = true;
            else if (errno != EEXIST) break;  // else someone else's: take another
        }
        if (!named) {
            const int err = errno;
            f.DropTempName();
            errno = err;
            return false;
        }
        f.underTempName_ = true;
    }
    if (::renameat(fd_.get(), f.temp_.c_str(), fd_.get(), name.c_str()) != 0) return false;  // Discard removes it
    f.underTempName_ = false;
    f.DropTempName();
    const bool ok = ::close(f.fd_.Release()) == 0;
    f.dir_ = nullptr;
    return ok;
}

bool DestDir::Replace(NewFile& f, const std::string& name, const struct stat& old, bool flush) const {
    if (!f.IsOpen() || f.dir_ != this) return false;
    return Settle(f, old, flush) && Rename(f, name);
}

DestDir::Published DestDir::Publish(NewFile& f, const std::string& name, bool replace, struct stat& old,
                                    const PublishSteps& steps) const {
    if (!f.IsOpen() || f.dir_ != this) {
        errno = EBADF;
        return Published::Failed;
    }
    // Something that appears at a new name meanwhile is decided on like any existing entry;
    // a name that keeps changing under us gives up.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!replace) {
            if (steps.stop && steps.stop()) return Published::Stopped;
            const Naming r = LinkNew(f, name);
            if (r != Naming::Exists) return r == Naming::Done ? Published::Done : Published::Failed;
            const EntryKind kind = Inspect(name, &old);
            if (kind == EntryKind::Missing) continue;  // gone again: try the new name once more
            const Claim c = steps.onTaken ? steps.onTaken(kind, old) : Claim::Refuse;
            if (c == Claim::Keep) return Published::Kept;
            if (c == Claim::Refuse) return Published::Refused;
            replace = true;
        }
        if (!Settle(f, old, S_ISREG(old.st_mode) && old.st_size > 0)) return Published::Failed;
        if (steps.stop && steps.stop()) return Published::Stopped;
        return Rename(f, name) ? Published::Done : Published::Failed;
    }
    errno = EEXIST;
    return Published::Failed;
}

}  // namespace wxh

#include "common/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace wxh {

std::string FolderOf(const std::string& path) {
    const size_t at = path.rfind('/');
    if (at == std::string::npos) return ".";
    if (at == 0) return "/";
    return path.substr(0, at);
}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Create(const std::string& target) {
    Discard();
    if (target.empty() || target.back() == '/') return false;
    const std::string folder = FolderOf(target);
    struct stat old {};
    replacing_ = ::lstat(target.c_str(), &old) == 0;
    static thread_local std::mt19937_64 gen{std::random_device{}() ^ static_cast<uint64_t>(::getpid())};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "/.wxh-%016llx.tmp", static_cast<unsigned long long>(gen()));
        std::string temp = folder + name;
        // 0666 before the umask, as for any newly created file.
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            temp_ = std::move(temp);
            target_ = target;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool AtomicFile::Write(const void* data, size_t n) {
    if (fd_ < 0) return false;
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::write(fd_, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (w == 0) return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

bool AtomicFile::Commit(bool sync) {
    if (fd_ < 0) return false;
    bool ok = !sync || ::fdatasync(fd_) == 0;
    ok = (::close(fd_) == 0) && ok;
    fd_ = -1;
    if (ok) ok = ::rename(temp_.c_str(), target_.c_str()) == 0;
    if (!ok) ::unlink(temp_.c_str());
    temp_.clear();
    target_.clear();
    return ok;
}

void AtomicFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    target_.clear();
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes) {
    AtomicFile f;
    return f.Create(path) && f.Write(bytes.data(), bytes.size()) && f.Commit(true);
}

}  // namespace wxh

// crow mount: serves the files of a Crow file as a read-only folder through FUSE. Every read
// decodes the bytes it returns straight from the Crow file; nothing decoded touches the disk.
#define FUSE_USE_VERSION 312
#include "cli/mount.h"

#include <fuse_lowlevel.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <optional>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <new>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cli/diagnose.h"
#include "cli/password_check.h"
#include "cli/terminal.h"
#include "crow/CrowFormat.h"

namespace wxh::cli {

const char* const kMountHelp =
    "Usage: crow mount [--password | --password-stdin] [--background] [--no-password-check]\n"
    "                  CROWFILE MOUNTPOINT\n"
    "\n"
    "Shows the files of CROWFILE as a read-only folder at MOUNTPOINT (an existing, empty\n"
    "folder) without releasing them: every program can open them there, and their bytes are\n"
    "decoded as they are read, never written to the disk. They have the modes a release\n"
    "would give them (from the umask), on a read-only mount only you can enter.\n"
    "A file that 'crow release' would refuse is refused here too, before mounting.\n"
    "\n"
    "crow mount stays in the foreground until the folder is unmounted ('fusermount3 -u\n"
    "MOUNTPOINT', or Ctrl-C here, which unmounts it and ends with status 0).\n"
    "\n"
    "Options:\n"
    "  --password         ask for the password on the terminal (protected files)\n"
    "  --password-stdin   read the password from one line of standard input (4096\n"
    "                     bytes at most)\n"
    "  --background       return once the folder is mounted; the mount serves on by itself\n"
    "  --no-password-check  mount even when the password looks wrong\n"
    "  -q, --quiet        say nothing while mounted\n"
    "  -h, --help         show this help\n"
    "\n"
    "If CROWFILE changes or is removed while mounted, reads fail with an input/output\n"
    "error (bytes read before may still come from memory, as they were); wrong bytes are\n"
    "never returned. A password whose decoded files clearly do not look like what their\n"
    "names promise is refused (status 1), as 'crow release' refuses it; where too few files\n"
    "are of recognisable kinds, a wrong password is not detected and the files read wrong.\n";

namespace {

constexpr int kOk = 0;
constexpr int kFailure = 1;
constexpr fuse_ino_t kRootIno = FUSE_ROOT_ID;  // the folder; entry i is inode i + 2
constexpr size_t kMaxRead = size_t{1} << 20;   // largest read the kernel is allowed to ask
constexpr double kCacheSeconds = 86400.0;      // nothing in the folder ever changes

void Say(const std::string& text) { std::fprintf(stderr, "crow: %s\n", text.c_str()); }
std::string Q(const std::string& s) { return "'" + PrintableName(s) + "'"; }

// Empty when path is an existing, empty folder; else why it cannot be mounted on.
std::string MountPointProblem(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return Q(path) + " does not exist (make an empty folder there first)";
        return "cannot reach " + Q(path) + ": " + std::strerror(errno);
    }
    if (!S_ISDIR(st.st_mode)) return Q(path) + " is not a folder";
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return "cannot open the folder " + Q(path) + ": " + std::strerror(errno);
    bool empty = true;
    while (const dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            empty = false;
            break;
        }
    }
    ::closedir(dir);
    if (!empty) return "the folder " + Q(path) + " is not empty";
    return std::string();
}

// The set-uid helper through which an ordinary user mounts.
bool HaveMountHelper() {
    for (const char* p : {"/usr/bin/fusermount3", "/bin/fusermount3"}) {
        struct stat st {};
        if (::stat(p, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_ISUID) && st.st_uid == 0) return true;
    }
    return false;
}

// "crw------- owner root, group root", for saying why a device is closed to this user.
std::string DescribeDevice(const struct stat& st) {
    std::string modes = "c";
    const char* const letters = "rwxrwxrwx";
    for (int bit = 8; bit >= 0; --bit) modes.push_back((st.st_mode >> bit) & 1 ? letters[8 - bit] : '-');
    const passwd* pw = ::getpwuid(st.st_uid);
    const group* gr = ::getgrgid(st.st_gid);
    return modes + " owner " + (pw ? PrintableName(pw->pw_name) : std::to_string(st.st_uid)) + ", group " +
           (gr ? PrintableName(gr->gr_name) : std::to_string(st.st_gid));
}

// Empty when a mount can be tried; else what stands in the way and how to mend it.
// fusermount3 opens the device as the calling user, so a device this user may not open
// cannot be mounted through it either.
std::string FuseProblem() {
    const int fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return std::string();
    }
    const int e = errno;
    if (e == ENOENT || e == ENODEV || e == ENXIO)
        return "there is no /dev/fuse on this machine (load the kernel module with 'modprobe fuse'; "
               "in a container, pass the device /dev/fuse in)";
    if (e == EACCES || e == EPERM) {
        struct stat st {};
        const std::string modes = ::stat("/dev/fuse", &st) == 0 ? " (" + DescribeDevice(st) + ")" : std::string();
        return "no permission to use /dev/fuse" + modes +
               ": this user may not open it (Debian makes it crw-rw-rw-; ask for 'chmod 0666 /dev/fuse', "
               "or to be let into its group)";
    }
    return "cannot open /dev/fuse: " + std::string(std::strerror(e));
}

// Why the mount failed although /dev/fuse opens: an ordinary user mounts only through the
// set-uid fusermount3; otherwise the kernel said no (libfuse printed its words above).
std::string MountFailure() {
    if (std::string why = FuseProblem(); !why.empty()) return why;
    if (::geteuid() != 0 && !HaveMountHelper())
        return "an ordinary user mounts through the set-uid fusermount3, which is missing (install the "
               "package fuse3)";
    return "the kernel refused the mount (see the message above)";
}

// libfuse reads its options split at commas; a backslash keeps one in a value.
std::string EscapeOption(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == ',' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

// ---- the file system ---------------------------------------------------------------------

struct MountedCrow {
    CheckedCrow crow;                        // the Crow file, open for the whole mount
    std::optional<crowfmt::KeyStream> keys;  // CRW3's key
    std::unordered_map<std::string_view, size_t> byName;  // views of the reader's names
    std::vector<uint8_t> buffer;             // one read at a time: the loop is single-threaded
    uid_t uid = 0;
    gid_t gid = 0;
    mode_t fileMode = 0400;  // as a release would make them: see ReleaseModes
    mode_t dirMode = 0500;

    const CrowReader& Reader() const { return crow.reader; }
    size_t Count() const { return Reader().Names().size(); }
    bool IsEntry(fuse_ino_t ino) const { return ino >= 2 && ino - 2 < Count(); }
    int64_t Size(fuse_ino_t ino) const { return Reader().Entries()[ino - 2].size; }

    // Still the file that was mounted: same length, modification and change time, not
    // removed. The change time catches a rewrite that put the modification time back.
    bool Unchanged() const {
        struct stat st {};
        const struct stat& was = crow.st;
        if (::fstat(crow.fd.get(), &st) != 0) return false;
        return st.st_size == was.st_size && st.st_nlink > 0 && st.st_mtim.tv_sec == was.st_mtim.tv_sec &&
               st.st_mtim.tv_nsec == was.st_mtim.tv_nsec && st.st_ctim.tv_sec == was.st_ctim.tv_sec &&
               st.st_ctim.tv_nsec == was.st_ctim.tv_nsec;
    }

    void Attributes(fuse_ino_t ino, struct stat& st) const {
        st = {};
        st.st_ino = ino;
        st.st_uid = uid;
        st.st_gid = gid;
        st.st_atim = crow.st.st_atim;
        st.st_mtim = crow.st.st_mtim;
        st.st_ctim = crow.st.st_ctim;
        st.st_blksize = blksize_t{128} * 1024;
        if (ino == kRootIno) {
            st.st_mode = S_IFDIR | dirMode;
            st.st_nlink = 2;
        } else {
            st.st_mode = S_IFREG | fileMode;
            st.st_nlink = 1;
            st.st_size = Size(ino);
            st.st_blocks = (st.st_size + 511) / 512;
        }
    }

    // Undoes the generation's transformation on bytes whose first one is at position pos of
    // its packed file.
    void Decode(uint8_t* data, size_t n, int64_t pos) const {
        if (Reader().Generation() == 2) {
            crowfmt::AddByte(data, n, 255);
        } else if (Reader().Generation() == 3) {
            keys->Add(data, n, pos);
        }
    }
};

// The modes a release under the current umask gives a file (0666 before the umask) and its
// folder (0777), so that a copy out of the mount comes out as a released file would. The
// mount is read-only whatever the modes say, and without allow_other no one but the mounting
// user gets in; the owner's read (and the folder's search) bits stay, since a view its own
// user cannot read serves nobody.
void ReleaseModes(mode_t& fileMode, mode_t& dirMode) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    fileMode = (0666 & ~mask) | 0400;
    dirMode = (0777 & ~mask) | 0500;
}

MountedCrow& State(fuse_req_t req) { return *static_cast<MountedCrow*>(fuse_req_userdata(req)); }

// Runs one request's work; nothing may be thrown back into the FUSE library: memory that runs
// out is answered ENOMEM, anything else EIO.
template <class Work>
void Answer(fuse_req_t req, Work work) noexcept {
    try {
        work();
    } catch (const std::bad_alloc&) {
        fuse_reply_err(req, ENOMEM);
    } catch (...) {
        fuse_reply_err(req, EIO);
    }
}

fuse_entry_param EntryParam(const MountedCrow& m, fuse_ino_t ino) {
    fuse_entry_param e {};
    e.ino = ino;
    e.attr_timeout = kCacheSeconds;
    e.entry_timeout = kCacheSeconds;
    m.Attributes(ino, e.attr);
    return e;
}

void OpInit(void*, fuse_conn_info* conn) noexcept {
    conn->max_read = kMaxRead;
    // No open, release, opendir or flush requests: nothing happens at those moments. The kernel
    // learns it from the first ENOSYS answer and opens by itself from then on; writing is
    // refused by the read-only mount and the modes.
    if (conn->capable & FUSE_CAP_NO_OPEN_SUPPORT) conn->want |= FUSE_CAP_NO_OPEN_SUPPORT;
    if (conn->capable & FUSE_CAP_NO_OPENDIR_SUPPORT) conn->want |= FUSE_CAP_NO_OPENDIR_SUPPORT;
    // A listing brings every file's attributes along, so that tar and ls need no lookups.
    if (conn->capable & FUSE_CAP_READDIRPLUS) conn->want |= FUSE_CAP_READDIRPLUS;
    conn->want &= ~FUSE_CAP_READDIRPLUS_AUTO;
}

void OpLookup(fuse_req_t req, fuse_ino_t parent, const char* name) noexcept {
    Answer(req, [&] {
        MountedCrow& m = State(req);
        if (parent != kRootIno) {
            fuse_reply_err(req, ENOTDIR);
            return;
        }
        auto it = m.byName.find(name);
        if (it == m.byName.end()) {
            fuse_entry_param none {};
            none.entry_timeout = kCacheSeconds;  // the answer "no such file" does not change either
            fuse_reply_entry(req, &none);
            return;
        }
        fuse_entry_param e = EntryParam(m, it->second + 2);
        fuse_reply_entry(req, &e);
    });
}

void OpGetattr(fuse_req_t req, fuse_ino_t ino, fuse_file_info*) noexcept {
    Answer(req, [&] {
        MountedCrow& m = State(req);
        if (ino != kRootIno && !m.IsEntry(ino)) {
            fuse_reply_err(req, ENOENT);
            return;
        }
        struct stat st {};
        m.Attributes(ino, st);
        fuse_reply_attr(req, &st, kCacheSeconds);
    });
}

void OpNoOpen(fuse_req_t req, fuse_ino_t, fuse_file_info*) noexcept { fuse_reply_err(req, ENOSYS); }

void ReadEntry(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off) {
    MountedCrow& m = State(req);
    if (!m.IsEntry(ino)) {
        fuse_reply_err(req, ino == kRootIno ? EISDIR : ENOENT);
        return;
    }
    if (!m.Unchanged()) {
        fuse_reply_err(req, EIO);
        return;
    }
    const int64_t length = m.Size(ino);
    if (off < 0 || off >= length || size == 0) {
        fuse_reply_buf(req, nullptr, 0);
        return;
    }
    const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(size), length - off));
    if (m.buffer.size() < n) m.buffer.resize(n);
    uint8_t* buf = m.buffer.data();
    // Short: an error, or the Crow file got shorter between the check and the read.
    if (m.Reader().ReadEntry(ino - 2, off, buf, n) != static_cast<ssize_t>(n)) {
        fuse_reply_err(req, EIO);
        return;
    }
    m.Decode(buf, n, off);
    fuse_reply_buf(req, reinterpret_cast<const char*>(buf), n);
}

void OpRead(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, fuse_file_info*) noexcept {
    Answer(req, [&] { ReadEntry(req, ino, size, off); });
}

void ReadDirectory(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, bool plus) {
    MountedCrow& m = State(req);
    if (ino != kRootIno) {
        fuse_reply_err(req, ENOTDIR);
        return;
    }
    std::vector<char> out(size);
    size_t used = 0;
    const size_t count = m.Count() + 2;  // ".", "..", then the files
    for (size_t k = static_cast<size_t>(std::max<off_t>(off, 0)); k < count; ++k) {
        const char* name = k == 0 ? "." : k == 1 ? ".." : m.Reader().Names()[k - 2].c_str();
        const fuse_ino_t entryIno = k < 2 ? kRootIno : k;
        fuse_entry_param e = EntryParam(m, entryIno);
        const off_t next = static_cast<off_t>(k + 1);
        const size_t need = plus ? fuse_add_direntry_plus(req, out.data() + used, size - used, name, &e, next)
                                 : fuse_add_direntry(req, out.data() + used, size - used, name, &e.attr, next);
        if (need > size - used) break;
        used += need;
    }
    fuse_reply_buf(req, out.data(), used);
}

void OpReaddir(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, fuse_file_info*) noexcept {
    Answer(req, [&] { ReadDirectory(req, ino, size, off, false); });
}

void OpReaddirplus(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, fuse_file_info*) noexcept {
    Answer(req, [&] { ReadDirectory(req, ino, size, off, true); });
}

void OpStatfs(fuse_req_t req, fuse_ino_t) noexcept {
    const MountedCrow& m = State(req);
    struct statvfs s {};
    s.f_bsize = 4096;
    s.f_frsize = 4096;
    s.f_blocks = static_cast<fsblkcnt_t>((m.Reader().Length() + 4095) / 4096);
    s.f_files = m.Count() + 1;
    s.f_namemax = 255;
    fuse_reply_statfs(req, &s);
}

// The kernel reads ahead 128 KiB at a time on a FUSE mount; a sequential reader gets on faster
// with larger requests. Root may raise it for this mount's own device, once the kernel has
// taken the answer to its first request (which sets it); the device comes from the mount
// table, since a stat of the mount point would have to be served by the caller itself.
void RaiseReadAhead(const std::string& mountPoint) {
    FILE* table = std::fopen("/proc/self/mountinfo", "re");
    if (!table) return;
    char line[4096];
    std::string device;
    while (std::fgets(line, sizeof line, table)) {
        char dev[64], root[PATH_MAX], where[PATH_MAX];
        if (std::sscanf(line, "%*d %*d %63s %4095s %4095s", dev, root, where) == 3 && mountPoint == where)
            device = dev;  // the last one mounted there
    }
    std::fclose(table);
    if (device.empty()) return;
    FILE* knob = std::fopen(("/sys/class/bdi/" + device + "/read_ahead_kb").c_str(), "we");
    if (!knob) return;
    std::fprintf(knob, "%zu\n", kMaxRead / 1024);
    std::fclose(knob);
}

// ---- serving ---------------------------------------------------------------------------

volatile std::sig_atomic_t g_stop = 0;

extern "C" void StopServing(int sig) {
    if (g_stop == 0) g_stop = sig;
}

// Signals that end the mount. They stay blocked except while the loop waits for the kernel,
// so that one arriving at any moment ends the wait instead of being missed.
sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

// Serves requests until the folder is unmounted or a stop signal came. 0, or an errno value.
int Serve(fuse_session* se, const sigset_t& waitMask, const std::string& mountPoint) {
    fuse_buf buf {};
    bool first = true;
    int failure = 0;
    const int fd = fuse_session_fd(se);
    while (g_stop == 0 && !fuse_session_exited(se)) {
        pollfd p{fd, POLLIN, 0};
        const int r = ::ppoll(&p, 1, nullptr, &waitMask);
        if (r < 0) {
            if (errno == EINTR) continue;
            failure = errno;
            break;
        }
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) break;  // unmounted from outside
        const int got = fuse_session_receive_buf(se, &buf);
        if (got == -EINTR || got == -EAGAIN) continue;
        if (got <= 0) {  // 0: the kernel ended the connection (unmounted)
            if (got < 0 && got != -ENODEV) failure = -got;
            break;
        }
        fuse_session_process_buf(se, &buf);
        if (first && ::geteuid() == 0) RaiseReadAhead(mountPoint);
        first = false;
    }
    std::free(buf.mem);
    return failure;
}

// The FUSE session: mounted, unmounted and destroyed on every way out.
class Session {
public:
    Session(fuse_args& args, const fuse_lowlevel_ops& ops, MountedCrow& m)
        : se_(fuse_session_new(&args, &ops, sizeof ops, &m)) {}
    ~Session() {
        if (mounted_) fuse_session_unmount(se_);
        if (se_) fuse_session_destroy(se_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    fuse_session* get() const { return se_; }
    bool Mount(const std::string& where) { return mounted_ = fuse_session_mount(se_, where.c_str()) == 0; }

private:
    fuse_session* se_;
    bool mounted_ = false;
};

fuse_lowlevel_ops Operations() {
    fuse_lowlevel_ops ops {};
    ops.init = OpInit;
    ops.lookup = OpLookup;
    ops.getattr = OpGetattr;
    ops.open = OpNoOpen;
    ops.opendir = OpNoOpen;
    ops.read = OpRead;
    ops.readdir = OpReaddir;
    ops.readdirplus = OpReaddirplus;
    ops.statfs = OpStatfs;
    return ops;
}

// From here a stop signal waits for the loop, which unmounts cleanly; waitMask receives the
// mask to wait with (the stop signals let through).
void CatchStopSignals(sigset_t& waitMask) {
    const sigset_t stops = StopSignals();
    ::sigprocmask(SIG_BLOCK, &stops, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGHUP);
    struct sigaction sa {};
    sa.sa_handler = StopServing;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &sa, nullptr);
}

// Mounts m at mountPoint and serves it until it is unmounted. Exit status.
int MountAndServe(const MountRequest& rq, MountedCrow& m, const std::string& mountPoint, const std::string& source) {
    const std::string& file = rq.crowFile;
    sigset_t waitMask;
    CatchStopSignals(waitMask);
    if (PendingSignal() != 0) return 128 + PendingSignal();  // interrupted before mounting

    const std::string options = "ro,default_permissions,subtype=crow,fsname=" + EscapeOption(source) +
                                ",max_read=" + std::to_string(kMaxRead);
    std::vector<std::string> argStrings = {"crow", "-o", options};
    std::vector<char*> argv;
    argv.reserve(argStrings.size());
    for (std::string& a : argStrings) argv.push_back(a.data());
    fuse_args args = FUSE_ARGS_INIT(static_cast<int>(argv.size()), argv.data());
    // The library copies the arguments it rewrites; those copies go on every way out.
    struct ArgsGuard {
        fuse_args& a;
        ~ArgsGuard() { fuse_opt_free_args(&a); }
    } argsGuard{args};

    const fuse_lowlevel_ops ops = Operations();
    Session session(args, ops, m);
    if (!session.get()) {
        Say("cannot mount " + Q(file) + ": the FUSE library refused to start");
        return kFailure;
    }
    if (!session.Mount(mountPoint)) {
        Say("cannot mount " + Q(file) + " on " + Q(rq.mountPoint) + ": " + MountFailure());
        return kFailure;
    }
    if (rq.background) {
        if (fuse_daemonize(0) != 0) {
            Say("cannot go into the background; " + Q(rq.mountPoint) + " was unmounted again");
            return kFailure;
        }
    } else if (!rq.quiet && StderrIsTerminal()) {
        Say(Q(file) + " is mounted on " + Q(rq.mountPoint) + "; Ctrl-C or 'fusermount3 -u " +
            PrintableName(rq.mountPoint) + "' unmounts it");
    }
    if (const int failure = Serve(session.get(), waitMask, mountPoint); failure != 0) {
        Say("the mount of " + Q(file) + " on " + Q(rq.mountPoint) + " failed: " + std::strerror(failure) +
            "; it was unmounted");
        return kFailure;
    }
    return kOk;
}

}  // namespace

int RunMount(const MountRequest& rq, const PasswordGetter& getPassword) {
    const std::string& file = rq.crowFile;
    MountedCrow m;
    // The Crow file is checked as a release checks it, and refused in the same words.
    if (CrowStatus status; !OpenCheckedCrow(file, m.crow, status)) {
        Say(Refusal("mount", file, m.crow, status));
        return kFailure;
    }
    const CrowReader& reader = m.Reader();
    if (reader.NeedsPassword() && !rq.passwordOffered) {
        Say(Q(file) + " is protected by a password; give it with --password or --password-stdin");
        return kFailure;
    }
    if (std::string why = MountPointProblem(rq.mountPoint); !why.empty()) {
        Say("cannot mount " + Q(file) + " on " + Q(rq.mountPoint) + ": " + why);
        return kFailure;
    }
    std::string password;
    int status = kOk;
    if (rq.passwordFromStdin || (rq.passwordOffered && reader.NeedsPassword())) {
        if (!getPassword(password, status)) return status;
    }
    const std::string key = reader.Generation() == 3 ? reader.Key(password) : std::string();
    if (!key.empty()) m.keys.emplace(key);
    if (reader.NeedsPassword() && rq.passwordCheck) {
        const auto head = [&m, &reader](size_t i, uint8_t* buf, size_t max) -> size_t {
            const ssize_t r = reader.ReadEntry(i, 0, buf, static_cast<size_t>(std::min<int64_t>(m.Size(i + 2), static_cast<int64_t>(max))));
            if (r <= 0) return 0;
            m.Decode(buf, static_cast<size_t>(r), 0);
            return static_cast<size_t>(r);
        };
        if (RefuseWrongPassword(JudgePassword(reader.Names(), head, key.size(), EntrySizes(reader)), file, "mounted")) return kFailure;
    }
    if (std::string why = FuseProblem(); !why.empty()) {
        Say("cannot mount " + Q(file) + " on " + Q(rq.mountPoint) + ": " + why);
        return kFailure;
    }

    // Paths that still hold once a background mount has left the working folder.
    char real[PATH_MAX];
    const std::string mountPoint = ::realpath(rq.mountPoint.c_str(), real) ? real : rq.mountPoint;
    const std::string source = ::realpath(file.c_str(), real) ? real : file;

    m.byName.reserve(m.Count());
    for (size_t i = 0; i < m.Count(); ++i) m.byName.emplace(reader.Names()[i], i);
    m.uid = ::getuid();
    m.gid = ::getgid();
    ReleaseModes(m.fileMode, m.dirMode);
    return MountAndServe(rq, m, mountPoint, source);
}

}  // namespace wxh::cli

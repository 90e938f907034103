// crow mount, run as a user would run it, against crow release of the same Crow file.
#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "support/CrowSamples.h"
#include "support/TempDir.h"

#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <random>
#include <sys/mman.h>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace wxh::test;

namespace {

bool IsMounted(const std::string& path) {
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.find(" " + path + " ") != std::string::npos) return true;
    return false;
}

// Set by the build when crow is built without FUSE 3.
bool BuiltWithoutFuse() { return std::getenv("WXH_NO_FUSE") != nullptr; }

// Skips the test, saying why, where this machine (or this crow) cannot mount.
#define REQUIRE_FUSE()                                                                          \
    do {                                                                                        \
        if (BuiltWithoutFuse()) GTEST_SKIP() << "crow is built without FUSE 3";                 \
        int fd_ = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);                                      \
        if (fd_ < 0) GTEST_SKIP() << "no usable /dev/fuse here: crow mount cannot be tested";   \
        ::close(fd_);                                                                           \
    } while (0)

// A folder to mount on, unmounted again (lazily, whatever holds it) before it is removed.
class MountPoint {
public:
    explicit MountPoint(const std::string& path) : path_(path) { fs::create_directories(path); }
    ~MountPoint() {
        if (IsMounted(path_)) RunProgram({"fusermount3", "-u", "-z", path_});
    }
    const std::string& str() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The files of a Crow file, with Japanese names (表 and ソ end in byte 0x5C in code page 932)
// and sizes around the key lengths of both kinds of key.
struct Sample {
    std::string cp932, utf8, data;
};
std::vector<Sample> Samples() {
    return {{"a.txt", "a.txt", "x"},
            {"\x95\x5c.txt", "表.txt", PatternBytes(1233, 2)},
            {"\x83\x5c\x81\x5b\x83\x58.c", "ソース.c", PatternBytes(1235, 3)},
            {"\xb6\xc0\xb6\xc5.bin", "ｶﾀｶﾅ.bin", PatternBytes(300001, 4)},
            {"odd.dat", "odd.dat", PatternBytes(65539, 5)}};
}

void ExpectSameBytes(const std::string& mounted, const std::string& released, std::mt19937& rng) {
    const std::string want = ReadFile(released);
    EXPECT_EQ(ReadFile(mounted), want) << mounted;  // whole, through the page cache

    // Straight to the mount at odd offsets and in odd pieces, past the end too.
    int fd = ::open(mounted.c_str(), O_RDONLY | O_DIRECT);
    ASSERT_GE(fd, 0) << mounted;
    for (size_t piece : {size_t{1}, size_t{7}, size_t{1234}, size_t{4099}, size_t{131075}}) {
        for (int k = 0; k < 20; ++k) {
            const size_t at = std::uniform_int_distribution<size_t>(0, want.size())(rng);
            std::string got(piece, '\0');
            ssize_t n = ::pread(fd, got.data(), piece, static_cast<off_t>(at));
            ASSERT_GE(n, 0) << mounted << " at " << at;
            EXPECT_EQ(got.substr(0, static_cast<size_t>(n)), want.substr(at, piece)) << mounted << " at " << at;
        }
    }
    ::close(fd);

    fd = ::open(mounted.c_str(), O_RDONLY);
    void* map = ::mmap(nullptr, want.size(), PROT_READ, MAP_PRIVATE, fd, 0);
    ASSERT_NE(map, MAP_FAILED) << mounted;
    EXPECT_EQ(std::string(static_cast<const char*>(map), want.size()), want) << mounted << " (mmap)";
    ::munmap(map, want.size());
    ::close(fd);
}

// The part of the tool's message after "crow: cannot release 'F' into 'D': " or
// "crow: cannot mount 'F': ".
std::string Reason(const std::string& err) {
    const size_t at = err.find("': ", err.find("cannot "));
    return at == std::string::npos ? err : err.substr(at + 3);
}

}  // namespace

TEST(CrowMount, EveryGenerationReadsAsReleased) {
    REQUIRE_FUSE();
    TempDir tmp;
    const std::string src = tmp.file("src");
    fs::create_directories(src);
    std::vector<Packed> packed;
    for (const Sample& f : Samples()) {
        WriteFile(src + "/" + f.utf8, f.data);
        packed.push_back({f.cp932, f.data});
    }
    WriteFile(tmp.file("crw1.bmp"), BuildCrow(1, packed));  // no writer makes CRW1 files any more
    ASSERT_EQ(RunCrow({"pack", src, tmp.file("crw,2.bmp")}).status, 0);  // a comma in the options
    ASSERT_EQ(RunCrow({"pack", "--format", "3", src, tmp.file("crw3.bmp")}).status, 0);
    ASSERT_EQ(RunCrow({"pack", "--format", "3", "--password-stdin", src, tmp.file("ascii.bmp")}, "p\n").status, 0);
    ASSERT_EQ(RunCrow({"pack", "--format", "3", "--password-stdin", src, tmp.file("ja.bmp")}, "パスワード\n").status, 0);

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"crw1.bmp", ""}, {"crw,2.bmp", ""}, {"crw3.bmp", ""}, {"ascii.bmp", "p\n"}, {"ja.bmp", "パスワード\n"}};
    std::mt19937 rng(17);
    for (const auto& [name, password] : cases) {
        SCOPED_TRACE(name);
        const std::string crow = tmp.file(name);
        const std::string released = tmp.file("out-" + name);
        std::vector<std::string> pw = password.empty() ? std::vector<std::string>{} : std::vector<std::string>{"--password-stdin"};
        std::vector<std::string> rel = {"release"};
        rel.insert(rel.end(), pw.begin(), pw.end());
        rel.insert(rel.end(), {crow, released});
        ASSERT_EQ(RunCrow(rel, password).status, 0);

        MountPoint mnt(tmp.file("mnt-" + name));
        std::vector<std::string> mount = {"mount", "--background"};
        mount.insert(mount.end(), pw.begin(), pw.end());
        mount.insert(mount.end(), {crow, mnt.str()});
        RunResult r = RunCrow(mount, password);
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_TRUE(IsMounted(mnt.str()));

        EXPECT_EQ(ListTree(mnt.str()), ListTree(released));
        // The modes a release gives, so that copies out of the mount come out the same.
        struct stat crowSt {}, dirSt {}, releasedDirSt {};
        ASSERT_EQ(::stat(crow.c_str(), &crowSt), 0);
        ASSERT_EQ(::stat(mnt.str().c_str(), &dirSt), 0);
        ASSERT_EQ(::stat(released.c_str(), &releasedDirSt), 0);
        EXPECT_EQ(dirSt.st_mode, releasedDirSt.st_mode);
        for (const std::string& f : ListTree(released)) {
            struct stat st {}, releasedSt {};
            ASSERT_EQ(::stat(mnt.file(f).c_str(), &st), 0) << f;
            ASSERT_EQ(::stat((released + "/" + f).c_str(), &releasedSt), 0) << f;
            EXPECT_EQ(st.st_mode, releasedSt.st_mode) << f;
            EXPECT_EQ(st.st_size, static_cast<off_t>(fs::file_size(released + "/" + f))) << f;
            EXPECT_EQ(st.st_mtim.tv_sec, crowSt.st_mtim.tv_sec) << f;
            EXPECT_EQ(st.st_uid, ::getuid()) << f;
            ExpectSameBytes(mnt.file(f), released + "/" + f, rng);
        }
        EXPECT_EQ(RunProgram({"fusermount3", "-u", mnt.str()}).status, 0);
    }
}

TEST(CrowMount, RefusesWhatReleaseRefusesWithTheSameReason) {
    REQUIRE_FUSE();
    TempDir tmp;
    const std::vector<std::vector<Packed>> bad = {
        {{"../evil", "x"}},
        {{"a/b", "x"}},
        {{"", "x"}},
        {{"C:x", "x"}},
        {{"a\x01" "b", "x"}},
        {{"same", "x"}, {"same", "y"}},
        {{"\x81", "x"}},  // half a double-byte character
        {{"..", "x"}},
        {{std::string(256, 'n'), "x"}},
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const std::string crow = tmp.file("bad" + std::to_string(i) + ".bmp");
        WriteFile(crow, BuildCrow(2, bad[i]));
        MountPoint mnt(tmp.file("mnt" + std::to_string(i)));
        RunResult release = RunCrow({"release", crow, tmp.file("out" + std::to_string(i))});
        RunResult mount = RunCrow({"mount", crow, mnt.str()});
        EXPECT_EQ(release.status, 1);
        EXPECT_EQ(mount.status, 1);
        EXPECT_NE(mount.err.find(crow), std::string::npos) << mount.err;
        EXPECT_EQ(Reason(mount.err), Reason(release.err));
        EXPECT_FALSE(IsMounted(mnt.str()));
    }
}

TEST(CrowMount, DamagedFilesAndBadMountPointsFailWithTheReason) {
    TempDir tmp;
    const std::string good = tmp.file("good.bmp");
    WriteFile(good, BuildCrow(2, {{"a.txt", "hello"}}));
    std::string crw9 = BuildCrow(2, {{"a.txt", "hello"}});
    crw9[57] = '9';
    std::string negative = BuildCrow(2, {{"a.txt", "hello"}});
    negative.replace(58, 4, "\xff\xff\xff\xff");
    std::string tooMany = BuildCrow(2, {{"a.txt", "hello"}});
    tooMany.replace(58, 4, std::string("\xff\x7f\x00\x00", 4));  // 32,768 entries: one too many
    tooMany += std::string(32768 * 6, '\0');                          // tables that would fit
    const std::string crw3 = BuildCrow(3, {{"a.txt", "hello"}});
    const std::string crw2 = BuildCrow(2, {{"a.txt", "hello"}, {"b.txt", "abc"}});
    std::string zero = BuildCrow(2, {{"a.txt", "hello"}});
    zero.replace(69, 4, std::string(4, '\0'));

    const std::vector<std::tuple<std::string, std::string, std::string>> damaged = {
        // name, bytes (empty: no file), words the message must hold
        {"missing.bmp", "", "No such file"},
        {"plain.bmp", PlainBitmapBytes(), "is not a Crow file"},
        {"crw9.bmp", crw9, "is not a Crow file"},
        {"negative.bmp", negative, "is damaged"},
        {"toomany.bmp", tooMany, "is damaged"},
        {"cut3.bmp", crw3.substr(0, crw3.size() - 1), "its length differs"},
        {"long3.bmp", crw3 + "x", "its length differs"},
        {"cut2.bmp", crw2.substr(0, crw2.size() - 2), "shorter than its size table"},
        {"zero.bmp", zero, "a file of 0 bytes"},
        {"password.bmp", BuildCrow(3, {{"a.txt", "hello"}}, 0, "pw"), "protected by a password"},
    };
    for (const auto& [name, bytes, words] : damaged) {
        SCOPED_TRACE(name);
        const std::string crow = tmp.file(name);
        if (!bytes.empty()) WriteFile(crow, bytes);
        MountPoint mnt(tmp.file("mnt-" + name));
        RunResult r = RunCrow({"mount", crow, mnt.str()});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(crow), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
        EXPECT_FALSE(IsMounted(mnt.str()));
    }

    fs::create_directories(tmp.file("full"));
    WriteFile(tmp.file("full/x"), std::string("x"));
    for (const auto& [where, words] : std::vector<std::pair<std::string, std::string>>{
             {tmp.file("absent"), "does not exist"}, {good, "is not a folder"}, {tmp.file("full"), "is not empty"}}) {
        RunResult r = RunCrow({"mount", good, where});
        EXPECT_EQ(r.status, 1) << where;
        EXPECT_NE(r.err.find(where), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
    }

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"mount"}, {"mount", good}, {"mount", good, "a", "b"}, {"mount", "--json", good, "m"},
             {"mount", "--password", "--password-stdin", good, "m"}, {"mount", good, ""}}) {
        RunResult r = RunCrow(args);
        EXPECT_EQ(r.status, 2) << args.size();
        EXPECT_FALSE(r.err.empty());
    }
    RunResult help = RunCrow({"mount", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: crow mount"), std::string::npos);
}

TEST(CrowMount, AChangedOrRemovedCrowFileGivesInputOutputErrors) {
    REQUIRE_FUSE();
    TempDir tmp;
    const std::vector<std::string> ways = {"truncate", "append", "remove"};
    for (const std::string& way : ways) {
        SCOPED_TRACE(way);
        const std::string crow = tmp.file(way + ".bmp");
        WriteFile(crow, BuildCrow(2, {{"a.bin", PatternBytes(5000, 1)}, {"b.bin", PatternBytes(5000, 2)}}));
        MountPoint mnt(tmp.file("mnt-" + way));
        ASSERT_EQ(RunCrow({"mount", "--background", crow, mnt.str()}).status, 0);
        EXPECT_EQ(ReadFile(mnt.file("a.bin")), PatternBytes(5000, 1));
        if (way == "truncate") fs::resize_file(crow, fs::file_size(crow) - 1);
        if (way == "append") std::ofstream(crow, std::ios::app) << "x";
        if (way == "remove") fs::remove(crow);
        int fd = ::open(mnt.file("b.bin").c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        char buf[16];
        errno = 0;
        EXPECT_EQ(::read(fd, buf, sizeof buf), -1);
        EXPECT_EQ(errno, EIO);
        ::close(fd);
        // What was read before may come back from memory, but only as it was.
        std::string again(5000, '\0');
        fd = ::open(mnt.file("a.bin").c_str(), O_RDONLY);
        const ssize_t n = ::read(fd, again.data(), again.size());
        ::close(fd);
        if (n >= 0) EXPECT_EQ(again.substr(0, static_cast<size_t>(n)), PatternBytes(5000, 1).substr(0, static_cast<size_t>(n)));
        else EXPECT_EQ(errno, EIO);
    }
}

TEST(CrowMount, SignalsUnmountCleanlyAndOtherUsersStayOut) {
    REQUIRE_FUSE();
    TempDir tmp;
    const std::string crow = tmp.file("c.bmp");
    WriteFile(crow, BuildCrow(2, {{"a.txt", "hello"}}));
    ::chmod(tmp.str().c_str(), 0755);
    for (int sig : {SIGINT, SIGTERM, 0}) {  // 0: unmounted from outside
        SCOPED_TRACE(sig);
        MountPoint mnt(tmp.file("mnt" + std::to_string(sig)));
        PtySession s({"mount", crow, mnt.str()});
        ASSERT_TRUE(s.WaitFor("is mounted on")) << s.output();
        EXPECT_TRUE(IsMounted(mnt.str()));

        if (::getuid() == 0 && sig == SIGINT) {
            // Another user cannot look inside, not even with the folder's modes opened up.
            pid_t pid = ::fork();
            if (pid == 0) {
                if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
                struct stat st {};
                const bool listed = ::opendir(mnt.str().c_str()) != nullptr;
                const bool opened = ::open(mnt.file("a.txt").c_str(), O_RDONLY) >= 0;
                ::_exit(listed || opened || ::stat(mnt.file("a.txt").c_str(), &st) == 0 ? 1 : 0);
            }
            int raw = 0;
            ::waitpid(pid, &raw, 0);
            EXPECT_EQ(DecodeStatus(raw), 0) << "uid 65534 reached into the mount";
        }

        if (sig != 0) s.Signal(sig);
        else EXPECT_EQ(RunProgram({"fusermount3", "-u", mnt.str()}).status, 0);
        EXPECT_EQ(s.Finish(30), 0) << s.output();
        EXPECT_FALSE(IsMounted(mnt.str()));
    }
}

// Built without FUSE 3, the command is still known and says that it is not available,
// before it asks for a password or looks at its arguments; built with it, nothing says so.
TEST(CrowMount, ABuildWithoutFuseSaysMountIsNotAvailable) {
    TempDir tmp;
    const std::string crow = tmp.file("c.bmp");
    WriteFile(crow, BuildCrow(2, {{"a.txt", "hello"}}));
    fs::create_directories(tmp.file("mnt"));
    const RunResult help = RunCrow({"mount", "--help"});
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_NE(help.out.find("Usage: crow mount"), std::string::npos) << help.out;
    EXPECT_EQ(help.out.find("Not available") != std::string::npos, BuiltWithoutFuse()) << help.out;
    if (!BuiltWithoutFuse()) return;
    const RunResult r = RunCrow({"mount", "--password-stdin", crow, tmp.file("mnt")}, "secret\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "crow: mount is not available: this crow was built without FUSE 3 (libfuse3)\n");
}

// The modes follow the umask as a release's do, yet the mount stays read-only.
TEST(CrowMount, ModesFollowTheUmaskOnAReadOnlyMount) {
    REQUIRE_FUSE();
    TempDir tmp;
    const std::string crow = tmp.file("c.bmp");
    WriteFile(crow, BuildCrow(2, {{"a.txt", "hello"}}));
    for (const auto& [mask, file, dir] : std::vector<std::tuple<mode_t, mode_t, mode_t>>{
             {077, 0600, 0700}, {0777, 0400, 0500}}) {  // the owner always reads
        SCOPED_TRACE(mask);
        MountPoint mnt(tmp.file("mnt" + std::to_string(mask)));
        const mode_t before = ::umask(mask);
        RunResult r = RunCrow({"mount", "--background", crow, mnt.str()});
        ::umask(before);
        ASSERT_EQ(r.status, 0) << r.err;
        struct stat st {};
        ASSERT_EQ(::stat(mnt.file("a.txt").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode, S_IFREG | file);
        ASSERT_EQ(::stat(mnt.str().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode, S_IFDIR | dir);
        errno = 0;
        EXPECT_LT(::open(mnt.file("a.txt").c_str(), O_WRONLY), 0);
        EXPECT_EQ(errno, EROFS);
        EXPECT_LT(::open(mnt.file("new.txt").c_str(), O_WRONLY | O_CREAT, 0644), 0);
        EXPECT_EQ(RunProgram({"fusermount3", "-u", mnt.str()}).status, 0);
    }
}

TEST(CrowMount, SaysWhatIsMissingWithoutFuse) {
    REQUIRE_FUSE();
    if (::getuid() != 0 || RunProgram({"unshare", "-m", "true"}).status != 0)
        GTEST_SKIP() << "needs root and unshare to hide /dev/fuse from one process";
    TempDir tmp;
    const std::string crow = tmp.file("c.bmp");
    WriteFile(crow, BuildCrow(2, {{"a.txt", "hello"}}));
    MountPoint mnt(tmp.file("mnt"));
    ::chmod(tmp.str().c_str(), 0777);
    ::chmod(mnt.str().c_str(), 0777);
    ::chmod(crow.c_str(), 0644);
    const std::string tool = fs::absolute(CrowBinary()).string();
    // No device at all; then a device closed to the user and no set-uid helper.
    RunResult none = RunProgram({"unshare", "-m", "sh", "-c",
                                 "mount -t tmpfs none /dev && exec \"$0\" mount \"$1\" \"$2\"", tool, crow, mnt.str()});
    EXPECT_EQ(none.status, 1) << none.err;
    EXPECT_NE(none.err.find("no /dev/fuse"), std::string::npos) << none.err;
    RunResult denied = RunProgram(
        {"unshare", "-m", "sh", "-c",
         "d=$(mktemp -d) && mount -t tmpfs none \"$d\" && mknod -m 600 \"$d/fuse\" c 10 229 && "
         "mount --bind \"$d/fuse\" /dev/fuse && mount --bind /dev/null /usr/bin/fusermount3 && "
         "exec setpriv --reuid=65534 --regid=65534 --clear-groups \"$0\" mount \"$1\" \"$2\"",
         tool, crow, mnt.str()});
    if (denied.err.find("setpriv") != std::string::npos) GTEST_SKIP() << denied.err;
    EXPECT_EQ(denied.status, 1) << denied.err;
    EXPECT_NE(denied.err.find("no permission to use /dev/fuse"), std::string::npos) << denied.err;
    // The set-uid fusermount3 opens the device as the user too: it is no way round.
    RunResult closed = RunProgram(
        {"unshare", "-m", "sh", "-c",
         "d=$(mktemp -d) && mount -t tmpfs none \"$d\" && mknod -m 600 \"$d/fuse\" c 10 229 && "
         "mount --bind \"$d/fuse\" /dev/fuse && "
         "exec setpriv --reuid=65534 --regid=65534 --clear-groups \"$0\" mount \"$1\" \"$2\"",
         tool, crow, mnt.str()});
    EXPECT_EQ(closed.status, 1) << closed.err;
    EXPECT_NE(closed.err.find("no permission to use /dev/fuse (crw------- owner root"), std::string::npos)
        << closed.err;
    EXPECT_EQ(closed.err.find("kernel refused"), std::string::npos) << closed.err;
    EXPECT_FALSE(IsMounted(mnt.str()));
}

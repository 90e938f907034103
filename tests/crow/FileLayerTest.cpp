// Where packing and releasing write: one folder handle, files named only when complete,
// what stands at a name asked about and kept or replaced as a name, modes kept.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "CrowTestUtil.h"
#include "common/dest_dir.h"
#include "crow/HeadlessProgress.h"
#include "crow/WxhObject.h"
#include "support/TempDir.h"

using namespace wxh;
using namespace wxh::test;
namespace fs = std::filesystem;

namespace {

mode_t Mode(const std::string& p) {
    struct stat st {};
    EXPECT_EQ(::lstat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
}

// Runs fn in a child process as the unprivileged user 65534; its exit status (-1: no such child).
int AsNobody(const std::function<int()>& fn) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
        ::_exit(fn());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Asks a question and runs a hook at it (the release holds there).
struct HookQuestion : OverwriteQuestion {
    std::function<void()> hook;
    int32_t answer = 6;
    std::vector<std::string> asked;
    int32_t Ask(const std::string& path) override {
        asked.push_back(path);
        if (hook) hook();
        return answer;
    }
};

// A folder swapped for a link while the release waits at a question: every later file still
// lands in the folder that was opened, nothing in the link's target.
TEST(ReleaseFolderHandle, SwappedForALinkMidwayWritesNothingOutside) {
    TempDir t, outside;
    const std::string dest = t.file("dest");
    fs::create_directory(dest);
    WriteFile(dest + "/b", "old b");
    WriteFile(t.file("c.bmp"), MakeCrowBytes("CRW1", {"a", "b", "c", "d"}, {1, 1, 1, 1}, "ABCD"));
    fs::create_directory_symlink(outside.path(), t.file("swap"));
    HookQuestion q;
    q.hook = [&] { ASSERT_EQ(::renameat2(AT_FDCWD, dest.c_str(), AT_FDCWD, t.file("swap").c_str(), RENAME_EXCHANGE), 0); };
    WxhObject o(nullptr, &q);
    ASSERT_EQ(o.UnCrow1(t.file("c.bmp"), dest), 0);
    EXPECT_EQ(q.asked.size(), 1u);
    EXPECT_TRUE(fs::is_empty(outside.path()));
    // The opened folder now sits at "swap".
    EXPECT_EQ(Entries(t.file("swap")), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(ReadFile(t.file("swap/d")), "D");
}

// The window program's sub-folder: a handle given by the caller is used instead of the path;
// a link of that name is refused (the release fails as a write failure).
TEST(ReleaseFolderHandle, GivenHandleAndRefusedSubFolder) {
    TempDir t, extract, elsewhere;
    WriteFile(t.file("c.bmp"), MakeCrowBytes("CRW2", {"a"}, {1}, Shift("A", 1)));
    fs::create_directory_symlink(elsewhere.path(), extract.file("c"));
    DestDir ex, sub;
    ASSERT_TRUE(ex.Open(extract.str()));
    ASSERT_FALSE(ex.OpenSubFolder("c", sub));
    {
        WxhObject o;
        o.ReleaseInto(-1);
        EXPECT_EQ(o.UnCrow2(t.file("c.bmp"), extract.file("c") + "/"), 2);
    }
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
    ASSERT_TRUE(ex.OpenSubFolder("d", sub));
    WxhObject o;
    o.ReleaseInto(sub.TakeFd());
    EXPECT_EQ(o.UnCrow2(t.file("c.bmp"), "/nowhere/at/all/"), 0);
    EXPECT_EQ(ReadFile(extract.file("d/a")), "A");
}

// What stands at a released name: with No (or no question) links, FIFOs and files stay, even
// one that appears after the release looked; with Yes a link or FIFO is replaced as a name,
// a file keeps its mode, a folder or a file the user may not write fails the release.
TEST(ReleaseOverwrite, NoKeepsEverythingEvenALateArrival) {
    TempDir t, dst, elsewhere;
    WriteFile(elsewhere.file("victim"), "precious");
    fs::create_symlink(elsewhere.file("victim"), dst.file("a"));
    ASSERT_EQ(::mkfifo(dst.file("b").c_str(), 0600), 0);
    WriteFile(t.file("c.bmp"), MakeCrowBytes("CRW2", {"a", "b", "c", "d"}, {1, 1, 1, 1}, Shift("ABCD", 1)));
    auto* dialog = new HeadlessProgress;
    dialog->onFileStart = [&](const std::string& name, int64_t) {
        if (name == "c") WriteFile(dst.file("c"), "another release's");  // after the folder was read
    };
    FixedOverwriteAnswer no(7);
    WxhObject o([dialog] { return std::unique_ptr<ProgressDialog>(dialog); }, &no);
    ASSERT_EQ(o.UnCrow2(t.file("c.bmp"), dst.str()), 0);
    EXPECT_TRUE(fs::is_symlink(dst.file("a")));
    EXPECT_EQ(ReadFile(elsewhere.file("victim")), "precious");
    EXPECT_TRUE(fs::is_fifo(dst.file("b")));
    EXPECT_EQ(ReadFile(dst.file("c")), "another release's");
    EXPECT_EQ(ReadFile(dst.file("d")), "D");
    EXPECT_EQ(Entries(dst.str()), (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST(ReleaseOverwrite, YesReplacesKeepingModes) {
    TempDir t, dst;
    WriteFile(dst.file("private"), "old secret, longer");
    ASSERT_EQ(::chmod(dst.file("private").c_str(), 0600), 0);
    WriteFile(dst.file("shared"), "old");
    ASSERT_EQ(::chmod(dst.file("shared").c_str(), 0664), 0);
    WriteFile(t.file("c.bmp"), MakeCrowBytes("CRW1", {"private", "shared"}, {3, 3}, "newNEW"));
    FixedOverwriteAnswer yes(6);
    const mode_t mask = ::umask(022);
    WxhObject o(nullptr, &yes);
    const int32_t r = o.UnCrow1(t.file("c.bmp"), dst.str());
    ::umask(mask);
    ASSERT_EQ(r, 0);
    EXPECT_EQ(ReadFile(dst.file("private")), "new");
    EXPECT_EQ(Mode(dst.file("private")), 0600u);
    EXPECT_EQ(Mode(dst.file("shared")), 0664u);
}

TEST(ReleaseOverwrite, ReadOnlyFileFailsForAnOrdinaryUserRootMayReplace) {
    TempDir t, dst;
    WriteFile(dst.file("ro"), "read-only");
    ASSERT_EQ(::chmod(dst.file("ro").c_str(), 0444), 0);
    WriteFile(t.file("c.bmp"), MakeCrowBytes("CRW1", {"a", "ro", "z"}, {1, 1, 1}, "ARZ"));
    fs::permissions(dst.path(), fs::perms::all);
    fs::permissions(t.path(), fs::perms::all);
    fs::permissions(t.file("c.bmp"), fs::perms::all);
    if (::geteuid() == 0) {
        const int status = AsNobody([&] {
            FixedOverwriteAnswer yes(6);
            WxhObject o(nullptr, &yes);
            return o.UnCrow1(t.file("c.bmp"), dst.str());
        });
        EXPECT_EQ(status, 2);
        EXPECT_EQ(ReadFile(dst.file("ro")), "read-only");
        EXPECT_EQ(Entries(dst.str()), (std::vector<std::string>{"a", "ro"}));  // a stays, z never came
        fs::remove(dst.file("a"));
    }
    FixedOverwriteAnswer yes(6);
    WxhObject o(nullptr, &yes);
    const int32_t r = o.UnCrow1(t.file("c.bmp"), dst.str());
    if (::geteuid() == 0) {
        ASSERT_EQ(r, 0);
        EXPECT_EQ(ReadFile(dst.file("ro")), "R");
        EXPECT_EQ(Mode(dst.file("ro")), 0444u);
    } else {
        EXPECT_EQ(r, 2);
        EXPECT_EQ(ReadFile(dst.file("ro")), "read-only");
    }
}

// The Crow file's own name: special files and folders refused before anything is written,
// a link to a file writes its target (keeping the link and the target's mode).
TEST(PackOutput, WhatStandsAtTheOutputName) {
    TempDir src, out, elsewhere;
    WriteFile(src.file("a"), "aaa");
    fs::create_directory(out.file("folder"));
    ASSERT_EQ(::mkfifo(out.file("fifo").c_str(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = out.file("sock");
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sockPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    std::vector<std::string> refused{"folder", "fifo", "sock", "dangling"};
    fs::create_symlink(elsewhere.file("not-there"), out.file("dangling"));
    if (::geteuid() == 0) {
        ASSERT_EQ(::mknod(out.file("null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
        refused.push_back("null");
    }
    for (const std::string& name : refused) {
        WxhObject o;
        EXPECT_EQ(o.Crow2(src.str(), out.file(name)), 2) << name;
        EXPECT_EQ(o.Crow3(src.str(), out.file(name)), 2) << name;
    }
    ::close(sock);
    EXPECT_TRUE(fs::is_fifo(out.file("fifo")));
    EXPECT_TRUE(fs::is_socket(out.file("sock")));
    EXPECT_TRUE(fs::is_empty(out.file("folder")));
    EXPECT_FALSE(fs::exists(elsewhere.file("not-there")));
    if (::geteuid() == 0) {
        EXPECT_TRUE(fs::is_character_file(out.file("null")));
    }

    WriteFile(elsewhere.file("target.bmp"), "older");
    ASSERT_EQ(::chmod(elsewhere.file("target.bmp").c_str(), 0640), 0);
    fs::create_symlink(elsewhere.file("target.bmp"), out.file("link.bmp"));
    WxhObject o;
    ASSERT_EQ(o.Crow2(src.str(), out.file("link.bmp")), 0);
    EXPECT_TRUE(fs::is_symlink(out.file("link.bmp")));
    EXPECT_EQ(ReadFile(elsewhere.file("target.bmp")).substr(54, 4), "CRW2");
    EXPECT_EQ(Mode(elsewhere.file("target.bmp")), 0640u);
    EXPECT_EQ(Entries(elsewhere.str()), std::vector<std::string>{"target.bmp"});
}

TEST(PackOutput, ReadOnlyOutputRefusedForAnOrdinaryUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    TempDir src, out;
    WriteFile(src.file("a"), "aaa");
    WriteFile(out.file("ro.bmp"), "older");
    ASSERT_EQ(::chmod(out.file("ro.bmp").c_str(), 0444), 0);
    for (const TempDir* d : {&src, &out}) fs::permissions(d->path(), fs::perms::all);
    fs::permissions(src.file("a"), fs::perms::all);
    EXPECT_EQ(AsNobody([&] { return WxhObject().Crow2(src.str(), out.file("ro.bmp")); }), 2);
    EXPECT_EQ(ReadFile(out.file("ro.bmp")), "older");
    EXPECT_EQ(Entries(out.str()), std::vector<std::string>{"ro.bmp"});
    ASSERT_EQ(WxhObject().Crow2(src.str(), out.file("ro.bmp")), 0);  // root may
    EXPECT_EQ(Mode(out.file("ro.bmp")), 0444u);
}

// Without unnamed files (forced): the one temporary name per operation never outlives a
// cancel or a failure, and the results are the same.
class NamedTemporaries : public ::testing::Test {
protected:
    void SetUp() override { DestDir::ForceNamedTemporaries(true); }
    void TearDown() override { DestDir::ForceNamedTemporaries(false); }
};

TEST_F(NamedTemporaries, CancelAndFailureLeaveNothingNamed) {
    TempDir src, out, dst;
    WriteFile(src.file("a"), PatternBytes(100));
    WriteFile(src.file("b"), PatternBytes(60000, 2));
    WriteFile(out.file("c.bmp"), "older");
    {
        auto* dialog = new HeadlessProgress;
        dialog->onPoint = [dialog](int64_t, int64_t) { dialog->RequestCancel(); };
        WxhObject o([dialog] { return std::unique_ptr<ProgressDialog>(dialog); });
        EXPECT_EQ(o.Crow2(src.str(), out.file("c.bmp")), -1);
    }
    EXPECT_EQ(Entries(out.str()), std::vector<std::string>{"c.bmp"});
    EXPECT_EQ(ReadFile(out.file("c.bmp")), "older");
    ASSERT_EQ(WxhObject().Crow2(src.str(), out.file("c.bmp")), 0);
    EXPECT_EQ(Entries(out.str()), std::vector<std::string>{"c.bmp"});

    WriteFile(dst.file("b"), "older b");
    {
        auto* dialog = new HeadlessProgress;
        dialog->onPoint = [dialog](int64_t, int64_t) { dialog->RequestCancel(); };
        FixedOverwriteAnswer yes(6);
        WxhObject o([dialog] { return std::unique_ptr<ProgressDialog>(dialog); }, &yes);
        EXPECT_EQ(o.UnCrow2(out.file("c.bmp"), dst.str()), -1);
    }
    EXPECT_EQ(Entries(dst.str()), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ReadFile(dst.file("b")), "older b");

    fs::remove(dst.file("b"));
    fs::create_directory(dst.file("b"));  // a folder at a name fails the release
    FixedOverwriteAnswer yes(6);
    WxhObject o(nullptr, &yes);
    EXPECT_EQ(o.UnCrow2(out.file("c.bmp"), dst.str()), 2);
    EXPECT_EQ(Entries(dst.str()), (std::vector<std::string>{"a", "b"}));
}

// A stop asked for from outside the window's events (the tool's signals) is seen at each
// file's start and after each buffer, in every operation, UnCrow1 included: earlier files
// stay, the current one is not written, an older file of its name stays, a pack leaves nothing.
TEST(StopRequest, AmongSmallFilesAndInsideLargeOnes) {
    TempDir src, out, dst;
    for (char c = 'a'; c <= 'j'; ++c) WriteFile(src.file(std::string(1, c)), PatternBytes(200, c));
    const auto stopAt = [](const std::string& at) {
        auto* dialog = new HeadlessProgress;
        dialog->onFileStart = [dialog, at](const std::string& name, int64_t) {
            if (name == at) dialog->RequestStop();
        };
        return [dialog] { return std::unique_ptr<ProgressDialog>(dialog); };
    };
    {
        WxhObject o(stopAt("c"));
        EXPECT_EQ(o.Crow2(src.str(), out.file("c.bmp")), -1);
    }
    EXPECT_TRUE(fs::is_empty(out.path()));
    ASSERT_EQ(WxhObject().Crow2(src.str(), out.file("c.bmp")), 0);
    {
        WxhObject o(stopAt("c"));
        EXPECT_EQ(o.UnCrow2(out.file("c.bmp"), dst.str()), -1);
    }
    EXPECT_EQ(Entries(dst.str()), (std::vector<std::string>{"a", "b", "c"}));  // stops within one file

    // UnCrow1 has no progress at all: a stop asked for at the question ends it after the first buffer.
    TempDir dst1;
    const std::string big = PatternBytes(3 << 20, 7);
    WriteFile(out.file("1.bmp"), MakeCrowBytes("CRW1", {"a", "big", "z"}, {1, static_cast<int32_t>(big.size()), 1},
                                               "A" + big + "Z"));
    WriteFile(dst1.file("big"), "older big");
    HeadlessProgress* dialog = nullptr;
    HookQuestion q;
    q.hook = [&] { dialog->RequestStop(); };
    WxhObject o(
        [&dialog] {
            auto d = std::make_unique<HeadlessProgress>();
            dialog = d.get();
            return d;
        },
        &q);
    EXPECT_EQ(o.UnCrow1(out.file("1.bmp"), dst1.str()), -1);
    EXPECT_EQ(ReadFile(dst1.file("big")), "older big");
    EXPECT_EQ(Entries(dst1.str()), (std::vector<std::string>{"a", "big"}));
}

}  // namespace

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <filesystem>
#include <utility>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

#include "common/dest_dir.h"
#include "support/TempDir.h"

using namespace wxh;
using namespace wxh::test;
namespace fs = std::filesystem;

namespace {

size_t Count(const TempDir& t) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(t.path())) ++n;
    return n;
}

fs::perms Perms(const std::string& p) { return fs::symlink_status(p).permissions() & fs::perms::all; }

// The permission bits with set-uid, set-gid and sticky.
mode_t Mode(const std::string& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Every behaviour holds with unnamed files and on a file system without them.
class DestDirTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { DestDir::ForceNamedTemporaries(GetParam()); }
    void TearDown() override { DestDir::ForceNamedTemporaries(false); }
    // Entries while a file is being written: none extra for an unnamed one, one otherwise.
    size_t Pending() const { return GetParam() ? 1 : 0; }

    bool WriteNew(DestDir& d, NewFile& f, const std::string& bytes) {
        return d.Create(f) && f.Write(bytes.data(), bytes.size());
    }
};

TEST_P(DestDirTest, ReplaceOnlyWhenCompleteDiscardKeeps) {
    TempDir t;
    const std::string target = t.file("f");
    WriteFile(target, "old content, long");
    DestDir d;
    ASSERT_TRUE(d.Open(t.str()));
    struct stat old {};
    ASSERT_EQ(d.Inspect("f", &old), EntryKind::File);
    {
        NewFile f;
        ASSERT_TRUE(WriteNew(d, f, "new"));
        EXPECT_EQ(ReadFile(target), "old content, long");  // untouched until named
        EXPECT_EQ(Count(t), 1 + Pending());
    }  // gone without a name
    EXPECT_EQ(ReadFile(target), "old content, long");
    EXPECT_EQ(Count(t), 1u);
    NewFile f;
    ASSERT_TRUE(WriteNew(d, f, "new"));
    ASSERT_TRUE(d.Replace(f, "f", old, true));
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(Count(t), 1u);
    EXPECT_FALSE(d.Replace(f, "f", old, true));  // nothing open any more
}

TEST_P(DestDirTest, LinkNewNeverReplaces) {
    TempDir t;
    WriteFile(t.file("taken"), "first");
    DestDir d;
    ASSERT_TRUE(d.Open(t.str()));
    NewFile f;
    ASSERT_TRUE(WriteNew(d, f, "second"));
    EXPECT_EQ(d.LinkNew(f, "taken"), DestDir::Naming::Exists);
    EXPECT_EQ(ReadFile(t.file("taken")), "first");
    EXPECT_EQ(d.LinkNew(f, "free"), DestDir::Naming::Done);  // still usable after Exists
    EXPECT_EQ(ReadFile(t.file("free")), "second");
    EXPECT_EQ(Count(t), 2u);
}

TEST_P(DestDirTest, FailuresLeaveNothing) {
    TempDir t;
    DestDir d;
    EXPECT_FALSE(d.Open(t.file("missing")));
    WriteFile(t.file("plain"), "x");
    EXPECT_FALSE(d.Open(t.file("plain")));
    ASSERT_TRUE(d.Open(t.str()));
    fs::create_directory(t.file("dir"));
    WriteFile(t.file("dir/inner"), "x");
    struct stat old {};
    ASSERT_EQ(d.Inspect("dir", &old), EntryKind::Folder);
    NewFile f;
    ASSERT_TRUE(WriteNew(d, f, "x"));
    EXPECT_FALSE(d.Replace(f, "dir", old, false));  // a folder is never replaced
    f.Discard();
    EXPECT_EQ(Count(t), 2u);
    EXPECT_EQ(ReadFile(t.file("dir/inner")), "x");
}

TEST_P(DestDirTest, LinkAtTargetIsReplacedNotFollowed) {
    TempDir t, other;
    WriteFile(other.file("victim"), "keep");
    fs::create_symlink(other.file("victim"), t.file("f"));
    DestDir d;
    ASSERT_TRUE(d.Open(t.str()));
    struct stat old {};
    ASSERT_EQ(d.Inspect("f", &old), EntryKind::Special);
    NewFile f;
    ASSERT_TRUE(WriteNew(d, f, "mine"));
    ASSERT_TRUE(d.Replace(f, "f", old, false));
    EXPECT_EQ(ReadFile(other.file("victim")), "keep");
    EXPECT_FALSE(fs::is_symlink(t.file("f")));
    EXPECT_EQ(ReadFile(t.file("f")), "mine");
    EXPECT_EQ(Mode(t.file("f")) & 0111, 0u);  // a link's 0777 is not a mode to hand on
}

// New files get the umask's permissions; a replaced file hands on its own (0600 stays private).
TEST_P(DestDirTest, PermissionsNewAndKept) {
    TempDir t;
    DestDir d;
    ASSERT_TRUE(d.Open(t.str()));
    const mode_t mask = ::umask(027);
    NewFile f;
    const bool ok = WriteNew(d, f, "x") && d.LinkNew(f, "plain") == DestDir::Naming::Done;
    ::umask(mask);
    ASSERT_TRUE(ok);
    EXPECT_EQ(Perms(t.file("plain")), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // Set-uid and set-gid are not handed on: they belonged to the old content, not to ours.
    for (const mode_t mode : {mode_t{0600}, mode_t{0444}, mode_t{0751}, mode_t{04755}, mode_t{02750}, mode_t{01644}}) {
        WriteFile(t.file("old"), "old");
        ASSERT_EQ(::chmod(t.file("old").c_str(), mode), 0);
        struct stat old {};
        ASSERT_EQ(d.Inspect("old", &old), EntryKind::File);
        NewFile g;
        ASSERT_TRUE(WriteNew(d, g, "new"));
        ASSERT_TRUE(d.Replace(g, "old", old, true));
        EXPECT_EQ(ReadFile(t.file("old")), "new");
        EXPECT_EQ(Mode(t.file("old")), mode & 0777) << std::oct << mode;
    }
}

// A replaced file hands on its owner and group, also when only one of them differs from the
// writer's (root may give both).
TEST_P(DestDirTest, OwnerAndGroupAreHandedOn) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give files away";
    TempDir t;
    DestDir d;
    ASSERT_TRUE(d.Open(t.str()));
    const uid_t u = ::geteuid();
    const gid_t g = ::getegid();
    for (const auto& [uid, gid] : std::vector<std::pair<uid_t, gid_t>>{{4321, g}, {u, 4322}, {4321, 4322}}) {
        WriteFile(t.file("old"), "old");
        ASSERT_EQ(::chown(t.file("old").c_str(), uid, gid), 0);
        struct stat old {};
        ASSERT_EQ(d.Inspect("old", &old), EntryKind::File);
        NewFile f;
        ASSERT_TRUE(WriteNew(d, f, "new"));
        ASSERT_TRUE(d.Replace(f, "old", old, false));
        struct stat now {};
        ASSERT_EQ(::stat(t.file("old").c_str(), &now), 0);
        EXPECT_EQ(now.st_uid, uid);
        EXPECT_EQ(now.st_gid, gid);
    }
}

// New content is on the disk before it takes an old file's place, so that a crash keeps one
// of them whole; an empty file or a new name needs no flush.
TEST_P(DestDirTest, AReplacedFileIsFlushedBeforeItTakesTheName) {
    TempDir t;
    DestDir d;
    ASSERT_TRUE(d.Open(t.str()));
    const auto flushesFor = [&](const std::string& oldContent, bool viaPublish) {
        WriteFile(t.file("f"), oldContent);
        struct stat old {};
        d.Inspect("f", &old);
        NewFile f;
        EXPECT_TRUE(WriteNew(d, f, "new"));
        const uint64_t before = DataSyncsForTesting();
        if (viaPublish) EXPECT_EQ(d.Publish(f, "f", true, old, {}), DestDir::Published::Done);
        else EXPECT_TRUE(d.Replace(f, "f", old, !oldContent.empty()));
        EXPECT_EQ(ReadFile(t.file("f")), "new");
        return DataSyncsForTesting() - before;
    };
    EXPECT_EQ(flushesFor("old content", false), 1u);
    EXPECT_EQ(flushesFor("old content", true), 1u);
    EXPECT_EQ(flushesFor("", false), 0u);
    EXPECT_EQ(flushesFor("", true), 0u);
}

TEST_P(DestDirTest, InspectTellsKinds) {
    TempDir t;
    WriteFile(t.file("empty"), "");
    WriteFile(t.file("full"), "x");
    fs::create_directory(t.file("dir"));
    fs::create_symlink(t.file("full"), t.file("link"));
    ASSERT_EQ(::mkfifo(t.file("fifo").c_str(), 0600), 0);
    DestDir d;
    ASSERT_TRUE(d.Open(t.str()));
    EXPECT_EQ(d.Inspect("none"), EntryKind::Missing);
    EXPECT_EQ(d.Inspect("empty"), EntryKind::EmptyFile);
    EXPECT_EQ(d.Inspect("full"), EntryKind::File);
    EXPECT_EQ(d.Inspect("dir"), EntryKind::Folder);
    EXPECT_EQ(d.Inspect("link"), EntryKind::Special);
    EXPECT_EQ(d.Inspect("fifo"), EntryKind::Special);
}

// The snapshot answers from one read of the folder; a name made later is still caught when
// naming, since a link never replaces.
TEST_P(DestDirTest, SnapshotThenLateArrival) {
    TempDir t;
    WriteFile(t.file("there"), "x");
    DestDir d;
    ASSERT_TRUE(d.Open(t.str()));
    d.Snapshot();
    EXPECT_TRUE(d.MayExist("there"));
    EXPECT_FALSE(d.MayExist("later"));
    WriteFile(t.file("later"), "someone else's");
    NewFile f;
    ASSERT_TRUE(WriteNew(d, f, "mine"));
    EXPECT_EQ(d.LinkNew(f, "later"), DestDir::Naming::Exists);
    EXPECT_EQ(ReadFile(t.file("later")), "someone else's");
}

TEST_P(DestDirTest, SubFolderNeverThroughALink) {
    TempDir t, elsewhere;
    DestDir d, sub;
    ASSERT_TRUE(d.Open(t.str()));
    ASSERT_TRUE(d.OpenSubFolder("made", sub));
    EXPECT_TRUE(fs::is_directory(t.file("made")));
    ASSERT_TRUE(d.OpenSubFolder("made", sub));  // an existing one is reused
    fs::create_directory_symlink(elsewhere.path(), t.file("link"));
    WriteFile(t.file("file"), "x");
    for (const char* bad : {"link", "file", "..", "a/b"}) EXPECT_FALSE(d.OpenSubFolder(bad, sub)) << bad;
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

// Two files under way in one folder keep apart: discarding one leaves the other whole, and a
// signal's clean-up removes both temporary names.
TEST_P(DestDirTest, FilesUnderWayKeepTheirOwnNames) {
    TempDir t;
    DestDir d;
    ASSERT_TRUE(d.Open(t.str()));
    NewFile first, second;
    ASSERT_TRUE(WriteNew(d, first, "first"));
    ASSERT_TRUE(WriteNew(d, second, "second"));
    EXPECT_EQ(Count(t), 2 * Pending());
    first.Discard();
    EXPECT_EQ(Count(t), Pending());
    ASSERT_EQ(d.LinkNew(second, "b"), DestDir::Naming::Done);
    EXPECT_EQ(ReadFile(t.file("b")), "second");
    EXPECT_EQ(Count(t), 1u);

    NewFile third, fourth;
    ASSERT_TRUE(WriteNew(d, third, "3") && WriteNew(d, fourth, "4"));
    RemovePendingTemporary();  // what a signal handler calls
    EXPECT_EQ(Count(t), 1u);
}

// Publish: a name taken meanwhile is the caller's to decide on; a stop asked for just before
// the naming leaves everything as it was, and the same file can still be named afterwards.
TEST_P(DestDirTest, PublishDecidesOnATakenNameAndStopsBeforeNaming) {
    TempDir t;
    DestDir d;
    ASSERT_TRUE(d.Open(t.str()));
    NewFile f;
    ASSERT_TRUE(WriteNew(d, f, "new"));
    WriteFile(t.file("x"), "appeared");
    int asked = 0;
    bool stop = false;
    DestDir::Claim claim = DestDir::Claim::Refuse;
    DestDir::PublishSteps steps;
    steps.onTaken = [&](EntryKind kind, const struct stat& old) {
        ++asked;
        EXPECT_EQ(kind, EntryKind::File);
        EXPECT_EQ(old.st_size, 8);
        return claim;
    };
    steps.stop = [&] { return stop; };
    struct stat old {};
    EXPECT_EQ(d.Publish(f, "x", false, old, steps), DestDir::Published::Refused);
    claim = DestDir::Claim::Keep;
    EXPECT_EQ(d.Publish(f, "x", false, old, steps), DestDir::Published::Kept);
    claim = DestDir::Claim::Replace;
    stop = true;
    EXPECT_EQ(d.Publish(f, "x", false, old, steps), DestDir::Published::Stopped);
    EXPECT_EQ(ReadFile(t.file("x")), "appeared");
    EXPECT_EQ(Count(t), 1 + Pending());
    stop = false;
    EXPECT_EQ(d.Publish(f, "x", false, old, steps), DestDir::Published::Done);
    EXPECT_EQ(ReadFile(t.file("x")), "new");
    EXPECT_EQ(asked, 3);  // the stop came before the name was tried
    EXPECT_EQ(Count(t), 1u);
}

// File systems without unnamed files say so in different words; each is taken as "make a
// named temporary", anything else is a failure.
TEST(DestDirFileSystems, WithoutUnnamedFilesANamedTemporaryIsUsed) {
    TempDir t;
    for (const int err : {EOPNOTSUPP, EISDIR, EINVAL}) {
        SetDestDirFaultsForTesting({err, 0, {}});
        DestDir d;
        ASSERT_TRUE(d.Open(t.str()));
        NewFile f;
        ASSERT_TRUE(d.Create(f)) << err;
        ASSERT_TRUE(f.Write("x", 1));
        EXPECT_EQ(Count(t), 1u) << err;  // under a temporary name
        ASSERT_EQ(d.LinkNew(f, "out"), DestDir::Naming::Done) << err;
        EXPECT_EQ(Count(t), 1u) << err;
        fs::remove(t.file("out"));
    }
    SetDestDirFaultsForTesting({EACCES, 0, {}});
    DestDir d;
    ASSERT_TRUE(d.Open(t.str()));
    NewFile f;
    EXPECT_FALSE(d.Create(f));
    EXPECT_EQ(errno, EACCES);
    SetDestDirFaultsForTesting({});
    EXPECT_EQ(Count(t), 0u);
}

// Kernels that refuse to link an unnamed file by its descriptor (AT_EMPTY_PATH without
// CAP_DAC_READ_SEARCH) are gone round through /proc/self/fd; any other refusal is a failure.
TEST(DestDirFileSystems, AnUnnamedFileRefusedALinkByDescriptorIsLinkedThroughProc) {
    TempDir t;
    for (const int err : {ENOENT, EPERM, EINVAL, EACCES}) {
        SetDestDirFaultsForTesting({0, 0, {}, err});
        DestDir d;
        ASSERT_TRUE(d.Open(t.str()));
        NewFile f;
        ASSERT_TRUE(d.Create(f) && f.Write("x", 1));
        EXPECT_EQ(d.LinkNew(f, "out"), err == EACCES ? DestDir::Naming::Failed : DestDir::Naming::Done) << err;
        EXPECT_EQ(Count(t), err == EACCES ? 0u : 1u) << err;
        if (err != EACCES) {
            EXPECT_EQ(ReadFile(t.file("out")), "x");
        }
        fs::remove(t.file("out"));
    }
    SetDestDirFaultsForTesting({});
}

// Where renameat2 cannot refuse to replace, a hard link names the file (it never replaces
// either) and the temporary name goes.
TEST(DestDirFileSystems, WithoutRenameNoReplaceALinkNamesTheFile) {
    TempDir t;
    DestDir::ForceNamedTemporaries(true);
    for (const int err : {EINVAL, ENOSYS}) {
        SetDestDirFaultsForTesting({0, err, {}});
        DestDir d;
        ASSERT_TRUE(d.Open(t.str()));
        WriteFile(t.file("taken"), "first");
        NewFile f;
        ASSERT_TRUE(d.Create(f) && f.Write("second", 6));
        EXPECT_EQ(d.LinkNew(f, "taken"), DestDir::Naming::Exists) << err;
        EXPECT_EQ(ReadFile(t.file("taken")), "first");
        ASSERT_EQ(d.LinkNew(f, "new"), DestDir::Naming::Done) << err;
        EXPECT_EQ(ReadFile(t.file("new")), "second");
        EXPECT_EQ(Count(t), 2u) << err;  // no temporary name left beside them
        fs::remove(t.file("new"));
    }
    SetDestDirFaultsForTesting({0, EPERM, {}});
    DestDir d;
    ASSERT_TRUE(d.Open(t.str()));
    NewFile f;
    ASSERT_TRUE(d.Create(f));
    EXPECT_EQ(d.LinkNew(f, "new"), DestDir::Naming::Failed);
    f.Discard();
    SetDestDirFaultsForTesting({});
    DestDir::ForceNamedTemporaries(false);
    EXPECT_EQ(Count(t), 1u);
}

// A temporary name someone else's file already has is never opened: another one is drawn.
TEST(DestDirNamed, ATakenTemporaryNameIsLeftAlone) {
    TempDir t;
    WriteFile(t.file(".wxh-taken.tmp"), "someone else's");
    int drawn = 0;
    SetDestDirFaultsForTesting({0, 0, [&] { return ++drawn == 1 ? std::string(".wxh-taken.tmp") : ".wxh-free.tmp"; }});
    DestDir::ForceNamedTemporaries(true);
    DestDir d;
    ASSERT_TRUE(d.Open(t.str()));
    NewFile f;
    const bool made = d.Create(f) && f.Write("mine", 4) && d.LinkNew(f, "out") == DestDir::Naming::Done;
    DestDir::ForceNamedTemporaries(false);
    SetDestDirFaultsForTesting({});
    ASSERT_TRUE(made);
    EXPECT_EQ(drawn, 2);
    EXPECT_EQ(ReadFile(t.file(".wxh-taken.tmp")), "someone else's");
    EXPECT_EQ(ReadFile(t.file("out")), "mine");
    EXPECT_EQ(Count(t), 2u);
}

TEST(DestDirNamed, SignalCleanupRemovesThePendingName) {
    TempDir t;
    DestDir::ForceNamedTemporaries(true);
    DestDir d;
    ASSERT_TRUE(d.Open(t.str()));
    NewFile f;
    ASSERT_TRUE(d.Create(f));
    EXPECT_EQ(Count(t), 1u);
    RemovePendingTemporary();  // what a signal handler calls
    EXPECT_EQ(Count(t), 0u);
    DestDir::ForceNamedTemporaries(false);
}

// The window program's signals: a SIGTERM mid-write removes the temporary name and still ends
// the process by that signal; an ignored signal stays ignored.
TEST(DestDirNamed, FatalSignalsRemoveThePendingNameAndStillEndTheProcess) {
    TempDir t;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGUSR2, SIG_IGN);
        RemoveTemporaryOnFatalSignals();
        ::raise(SIGUSR2);  // ignored before: nothing happens
        DestDir::ForceNamedTemporaries(true);
        DestDir d;
        NewFile f;
        if (!d.Open(t.str()) || !d.Create(f) || Count(t) != 1) std::_Exit(3);
        ::raise(SIGTERM);
        std::_Exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(Count(t), 0u);
}

INSTANTIATE_TEST_SUITE_P(Both, DestDirTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "NamedTemporary" : "Unnamed"; });

}  // namespace

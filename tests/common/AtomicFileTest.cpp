#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "common/atomic_file.h"
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

TEST(AtomicFile, CommitReplacesDiscardKeeps) {
    TempDir t;
    const std::string target = t.file("f");
    WriteFile(target, "old content, long");
    {
        AtomicFile f;
        ASSERT_TRUE(f.Create(target));
        ASSERT_TRUE(f.Write("new", 3));
        EXPECT_EQ(ReadFile(target), "old content, long");  // untouched until the commit
        EXPECT_EQ(Count(t), 2u);
    }  // gone without a commit
    EXPECT_EQ(ReadFile(target), "old content, long");
    EXPECT_EQ(Count(t), 1u);
    AtomicFile f;
    ASSERT_TRUE(f.Create(target));
    ASSERT_TRUE(f.Write("new", 3));
    ASSERT_TRUE(f.Commit());
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(Count(t), 1u);
    EXPECT_FALSE(f.Commit());  // nothing open any more
}

TEST(AtomicFile, FailuresLeaveNothing) {
    TempDir t;
    AtomicFile f;
    EXPECT_FALSE(f.Create(t.file("missing/f")));
    EXPECT_FALSE(f.Create(t.file("dir") + "/"));
    fs::create_directory(t.file("dir"));
    WriteFile(t.file("dir/inner"), "x");
    ASSERT_TRUE(f.Create(t.file("dir")));  // the rename over a non-empty folder fails
    ASSERT_TRUE(f.Write("x", 1));
    EXPECT_FALSE(f.Commit());
    EXPECT_EQ(Count(t), 1u);
    EXPECT_EQ(ReadFile(t.file("dir/inner")), "x");
}

TEST(AtomicFile, LinkAtTargetIsReplacedNotFollowed) {
    TempDir t, other;
    WriteFile(other.file("victim"), "keep");
    fs::create_symlink(other.file("victim"), t.file("f"));
    ASSERT_TRUE(WriteFileAtomically(t.file("f"), "mine"));
    EXPECT_EQ(ReadFile(other.file("victim")), "keep");
    EXPECT_FALSE(fs::is_symlink(t.file("f")));
    EXPECT_EQ(ReadFile(t.file("f")), "mine");
}

TEST(AtomicFile, RelativeNameAndPermissions) {
    TempDir t;
    const fs::path old = fs::current_path();
    fs::current_path(t.path());
    const mode_t mask = ::umask(027);
    const bool ok = WriteFileAtomically("plain", "x");
    ::umask(mask);
    fs::current_path(old);
    ASSERT_TRUE(ok);
    EXPECT_EQ(fs::status(t.file("plain")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(FolderOf("/a/b"), "/a");
    EXPECT_EQ(FolderOf("/b"), "/");
    EXPECT_EQ(FolderOf("b"), ".");
}

}  // namespace

#include <gtest/gtest.h>

#include <filesystem>

#include "common/paths.h"
#include "support/TempDir.h"

using namespace wxh;
namespace fs = std::filesystem;

namespace {

TEST(AddPathSep, AddsOnlyWhenMissing) {
    EXPECT_EQ(AddPathSep(""), "/");
    EXPECT_EQ(AddPathSep("/"), "/");
    EXPECT_EQ(AddPathSep("/home/u"), "/home/u/");
    EXPECT_EQ(AddPathSep("/home/u/"), "/home/u/");
    EXPECT_EQ(AddPathSep("フォルダ"), "フォルダ/");
}

TEST(IsFolder, FoldersAndLinksToThem) {
    test::TempDir t;
    test::WriteFile(t.file("f"), "x");
    fs::create_directory(t.file("d"));
    fs::create_directory_symlink(t.file("d"), t.file("ld"));
    EXPECT_TRUE(IsFolder(t.str()));
    EXPECT_TRUE(IsFolder(t.file("d")));
    EXPECT_TRUE(IsFolder(t.file("d") + "/"));
    EXPECT_TRUE(IsFolder(t.file("ld")));
    EXPECT_FALSE(IsFolder(t.file("f")));
    EXPECT_FALSE(IsFolder(t.file("missing")));
    EXPECT_FALSE(IsFolder(""));
}

TEST(ReleaseFolderName, DropsTheLastExtensionButAlwaysNamesAFolderOfItsOwn) {
    EXPECT_EQ(ReleaseFolderName("/data/photos.bmp"), "photos");
    EXPECT_EQ(ReleaseFolderName("a.b.c.bmp"), "a.b.c");
    EXPECT_EQ(ReleaseFolderName("/x.d/noext"), "noext");  // a dot in a folder name is no extension
    EXPECT_EQ(ReleaseFolderName("写真.BMP"), "写真");
    // Nothing, "." or ".." would be the folder itself or the one above it.
    EXPECT_EQ(ReleaseFolderName("/d/.bmp"), ".bmp");
    EXPECT_EQ(ReleaseFolderName("..bmp"), "..bmp");
    EXPECT_EQ(ReleaseFolderName("...bmp"), "...bmp");
}

TEST(TailLength, CountsCharactersAfterTheLastSeparator) {
    EXPECT_EQ(TailLength("C/dir/b.bmp", "/"), 6);
    EXPECT_EQ(TailLength("C/dir/b.bmp", "."), 4);
    EXPECT_EQ(TailLength("abc", "/"), 4);
    EXPECT_EQ(TailLength("", "/"), 1);
    EXPECT_EQ(TailLength("a/", "/"), 1);
    EXPECT_EQ(TailLength("/x/日本語.txt", "/"), 8);  // characters, not bytes
    EXPECT_EQ(TailLength("a.B.b", "b"), 1);          // case-sensitive
    EXPECT_EQ(TailLength("a--b--cd", "--"), 3);
}

}  // namespace

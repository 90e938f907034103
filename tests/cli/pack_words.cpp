// crow pack at its edges: consent before an existing file is replaced, the Crow file inside
// the folder it packs, the notes for what is left out and the closing summary.
#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "cli/summary.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace wxh::test;

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(PackWords, SummaryAndNoteWording) {
    using wxh::cli::HumanSize;
    EXPECT_EQ(HumanSize(1), "1 byte");
    EXPECT_EQ(HumanSize(1023), "1023 bytes");
    EXPECT_EQ(HumanSize(1536), "1.5 KiB");
    EXPECT_EQ(HumanSize(int64_t{318} << 20), "318 MiB");
    EXPECT_EQ(HumanSize((int64_t{1} << 30) - 1), "1.0 GiB");
    EXPECT_EQ(wxh::cli::Summary("packed", 200, int64_t{318} << 20, "into", "x.bmp"),
              "packed 200 files, 318 MiB, into 'x.bmp'");
    EXPECT_EQ(wxh::cli::Summary("packed", 1, 5, "into", "a\nb"), "packed 1 file, 5 bytes, into 'a\\x0Ab'");
    wxh::NotPacked n;
    EXPECT_EQ(wxh::cli::NotPackedNote(n), "");
    n.folders = 2;
    n.hidden = 1;
    EXPECT_EQ(wxh::cli::NotPackedNote(n), "2 sub-folders and 1 hidden file are not packed");
    n = {};
    n.special = 1;
    EXPECT_EQ(wxh::cli::NotPackedNote(n), "1 special file or broken link is not packed");
}

// The size limits say which one was passed: a single file of 2^31 bytes is itself too large,
// while a file a byte shorter fits but the Crow file around it would not (both sparse).
TEST(PackWords, SizeLimitsSayWhatIsTooLarge) {
    TempDir t;
    fs::create_directory(t.file("src"));
    WriteFile(t.file("src/big"), "");
    fs::resize_file(t.file("src/big"), uint64_t{1} << 31);
    RunResult r = RunCrow({"pack", t.file("src"), t.file("c.bmp")});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(Has(r.err, "is 2147483648 bytes long; a packed file must be shorter than 2147483648")) << r.err;
    fs::resize_file(t.file("src/big"), (uint64_t{1} << 31) - 1);
    r = RunCrow({"pack", t.file("src"), t.file("c.bmp")});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(Has(r.err, "would make a Crow file of")) << r.err;
    EXPECT_FALSE(fs::exists(t.file("c.bmp")));
}

// An existing file is replaced only with consent: refused without a terminal (nothing
// touched, and the message says how to allow it), allowed by --overwrite yes, asked on one.
TEST(PackWords, ReplacingNeedsConsent) {
    TempDir t;
    fs::create_directories(t.file("src"));
    WriteFile(t.file("src/a.txt"), std::string("abc"));
    WriteFile(t.file("photo.bmp"), std::string("a picture"));
    RunResult no = RunCrow({"pack", t.file("src"), t.file("photo.bmp")});
    EXPECT_EQ(no.status, 1);
    EXPECT_TRUE(Has(no.err, "--overwrite yes")) << no.err;
    EXPECT_EQ(ReadFile(t.file("photo.bmp")), "a picture");
    EXPECT_EQ(ListTree(t.path()), (std::vector<std::string>{"photo.bmp", "src", "src/a.txt"}));
    EXPECT_EQ(RunCrow({"pack", "--overwrite", "no", t.file("src"), t.file("photo.bmp")}).status, 1);
    EXPECT_EQ(RunCrow({"pack", "--overwrite", "maybe", t.file("src"), t.file("photo.bmp")}).status, 2);

    {
        PtySession s({"pack", t.file("src"), t.file("photo.bmp")});
        ASSERT_TRUE(s.WaitFor("Overwrite?")) << s.output();
        s.Write("n\n");
        EXPECT_EQ(s.Finish(), 1);
        EXPECT_TRUE(Has(s.output(), "was kept")) << s.output();
        EXPECT_EQ(ReadFile(t.file("photo.bmp")), "a picture");
    }
    {
        PtySession s({"pack", t.file("src"), t.file("photo.bmp")});
        ASSERT_TRUE(s.WaitFor("Overwrite?")) << s.output();
        s.Write("y\n");
        EXPECT_EQ(s.Finish(), 0) << s.output();
        EXPECT_EQ(ReadFile(t.file("photo.bmp")).substr(54, 4), "CRW2");
    }
    WriteFile(t.file("photo.bmp"), std::string("a picture"));
    RunResult yes = RunCrow({"pack", "--overwrite=yes", t.file("src"), t.file("photo.bmp")});
    EXPECT_EQ(yes.status, 0) << yes.err;
    EXPECT_EQ(ReadFile(t.file("photo.bmp")).substr(54, 4), "CRW2");
}

// OUTPUT inside FOLDER, packed twice: the file does not grow, and crow says why.
TEST(PackWords, OutputInsideTheFolderIsNotPackedAndNotesTellWhatIsLeftOut) {
    TempDir t;
    fs::create_directories(t.file("small/sub"));
    fs::create_directories(t.file("small/other"));
    WriteFile(t.file("small/a.txt"), std::string("abc"));
    WriteFile(t.file("small/b.txt"), PatternBytes(5000));
    WriteFile(t.file("small/.hidden"), std::string("h"));
    RunResult first = RunCrow({"pack", t.file("small"), t.file("small/self.bmp")});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(Has(first.err, "crow: note: 2 sub-folders and 1 hidden file are not packed")) << first.err;
    EXPECT_FALSE(Has(first.err, "packed 2 files")) << "no summary without a terminal";
    const auto size = fs::file_size(t.file("small/self.bmp"));
    RunResult second = RunCrow({"pack", "--overwrite", "yes", t.file("small"), t.file("small/self.bmp")});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(fs::file_size(t.file("small/self.bmp")), size);
    EXPECT_TRUE(Has(second.err, "'self.bmp' is not packed")) << second.err;
    EXPECT_TRUE(Has(RunCrow({"info", t.file("small/self.bmp")}).out, "files: 2\n"));
    EXPECT_EQ(RunCrow({"--quiet", "pack", "--overwrite", "yes", t.file("small"), t.file("small/self.bmp")}).err, "");

    // On a terminal a closing line sums it up; --quiet leaves it out.
    fs::remove(t.file("small/self.bmp"));
    {
        PtySession s({"pack", t.file("small"), t.file("out.bmp")});
        EXPECT_EQ(s.Finish(), 0);
        EXPECT_TRUE(Has(s.output(), "packed 2 files, 4.9 KiB, into '" + t.file("out.bmp") + "'")) << s.output();
    }
    {
        PtySession s({"--quiet", "pack", "--overwrite", "yes", t.file("small"), t.file("out.bmp")});
        EXPECT_EQ(s.Finish(), 0);
        EXPECT_FALSE(Has(s.output(), "packed 2 files")) << s.output();
    }
}

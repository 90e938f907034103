// crow release and crow mount with a password that looks wrong: refused before anything is
// written, unless --no-password-check says to go ahead.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "cli/cli_support.h"
#include "support/PasswordCorpus.h"
#include "support/TempDir.h"

namespace wxh::test {
namespace {

namespace fs = std::filesystem;

TEST(CrowPasswordCheck, WrongPasswordRefusedOverrideAndUndecidableGoAhead) {
    TempDir t;
    fs::create_directory(t.file("in"));
    std::mt19937 g(3);
    const std::vector<CorpusFile> files = {{"photo.jpg", Jpeg(g)}, {"notes.txt", Utf8Text(g)},
                                           {"main.c", Source(g)},   {"scan.pdf", Pdf(g)},
                                           {"blob.bin", Noise(g, 800)}};
    for (const auto& f : files) WriteFile(t.file("in/" + f.name), f.bytes);
    const std::string crow = CrowBinary(), x = t.file("x.bmp");
    ASSERT_EQ(RunProgram({crow, "pack", "--format", "3", "--password-stdin", t.file("in"), x}, "kurohane\n").status, 0);

    // A one-character typo late in the password: refused, nothing made, the files named.
    const RunResult wrong = RunProgram({crow, "release", "--password-stdin", x, t.file("out/deep")}, "kurohame\n");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_FALSE(fs::exists(t.file("out")));
    EXPECT_NE(wrong.err.find("looks wrong"), std::string::npos) << wrong.err;
    EXPECT_NE(wrong.err.find("'notes.txt'"), std::string::npos) << wrong.err;
    EXPECT_NE(wrong.err.find("--no-password-check"), std::string::npos) << wrong.err;

    // mount judges before it mounts (and before it looks for FUSE).
    fs::create_directory(t.file("mnt"));
    const RunResult mount = RunProgram({crow, "mount", "--password-stdin", x, t.file("mnt")}, "Kurohane\n");
    EXPECT_EQ(mount.status, 1);
    EXPECT_NE(mount.err.find("nothing was mounted"), std::string::npos) << mount.err;

    // The user's word goes ahead; the right password is never questioned.
    EXPECT_EQ(RunProgram({crow, "release", "--no-password-check", "--password-stdin", x, t.file("forced")}, "kurohame\n").status, 0);
    EXPECT_NE(ReadFile(t.file("forced/notes.txt")), files[1].bytes);
    const RunResult right = RunProgram({crow, "release", "--password-stdin", x, t.file("ok")}, "kurohane\n");
    ASSERT_EQ(right.status, 0) << right.err;
    for (const auto& f : files) EXPECT_EQ(ReadFile(t.file("ok/" + f.name)), f.bytes) << f.name;

    // Two files that promise a type: too few to tell, released as before.
    fs::remove(t.file("in/main.c"));
    fs::remove(t.file("in/scan.pdf"));
    ASSERT_EQ(RunProgram({crow, "pack", "--format", "3", "--overwrite", "yes", "--password-stdin", t.file("in"), x}, "kurohane\n").status, 0);
    EXPECT_EQ(RunProgram({crow, "release", "--password-stdin", x, t.file("few")}, "Kurohane\n").status, 0);
    EXPECT_TRUE(fs::exists(t.file("few/photo.jpg")));
}

}  // namespace
}  // namespace wxh::test

// The crow tool on a terminal: password prompts, the progress line, the overwrite
// question and Ctrl-C.
#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace wxh::test;

namespace {

// A sparse file: quick to make, but it takes the tool a while to pack.
void MakeLargeFile(const std::string& path, uintmax_t size) {
    WriteFile(path, PatternBytes(4096, 11));
    fs::resize_file(path, size);
}

}  // namespace

TEST(CrowTerminal, PasswordIsAskedTwiceWithoutEcho) {
    TempDir t;
    fs::create_directories(t.file("src"));
    WriteFile(t.file("src/f.bin"), PatternBytes(40000, 1));
    {
        PtySession s({"pack", "--format", "3", "--password", t.file("src"), t.file("p.bmp")});
        ASSERT_TRUE(s.started());
        ASSERT_TRUE(s.WaitFor("Password: ")) << s.output();
        s.Write("Sesame1\n");
        ASSERT_TRUE(s.WaitFor("Repeat the password: ")) << s.output();
        s.Write("Sesame1\n");
        EXPECT_EQ(s.Finish(), 0) << s.output();
        EXPECT_EQ(s.output().find("Sesame1"), std::string::npos) << "the password was echoed";
    }
    EXPECT_EQ(RunCrow({"info", t.file("p.bmp")}).out.find("generation: 3\npassword: yes\n"), 0u);
    {
        PtySession s({"release", "--password", t.file("p.bmp"), t.file("out")});
        ASSERT_TRUE(s.WaitFor("Password: ")) << s.output();
        s.Write("Sesame1\n");
        EXPECT_EQ(s.Finish(), 0) << s.output();
        EXPECT_EQ(s.output().find("Sesame1"), std::string::npos);
    }
    EXPECT_EQ(ReadFile(t.file("out/f.bin")), PatternBytes(40000, 1));

    // Two different answers: nothing is written.
    PtySession s({"pack", "--format", "3", "--password", t.file("src"), t.file("q.bmp")});
    ASSERT_TRUE(s.WaitFor("Password: "));
    s.Write("one\n");
    ASSERT_TRUE(s.WaitFor("Repeat the password: "));
    s.Write("two\n");
    EXPECT_EQ(s.Finish(), 1);
    EXPECT_NE(s.output().find("the two passwords differ"), std::string::npos) << s.output();
    EXPECT_FALSE(fs::exists(t.file("q.bmp")));

    // Without a terminal --password cannot work, and says so.
    RunResult r = RunCrow({"pack", "--format", "3", "--password", t.file("src"), t.file("r.bmp")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--password-stdin"), std::string::npos) << r.err;
}

TEST(CrowTerminal, ProgressLineAndQuiet) {
    TempDir t;
    fs::create_directories(t.file("src"));
    MakeLargeFile(t.file("src/big.bin"), 64u << 20);
    WriteFile(t.file("src/small.txt"), std::string("s"));
    {
        PtySession s({"pack", t.file("src"), t.file("o.bmp")});
        EXPECT_EQ(s.Finish(), 0) << s.output();
        EXPECT_NE(s.output().find("big.bin"), std::string::npos) << s.output();
        EXPECT_NE(s.output().find("%"), std::string::npos) << s.output();
        // The line is wiped at the end rather than left behind.
        EXPECT_NE(s.output().rfind("\r\033[K"), std::string::npos);
    }
    PtySession q({"pack", "--quiet", t.file("src"), t.file("o2.bmp")});
    EXPECT_EQ(q.Finish(), 0);
    EXPECT_EQ(q.output(), "");
    // Through a pipe there is no progress line either.
    EXPECT_EQ(RunCrow({"release", t.file("o.bmp"), t.file("out")}).err, "");
}

TEST(CrowTerminal, OverwriteQuestionOnTheTerminal) {
    TempDir t;
    fs::create_directories(t.file("src"));
    WriteFile(t.file("src/a.txt"), std::string("new a"));
    WriteFile(t.file("src/b.txt"), std::string("new b"));
    ASSERT_EQ(RunCrow({"pack", t.file("src"), t.file("c.bmp")}).status, 0);
    fs::create_directories(t.file("dst"));
    WriteFile(t.file("dst/a.txt"), std::string("old a"));
    WriteFile(t.file("dst/b.txt"), std::string("old b"));

    PtySession s({"release", t.file("c.bmp"), t.file("dst")});
    ASSERT_TRUE(s.WaitFor("a.txt' exists. Overwrite? [y/n] ")) << s.output();
    s.Write("what\n");  // asked again until the answer is clear
    ASSERT_TRUE(s.WaitFor("a.txt' exists. Overwrite? [y/n] ")) << s.output();
    s.Write("n\n");
    ASSERT_TRUE(s.WaitFor("b.txt' exists. Overwrite? [y/n] ")) << s.output();
    s.Write("y\n");
    EXPECT_EQ(s.Finish(), 0) << s.output();
    EXPECT_EQ(ReadFile(t.file("dst/a.txt")), "old a");
    EXPECT_EQ(ReadFile(t.file("dst/b.txt")), "new b");
}

TEST(CrowTerminal, CtrlCInTheMiddleLeavesNothingPartial) {
    TempDir t;
    fs::create_directories(t.file("src"));
    fs::create_directories(t.file("out"));
    MakeLargeFile(t.file("src/huge.bin"), 1536u << 20);

    // Pack: no output file, nothing left in its folder.
    {
        PtySession s({"pack", t.file("src"), t.file("out/x.bmp")});
        ASSERT_TRUE(s.WaitFor("%")) << s.output();
        s.Signal(SIGINT);
        EXPECT_EQ(s.Finish(), 130) << s.output();
        EXPECT_NE(s.output().find("cancelled"), std::string::npos) << s.output();
    }
    EXPECT_TRUE(ListTree(t.file("out")).empty());

    // An existing output stays exactly as it was.
    WriteFile(t.file("out/x.bmp"), std::string("keep me"));
    {
        PtySession s({"pack", "--format", "3", t.file("src"), t.file("out/x.bmp")});
        ASSERT_TRUE(s.WaitFor("%")) << s.output();
        s.Signal(SIGINT);
        EXPECT_EQ(s.Finish(), 130) << s.output();
    }
    EXPECT_EQ(ListTree(t.file("out")), std::vector<std::string>{"x.bmp"});
    EXPECT_EQ(ReadFile(t.file("out/x.bmp")), "keep me");
}

TEST(CrowTerminal, CtrlCDuringReleaseRemovesTheFileBeingWritten) {
    TempDir t;
    fs::create_directories(t.file("src"));
    WriteFile(t.file("src/a-first.txt"), std::string("first"));
    MakeLargeFile(t.file("src/b-huge.bin"), 512u << 20);
    WriteFile(t.file("src/c-last.txt"), std::string("last"));
    ASSERT_EQ(RunCrow({"pack", t.file("src"), t.file("c.bmp")}).status, 0);
    fs::remove(t.file("src/b-huge.bin"));

    fs::create_directories(t.file("dst"));
    WriteFile(t.file("dst/b-huge.bin"), std::string("old huge"));
    PtySession s({"release", "--overwrite", "yes", t.file("c.bmp"), t.file("dst")});
    // The line shows the first file at once; the interrupt is then noticed at the first
    // progress point of the large one.
    ASSERT_TRUE(s.WaitFor("a-first.txt")) << s.output();
    s.Signal(SIGINT);
    EXPECT_EQ(s.Finish(), 130) << s.output();
    // The file released before stays; the one being written keeps its old contents; the
    // rest is not released; no temporary file is left.
    EXPECT_EQ(ListTree(t.file("dst")), (std::vector<std::string>{"a-first.txt", "b-huge.bin"}));
    EXPECT_EQ(ReadFile(t.file("dst/a-first.txt")), "first");
    EXPECT_EQ(ReadFile(t.file("dst/b-huge.bin")), "old huge");
}

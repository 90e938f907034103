// The crow tool on a terminal: password prompts, the progress line, the overwrite
// question and Ctrl-C.
#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "support/CrowSamples.h"
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

TEST(CrowTerminal, OverwriteQuestionTakesYesNoAllAndNone) {
    TempDir t;
    const std::vector<std::string> names = {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"};
    fs::create_directories(t.file("src"));
    for (const auto& n : names) WriteFile(t.file("src/" + n), "new " + n);
    ASSERT_EQ(RunCrow({"pack", t.file("src"), t.file("c.bmp")}).status, 0);
    const auto reset = [&] {
        fs::remove_all(t.file("dst"));
        fs::create_directories(t.file("dst"));
        for (const auto& n : names) WriteFile(t.file("dst/" + n), "old " + n);
    };
    const std::string prompt = "' exists. Overwrite? [y]es, [n]o, [a]ll, [N]one: ";
    const auto count = [&](const std::string& out) {
        size_t k = 0;
        for (size_t at = out.find(prompt); at != std::string::npos; at = out.find(prompt, at + 1)) ++k;
        return k;
    };
    struct Case {
        std::vector<std::string> replies;  // the answers, in order, to the questions that come
        std::string kept;                  // the files (first letters) that keep their old contents
    } cases[] = {
        {{"what", "n", "y", "a"}, "a"},   // an unclear answer is asked again; "all" ends the asking
        {{"y", "N"}, "bcde"},             // "None" keeps this one and every later one
        {{"n", "no", "yes", "Y", "n"}, "abe"},
        {{"EOF", "y", "N"}, "acde"},      // end of input (Ctrl-D) keeps this one, and asking goes on
    };
    for (const Case& c : cases) {
        reset();
        PtySession s({"release", t.file("c.bmp"), t.file("dst")});
        for (const std::string& reply : c.replies) {
            ASSERT_TRUE(s.WaitFor(prompt)) << s.output();
            s.Write(reply == "EOF" ? std::string("\x04") : reply + "\n");
        }
        EXPECT_EQ(s.Finish(), 0) << s.output();
        EXPECT_EQ(count(s.output()), c.replies.size()) << s.output();
        for (const auto& n : names) {
            const bool kept = c.kept.find(n[0]) != std::string::npos;
            EXPECT_EQ(ReadFile(t.file("dst/" + n)), (kept ? "old " : "new ") + n) << c.kept;
        }
    }
}

// One signal ends a prompt, whichever it is: the exit status names the signal and nothing
// is written.
TEST(CrowTerminal, ASignalEndsEveryPrompt) {
    TempDir t;
    fs::create_directories(t.file("src"));
    WriteFile(t.file("src/f.txt"), std::string("new"));
    WriteFile(t.file("src/g.txt"), std::string("later"));  // after the question: never released
    ASSERT_EQ(RunCrow({"pack", t.file("src"), t.file("c.bmp")}).status, 0);
    struct Case {
        std::vector<std::string> args;
        std::string prompt;
        int sig;
    } cases[] = {
        {{"pack", "--format", "3", "--password", t.file("src"), t.file("p.bmp")}, "Password: ", SIGINT},
        {{"pack", "--format", "3", "--password", t.file("src"), t.file("p.bmp")}, "Password: ", SIGTERM},
        {{"release", t.file("c.bmp"), t.file("dst")}, "Overwrite? [y]es", SIGHUP},
        {{"release", t.file("c.bmp"), t.file("dst")}, "Overwrite? [y]es", SIGINT},
        {{"release", t.file("c.bmp"), t.file("dst")}, "Overwrite? [y]es", SIGUSR1},
    };
    for (const Case& c : cases) {
        fs::remove_all(t.file("dst"));
        fs::create_directories(t.file("dst"));
        WriteFile(t.file("dst/f.txt"), std::string("old"));
        PtySession s(c.args);
        ASSERT_TRUE(s.WaitFor(c.prompt)) << s.output();
        s.Signal(c.sig);
        EXPECT_EQ(s.Finish(30), 128 + c.sig) << c.prompt << s.output();
        if (c.args[0] == "release") {  // caught, not killed: the tool says where it stopped
            EXPECT_NE(s.output().find("at the question about"), std::string::npos) << c.sig << s.output();
        }
        EXPECT_FALSE(fs::exists(t.file("p.bmp")));
        EXPECT_EQ(ListTree(t.file("dst")), std::vector<std::string>{"f.txt"}) << c.prompt;
        EXPECT_EQ(ReadFile(t.file("dst/f.txt")), "old");
    }
}

// Among many small files no progress point ever comes; the signal is still seen at the next
// file: the files before stay whole, the one at hand is not written, nothing else is.
TEST(CrowTerminal, SignalsAmongSmallFiles) {
    TempDir t;
    const int count = 6000;
    fs::create_directories(t.file("src"));
    for (int i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%05d", i);
        WriteFile(t.file("src/") + name, std::string(name) + PatternBytes(200, static_cast<uint32_t>(i)));
    }
    ASSERT_EQ(RunCrow({"pack", "--quiet", t.file("src"), t.file("c.bmp")}).status, 0);

    {  // packing
        fs::create_directories(t.file("out"));
        PtySession s({"pack", t.file("src"), t.file("out/p.bmp")});
        ASSERT_TRUE(s.WaitFor("f0")) << s.output();
        s.Signal(SIGINT);
        EXPECT_EQ(s.Finish(), 130) << s.output();
        EXPECT_NE(s.output().find("was not written"), std::string::npos) << s.output();
        EXPECT_TRUE(ListTree(t.file("out")).empty());
    }
    for (int sig : {SIGTERM, SIGHUP}) {  // releasing
        fs::remove_all(t.file("dst"));
        PtySession s({"release", t.file("c.bmp"), t.file("dst")});
        ASSERT_TRUE(s.WaitFor("f0")) << s.output();
        s.Signal(sig);
        EXPECT_EQ(s.Finish(), 128 + sig) << s.output();
        EXPECT_NE(s.output().find("cancelled while releasing"), std::string::npos) << s.output();
        const std::vector<std::string> left = ListTree(t.file("dst"));
        EXPECT_LT(left.size(), static_cast<size_t>(count));
        for (size_t i = 0; i < left.size(); ++i) {  // the first ones, in order, each whole
            char name[16];
            std::snprintf(name, sizeof name, "f%05d", static_cast<int>(i));
            ASSERT_EQ(left[i], name);
            ASSERT_EQ(ReadFile(t.file("dst/") + name), ReadFile(t.file("src/") + name));
        }
    }
}

// A CRW1 release has no progress points at all; a signal still stops it within a buffer.
TEST(CrowTerminal, SignalDuringGenerationOneRelease) {
    TempDir t;
    std::string crow = BuildCrow(1, {{"a.txt", "first"}, {"big.bin", "x"}});
    const uint32_t big = 1u << 30;
    for (int k = 0; k < 4; ++k) crow[82 + k] = static_cast<char>((big >> (8 * k)) & 0xFF);  // big.bin's size
    crow.pop_back();  // its one byte: the size now says 1 GiB, which a sparse tail provides
    WriteFile(t.file("one.bmp"), crow);
    fs::resize_file(t.file("one.bmp"), crow.size() + big);
    fs::create_directories(t.file("dst"));
    WriteFile(t.file("dst/big.bin"), std::string("old big"));

    PtySession s({"release", "--overwrite", "yes", t.file("one.bmp"), t.file("dst")});
    for (int i = 0; i < 5000 && !fs::exists(t.file("dst/a.txt")); ++i) ::usleep(1000);
    s.Signal(SIGINT);
    EXPECT_EQ(s.Finish(), 130) << s.output();
    EXPECT_NE(s.output().find("cancelled while releasing 'big.bin'"), std::string::npos) << s.output();
    EXPECT_NE(s.output().find("stays as it was"), std::string::npos) << s.output();
    EXPECT_EQ(ListTree(t.file("dst")), (std::vector<std::string>{"a.txt", "big.bin"}));
    EXPECT_EQ(ReadFile(t.file("dst/a.txt")), "first");
    EXPECT_EQ(ReadFile(t.file("dst/big.bin")), "old big");
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
        PtySession s({"pack", "--format", "3", "--overwrite", "yes", t.file("src"), t.file("out/x.bmp")});
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

// Where crow's password comes from when standard input is odd: closed, endless, too long.
#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "support/CrowSamples.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace wxh::test;

namespace {

// The tool with standard input redirected by the shell ("<&-", "< /dev/zero"); a tool that
// hangs is stopped after 20 seconds (status 124) instead of holding the test up.
RunResult RunCrowWithStdin(const std::string& redirect, const std::vector<std::string>& args) {
    std::vector<std::string> argv{"sh", "-c", "exec timeout 20 \"$0\" \"$@\" " + redirect, CrowBinary()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
}

}  // namespace

// With descriptor 0 closed, the first file the tool opened used to become its standard input,
// and the Crow file itself was read as the password. Endless input must not keep it reading.
TEST(CrowPasswordInput, ClosedOrEndlessInputIsNoPassword) {
    TempDir t;
    const std::string crow = t.file("p.bmp");
    // Larger than one read of the tables, so that a Crow file taken for standard input still
    // has lines left to give.
    WriteFile(crow, BuildCrow(3, {{"a.bin", PatternBytes(300000, 3)}, {"b.txt", "hello\n"}}, 0, "pw"));
    fs::create_directories(t.file("mnt"));
    for (const std::string command : {"release", "mount"}) {
        SCOPED_TRACE(command);
        const std::string dest = t.file(command == "release" ? "out" : "mnt");
        RunResult closed = RunCrowWithStdin("<&-", {command, "--password-stdin", crow, dest});
        EXPECT_EQ(closed.status, 1) << closed.err;
        EXPECT_NE(closed.err.find("no password on standard input"), std::string::npos) << closed.err;

        RunResult zero = RunCrowWithStdin("< /dev/zero", {command, "--password-stdin", crow, dest});
        EXPECT_EQ(zero.status, 1) << zero.err;
        EXPECT_NE(zero.err.find("longer than 4096 bytes"), std::string::npos) << zero.err;
    }
    EXPECT_FALSE(fs::exists(t.file("out")));
    EXPECT_TRUE(fs::is_empty(t.file("mnt")));
}

// Up to 4096 bytes (with "\n" or "\r\n" after them) is a password; one more is refused, never
// cut to fit: a cut password would open the file for a different one.
TEST(CrowPasswordInput, LinesUpToFourKibibytes) {
    TempDir t;
    fs::create_directories(t.file("src"));
    WriteFile(t.file("src/f.bin"), PatternBytes(5000, 7));
    const std::string longest(4096, 'k');

    RunResult packed = RunCrow({"pack", "--format", "3", "--password-stdin", t.file("src"), t.file("p.bmp")},
                               longest + "\r\n");
    ASSERT_EQ(packed.status, 0) << packed.err;
    RunResult released = RunCrow({"release", "--password-stdin", t.file("p.bmp"), t.file("out")}, longest);
    ASSERT_EQ(released.status, 0) << released.err;
    EXPECT_EQ(ReadFile(t.file("out/f.bin")), PatternBytes(5000, 7));

    for (const std::string& line : {longest + "k\n", longest + "k", longest + "\r\r\n"}) {
        RunResult r = RunCrow({"pack", "--format", "3", "--password-stdin", t.file("src"), t.file("q.bmp")}, line);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("longer than 4096 bytes"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(t.file("q.bmp")));
    }
    // Whatever follows the line is not part of it.
    RunResult more = RunCrow({"release", "--password-stdin", "--overwrite", "yes", t.file("p.bmp"), t.file("out")},
                             longest + "\n" + std::string(100000, 'z'));
    EXPECT_EQ(more.status, 0) << more.err;
    EXPECT_EQ(ReadFile(t.file("out/f.bin")), PatternBytes(5000, 7));
}

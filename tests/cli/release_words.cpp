// crow release without a folder, and what it says: kept files, the closing line, Ctrl-C at a
// question.
#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "support/CrowSamples.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace wxh::test;

namespace {

// crow run in the folder `cwd`.
RunResult RunCrowIn(const std::string& cwd, const std::vector<std::string>& args) {
    std::vector<std::string> argv{"sh", "-c", "cd \"$1\" && shift 2 && exec \"$0\" \"$@\"", CrowBinary(), cwd, "--"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

}  // namespace

// Like unzip and tar, beside the user: in the working folder, in a folder named as the window
// names its release folder.
TEST(CrowReleaseWords, WithoutAFolderReleasesIntoOneNamedAfterTheFile) {
    TempDir t;
    fs::create_directories(t.file("here"));
    fs::create_directories(t.file("files.d"));
    const std::vector<Packed> files = {{"a.txt", "alpha"}, {"b.txt", "beta"}};
    WriteFile(t.file("files.d/photos.bmp"), BuildCrow(2, files));
    WriteFile(t.file("files.d/a.b.c.bmp"), BuildCrow(2, files));
    WriteFile(t.file("files.d/noext"), BuildCrow(2, files));
    for (const auto& [crow, folder] : std::vector<std::pair<std::string, std::string>>{
             {"photos.bmp", "photos"}, {"a.b.c.bmp", "a.b.c"}, {"noext", "noext"}}) {
        RunResult r = RunCrowIn(t.file("here"), {"release", t.file("files.d/" + crow)});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadFile(t.file("here/" + folder + "/a.txt")), "alpha") << crow;
        EXPECT_EQ(ReadFile(t.file("here/" + folder + "/b.txt")), "beta") << crow;
    }
    EXPECT_EQ(ListTree(t.file("files.d")), (std::vector<std::string>{"a.b.c.bmp", "noext", "photos.bmp"}));

    // A file without an extension in the working folder would be its own release folder; a
    // link of that name is not followed: both are refused, untouched, with a way out.
    RunResult self = RunCrowIn(t.file("files.d"), {"release", "noext"});
    EXPECT_EQ(self.status, 1);
    EXPECT_NE(self.err.find("name the folder to release into"), std::string::npos) << self.err;
    EXPECT_EQ(ReadFile(t.file("files.d/noext")), BuildCrow(2, files));
    fs::create_directory_symlink(t.file("here/photos"), t.file("files.d/photos"));
    RunResult link = RunCrowIn(t.file("files.d"), {"release", "--overwrite", "yes", "photos.bmp"});
    EXPECT_EQ(link.status, 1);
    EXPECT_NE(link.err.find("it is a link"), std::string::npos) << link.err;
}

// Answering "None" at the first of many questions: a few "kept" lines and one line for the
// rest, then the closing line on a terminal; none of it with --quiet.
TEST(CrowReleaseWords, KeptFilesAreSummedUpAndTheReleaseClosesWithALine) {
    TempDir t;
    std::vector<Packed> files;
    for (int i = 0; i < 12; ++i) files.push_back({"old" + std::to_string(i) + ".txt", "new"});
    files.push_back({"fresh1.bin", PatternBytes(3000, 1)});
    files.push_back({"fresh2.bin", PatternBytes(2200, 2)});
    WriteFile(t.file("c.bmp"), BuildCrow(2, files));
    const auto reset = [&] {
        fs::remove_all(t.file("dst"));
        fs::create_directories(t.file("dst"));
        for (int i = 0; i < 12; ++i) WriteFile(t.file("dst/old" + std::to_string(i) + ".txt"), std::string("old"));
    };

    reset();
    PtySession s({"release", t.file("c.bmp"), t.file("dst")});
    ASSERT_TRUE(s.WaitFor("Overwrite? ")) << s.output();
    s.Write("N\n");
    EXPECT_EQ(s.Finish(), 0) << s.output();
    EXPECT_EQ(Count(s.output(), "kept the existing"), 5u) << s.output();
    EXPECT_NE(s.output().find("crow: ... and 6 more files kept"), std::string::npos) << s.output();
    EXPECT_NE(s.output().find("crow: released 2 files, 5.1 KiB, into '" + t.file("dst") + "'; 12 existing files kept"),
              std::string::npos)
        << s.output();
    EXPECT_EQ(ReadFile(t.file("dst/old11.txt")), "old");

    // Without a question (not asked: --overwrite no) every kept file counts; one left untold
    // is one file, not "files".
    fs::remove_all(t.file("dst"));
    fs::create_directories(t.file("dst"));
    for (int i = 0; i < 6; ++i) WriteFile(t.file("dst/old" + std::to_string(i) + ".txt"), std::string("old"));
    RunResult piped = RunCrow({"release", "--overwrite", "no", t.file("c.bmp"), t.file("dst")});
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(Count(piped.err, "kept the existing"), 5u) << piped.err;
    EXPECT_NE(piped.err.find("crow: ... and 1 more file kept\n"), std::string::npos) << piped.err;
    EXPECT_EQ(piped.err.find("released"), std::string::npos) << "a closing line through a pipe: " << piped.err;

    reset();
    PtySession q({"--quiet", "release", "--overwrite", "no", t.file("c.bmp"), t.file("dst")});
    EXPECT_EQ(q.Finish(), 0);
    EXPECT_EQ(q.output(), "");

    fs::remove_all(t.file("dst"));
    PtySession fresh({"release", t.file("c.bmp"), t.file("dst")});
    EXPECT_EQ(fresh.Finish(), 0);
    EXPECT_NE(fresh.output().find("crow: released 14 files, 5.1 KiB, into '"), std::string::npos) << fresh.output();
    EXPECT_EQ(fresh.output().find("existing"), std::string::npos) << fresh.output();
}

// The container sees a signal that ended a question only at the next file; the words name the
// file that was asked about, wherever it stands.
TEST(CrowReleaseWords, CtrlCAtAQuestionNamesTheFileAskedAbout) {
    TempDir t;
    WriteFile(t.file("c.bmp"), BuildCrow(2, {{"first.txt", "1"}, {"asked.txt", "new"}, {"next.txt", "3"}}));
    WriteFile(t.file("last.bmp"), BuildCrow(2, {{"first.txt", "1"}, {"asked.txt", "new"}}));
    for (const std::string crow : {"c.bmp", "last.bmp"}) {
        SCOPED_TRACE(crow);
        fs::remove_all(t.file("dst"));
        fs::create_directories(t.file("dst"));
        WriteFile(t.file("dst/asked.txt"), std::string("old"));
        PtySession s({"release", t.file(crow), t.file("dst")});
        ASSERT_TRUE(s.WaitFor("Overwrite? ")) << s.output();
        s.Signal(SIGINT);
        EXPECT_EQ(s.Finish(30), 130) << s.output();
        EXPECT_NE(s.output().find("at the question about '" + t.file("dst/asked.txt") + "', which stays as it was"),
                  std::string::npos)
            << s.output();
        EXPECT_EQ(s.output().find("next.txt"), std::string::npos) << s.output();
        EXPECT_EQ(ReadFile(t.file("dst/asked.txt")), "old");
        EXPECT_FALSE(fs::exists(t.file("dst/next.txt")));
    }
}

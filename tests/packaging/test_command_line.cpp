// The programs' command lines on a console: the window program answers --help, --version
// and usage errors without a display, and crow's bash completion offers the words the tool
// takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "pkg_files.h"
#include "proc.h"
#include "support/TempDir.h"

using namespace wxh::pkgtest;
using wxh::test::WriteFile;

TEST(WindowProgram, AnswersOnAConsoleWithoutTouchingTheWindowSystem) {
    const std::string gui = EnvOr("WXH_GUI");
    if (gui.empty()) GTEST_SKIP() << "the window program is not part of this build";
    wxh::test::TempDir tmp;
    struct Case {
        std::vector<std::string> args;
        int exit;
        std::string out, err;   // text each must hold
    };
    const Case cases[] = {
        {{"--help"}, 0, "Usage: wx-hollin [FILE | FOLDER]\n", ""},
        {{"-h"}, 0, "  -V, --version", ""},
        {{"--version"}, 0, "wx-hollin " + Version() + "\n", ""},
        {{"-V"}, 0, "wx-hollin " + Version() + "\n", ""},
        {{"--bogus"}, 2, "", "unknown option '--bogus'"},
        {{"a.bmp", "b.bmp"}, 2, "", "only one"},
        {{tmp.file("missing.bmp")}, 1, "", "no such file or folder"},
        {{"/dev/null"}, 1, "", "neither a file nor a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        std::vector<std::string> argv = c.args;
        argv.insert(argv.begin(), gui);
        RunOptions opt;
        // No display at all: a program that opened one would abort here.
        opt.env["DISPLAY"] = std::nullopt;
        opt.env["WAYLAND_DISPLAY"] = std::nullopt;
        opt.env["QT_QPA_PLATFORM"] = "xcb";
        opt.timeout = std::chrono::seconds(30);
        RunResult r = RunProgram(argv, opt);
        EXPECT_EQ(r.exitCode, c.exit) << r.describe();
        EXPECT_NE(r.out.find(c.out), std::string::npos) << r.describe();
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.describe();
        if (c.exit == 0) { EXPECT_EQ(r.err, ""); }
        if (c.exit != 0) { EXPECT_EQ(r.out, ""); }
    }
}

namespace {

// Asks crow's completion, sourced into a plain bash, for the words of a command line whose
// last word is being typed; in a folder holding albums/, a.bmp and apple.txt.
class Completion : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(tmp.file("albums"));
        WriteFile(tmp.file("a.bmp"), "BM");
        WriteFile(tmp.file("apple.txt"), "a");
    }
    std::vector<std::string> Complete(const std::vector<std::string>& words, const std::string& extra = {}) {
        std::vector<std::string> argv = {"bash", "-c",
                                         "source \"$0\" || exit 9; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); "
                                         "_crow; printf '%s\\n' \"${COMPREPLY[@]}\"; " + extra,
                                         script};
        argv.insert(argv.end(), words.begin(), words.end());
        RunOptions opt;
        opt.cwd = tmp.str();
        RunResult r = RunProgram(argv, opt);
        EXPECT_EQ(r.exitCode, 0) << r.describe();
        EXPECT_EQ(r.err, "");
        std::vector<std::string> got;
        for (const auto& line : Lines(r.out))
            if (!line.empty()) got.push_back(line);
        std::sort(got.begin(), got.end());
        return got;
    }
    const std::string script = SourceDir() + "/packaging/crow.bash-completion";
    wxh::test::TempDir tmp;
};

using Words = std::vector<std::string>;

}  // namespace

TEST_F(Completion, OffersCommandsOptionsValuesFilesAndFolders) {
    const std::pair<Words, Words> cases[] = {
        {{"crow", ""}, {"info", "mount", "pack", "release"}},
        {{"crow", "re"}, {"release"}},
        {{"crow", "--"}, {"--help", "--quiet", "--version"}},
        {{"crow", "--quiet", "p"}, {"pack"}},
        {{"crow", "pack", "--"}, {"--format", "--help", "--password", "--password-stdin", "--quiet"}},
        {{"crow", "pack", "--format", ""}, {"2", "3"}},
        {{"crow", "pack", "--format", "=", ""}, {"2", "3"}},   // --format=
        {{"crow", "release", "--overwrite", "y"}, {"yes"}},
        {{"crow", "release", "--overwrite", ""}, {"ask", "no", "yes"}},
        {{"crow", "info", "--"}, {"--help", "--json"}},
        // FOLDER then OUTPUT; CROWFILE then DESTFOLDER; an option's value is no argument.
        {{"crow", "pack", "a"}, {"albums"}},
        {{"crow", "pack", "--format", "3", "albums", "a"}, {"a.bmp", "albums", "apple.txt"}},
        {{"crow", "release", "a"}, {"a.bmp", "albums", "apple.txt"}},
        {{"crow", "release", "--overwrite=no", "a.bmp", "a"}, {"albums"}},
        {{"crow", "info", "--json", "ap"}, {"apple.txt"}},
        {{"crow", "mount", "--background", "a.bmp", "a"}, {"albums"}},
        {{"crow", "info", "a.bmp", ""}, {}},
        // After "--" a word starting with a dash is a path.
        {{"crow", "info", "--", "--"}, {}},
    };
    for (const auto& [words, expected] : cases) {
        std::string shown;
        for (const auto& w : words) shown += "[" + w + "]";
        SCOPED_TRACE(shown);
        EXPECT_EQ(Complete(words), expected);
    }
}

TEST_F(Completion, IsRegisteredForCrow) {
    EXPECT_EQ(Complete({"crow", "zzz"}, "complete -p crow"), Words{"complete -F _crow crow"});
}

// Every long option a command's --help names is offered, and nothing else.
TEST_F(Completion, KnowsEveryOptionOfTheTool) {
    const std::string crow = EnvOr("WXH_CROW");
    if (crow.empty()) GTEST_SKIP() << "the crow tool is not part of this build";
    for (const std::string command : {"pack", "release", "info", "mount"}) {
        SCOPED_TRACE(command);
        RunResult help = RunProgram({crow, command, "--help"});
        ASSERT_EQ(help.exitCode, 0) << help.describe();
        Words fromHelp;
        for (const auto& o : Options(help.out))
            if (o.rfind("--", 0) == 0) fromHelp.push_back(o);
        std::sort(fromHelp.begin(), fromHelp.end());
        EXPECT_EQ(Complete({"crow", command, "--"}), fromHelp);
    }
}

// Without a display run-app.sh stops at once with a word on what it needs, before it installs
// or builds anything: run here on a copy whose install and build steps only leave a mark.
TEST(RunApp, StopsBeforeInstallingOrBuildingWhenThereIsNoDisplay) {
    wxh::test::TempDir tree;
    std::filesystem::create_directory(tree.file("scripts"));
    WriteFile(tree.file("scripts/run-app.sh"), wxh::test::ReadFile(SourceDir() + "/scripts/run-app.sh"));
    WriteFile(tree.file("scripts/deps.sh"), "touch \"$(dirname \"$0\")/../deps-ran\"\n");
    WriteFile(tree.file("scripts/build.sh"), "touch \"$(dirname \"$0\")/../build-ran\"\n");
    for (const bool wayland : {false, true}) {
        RunOptions opt;
        opt.env["DISPLAY"] = std::nullopt;
        opt.env["WAYLAND_DISPLAY"] = std::nullopt;
        if (wayland) opt.env["WAYLAND_DISPLAY"] = "";   // set but empty is no display either
        opt.timeout = std::chrono::seconds(30);
        RunResult r = RunProgram({"bash", tree.file("scripts/run-app.sh")}, opt);
        EXPECT_EQ(r.exitCode, 1) << r.describe();
        EXPECT_NE(r.err.find("no display"), std::string::npos) << r.describe();
        EXPECT_NE(r.err.find("xvfb-run"), std::string::npos) << r.describe();
    }
    EXPECT_FALSE(std::filesystem::exists(tree.file("deps-ran")));
    EXPECT_FALSE(std::filesystem::exists(tree.file("build-ran")));
    // With a display it goes on to install and build.
    RunOptions opt;
    opt.env["DISPLAY"] = ":99";
    RunResult r = RunProgram({"bash", tree.file("scripts/run-app.sh")}, opt);
    EXPECT_TRUE(std::filesystem::exists(tree.file("deps-ran"))) << r.describe();
    EXPECT_TRUE(std::filesystem::exists(tree.file("build-ran"))) << r.describe();
}

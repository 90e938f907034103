// `cmake --install` into a fresh prefix: exactly the files a user's system should receive,
// and a desktop entry, metadata and icon that find each other there.
#include <gtest/gtest.h>

#include <filesystem>

#include "pkg_files.h"
#include "proc.h"
#include "support/TempDir.h"

using namespace wxh::pkgtest;
using wxh::test::ReadFile;
namespace fs = std::filesystem;

class Install : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        prefix_ = new wxh::test::TempDir;
        RunOptions opt;
        opt.timeout = std::chrono::seconds(300);
        result_ = new RunResult(
            RunProgram({EnvOr("WXH_CMAKE", "cmake"), "--install", BuildDir(), "--prefix", prefix_->str()}, opt));
    }
    static void TearDownTestSuite() {
        delete prefix_;
        delete result_;
    }
    void SetUp() override {
        has_ = WhatThisBuildHas();
        if (!has_.crow && !has_.gui) GTEST_SKIP() << "neither program is part of this build";
        ASSERT_EQ(result_->exitCode, 0) << "cmake --install failed: " << result_->describe();
    }
    std::string P(const std::string& rel) const { return prefix_->file(rel); }

    static wxh::test::TempDir* prefix_;
    static RunResult* result_;
    BuildHas has_;
};
wxh::test::TempDir* Install::prefix_ = nullptr;
RunResult* Install::result_ = nullptr;

TEST_F(Install, PutsExactlyTheProgramsAndTheirDesktopFiles) {
    // Nothing else: no libraries, headers or test programs of the build.
    EXPECT_EQ(FilesBelow(prefix_->str()), ExpectedInstallFiles(has_));
    for (const char* exe : {"bin/crow", "bin/wx-hollin", "libexec/wx-hollin/wxh-wmf-render"}) {
        if (!fs::exists(P(exe))) continue;
        auto perms = fs::status(P(exe)).permissions();
        EXPECT_NE(perms & fs::perms::others_exec, fs::perms::none) << exe << " must be executable by everyone";
    }
}

TEST_F(Install, ManPagesAreTheWrittenPagesCompressed) {
    for (const std::string page : {"crow.1", "wx-hollin.1"}) {
        std::string gz = P("share/man/man1/" + page + ".gz");
        if (!fs::exists(gz)) continue;
        RunResult r = RunProgram({"gzip", "-dc", gz});
        ASSERT_EQ(r.exitCode, 0) << r.describe();
        EXPECT_EQ(r.out, ReadFile(SourceDir() + "/packaging/" + page)) << page;
    }
}

TEST_F(Install, DesktopEntryMetadataAndIconFindEachOther) {
    if (!has_.gui) GTEST_SKIP() << "the window program is not part of this build";
    const std::string id = kAppId;
    auto keys = ReadDesktopEntry(P("share/applications/" + id + ".desktop"));
    const std::string program = keys["Exec"].substr(0, keys["Exec"].find(' '));
    EXPECT_TRUE(fs::exists(P("bin/" + program))) << "Exec=" << keys["Exec"] << " is not installed";
    EXPECT_TRUE(fs::exists(P("share/icons/hicolor/scalable/apps/" + keys["Icon"] + ".svg")))
        << "Icon=" << keys["Icon"] << " has no icon in the hicolor theme";
    std::string tool = FindProgram("appstreamcli");
    if (tool.empty()) {
        ADD_FAILURE() << "appstreamcli is missing: install appstream (scripts/deps.sh)";
        return;
    }
    // validate-tree checks the installed metadata together with the desktop entry it names.
    RunResult r = RunProgram({tool, "validate-tree", "--no-net", prefix_->str()});
    EXPECT_EQ(r.exitCode, 0) << r.describe();
}

// bash-completion's own loader finds crow's completion in the installation's data folder
// (as it does in /usr/share and /usr/local/share), when a user first presses Tab after "crow".
TEST_F(Install, BashCompletionLoadsCrowsCompletionFromIt) {
    if (!has_.crow) GTEST_SKIP() << "the crow tool is not part of this build";
    const std::string loader = "/usr/share/bash-completion/bash_completion";
    if (!fs::exists(loader)) {
        ADD_FAILURE() << "bash-completion is missing: install bash-completion (scripts/deps.sh)";
        return;
    }
    RunResult r = RunProgram({"bash", "-c",
                              "source \"$1\" && BASH_COMPLETION_USER_DIR=\"$2/share/bash-completion\" && "
                              "_completion_loader crow; complete -p crow && shopt -s extdebug && declare -F _crow",
                              "bash", loader, prefix_->str()});
    EXPECT_EQ(r.exitCode, 0) << r.describe();
    // "_crow LINE FILE": the function comes from the installed file.
    const std::string file = " " + P("share/bash-completion/completions/crow") + "\n";
    EXPECT_EQ(r.out.rfind("complete -F _crow crow\n_crow ", 0), 0u) << r.describe();
    EXPECT_TRUE(r.out.size() > file.size() && r.out.compare(r.out.size() - file.size(), file.size(), file) == 0)
        << r.describe();
}

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
    EXPECT_TRUE(fs::exists(P("bin/" + keys["Exec"]))) << "Exec=" << keys["Exec"] << " is not installed";
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

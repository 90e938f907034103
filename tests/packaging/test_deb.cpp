// The Debian package made by `cpack -G DEB`: its control fields (dependencies read off the
// real libraries), its contents, and the unpacked crow tool at work on a small folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <regex>
#include <sstream>

#include "pkg_files.h"
#include "proc.h"
#include "support/TempDir.h"

using namespace wxh::pkgtest;
using wxh::test::ReadFile;
using wxh::test::WriteFile;
namespace fs = std::filesystem;

namespace {

std::string FindDeb() {
    std::string dir = EnvOr("WXH_DEB_DIR");
    if (dir.empty() || !fs::is_directory(dir)) return {};
    for (const auto& e : fs::directory_iterator(dir)) {
        if (e.path().extension() == ".deb") return e.path().string();
    }
    return {};
}

std::string Field(const std::string& deb, const std::string& name) {
    RunResult r = RunProgram({"dpkg-deb", "-f", deb, name});
    std::string v = r.out;
    while (!v.empty() && v.back() == '\n') v.pop_back();
    return v;
}

// Package names of a Depends field ("libc6 (>= 2.34), libqt6core6 (>= 6.4)" -> libc6, libqt6core6).
std::set<std::string> PackageNames(const std::string& depends) {
    std::set<std::string> names;
    std::stringstream ss(depends);
    std::string item;
    while (std::getline(ss, item, ',')) {
        std::stringstream words(item);
        std::string name;
        words >> name;
        if (!name.empty()) names.insert(name);
    }
    return names;
}

}  // namespace

class Deb : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        deb_ = FindDeb();
        if (deb_.empty()) return;
        root_ = new wxh::test::TempDir;
        unpacked_ = RunProgram({"dpkg-deb", "-x", deb_, root_->str()}).exitCode == 0;
    }
    static void TearDownTestSuite() { delete root_; }
    void SetUp() override {
        has_ = WhatThisBuildHas();
        if (!has_.crow && !has_.gui) GTEST_SKIP() << "neither program is part of this build";
        ASSERT_FALSE(deb_.empty()) << "cpack made no .deb in " << EnvOr("WXH_DEB_DIR")
                                   << " (see the packaging.deb_build test)";
        ASSERT_TRUE(unpacked_) << "dpkg-deb -x failed on " << deb_;
    }
    std::string Root(const std::string& rel = {}) const { return root_->file(rel); }

    static std::string deb_;
    static wxh::test::TempDir* root_;
    static bool unpacked_;
    BuildHas has_;
};
std::string Deb::deb_;
wxh::test::TempDir* Deb::root_ = nullptr;
bool Deb::unpacked_ = false;

TEST_F(Deb, ControlFieldsNameThePackageAndItsRealDependencies) {
    EXPECT_EQ(Field(deb_, "Package"), "wx-hollin");
    EXPECT_EQ(Field(deb_, "Version"), Version() + "-1");
    EXPECT_EQ(Field(deb_, "Architecture"), Lines(RunProgram({"dpkg", "--print-architecture"}).out).at(0));
    EXPECT_FALSE(Field(deb_, "Maintainer").empty());
    // Synopsis line, then the long description with each line indented by one blank.
    auto desc = Lines(Field(deb_, "Description"));
    ASSERT_GE(desc.size(), 2u);
    for (size_t i = 1; i < desc.size(); ++i) {
        EXPECT_TRUE(desc[i].size() > 1 && desc[i][0] == ' ' && desc[i][1] != ' ') << "line " << i << ": " << desc[i];
        EXPECT_NE(desc[i].substr(1), desc[0]) << "the synopsis is repeated";
    }

    auto deps = PackageNames(Field(deb_, "Depends"));
    // Read off the binaries by dpkg-shlibdeps: every program needs the C and C++ runtimes.
    EXPECT_TRUE(deps.count("libc6")) << Field(deb_, "Depends");
    EXPECT_TRUE(deps.count("libstdc++6")) << Field(deb_, "Depends");
    // crow mount: the FUSE library, and fusermount3 to mount with (none without FUSE).
    const bool mount = has_.crow && !std::getenv("WXH_NO_FUSE");
    for (const char* p : {"libfuse3-3", "fuse3"}) EXPECT_EQ(deps.count(p), mount ? 1u : 0u) << p << " in Depends";
    // The password check: libmagic, its database and the extension table it is judged by.
    for (const char* p : {"libmagic1", "libmagic-mgc", "media-types"}) EXPECT_TRUE(deps.count(p)) << p << " missing from Depends";
    if (has_.gui) {
        // xdg-open shows a released folder: without it a release would end with no sign.
        for (const char* p : {"libqt6widgets6", "libqt6gui6", "libqt6core6", "libqt6svg6", "fonts-ipafont-gothic",
                              "qt6-translations-l10n", "xdg-utils"}) {
            EXPECT_TRUE(deps.count(p)) << p << " missing from Depends: " << Field(deb_, "Depends");
        }
    }
    // Build tools must never become run-time dependencies.
    for (const char* p : {"cmake", "qt6-base-dev", "libgtest-dev", "g++"}) EXPECT_FALSE(deps.count(p)) << p;
}

// apt resolves every dependency of the package on this Debian system, as
// `apt install ./wx-hollin_*.deb` would on it without the package: simulated against a copy
// of dpkg's status from which an installed wx-hollin is taken out, so the answer is the same
// whether or not the package is installed here.
TEST_F(Deb, AptCanInstallItWithItsDependencies) {
    std::string apt = FindProgram("apt-get");
    if (apt.empty()) GTEST_SKIP() << "apt-get is not available";
    std::string status = ReadFile("/var/lib/dpkg/status");
    ASSERT_FALSE(status.empty()) << "dpkg's status cannot be read";
    std::string without;
    std::stringstream stanzas(status);
    for (std::string stanza, line; std::getline(stanzas, line);) {
        stanza += line + "\n";
        if (!line.empty() && stanzas.peek() != EOF) continue;
        if (stanza.rfind("Package: wx-hollin\n", 0) != 0) without += stanza;
        stanza.clear();
    }
    EXPECT_EQ(without.find("Package: wx-hollin\n"), std::string::npos);
    wxh::test::TempDir state;
    WriteFile(state.file("status"), without);
    RunResult r = RunProgram({apt, "install", "-s", "--no-install-recommends", "-o",
                              "Dir::State::status=" + state.file("status"), fs::absolute(deb_).string()});
    EXPECT_EQ(r.exitCode, 0) << r.describe();
    EXPECT_NE(r.out.find("Inst wx-hollin "), std::string::npos) << r.describe();
}

// Debian's own checker: no errors or warnings, and none of its notes about hardening or
// leftovers in the programs.
TEST_F(Deb, LintianFindsNothingToComplainAbout) {
    std::string lintian = FindProgram("lintian");
    if (lintian.empty()) {
        ADD_FAILURE() << "lintian is missing: install lintian (scripts/deps.sh)";
        return;
    }
    RunOptions opt;
    opt.timeout = std::chrono::seconds(600);
    RunResult r = RunProgram({lintian, "--display-info", "--tag-display-limit", "0", deb_}, opt);
    std::cout << "lintian " << deb_ << ":\n" << r.out << r.err;
    EXPECT_FALSE(r.timedOut) << r.describe();
    for (const auto& line : Lines(r.out)) {
        EXPECT_FALSE(line.rfind("E: ", 0) == 0 || line.rfind("W: ", 0) == 0) << line;
        for (const char* tag : {"hardening-", "binary-has-unneeded-section", "no-copyright-file", "changelog"}) {
            EXPECT_EQ(line.find(tag), std::string::npos) << line;
        }
    }
}

TEST_F(Deb, HoldsTheInstallationBelowUsrOwnedByRoot) {
    std::set<std::string> expected;
    for (const auto& f : ExpectedInstallFiles(has_)) expected.insert("usr/" + f);
    // Only a system installation carries lintian's overrides.
    expected.insert("usr/share/lintian/overrides/wx-hollin");
    EXPECT_EQ(FilesBelow(Root()), expected);

    RunResult listing = RunProgram({"dpkg-deb", "-c", deb_});
    ASSERT_EQ(listing.exitCode, 0) << listing.describe();
    for (const auto& line : Lines(listing.out)) {
        std::stringstream ss(line);
        std::string mode, owner, size, date, time, path;
        ss >> mode >> owner >> size >> date >> time >> path;
        EXPECT_EQ(owner, "root/root") << line;
        EXPECT_EQ(path.rfind("./usr", 0), 0u) << line;
        if (path == "./usr/bin/crow" || path == "./usr/bin/wx-hollin" || path == "./usr/libexec/wx-hollin/wxh-wmf-render" ||
            path == "./usr/libexec/thunar-archive-plugin/org.wxhollin.wxhollin.tap") {
            EXPECT_EQ(mode, "-rwxr-xr-x") << line;
        } else if (mode[0] == '-') {
            EXPECT_EQ(mode, "-rw-r--r--") << line;
        }
    }
}

TEST_F(Deb, ProgramsAreStrippedHardenedAndDoNotPointIntoTheBuildTree) {
    for (const char* exe : {"usr/bin/crow", "usr/bin/wx-hollin", "usr/libexec/wx-hollin/wxh-wmf-render"}) {
        if (!fs::exists(Root(exe))) continue;
        SCOPED_TRACE(exe);
        RunResult dyn = RunProgram({"readelf", "-d", Root(exe)});
        ASSERT_EQ(dyn.exitCode, 0) << dyn.describe();
        EXPECT_EQ(dyn.out.find("RPATH"), std::string::npos) << dyn.out;
        EXPECT_EQ(dyn.out.find("RUNPATH"), std::string::npos) << dyn.out;
        RunResult sec = RunProgram({"readelf", "-S", Root(exe)});
        EXPECT_EQ(sec.out.find(".symtab"), std::string::npos) << "not stripped";
        EXPECT_EQ(sec.out.find(".comment"), std::string::npos) << "the compiler's identification is left in";
        // Position-independent, relocations read-only and bound at start.
        EXPECT_NE(dyn.out.find("PIE"), std::string::npos) << dyn.out;
        EXPECT_NE(dyn.out.find("BIND_NOW"), std::string::npos) << dyn.out;
        RunResult seg = RunProgram({"readelf", "-lW", Root(exe)});
        EXPECT_NE(seg.out.find("GNU_RELRO"), std::string::npos) << seg.out;
        // Stack protector and fortified libc calls.
        RunResult syms = RunProgram({"readelf", "--dyn-syms", "-W", Root(exe)});
        EXPECT_NE(syms.out.find("__stack_chk_fail"), std::string::npos);
        EXPECT_TRUE(std::regex_search(syms.out, std::regex(R"(__(?!stack_)\w+_chk@)"))) << "no fortified calls";
    }
}

// bash-completion's system folder, where the package puts crow's completion.
TEST_F(Deb, PutsTheCompletionWhereBashCompletionLooks) {
    if (!has_.crow) GTEST_SKIP() << "the crow tool is not part of this build";
    RunResult dir = RunProgram({"pkg-config", "--variable=completionsdir", "bash-completion"});
    if (dir.exitCode != 0) GTEST_SKIP() << "bash-completion is not installed: " << dir.describe();
    std::string where = Lines(dir.out).at(0);
    EXPECT_TRUE(fs::exists(Root(where.substr(1) + "/crow"))) << where;
}

class DebCrow : public Deb {
protected:
    void SetUp() override {
        Deb::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (!has_.crow) GTEST_SKIP() << "the crow tool is not part of this build";
        crow_ = Root("usr/bin/crow");
        // A small folder: text, binary bytes and a Japanese name (a Crow file cannot hold an
        // empty file).
        fs::create_directory(work_.file("in"));
        WriteFile(work_.file("in/readme.txt"), "W.X.Hollin\r\n");
        WriteFile(work_.file("in/noise.bin"), wxh::test::PatternBytes(70001, 9));
        WriteFile(work_.file("in/写真.jpg"), wxh::test::PatternBytes(4097, 3));
    }
    RunResult Crow(std::vector<std::string> args, std::optional<std::string> input = std::nullopt) {
        args.insert(args.begin(), crow_);
        RunOptions opt;
        opt.stdinData = std::move(input);
        opt.env["LANG"] = "C.UTF-8";
        return RunProgram(args, opt);
    }
    void ExpectSameFolder(const std::string& out) {
        EXPECT_EQ(FilesBelow(out), FilesBelow(work_.file("in")));
        for (const auto& f : FilesBelow(work_.file("in"))) {
            EXPECT_EQ(ReadFile(out + "/" + f), ReadFile(work_.file("in/" + f))) << f;
        }
    }
    std::string crow_;
    wxh::test::TempDir work_;
};

TEST_F(DebCrow, ReportsTheProjectVersion) {
    RunResult r = Crow({"--version"});
    EXPECT_EQ(r.exitCode, 0) << r.describe();
    EXPECT_NE(r.out.find(Version()), std::string::npos) << r.out;
}

TEST_F(DebCrow, PacksAndReleasesASmallFolder) {
    std::string bmp = work_.file("in.bmp");
    RunResult pack = Crow({"pack", "--quiet", work_.file("in"), bmp});
    ASSERT_EQ(pack.exitCode, 0) << pack.describe();
    EXPECT_EQ(ReadFile(bmp).substr(0, 2), "BM") << "a Crow file is a bitmap";

    RunResult info = Crow({"info", bmp});
    ASSERT_EQ(info.exitCode, 0) << info.describe();
    auto lines = Lines(info.out);
    ASSERT_GE(lines.size(), 4u) << info.out;
    EXPECT_EQ(lines[0], "generation: 2");
    EXPECT_EQ(lines[1], "password: no");
    EXPECT_EQ(lines[2], "files: 3");
    EXPECT_EQ(lines[3], "size: " + std::to_string(fs::file_size(bmp)));

    RunResult rel = Crow({"release", "--quiet", bmp, work_.file("out")});
    ASSERT_EQ(rel.exitCode, 0) << rel.describe();
    ExpectSameFolder(work_.file("out"));
}

TEST_F(DebCrow, ProtectedFileNeedsItsPassword) {
    std::string bmp = work_.file("locked.bmp");
    RunResult pack = Crow({"pack", "--quiet", "--format", "3", "--password-stdin", work_.file("in"), bmp},
                          std::string("kuro\n"));
    ASSERT_EQ(pack.exitCode, 0) << pack.describe();

    RunResult without = Crow({"release", "--quiet", bmp, work_.file("no")});
    EXPECT_EQ(without.exitCode, 1) << without.describe();
    EXPECT_FALSE(without.err.empty()) << "the failure must be explained";
    EXPECT_TRUE(!fs::exists(work_.file("no")) || fs::is_empty(work_.file("no")))
        << "nothing may be released without the password";

    RunResult with = Crow({"release", "--quiet", "--password-stdin", bmp, work_.file("out")}, std::string("kuro\n"));
    ASSERT_EQ(with.exitCode, 0) << with.describe();
    ExpectSameFolder(work_.file("out"));
}

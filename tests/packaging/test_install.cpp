// `cmake --install` into a fresh prefix: exactly the files a user's system should receive,
// and a desktop entry, metadata and icon that find each other there.
#include <gtest/gtest.h>

#include <filesystem>

#include "pkg_files.h"
#include "proc.h"
#include "support/TempDir.h"

using namespace wxh::pkgtest;
using wxh::test::ReadFile;
using wxh::test::WriteFile;
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
    for (const char* exe : {"bin/crow", "bin/wx-hollin", "libexec/wx-hollin/wxh-wmf-render",
                            "libexec/thunar-archive-plugin/org.wxhollin.wxhollin.tap"}) {
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

namespace {

// A bitmap of the 54 header bytes followed by `body`: a Crow file when body starts with a
// Crow magic, a plain 24-bit picture otherwise.
std::string Bitmap(const std::string& body) {
    std::string h(54, '\0');
    auto le32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) h[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    h[0] = 'B', h[1] = 'M';
    le32(2, uint32_t(54 + body.size()));
    le32(10, 54);
    le32(14, 40);
    le32(18, 2), le32(22, 2);
    h[26] = 1, h[28] = 24;
    return h + body;
}

// A desktop that knows only shared-mime-info's own types, the installed Crow type and the
// given applications: a private data folder, nothing of this machine's or this user's.
class PrivateDesktop {
public:
    explicit PrivateDesktop(const std::string& prefix) {
        gio_ = FindProgram("gio");
        const std::string update = FindProgram("update-mime-database"), apps = FindProgram("update-desktop-database");
        const std::string own = "/usr/share/mime/packages/freedesktop.org.xml";
        if (gio_.empty() || update.empty() || apps.empty() || !fs::exists(own)) {
            ADD_FAILURE() << "install shared-mime-info, libglib2.0-bin and desktop-file-utils (scripts/deps.sh --tests)";
            return;
        }
        fs::create_directories(data_.file("share/mime/packages"));
        fs::create_directories(data_.file("share/applications"));
        fs::create_directories(data_.file("bin"));
        fs::copy_file(own, data_.file("share/mime/packages/freedesktop.org.xml"));
        fs::copy_file(prefix + "/share/mime/packages/wx-hollin.xml", data_.file("share/mime/packages/wx-hollin.xml"));
        opt.env["XDG_DATA_DIRS"] = data_.file("share");
        opt.env["XDG_DATA_HOME"] = data_.file("home");
        opt.env["XDG_CONFIG_HOME"] = data_.file("config");
        opt.env["XDG_CONFIG_DIRS"] = data_.file("config-dirs");
        opt.env["XDG_CURRENT_DESKTOP"] = std::nullopt;
        opt.env["GIO_USE_VFS"] = "local";
        opt.env["LANG"] = "C.UTF-8";
        opt.env["LC_ALL"] = std::nullopt;
        opt.env["LANGUAGE"] = std::nullopt;
        // Each application's program exists (TryExec) and does nothing.
        opt.env["PATH"] = data_.file("bin") + ":/usr/bin:/bin";
        RunResult built = RunProgram({update, data_.file("share/mime")}, opt);
        EXPECT_EQ(built.exitCode, 0) << built.describe();
        EXPECT_EQ(built.err, "") << "the type's XML must be clean";
        ok_ = built.exitCode == 0;
    }
    bool ok() const { return ok_; }
    void AddApplication(const std::string& desktopFile, const std::string& program) {
        fs::copy_file(desktopFile, data_.file("share/applications/" + fs::path(desktopFile).filename().string()));
        WriteFile(data_.file("bin/" + program), "#!/bin/sh\n");
        fs::permissions(data_.file("bin/" + program), fs::perms::owner_all);
        RunResult r = RunProgram({FindProgram("update-desktop-database"), data_.file("share/applications")}, opt);
        EXPECT_EQ(r.exitCode, 0) << r.describe();
    }
    RunResult Gio(const std::vector<std::string>& args) {
        std::vector<std::string> argv = args;
        argv.insert(argv.begin(), gio_);
        return RunProgram(argv, opt);
    }
    std::string File(const std::string& name) const { return data_.file(name); }
    RunOptions opt;

private:
    wxh::test::TempDir data_;
    std::string gio_;
    bool ok_ = false;
};

// The desktop id `gio mime TYPE` names as the type's default, or empty when there is none.
std::string DefaultApp(const std::string& gioMime) {
    const std::string first = Lines(gioMime).empty() ? std::string() : Lines(gioMime)[0];
    if (first.rfind("Default application for ", 0) != 0) return {};
    return first.substr(first.rfind(": ") + 2);
}

}  // namespace

// What the desktop says a file is: the contents decide, whatever the name.
TEST_F(Install, CrowFilesAreTheirOwnTypeAndPlainBitmapsStayBitmaps) {
    if (!has_.gui) GTEST_SKIP() << "the window program is not part of this build";
    PrivateDesktop desktop(prefix_->str());
    if (!desktop.ok()) return;
    wxh::test::TempDir files;
    const std::string pixels(12, '\x7F');   // 2 x 2 pixels, rows padded to 4 bytes
    std::vector<std::pair<std::string, std::string>> cases;   // file name, expected type
    for (const std::string magic : {"CRW1", "CRW2", "CRW3"}) {
        const std::string crow = Bitmap(magic + std::string(4, '\0') + "A.TXT" + std::string(40, '\x11'));
        for (const std::string ext : {".bmp", ".BMP", ".dat", ""}) {
            WriteFile(files.file(magic + ext), crow);
            cases.emplace_back(magic + ext, "application/x-crow");
        }
    }
    for (const std::string ext : {".bmp", ".dat"}) {
        WriteFile(files.file("plain" + ext), Bitmap(pixels));
        cases.emplace_back("plain" + ext, "image/bmp");
    }
    // "CRW" somewhere else, or a Crow magic behind something that is not a bitmap.
    WriteFile(files.file("late.bmp"), Bitmap("xCRW2" + pixels));
    cases.emplace_back("late.bmp", "image/bmp");
    WriteFile(files.file("notbmp.bmp"), "XX" + Bitmap("CRW2" + pixels).substr(2));
    cases.emplace_back("notbmp.bmp", "image/bmp");   // the name alone
    // Files as the program writes them.
    if (has_.crow) {
        fs::create_directory(files.file("in"));
        WriteFile(files.file("in/a.txt"), "hello");
        for (const std::string format : {"2", "3"}) {
            const std::string out = files.file("packed" + format + ".bmp");
            RunResult r = RunProgram({EnvOr("WXH_CROW"), "pack", "--quiet", "--format", format, files.file("in"), out});
            ASSERT_EQ(r.exitCode, 0) << r.describe();
            cases.emplace_back("packed" + format + ".bmp", "application/x-crow");
        }
    }
    for (const auto& [name, type] : cases) {
        RunResult r = desktop.Gio({"info", "-a", "standard::content-type", files.file(name)});
        ASSERT_EQ(r.exitCode, 0) << r.describe();
        EXPECT_NE(r.out.find("standard::content-type: " + type + "\n"), std::string::npos) << name << ": " << r.out;
    }
}

// The program opens Crow files by default, and plain bitmaps only when asked: their default
// stays with the user's viewer, or with nothing when there is none, and the viewer is still
// offered for Crow files, which are bitmaps too.
TEST_F(Install, IsTheDefaultForCrowFilesOnlyNeverForPlainBitmaps) {
    if (!has_.gui) GTEST_SKIP() << "the window program is not part of this build";
    PrivateDesktop desktop(prefix_->str());
    if (!desktop.ok()) return;
    desktop.AddApplication(P("share/applications/" + std::string(kAppId) + ".desktop"), "wx-hollin");
    const std::string ours = std::string(kAppId) + ".desktop";
    RunResult bmp = desktop.Gio({"mime", "image/bmp"});
    EXPECT_EQ(DefaultApp(bmp.out), "") << bmp.describe();
    EXPECT_EQ(bmp.out.find(ours), std::string::npos) << bmp.describe();
    RunResult crow = desktop.Gio({"mime", "application/x-crow"});
    EXPECT_EQ(DefaultApp(crow.out), ours) << crow.describe();

    WriteFile(desktop.File("viewer.desktop"),
              "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer %f\nTryExec=viewer\nMimeType=image/bmp;\n");
    desktop.AddApplication(desktop.File("viewer.desktop"), "viewer");
    bmp = desktop.Gio({"mime", "image/bmp"});
    EXPECT_EQ(DefaultApp(bmp.out), "viewer.desktop") << bmp.describe();
    EXPECT_EQ(bmp.out.find(ours), std::string::npos) << bmp.describe();
    crow = desktop.Gio({"mime", "application/x-crow"});
    EXPECT_EQ(DefaultApp(crow.out), ours) << crow.describe();
    EXPECT_NE(crow.out.find("\tviewer.desktop\n"), std::string::npos) << "a Crow file is a bitmap: " << crow.describe();
}

// The menu entries each file manager reads: the right types, the two commands of the window
// program, and names (and tooltips where the format has them) in English and Japanese.
TEST_F(Install, FileManagerMenusPackFoldersAndReleaseCrowFiles) {
    if (!has_.gui) GTEST_SKIP() << "the window program is not part of this build";
    const std::string id = kAppId;
    struct Menu {
        std::string file, group, profile;   // profile: the group holding Exec and the types
        std::string typesKey, tipKey, iconKey;
    };
    const Menu formats[] = {
        {"share/file-manager/actions/" + id + "-%.desktop", "Desktop Entry", "X-Action-Profile ", "MimeTypes", "Tooltip", "Icon"},
        {"share/kio/servicemenus/" + id + "-%.desktop", "Desktop Entry", "Desktop Action ", "MimeType", "", "Icon"},
        {"share/nemo/actions/" + id + "-%.nemo_action", "Nemo Action", "", "Mimetypes", "Comment", "Icon-Name"},
    };
    struct What {
        std::string word, types, exec, name, nameJa;
    };
    const What whats[] = {
        {"pack", "inode/directory;", "wx-hollin --pack %f", "Pack into a Crow file", "Crowファイルにまとめる"},
        {"release", "application/x-crow;", "wx-hollin --release %F", "Release here", "ここにレリーズ"},
    };
    for (const Menu& m : formats) {
        for (const What& w : whats) {
            std::string file = m.file;
            file.replace(file.find('%'), 1, w.word);
            SCOPED_TRACE(file);
            ASSERT_TRUE(fs::exists(P(file)));
            auto head = ReadIniGroup(P(file), m.group);
            // Dolphin's actions and the file-manager actions keep what runs in a group of its own.
            std::string inner = m.group;
            if (!m.profile.empty()) {
                const std::string list = head[m.profile[0] == 'X' ? "Profiles" : "Actions"];
                inner = m.profile + list.substr(0, list.find(';'));
            }
            auto run = ReadIniGroup(P(file), inner);
            auto& names = m.profile[0] == 'D' ? run : head;
            EXPECT_EQ(names["Name"], w.name);
            EXPECT_EQ(names["Name[ja]"], w.nameJa);
            if (!m.tipKey.empty()) {
                EXPECT_FALSE(head[m.tipKey].empty());
                EXPECT_FALSE(head[m.tipKey + "[ja]"].empty());
            }
            EXPECT_EQ(names[m.iconKey], id);
            EXPECT_EQ((m.profile[0] == 'X' ? run : head)[m.typesKey], w.types);
            // Nemo's %f is the file's display name: its paths are always %F.
            std::string exec = w.exec;
            if (m.group == "Nemo Action") exec.replace(exec.size() - 2, 2, "%F");
            EXPECT_EQ(run["Exec"], exec);
        }
    }
}

// Thunar's archive plugin: "Create archive" on one folder packs it, "Extract here" and
// "Extract to" release every selected file, anything else is refused. Run here with a
// window program that only writes down how it was started.
TEST_F(Install, ThunarScriptPacksOneFolderAndReleasesEverySelectedFile) {
    if (!has_.gui) GTEST_SKIP() << "the window program is not part of this build";
    wxh::test::TempDir tmp;
    fs::create_directories(tmp.file("bin"));
    fs::create_directories(tmp.file("my folder"));
    WriteFile(tmp.file("bin/wx-hollin"), "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done\necho\n");
    fs::permissions(tmp.file("bin/wx-hollin"), fs::perms::owner_all);
    const std::string tap = P("libexec/thunar-archive-plugin/" + std::string(kAppId) + ".tap");
    RunOptions opt;
    opt.env["PATH"] = tmp.file("bin") + ":/usr/bin:/bin";
    struct Case {
        std::vector<std::string> args;
        int exit;
        std::string out;
    };
    const std::string dir = tmp.str(), folder = tmp.file("my folder");
    const Case cases[] = {
        {{"create", dir, folder}, 0, "[--pack][" + folder + "]\n"},
        {{"create", dir, folder, folder}, 1, ""},
        {{"create", dir, tmp.file("a b.bmp")}, 1, ""},   // not a folder
        {{"extract-here", dir, "a b.bmp", "c.bmp"}, 0, "[--release][a b.bmp][c.bmp]\n"},
        {{"extract-to", dir, "a b.bmp"}, 0, "[--release][a b.bmp]\n"},
        {{"extract-here", dir}, 1, ""},
        {{"list", dir, "c.bmp"}, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " with " + std::to_string(c.args.size() - 2) + " files");
        std::vector<std::string> argv = c.args;
        argv.insert(argv.begin(), tap);
        RunResult r = RunProgram(argv, opt);
        EXPECT_EQ(r.exitCode, c.exit) << r.describe();
        EXPECT_EQ(r.out, c.out) << r.describe();
        if (c.exit != 0) { EXPECT_FALSE(r.err.empty()) << "a refusal must say why"; }
    }
}

// The window program on a real X server, started and closed the way a user does it: the
// window appears with its caption, the window manager's close request ends the program, and
// the five-line settings file is left where the program keeps it.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>
#include <unistd.h>

#include "pkg_files.h"
#include "proc.h"
#include "support/TempDir.h"
#include "xwin.h"

using namespace wxh::pkgtest;
using wxh::test::ReadFile;
using wxh::test::WriteFile;
namespace fs = std::filesystem;

namespace {

const std::string kTitlePrefix = "W.X.Hollin    ファイルの解凍先> ";
const std::string kIniHeading = "WX_HOLLIN Ver 1.0　設定ファイル";

std::string FiveLines(const std::string& release, const std::string& start) {
    return kIniHeading + "\r\n" + release + "\r\n" + start + "\r\n1\r\n0\r\n";
}

// Every WX_HOLLIN.ini below a folder.
std::vector<std::string> IniFilesBelow(const std::string& root) {
    std::vector<std::string> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->path().filename() == "WX_HOLLIN.ini") found.push_back(it->path().string());
    }
    return found;
}

}  // namespace

class DesktopSmoke : public ::testing::Test {
protected:
    void SetUp() override {
        gui_ = EnvOr("WXH_GUI");
        if (gui_.empty()) GTEST_SKIP() << "the window program is not part of this build";
        std::string why;
        x_ = XServer::Start(why);
        if (!x_) GTEST_SKIP() << "no X server can start here, so the desktop smoke test cannot run: " << why;
        // Folders another user (see RunAsUser) can reach.
        fs::permissions(tmp_.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                         fs::perms::others_read | fs::perms::others_exec);
        home_ = tmp_.file("home");
        runtime_ = tmp_.file("run");
        fs::create_directory(home_);
        fs::create_directory(runtime_);
        fs::permissions(runtime_, fs::perms::owner_all);
        home_ = fs::canonical(home_).string();
    }

    // Runs the program until its main window shows, checks the caption, closes it with the
    // window manager's request and waits for the program to end.
    void StartAndClose(const std::string& exe, const std::string& expectedReleaseFolder, bool asOtherUser,
                       const std::function<void()>& whileOpen = {}) {
        RunOptions opt;
        opt.env["DISPLAY"] = x_->display();
        opt.env["QT_QPA_PLATFORM"] = "xcb";
        opt.env["HOME"] = home_;
        opt.env["XDG_RUNTIME_DIR"] = runtime_;
        opt.env["LANG"] = "C.UTF-8";
        for (const char* unset : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "LC_ALL", "WAYLAND_DISPLAY"}) {
            opt.env[unset] = std::nullopt;
        }
        opt.cwd = home_;
        if (asOtherUser) opt.prefix = OtherUser();
        Child app({exe}, opt, "wxh-smoke");

        XClient x(x_->display());
        ASSERT_TRUE(x.ok());
        std::optional<TopWindow> win;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!win && std::chrono::steady_clock::now() < deadline && !app.Poll()) {
            win = x.FindByTitlePrefix(kTitlePrefix);
            if (!win) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ASSERT_TRUE(win) << "no window titled \"" << kTitlePrefix << "...\" appeared"
                         << (app.Poll() ? "; the program ended with " + std::to_string(app.exitCode()) : "")
                         << "\n--- stderr ---\n" << app.err();
        EXPECT_EQ(win->title, kTitlePrefix + expectedReleaseFolder);
        // Desktops tie the window to its launcher through StartupWMClass.
        auto desktop = ReadDesktopEntry(SourceDir() + "/packaging/" + kAppId + ".desktop");
        EXPECT_EQ(x.WmClass(win->id).second, desktop["StartupWMClass"])
            << "instance name " << x.WmClass(win->id).first;
        EXPECT_TRUE(x.SupportsDeleteWindow(win->id)) << "the window must take the window manager's close request";

        if (whileOpen) whileOpen();
        x.SendDeleteWindow(win->id);
        ASSERT_TRUE(app.Wait(std::chrono::seconds(30)))
            << "the program did not end after the close request\n--- stderr ---\n" << app.err();
        EXPECT_EQ(app.exitCode(), 0) << app.err();
    }

    // As root every folder is writable, so the installed case runs as the unprivileged user
    // "nobody", like a user who does not own /usr/bin.
    std::vector<std::string> OtherUser() {
        if (geteuid() != 0) return {};
        for (const auto& p : {home_, runtime_}) {
            if (chown(p.c_str(), 65534, 65534) != 0) ADD_FAILURE() << "chown " << p;
        }
        return {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    }

    std::string gui_, home_, runtime_;
    wxh::test::TempDir tmp_;
    std::unique_ptr<XServer> x_;
};

// Built and run from a folder of its own, as from the build tree: that folder is writable,
// so it is the release folder, the start folder and the home of the settings file.
TEST_F(DesktopSmoke, FromAWritableFolderKeepsItsSettingsBesideTheProgram) {
    fs::create_directory(tmp_.file("app"));
    std::string exe = tmp_.file("app/wx-hollin");
    fs::copy_file(gui_, exe);
    std::string appDir = fs::canonical(tmp_.file("app")).string();

    // The file is written when the window closes, not before.
    StartAndClose(exe, appDir, false,
                  [&] { EXPECT_FALSE(fs::exists(appDir + "/WX_HOLLIN.ini")) << "written while the window is open"; });
    if (HasFatalFailure()) return;
    ASSERT_TRUE(fs::exists(appDir + "/WX_HOLLIN.ini")) << "no settings file beside the program";
    EXPECT_EQ(ReadFile(appDir + "/WX_HOLLIN.ini"), FiveLines(appDir, appDir));
    EXPECT_TRUE(IniFilesBelow(home_).empty()) << "settings written into the home folder as well";
}

// Installed from the package with its bin/ not writable: the first run starts in the home
// folder, the settings go to the user's configuration folder, and the next run reads them.
TEST_F(DesktopSmoke, InstalledKeepsItsSettingsInTheUsersConfigurationFolder) {
    std::string deb;
    if (fs::is_directory(EnvOr("WXH_DEB_DIR"))) {
        for (const auto& e : fs::directory_iterator(EnvOr("WXH_DEB_DIR"))) {
            if (e.path().extension() == ".deb") deb = e.path().string();
        }
    }
    ASSERT_FALSE(deb.empty()) << "no package to install (see the packaging.deb_build test)";
    std::string root = tmp_.file("root");
    RunResult x = RunProgram({"dpkg-deb", "-x", deb, root});
    ASSERT_EQ(x.exitCode, 0) << x.describe();
    fs::permissions(root + "/usr/bin", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    std::string exe = root + "/usr/bin/wx-hollin";

    StartAndClose(exe, home_, true);
    if (HasFatalFailure()) return;
    EXPECT_TRUE(IniFilesBelow(root).empty()) << "settings written into the installation";
    // Where the manual page (wx-hollin.1, FILES) tells users to look.
    const std::string ini = home_ + "/.config/WXHollin/wx-hollin/WX_HOLLIN.ini";
    EXPECT_EQ(IniFilesBelow(home_), std::vector<std::string>{ini});
    ASSERT_TRUE(fs::exists(ini));
    EXPECT_EQ(ReadFile(ini), FiveLines(home_, home_));

    // The second run takes its release folder from that file.
    std::string releases = home_ + "/releases";
    WriteFile(ini, FiveLines(releases, home_));
    StartAndClose(exe, releases, true);
    if (HasFatalFailure()) return;
    EXPECT_EQ(ReadFile(ini), FiveLines(releases, home_));
}

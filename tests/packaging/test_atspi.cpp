// The main window as a screen reader sees it, through AT-SPI on a real X server: a private
// session bus, the accessibility bus it starts, and a walk over the program's tree
// (tests/packaging/atspi_walk.py). Skips where those are not installed.
#include <gtest/gtest.h>

#include <filesystem>

#include "pkg_files.h"
#include "proc.h"
#include "support/TempDir.h"
#include "xwin.h"

using namespace wxh::pkgtest;
namespace fs = std::filesystem;

TEST(AtSpi, EveryFocusableControlOfTheMainWindowHasAName) {
    const std::string gui = EnvOr("WXH_GUI");
    if (gui.empty()) GTEST_SKIP() << "the window program is not part of this build";
    const std::string session = FindProgram("dbus-run-session");
    if (session.empty()) GTEST_SKIP() << "dbus-run-session is not installed (package dbus)";
    if (!fs::exists("/usr/libexec/at-spi-bus-launcher")) GTEST_SKIP() << "at-spi2-core is not installed";
    if (RunProgram({"/usr/bin/python3", "-c", "import pyatspi"}).exitCode != 0)
        GTEST_SKIP() << "python3-pyatspi is not installed";
    std::string why;
    std::unique_ptr<XServer> x = XServer::Start(why);
    if (!x) GTEST_SKIP() << "no X server can start here: " << why;

    // A folder of its own, so that its settings file lands there and not beside the build.
    wxh::test::TempDir tmp;
    fs::create_directories(tmp.file("app"));
    fs::create_directories(tmp.file("run"));
    fs::permissions(tmp.file("run"), fs::perms::owner_all);
    fs::copy_file(gui, tmp.file("app/wx-hollin"));
    fs::permissions(tmp.file("app/wx-hollin"), fs::perms::owner_all);

    RunOptions opt;
    opt.env["DISPLAY"] = x->display();
    opt.env["QT_QPA_PLATFORM"] = "xcb";
    opt.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1";
    opt.env["HOME"] = tmp.str();
    opt.env["XDG_RUNTIME_DIR"] = tmp.file("run");
    opt.env["LANGUAGE"] = "en";
    opt.env["LANG"] = "C.UTF-8";
    for (const char* unset : {"LC_ALL", "LC_MESSAGES", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS"})
        opt.env[unset] = std::nullopt;
    opt.cwd = tmp.str();
    opt.timeout = std::chrono::seconds(180);
    const RunResult r = RunProgram({session, "--", "/usr/bin/python3", SourceDir() + "/tests/packaging/atspi_walk.py",
                                    tmp.file("app/wx-hollin")},
                                   opt);
    if (r.exitCode == 77) GTEST_SKIP() << "AT-SPI cannot be reached here: " << r.describe();
    EXPECT_EQ(r.exitCode, 0) << r.describe();
    EXPECT_NE(r.out.find("ok: "), std::string::npos) << r.describe();
}

// The desktop entry, the AppStream metadata, the manual pages and the icon, as the desktop's
// own validators and renderers see them.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "pkg_files.h"
#include "proc.h"
#include "support/TempDir.h"

using namespace wxh::pkgtest;
using wxh::test::ReadFile;

namespace {

std::string Pkg(const std::string& name) { return SourceDir() + "/packaging/" + name; }
std::string DesktopFile() { return Pkg(std::string(kAppId) + ".desktop"); }
std::string MetainfoFile() { return Pkg(std::string(kAppId) + ".metainfo.xml"); }

std::string Require(const std::string& tool, const std::string& package) {
    std::string path = FindProgram(tool);
    if (path.empty()) ADD_FAILURE() << tool << " is missing: install " << package << " (scripts/deps.sh)";
    return path;
}

// Text between <tag ...> and </tag> for each occurrence (no nesting needed here).
std::vector<std::string> Elements(const std::string& xml, const std::string& tag) {
    std::vector<std::string> out;
    std::regex re("<" + tag + R"((\s[^>]*)?>([^<]*)</)" + tag + ">");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), re); it != std::sregex_iterator(); ++it) {
        out.push_back((*it)[2]);
    }
    return out;
}

}  // namespace

TEST(DesktopEntry, PassesDesktopFileValidate) {
    std::string tool = Require("desktop-file-validate", "desktop-file-utils");
    if (tool.empty()) return;
    RunResult r = RunProgram({tool, DesktopFile()});
    EXPECT_EQ(r.exitCode, 0) << r.describe();
    // Not even a hint.
    EXPECT_EQ(r.out, "") << r.out;
}

TEST(DesktopEntry, StartsTheProgramUnderItsNameInItsCategories) {
    auto keys = ReadDesktopEntry(DesktopFile());
    EXPECT_EQ(keys["Type"], "Application");
    EXPECT_EQ(keys["Name"], "W.X.Hollin");
    EXPECT_EQ(keys["Name[ja]"], "W.X.Hollin");
    // One file: a file manager opens a Crow file with W.X.Hollin and passes the file. Plain
    // bitmaps are not claimed, so their default viewer stays the user's; "Open with other
    // application" still offers the program for them.
    EXPECT_EQ(keys["Exec"], "wx-hollin %f");
    EXPECT_EQ(keys["TryExec"], "wx-hollin");
    EXPECT_EQ(keys["MimeType"], "application/x-crow;");
    EXPECT_EQ(keys["Icon"], kAppId);
    EXPECT_EQ(keys["Terminal"], "false");
    // Exactly one of the menu's main categories.
    std::vector<std::string> main;
    std::stringstream cats(keys["Categories"]);
    for (std::string c; std::getline(cats, c, ';');) {
        for (const char* m : {"AudioVideo", "Audio", "Video", "Development", "Education", "Game", "Graphics",
                              "Network", "Office", "Science", "Settings", "System", "Utility"}) {
            if (c == m) main.push_back(c);
        }
    }
    EXPECT_EQ(main, std::vector<std::string>{"Graphics"}) << keys["Categories"];
}

TEST(AppStream, ValidatesOfflineWithoutEvenPedanticNotes) {
    std::string tool = Require("appstreamcli", "appstream");
    if (tool.empty()) return;
    RunResult r = RunProgram({tool, "validate", "--pedantic", "--no-net", MetainfoFile()});
    EXPECT_EQ(r.exitCode, 0) << r.describe();
    for (const auto& line : Lines(r.out)) {
        EXPECT_FALSE(line.size() > 1 && line[1] == ':' && std::string("EWIP").find(line[0]) != std::string::npos)
            << line;
    }
}

TEST(AppStream, AgreesWithTheDesktopEntryAndTheProjectVersion) {
    std::string xml = ReadFile(MetainfoFile());
    auto ids = Elements(xml, "id");
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(ids[0], kAppId);
    auto launchables = Elements(xml, "launchable");
    ASSERT_EQ(launchables.size(), 1u);
    // Software centres find the desktop entry by this name.
    EXPECT_EQ(launchables[0], std::string(kAppId) + ".desktop");
    EXPECT_EQ(Elements(xml, "icon"), std::vector<std::string>{kAppId});
    std::smatch m;
    ASSERT_TRUE(std::regex_search(xml, m, std::regex(R"re(<release version="([^"]+)")re")));
    ASSERT_FALSE(Version().empty());
    EXPECT_EQ(m[1].str(), Version()) << "the newest release must be the version being built";
    auto bins = Elements(xml, "binary");
    EXPECT_NE(std::find(bins.begin(), bins.end(), "wx-hollin"), bins.end());
    EXPECT_NE(std::find(bins.begin(), bins.end(), "crow"), bins.end());
}

TEST(ManPages, RenderWithoutWarningsAndCarryTheVersion) {
    std::string groff = Require("groff", "groff-base");
    if (groff.empty()) return;
    for (const char* page : {"crow.1", "wx-hollin.1"}) {
        SCOPED_TRACE(page);
        RunResult r = RunProgram({groff, "-man", "-Tutf8", "-ww", "-z", Pkg(page)});
        EXPECT_EQ(r.exitCode, 0) << r.describe();
        EXPECT_EQ(r.err, "") << "groff warnings";
        std::string src = ReadFile(Pkg(page));
        EXPECT_NE(src.find("\"W.X.Hollin " + Version() + "\""), std::string::npos)
            << ".TH must name the version being built";
    }
}

// Every option a program accepts is documented in its manual page, and the page names no
// option the program does not know.
TEST(ManPages, DocumentExactlyTheProgramsOptions) {
    const std::vector<std::pair<std::string, std::vector<std::vector<std::string>>>> programs = {
        {"WXH_CROW", {{"--help"}, {"pack", "--help"}, {"release", "--help"}, {"info", "--help"}, {"mount", "--help"}}},
        {"WXH_GUI", {{"--help"}}},
    };
    for (const auto& [var, helps] : programs) {
        std::string exe = EnvOr(var.c_str());
        if (exe.empty()) continue;   // not part of this build
        std::string page = std::filesystem::path(exe).filename().string() + ".1";
        SCOPED_TRACE(page);
        std::set<std::string> fromHelp;
        for (std::vector<std::string> args : helps) {
            args.insert(args.begin(), exe);
            RunOptions opt;
            opt.env["DISPLAY"] = std::nullopt;   // help needs no window system
            RunResult r = RunProgram(args, opt);
            EXPECT_EQ(r.exitCode, 0) << args[1] << ": " << r.describe();
            for (const auto& o : Options(r.out + r.err)) fromHelp.insert(o);
        }
        ASSERT_FALSE(fromHelp.empty());
        std::vector<std::string> inPageList = Options(ReadFile(Pkg(page)));
        std::set<std::string> inPage(inPageList.begin(), inPageList.end());
        for (const auto& o : fromHelp) EXPECT_TRUE(inPage.count(o)) << o << " is missing from " << page;
        for (const auto& o : inPage) EXPECT_TRUE(fromHelp.count(o)) << o << " in " << page << " is unknown to --help";
    }
}

TEST(Icon, ScalableDrawingRendersAndBitmapsHaveTheirSizes) {
    std::string svg = ReadFile(Pkg("wx-hollin.svg"));
    EXPECT_NE(svg.find("viewBox=\"0 0 256 256\""), std::string::npos) << "the icon must be square";
    std::string rsvg = FindProgram("rsvg-convert");
    if (rsvg.empty()) GTEST_SKIP() << "rsvg-convert (librsvg2-bin) is not installed";
    wxh::test::TempDir tmp;
    RunResult r = RunProgram({rsvg, "-w", "64", "-h", "64", "-o", tmp.file("i.png"), Pkg("wx-hollin.svg")});
    ASSERT_EQ(r.exitCode, 0) << r.describe();
    EXPECT_EQ(PngSize(tmp.file("i.png")), std::make_pair(64u, 64u));
    for (unsigned size : {48u, 256u}) {
        std::string built = BuildDir() + "/packaging/icon-" + std::to_string(size) + ".png";
        if (!std::filesystem::exists(built)) continue;  // only when the window program is built
        EXPECT_EQ(PngSize(built), std::make_pair(size, size)) << built;
    }
}

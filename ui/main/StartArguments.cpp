#include "ui/main/StartArguments.h"

#include <set>

namespace wxh {

namespace {

// Options QGuiApplication and QApplication take themselves (with one dash or two).
const std::set<std::string>& QtOptionsWithValue() {
    static const std::set<std::string> names = {
        "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
        "qwindowtitle", "display", "geometry", "style", "stylesheet", "session", "name", "title"};
    return names;
}
const std::set<std::string>& QtFlags() {
    static const std::set<std::string> names = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    return names;
}

}  // namespace

StartArguments ParseStartArguments(const std::vector<std::string>& args) {
    StartArguments out;
    using Action = StartArguments::Action;
    using Problem = StartArguments::Problem;
    auto fail = [&out](std::string problem, Problem kind = Problem::Other) {
        out.action = StartArguments::Action::UsageError;
        out.problem = std::move(problem);
        out.problemKind = kind;
        return out;
    };
    bool optionsEnded = false;
    std::vector<std::string> paths;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (arg.empty()) return fail("an empty path was given");
            paths.push_back(arg);
            continue;
        }
        if (arg == "--release" || arg == "--pack") {
            const Action asked = arg == "--release" ? Action::Release : Action::Pack;
            out.fromFileManager = true;
            if (out.action != Action::Run && out.action != asked)
                return fail("--release and --pack cannot be given together", Problem::ReleaseAndPack);
            out.action = asked;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            out.action = StartArguments::Action::Help;
            return out;
        } else if (arg == "-V" || arg == "--version") {
            out.action = StartArguments::Action::Version;
            return out;
        } else {
            std::string name = arg.substr(arg[1] == '-' ? 2 : 1);
            const size_t eq = name.find('=');
            const bool hasValue = eq != std::string::npos;
            if (hasValue) name.resize(eq);
            if (QtOptionsWithValue().count(name)) {
                if (!hasValue && ++i >= args.size()) return fail("option '" + arg + "' needs a value");
            } else if (!QtFlags().count(name) || hasValue) {
                return fail("unknown option '" + arg + "'");
            }
        }
    }
    switch (out.action) {
    case Action::Release:
        if (paths.empty()) return fail("--release needs at least one Crow file", Problem::NoCrowFile);
        out.files = std::move(paths);
        break;
    case Action::Pack:
        if (paths.empty()) return fail("--pack needs the folder to pack", Problem::NoFolder);
        if (paths.size() > 1) return fail("--pack packs one folder at a time", Problem::OneFolderOnly);
        out.path = paths.front();
        break;
    default:
        if (paths.size() > 1) return fail("only one file or folder can be opened");
        if (!paths.empty()) out.path = paths.front();
        break;
    }
    return out;
}

namespace {

// Whether one of Qt's platforms in list ("xcb", "wayland;xcb", "offscreen"...) can start:
// xcb needs an X display, the Wayland ones a compositor; the others need neither.
bool PlatformUsable(const std::string& list, bool x, bool wayland) {
    for (size_t start = 0; start <= list.size();) {
        size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        const std::string item = list.substr(start, end - start);
        const std::string name = item.substr(0, item.find(':'));
        if (name == "xcb" ? x : name.rfind("wayland", 0) == 0 ? wayland : !name.empty()) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool DisplayNamed(const std::vector<std::string>& args, const char* (*getenv)(const char*)) {
    const auto set = [getenv](const char* name) {
        const char* value = getenv(name);
        return value && *value;
    };
    const bool x = set("DISPLAY"), wayland = set("WAYLAND_DISPLAY");
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") break;
        if (arg.size() < 2 || arg[0] != '-') continue;
        std::string name = arg.substr(arg[1] == '-' ? 2 : 1);
        const size_t eq = name.find('=');
        std::string value = eq == std::string::npos ? (i + 1 < args.size() ? args[i + 1] : "") : name.substr(eq + 1);
        name = name.substr(0, eq);
        if (name == "display") return true;
        if (name == "platform") return PlatformUsable(value, x, wayland);
    }
    if (set("QT_QPA_PLATFORM")) return PlatformUsable(getenv("QT_QPA_PLATFORM"), x, wayland);
    return x || wayland;
}

const char* StartHelp() {
    return "Usage: wx-hollin [FILE | FOLDER]\n"
           "       wx-hollin --release CROWFILE...\n"
           "       wx-hollin --pack FOLDER\n"
           "\n"
           "Browses folders, packs a folder into one Crow file (a 24-bit .bmp) and releases\n"
           "Crow files back into a folder.\n"
           "\n"
           "With FILE the window opens FILE's folder with FILE selected and shown, as a click\n"
           "on it would; with FOLDER it opens that folder. Without either it starts in the\n"
           "folder it was left in.\n"
           "\n"
           "--release releases each CROWFILE, with the progress window and the same questions\n"
           "(password, overwrite) as the window's release command, into a folder beside it\n"
           "named after it (photos.bmp into photos/), and opens that folder in the file\n"
           "manager. No main window is shown.\n"
           "--pack opens the Crow file creation dialog alone for FOLDER; its save dialog\n"
           "starts in the folder that holds FOLDER. The program ends when the dialog closes.\n"
           "Wrong or missing arguments to either are told in a message box (on standard\n"
           "error when there is no display).\n"
           "\n"
           "Options:\n"
           "  --release      release the Crow files named after it\n"
           "  --pack         pack the folder named after it\n"
           "  -h, --help     show this help\n"
           "  -V, --version  show the version\n"
           "Qt's own options (-platform, -style, -display, ...) are passed on to Qt.\n"
           "\n"
           "Exit status: 0 when the window was closed (with --release: when every file was\n"
           "released), 1 when FILE or FOLDER does not exist (with --release: when a release\n"
           "failed or was cancelled), 2 usage error.\n";
}

}  // namespace wxh

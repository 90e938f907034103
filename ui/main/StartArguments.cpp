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
    auto fail = [&out](std::string problem) {
        out.action = StartArguments::Action::UsageError;
        out.problem = std::move(problem);
        return out;
    };
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (!out.path.empty()) return fail("only one file or folder can be opened");
            if (arg.empty()) return fail("an empty path was given");
            out.path = arg;
            continue;
        }
        if (arg == "--") {
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
    return out;
}

const char* StartHelp() {
    return "Usage: wx-hollin [FILE | FOLDER]\n"
           "\n"
           "Browses folders, packs a folder into one Crow file (a 24-bit .bmp) and releases\n"
           "Crow files back into a folder.\n"
           "\n"
           "With FILE the window opens FILE's folder with FILE selected and shown, as a click\n"
           "on it would; with FOLDER it opens that folder. Without either it starts in the\n"
           "folder it was left in.\n"
           "\n"
           "Options:\n"
           "  -h, --help     show this help\n"
           "  -V, --version  show the version\n"
           "Qt's own options (-platform, -style, -display, ...) are passed on to Qt.\n"
           "\n"
           "Exit status: 0 when the window was closed, 1 when FILE or FOLDER does not exist,\n"
           "2 usage error.\n";
}

}  // namespace wxh

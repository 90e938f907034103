#pragma once
// The window program's command line, read before any window system is touched, so that
// --help, --version and usage errors work on a console.
#include <string>
#include <vector>

namespace wxh {

struct StartArguments {
    // Run: the main window. Release: --release FILE... (no main window). Pack: --pack FOLDER
    // (the creation dialog alone).
    enum class Action { Run, Help, Version, UsageError, Release, Pack };
    Action action = Action::Run;
    std::string path;                  // Run: the file or folder to open (empty: start as usual); Pack: the folder
    std::vector<std::string> files;    // Release: the Crow files, in order
    std::string problem;               // for UsageError
    // Which usage error, for the message box of --release and --pack.
    enum class Problem { None, Other, NoCrowFile, NoFolder, OneFolderOnly, ReleaseAndPack };
    Problem problemKind = Problem::None;
    // --release or --pack was asked for: a file manager started the program, so a usage
    // error is told in a message box when there is a display.
    bool fromFileManager = false;
};

// argv[1..] of wx-hollin [OPTION] [FILE | FOLDER], wx-hollin --release FILE... and
// wx-hollin --pack FOLDER. Qt's own options (-platform NAME, -style NAME, -reverse, ...) are
// let through for QApplication; "--" ends the options.
StartArguments ParseStartArguments(const std::vector<std::string>& args);

// Whether Qt will have a window system to talk to: a platform named by -platform or
// QT_QPA_PLATFORM, or an X or Wayland display in the environment. getenv is passed in for tests.
bool DisplayNamed(const std::vector<std::string>& args, const char* (*getenv)(const char*));

// The --help text.
const char* StartHelp();

}  // namespace wxh

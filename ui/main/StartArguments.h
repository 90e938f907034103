#pragma once
// The window program's command line, read before any window system is touched, so that
// --help, --version and usage errors work on a console.
#include <string>
#include <vector>

namespace wxh {

struct StartArguments {
    enum class Action { Run, Help, Version, UsageError };
    Action action = Action::Run;
    std::string path;                  // the file or folder to open; empty: start as usual
    std::string problem;               // for UsageError
};

// argv[1..] of wx-hollin [OPTION] [FILE | FOLDER]. Qt's own options (-platform NAME,
// -style NAME, -reverse, ...) are let through for QApplication; "--" ends the options.
StartArguments ParseStartArguments(const std::vector<std::string>& args);

// The --help text.
const char* StartHelp();

}  // namespace wxh

#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

// The command line of the tool: crow [GLOBAL OPTIONS] COMMAND [OPTIONS] ARGUMENTS.
namespace wxh::cli {

struct CommandLine {
    std::string command;                        // "pack", "release", "info", "mount" or empty
    std::vector<std::string> arguments;         // positional arguments after the command
    std::map<std::string, std::string> values;  // options with a value ("--format" -> "3")
    std::set<std::string> flags;                // options without one ("--json")
    bool help = false;
    bool version = false;
    bool quiet = false;
    std::string error;                          // not empty: a usage error, described
};

// Reads argv; an unknown command or option, or a missing value, sets error.
CommandLine ParseCommandLine(int argc, char** argv);

}  // namespace wxh::cli

#include "cli/options.h"

#include "cli/terminal.h"

namespace wxh::cli {

namespace {

struct Known {
    std::set<std::string> values;
    std::set<std::string> flags;
};

const std::map<std::string, Known>& Commands() {
    static const std::map<std::string, Known> commands = {
        {"pack", {{"--format", "--overwrite"}, {"--password", "--password-stdin"}}},
        {"release", {{"--overwrite"}, {"--password", "--password-stdin", "--no-password-check"}}},
        {"info", {{}, {"--json"}}},
        {"mount", {{}, {"--password", "--password-stdin", "--background", "--no-password-check"}}},
    };
    return commands;
}

// Options every command and the tool itself take. True when arg was one of them.
bool TakeGlobal(const std::string& arg, CommandLine& cl) {
    if (arg == "-h" || arg == "--help") cl.help = true;
    else if (arg == "-V" || arg == "--version") cl.version = true;
    else if (arg == "-q" || arg == "--quiet") cl.quiet = true;
    else return false;
    return true;
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv) {
    CommandLine cl;
    const Known* known = nullptr;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!isOption) {
            if (!known) {
                auto it = Commands().find(arg);
                if (it == Commands().end()) {
                    cl.error = "unknown command '" + PrintableName(arg) + "'";
                    return cl;
                }
                cl.command = arg;
                known = &it->second;
            } else {
                cl.arguments.push_back(arg);
            }
            continue;
        }
        if (TakeGlobal(arg, cl)) continue;
        std::string name = arg, value;
        bool hasValue = false;
        size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasValue = true;
        }
        if (known && known->values.count(name)) {
            if (!hasValue) {
                if (i + 1 >= argc) {
                    cl.error = "option '" + PrintableName(name) + "' needs a value";
                    return cl;
                }
                value = argv[++i];
            }
            cl.values[name] = value;
        } else if (known && known->flags.count(name)) {
            if (hasValue) {
                cl.error = "option '" + PrintableName(name) + "' takes no value";
                return cl;
            }
            cl.flags.insert(name);
        } else {
            cl.error = "unknown option '" + PrintableName(arg) + "'";
            return cl;
        }
    }
    return cl;
}

}  // namespace wxh::cli

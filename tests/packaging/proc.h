#pragma once
// Running programs from the packaging tests: real processes with their own environment,
// standard input from a string, output captured, and a time limit that kills the whole
// process group rather than leaving a hung child behind.
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace wxh::pkgtest {

struct RunOptions {
    // Variables to set (a value) or to remove (std::nullopt) on top of this process's environment.
    std::map<std::string, std::optional<std::string>> env;
    std::string cwd;                        // empty: this process's folder
    std::optional<std::string> stdinData;   // nullopt: /dev/null
    std::chrono::seconds timeout{120};
    std::vector<std::string> prefix;        // e.g. setpriv ... put before argv[0]
};

struct RunResult {
    int exitCode = -1;       // exit status, or 128 + signal number
    bool timedOut = false;
    std::string out, err;
    std::string describe() const;  // "exit N" + the output, for failure messages
};

// Runs argv to its end (or to the time limit).
RunResult RunProgram(const std::vector<std::string>& argv, const RunOptions& opt = {});

// A program left running in its own process group; stdout and stderr go to files.
class Child {
public:
    Child(const std::vector<std::string>& argv, const RunOptions& opt, const std::string& logPrefix);
    ~Child();  // kills the group if it is still running
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }
    // True when the child has ended; its status is then in exitCode().
    bool Poll();
    // Waits up to `limit`; true when it ended.
    bool Wait(std::chrono::milliseconds limit);
    void Kill();
    int exitCode() const { return exitCode_; }
    std::string out() const;
    std::string err() const;

private:
    pid_t pid_ = -1;
    bool done_ = false;
    int exitCode_ = -1;
    std::string outPath_, errPath_, inPath_;
};

// Full path of a program found on PATH, or empty.
std::string FindProgram(const std::string& name);
// The named environment variable or the fallback.
std::string EnvOr(const char* name, const std::string& fallback = {});
// Splits on '\n' (a trailing '\r' stays part of the line).
std::vector<std::string> Lines(const std::string& text);

}  // namespace wxh::pkgtest

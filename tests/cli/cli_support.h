#pragma once
// Running the real `crow` binary from the tests: through pipes, or on a pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace wxh::test {

inline std::string CrowBinary() {
    const char* dir = std::getenv("WXH_BIN_DIR");
    return std::string(dir ? dir : "bin") + "/crow";
}

struct RunResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

inline int DecodeStatus(int raw) {
    if (WIFEXITED(raw)) return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
    return -1;
}

[[noreturn]] inline void ExecArgs(const std::vector<std::string>& argv) {
    std::vector<char*> cargv;
    for (const std::string& a : argv) cargv.push_back(const_cast<char*>(a.c_str()));
    cargv.push_back(nullptr);
    ::execvp(cargv[0], cargv.data());
    ::_exit(127);
}

// Runs argv (argv[0] a program on PATH or a path) with stdinData on standard input and
// without a controlling terminal.
inline RunResult RunProgram(const std::vector<std::string>& argv, const std::string& stdinData = "") {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC) || ::pipe2(err, O_CLOEXEC)) return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();  // no controlling terminal: /dev/tty cannot be opened
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ExecArgs(argv);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    size_t written = 0;
    int inFd = in[1];
    if (stdinData.empty()) {
        ::close(inFd);
        inFd = -1;
    }
    RunResult r;
    bool outOpen = true, errOpen = true;
    std::signal(SIGPIPE, SIG_IGN);
    while (outOpen || errOpen) {
        pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {inFd, POLLOUT, 0}};
        int n = ::poll(fds, inFd >= 0 ? 3 : 2, 60000);
        if (n <= 0) break;
        char buf[65536];
        for (int k = 0; k < 2; ++k) {
            if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t got = ::read(fds[k].fd, buf, sizeof buf);
            if (got <= 0) {
                (k == 0 ? outOpen : errOpen) = false;
                fds[k].fd = -1;
            } else {
                (k == 0 ? r.out : r.err).append(buf, static_cast<size_t>(got));
            }
        }
        if (inFd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t w = ::write(inFd, stdinData.data() + written, stdinData.size() - written);
            if (w > 0) written += static_cast<size_t>(w);
            if (w <= 0 || written == stdinData.size()) {
                ::close(inFd);
                inFd = -1;
            }
        }
        if (!outOpen && !errOpen) break;
    }
    if (inFd >= 0) ::close(inFd);
    ::close(out[0]);
    ::close(err[0]);
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    r.status = DecodeStatus(raw);
    return r;
}

inline RunResult RunCrow(const std::vector<std::string>& args, const std::string& stdinData = "") {
    std::vector<std::string> argv{CrowBinary()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, stdinData);
}

// The tool on a pseudo-terminal: standard input, output and error are the terminal.
class PtySession {
public:
    explicit PtySession(const std::vector<std::string>& args) {
        std::vector<std::string> argv{CrowBinary()};
        argv.insert(argv.end(), args.begin(), args.end());
        winsize ws{};
        ws.ws_col = 100;
        ws.ws_row = 30;
        pid_ = ::forkpty(&master_, nullptr, nullptr, &ws);
        if (pid_ == 0) ExecArgs(argv);
    }
    ~PtySession() {
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            int raw;
            ::waitpid(pid_, &raw, 0);
        }
        if (master_ >= 0) ::close(master_);
    }
    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // Reads until text shows up in the output (true) or the time runs out / the tool ends.
    bool WaitFor(const std::string& text, int seconds = 30) {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (output_.find(text, seen_) == std::string::npos) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !ReadSome(static_cast<int>(left.count()))) return false;
        }
        seen_ = output_.find(text, seen_) + text.size();
        return true;
    }
    void Write(const std::string& text) { (void)!::write(master_, text.data(), text.size()); }
    void Signal(int sig) { ::kill(pid_, sig); }
    // Waits for the end (reading everything) and gives the exit status.
    int Finish(int seconds = 120) {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end && ReadSome(1000)) {}
        int raw = 0;
        for (;;) {
            pid_t w = ::waitpid(pid_, &raw, WNOHANG);
            if (w == pid_) break;
            if (std::chrono::steady_clock::now() >= end) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &raw, 0);
                break;
            }
            ::usleep(10000);
        }
        waited_ = true;
        return DecodeStatus(raw);
    }
    const std::string& output() const { return output_; }

private:
    bool ReadSome(int ms) {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, ms) <= 0) return false;
        char buf[4096];
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) return false;  // EIO: the tool has ended
        output_.append(buf, static_cast<size_t>(n));
        return true;
    }
    int master_ = -1;
    pid_t pid_ = -1;
    bool waited_ = false;
    std::string output_;
    size_t seen_ = 0;
};

// Every entry of a folder, recursively, as relative paths (sorted).
inline std::vector<std::string> ListTree(const std::filesystem::path& root) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        names.push_back(std::filesystem::relative(it->path(), root).string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace wxh::test

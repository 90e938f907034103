#include "proc.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace wxh::pkgtest {
namespace {

std::string TempFile(const std::string& prefix, const std::string& content = {}) {
    std::string tmpl = std::string(P_tmpdir) + "/" + prefix + "-XXXXXX";
    int fd = mkstemp(tmpl.data());
    if (fd < 0) throw std::runtime_error("mkstemp: " + std::string(std::strerror(errno)));
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n <= 0) { close(fd); throw std::runtime_error("write to temporary file failed"); }
        done += static_cast<size_t>(n);
    }
    close(fd);
    return tmpl;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int DecodeStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

std::string RunResult::describe() const {
    std::ostringstream s;
    s << (timedOut ? "timed out" : "exit " + std::to_string(exitCode));
    if (!out.empty()) s << "\n--- stdout ---\n" << out;
    if (!err.empty()) s << "\n--- stderr ---\n" << err;
    return s.str();
}

Child::Child(const std::vector<std::string>& argv, const RunOptions& opt, const std::string& logPrefix) {
    if (argv.empty()) throw std::invalid_argument("no program to run");
    outPath_ = TempFile(logPrefix + "-out");
    errPath_ = TempFile(logPrefix + "-err");
    if (opt.stdinData) inPath_ = TempFile(logPrefix + "-in", *opt.stdinData);
    const std::string inPath = opt.stdinData ? inPath_ : std::string("/dev/null");
    // Output files must be writable by a child that drops to another user.
    chmod(outPath_.c_str(), 0666);
    chmod(errPath_.c_str(), 0666);
    if (opt.stdinData) chmod(inPath_.c_str(), 0644);

    std::map<std::string, std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string kv = *e;
        auto eq = kv.find('=');
        if (eq != std::string::npos) env[kv.substr(0, eq)] = kv.substr(eq + 1);
    }
    for (const auto& [k, v] : opt.env) {
        if (v) env[k] = *v; else env.erase(k);
    }
    std::vector<std::string> envStrings;
    for (const auto& [k, v] : env) envStrings.push_back(k + "=" + v);
    std::vector<std::string> args = opt.prefix;
    args.insert(args.end(), argv.begin(), argv.end());

    std::vector<char*> cargv, cenv;
    for (auto& a : args) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    for (auto& e : envStrings) cenv.push_back(e.data());
    cenv.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        setpgid(0, 0);
        int in = open(inPath.c_str(), O_RDONLY);
        int out = open(outPath_.c_str(), O_WRONLY | O_TRUNC);
        int err = open(errPath_.c_str(), O_WRONLY | O_TRUNC);
        if (in < 0 || out < 0 || err < 0) _exit(126);
        dup2(in, 0); dup2(out, 1); dup2(err, 2);
        close(in); close(out); close(err);
        if (!opt.cwd.empty() && chdir(opt.cwd.c_str()) != 0) _exit(126);
        execvpe(cargv[0], cargv.data(), cenv.data());
        dprintf(2, "cannot run %s: %s\n", cargv[0], std::strerror(errno));
        _exit(127);
    }
    setpgid(pid_, pid_);
}

Child::~Child() {
    if (!done_) Kill();
    unlink(outPath_.c_str());
    unlink(errPath_.c_str());
    if (!inPath_.empty()) unlink(inPath_.c_str());
}

bool Child::Poll() {
    if (done_) return true;
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
        done_ = true;
        exitCode_ = DecodeStatus(status);
    }
    return done_;
}

bool Child::Wait(std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!Poll()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void Child::Kill() {
    if (done_) return;
    kill(-pid_, SIGKILL);
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    done_ = true;
    exitCode_ = DecodeStatus(status);
}

std::string Child::out() const { return Slurp(outPath_); }
std::string Child::err() const { return Slurp(errPath_); }

RunResult RunProgram(const std::vector<std::string>& argv, const RunOptions& opt) {
    Child child(argv, opt, "wxh-run");
    RunResult r;
    if (!child.Wait(opt.timeout)) {
        child.Kill();
        r.timedOut = true;
    }
    r.exitCode = child.exitCode();
    r.out = child.out();
    r.err = child.err();
    return r;
}

std::string FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : "";
    std::string path = EnvOr("PATH", "/usr/bin:/bin");
    std::stringstream ss(path);
    std::string dir;
    while (std::getline(ss, dir, ':')) {
        if (dir.empty()) continue;
        std::string full = dir + "/" + name;
        if (access(full.c_str(), X_OK) == 0) return full;
    }
    return {};
}

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string cur;
    for (char c : text) {
        if (c == '\n') { lines.push_back(cur); cur.clear(); }
        else cur += c;
    }
    if (!cur.empty()) lines.push_back(cur);
    return lines;
}

}  // namespace wxh::pkgtest

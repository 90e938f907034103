#include "cli/terminal.h"
#include "cli/summary.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "common/cp932.h"

namespace wxh::cli {

namespace {

volatile std::sig_atomic_t g_signal = 0;
void (*g_beforeWait)() = nullptr;

extern "C" void NoteSignal(int sig) {
    if (g_signal == 0) g_signal = sig;
}

void WriteAll(int fd, const std::string& text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
}

// Waits until fd has input. False when one of the tool's signals is pending: the signals are
// blocked from the check until ppoll lets them in, so one that lands just before the wait
// still ends it.
bool WaitForInput(int fd) {
    sigset_t block, old;
    sigemptyset(&block);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&block, sig);
    ::sigprocmask(SIG_BLOCK, &block, &old);
    bool ready = false;
    while (PendingSignal() == 0) {
        if (g_beforeWait) g_beforeWait();
        pollfd p{fd, POLLIN, 0};
        const int r = ::ppoll(&p, 1, nullptr, &old);
        if (r > 0 || (r < 0 && errno != EINTR)) {  // input, end of input, or an error read() will report
            ready = true;
            break;
        }
    }
    ::sigprocmask(SIG_SETMASK, &old, nullptr);
    return ready;
}

// Reads one line from fd, a block at a time (whatever follows the line is dropped: every
// caller reads one line from its descriptor and is done, and a terminal gives one line per
// read anyway). A line longer than kMaxLine is refused as soon as that is clear, so an
// endless input such as /dev/zero ends at once.
LineRead ReadLine(int fd, std::string& line) {
    line.clear();
    std::string got;
    char block[4096];
    for (;;) {
        if (!WaitForInput(fd)) return LineRead::Failed;
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return LineRead::Failed;
        }
        if (n == 0) {
            if (got.empty()) return LineRead::End;
            break;
        }
        got.append(block, static_cast<size_t>(n));
        if (const size_t end = got.find('\n'); end != std::string::npos) {
            got.resize(end);
            break;
        }
        if (got.size() > kMaxLine + 1) return LineRead::TooLong;  // + 1: room for a "\r"
    }
    if (!got.empty() && got.back() == '\r') got.pop_back();
    if (got.size() > kMaxLine) return LineRead::TooLong;
    line = std::move(got);
    return LineRead::Line;
}

std::string HumanBytes(int64_t n) {
    static const char* const units[] = {"B", "KiB", "MiB", "GiB"};
    double v = static_cast<double>(n);
    int u = 0;
    while (v >= 1024.0 && u < 3) {
        v /= 1024.0;
        ++u;
    }
    char buf[32];
    if (u == 0) std::snprintf(buf, sizeof buf, "%lld B", static_cast<long long>(n));
    else std::snprintf(buf, sizeof buf, "%.1f %s", v, units[u]);
    return buf;
}

int TerminalColumns() {
    winsize ws{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
    return 80;
}

// Keeps at most maxChars code points of a UTF-8 text, marking a cut with "...".
std::string FitName(const std::string& name, int maxChars) {
    if (maxChars < 4) maxChars = 4;
    int chars = 0;
    size_t cut = std::string::npos;
    for (size_t i = 0; i < name.size(); ++i) {
        if ((static_cast<unsigned char>(name[i]) & 0xC0) == 0x80) continue;
        if (chars == maxChars - 3) cut = i;
        ++chars;
    }
    if (chars <= maxChars) return name;
    return name.substr(0, cut) + "...";
}

}  // namespace

void InstallSignalHandlers() {
    struct sigaction sa {};
    sa.sa_handler = NoteSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: a prompt waiting for input gives up at once
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    // Signals that would otherwise end the tool on the spot: caught the same way, so the
    // operation stops at its next file or buffer and removes what it has not finished.
    for (int sig : {SIGPIPE, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM}) sigaction(sig, &sa, nullptr);
    std::signal(SIGXFSZ, SIG_IGN);
}

int PendingSignal() { return g_signal; }

void SetBeforeWaitForTesting(void (*hook)()) { g_beforeWait = hook; }

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

bool HasTerminal() {
    int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

std::string PrintableName(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    const auto escape = [&](unsigned char c) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02X", c);
        out += buf;
    };
    for (size_t i = 0; i < name.size();) {
        char32_t cp = 0;
        const size_t n = DecodeUtf8(name, i, cp);
        if (n == 0) {  // not UTF-8: the byte alone, so that it can never start a sequence
            escape(static_cast<unsigned char>(name[i++]));
            continue;
        }
        // C0 and C1 controls, and the marks that reorder text around them (a name that ends
        // "gpj.exe" shown after U+202E reads as "exe.jpg"), line and paragraph separators
        const bool bidi = cp == 0x061C || cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E) ||
                          (cp >= 0x2066 && cp <= 0x2069) || cp == 0x2028 || cp == 0x2029;
        if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F) || bidi) {
            for (size_t k = 0; k < n; ++k) escape(static_cast<unsigned char>(name[i + k]));
        } else if (cp == U'\\') {
            out += "\\\\";
        } else {
            out.append(name, i, n);
        }
        i += n;
    }
    return out;
}

LineRead PromptPassword(const std::string& prompt, std::string& password) {
    int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return LineRead::Failed;
    termios saved{};
    bool haveTermios = ::tcgetattr(fd, &saved) == 0;
    if (haveTermios) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    WriteAll(fd, prompt);
    LineRead got = ReadLine(fd, password);
    if (haveTermios) ::tcsetattr(fd, TCSAFLUSH, &saved);
    if (got != LineRead::Line) WriteAll(fd, "\n");
    ::close(fd);
    if (got == LineRead::Line && PendingSignal() != 0) got = LineRead::Failed;
    return got;
}

LineRead ReadLineFromStdin(std::string& line) { return ReadLine(STDIN_FILENO, line); }

// ---- progress line ----

TerminalProgress::TerminalProgress(bool draw, int fd, bool notes) : draw_(draw), fd_(fd), notes_(notes) {}

TerminalProgress::~TerminalProgress() { Clear(); }

void TerminalProgress::SetNowFile(const std::string& name) { name_ = name; }

void TerminalProgress::OnTotal(int64_t totalBytes, int32_t fileCount) {
    total_ = totalBytes;
    files_ = fileCount;
}

void TerminalProgress::OnFileStart(const std::string& name, int64_t size) {
    if (started_) doneBefore_ += size_;
    started_ = true;
    name_ = name;
    size_ = size;
    done_ = 0;
    Draw(false);
}

void TerminalProgress::OnPoint(int64_t done, int64_t size) {
    done_ = done;
    size_ = size;
    Draw(false);
}

void TerminalProgress::OnStoredAs(const std::string& diskName, const std::string& storedName) {
    if (!notes_) return;
    Clear();
    WriteAll(fd_, "crow: note: '" + PrintableName(diskName) + "' is stored as '" + PrintableName(storedName) + "'\n");
}

void TerminalProgress::OnNotPacked(const NotPacked& skipped) {
    if (!notes_) return;
    Clear();
    if (const std::string note = NotPackedNote(skipped); !note.empty()) WriteAll(fd_, "crow: note: " + note + "\n");
    if (!skipped.output.empty())
        WriteAll(fd_, "crow: note: '" + PrintableName(skipped.output) + "' is not packed: it is the Crow file being written\n");
}

void TerminalProgress::DoEvents() {
    if (PendingSignal() != 0) cancelTag_ = "1";
}

void TerminalProgress::Clear() {
    if (!drawn_) return;
    WriteAll(fd_, "\r\033[K");
    drawn_ = false;
}

std::string ProgressLine(const std::string& name, int64_t done, int64_t size, int64_t overallDone, int64_t total,
                         int columns) {
    int pct = 0;
    if (total > 0) {
        if (overallDone > total) overallDone = total;
        if (overallDone < 0) overallDone = 0;
        pct = static_cast<int>(overallDone * 100 / total);
    }
    std::string tail = "  " + HumanBytes(done) + " / " + HumanBytes(size) + "  " + std::to_string(pct) + "%";
    int room = columns - static_cast<int>(tail.size()) - 1;
    return FitName(PrintableName(name), room) + tail;
}

void TerminalProgress::Draw(bool force) {
    if (!draw_) return;
    const auto now = clock_ ? clock_() : std::chrono::steady_clock::now();
    if (!force && drawn_ && now - lastDraw_ < std::chrono::milliseconds(200)) return;
    lastDraw_ = now;
    WriteAll(fd_, "\r\033[K" + ProgressLine(name_, done_, size_, doneBefore_ + done_, total_, TerminalColumns()));
    drawn_ = true;
}

// ---- overwrite question ----

int32_t TerminalQuestion::Ask(const std::string& path) {
    int32_t answer = 7;
    bool asked = false;
    if (mode_ == Mode::Yes) {
        answer = 6;
    } else if (mode_ == Mode::Ask && PendingSignal() == 0) {
        if (progress_) progress_->Clear();
        int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0) {
            asked = true;
            for (;;) {
                WriteAll(fd, "crow: '" + PrintableName(path) + "' exists. Overwrite? [y]es, [n]o, [a]ll, [N]one: ");
                std::string reply;
                if (ReadLine(fd, reply) != LineRead::Line) {  // end of input or a signal: keep this one
                    if (PendingSignal() != 0) interruptedAt_ = path;
                    WriteAll(fd, "\n");
                    break;
                }
                // As unzip asks: "n" is this file only, "N" every file from here on.
                if (reply == "y" || reply == "Y" || reply == "yes" || reply == "Yes") {
                    answer = 6;
                } else if (reply == "a" || reply == "A" || reply == "all" || reply == "All") {
                    answer = 6;
                    mode_ = Mode::Yes;
                } else if (reply == "N" || reply == "none" || reply == "None") {
                    mode_ = Mode::No;
                } else if (reply != "n" && reply != "no" && reply != "No") {
                    continue;
                }
                break;
            }
            ::close(fd);
        }
    }
    if (answer == 7) {
        kept_.push_back(path);
        if (!quiet_ && !asked) {
            if (told_ < kShownKept) {
                ++told_;
                if (progress_) progress_->Clear();
                WriteAll(STDERR_FILENO, "crow: kept the existing '" + PrintableName(path) + "'\n");
            } else {
                ++untold_;
            }
        }
    }
    return answer;
}

void TerminalQuestion::Finish() {
    if (untold_ == 0) return;
    if (progress_) progress_->Clear();
    WriteAll(STDERR_FILENO, "crow: ... and " + Counted(untold_, "more file") + " kept\n");
    untold_ = 0;
}

}  // namespace wxh::cli

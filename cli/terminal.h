#pragma once
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstddef>
#include <string>
#include <vector>

#include "crow/progress.h"

// Everything the tool does with the terminal: signals, the progress line, the password
// prompt and the overwrite question.
namespace wxh::cli {

// Installs the handlers for SIGINT, SIGTERM and SIGHUP (they only note the signal, so that
// the running operation cancels at its next progress point exactly as the cancel button
// does) and ignores SIGXFSZ, so that a file size limit shows up as a failed write.
void InstallSignalHandlers();
// The signal noted so far (0: none).
int PendingSignal();
// Calls hook each time a wait for input is about to begin, the tool's signals blocked: what
// a signal arriving at that instant does can be tried.
void SetBeforeWaitForTesting(void (*hook)());

// True when standard error is a terminal.
bool StderrIsTerminal();
// True when the tool can talk to the user on the controlling terminal.
bool HasTerminal();

// Makes a name safe to print on one line of a terminal: C0 and C1 control characters, the
// marks that reorder bidirectional text, the line and paragraph separators and bytes that are
// not UTF-8 become \xNN (each byte), a backslash "\\"; so a name can never drive the terminal
// or show itself as another.
std::string PrintableName(const std::string& name);

// The progress line without its leading erase: the name (cut to fit columns), the bytes done
// and the size of the current file, and the percentage of all bytes done.
std::string ProgressLine(const std::string& name, int64_t done, int64_t size, int64_t overallDone, int64_t total,
                         int columns);

// The longest line a password or an answer may be (bytes, without the line end).
inline constexpr size_t kMaxLine = 4096;

enum class LineRead {
    Line,     // a line came (the last one may lack its line end)
    End,      // the input ended before anything was read
    TooLong,  // more than kMaxLine bytes before the line end: refused, not cut
    Failed,   // a read error, no terminal, or one of the tool's signals
};

// Asks on /dev/tty with echo off.
LineRead PromptPassword(const std::string& prompt, std::string& password);

// Reads one line of standard input without its line end ("\n" or "\r\n").
LineRead ReadLineFromStdin(std::string& line);

// The container's progress window, drawn as one line on standard error (or on fd).
class TerminalProgress : public ProgressDialog {
public:
    // draw: the progress line; notes: a line for each name stored differently.
    explicit TerminalProgress(bool draw, int fd = 2, bool notes = false);
    ~TerminalProgress() override;

    void SetNowFile(const std::string& name) override;
    void SetPer(int64_t) override {}
    void ClearProgBar() override {}
    void FillProgBar(int32_t) override {}
    std::string CancelTag() const override { return cancelTag_; }
    void SetCancelTag(const std::string& tag) override { cancelTag_ = tag; }
    bool StopRequested() const override { return PendingSignal() != 0; }
    void Show() override {}
    void Hide() override { Clear(); }
    void DoEvents() override;

    void OnTotal(int64_t totalBytes, int32_t fileCount) override;
    void OnFileStart(const std::string& name, int64_t size) override;
    void OnPoint(int64_t done, int64_t size) override;
    void OnStoredAs(const std::string& diskName, const std::string& storedName) override;
    void OnNotPacked(const NotPacked& skipped) override;

    // Removes the line from the terminal (before a question or a message).
    void Clear();
    // The overall total when the caller knows it before the container does.
    void SetTotal(int64_t totalBytes) { total_ = totalBytes; }
    // The clock that spaces the redraws (the steady clock unless a test gives its own).
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    void SetClock(Clock clock) { clock_ = std::move(clock); }
    // What the container announced: the bytes and files of the whole operation.
    int64_t TotalBytes() const { return total_; }
    int32_t FileCount() const { return files_; }

private:
    void Draw(bool force);

    bool draw_;
    int fd_;
    bool notes_;
    bool drawn_ = false;
    std::string cancelTag_;
    std::string name_;
    int64_t total_ = 0;
    int32_t files_ = 0;
    int64_t doneBefore_ = 0;   // bytes of the files started before the current one
    int64_t size_ = 0;         // current file
    int64_t done_ = 0;
    bool started_ = false;
    std::chrono::steady_clock::time_point lastDraw_{};
    Clock clock_;
};

// The container's overwrite question: always yes, always no, or asked on the terminal, where
// "all" and "None" answer every later question too. A file kept without a question gets a line
// of its own, the first kShownKept of them; Finish() sums up the rest in one line.
class TerminalQuestion : public OverwriteQuestion {
public:
    enum class Mode { Ask, Yes, No };
    static constexpr int32_t kShownKept = 5;
    TerminalQuestion(Mode mode, bool quiet) : mode_(mode), quiet_(quiet) {}
    void SetProgress(TerminalProgress* progress) { progress_ = progress; }
    int32_t Ask(const std::string& path) override;
    int32_t Kept() const { return static_cast<int32_t>(kept_.size()); }
    // The paths of the files kept, in the order they were asked about.
    const std::vector<std::string>& KeptPaths() const { return kept_; }
    // The path whose question a signal ended (empty: none did).
    const std::string& InterruptedAt() const { return interruptedAt_; }
    // Writes "... and 195 more files kept" for the kept files that got no line of their own.
    void Finish();

private:
    Mode mode_;
    bool quiet_;
    TerminalProgress* progress_ = nullptr;
    std::vector<std::string> kept_;
    int32_t told_ = 0;      // kept files named on a line of their own
    int32_t untold_ = 0;    // kept without a question and without a line
    std::string interruptedAt_;
};

}  // namespace wxh::cli

#pragma once
#include <chrono>
#include <csignal>
#include <cstdint>
#include <string>

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

// Asks on /dev/tty with echo off. Returns false when there is no terminal or the user
// interrupted the prompt.
bool PromptPassword(const std::string& prompt, std::string& password);

// Reads one line of standard input without its line end ("\n" or "\r\n").
// False when standard input is closed before anything was read.
bool ReadLineFromStdin(std::string& line);

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
};

// The container's overwrite question: always yes, always no, or asked on the terminal, where
// "all" and "None" answer every later question too.
class TerminalQuestion : public OverwriteQuestion {
public:
    enum class Mode { Ask, Yes, No };
    TerminalQuestion(Mode mode, bool quiet) : mode_(mode), quiet_(quiet) {}
    void SetProgress(TerminalProgress* progress) { progress_ = progress; }
    int32_t Ask(const std::string& path) override;
    int32_t Kept() const { return kept_; }

private:
    Mode mode_;
    bool quiet_;
    TerminalProgress* progress_ = nullptr;
    int32_t kept_ = 0;
};

}  // namespace wxh::cli

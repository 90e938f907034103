#pragma once
#include <functional>
#include <memory>
#include <string>

#include "crow/progress.h"

namespace wxh {

// A progress window without a window: it keeps the file name, the remaining bytes and the
// cancel tag and calls optional hooks, so the command-line tool and tests can follow and
// cancel an operation.
class HeadlessProgress : public ProgressDialog {
public:
    // Called from DoEvents (the place where a real window would handle a cancel click).
    std::function<void(HeadlessProgress&)> onDoEvents;
    std::function<void(int64_t totalBytes, int32_t fileCount)> onTotal;
    std::function<void(const std::string& name, int64_t size)> onFileStart;
    std::function<void(int64_t done, int64_t size)> onPoint;

    void SetNowFile(const std::string& name) override { nowFile_ = name; }
    void SetPer(int64_t remaining) override { per_ = remaining; }
    void ClearProgBar() override { bar_ = 0; }
    void FillProgBar(int32_t x) override {
        if (x > bar_) bar_ = x;
    }
    std::string CancelTag() const override { return tag_; }
    void SetCancelTag(const std::string& tag) override { tag_ = tag; }
    void Show() override { shown_ = true; }
    void Hide() override { shown_ = false; }
    void DoEvents() override {
        if (onDoEvents) onDoEvents(*this);
    }
    void OnTotal(int64_t totalBytes, int32_t fileCount) override {
        if (onTotal) onTotal(totalBytes, fileCount);
    }
    void OnFileStart(const std::string& name, int64_t size) override {
        if (onFileStart) onFileStart(name, size);
    }
    void OnPoint(int64_t done, int64_t size) override {
        if (onPoint) onPoint(done, size);
    }

    // Asks the running operation to stop at its next progress point (as CmdCancel does).
    void RequestCancel() { tag_ = "1"; }
    // Asks it to stop at the next file start or buffer as well (as a signal does in the tool).
    void RequestStop() {
        tag_ = "1";
        stop_ = true;
    }
    bool StopRequested() const override { return stop_; }

    const std::string& NowFile() const { return nowFile_; }
    int64_t Per() const { return per_; }
    int32_t Bar() const { return bar_; }
    bool Shown() const { return shown_; }

private:
    std::string nowFile_;
    int64_t per_ = 0;
    std::string tag_;
    int32_t bar_ = 0;
    bool shown_ = false;
    bool stop_ = false;
};

// The factory WxhObject uses when it is given none.
ProgressDialogFactory HeadlessProgressFactory();

// Answers the overwrite question with a fixed reply (6 Yes, 7 No).
class FixedOverwriteAnswer : public OverwriteQuestion {
public:
    explicit FixedOverwriteAnswer(int32_t answer) : answer_(answer) {}
    int32_t Ask(const std::string& /*path*/) override { return answer_; }

private:
    int32_t answer_;
};

}  // namespace wxh

#pragma once
// A progress window fake that records what the container does with it and can press
// CmdCancel at a chosen progress point.
#include <string>
#include <utility>
#include <vector>

#include "crow/progress.h"

namespace wxh::test {

class RecordingDialog : public ProgressDialog {
public:
    std::vector<std::string> log;                    // "NowFile:x", "Per:x", "Clear", "Fill:x", "Show", "Hide", "DoEvents"
    std::vector<std::pair<int64_t, int64_t>> points; // (done, size) at each progress point
    int cancelAtPoint = -1;                          // press cancel during the DoEvents of this point (0-based)
    std::string tag;

    void SetNowFile(const std::string& name) override { log.push_back("NowFile:" + name); }
    void SetPer(int64_t remaining) override { log.push_back("Per:" + std::to_string(remaining)); }
    void ClearProgBar() override { log.push_back("Clear"); }
    void FillProgBar(int32_t x) override { log.push_back("Fill:" + std::to_string(x)); }
    std::string CancelTag() const override { return tag; }
    void SetCancelTag(const std::string& t) override {
        log.push_back("Tag:" + t);
        tag = t;
    }
    void Show() override { log.push_back("Show"); }
    void Hide() override { log.push_back("Hide"); }
    void DoEvents() override {
        log.push_back("DoEvents");
        if (pendingCancel_) {
            tag = "1";
            pendingCancel_ = false;
        }
    }
    void OnPoint(int64_t done, int64_t size) override {
        if (static_cast<int>(points.size()) == cancelAtPoint) pendingCancel_ = true;
        points.emplace_back(done, size);
    }

    int Count(const std::string& entry) const {
        int n = 0;
        for (const auto& e : log) n += (e == entry);
        return n;
    }

private:
    bool pendingCancel_ = false;
};

// A factory that hands out one RecordingDialog and keeps a pointer to it for the test.
inline ProgressDialogFactory RecordingFactory(RecordingDialog*& out, int cancelAtPoint = -1) {
    return [&out, cancelAtPoint] {
        auto d = std::make_unique<RecordingDialog>();
        d->cancelAtPoint = cancelAtPoint;
        out = d.get();
        return d;
    };
}

}  // namespace wxh::test

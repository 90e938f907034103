#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace wxh {

// What a folder being packed holds besides the files that are packed, from its listing.
struct NotPacked {
    int32_t folders = 0;  // sub-folders, hidden ones included
    int32_t hidden = 0;   // other names starting with "."
    int32_t special = 0;  // devices, FIFOs, sockets, links to nothing
    std::string output;   // the Crow file being written or replaced, when the folder holds it
    bool Any() const { return folders + hidden + special > 0 || !output.empty(); }
};

// What the Crow container uses of the progress window. The window program backs it with
// frmDialog, the command-line tool with a terminal line, tests with scripted fakes.
// The container hands over names and numbers; every word the user reads belongs to the front
// end. All text is UTF-8.
class ProgressDialog {
public:
    virtual ~ProgressDialog() = default;

    virtual void SetNowFile(const std::string& name) = 0;   // NowFile caption: bare file name
    virtual void SetPer(int64_t remaining) = 0;             // Per caption: bytes of the file that remain
    virtual void ClearProgBar() = 0;                         // erase the bar
    virtual void FillProgBar(int32_t x) = 0;                 // red box (0,0)-(x,13), x in 0..250
    virtual std::string CancelTag() const = 0;               // tag of CmdCancel: "" or "1"
    virtual void SetCancelTag(const std::string& tag) = 0;
    virtual void Show() = 0;                                 // modeless; showing a shown window changes nothing
    virtual void Hide() = 0;
    virtual void DoEvents() = 0;                             // let pending window events run
    // A request to stop that does not come through the window's events (the command-line
    // tool's signals). The container looks at it without letting events run, at each file's
    // start and after each buffer, so it stops within one file or one buffer even where no
    // progress point comes. A window answers false: its cancel mark changes only while
    // events run, and is read at the progress points.
    virtual bool StopRequested() const { return false; }

    // Extra facts for front ends that draw progress their own way; the dialog ignores them.
    virtual void OnTotal(int64_t /*totalBytes*/, int32_t /*fileCount*/) {}   // once the sizes are known
    virtual void OnFileStart(const std::string& /*name*/, int64_t /*size*/) {}
    virtual void OnPoint(int64_t /*done*/, int64_t /*size*/) {}               // at each progress point
    // A file whose name a Crow file stores differently from the disk (told before writing).
    virtual void OnStoredAs(const std::string& /*diskName*/, const std::string& /*storedName*/) {}
    // What of the folder is left out (told before writing, only when there is any).
    virtual void OnNotPacked(const NotPacked& /*skipped*/) {}
};

// Creates the progress window when a WxhObject is created; the object owns it and
// destroys it when released.
using ProgressDialogFactory = std::function<std::unique_ptr<ProgressDialog>()>;

// The container's one question: may an existing non-empty file be overwritten?
class OverwriteQuestion {
public:
    virtual ~OverwriteQuestion() = default;
    // Shows path + "に上書きしてもいいですか？" titled "上書き確認" with Yes and No.
    // Returns 6 (Yes) or 7 (No).
    virtual int32_t Ask(const std::string& path) = 0;
};

}  // namespace wxh

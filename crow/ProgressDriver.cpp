#include "crow/ProgressDriver.h"

#include "crow/CrowFormat.h"

namespace wxh {
namespace {

int64_t CodePoints(const std::string& s) {
    int64_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

void ProgressDriver::Start(const std::string& name, int64_t size, bool show) {
    d_.SetNowFile(name);
    d_.ClearProgBar();
    d_.SetPer(size);
    d_.OnFileStart(name, size);
    if (show) d_.Show();
    d_.DoEvents();
}

bool ProgressDriver::Point(int64_t done, int64_t size) {
    d_.SetPer(size - done);
    d_.FillProgBar(static_cast<int32_t>(done * 250 / size));
    d_.OnPoint(done, size);
    d_.DoEvents();
    return CancelMarked();
}

bool ProgressDriver::CancelMarked() const { return CodePoints(d_.CancelTag()) == 1; }

int32_t ProgressDriver::Cancelled(bool hide) {
    d_.SetCancelTag("");
    if (hide) d_.Hide();
    return -1;
}

}  // namespace wxh

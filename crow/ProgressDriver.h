#pragma once
// The progress and cancel protocol that packing and releasing share with the progress window.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "crow/progress.h"

namespace wxh {

enum class StreamResult { Done, Failed, Cancelled };

class ProgressDriver {
public:
    explicit ProgressDriver(ProgressDialog& d) : d_(d) {}
    ProgressDialog& dialog() { return d_; }

    // Progress start of a file: captions, the bar cleared, pending events run.
    void Start(const std::string& name, int64_t size, bool show);
    // One progress point; true when the user has cancelled.
    bool Point(int64_t done, int64_t size);
    // The cancel mark as it stands.
    bool CancelMarked() const;
    // A stop asked for outside the window's events, read without letting events run or
    // touching the window: at each file's start and after each buffer.
    bool StopRequested() const { return d_.StopRequested(); }
    // The end of a cancelled operation: the mark taken down, the window hidden; -1.
    int32_t Cancelled(bool hide);

    // Moves size bytes from read to write through buf (chunk bytes), transforming them, with a
    // progress point at every multiple of step (0: no points) and a look for a stop request
    // after each buffer. The transformation walks each buffer in pieces that end exactly at the
    // points, so the points do not depend on the buffer size.
    template <class ReadFn, class XformFn, class WriteFn>
    StreamResult Stream(uint8_t* buf, size_t chunk, int64_t size, int64_t step, ReadFn read, XformFn xform,
                        WriteFn write) {
        int64_t done = 0;
        int64_t next = step > 0 ? step : INT64_MAX;
        while (done < size) {
            const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(chunk), size - done));
            if (!read(buf, n)) return StreamResult::Failed;
            const int64_t end = done + static_cast<int64_t>(n);
            if (Transform(buf, done, end, next, step, size, xform)) return StreamResult::Cancelled;
            if (!write(buf, n)) return StreamResult::Failed;
            done = end;
            if (done < size && StopRequested()) return StreamResult::Cancelled;
        }
        return StreamResult::Done;
    }

    // Transforms the bytes of positions [from, to) held at buf, stopping at each progress
    // point (next, then every step); true when a point saw the cancel mark.
    template <class XformFn>
    bool Transform(uint8_t* buf, int64_t from, int64_t to, int64_t& next, int64_t step, int64_t size, XformFn xform) {
        int64_t at = from;
        while (at < to) {
            const int64_t piece = std::min(to, next) - at;
            xform(buf + (at - from), static_cast<size_t>(piece), at);
            at += piece;
            if (at == next) {
                next += step;
                if (Point(at, size)) return true;
            }
        }
        return false;
    }

private:
    ProgressDialog& d_;
};

}  // namespace wxh

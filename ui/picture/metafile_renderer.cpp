// wxh-wmf-render: draws one Windows metafile for the window program's preview.
//
// libwmf is old C code, and some damaged metafiles send it into an endless loop or worse, so it
// never runs inside the window program. The window program starts this small program for each
// metafile it previews, under a time and a memory limit, hands it the file's bytes on standard
// input and reads the picture back as PNG from standard output.
//
// Exit status: 0 a PNG was written; 1 the bytes are not a metafile that draws; 2 wrong use.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "common/standard_streams.h"

extern "C" {
#include <libwmf/api.h>
#include <libwmf/gd.h>
}

namespace {

constexpr size_t kMaxBytes = 64u * 1024 * 1024;   // the window program sends no more
constexpr unsigned kMaxSide = 4096;                // larger drawings are scaled down to this

bool readAll(int fd, std::vector<unsigned char>& out) {
    unsigned char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) return false;
        if (n == 0) return true;
        if (out.size() + size_t(n) > kMaxBytes) return false;
        out.insert(out.end(), buf, buf + n);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // libwmf and libgd write to whatever descriptor 1 or 2 is: never to a file opened later.
    if (!wxh::EnsureStandardStreams()) return 1;
    if (argc != 1) {
        std::fprintf(stderr, "usage: %s < metafile > picture.png\n", argv[0]);
        return 2;
    }
    std::vector<unsigned char> data;
    if (!readAll(0, data) || data.empty()) return 1;

    wmfAPI* api = nullptr;
    wmfAPI_Options options;
    std::memset(&options, 0, sizeof(options));
    options.function = wmf_gd_function;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api) wmf_api_destroy(api);
        return 1;
    }
    wmf_gd_t* gd = WMF_GD_GetData(api);
    if (!(gd->flags & WMF_GD_SUPPORTS_PNG)) {
        wmf_api_destroy(api);
        return 1;
    }
    bool drawn = false;
    if (wmf_mem_open(api, data.data(), long(data.size())) == wmf_E_None) {
        wmfD_Rect bbox;
        unsigned int width = 0, height = 0;
        if (wmf_scan(api, 0, &bbox) == wmf_E_None &&
            wmf_display_size(api, &width, &height, 96, 96) == wmf_E_None && width > 0 && height > 0) {
            if (width > kMaxSide || height > kMaxSide) {
                const double scale = double(kMaxSide) / std::max(width, height);
                width = std::max(1u, unsigned(std::lround(width * scale)));
                height = std::max(1u, unsigned(std::lround(height * scale)));
            }
            gd->type = wmf_gd_png;
            gd->flags |= WMF_GD_OUTPUT_FILE;
            gd->file = stdout;
            gd->bbox = bbox;
            gd->width = width;
            gd->height = height;
            drawn = wmf_play(api, 0, &bbox) == wmf_E_None;
        }
        wmf_mem_close(api);
    }
    // The PNG is written when the drawing ends, at the latest when the API goes.
    const bool ended = wmf_api_destroy(api) == wmf_E_None;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) return 1;
    return drawn && ended ? 0 : 1;
}

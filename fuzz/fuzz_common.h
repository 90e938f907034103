#pragma once
// Shared by the fuzz targets: a private scratch folder for the input file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace wxh::fuzz {

inline char g_scratch[64];

// A folder made once per process (in /dev/shm when there is one: no disk traffic), removed
// when the process ends normally.
inline const std::string& ScratchRoot() {
    static const std::string root = [] {
        std::snprintf(g_scratch, sizeof g_scratch, "%s/wxh-fuzz-XXXXXX",
                      access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        if (!mkdtemp(g_scratch)) std::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(g_scratch, ec);
        });
        return std::string(g_scratch);
    }();
    return root;
}

inline void WriteInput(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    if (std::fclose(f) != 0) std::abort();
}

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

}  // namespace wxh::fuzz

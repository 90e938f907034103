#pragma once
// A Crow file whose tables claim far more entries than any writer makes, and a look at this
// process's memory, for the tests that such a header costs nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "crow/CrowFormat.h"

namespace wxh::test {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAsan = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAsan = true;
#else
constexpr bool kAsan = false;
#endif
#else
constexpr bool kAsan = false;
#endif

// A line of /proc/self/status in KiB ("VmHWM", "VmRSS", "VmSize").
inline long StatusKiB(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) return std::stol(line.substr(prefix.size()));
    return -1;
}

// n entries of one-byte names, each file 1 byte, with the data area: a file that passes every
// check of the tables against the file's length.
inline void WriteHugeHeader(const std::string& path, const char* magic, int32_t n) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    const bool three = std::string(magic) == "CRW3";
    const int64_t length = 54 + 4 + (three ? 4 : 0) + 4 + int64_t{n} * (3 + 4 + 1);
    const auto h = crowfmt::FillBitmapHeaders(static_cast<uint32_t>(length), 0, 0);
    std::string head(reinterpret_cast<const char*>(h.data()), h.size());
    head += magic;
    if (three) crowfmt::PutU32(head, 1);
    crowfmt::PutU32(head, static_cast<uint32_t>(n - 1));
    std::fwrite(head.data(), 1, head.size(), f);
    const std::string name("\x01\x00x", 3), size("\x01\x00\x00\x00", 4);
    std::string block;
    for (int i = 0; i < 65536; ++i) block += name;
    for (int32_t done = 0; done < n; done += 65536) std::fwrite(block.data(), 1, 3 * std::min(65536, n - done), f);
    block.clear();
    for (int i = 0; i < 65536; ++i) block += size;
    for (int32_t done = 0; done < n; done += 65536) std::fwrite(block.data(), 1, 4 * std::min(65536, n - done), f);
    block.assign(65536, 'd');
    for (int32_t done = 0; done < n; done += 65536) std::fwrite(block.data(), 1, std::min(65536, n - done), f);
    ASSERT_EQ(std::fclose(f), 0);
}

}  // namespace wxh::test

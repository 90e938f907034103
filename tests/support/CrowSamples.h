#pragma once
// Crow files built byte by byte in the tests, independently of the container's own writer, so
// that the tool and the windows are tested against files whose every byte the test chose.
#include <cstdint>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace wxh::test {

struct Packed {
    std::string name;  // code page 932 bytes
    std::string data;  // the file's own bytes
};

inline void PutLE(std::string& s, uint32_t v, int width) {
    for (int i = 0; i < width; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// generation 1, 2 or 3; keyNumber and key only for 3 (key empty: built from keyNumber).
// bfSize < 0: the exact length for CRW3 and the estimate (ASCII names) for CRW2.
inline std::string BuildCrow(int generation, const std::vector<Packed>& files, int32_t keyNumber = 1,
                             const std::string& password = "", int64_t bfSize = -1) {
    std::string body = generation == 1 ? "CRW1" : generation == 2 ? "CRW2" : "CRW3";
    if (generation == 3) PutLE(body, static_cast<uint32_t>(keyNumber), 4);
    PutLE(body, static_cast<uint32_t>(files.size() - 1), 4);
    for (const Packed& f : files) {
        PutLE(body, static_cast<uint32_t>(f.name.size()), 2);
        body += f.name;
    }
    for (const Packed& f : files) PutLE(body, static_cast<uint32_t>(f.data.size()), 4);
    std::string key;
    if (generation == 3) {
        if (keyNumber == 0) {
            key = password + std::string(1, '\0');
        } else {
            for (int m = 0; m < 617; ++m) {
                key.push_back(static_cast<char>(keyNumber / 256));
                key.push_back(static_cast<char>(keyNumber % 256));
            }
        }
    }
    int64_t estimate = 66;
    for (const Packed& f : files) {
        for (size_t p = 0; p < f.data.size(); ++p) {
            auto b = static_cast<uint8_t>(f.data[p]);
            if (generation == 2) b = static_cast<uint8_t>(b + 1);
            if (generation == 3) b = static_cast<uint8_t>(b - static_cast<uint8_t>(key[p % key.size()]));
            body.push_back(static_cast<char>(b));
        }
        estimate += 2 * static_cast<int64_t>(f.name.size()) + static_cast<int64_t>(f.data.size());
    }
    uint32_t s = static_cast<uint32_t>(bfSize >= 0 ? bfSize : generation == 3 ? 54 + body.size() : estimate);
    std::string h = "BM";
    PutLE(h, s, 4);
    PutLE(h, 0, 4);
    PutLE(h, 54, 4);
    PutLE(h, 40, 4);
    PutLE(h, 0, 4);  // width and height are not read back
    PutLE(h, 0, 4);
    PutLE(h, 1, 2);
    PutLE(h, 24, 2);
    PutLE(h, 0, 4);
    PutLE(h, s, 4);
    PutLE(h, 3780, 4);
    PutLE(h, 3780, 4);
    PutLE(h, 0, 4);
    PutLE(h, 0, 4);
    return h + body;
}

// The 92-byte two-file CRW2 file (A.TXT "hello", B.TXT "abc") as the writer must make it.
inline std::string WorkedExample() {
    static const unsigned char bytes[] = {
        0x42, 0x4d, 0x5e, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x00, 0x00, 0x00, 0x28, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x18, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x5e, 0x00, 0x00, 0x00, 0xc4, 0x0e, 0x00, 0x00, 0xc4, 0x0e, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x43, 0x52, 0x57, 0x32, 0x01, 0x00, 0x00, 0x00, 0x05, 0x00,
        0x41, 0x2e, 0x54, 0x58, 0x54, 0x05, 0x00, 0x42, 0x2e, 0x54, 0x58, 0x54, 0x05, 0x00, 0x00, 0x00,
        0x03, 0x00, 0x00, 0x00, 0x69, 0x66, 0x6d, 0x6d, 0x70, 0x62, 0x63, 0x64};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// The windows' tests name these differently, draw a key number other than 1 by default, and
// give every generation its exact length as bfSize.
using PackedFile = Packed;

inline std::string MakeCrowBytes(int version, const std::vector<Packed>& files, int32_t keyNumber = 1234,
                                 const std::string& password = std::string()) {
    const int64_t length = static_cast<int64_t>(BuildCrow(version, files, keyNumber, password).size());
    return BuildCrow(version, files, keyNumber, password, length);
}

inline void WriteCrow(const std::string& path, int version, const std::vector<Packed>& files,
                      int32_t keyNumber = 1234, const std::string& password = std::string()) {
    WriteFile(path, MakeCrowBytes(version, files, keyNumber, password));
}

// An ordinary 2 x 2 24-bit bitmap (not a Crow file).
inline std::string PlainBitmapBytes() {
    std::string b = "BM";
    PutLE(b, 70, 4);
    PutLE(b, 0, 4);
    PutLE(b, 54, 4);
    PutLE(b, 40, 4);
    PutLE(b, 2, 4);
    PutLE(b, 2, 4);
    PutLE(b, 1, 2);
    PutLE(b, 24, 2);
    PutLE(b, 0, 4);
    PutLE(b, 16, 4);
    PutLE(b, 2835, 4);
    PutLE(b, 2835, 4);
    PutLE(b, 0, 4);
    PutLE(b, 0, 4);
    // two rows of two pixels, each row padded to 8 bytes
    b += std::string("\x00\x00\xff\xff\xff\xff\x00\x00", 8);
    b += std::string("\xff\x00\x00\x00\xff\x00\x00\x00", 8);
    return b;
}

}  // namespace wxh::test

#pragma once
// Builds small Crow files byte by byte, independent of the container's own writer, so that
// the windows can be tested against files whose every byte the test chose.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/TempDir.h"

namespace wxh::test {

struct PackedFile {
    std::string name;   // bytes as stored (ASCII in these tests)
    std::string data;
};

inline void PutLe(std::string& out, uint32_t v, int width) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// version 1, 2 or 3. For 3: keyNumber 0 means "password" (the key is the password's bytes
// followed by one 0 byte), 1..16382 the two-byte pattern of that number.
inline std::string MakeCrowBytes(int version, const std::vector<PackedFile>& files, int32_t keyNumber = 1234,
                                 const std::string& password = std::string()) {
    std::string body;
    body += version == 1 ? "CRW1" : version == 2 ? "CRW2" : "CRW3";
    if (version == 3) PutLe(body, static_cast<uint32_t>(keyNumber), 4);
    PutLe(body, static_cast<uint32_t>(files.size()) - 1u, 4);
    for (const auto& f : files) {
        PutLe(body, static_cast<uint32_t>(f.name.size()), 2);
        body += f.name;
    }
    for (const auto& f : files) PutLe(body, static_cast<uint32_t>(f.data.size()), 4);
    std::string key;
    if (version == 3) {
        if (keyNumber == 0) {
            key = password;
            key.push_back('\0');
        } else {
            for (int m = 0; m < 617; ++m) {
                key.push_back(static_cast<char>(keyNumber / 256));
                key.push_back(static_cast<char>(keyNumber % 256));
            }
        }
    }
    for (const auto& f : files) {
        for (size_t p = 0; p < f.data.size(); ++p) {
            const auto b = static_cast<uint8_t>(f.data[p]);
            uint8_t s = b;
            if (version == 2) s = static_cast<uint8_t>(b + 1);
            if (version == 3) s = static_cast<uint8_t>(b - static_cast<uint8_t>(key[p % key.size()]));
            body.push_back(static_cast<char>(s));
        }
    }
    const uint32_t total = 54u + static_cast<uint32_t>(body.size());
    std::string head = "BM";
    PutLe(head, total, 4);
    PutLe(head, 0, 4);
    PutLe(head, 54, 4);
    PutLe(head, 40, 4);
    PutLe(head, 0, 4);   // width: 0 x 0 is fine, the reader never looks
    PutLe(head, 0, 4);
    PutLe(head, 1, 2);
    PutLe(head, 24, 2);
    PutLe(head, 0, 4);
    PutLe(head, total, 4);
    PutLe(head, 3780, 4);
    PutLe(head, 3780, 4);
    PutLe(head, 0, 4);
    PutLe(head, 0, 4);
    return head + body;
}

inline void WriteCrow(const std::string& path, int version, const std::vector<PackedFile>& files,
                      int32_t keyNumber = 1234, const std::string& password = std::string()) {
    WriteFile(path, MakeCrowBytes(version, files, keyNumber, password));
}

// An ordinary 2 x 2 24-bit bitmap (not a Crow file).
inline std::string PlainBitmapBytes() {
    std::string b = "BM";
    PutLe(b, 70, 4);
    PutLe(b, 0, 4);
    PutLe(b, 54, 4);
    PutLe(b, 40, 4);
    PutLe(b, 2, 4);
    PutLe(b, 2, 4);
    PutLe(b, 1, 2);
    PutLe(b, 24, 2);
    PutLe(b, 0, 4);
    PutLe(b, 16, 4);
    PutLe(b, 2835, 4);
    PutLe(b, 2835, 4);
    PutLe(b, 0, 4);
    PutLe(b, 0, 4);
    // two rows of two pixels, each row padded to 8 bytes
    b += std::string("\x00\x00\xff\xff\xff\xff\x00\x00", 8);
    b += std::string("\xff\x00\x00\x00\xff\x00\x00\x00", 8);
    return b;
}

}  // namespace wxh::test

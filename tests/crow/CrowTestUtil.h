#pragma once
// Helpers shared by the Crow container tests (header only: each test .cpp is its own program).
#include <cstdint>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "crow/CrowFormat.h"

namespace wxh::test {

// Builds the bytes of a Crow file by hand (no transformation is applied: data is stored as given).
inline std::string MakeCrowBytes(const std::string& magic, const std::vector<std::string>& cp932Names,
                                 const std::vector<int32_t>& sizes, const std::string& storedData,
                                 int32_t keyNumber = 1, int64_t bfSize = -1) {
    std::string body = magic;
    if (magic == "CRW3") crowfmt::PutU32(body, static_cast<uint32_t>(keyNumber));
    crowfmt::PutU32(body, static_cast<uint32_t>(static_cast<int32_t>(cp932Names.size()) - 1));
    for (const auto& n : cp932Names) {
        crowfmt::PutU16(body, static_cast<uint16_t>(n.size()));
        body += n;
    }
    for (int32_t s : sizes) crowfmt::PutU32(body, static_cast<uint32_t>(s));
    body += storedData;
    const int64_t S = bfSize >= 0 ? bfSize : static_cast<int64_t>(54 + body.size());
    const auto h = crowfmt::FillBitmapHeaders(static_cast<uint32_t>(S), 0, 0);
    return std::string(reinterpret_cast<const char*>(h.data()), h.size()) + body;
}

inline std::string Shift(std::string s, int delta) {
    for (char& c : s) c = static_cast<char>(static_cast<uint8_t>(c) + delta);
    return s;
}

}  // namespace wxh::test

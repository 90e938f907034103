// Fuzz target: the directory parser behind GetCrowInfo on arbitrary bytes, parsed in memory.
// The count stays within the format's limit and what the bytes can hold, the lists agree with
// it, every name shows as well-formed UTF-8, and the release-side name check accepts only
// names it decoded.
#include <string>
#include <vector>

#include "common/cp932.h"
#include "crow/CrowDirectory.h"
#include "fuzz/fuzz_common.h"

namespace {

bool ValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        size_t len = c < 0x80 ? 1 : (c >= 0xC2 && c < 0xE0) ? 2 : (c >= 0xE0 && c < 0xF0) ? 3 : (c >= 0xF0 && c < 0xF5) ? 4 : 0;
        if (len == 0 || i + len > s.size()) return false;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wxh::MemorySource src(data, size);
    wxh::CrowDirectory d;
    const wxh::DirectoryStatus r = wxh::ReadCrowDirectory(src, d);
    if (r != wxh::DirectoryStatus::Ok) {
        if (r == wxh::DirectoryStatus::NotCrow && d.generation != 0) wxh::fuzz::Fail("a Crow magic called no Crow file");
        return 0;
    }
    if (d.generation < 1 || d.generation > 3) wxh::fuzz::Fail("generation out of range");
    const size_t count = static_cast<size_t>(d.lastIndex) + 1;
    if (d.lastIndex < 0 || count > 32767) wxh::fuzz::Fail("a count beyond the format's limit was accepted");
    if (count != d.names.size() || count != d.sizes.size() || count != d.offsets.size())
        wxh::fuzz::Fail("count and lists disagree");
    // Every entry costs at least 6 bytes of table: the count can never exceed what the bytes hold.
    if (count > size / 6) wxh::fuzz::Fail("more entries than the bytes can hold");
    if (d.dataStart > static_cast<int64_t>(size)) wxh::fuzz::Fail("tables end beyond the bytes");
    for (const std::string& n : d.names)
        if (!ValidUtf8(wxh::Cp932ToUtf8(n))) wxh::fuzz::Fail("a name does not show as UTF-8");
    std::vector<std::string> utf8;
    if (wxh::CheckReleaseNames(d, utf8)) {
        if (utf8.size() != count) wxh::fuzz::Fail("accepted names and count disagree");
        for (size_t i = 0; i < count; ++i)
            if (utf8[i].empty() || utf8[i].find('/') != std::string::npos || d.sizes[i] <= 0)
                wxh::fuzz::Fail("the release check let an unusable entry through");
    }
    return 0;
}

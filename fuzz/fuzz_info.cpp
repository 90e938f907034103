// Fuzz target: the one Crow reader (behind GetCrowInfo, the releases, info and mount) on
// arbitrary bytes, read in memory.
// The count stays within the format's limit and what the bytes can hold, the lists agree with
// it, every name shows as well-formed UTF-8, and the release-side name check accepts only
// names it decoded.
#include <string>
#include <vector>

#include "common/cp932.h"
#include "crow/CrowReader.h"
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
    wxh::CrowReader reader;
    const bool passed = reader.Open(src);
    const wxh::CrowReason why = reader.Fault().reason;
    if (passed != (why == wxh::CrowReason::None)) wxh::fuzz::Fail("the verdict and the recorded reason disagree");
    if (!reader.DirectoryRead()) {
        if (why == wxh::CrowReason::NotCrow && reader.Generation() != 0) wxh::fuzz::Fail("a Crow magic called no Crow file");
        return 0;
    }
    if (reader.Generation() < 1 || reader.Generation() > 3) wxh::fuzz::Fail("generation out of range");
    const std::vector<wxh::CrowEntry>& entries = reader.Entries();
    const size_t count = entries.size();
    if (count < 1 || count > 32767) wxh::fuzz::Fail("a count beyond the format's limit was accepted");
    // Every entry costs at least 6 bytes of table: the count can never exceed what the bytes hold.
    if (count > size / 6) wxh::fuzz::Fail("more entries than the bytes can hold");
    if (reader.DataStart() > static_cast<int64_t>(size)) wxh::fuzz::Fail("tables end beyond the bytes");
    for (size_t i = 0; i < count; ++i) {
        if (entries[i].stored.size() > wxh::CrowReader::kMaxNameBytes) wxh::fuzz::Fail("an over-long name was kept");
        if (!ValidUtf8(reader.ShownName(i))) wxh::fuzz::Fail("a name does not show as UTF-8");
    }
    if (passed) {
        if (reader.Names().size() != count) wxh::fuzz::Fail("accepted names and count disagree");
        for (size_t i = 0; i < count; ++i)
            if (reader.Names()[i].empty() || reader.Names()[i].find('/') != std::string::npos || entries[i].size <= 0)
                wxh::fuzz::Fail("the release check let an unusable entry through");
        if (reader.DataStart() + reader.TotalSize() > static_cast<int64_t>(size)) wxh::fuzz::Fail("data area beyond the bytes");
    }
    return 0;
}

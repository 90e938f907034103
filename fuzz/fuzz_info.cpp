// Fuzz target: GetCrowInfo on arbitrary bytes. Results stay within their codes, the lists
// agree with the count, and every name is well-formed UTF-8.
#include <string>
#include <vector>

#include "crow/WxhObject.h"
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
    static const std::string file = wxh::fuzz::ScratchRoot() + "/info.bmp";
    wxh::fuzz::WriteInput(file, data, size);
    wxh::WxhObject obj;
    int32_t ver = -7, mark = -7, count = -7;
    std::vector<std::string> names;
    std::vector<int32_t> sizes;
    int32_t r = obj.GetCrowInfo(file, ver, mark, count, names, sizes);
    if (r != 0 && r != 1 && r != 2) wxh::fuzz::Fail("GetCrowInfo result out of range");
    if (r == 0) {
        if (ver < 1 || ver > 3) wxh::fuzz::Fail("generation out of range");
        if (mark != 0 && mark != 1) wxh::fuzz::Fail("password mark out of range");
        if (mark == 1 && ver != 3) wxh::fuzz::Fail("password mark on a file that is not CRW3");
        if (count < 1 || static_cast<size_t>(count) != names.size() || names.size() != sizes.size())
            wxh::fuzz::Fail("count and lists disagree");
        // Every entry costs at least 6 bytes of table: the count can never exceed what the file holds.
        if (static_cast<size_t>(count) > size / 6) wxh::fuzz::Fail("more entries than the file can hold");
        for (const std::string& n : names)
            if (!ValidUtf8(n)) wxh::fuzz::Fail("a name is not UTF-8");
    }
    return 0;
}

#include "common/stored_names.h"

#include <cwctype>
#include <locale.h>
#include <algorithm>
#include <string_view>
#include <utility>

#include "common/cp932.h"

namespace wxh {
namespace {

// Code page 932 forms of the stand-ins.
constexpr const char* kFullWidthBackslash = "\x81\x5F";  // ＼ U+FF3C
constexpr const char* kFullWidthYen = "\x81\x8F";        // ￥ U+FFE5
constexpr const char* kFullWidthColon = "\x81\x46";      // ： U+FF1A

constexpr size_t kMaxNameBytes = 255;

bool IsControl(char32_t cp) { return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F); }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool DriveLike(const std::string& s) { return s.size() >= 2 && IsAsciiLetter(s[0]) && s[1] == ':'; }

// The case-mapping tables of C.UTF-8 cover every script; made once, never freed.
locale_t CaseLocale() {
    static const locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        if (!l) l = newlocale(LC_CTYPE_MASK, "C.utf8", nullptr);
        return l;
    }();
    return loc;
}

}  // namespace

const char* NameProblemText(NameProblem problem) {
    switch (problem) {
        case NameProblem::None: return "no problem";
        case NameProblem::Empty: return "an empty name";
        case NameProblem::DotName: return "the name . or ..";
        case NameProblem::TooLong: return "longer than 255 bytes";
        case NameProblem::Separator: return "holds a path separator";
        case NameProblem::Control: return "holds a control character";
        case NameProblem::Drive: return "starts with a drive";
        case NameProblem::NotCp932: return "not valid Shift-JIS text";
        case NameProblem::Collision: return "becomes the same name as another file";
    }
    return "unknown";
}

std::string NameToCp932(const std::string& diskName) {
    std::string out;
    std::string run;  // ordinary characters, converted together
    const auto flush = [&] {
        if (!run.empty()) out += Utf8ToCp932(run);
        run.clear();
    };
    size_t i = 0;
    while (i < diskName.size()) {
        char32_t cp = 0;
        const size_t n = DecodeUtf8(diskName, i, cp);
        if (n == 0) {  // not UTF-8: the byte becomes "_"
            flush();
            out += '_';
            ++i;
            continue;
        }
        if (IsControl(cp)) {
            flush();
            out += '_';
        } else if (cp == U'\\') {
            flush();
            out += kFullWidthBackslash;
        } else if (cp == U'\u00A5') {
            flush();
            out += kFullWidthYen;
        } else {
            run.append(diskName, i, n);
        }
        i += n;
    }
    flush();
    // A trail byte is never ":", so the second byte here is the second character.
    if (DriveLike(out)) out.replace(1, 1, kFullWidthColon);
    return out;
}

NameProblem CheckStoredName(const std::string& cp932, std::string& released) {
    released.clear();
    if (cp932.empty()) return NameProblem::Empty;
    if (!Cp932ToUtf8Strict(cp932, released)) return NameProblem::NotCp932;
    if (released == "." || released == "..") return NameProblem::DotName;
    if (released.size() > kMaxNameBytes) return NameProblem::TooLong;
    for (size_t i = 0; i < released.size();) {
        char32_t cp = 0;
        const size_t n = DecodeUtf8(released, i, cp);
        if (n == 0) return NameProblem::NotCp932;
        if (cp == U'/' || cp == U'\\') return NameProblem::Separator;
        if (IsControl(cp)) return NameProblem::Control;
        i += n;
    }
    if (DriveLike(released)) return NameProblem::Drive;
    return NameProblem::None;
}

std::vector<StoredName> PlanStoredNames(const std::vector<std::string>& diskNames) {
    std::vector<StoredName> plan(diskNames.size());
    std::vector<std::pair<std::string_view, size_t>> byReleased;  // the names that can be released
    byReleased.reserve(diskNames.size());
    for (size_t i = 0; i < diskNames.size(); ++i) {
        StoredName& s = plan[i];
        s.disk = diskNames[i];
        s.cp932 = NameToCp932(s.disk);
        s.problem = CheckStoredName(s.cp932, s.released);
        if (s.problem == NameProblem::None) byReleased.emplace_back(s.released, i);
    }
    // Equal released names side by side, the earliest first: every later one collides with it.
    std::sort(byReleased.begin(), byReleased.end());
    size_t first = 0;
    for (size_t k = 1; k < byReleased.size(); ++k) {
        if (byReleased[k].first != byReleased[first].first) {
            first = k;
            continue;
        }
        StoredName& later = plan[byReleased[k].second];
        later.problem = NameProblem::Collision;
        later.collidesWith = byReleased[first].second;
    }
    return plan;
}

std::string NameOrderKey(const std::string& name) {
    const locale_t loc = CaseLocale();
    std::string key;
    key.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        char32_t cp = 0;
        const size_t n = DecodeUtf8(name, i, cp);
        if (n == 0) {
            key.push_back(name[i++]);
            continue;
        }
        char32_t lower = cp;
        if (cp >= U'A' && cp <= U'Z') lower = cp - U'A' + U'a';
        else if (cp >= 0x80 && loc) lower = static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), loc));
        AppendUtf8(key, lower);
        i += n;
    }
    return key;
}

}  // namespace wxh

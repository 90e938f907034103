#include "common/cp932.h"

#include <cerrno>
#include <clocale>
#include <cstring>
#include <iconv.h>
#include <locale.h>

namespace wxh {
namespace {

// An iconv descriptor. Cached ones (the plain conversions) are opened once per thread and
// kept, so converting many names costs no iconv_open each; others are closed with the object.
class Converter {
public:
    Converter(const char* to, const char* from, bool cached = false)
        : cd_(cached ? Cached(to, from) : iconv_open(to, from)), owned_(!cached) {}
    ~Converter() {
        if (ok() && owned_) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts in full; false when any input sequence is refused or incomplete.
    bool Convert(const char* in, size_t inLen, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.clear();
        char buf[256];
        char* src = const_cast<char*>(in);
        size_t left = inLen;
        while (left) {
            char* dst = buf;
            size_t room = sizeof buf;
            const size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(buf, static_cast<size_t>(dst - buf));
            if (r == static_cast<size_t>(-1) && errno != E2BIG) return false;
        }
        char* dst = buf;
        size_t room = sizeof buf;
        iconv(cd_, nullptr, nullptr, &dst, &room);
        out.append(buf, static_cast<size_t>(dst - buf));
        return true;
    }

    // Like Convert, but stops at the first refused sequence; returns the bytes consumed.
    size_t ConvertPrefix(const char* in, size_t inLen, std::string& out, int& err) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buf[256];
        char* src = const_cast<char*>(in);
        size_t left = inLen;
        err = 0;
        while (left) {
            char* dst = buf;
            size_t room = sizeof buf;
            const size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(buf, static_cast<size_t>(dst - buf));
            if (r == static_cast<size_t>(-1) && errno != E2BIG) {
                err = errno;
                break;
            }
        }
        return inLen - left;
    }

private:
    static iconv_t Cached(const char* to, const char* from) {
        struct Slot {
            const char* to;
            const char* from;
            iconv_t cd;
        };
        static thread_local Slot slots[2] = {{"CP932", "UTF-8", reinterpret_cast<iconv_t>(-1)},
                                             {"UTF-8", "CP932", reinterpret_cast<iconv_t>(-1)}};
        for (Slot& s : slots) {
            if (std::strcmp(s.to, to) != 0 || std::strcmp(s.from, from) != 0) continue;
            if (s.cd == reinterpret_cast<iconv_t>(-1)) s.cd = iconv_open(to, from);
            return s.cd;
        }
        return iconv_open(to, from);  // not a cached pair: never reached by the callers below
    }

    iconv_t cd_;
    bool owned_;
};

bool IsAscii(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

// Transliteration tables are the locale's; C.UTF-8 carries glibc's general ones.
// The locale is switched for this thread only.
class TranslitLocale {
public:
    TranslitLocale() {
        loc_ = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        if (!loc_) loc_ = newlocale(LC_CTYPE_MASK, "C.utf8", nullptr);
        if (loc_) old_ = uselocale(loc_);
    }
    ~TranslitLocale() {
        if (loc_) {
            uselocale(old_);
            freelocale(loc_);
        }
    }
    TranslitLocale(const TranslitLocale&) = delete;
    TranslitLocale& operator=(const TranslitLocale&) = delete;

private:
    locale_t loc_ = nullptr;
    locale_t old_ = nullptr;
};

}  // namespace

size_t DecodeUtf8(const std::string& s, size_t i, char32_t& cp) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    size_t n;
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    if (c >= 0xC2 && c <= 0xDF) { n = 2; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { n = 3; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { n = 4; cp = c & 0x07; }
    else return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string Utf8ToCp932(const std::string& utf8) {
    Converter plain("CP932", "UTF-8", true);
    if (!plain.ok()) return std::string(utf8.size(), '_');
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    std::string piece;
    while (i < utf8.size()) {
        // Fast path: convert as much as converts directly.
        int err = 0;
        piece.clear();
        const size_t used = plain.ConvertPrefix(utf8.data() + i, utf8.size() - i, piece, err);
        out += piece;
        i += used;
        if (i >= utf8.size()) break;
        char32_t cp = 0;
        const size_t n = DecodeUtf8(utf8, i, cp);
        if (n == 0) {  // not UTF-8 at all
            out += '_';
            ++i;
            continue;
        }
        // A character CP932 lacks: its transliteration, or "_".
        std::string t;
        {
            TranslitLocale loc;
            Converter translit("CP932//TRANSLIT", "UTF-8");
            if (!translit.ok() || !translit.Convert(utf8.data() + i, n, t)) t.clear();
        }
        bool usable = !t.empty() && t != "?";
        for (char ch : t) {
            const unsigned char u = static_cast<unsigned char>(ch);
            if (u < 0x20 || ch == '/' || ch == '\\') usable = false;
        }
        out += usable ? t : std::string("_");
        i += n;
    }
    return out;
}

bool Utf8ToCp932Strict(const std::string& utf8, std::string& cp932) {
    Converter conv("CP932", "UTF-8", true);
    return conv.ok() && conv.Convert(utf8.data(), utf8.size(), cp932);
}

std::string Cp932ToUtf8(const std::string& cp932) {
    if (IsAscii(cp932)) return cp932;  // CP932 and UTF-8 agree on every byte below 0x80
    Converter conv("UTF-8", "CP932", true);
    if (!conv.ok()) return std::string();
    std::string out;
    size_t i = 0;
    while (i < cp932.size()) {
        int err = 0;
        const size_t used = conv.ConvertPrefix(cp932.data() + i, cp932.size() - i, out, err);
        i += used;
        if (i >= cp932.size()) break;
        out += "\xEF\xBF\xBD";  // U+FFFD for the refused byte
        if (err == EINVAL) break;  // an incomplete sequence at the end
        ++i;
    }
    return out;
}

bool Cp932ToUtf8Strict(const std::string& cp932, std::string& utf8) {
    if (IsAscii(cp932)) {
        utf8 = cp932;
        return true;
    }
    Converter conv("UTF-8", "CP932", true);
    if (!conv.ok()) return false;
    return conv.Convert(cp932.data(), cp932.size(), utf8);
}

}  // namespace wxh

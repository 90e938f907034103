#pragma once
#include <cstddef>
#include <string>

// Text inside Crow files (file names, passwords) is code page 932 bytes; the program
// works in UTF-8. Conversions go through glibc's iconv with "CP932" (never "SHIFT_JIS":
// the two differ on 0x5C and the tildes).
namespace wxh {

// UTF-8 to CP932 for packing. A character CP932 lacks becomes its closest transliteration
// (é -> e) or "_". Invalid UTF-8 bytes become "_".
std::string Utf8ToCp932(const std::string& utf8);

// UTF-8 to CP932 that refuses: false when a character has no CP932 form of its own (no
// transliteration, no "_") or the text is not UTF-8.
bool Utf8ToCp932Strict(const std::string& utf8, std::string& cp932);

// CP932 to UTF-8 for showing; an invalid sequence shows as U+FFFD.
std::string Cp932ToUtf8(const std::string& cp932);

// CP932 to UTF-8 that refuses: false (and utf8 left unspecified) when any sequence is invalid.
bool Cp932ToUtf8Strict(const std::string& cp932, std::string& utf8);

// The UTF-8 sequence starting at s[i]: its length, with its code point in cp; 0 when the
// bytes there are not UTF-8 (overlong forms and surrogates included).
size_t DecodeUtf8(const std::string& s, size_t i, char32_t& cp);

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace wxh

#pragma once
#include <string>

// Text inside Crow files (file names, passwords) is code page 932 bytes; the program
// works in UTF-8. Conversions go through glibc's iconv with "CP932" (never "SHIFT_JIS":
// the two differ on 0x5C and the tildes).
namespace wxh {

// UTF-8 to CP932 for packing. A character CP932 lacks becomes its closest transliteration
// (é -> e) or "_". Invalid UTF-8 bytes become "_".
std::string Utf8ToCp932(const std::string& utf8);

// CP932 to UTF-8 for showing; an invalid sequence shows as U+FFFD.
std::string Cp932ToUtf8(const std::string& cp932);

// CP932 to UTF-8 that refuses: false (and utf8 left unspecified) when any sequence is invalid.
bool Cp932ToUtf8Strict(const std::string& cp932, std::string& utf8);

}  // namespace wxh

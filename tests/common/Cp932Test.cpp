#include <gtest/gtest.h>

#include "common/cp932.h"

using namespace wxh;

namespace {

TEST(Utf8ToCp932, JapaneseAndTheBytesShiftJisWouldChange) {
    EXPECT_EQ(Utf8ToCp932("abc"), "abc");
    EXPECT_EQ(Utf8ToCp932("\\"), "\x5C");       // backslash stays 0x5C (not the yen sign)
    EXPECT_EQ(Utf8ToCp932("~"), "\x7E");
    EXPECT_EQ(Utf8ToCp932("～"), "\x81\x60");   // U+FF5E full-width tilde
    EXPECT_EQ(Utf8ToCp932("－"), "\x81\x7C");   // U+FF0D full-width hyphen-minus
    EXPECT_EQ(Utf8ToCp932("表"), "\x95\x5C");
    EXPECT_EQ(Utf8ToCp932("ソ"), "\x83\x5C");
    EXPECT_EQ(Utf8ToCp932("ｱ"), "\xB1");        // half-width katakana
    EXPECT_EQ(Utf8ToCp932("　"), "\x81\x40");   // ideographic space
    EXPECT_EQ(Utf8ToCp932("①"), "\x87\x40");    // an NEC special character
}

TEST(Utf8ToCp932, MissingCharactersTransliterateOrBecomeUnderscore) {
    EXPECT_EQ(Utf8ToCp932("café"), "cafe");
    EXPECT_EQ(Utf8ToCp932("Ünïcödé"), "Unicode");
    EXPECT_EQ(Utf8ToCp932("a✓b"), "a_b");
    EXPECT_EQ(Utf8ToCp932("x\xF0\x9F\x98\x80y"), "x_y");
    EXPECT_EQ(Utf8ToCp932("½"), "_");           // no "/" from a transliteration
    EXPECT_EQ(Utf8ToCp932("ab\xFF" "c"), "ab_c");  // not UTF-8
    EXPECT_EQ(Utf8ToCp932("end\xE3\x81"), "end__");  // each byte of a cut sequence
    // Over-long forms ("/" in two and three bytes) are not characters: each byte is one "_".
    EXPECT_EQ(Utf8ToCp932("a\xC0\xAF" "b\xE0\x80\xAF" "c"), "a__b___c");
    EXPECT_EQ(Utf8ToCp932("?"), "?");
}

TEST(Cp932ToUtf8, LenientShowsReplacementCharacter) {
    EXPECT_EQ(Cp932ToUtf8("\x93\xFA\x96\x7B"), "日本");
    EXPECT_EQ(Cp932ToUtf8("\x95\x5C\x83\x5C"), "表ソ");
    EXPECT_EQ(Cp932ToUtf8("a\x81"), "a\xEF\xBF\xBD");
    EXPECT_EQ(Cp932ToUtf8("\x85\x40z"), "\xEF\xBF\xBD@z");
    EXPECT_EQ(Cp932ToUtf8(""), "");
}

TEST(Cp932ToUtf8, StrictRefusesInvalidSequences) {
    std::string out;
    EXPECT_TRUE(Cp932ToUtf8Strict("\x81\x60\x5C\x7E", out));
    EXPECT_EQ(out, "～\\~");
    EXPECT_FALSE(Cp932ToUtf8Strict("a\x81", out));
    EXPECT_FALSE(Cp932ToUtf8Strict("\x85\x40", out));
    EXPECT_TRUE(Cp932ToUtf8Strict("", out));
    EXPECT_EQ(out, "");
}

TEST(Cp932, RoundTripOfEveryDoubleByteCharacter) {
    // Every double-byte code that decodes strictly encodes back to the same bytes, except
    // where CP932 has duplicates (NEC and IBM extensions), which come back as one canonical code.
    int decoded = 0, same = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const std::string b{static_cast<char>(lead), static_cast<char>(trail)};
            std::string u;
            if (!Cp932ToUtf8Strict(b, u)) continue;
            ++decoded;
            const std::string back = Utf8ToCp932(u);
            std::string again;
            ASSERT_TRUE(Cp932ToUtf8Strict(back, again)) << lead << " " << trail;
            ASSERT_EQ(again, u);
            same += back == b;
        }
    }
    EXPECT_GT(decoded, 7000);
    EXPECT_GT(same, 7000);
}

}  // namespace

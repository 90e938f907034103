#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>

#include "crow/CrowFormat.h"
#include "crow/WxhObject.h"

using namespace wxh;
using namespace wxh::crowfmt;

namespace {

TEST(CalcBitmapSize, Examples) {
    const struct {
        int64_t S;
        int32_t W, H;
    } cases[] = {{0, 0, 0},          {895, 0, 0},          {896, 7, 16},         {1791, 7, 16},
                 {3584, 14, 32},     {100000, 70, 160},    {1000000, 231, 528},  {10000000, 735, 1680},
                 {94, 0, 0},         {(int64_t{1} << 31) - 1, 7 * 1548, 16 * 1548}};
    for (const auto& c : cases) {
        int32_t W = -1, H = -1;
        WxhObject::CalcBitmapSize(c.S, W, H);
        EXPECT_EQ(W, c.W) << c.S;
        EXPECT_EQ(H, c.H) << c.S;
        // The pixel array a viewer reads stays inside the file.
        EXPECT_LE(int64_t{W} * H, c.S / 8);
    }
}

TEST(FillBitmapHeaders, FieldsInOrder) {
    const auto h = WxhObject::FillBitmapHeaders(0x01020304u, 735, 1680);
    EXPECT_EQ(h[0], 'B');
    EXPECT_EQ(h[1], 'M');
    EXPECT_EQ(GetU32(&h[2]), 0x01020304u);
    EXPECT_EQ(GetU32(&h[6]), 0u);
    EXPECT_EQ(GetU32(&h[10]), 54u);
    EXPECT_EQ(GetU32(&h[14]), 40u);
    EXPECT_EQ(GetU32(&h[18]), 735u);
    EXPECT_EQ(GetU32(&h[22]), 1680u);
    EXPECT_EQ(GetU16(&h[26]), 1u);
    EXPECT_EQ(GetU16(&h[28]), 24u);
    EXPECT_EQ(GetU32(&h[30]), 0u);
    EXPECT_EQ(GetU32(&h[34]), 0x01020304u);
    EXPECT_EQ(GetU32(&h[38]), 3780u);
    EXPECT_EQ(GetU32(&h[42]), 3780u);
    EXPECT_EQ(GetU32(&h[46]), 0u);
    EXPECT_EQ(GetU32(&h[50]), 0u);
}

TEST(SizeValue, Crow2EstimateCountsUtf16UnitsTwice) {
    EXPECT_EQ(Crow2SizeValue({"A.TXT", "B.TXT"}, {5, 3}), 94);
    EXPECT_EQ(Crow2SizeValue({"日本"}, {10}), 66 + 4 + 10);
    EXPECT_EQ(Crow2SizeValue({"\xF0\x9F\x98\x80"}, {1}), 66 + 4 + 1);  // a surrogate pair
    EXPECT_EQ(Crow3SizeValue({"A.TXT", "B.TXT"}, {5, 3}), 66 + 7 + 7 + 8 + 8);
}

TEST(Keys, FromNumberAndPassword) {
    const std::string k = KeyFromNumber(16382);  // 0x3FFE
    ASSERT_EQ(k.size(), 1234u);
    for (size_t i = 0; i < k.size(); ++i) ASSERT_EQ(static_cast<uint8_t>(k[i]), i % 2 ? 0xFE : 0x3F);
    EXPECT_EQ(KeyFromPassword("A"), std::string("A\0", 2));
    EXPECT_EQ(KeyFromPassword("日本"), std::string("\x93\xFA\x96\x7B\0", 5));
}

TEST(Keys, ExpandedKeyGivesTheKeyAtAnyOffset) {
    const std::string key = "abc";
    const auto ext = ExpandKey(key, 10);
    ASSERT_EQ(ext.size(), 13u);
    for (size_t off = 0; off < 3; ++off)
        for (size_t i = 0; i < 10; ++i) ASSERT_EQ(ext[off + i], static_cast<uint8_t>(key[(off + i) % 3]));
}

// Pieces of any length at any position, across the key's window, give the key byte of each
// position: the same as applying the key byte by byte.
TEST(Keys, KeyStreamAppliesTheKeyOfEachPosition) {
    const std::string key = KeyFromPassword("パスワード7");  // 12 bytes: does not divide the window
    const KeyStream keys(key);
    std::vector<uint8_t> data(20000), expected(20000);
    for (size_t i = 0; i < data.size(); ++i) expected[i] = static_cast<uint8_t>(i * 31 - key[i % key.size()]);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31);
    for (size_t at = 0, n = 1; at < data.size(); at += n, n = n * 3 + 1) {  // 1, 4, 13, ... 9841 bytes
        n = std::min(n, data.size() - at);
        keys.Subtract(data.data() + at, n, static_cast<int64_t>(at));
    }
    EXPECT_EQ(data, expected);
    keys.Add(data.data() + 5, data.size() - 5, 5);
    keys.Add(data.data(), 5, 0);
    for (size_t i = 0; i < data.size(); ++i) ASSERT_EQ(data[i], static_cast<uint8_t>(i * 31)) << i;
}

TEST(Transform, AddAndSubtractUndoEachOther) {
    std::vector<uint8_t> data(1000), key(1000);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 7);
        key[i] = static_cast<uint8_t>(255 - i);
    }
    const auto orig = data;
    SubtractKey(data.data(), data.size(), key.data());
    EXPECT_EQ(data[1], static_cast<uint8_t>(7 - 254));
    AddKey(data.data(), data.size(), key.data());
    EXPECT_EQ(data, orig);
    AddByte(data.data(), data.size(), 1);
    EXPECT_EQ(data[255 * 0 + 0], 1);
    AddByte(data.data(), data.size(), 255);
    EXPECT_EQ(data, orig);
}

TEST(ProgressStep, WholePassesPastTheThreshold) {
    EXPECT_EQ(ProgressStep(18877, 1), 18877);
    EXPECT_EQ(ProgressStep(18877, 1234), 19744);
    EXPECT_EQ(ProgressStep(18877, 2), 18878);
    EXPECT_EQ(ProgressStep(18877, 18877), 18877);
    EXPECT_EQ(ProgressStep(18877, 30000), 30000);
}

TEST(Descriptions, OperationTexts) {
    EXPECT_EQ(std::string(WxhObject::Crow2Description),
              "簡易暗号化モード(CROW2-Format)　　返値　０：成功　－１：ユーザがキャンセルした場合　２：ファイルの書き込みに失敗");
    EXPECT_NE(std::string(WxhObject::Crow3Description).find("Password引数を省略することで"), std::string::npos);
}

}  // namespace

namespace {

// A generator that returns the values it is given, in turn.
struct ScriptedGenerator {
    using result_type = uint32_t;
    static constexpr result_type min() { return 0; }
    static constexpr result_type max() { return 0xFFFFFFFFu; }
    std::vector<result_type> values;
    size_t next = 0;
    result_type operator()() { return values[next++ % values.size()]; }
};

TEST(DrawKeyNumber, CoversOneTo16382AndNothingElse) {
    // r = 0 gives 1; the largest r gives 16382; r just below k / 16382 gives k.
    ScriptedGenerator g{{0u, 0xFFFFFFFFu, 0x80000000u, 262144u, 262177u}};
    EXPECT_EQ(DrawKeyNumber(g), 1);
    EXPECT_EQ(DrawKeyNumber(g), 16382);
    EXPECT_EQ(DrawKeyNumber(g), 8192);  // r = 0.5
    EXPECT_EQ(DrawKeyNumber(g), 1);     // 262144 / 2^32 x 16382 = 0.99988
    EXPECT_EQ(DrawKeyNumber(g), 2);     // 262177 / 2^32 x 16382 = 1.000004

    std::mt19937 seeded(20261207);
    int32_t lo = INT32_MAX, hi = INT32_MIN;
    for (int i = 0; i < 200000; ++i) {
        const int32_t k = DrawKeyNumber(seeded);
        lo = std::min(lo, k);
        hi = std::max(hi, k);
    }
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 16382);
}

}  // namespace

#include <gtest/gtest.h>

#include <filesystem>

#include "crow/CrowFormat.h"
#include "crow/HeadlessProgress.h"
#include "crow/WxhObject.h"
#include "support/CrowSamples.h"
#include "support/TempDir.h"

using namespace wxh;
using namespace wxh::test;
namespace fs = std::filesystem;

namespace {

// The worked example of the format: A.TXT "hello" and B.TXT "abc" as CRW2, byte for byte.
TEST(CrowFormat, WorkedExampleCrw2ByteForByte) {
    TempDir src, out;
    WriteFile(src.file("A.TXT"), "hello");
    WriteFile(src.file("B.TXT"), "abc");
    WxhObject o;
    ASSERT_EQ(o.Crow2(src.str(), out.file("x.bmp")), 0);
    EXPECT_EQ(ReadFile(out.file("x.bmp")), WorkedExample());
}

// Two files as CRW3 with the password "pw" (key 70 77 00, three bytes long), every byte
// written out by hand. The first file is five bytes, not a whole number of key passes, so a
// key that ran on into the second file, or one that started anywhere but its first byte,
// shows here even when writer and reader make the same mistake.
TEST(CrowFormat, HandBuiltCrw3ByteForByte) {
    const uint8_t bytes[] = {
        0x42, 0x4d, 0x60, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x00, 0x00, 0x00, 0x28, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x18, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x60, 0x00, 0x00, 0x00, 0xc4, 0x0e, 0x00, 0x00, 0xc4, 0x0e, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x43, 0x52, 0x57, 0x33, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00,
        0x00, 0x00, 0x05, 0x00, 0x61, 0x2e, 0x74, 0x78, 0x74, 0x05, 0x00, 0x62, 0x2e, 0x74, 0x78, 0x74,
        0x05, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
        0xf8, 0xee, 0x6c, 0xfc, 0xf8,  // "hello" minus 70 77 00 70 77
        0xf1, 0xeb, 0x63,              // "abc" minus 70 77 00: the key starts again
    };
    const std::string expected(reinterpret_cast<const char*>(bytes), sizeof bytes);
    TempDir src, out, dst;
    WriteFile(src.file("a.txt"), "hello");
    WriteFile(src.file("b.txt"), "abc");
    WxhObject o;
    ASSERT_EQ(o.Crow3(src.str(), out.file("x.bmp"), "pw"), 0);
    EXPECT_EQ(ReadFile(out.file("x.bmp")), expected);

    WriteFile(out.file("hand.bmp"), expected);
    ASSERT_EQ(o.UnCrow3(out.file("hand.bmp"), dst.str(), "pw"), 0);
    EXPECT_EQ(ReadFile(dst.file("a.txt")), "hello");
    EXPECT_EQ(ReadFile(dst.file("b.txt")), "abc");
}

struct RoundTripCase {
    int gen;
    std::string password;
};

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

// Japanese names (including 表 and ソ, whose second CP932 byte is 0x5C) and sizes around the
// progress thresholds come back byte for byte.
TEST_P(RoundTrip, AllFilesComeBackByteForByte) {
    const auto& c = GetParam();
    TempDir src, out, dst;
    const std::vector<std::pair<std::string, size_t>> files = {
        {"a.txt", 1},          {"表ソ能.dat", 1234},   {"日本語ファイル.bin", 18876}, {"b18877", 18877},
        {"C18878.bin", 18878}, {"x23456", 23456},     {"y23457", 23457},            {"大きい.bin", 3 * 1048576 + 17}};
    uint32_t seed = 7;
    for (const auto& [name, size] : files) WriteFile(src.file(name), PatternBytes(size, seed++));
    const std::string crow = out.file("p.bmp");
    {
        WxhObject o;
        ASSERT_EQ(c.gen == 2 ? o.Crow2(src.str(), crow) : o.Crow3(src.str(), crow, c.password), 0);
    }
    {
        WxhObject o;
        int32_t ver = 0, ex = 0, n = 0;
        std::vector<std::string> names;
        std::vector<int32_t> sizes;
        ASSERT_EQ(o.GetCrowInfo(crow, ver, ex, n, names, sizes), 0);
        EXPECT_EQ(ver, c.gen);
        EXPECT_EQ(ex, c.password.empty() ? 0 : 1);
        EXPECT_EQ(n, static_cast<int32_t>(files.size()));
        if (c.gen == 3) {  // CRW3's size value is the exact length
            const std::string bytes = ReadFile(crow);
            EXPECT_EQ(crowfmt::GetU32(reinterpret_cast<const uint8_t*>(bytes.data()) + 2), bytes.size());
        }
    }
    {
        WxhObject o;
        ASSERT_EQ(c.gen == 2 ? o.UnCrow2(crow, dst.str()) : o.UnCrow3(crow, dst.str(), c.password), 0);
    }
    seed = 7;
    for (const auto& [name, size] : files) EXPECT_EQ(ReadFile(dst.file(name)), PatternBytes(size, seed++)) << name;
}

INSTANTIATE_TEST_SUITE_P(Generations, RoundTrip,
                         ::testing::Values(RoundTripCase{2, ""}, RoundTripCase{3, ""}, RoundTripCase{3, "k"},
                                           RoundTripCase{3, "秘密のパス"}));

}  // namespace

#include <gtest/gtest.h>

#include <filesystem>

#include "CrowTestUtil.h"
#include "crow/HeadlessProgress.h"
#include "crow/WxhObject.h"
#include "support/TempDir.h"

using namespace wxh;
using namespace wxh::test;
namespace fs = std::filesystem;

namespace {

int32_t Info(const std::string& path, int32_t& ver, int32_t& ex, int32_t& n, std::vector<std::string>& names,
             std::vector<int32_t>& sizes) {
    WxhObject o;
    return o.GetCrowInfo(path, ver, ex, n, names, sizes);
}

int32_t Info(const std::string& path) {
    int32_t ver, ex, n;
    std::vector<std::string> names;
    std::vector<int32_t> sizes;
    return Info(path, ver, ex, n, names, sizes);
}

TEST(GetCrowInfo, ReportsGenerationPasswordMarkAndDirectory) {
    TempDir t;
    WriteFile(t.file("1.bmp"), MakeCrowBytes("CRW1", {"x.txt", Utf8ToCp932("日本.txt")}, {3, 2}, "abcde"));
    WriteFile(t.file("3p.bmp"), MakeCrowBytes("CRW3", {"p"}, {1}, "z", 0));
    WriteFile(t.file("3k.bmp"), MakeCrowBytes("CRW3", {"p"}, {1}, "z", 77));
    int32_t ver, ex, n;
    std::vector<std::string> names;
    std::vector<int32_t> sizes;
    ASSERT_EQ(Info(t.file("1.bmp"), ver, ex, n, names, sizes), 0);
    EXPECT_EQ(ver, 1);
    EXPECT_EQ(ex, 0);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(names, (std::vector<std::string>{"x.txt", "日本.txt"}));
    EXPECT_EQ(sizes, (std::vector<int32_t>{3, 2}));
    ASSERT_EQ(Info(t.file("3p.bmp"), ver, ex, n, names, sizes), 0);
    EXPECT_EQ(ver, 3);
    EXPECT_EQ(ex, 1);
    ASSERT_EQ(Info(t.file("3k.bmp"), ver, ex, n, names, sizes), 0);
    EXPECT_EQ(ex, 0);
}

TEST(GetCrowInfo, ShowsInvalidNameBytesAsReplacementCharacter) {
    TempDir t;
    WriteFile(t.file("c.bmp"), MakeCrowBytes("CRW2", {std::string("a\x81", 2)}, {1}, "x"));
    int32_t ver, ex, n;
    std::vector<std::string> names;
    std::vector<int32_t> sizes;
    ASSERT_EQ(Info(t.file("c.bmp"), ver, ex, n, names, sizes), 0);
    EXPECT_EQ(names[0], "a\xEF\xBF\xBD");
}

TEST(GetCrowInfo, ResultCodes) {
    TempDir t;
    EXPECT_EQ(Info(t.file("missing.bmp")), 1);
    EXPECT_EQ(Info(t.str()), 1);  // a folder
    WriteFile(t.file("pic.bmp"), std::string("BM") + std::string(200, '\x11'));
    EXPECT_EQ(Info(t.file("pic.bmp")), 2);
    WriteFile(t.file("short.bmp"), "BM");
    EXPECT_EQ(Info(t.file("short.bmp")), 2);
    WriteFile(t.file("lower.bmp"), MakeCrowBytes("crw2", {"a"}, {1}, "b"));
    EXPECT_EQ(Info(t.file("lower.bmp")), 2);
    // Untrusted header fields: negative LastIndex, tables past the end, an absurd count.
    std::string neg = MakeCrowBytes("CRW2", {"a"}, {1}, "b");
    neg[58] = neg[59] = neg[60] = neg[61] = '\xFF';
    WriteFile(t.file("neg.bmp"), neg);
    EXPECT_EQ(Info(t.file("neg.bmp")), 1);
    std::string huge = MakeCrowBytes("CRW2", {"a"}, {1}, "b");
    huge[58] = huge[59] = huge[60] = '\xFF';
    huge[61] = '\x7F';
    WriteFile(t.file("huge.bmp"), huge);
    EXPECT_EQ(Info(t.file("huge.bmp")), 1);
    const std::string full = MakeCrowBytes("CRW2", {"abc", "def"}, {1, 1}, "xy");
    for (size_t cut : {60u, 64u, 70u, 75u}) {
        WriteFile(t.file("cut.bmp"), full.substr(0, cut));
        EXPECT_EQ(Info(t.file("cut.bmp")), 1) << cut;
    }
    // The data area is never looked at: a cut data area still lists.
    WriteFile(t.file("cut.bmp"), full.substr(0, full.size() - 2));
    EXPECT_EQ(Info(t.file("cut.bmp")), 0);
}

class WriterCodes : public ::testing::TestWithParam<int> {};

TEST_P(WriterCodes, FailuresGiveTwoAndCreateNothing) {
    const auto pack = [&](const std::string& dir, const std::string& save) {
        WxhObject o;
        return GetParam() == 2 ? o.Crow2(dir, save) : o.Crow3(dir, save);
    };
    TempDir src, out;
    EXPECT_EQ(pack(src.file("missing"), out.file("a.bmp")), 2);
    EXPECT_EQ(pack(src.str(), out.file("a.bmp")), 2);  // empty folder
    fs::create_directory(src.file("sub"));
    WriteFile(src.file(".hidden"), "x");
    EXPECT_EQ(pack(src.str(), out.file("a.bmp")), 2);  // only a sub-folder and a hidden file
    WriteFile(src.file("f.txt"), "data");
    EXPECT_EQ(pack(src.str(), out.file("no/such/folder/a.bmp")), 2);
    EXPECT_EQ(pack(src.str(), out.str()), 2);  // the target is a folder
    WriteFile(src.file("g.txt"), "");
    EXPECT_EQ(pack(src.str(), out.file("a.bmp")), 2);  // an empty file
    EXPECT_TRUE(fs::is_empty(out.path()));
    fs::remove(src.file("g.txt"));
    EXPECT_EQ(pack(src.str(), out.file("a.bmp")), 0);
    EXPECT_EQ(pack(src.str() + "/", out.file("b.bmp")), 0);  // with a trailing separator
}

INSTANTIATE_TEST_SUITE_P(Writers, WriterCodes, ::testing::Values(2, 3));

struct Crafted {
    std::string crw1, crw2, crw3;
};

Crafted MakeAll() {
    Crafted c;
    c.crw1 = MakeCrowBytes("CRW1", {"a.txt"}, {3}, "abc");
    c.crw2 = MakeCrowBytes("CRW2", {"a.txt"}, {3}, Shift("abc", 1));
    c.crw3 = MakeCrowBytes("CRW3", {"a.txt"}, {3}, "abc", 0);  // password protected
    return c;
}

TEST(ReleaseCodes, UnCrow3) {
    TempDir t, dst;
    const Crafted c = MakeAll();
    WriteFile(t.file("3.bmp"), c.crw3);
    WriteFile(t.file("2.bmp"), c.crw2);
    WxhObject o;
    EXPECT_EQ(o.UnCrow3(t.file("missing"), dst.str(), "pw"), 2);
    EXPECT_EQ(o.UnCrow3(t.file("2.bmp"), dst.str(), "pw"), 1);  // its bfSize matches: the magic decides
    WriteFile(t.file("2est.bmp"), MakeCrowBytes("CRW2", {"a.txt"}, {3}, "bcd", 1, 94));
    EXPECT_EQ(o.UnCrow3(t.file("2est.bmp"), dst.str(), "pw"), 3);  // the length check comes first
    EXPECT_EQ(o.UnCrow3(t.file("3.bmp"), dst.str(), ""), 2);   // needs a password
    EXPECT_EQ(o.UnCrow3(t.file("3.bmp"), dst.file("nowhere"), "pw"), 2);
    WriteFile(t.file("long.bmp"), c.crw3 + "x");
    EXPECT_EQ(o.UnCrow3(t.file("long.bmp"), dst.str(), "pw"), 3);
    WriteFile(t.file("cut.bmp"), c.crw3.substr(0, c.crw3.size() - 1));
    EXPECT_EQ(o.UnCrow3(t.file("cut.bmp"), dst.str(), "pw"), 3);
    EXPECT_TRUE(fs::is_empty(dst.path()));
    EXPECT_EQ(o.UnCrow3(t.file("3.bmp"), dst.str(), "pw"), 0);
    // "pw" in CP932 plus a 0 byte: positions 0, 1, 2 get p, w, 0 added.
    const std::string expected = {char('a' + 'p'), char('b' + 'w'), 'c'};
    EXPECT_EQ(ReadFile(dst.file("a.txt")), expected);
}

TEST(ReleaseCodes, UnCrow2AndUnCrow1) {
    TempDir t, dst;
    const Crafted c = MakeAll();
    WriteFile(t.file("1.bmp"), c.crw1);
    WriteFile(t.file("2.bmp"), c.crw2);
    WriteFile(t.file("3.bmp"), c.crw3);
    WxhObject o;
    EXPECT_EQ(o.UnCrow2(t.file("missing"), dst.str()), 2);
    EXPECT_EQ(o.UnCrow1(t.file("missing"), dst.str()), 2);
    EXPECT_EQ(o.UnCrow2(t.file("1.bmp"), dst.str()), 1);
    EXPECT_EQ(o.UnCrow2(t.file("3.bmp"), dst.str()), 1);
    EXPECT_EQ(o.UnCrow1(t.file("2.bmp"), dst.str()), 1);
    EXPECT_EQ(o.UnCrow2(t.file("2.bmp"), dst.file("nowhere")), 2);
    EXPECT_EQ(o.UnCrow1(t.file("1.bmp"), dst.file("nowhere")), 2);
    WriteFile(t.file("2cut.bmp"), c.crw2.substr(0, c.crw2.size() - 1));
    WriteFile(t.file("1cut.bmp"), c.crw1.substr(0, c.crw1.size() - 1));
    EXPECT_EQ(o.UnCrow2(t.file("2cut.bmp"), dst.str()), 3);
    EXPECT_EQ(o.UnCrow1(t.file("1cut.bmp"), dst.str()), 3);
    EXPECT_TRUE(fs::is_empty(dst.path()));
    // CRW1 and CRW2 are released whatever bfSize says.
    WriteFile(t.file("2odd.bmp"), MakeCrowBytes("CRW2", {"b.txt"}, {3}, Shift("xyz", 1), 1, 5));
    EXPECT_EQ(o.UnCrow2(t.file("2.bmp"), dst.str()), 0);
    EXPECT_EQ(o.UnCrow2(t.file("2odd.bmp"), dst.str()), 0);
    EXPECT_EQ(ReadFile(dst.file("a.txt")), "abc");
    EXPECT_EQ(ReadFile(dst.file("b.txt")), "xyz");
    EXPECT_EQ(o.UnCrow1(t.file("1.bmp"), dst.file("")), 0);  // "dst/" with its separator
}

// A CRW1 file made here: bytes stored as they are, 255 and 0 included.
TEST(ReleaseCodes, UnCrow1ReleasesStoredBytesUnchanged) {
    TempDir t, dst;
    const std::string a = std::string("\x00\xFF\x01", 3), b = PatternBytes(70000, 9);
    WriteFile(t.file("1.bmp"), MakeCrowBytes("CRW1", {"a", Utf8ToCp932("ソース")}, {3, 70000}, a + b));
    WxhObject o;
    ASSERT_EQ(o.UnCrow1(t.file("1.bmp"), dst.str()), 0);
    EXPECT_EQ(ReadFile(dst.file("a")), a);
    EXPECT_EQ(ReadFile(dst.file("ソース")), b);
}

TEST(ReleaseCodes, UntrustedTablesGiveTwo) {
    TempDir t, dst;
    std::string huge = MakeCrowBytes("CRW2", {"a"}, {1}, "b");
    huge[58] = huge[59] = huge[60] = '\xFF';
    huge[61] = '\x7F';
    WriteFile(t.file("huge.bmp"), huge);
    std::string neg = huge;
    neg[61] = '\xFF';
    WriteFile(t.file("neg.bmp"), neg);
    WriteFile(t.file("zero.bmp"), MakeCrowBytes("CRW2", {"a", "b"}, {1, 0}, "xy"));
    WriteFile(t.file("minus.bmp"), MakeCrowBytes("CRW1", {"a", "b"}, {1, -5}, "xy"));
    std::string cut3 = MakeCrowBytes("CRW3", {"abc", "def"}, {1, 1}, "xy");
    cut3 = cut3.substr(0, 70);  // inside the name table; bfSize made to agree
    const uint32_t len = static_cast<uint32_t>(cut3.size());
    for (int i = 0; i < 4; ++i) cut3[2 + i] = static_cast<char>(len >> (8 * i));
    WriteFile(t.file("cut3.bmp"), cut3);
    WxhObject o;
    EXPECT_EQ(o.UnCrow2(t.file("huge.bmp"), dst.str()), 2);
    EXPECT_EQ(o.UnCrow2(t.file("neg.bmp"), dst.str()), 2);
    EXPECT_EQ(o.UnCrow2(t.file("zero.bmp"), dst.str()), 2);
    EXPECT_EQ(o.UnCrow1(t.file("minus.bmp"), dst.str()), 2);
    EXPECT_EQ(o.UnCrow3(t.file("cut3.bmp"), dst.str(), "x"), 2);
    EXPECT_TRUE(fs::is_empty(dst.path()));
}

TEST(AskOverwrite, AnswersAndQuestions) {
    TempDir t;
    WriteFile(t.file("empty"), "");
    WriteFile(t.file("full"), "x");
    struct Recorder : OverwriteQuestion {
        std::vector<std::string> asked;
        int32_t answer = 6;
        int32_t Ask(const std::string& path) override {
            asked.push_back(path);
            return answer;
        }
    } rec;
    WxhObject o(nullptr, &rec);
    EXPECT_EQ(o.AskOverwrite(t.file("missing")), 6);
    EXPECT_EQ(o.AskOverwrite(t.file("empty")), 0);
    EXPECT_EQ(o.AskOverwrite(t.file("full")), 6);
    rec.answer = 7;
    EXPECT_EQ(o.AskOverwrite(t.file("full")), 7);
    EXPECT_EQ(rec.asked, (std::vector<std::string>{t.file("full"), t.file("full")}));
    WxhObject silent;  // no question: skip
    EXPECT_EQ(silent.AskOverwrite(t.file("full")), 7);
}

// Releasing into a folder that holds some of the files: a No keeps the file, an empty file is
// replaced without a question, the release goes on.
TEST(AskOverwrite, DuringARelease) {
    TempDir t, dst;
    WriteFile(t.file("2.bmp"),
              MakeCrowBytes("CRW2", {"a", "b", "c"}, {1, 2, 3}, Shift("1", 1) + Shift("22", 1) + Shift("333", 1)));
    WriteFile(dst.file("a"), "old a, longer than the new one");
    WriteFile(dst.file("b"), "");
    FixedOverwriteAnswer no(7), yes(6);
    {
        WxhObject o(nullptr, &no);
        EXPECT_EQ(o.UnCrow2(t.file("2.bmp"), dst.str()), 0);
    }
    EXPECT_EQ(ReadFile(dst.file("a")), "old a, longer than the new one");
    EXPECT_EQ(ReadFile(dst.file("b")), "22");
    EXPECT_EQ(ReadFile(dst.file("c")), "333");
    {
        WxhObject o(nullptr, &yes);
        EXPECT_EQ(o.UnCrow2(t.file("2.bmp"), dst.str()), 0);
    }
    EXPECT_EQ(ReadFile(dst.file("a")), "1");
}

}  // namespace

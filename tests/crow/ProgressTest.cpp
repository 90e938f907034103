#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>

#include "CrowTestUtil.h"
#include "RecordingDialog.h"
#include "crow/HeadlessProgress.h"
#include "crow/WxhObject.h"
#include "support/TempDir.h"

using namespace wxh;
using namespace wxh::test;
namespace fs = std::filesystem;

namespace {

using Points = std::vector<std::pair<int64_t, int64_t>>;

// Packs files of the given sizes (named f0, f1 ... in order) and returns the points seen.
Points PackPoints(int gen, const std::string& password, const std::vector<size_t>& sizes, const TempDir& out) {
    TempDir src;
    for (size_t i = 0; i < sizes.size(); ++i) WriteFile(src.file("f" + std::to_string(i)), PatternBytes(sizes[i], 3));
    RecordingDialog* d = nullptr;
    WxhObject o(RecordingFactory(d));
    const int32_t r = gen == 2 ? o.Crow2(src.str(), out.file("c.bmp")) : o.Crow3(src.str(), out.file("c.bmp"), password);
    EXPECT_EQ(r, 0);
    return d->points;
}

TEST(Progress, Crow2PointsEvery18877BytesOfEachFile) {
    TempDir out;
    const Points p = PackPoints(2, "", {18876, 18877, 18877 * 2 + 5}, out);
    EXPECT_EQ(p, (Points{{18877, 18877}, {18877, 37759}, {37754, 37759}}));
}

TEST(Progress, Crow3PointsAfterWholeKeyPasses) {
    TempDir out;
    // Random key: 1234-byte passes, the first pass end beyond 18876 is 16 x 1234 = 19744.
    EXPECT_EQ(PackPoints(3, "", {19743, 19744, 40000}, out),
              (Points{{19744, 19744}, {19744, 40000}, {39488, 40000}}));
    // One-character password: 2-byte passes, so 18878, 37756 ...
    EXPECT_EQ(PackPoints(3, "k", {18877, 18878, 37756}, out),
              (Points{{18878, 18878}, {18878, 37756}, {37756, 37756}}));
    // Three ASCII characters: 4-byte passes -> every 18880 bytes.
    EXPECT_EQ(PackPoints(3, "abc", {18879, 18880}, out), (Points{{18880, 18880}}));
}

TEST(Progress, WriterDialogSequenceAndCaptions) {
    TempDir src, out;
    WriteFile(src.file("a"), PatternBytes(37759));
    RecordingDialog* d = nullptr;
    WxhObject o(RecordingFactory(d));
    ASSERT_EQ(o.Crow2(src.str(), out.file("c.bmp")), 0);
    // The remaining bytes go out as numbers; the front ends word them.
    const std::vector<std::string> expected = {"Show",       "NowFile:a", "Clear",    "Per:37759", "DoEvents",
                                               "Per:18882",  "Fill:124",  "DoEvents", "Per:5",     "Fill:249",
                                               "DoEvents",   "Hide"};
    EXPECT_EQ(d->log, expected);
}

// Builds a Crow file from files of the given sizes and releases it, returning the points.
struct Seen {
    Points points;
    std::vector<std::string> log;
};

Seen ReleasePoints(int gen, const std::string& password, const std::vector<size_t>& sizes, const TempDir& work) {
    TempDir src;
    for (size_t i = 0; i < sizes.size(); ++i) WriteFile(src.file("f" + std::to_string(i)), PatternBytes(sizes[i], 4));
    const std::string crow = work.file("c.bmp");
    {
        WxhObject w;
        EXPECT_EQ(gen == 2 ? w.Crow2(src.str(), crow) : w.Crow3(src.str(), crow, password), 0);
    }
    const std::string dst = work.file("out");
    fs::create_directory(dst);
    RecordingDialog* d = nullptr;
    WxhObject o(RecordingFactory(d));
    EXPECT_EQ(gen == 2 ? o.UnCrow2(crow, dst) : o.UnCrow3(crow, dst, password), 0);
    return {d->points, d->log};
}

TEST(Progress, UnCrow2PointsEvery23456Bytes) {
    TempDir work;
    const Seen s = ReleasePoints(2, "", {23455, 23456, 46913}, work);
    EXPECT_EQ(s.points, (Points{{23456, 23456}, {23456, 46913}, {46912, 46913}}));
    EXPECT_EQ(std::count(s.log.begin(), s.log.end(), "Show"), 3);  // shown at every file
    EXPECT_EQ(s.log.back(), "Hide");
}

TEST(Progress, UnCrow3PointsAfterWholeKeyPasses) {
    TempDir work;
    EXPECT_EQ(ReleasePoints(3, "", {19743, 40000}, work).points, (Points{{19744, 40000}, {39488, 40000}}));
    TempDir work2;
    EXPECT_EQ(ReleasePoints(3, "パス", {18880}, work2).points, (Points{{18880, 18880}}));  // 4 + 1 bytes per pass -> 18880
}

TEST(Progress, UnCrow1AndGetCrowInfoNeverTouchTheDialog) {
    TempDir work;
    const std::string crow = work.file("c.bmp");
    WriteFile(crow, MakeCrowBytes("CRW1", {"big"}, {50000}, PatternBytes(50000)));
    RecordingDialog* d = nullptr;
    WxhObject o(RecordingFactory(d));
    int32_t ver = 0, ex = 0, n = 0;
    std::vector<std::string> names;
    std::vector<int32_t> sizes;
    ASSERT_EQ(o.GetCrowInfo(crow, ver, ex, n, names, sizes), 0);
    ASSERT_EQ(o.UnCrow1(crow, work.str()), 0);
    EXPECT_EQ(ReadFile(work.file("big")), PatternBytes(50000));
    EXPECT_TRUE(d->log.empty());  // o still alive here
}

// done x 250 must not overflow 32 bits: past 8,589,934 bytes the bar still reaches 249/250.
TEST(Progress, BarOfALargeFileGrowsToTheEnd) {
    TempDir src, out;
    const size_t size = 18877 * 480;  // 9,060,960 bytes, the last point at the very end
    WriteFile(src.file("big"), std::string(size, 'x'));
    RecordingDialog* d = nullptr;
    WxhObject o(RecordingFactory(d));
    ASSERT_EQ(o.Crow2(src.str(), out.file("c.bmp")), 0);
    std::vector<int> fills;
    for (const auto& e : d->log)
        if (e.rfind("Fill:", 0) == 0) fills.push_back(std::stoi(e.substr(5)));
    ASSERT_EQ(fills.size(), 480u);
    EXPECT_TRUE(std::is_sorted(fills.begin(), fills.end()));
    EXPECT_EQ(fills.front(), 0);   // 18877 * 250 / 9060960
    EXPECT_EQ(fills[239], 125);
    EXPECT_EQ(fills.back(), 250);
}

}  // namespace

#include <gtest/gtest.h>

#include <filesystem>

#include "RecordingDialog.h"
#include "crow/HeadlessProgress.h"
#include "crow/WxhObject.h"
#include "support/TempDir.h"

using namespace wxh;
using namespace wxh::test;
namespace fs = std::filesystem;

namespace {

// Three files: small, large (two points), large.
void FillSource(const TempDir& src) {
    WriteFile(src.file("a1"), PatternBytes(100, 1));
    WriteFile(src.file("b2"), PatternBytes(60000, 2));
    WriteFile(src.file("c3"), PatternBytes(60000, 3));
}

class WriterCancel : public ::testing::TestWithParam<int> {};

// A cancel at a point leaves no Crow file, keeps an older file of that name as it was and
// resets the cancel flag.
TEST_P(WriterCancel, LeavesNothingAndKeepsTheOldFile) {
    TempDir src, out;
    FillSource(src);
    const std::string crow = out.file("c.bmp");
    WriteFile(crow, "an older file");
    RecordingDialog* d = nullptr;
    WxhObject o(RecordingFactory(d, 1));  // the second point: inside b2
    const int32_t r = GetParam() == 2 ? o.Crow2(src.str(), crow) : o.Crow3(src.str(), crow);
    EXPECT_EQ(r, -1);
    EXPECT_EQ(d->points.size(), 2u);  // nothing processed after the cancel
    EXPECT_EQ(d->tag, "");
    EXPECT_EQ(d->log.back(), "Hide");
    EXPECT_EQ(ReadFile(crow), "an older file");
    EXPECT_EQ(Entries(out.str()), std::vector<std::string>{"c.bmp"});
}

// Pressed during a file without points, the cancel takes effect at the next point.
TEST_P(WriterCancel, PressDuringSmallFileActsAtTheNextPoint) {
    TempDir src, out;
    FillSource(src);
    auto* dialog = new HeadlessProgress;
    dialog->onFileStart = [dialog](const std::string& name, int64_t) {
        if (name == "a1") dialog->RequestCancel();
    };
    int points = 0;
    dialog->onPoint = [&points](int64_t, int64_t) { ++points; };
    WxhObject o([dialog] { return std::unique_ptr<ProgressDialog>(dialog); });
    const std::string crow = out.file("c.bmp");
    EXPECT_EQ(GetParam() == 2 ? o.Crow2(src.str(), crow) : o.Crow3(src.str(), crow, "pw"), -1);
    EXPECT_EQ(points, 1);
    EXPECT_FALSE(fs::exists(crow));
}

INSTANTIATE_TEST_SUITE_P(Writers, WriterCancel, ::testing::Values(2, 3));

class ReleaseCancel : public ::testing::TestWithParam<int> {};

// Cancel inside the second of three files: the first stays released, the second is not
// there (an existing file of that name, which the user agreed to overwrite, stays as it
// was), nothing of the third.
TEST_P(ReleaseCancel, KeepsEarlierFilesAndTheReplacedOne) {
    TempDir src, work, dst;
    FillSource(src);
    const std::string crow = work.file("c.bmp");
    {
        WxhObject w;
        ASSERT_EQ(GetParam() == 2 ? w.Crow2(src.str(), crow) : w.Crow3(src.str(), crow, "秘密"), 0);
    }
    WriteFile(dst.file("b2"), "keep me");
    FixedOverwriteAnswer yes(6);
    RecordingDialog* d = nullptr;
    WxhObject o(RecordingFactory(d, 0), &yes);
    EXPECT_EQ(GetParam() == 2 ? o.UnCrow2(crow, dst.str()) : o.UnCrow3(crow, dst.str(), "秘密"), -1);
    EXPECT_EQ(d->points.size(), 1u);
    EXPECT_EQ(d->tag, "");
    EXPECT_EQ(d->log.back(), "Hide");
    EXPECT_EQ(ReadFile(dst.file("a1")), PatternBytes(100, 1));
    EXPECT_EQ(ReadFile(dst.file("b2")), "keep me");
    EXPECT_EQ(Entries(dst.str()), (std::vector<std::string>{"a1", "b2"}));
}

INSTANTIATE_TEST_SUITE_P(Releases, ReleaseCancel, ::testing::Values(2, 3));

// A flag of more than one character is not a cancel.
TEST(Cancel, OnlyAFlagOfExactlyOneCharacterCounts) {
    TempDir src, out;
    FillSource(src);
    auto* dialog = new HeadlessProgress;
    dialog->onDoEvents = [](HeadlessProgress& p) { p.SetCancelTag("11"); };
    WxhObject o([dialog] { return std::unique_ptr<ProgressDialog>(dialog); });
    EXPECT_EQ(o.Crow2(src.str(), out.file("c.bmp")), 0);
    dialog->onDoEvents = [](HeadlessProgress& p) { p.SetCancelTag("本"); };  // one character, three bytes
    EXPECT_EQ(o.Crow2(src.str(), out.file("d.bmp")), -1);
}

}  // namespace

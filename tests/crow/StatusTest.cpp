// The status each operation leaves: the reason recorded where the failure happened, with the
// file, name and errno concerned, and always in agreement with the result code.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "crow/HeadlessProgress.h"
#include "crow/WxhObject.h"
#include "support/CrowSamples.h"
#include "support/TempDir.h"

using namespace wxh;
using namespace wxh::test;
namespace fs = std::filesystem;

namespace {

TEST(CrowStatus, EveryReasonHasItsCodes) {
    for (int r = 0; r <= static_cast<int>(CrowReason::OutputUnwritable); ++r)
        EXPECT_STRNE(ReasonName(static_cast<CrowReason>(r)), "Unknown") << r;
    EXPECT_EQ(ResultCode(CrowOperation::GetCrowInfo, CrowReason::NotCrow), 2);
    EXPECT_EQ(ResultCode(CrowOperation::UnCrow2, CrowReason::NotCrow), 1);
    EXPECT_EQ(ResultCode(CrowOperation::UnCrow3, CrowReason::LengthDiffers), 3);
    EXPECT_EQ(ResultCode(CrowOperation::Crow3, CrowReason::Cancelled), -1);
}

struct Case {
    const char* what;
    std::function<int32_t(WxhObject&, TempDir&)> run;
    CrowReason reason;
    int32_t code;
    std::string name = "";   // the name the status gives, when one belongs to the reason
    int error = 0;           // errno, when one belongs to the reason
};

int32_t InfoOf(WxhObject& o, const std::string& path) {
    int32_t v, x, n;
    std::vector<std::string> names;
    std::vector<int32_t> sizes;
    return o.GetCrowInfo(path, v, x, n, names, sizes);
}

std::string Folder(TempDir& t, const std::vector<std::pair<std::string, std::string>>& files) {
    const std::string dir = t.file("src");
    fs::create_directories(dir);
    for (const auto& [n, d] : files) WriteFile(dir + "/" + n, d);
    return dir;
}

std::string Crow(TempDir& t, const std::string& bytes) {
    WriteFile(t.file("c.bmp"), bytes);
    fs::create_directories(t.file("dst"));
    return t.file("c.bmp");
}

TEST(CrowStatus, EachFailureNamesItsReason) {
    std::string damaged = WorkedExample();
    damaged.replace(58, 4, "\xFF\xFF\xFF\x7F");
    std::string appended = BuildCrow(3, {{"a", "abc"}});
    appended += "x";
    std::string cut = BuildCrow(2, {{"a", "abcdef"}});
    cut.pop_back();
    const Case cases[] = {
        {"missing", [](WxhObject& o, TempDir& t) { return InfoOf(o, t.file("none.bmp")); },
         CrowReason::CrowUnopenable, 1, "", ENOENT},
        {"a folder", [](WxhObject& o, TempDir& t) { return InfoOf(o, t.str()); }, CrowReason::CrowNotRegular, 1},
        {"a picture", [](WxhObject& o, TempDir& t) { return InfoOf(o, Crow(t, PlainBitmapBytes())); },
         CrowReason::NotCrow, 2},
        {"bad tables", [&](WxhObject& o, TempDir& t) { return InfoOf(o, Crow(t, damaged)); },
         CrowReason::TablesDamaged, 1},
        {"other generation", [](WxhObject& o, TempDir& t) { return o.UnCrow1(Crow(t, WorkedExample()), t.file("dst")); },
         CrowReason::OtherGeneration, 1},
        {"appended", [&](WxhObject& o, TempDir& t) { return o.UnCrow3(Crow(t, appended), t.file("dst"), ""); },
         CrowReason::LengthDiffers, 3},
        {"cut data", [&](WxhObject& o, TempDir& t) { return o.UnCrow2(Crow(t, cut), t.file("dst")); },
         CrowReason::DataCutShort, 3},
        {"unsafe name", [](WxhObject& o, TempDir& t) { return o.UnCrow2(Crow(t, BuildCrow(2, {{"ok", "1"}, {"..", "2"}})), t.file("dst")); },
         CrowReason::UnsafeName, 2, ".."},
        {"twice", [](WxhObject& o, TempDir& t) { return o.UnCrow2(Crow(t, BuildCrow(2, {{"a", "1"}, {"a", "2"}})), t.file("dst")); },
         CrowReason::DuplicateName, 2, "a"},
        {"size 0", [](WxhObject& o, TempDir& t) { return o.UnCrow2(Crow(t, BuildCrow(2, {{"a", "1"}, {"z", ""}})), t.file("dst")); },
         CrowReason::BadSize, 2, "z"},
        {"no password", [](WxhObject& o, TempDir& t) { return o.UnCrow3(Crow(t, BuildCrow(3, {{"a", "1"}}, 0, "pw")), t.file("dst"), ""); },
         CrowReason::PasswordNeeded, 2},
        {"no destination", [](WxhObject& o, TempDir& t) { return o.UnCrow2(Crow(t, WorkedExample()), t.file("gone")); },
         CrowReason::DestUnopenable, 2, "", ENOENT},
        {"folder at a name", [](WxhObject& o, TempDir& t) {
             const std::string c = Crow(t, WorkedExample());
             fs::create_directories(t.file("dst/B.TXT/inner"));
             return o.UnCrow2(c, t.file("dst"));
         }, CrowReason::TargetIsFolder, 2},
        {"no folder to pack", [](WxhObject& o, TempDir& t) { return o.Crow2(t.file("gone"), t.file("o.bmp")); },
         CrowReason::FolderUnopenable, 2, "", ENOENT},
        {"nothing to pack", [](WxhObject& o, TempDir& t) { return o.Crow2(Folder(t, {}), t.file("o.bmp")); },
         CrowReason::NoFiles, 2},
        {"an empty file", [](WxhObject& o, TempDir& t) { return o.Crow3(Folder(t, {{"a", "1"}, {"b", ""}}), t.file("o.bmp")); },
         CrowReason::EmptyFile, 2, "b"},
        {"a collision", [](WxhObject& o, TempDir& t) { return o.Crow2(Folder(t, {{"x😀", "1"}, {"x😁", "2"}}), t.file("o.bmp")); },
         CrowReason::NameCollision, 2, "x😁"},
        {"an unstorable name", [](WxhObject& o, TempDir& t) { return o.Crow2(Folder(t, {{"\u2024", "1"}}), t.file("o.bmp")); },
         CrowReason::NameUnstorable, 2, "\u2024"},
        {"output is a folder", [](WxhObject& o, TempDir& t) {
             fs::create_directories(t.file("o.bmp"));
             return o.Crow2(Folder(t, {{"a", "1"}}), t.file("o.bmp"));
         }, CrowReason::OutputIsFolder, 2},
    };
    for (const Case& c : cases) {
        TempDir t;
        FixedOverwriteAnswer yes(6);
        WxhObject o(nullptr, &yes);
        const int32_t r = c.run(o, t);
        const CrowStatus& s = o.Status();
        EXPECT_EQ(r, c.code) << c.what;
        EXPECT_EQ(s.Result(), r) << c.what;
        EXPECT_STREQ(ReasonName(s.reason), ReasonName(c.reason)) << c.what;
        if (!c.name.empty()) {
            EXPECT_EQ(s.name, c.name) << c.what;
        }
        if (c.error) {
            EXPECT_EQ(s.error, c.error) << c.what;
        }
    }
}

TEST(CrowStatus, CollisionsAndCancelsCarryTheirFacts) {
    TempDir t;
    const std::string dir = Folder(t, {{"¥.txt", "1"}, {"￥.txt", "2"}});
    WxhObject o;
    ASSERT_EQ(o.Crow2(dir, t.file("o.bmp")), 2);
    EXPECT_EQ(o.Status().other, "¥.txt");
    EXPECT_EQ(o.Status().name, "￥.txt");
    EXPECT_EQ(o.Status().stored, "￥.txt");
    EXPECT_EQ(o.Status().file, dir);

    fs::remove(dir + "/￥.txt");
    WriteFile(dir + "/big", PatternBytes(100000));
    auto dialog = std::make_unique<HeadlessProgress>();
    dialog->onDoEvents = [](HeadlessProgress& d) { d.RequestCancel(); };
    HeadlessProgress* raw = dialog.get();
    WxhObject c([&]() -> std::unique_ptr<ProgressDialog> { return std::move(dialog); });
    ASSERT_EQ(c.Crow2(dir, t.file("o.bmp")), -1);
    EXPECT_EQ(c.Status().reason, CrowReason::Cancelled);
    EXPECT_EQ(raw->CancelTag(), "");

    // A later operation on the same object starts afresh.
    ASSERT_EQ(o.Crow2(dir, t.file("o.bmp")), 0);
    EXPECT_EQ(o.Status().reason, CrowReason::None);
    EXPECT_EQ(o.Status().Result(), 0);
}

}  // namespace

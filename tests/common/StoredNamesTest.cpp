#include <gtest/gtest.h>

#include <algorithm>

#include "common/cp932.h"
#include "common/stored_names.h"

using namespace wxh;

namespace {

TEST(StoredNames, EveryNameClassComesBackAsAUsableName) {
    struct Case {
        const char* disk;
        const char* released;
    } cases[] = {
        {"plain.txt", "plain.txt"},
        {"表ソ～.txt", "表ソ～.txt"},        // trail byte 0x5C and the CP932 tilde stay as they are
        {"ｶﾅ", "ｶﾅ"},
        {"¥500.txt", "￥500.txt"},          // CP932 would store ¥ as the separator byte
        {"a\\b.txt", "a＼b.txt"},
        {"c:drive.txt", "c：drive.txt"},
        {"Z:", "Z："},
        {"ab:c", "ab:c"},                   // not drive-like
        {"1:x", "1:x"},
        {"line\nbreak", "line_break"},
        {"tab\there\x7F", "tab_here_"},
        {"unit\x1Fsep", "unit_sep"},       // U+001F, the last C0 control
        {"c1\xC2\x9B" "x", "c1_x"},         // U+009B, a C1 control
        {"emoji_😀.txt", "emoji__.txt"},
        {"über.txt", "uber.txt"},
        {"bad\xFF.txt", "bad_.txt"},        // not UTF-8
        {"\\\\", "＼＼"},
    };
    for (const Case& c : cases) {
        const std::string stored = NameToCp932(c.disk);
        std::string released;
        EXPECT_EQ(CheckStoredName(stored, released), NameProblem::None) << c.disk;
        EXPECT_EQ(released, c.released) << c.disk;
    }
}

TEST(StoredNames, NamesThatCannotBeReleased) {
    const std::string longest(255, 'a');
    struct Case {
        std::string cp932;
        NameProblem problem;
    } cases[] = {
        {"", NameProblem::Empty},
        {".", NameProblem::DotName},
        {"..", NameProblem::DotName},
        {"...", NameProblem::None},
        {longest, NameProblem::None},
        {longest + "a", NameProblem::TooLong},
        {"\xB1" + std::string(85, '\xB1'), NameProblem::TooLong},  // 86 half-width kana: 258 bytes of UTF-8
        {"a/b", NameProblem::Separator},
        {"a\\b", NameProblem::Separator},
        {"a\x01", NameProblem::Control},
        {"a\x1F", NameProblem::Control},
        {"a\x7F", NameProblem::Control},
        {"c:x", NameProblem::Drive},
        {"a\x81", NameProblem::NotCp932},
        {"\x85\x40", NameProblem::NotCp932},
    };
    for (const Case& c : cases) {
        std::string released;
        EXPECT_EQ(CheckStoredName(c.cp932, released), c.problem) << c.cp932;
    }
    // A stand-in can make a name too long that was not on disk.
    std::string released;
    EXPECT_EQ(CheckStoredName(NameToCp932(std::string(200, 'a') + std::string(30, '\\')), released),
              NameProblem::TooLong);
}

TEST(StoredNames, PlanReportsChangesProblemsAndCollisions) {
    const std::vector<std::string> disk = {"a.txt", "¥.txt", "￥.txt", "x😀", "x😁", "x\ny", "x\ty",
                                           std::string(250, 'b') + "\\\\\\", "\u2024\u2024", "x\ry"};
    const auto plan = PlanStoredNames(disk);
    ASSERT_EQ(plan.size(), disk.size());
    EXPECT_FALSE(plan[0].Changed());
    EXPECT_TRUE(plan[1].Changed());
    EXPECT_EQ(plan[1].released, "￥.txt");
    EXPECT_EQ(plan[1].problem, NameProblem::None);
    EXPECT_EQ(plan[2].problem, NameProblem::Collision);
    EXPECT_EQ(plan[2].collidesWith, 1u);
    EXPECT_EQ(plan[3].released, "x_");
    EXPECT_EQ(plan[4].problem, NameProblem::Collision);
    EXPECT_EQ(plan[4].collidesWith, 3u);
    EXPECT_EQ(plan[5].released, "x_y");
    EXPECT_EQ(plan[5].problem, NameProblem::None);
    EXPECT_EQ(plan[6].problem, NameProblem::Collision);
    EXPECT_EQ(plan[6].collidesWith, 5u);
    EXPECT_EQ(plan[7].problem, NameProblem::TooLong);
    EXPECT_EQ(plan[8].problem, NameProblem::DotName);  // two one-dot leaders transliterate to ".."
    EXPECT_EQ(plan[9].problem, NameProblem::Collision);  // a third "x_y" is told against the first
    EXPECT_EQ(plan[9].collidesWith, 5u);
}

TEST(StoredNames, ListingOrderIgnoresCaseOfEveryLetter) {
    std::vector<std::string> names = {"ａ.txt", "Ｂ.txt", "α.txt", "B.txt", "Β.txt", "a.txt", "Ä.txt", "ä.txt", "_x"};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string ka = NameOrderKey(a), kb = NameOrderKey(b);
        return ka != kb ? ka < kb : a < b;
    });
    EXPECT_EQ(names, (std::vector<std::string>{"_x", "a.txt", "B.txt", "Ä.txt", "ä.txt", "α.txt", "Β.txt",
                                               "ａ.txt", "Ｂ.txt"}));
    EXPECT_EQ(NameOrderKey("AbC\xFF"), "abc\xFF");
}

TEST(Utf8ToCp932Strict, RefusesWhatCp932Lacks) {
    std::string out;
    EXPECT_TRUE(Utf8ToCp932Strict("Sesame表ｱ", out));
    EXPECT_EQ(out, "Sesame\x95\x5C\xB1");
    for (const char* lacking : {"שלום", "😀", "é", "a\xFF"}) EXPECT_FALSE(Utf8ToCp932Strict(lacking, out)) << lacking;
}

}  // namespace

#include "ui/controls/SizeText.h"
#include "ui/dialogs/frmFileList.h"

#include <QListWidget>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "ui/settings/LiveSettings.h"
#include "support/TempDir.h"
#include "ui/controls/seams.h"
#include "ui/controls/twips.h"
#include "support/CrowSamples.h"
#include "support/HugeHeader.h"

namespace {

using namespace wxh::test;

struct Shown {
    QString text, title;
    bool yesNo;
};

class ContentsList : public ::testing::Test {
protected:
    void SetUp() override {
        wxh::SetMsgBoxHandler([this](QWidget*, const QString& text, const QString& title, bool yesNo) {
            shown.push_back({text, title, yesNo});
            return wxh::kMsgOk;
        });
    }
    void TearDown() override {
        wxh::SetMsgBoxHandler({});
        wxh::Live().ListCrowFile.clear();
    }
    static QStringList Lines(const frmFileList& dlg) {
        QStringList out;
        for (int i = 0; i < dlg.CrowList->count(); ++i) out << dlg.CrowList->item(i)->text();
        return out;
    }
    std::vector<Shown> shown;
    TempDir dir;
};

TEST(SizeText, ThresholdsCutNeverRound) {
    EXPECT_EQ(wxh::SizeText(0), QStringLiteral("0B"));
    EXPECT_EQ(wxh::SizeText(999), QStringLiteral("999B"));
    EXPECT_EQ(wxh::SizeText(1000), QStringLiteral("1KB"));
    EXPECT_EQ(wxh::SizeText(1009), QStringLiteral("1KB"));
    EXPECT_EQ(wxh::SizeText(1010), QStringLiteral("1.01KB"));
    EXPECT_EQ(wxh::SizeText(1500), QStringLiteral("1.5KB"));
    EXPECT_EQ(wxh::SizeText(12345), QStringLiteral("12.34KB"));
    EXPECT_EQ(wxh::SizeText(999999), QStringLiteral("999.99KB"));
    EXPECT_EQ(wxh::SizeText(1000000), QStringLiteral("1MB"));
    EXPECT_EQ(wxh::SizeText(1234567), QStringLiteral("1.23MB"));
    EXPECT_EQ(wxh::SizeText(1500000), QStringLiteral("1.5MB"));
    EXPECT_EQ(wxh::SizeText(2147483647), QStringLiteral("2147.48MB"));
}

TEST_F(ContentsList, WindowShape) {
    wxh::Live().ListCrowFile = dir.file("none.bmp");
    frmFileList dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Crowファイルリスト"));
    EXPECT_EQ(dlg.size(), QSize(wxh::Tw(3360), wxh::Tw(3525)));
    EXPECT_EQ(dlg.CrowList->geometry(), wxh::TwRect(120, 120, 3135, 3300));
    EXPECT_FALSE(dlg.CrowList->isSortingEnabled());
}

TEST_F(ContentsList, ListsEveryLineOfACrow2File) {
    const std::string path = dir.file("some folder/a.b.bmp");
    std::filesystem::create_directories(dir.path() / "some folder");
    WriteCrow(path, 2,
              {{"tiny.txt", std::string(999, 'a')},
               {"one.k", std::string(1000, 'b')},
               {"odd.k", std::string(1009, 'c')},
               {"more.k", std::string(1010, 'd')}});
    wxh::Live().ListCrowFile = path;
    frmFileList dlg;
    EXPECT_TRUE(shown.empty());
    const auto size = std::filesystem::file_size(path);
    const QStringList expected = {
        QString::fromStdString(path),
        QStringLiteral("ファイルサイズ: %1ﾊﾞｲﾄ").arg(size),
        QStringLiteral("フォーマット: Crow2"),
        QStringLiteral("総ファイル数: 4ファイル"),
        QString(),
        QStringLiteral("ファイルリスト: "),
        QStringLiteral("  tiny.txt    999B"),
        QStringLiteral("  one.k    1KB"),
        QStringLiteral("  odd.k    1KB"),
        QStringLiteral("  more.k    1.01KB"),
    };
    EXPECT_EQ(Lines(dlg), expected);
}

TEST_F(ContentsList, ProtectedCrow3AndCrow1AreListedWithoutAsking) {
    const std::string p3 = dir.file("locked.bmp");
    WriteCrow(p3, 3, {{"x.dat", "secret bytes"}}, 0, "pw");
    wxh::Live().ListCrowFile = p3;
    frmFileList d3;
    EXPECT_TRUE(shown.empty());
    const QStringList l3 = Lines(d3);
    ASSERT_EQ(l3.size(), 7);
    EXPECT_EQ(l3[2], QStringLiteral("フォーマット: Crow3"));
    EXPECT_EQ(l3[6], QStringLiteral("  x.dat    12B"));

    const std::string p1 = dir.file("old.bmp");
    WriteCrow(p1, 1, {{"a", "1"}, {"b", "22"}});
    wxh::Live().ListCrowFile = p1;
    frmFileList d1;
    const QStringList l1 = Lines(d1);
    ASSERT_EQ(l1.size(), 8);
    EXPECT_EQ(l1[2], QStringLiteral("フォーマット: Crow1"));
    EXPECT_EQ(l1[3], QStringLiteral("総ファイル数: 2ファイル"));
}

TEST_F(ContentsList, NotACrowFileGivesTheMessageAndAnEmptyList) {
    const std::string plain = dir.file("picture.bmp");
    WriteFile(plain, PlainBitmapBytes());
    for (const std::string& path : {plain, dir.file("gone.bmp")}) {
        shown.clear();
        wxh::Live().ListCrowFile = path;
        frmFileList dlg;
        ASSERT_EQ(shown.size(), 1u) << path;
        EXPECT_EQ(shown[0].text, QStringLiteral("ファイルが開けません"));
        EXPECT_EQ(shown[0].title, QStringLiteral("WX_Hollin"));
        EXPECT_FALSE(shown[0].yesNo);
        EXPECT_EQ(dlg.CrowList->count(), 0);
    }
}

TEST_F(ContentsList, ListIsTakenOnceAtCreation) {
    const std::string path = dir.file("c.bmp");
    WriteCrow(path, 2, {{"f", "x"}});
    wxh::Live().ListCrowFile = path;
    frmFileList dlg;
    wxh::Live().ListCrowFile = dir.file("other.bmp");   // changing it later changes nothing
    EXPECT_EQ(dlg.CrowList->item(0)->text(), QString::fromStdString(path));
    EXPECT_EQ(dlg.CrowList->count(), 7);
}

// A header that claims ten million entries (a million made the list use 330 MB): the message,
// an empty list, and next to no memory. Checked in a child process under an address-space limit.
TEST_F(ContentsList, TenMillionEntryHeaderGivesTheMessageAndCostsNoMemory) {
    const std::string path = dir.file("huge.bmp");
    WriteHugeHeader(path, "CRW2", 10'000'000);
    wxh::Live().ListCrowFile = path;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!kAsan) {   // an allocation the size of the claim fails instead of growing
            const rlim_t limit = static_cast<rlim_t>(StatusKiB("VmSize") + 256 * 1024) * 1024;
            const rlimit rl{limit, limit};
            ::setrlimit(RLIMIT_AS, &rl);
        }
        if (std::FILE* clear = std::fopen("/proc/self/clear_refs", "w")) {   // resets the peak
            std::fputs("5", clear);
            std::fclose(clear);
        }
        const long before = StatusKiB("VmRSS");
        int code = 0;
        {
            frmFileList dlg;
            if (shown.size() != 1 || shown[0].text != QStringLiteral("ファイルが開けません")) code |= 1;
            if (dlg.CrowList->count() != 0) code |= 2;
        }
        if (StatusKiB("VmHWM") - before >= 64 * 1024) code |= 4;
        ::_exit(code);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
    const int code = WEXITSTATUS(status);
    EXPECT_EQ(code & 1, 0) << "no message, or another one";
    EXPECT_EQ(code & 2, 0) << "the list is not empty";
    EXPECT_EQ(code & 4, 0) << "peak memory grew by 64 MiB or more";
}

}  // namespace

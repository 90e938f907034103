// Starting the window program: its command line, opening a file or folder it names, and the
// program's icon on its windows.
#include <QApplication>
#include <gtest/gtest.h>

#include <filesystem>

#include "crow/CrowTestUtil.h"
#include "crow/WxhObject.h"
#include "support/QtPrint.h"
#include "support/TempDir.h"
#include "support/picture_samples.h"
#include "ui/dialogs/frmCrow.h"
#include "ui/dialogs/frmPassword.h"
#include "ui/main/ProgramIcon.h"
#include "ui/main/StartArguments.h"
#include "ui/controls/twips.h"
#include "ui/main/frmMain.h"

#include <QtMath>

using namespace wxh::test;
using Action = wxh::StartArguments::Action;
namespace fs = std::filesystem;

TEST(StartArguments, ReadsOptionsPathsAndQtsOwnOptions) {
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::string path;
    };
    const Case cases[] = {
        {{}, Action::Run, ""},
        {{"/p/a.bmp"}, Action::Run, "/p/a.bmp"},
        {{"--help"}, Action::Help, ""},
        {{"-h", "--bogus"}, Action::Help, ""},
        {{"a.bmp", "--version"}, Action::Version, ""},
        {{"-V"}, Action::Version, ""},
        {{"--bogus"}, Action::UsageError, ""},
        {{"-x"}, Action::UsageError, ""},
        {{"--bogus", "--help"}, Action::UsageError, ""},
        {{"a.bmp", "b.bmp"}, Action::UsageError, ""},
        {{""}, Action::UsageError, ""},
        // "--" ends the options: a file whose name starts with a dash.
        {{"--", "-a.bmp"}, Action::Run, "-a.bmp"},
        {{"--", "--help"}, Action::Run, "--help"},
        // Qt's own options and their values are not the file.
        {{"-platform", "offscreen", "a.bmp"}, Action::Run, "a.bmp"},
        {{"--style=fusion", "-reverse", "dir"}, Action::Run, "dir"},
        {{"-style"}, Action::UsageError, ""},
        {{"-reverse=1"}, Action::UsageError, ""},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const auto& a : c.args) shown += "[" + a + "]";
        SCOPED_TRACE(shown);
        const wxh::StartArguments got = wxh::ParseStartArguments(c.args);
        EXPECT_EQ(got.action, c.action);
        if (c.action == Action::Run) { EXPECT_EQ(got.path, c.path); }
        if (c.action == Action::UsageError) { EXPECT_FALSE(got.problem.empty()); }
    }
}

namespace {

class OpenFromCommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        home = tmp.file("home");
        folder = tmp.file("pictures");
        fs::create_directories(home);
        fs::create_directories(folder + "/sub");
        frmMain::SetLocationsForTesting(QString::fromStdString(tmp.file("WX_HOLLIN.ini")), QString::fromStdString(home));
        window = std::make_unique<frmMain>();
    }
    void TearDown() override {
        window.reset();
        frmMain::SetLocationsForTesting(QString(), QString());
    }
    std::string makeCrow(const std::string& name) {
        const std::string src = tmp.file("src");
        fs::create_directories(src);
        WriteFile(src + "/one.txt", PatternBytes(999, 1));
        WriteFile(src + "/two.txt", PatternBytes(1000, 2));
        wxh::WxhObject object;
        EXPECT_EQ(object.Crow2(src + "/", folder + "/" + name), 0);
        return folder + "/" + name;
    }
    QString q(const std::string& s) { return QString::fromStdString(s); }
    QString openFolder() const { return window->DirList->Path(); }

    TempDir tmp;
    std::string home, folder;
    std::unique_ptr<frmMain> window;
};

}  // namespace

TEST_F(OpenFromCommandLine, ACrowFileIsSelectedAndDescribedAsAClickWouldShowIt) {
    const std::string bmp = makeCrow("packed.bmp");
    WriteFile(folder + "/other.bmp", wxh::test::BmpBytes());
    ASSERT_TRUE(window->BrowseTo(q(bmp)));

    EXPECT_EQ(openFolder(), q(folder));
    EXPECT_EQ(window->FileList->FileName(), QStringLiteral("packed.bmp"));
    EXPECT_EQ(window->CurrentCrowFile(), q(bmp));
    const QStringList lines = window->FileView->Lines();
    ASSERT_GE(lines.size(), 7);
    EXPECT_EQ(lines[0], QStringLiteral(" CrowFile: ") + q(bmp));
    EXPECT_EQ(lines[4], QStringLiteral("   含まれるファイル数: 2ファイル"));
    EXPECT_EQ(lines[5], QStringLiteral("　    one.txt　　999B"));
    EXPECT_FALSE(window->PicImage->isVisibleTo(window.get()));
    // The same as selecting it in the list by hand.
    const QStringList described = lines;
    window->FileList->SelectFile(QStringLiteral("other.bmp"));
    window->FileList->SelectFile(QStringLiteral("packed.bmp"));
    EXPECT_EQ(window->FileView->Lines(), described);
}

// A file the bitmap filter hides: the narrowest filter that lists it, then the click.
TEST_F(OpenFromCommandLine, WidensTheFilterJustEnoughToListTheFile) {
    WriteFile(folder + "/photo.jpg", wxh::test::JpegBytes());
    WriteFile(folder + "/notes.txt", "text");
    ASSERT_TRUE(window->mnu_Display_FileList_Filter_Bmp->isChecked());

    ASSERT_TRUE(window->BrowseTo(q(folder + "/photo.jpg")));
    EXPECT_TRUE(window->mnu_Display_FileList_Filter_Pic->isChecked());
    EXPECT_EQ(window->FileList->FileName(), QStringLiteral("photo.jpg"));
    EXPECT_TRUE(window->PicImage->isVisibleTo(window.get()));
    EXPECT_TRUE(window->PicImage->HasPicture());
    EXPECT_EQ(window->CurrentCrowFile(), frmMain::kNoFile);

    // Neither a Crow file nor a picture: listed and selected, and the panel keeps the picture.
    ASSERT_TRUE(window->BrowseTo(q(folder + "/notes.txt")));
    EXPECT_TRUE(window->mnu_Display_FileList_Filter_All->isChecked());
    EXPECT_EQ(window->FileList->FileName(), QStringLiteral("notes.txt"));
    EXPECT_TRUE(window->PicImage->HasPicture());
}

TEST_F(OpenFromCommandLine, AFolderIsOpenedAndAnythingElseChangesNothing) {
    ASSERT_TRUE(window->BrowseTo(q(folder + "/sub")));
    EXPECT_EQ(openFolder(), q(folder + "/sub"));
    EXPECT_EQ(window->CurrentCrowFile(), frmMain::kNoFile);

    const QStringList usage = window->FileView->Lines();
    EXPECT_FALSE(window->BrowseTo(q(folder + "/missing.bmp")));
    EXPECT_EQ(openFolder(), q(folder + "/sub"));
    EXPECT_EQ(window->FileView->Lines(), usage);

    // The settings file still records the folder the lists show at the end.
    window->close();
    const std::string ini = ReadFile(tmp.file("WX_HOLLIN.ini"));
    EXPECT_NE(ini.find("\r\n" + folder + "/sub\r\n"), std::string::npos) << ini;
}

// The windows that carry the program's icon show the one the desktop's menu shows, not the
// drop picture.
TEST(ProgramIcon, IsTheMenusIconOnTheMainWindowAndItsDialogs) {
    const QIcon icon = wxh::ProgramIcon();
    ASSERT_FALSE(icon.isNull()) << "the icon's drawing did not load";
    const QImage expected = icon.pixmap(48, 48).toImage();
    ASSERT_EQ(expected.size(), QSize(48, 48));
    // A crow on coloured noise: many colours, unlike a blank or a one-colour picture.
    QSet<QRgb> colours;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) colours.insert(expected.pixel(x, y));
    EXPECT_GT(colours.size(), 8);

    TempDir tmp;
    frmMain::SetLocationsForTesting(QString::fromStdString(tmp.file("WX_HOLLIN.ini")), QString::fromStdString(tmp.str()));
    {
        frmMain window;
        EXPECT_EQ(window.windowIcon().pixmap(48, 48).toImage(), expected);
        EXPECT_NE(window.windowIcon().pixmap(48, 48).toImage(),
                  QIcon(frmMain::DropPicture()).pixmap(48, 48).toImage());
        frmCrow crow(&window);
        EXPECT_EQ(crow.windowIcon().pixmap(48, 48).toImage(), expected) << "frmCrow";
        frmPassword password(&window);
        EXPECT_EQ(password.windowIcon().pixmap(48, 48).toImage(), expected) << "frmPassword";
    }
    frmMain::SetLocationsForTesting(QString(), QString());
}

// The drop picture is drawn for the screen's pixels: at 2x and 3x it has two and three times
// the pixels at the same size on screen (the box it fills keeps its size).
TEST(DropPicture, IsDrawnForTheScreensPixelRatio) {
    const QPixmap one = frmMain::DropPicture(1.0);
    ASSERT_EQ(one.size(), QSize(wxh::Tw(1605), wxh::Tw(1905)));
    for (const qreal scale : {1.5, 2.0, 3.0}) {
        SCOPED_TRACE(scale);
        const QPixmap sharp = frmMain::DropPicture(scale);
        EXPECT_EQ(sharp.devicePixelRatio(), scale);
        EXPECT_EQ(sharp.deviceIndependentSize().toSize(), one.size());
        EXPECT_EQ(sharp.size(), QSize(qCeil(one.width() * scale), qCeil(one.height() * scale)));
    }
    EXPECT_EQ(frmMain::DropPicture(1.0).toImage(), one.toImage()) << "drawing it again changes nothing";
}

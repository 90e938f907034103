#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QWindow>
#include <unistd.h>

#include "ui/dialogs/frmCrow.h"
#include "ui/main/test_release_fixture.h"

namespace {

using namespace wxh::test;
namespace fs = std::filesystem;

class Drop : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        win->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<frmCrow*>(w)) delete w;
        MainWindowTest::TearDown();
    }
    // A real drop of these files onto Image1.
    void DropFiles(const QStringList& paths) {
        QList<QUrl> urls;
        for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
        auto* data = new QMimeData;
        data->setUrls(urls);
        DropData(data);
    }
    // Delivered the way the window system delivers a drop: a drag entering the window over
    // Image1, then the drop, both to the top-level window, which hands them to the widget.
    void DropData(QMimeData* data) {
        QWindow* window = win->windowHandle();
        ASSERT_NE(window, nullptr);
        const QPoint at = win->Image1->mapTo(win.get(), win->Image1->rect().center());
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        QDropEvent drop(QPointF(at), actions, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &drop);
        QApplication::processEvents();   // the handler runs right after the drop
        delete data;
    }
    frmCrow* OpenCrowWindow() const {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* c = qobject_cast<frmCrow*>(w); c && c->isVisible()) return c;
        return nullptr;
    }
    std::vector<QString> questions() const {
        std::vector<QString> out;
        for (const auto& m : messages)
            if (m.yesNo) out.push_back(m.text);
        return out;
    }
};

TEST_F(Drop, ThreeFilesActOnTheFirstOnly) {
    const std::string pic = tmp.file("in/pic.bmp");
    WriteFile(pic, PlainBitmapBytes());
    WriteCrow(tmp.file("in/second.bmp"), 2, {{"x", "y"}});
    fs::create_directories(tmp.path() / "third");
    DropFiles({q(pic), q(tmp.file("in/second.bmp")), q(tmp.file("third"))});
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(win->PicImage->HasPicture());
    EXPECT_EQ(win->CurrentCrowFile(), frmMain::kNoFile);
    EXPECT_NE(win->DirList->Path(), q(tmp.file("third")));
}

TEST_F(Drop, FolderMovesTheListsThenAsksAndNoLeavesThem) {
    const std::string folder = tmp.file("in/pack me");
    fs::create_directories(folder);
    WriteFile(folder + "/f.txt", "data");
    bool listsMovedBeforeQuestion = false;
    answer = [&](const QString&, const QString&) {
        listsMovedBeforeQuestion = win->DirList->Path() == q(folder);
        return wxh::kMsgNo;
    };
    DropFiles({q(folder)});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("Crowファイル化する？"));
    EXPECT_EQ(messages[0].title, QStringLiteral("WX_Hollin"));
    EXPECT_TRUE(messages[0].yesNo);
    EXPECT_TRUE(listsMovedBeforeQuestion);
    EXPECT_EQ(win->DirList->Path(), q(folder));
    EXPECT_EQ(win->HighlightedFolder(), q(folder));
    EXPECT_EQ(win->DriveList->Drive(), wxh::DriveListBox::DriveOf(q(folder)));
    EXPECT_EQ(OpenCrowWindow(), nullptr);
    EXPECT_TRUE(win->isVisible());
    EXPECT_EQ(wxh::Live().ExtractFolder, tmp.file("out"));   // a drop never changes the settings
}

TEST_F(Drop, FolderAnsweredYesOpensTheCreationWindowForIt) {
    const std::string folder = tmp.file("in/pack");
    fs::create_directories(folder);
    answer = [](const QString&, const QString&) { return wxh::kMsgYes; };
    DropFiles({q(folder) + QStringLiteral("/")});
    frmCrow* crow = OpenCrowWindow();
    ASSERT_NE(crow, nullptr);
    EXPECT_EQ(crow->FolderPath->text(), q(folder + "/"));
    EXPECT_FALSE(win->isVisible());
    crow->close();
    QApplication::processEvents();
    EXPECT_TRUE(win->isVisible());
}

TEST_F(Drop, RootFolderSelectsTheRootDrive) {
    DropFiles({QStringLiteral("/")});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("Crowファイル化する？"));
    EXPECT_EQ(win->DriveList->Drive(), QStringLiteral("/"));
    EXPECT_EQ(win->DirList->Path(), QStringLiteral("/"));
}

TEST_F(Drop, OrdinaryBitmapIsShownAndNothingAsked) {
    const std::string crow = tmp.file("in/c.bmp");
    WriteCrow(crow, 2, {{"x", "y"}});
    Select(crow);
    const QString listsBefore = win->DirList->Path();
    const std::string pic = tmp.file("in/pic.bmp");
    WriteFile(pic, PlainBitmapBytes());
    DropFiles({q(pic)});
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(win->PicImage->HasPicture());
    EXPECT_TRUE(win->PicImage->isVisible());
    EXPECT_EQ(win->CurrentCrowFile(), frmMain::kNoFile);
    EXPECT_EQ(win->DirList->Path(), listsBefore);   // the lists keep their folder
}

TEST_F(Drop, CrowFileAnsweredNoStaysCurrentForALaterDoubleClick) {
    const std::string crow = tmp.file("in/dropped.bmp");
    WriteCrow(crow, 2, {{"r.txt", "released"}});
    answer = [](const QString&, const QString&) { return wxh::kMsgNo; };
    DropFiles({q(crow)});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("レリーズ（全解凍）する？"));
    EXPECT_EQ(messages[0].title, QStringLiteral("質問"));
    EXPECT_TRUE(messages[0].yesNo);
    EXPECT_EQ(win->CurrentCrowFile(), q(crow));
    EXPECT_FALSE(fs::exists(tmp.file("out/dropped")));
    EXPECT_TRUE(opened.empty());

    win->FileView_DblClick();
    EXPECT_EQ(ReadFile(tmp.file("out/dropped/r.txt")), "released");
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(Drop, CrowFileAnsweredYesIsReleased) {
    const std::string crow = tmp.file("in/now.bmp");
    WriteCrow(crow, 2, {{"r.txt", "released"}});
    answer = [](const QString&, const QString&) { return wxh::kMsgYes; };
    DropFiles({q(crow)});
    EXPECT_EQ(ReadFile(tmp.file("out/now/r.txt")), "released");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], q(tmp.file("out/now/")));
    EXPECT_TRUE(win->isEnabled());
}

// The file described when it was dropped is the one released, even when another file takes
// its name while the question is asked.
TEST_F(Drop, TheDroppedFileIsReleasedAsItWasDescribed) {
    const std::string crow = tmp.file("in/now.bmp");
    WriteCrow(crow, 2, {{"r.txt", "released"}});
    answer = [&](const QString&, const QString&) {
        WriteCrow(tmp.file("in/other.bmp"), 2, {{"x.txt", "other"}});
        fs::rename(tmp.file("in/other.bmp"), crow);
        return wxh::kMsgYes;
    };
    DropFiles({q(crow)});
    EXPECT_EQ(ReadFile(tmp.file("out/now/r.txt")), "released");
    EXPECT_FALSE(fs::exists(tmp.file("out/now/x.txt")));
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(Drop, NothingHappensForTextMissingPathsAndUnknownFiles) {
    const std::string crow = tmp.file("in/c.bmp");
    WriteCrow(crow, 2, {{"x", "y"}});
    Select(crow);
    const QString listsBefore = win->DirList->Path();

    auto* text = new QMimeData;
    text->setText(QStringLiteral("just some text"));
    DropData(text);
    auto* web = new QMimeData;
    web->setUrls({QUrl(QStringLiteral("https://example.org/a.bmp"))});
    DropData(web);
    win->Image1_OLEDragDrop({});   // and the handler itself, called without names

    DropFiles({q(tmp.file("in/gone.bmp"))});
    const std::string notes = tmp.file("in/notes.txt");
    WriteFile(notes, "plain text, no picture");
    DropFiles({q(notes)});

    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(win->CurrentCrowFile(), q(crow));
    EXPECT_EQ(win->DirList->Path(), listsBefore);
    EXPECT_TRUE(opened.empty());
}

TEST_F(Drop, UnreadableFolderIsLeftAlone) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    const std::string locked = tmp.file("in/locked");
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::none);
    const QString listsBefore = win->DirList->Path();
    DropFiles({q(locked)});
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(win->DirList->Path(), listsBefore);
    EXPECT_EQ(OpenCrowWindow(), nullptr);
}

}  // namespace

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "ui/controls/DirListBox.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/dialogs/frmConfig.h"
#include "ui/dialogs/frmCrow.h"
#include "ui/dialogs/frmFileList.h"
#include "ui/main/test_release_fixture.h"

namespace {

using namespace wxh::test;
namespace fs = std::filesystem;

class Commands : public MainWindowTest {
protected:
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<frmCrow*>(w)) delete w;
        MainWindowTest::TearDown();
    }
};

TEST_F(Commands, VersionBoxFromTheMenuAndAClickOnThePicture) {
    std::vector<QString> captions;
    bool pictureShown = false, ownerless = false;
    modal = [&](QDialog* d) {
        auto* about = qobject_cast<frmAbout*>(d);
        EXPECT_NE(about, nullptr);
        if (!about) return 0;
        captions.push_back(about->windowTitle());
        pictureShown = !about->picIcon->pixmap().isNull();
        ownerless = about->parentWidget() == nullptr;
        EXPECT_EQ(about->lblVersion->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 1.25.0"));
        return 1;
    };
    win->mnu_Help_Ver->trigger();
    EXPECT_TRUE(pictureShown);
    EXPECT_TRUE(ownerless);

    // A real left click on Image1.
    win->show();
    const QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, win->Image1->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(win->Image1, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, win->Image1->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(win->Image1, &release);

    ASSERT_EQ(captions.size(), 2u);
    EXPECT_EQ(captions[1], QStringLiteral("WX_Hollinのﾊﾞｰｼﾞｮﾝ情報"));
}

TEST_F(Commands, SettingsDialogOkSetsTheMainCaption) {
    fs::create_directories(tmp.path() / "out" / "deeper");
    modal = [&](QDialog* d) {
        auto* cfg = qobject_cast<frmConfig*>(d);
        EXPECT_NE(cfg, nullptr);
        if (!cfg) return 0;
        EXPECT_EQ(cfg->Dir1->Path(), q(tmp.file("out")));
        EXPECT_TRUE(cfg->Dir1->SetPath(q(tmp.file("out/deeper"))));
        cfg->ChkFolder->click();
        cfg->CmdOK->click();
        return cfg->result();
    };
    win->mnu_File_Open->trigger();
    EXPECT_EQ(modalCount, 1);
    EXPECT_EQ(wxh::Live().ExtractFolder, tmp.file("out/deeper"));
    EXPECT_EQ(wxh::Live().OneFileNoFolder, 1);
    EXPECT_EQ(win->windowTitle(), QStringLiteral("W.X.Hollin    ファイルの解凍先> ") + q(tmp.file("out/deeper")));
    EXPECT_EQ(win->windowTitle(), frmMain::ExtractCaption(q(wxh::Live().ExtractFolder)));

    // Cancel: the caption and the folder stay.
    modal = [](QDialog* d) {
        auto* cfg = static_cast<frmConfig*>(d);
        cfg->Dir1->SetPath(QStringLiteral("/"));
        cfg->CmdCancel->click();
        return cfg->result();
    };
    win->mnu_File_Open_Click();
    EXPECT_EQ(wxh::Live().ExtractFolder, tmp.file("out/deeper"));
    EXPECT_EQ(win->windowTitle(), frmMain::ExtractCaption(q(tmp.file("out/deeper"))));
}

TEST_F(Commands, ContentsListNeedsACurrentCrowFile) {
    win->mnu_View_List->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("ファイルが選択されてないよぉ(^_^;)"));
    EXPECT_FALSE(messages[0].yesNo);
    EXPECT_EQ(modalCount, 0);

    messages.clear();
    const std::string crow = tmp.file("in/list me.bmp");
    WriteCrow(crow, 3, {{"a.txt", std::string(1500, 'a')}, {"b.txt", "bb"}}, 0, "pw");
    Select(crow);
    QStringList lines;
    modal = [&](QDialog* d) {
        auto* list = qobject_cast<frmFileList*>(d);
        EXPECT_NE(list, nullptr);
        if (!list) return 0;
        EXPECT_EQ(list->parentWidget(), win.get());
        for (int i = 0; i < list->CrowList->count(); ++i) lines << list->CrowList->item(i)->text();
        return 0;
    };
    win->mnu_View_List_Click();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(wxh::Live().ListCrowFile, crow);
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0], q(crow));
    EXPECT_EQ(lines[2], QStringLiteral("フォーマット: Crow3"));
    EXPECT_EQ(lines[6], QStringLiteral("  a.txt    1.5KB"));
    EXPECT_EQ(lines[7], QStringLiteral("  b.txt    2B"));
}

TEST_F(Commands, OpenTheHighlightedFolder) {
    fs::create_directories(tmp.path() / "in" / "sub");
    ASSERT_TRUE(win->SelectFolder(q(tmp.file("in"))));
    win->mnu_Dir_Open->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], q(tmp.file("in")));
    EXPECT_EQ(openedOwner, win.get());

    ASSERT_TRUE(win->DirList->Highlight(q(tmp.file("in/sub"))));   // a single click
    win->mnu_Dir_Name->trigger();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], q(tmp.file("in/sub")));
    EXPECT_EQ(win->DirList->Path(), q(tmp.file("in")));   // highlighted, not opened
}

TEST_F(Commands, CreationWindowGetsTheHighlightedFolderAndTheMainWindowHides) {
    fs::create_directories(tmp.path() / "in" / "sub");
    WriteFile(tmp.file("in/sub/one.txt"), "1");
    win->show();
    ASSERT_TRUE(win->SelectFolder(q(tmp.file("in"))));
    ASSERT_TRUE(win->DirList->Highlight(q(tmp.file("in/sub"))));
    win->mnu_Dir_ToBMP->trigger();
    frmCrow* crow = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* c = qobject_cast<frmCrow*>(w); c && c->isVisible()) crow = c;
    ASSERT_NE(crow, nullptr);
    EXPECT_EQ(crow->FolderPath->text(), q(tmp.file("in/sub/")));
    EXPECT_FALSE(win->isVisible());
    EXPECT_EQ(modalCount, 0);   // modeless
    crow->close();
    QApplication::processEvents();
    EXPECT_TRUE(win->isVisible());

    ASSERT_TRUE(win->SelectFolder(QStringLiteral("/")));
    win->mnu_Dir_ToBMP_Click();
    crow = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* c = qobject_cast<frmCrow*>(w); c && c->isVisible()) crow = c;
    ASSERT_NE(crow, nullptr);
    EXPECT_EQ(crow->FolderPath->text(), QStringLiteral("/"));
}

// The creation window reports an empty folder while it is being set up, before it is shown:
// the real message box is centred over the window the user sees, not put in a corner.
TEST_F(Commands, MessageForAnEmptyFolderIsCentredOverTheShownWindow) {
    fs::create_directories(tmp.path() / "in" / "empty");
    win->move(300, 200);
    win->show();
    ASSERT_TRUE(win->SelectFolder(q(tmp.file("in"))));
    ASSERT_TRUE(win->DirList->Highlight(q(tmp.file("in/empty"))));
    const QRect mainFrame = win->frameGeometry();
    wxh::SetMsgBoxHandler({});   // the real box, closed by the timer below
    QString text;
    QRect box;
    QWidget* owner = nullptr;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!shown || !shown->isVisible()) return;
        text = shown->text();
        box = shown->frameGeometry();
        owner = shown->parentWidget();
        shown->accept();
    });
    closer.start(10);
    win->mnu_Dir_ToBMP_Click();
    closer.stop();
    EXPECT_EQ(text, QStringLiteral("このフォルダにはファイルが存在しません"));
    EXPECT_EQ(owner, win.get());
    EXPECT_LE((box.center() - mainFrame.center()).manhattanLength(), 4)
        << box.center().x() << "," << box.center().y() << " vs " << mainFrame.center().x() << "," << mainFrame.center().y();
}

}  // namespace

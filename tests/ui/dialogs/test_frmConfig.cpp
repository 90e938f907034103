#include "ui/dialogs/frmConfig.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <gtest/gtest.h>

#include "ui/settings/LiveSettings.h"
#include "support/TempDir.h"
#include "ui/controls/DirListBox.h"
#include "ui/controls/DriveListBox.h"

namespace {

using wxh::test::TempDir;

void Key(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(tmp.path() / "out" / "sub");
        std::filesystem::create_directories(tmp.path() / "other");
        out = QString::fromStdString((tmp.path() / "out").string());
        wxh::Live().ExtractFolder = out.toStdString();
        wxh::Live().OneFileNoFolder = 0;
        main.setWindowTitle(QStringLiteral("before"));
        wxh::DriveListBox::ForgetFolders();
    }
    void TearDown() override {
        wxh::Live().ExtractFolder.clear();
        wxh::Live().OneFileNoFolder = 0;
        wxh::DriveListBox::ForgetFolders();
    }
    TempDir tmp;
    QString out;
    QWidget main;
};

TEST_F(SettingsDialog, ControlsAndTexts) {
    frmConfig dlg(&main);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ファイルの解凍先の選択"));
    EXPECT_EQ(dlg.parentWidget(), nullptr);   // modal without an owner
    EXPECT_EQ(dlg.Label1->text(), QStringLiteral("取り出したファイルの復元先フォルダの指定だよ"));
    EXPECT_EQ(dlg.Label2->text(), QStringLiteral("オプション："));
    EXPECT_EQ(dlg.ChkFolder->text(), QStringLiteral("ファイルが１つの時はフォルダを生成しない(&F)"));
    EXPECT_EQ(dlg.Drive1->toolTip(), QStringLiteral("ドライブの選択"));
    EXPECT_EQ(dlg.Dir1->toolTip(), QStringLiteral("ディレクトリの選択"));
    EXPECT_EQ(dlg.CmdOK->text(), QStringLiteral("OK(&O)"));
    EXPECT_EQ(dlg.CmdCancel->text(), QStringLiteral("キャンセル(&C)"));
    EXPECT_TRUE(dlg.CmdOK->isDefault());
    EXPECT_EQ(dlg.Drive1->nextInFocusChain(), dlg.Dir1);
    // the OK button stands to the right of the folder list
    EXPECT_GE(dlg.CmdOK->x(), dlg.Dir1->geometry().right());
    EXPECT_GT(dlg.Label2->y(), dlg.Dir1->geometry().bottom());
}

TEST_F(SettingsDialog, LoadOpensTheFolderWithOrWithoutSlashAndSetsTheBox) {
    for (const QString& setting : {out, out + QLatin1Char('/')}) {
        wxh::Live().ExtractFolder = setting.toStdString();
        wxh::Live().OneFileNoFolder = 1;
        frmConfig dlg(&main);
        EXPECT_EQ(dlg.Dir1->Path(), out);
        EXPECT_EQ(dlg.Drive1->Drive(), wxh::DriveListBox::DriveOf(out));
        EXPECT_TRUE(dlg.ChkFolder->isChecked());
    }
    // Any value but 1 shows unchecked, and loading alone does not rewrite it.
    wxh::Live().OneFileNoFolder = 5;
    frmConfig dlg(&main);
    EXPECT_FALSE(dlg.ChkFolder->isChecked());
    EXPECT_EQ(wxh::Live().OneFileNoFolder, 5);
}

TEST_F(SettingsDialog, CheckBoxActsAtOnceCancelAndCloseStoreNothingElse) {
    {
        frmConfig dlg(&main);
        dlg.show();
        dlg.ChkFolder->click();
        EXPECT_EQ(wxh::Live().OneFileNoFolder, 1);
        ASSERT_TRUE(dlg.Dir1->SetPath(out + QStringLiteral("/sub")));
        dlg.CmdCancel->click();
        EXPECT_FALSE(dlg.isVisible());
    }
    EXPECT_EQ(wxh::Live().OneFileNoFolder, 1);
    EXPECT_EQ(wxh::Live().ExtractFolder, out.toStdString());
    EXPECT_EQ(main.windowTitle(), QStringLiteral("before"));
    {
        frmConfig dlg(&main);
        dlg.show();
        dlg.ChkFolder->click();
        EXPECT_EQ(wxh::Live().OneFileNoFolder, 0);
        ASSERT_TRUE(dlg.Dir1->SetPath(out + QStringLiteral("/sub")));
        dlg.close();   // the close box
        Key(dlg.Dir1, Qt::Key_Escape);
    }
    EXPECT_EQ(wxh::Live().OneFileNoFolder, 0);
    EXPECT_EQ(wxh::Live().ExtractFolder, out.toStdString());
    EXPECT_EQ(main.windowTitle(), QStringLiteral("before"));
}

TEST_F(SettingsDialog, OkUntouchedRewritesCaptionFolderAndOption) {
    wxh::Live().ExtractFolder = (out + QLatin1Char('/')).toStdString();
    wxh::Live().OneFileNoFolder = 5;
    frmConfig dlg(&main);
    dlg.show();
    dlg.CmdOK->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(main.windowTitle(), QStringLiteral("W.X.Hollin    ファイルの解凍先> ") + out);
    EXPECT_EQ(wxh::Live().ExtractFolder, out.toStdString());   // as the list reports it
    EXPECT_EQ(wxh::Live().OneFileNoFolder, 0);
}

TEST_F(SettingsDialog, OkStoresTheOpenFolderNotTheHighlightedOne) {
    frmConfig dlg(&main);
    dlg.show();
    const QString sub = out + QStringLiteral("/sub");
    ASSERT_TRUE(dlg.Dir1->Highlight(sub));
    EXPECT_EQ(dlg.Dir1->HighlightedPath(), sub);
    Key(dlg.CmdOK, Qt::Key_Return);   // Enter: the default button
    EXPECT_EQ(wxh::Live().ExtractFolder, out.toStdString());

    // Enter in the folder list presses OK too, whichever key of the two: the open folder is
    // stored, not the highlighted one.
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        frmConfig again(&main);
        again.show();
        again.Dir1->setFocus();
        ASSERT_TRUE(again.Dir1->Highlight(sub));
        wxh::Live().ExtractFolder = "/elsewhere";
        Key(again.Dir1, key);
        EXPECT_FALSE(again.isVisible());
        EXPECT_EQ(again.result(), QDialog::Accepted);
        EXPECT_EQ(again.Dir1->Path(), out);
        EXPECT_EQ(wxh::Live().ExtractFolder, out.toStdString());
    }
    frmConfig opened(&main);
    ASSERT_TRUE(opened.Dir1->SetPath(sub));
    opened.CmdOK->click();
    EXPECT_EQ(wxh::Live().ExtractFolder, sub.toStdString());
    EXPECT_EQ(main.windowTitle(), QStringLiteral("W.X.Hollin    ファイルの解凍先> ") + sub);
}

TEST_F(SettingsDialog, DriveChangeOpensThatDrivesCurrentFolder) {
    frmConfig dlg(&main);
    const QString other = QString::fromStdString((tmp.path() / "other").string());
    // The folder last opened on the drive is its current folder.
    wxh::DriveListBox::RememberFolder(other);
    dlg.Drive1_Change();
    EXPECT_EQ(dlg.Dir1->Path(), other);
    dlg.CmdOK->click();
    EXPECT_EQ(wxh::Live().ExtractFolder, other.toStdString());
}

TEST_F(SettingsDialog, MissingFolderOpensTheNearestExistingOne) {
    wxh::Live().ExtractFolder = (out + QStringLiteral("/gone/deeper")).toStdString();
    frmConfig dlg(&main);
    EXPECT_EQ(dlg.Dir1->Path(), out);
    EXPECT_EQ(dlg.Drive1->Drive(), wxh::DriveListBox::DriveOf(out));
    dlg.CmdOK->click();
    EXPECT_EQ(wxh::Live().ExtractFolder, out.toStdString());

    wxh::Live().ExtractFolder.clear();   // never chosen: still a usable list
    frmConfig empty(&main);
    EXPECT_FALSE(empty.Dir1->Path().isEmpty());
}

}  // namespace

// The Crow creation dialog: layout, folder listing, mode controls and the creation sequence
// with the real Crow writer and progress window. The save dialog is answered by a scripted
// common-dialog backend, message boxes by the message-box seam.
#include "ui/dialogs/frmCrow.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

#include "support/Layout.h"
#include "support/TempDir.h"
#include "ui/commondlg/FakeCommonDlgBackend.h"
#include "ui/controls/seams.h"
#include "ui/controls/twips.h"
#include "ui/dialogs/GuiWxhObject.h"

namespace {

namespace fs = std::filesystem;
using wxh::Tw;
using wxh::test::LayoutProblems;
using wxh::test::FakeCommonDlgBackend;
using wxh::test::PatternBytes;
using wxh::test::ReadFile;
using wxh::test::TempDir;
using wxh::test::WriteFile;

const QString kNoFiles = QStringLiteral("このフォルダにはファイルが存在しません");
const QString kCancelled = QStringLiteral("キャンセルされました");
const QString kNoPassword = QStringLiteral("パスワードが入力されてないですよ");
const QString kFailed = QStringLiteral("エラ－：クロウファイルを作成できませんでした");

struct Shown {
    QString text;
    QString title;
    bool yesNo;
    bool dialogVisible;
};

QString Q(const std::string& s) { return QString::fromStdString(s); }

void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

class CrowDialog : public ::testing::Test {
protected:
    void SetUp() override {
        wxh::SetMsgBoxHandler([this](QWidget*, const QString& text, const QString& title, bool yesNo) {
            shown.push_back({text, title, yesNo, dlg && dlg->isVisible()});
            return yesNo ? answer : wxh::kMsgOk;
        });
        mainWindow.show();
    }
    void TearDown() override {
        QCoreApplication::processEvents();   // no timer of this test outlives it
        wxh::SetMsgBoxHandler({});
        delete dlg.data();
        FlushDeletes();
    }

    // Opens the dialog the way the main window does.
    void Open(const std::string& folder) {
        dlg = new frmCrow(&mainWindow);
        dlg->FolderPath->setText(Q(folder));
        dlg->show();
        mainWindow.hide();
    }

    QStringList Listed() const {
        QStringList names;
        for (int i = 0; i < dlg->FolderFile->count(); ++i) names << dlg->FolderFile->item(i)->text();
        return names;
    }

    QStringList Texts() const {
        QStringList texts;
        for (const Shown& s : shown) texts << s.text;
        return texts;
    }

    // The dialog closed itself and gave the main window back.
    void ExpectClosed() {
        FlushDeletes();
        EXPECT_TRUE(dlg.isNull());
        EXPECT_TRUE(mainWindow.isVisible());
    }

    FakeCommonDlgBackend backend;
    QWidget mainWindow;
    QPointer<frmCrow> dlg;
    std::vector<Shown> shown;
    int answer = wxh::kMsgYes;
    TempDir folder, out;
};

TEST_F(CrowDialog, LayoutCaptionsAndInitialStates) {
    const wxh::test::ProgramFont font;
    frmCrow* d = new frmCrow(&mainWindow);
    dlg = d;
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Crowファイルの作成"));
    EXPECT_EQ(d->size(), QSize(Tw(5385), Tw(2985)));
    EXPECT_EQ(d->minimumSize(), d->maximumSize());
    EXPECT_FALSE(d->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(d->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(d->testAttribute(Qt::WA_DeleteOnClose));

    EXPECT_EQ(d->Label1->text(), QStringLiteral("クロウファイル化するフォルダのパス："));
    EXPECT_EQ(d->FolderPath->text(), QStringLiteral("（フォルダを選択してください）"));
    EXPECT_TRUE(d->FolderPath->isReadOnly());
    EXPECT_EQ(d->Frame1->title(), QStringLiteral("モード選択"));
    EXPECT_EQ(d->OptCrow3->parentWidget(), d->Frame1);
    EXPECT_EQ(d->OptCrow3->text(), QStringLiteral("Crow3 Format(&3)"));
    EXPECT_EQ(d->OptCrow2->text(), QStringLiteral("Crow2 Format(&2)"));
    EXPECT_EQ(d->PassLabel->text(), QStringLiteral("パスワード：(&P)"));
    EXPECT_EQ(d->PassLabel->buddy(), d->PassBox);
    EXPECT_EQ(d->PassBox->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(d->CreateCrowFile->text(), QStringLiteral("Crowファイルの作成(&M)"));
    EXPECT_EQ(d->ChkPass->text(), QStringLiteral("パスワード付き(&E)"));
    EXPECT_EQ(d->FileCount->text(), QStringLiteral("総ファイル数： 0個"));
    EXPECT_EQ(d->Label4->text(), QStringLiteral("＜　フォルダ情報　＞"));
    EXPECT_FALSE(d->FolderFile->isSortingEnabled());
    EXPECT_EQ(d->FolderFile->count(), 0);
    {
        const QStringList problems = LayoutProblems(*d);
        EXPECT_TRUE(problems.isEmpty()) << problems.join(QStringLiteral("; ")).toStdString();
    }

    // CRW3 can be chosen; CRW2 is the starting mode; the password controls are off.
    EXPECT_TRUE(d->OptCrow3->isEnabled());
    EXPECT_FALSE(d->OptCrow3->isChecked());
    EXPECT_TRUE(d->OptCrow2->isChecked());
    EXPECT_TRUE(d->PassLabel->isHidden());
    EXPECT_TRUE(d->PassBox->isHidden());
    EXPECT_FALSE(d->ChkPass->isEnabled());
    EXPECT_FALSE(d->ChkPass->isChecked());
    EXPECT_TRUE(d->CreateCrowFile->isEnabled());

    // Tab order of the controls that take the focus: the password field right after the box
    // that shows it.
    const QList<QWidget*> order{d->FolderPath, d->OptCrow3, d->OptCrow2, d->ChkPass,
                                d->PassBox, d->CreateCrowFile, d->FolderFile};
    QList<QWidget*> chain;
    QWidget* w = d->FolderPath;
    do {
        if (order.contains(w) && !chain.contains(w)) chain << w;
        w = w->nextInFocusChain();
    } while (w && w != d->FolderPath);
    EXPECT_EQ(chain, order);

    EXPECT_TRUE(shown.empty());   // nothing runs on loading
}

TEST_F(CrowDialog, ListsEveryFileHiddenOnesIncludedAndAppends) {
    WriteFile(folder.file("a.txt"), "a");
    WriteFile(folder.file(".hidden"), "h");
    WriteFile(folder.file("写真.jpg"), "j");
    fs::create_directory(folder.path() / "sub");
    WriteFile(folder.file("sub/inner.txt"), "i");
    Open(folder.str() + "/");

    EXPECT_TRUE(shown.empty());
    QStringList names = Listed();
    names.sort();
    EXPECT_EQ(names, (QStringList{".hidden", "a.txt", "写真.jpg"}));
    EXPECT_EQ(dlg->FileCount->text(), QStringLiteral("総ファイル数: 3個"));
    EXPECT_TRUE(dlg->CreateCrowFile->isEnabled());

    // A second listing adds to the list; the count is its own.
    TempDir other;
    WriteFile(other.file("b.bin"), "b");
    dlg->FolderPath->setText(Q(other.str() + "/"));
    EXPECT_EQ(dlg->FolderFile->count(), 4);
    EXPECT_EQ(dlg->FolderFile->item(3)->text(), QStringLiteral("b.bin"));
    EXPECT_EQ(dlg->FileCount->text(), QStringLiteral("総ファイル数: 1個"));
}

TEST_F(CrowDialog, FolderOfSubFoldersOnlyWarnsBeforeShowingAndDisablesCreation) {
    fs::create_directory(folder.path() / "one");
    fs::create_directory(folder.path() / "two");
    Open(folder.str() + "/");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kNoFiles);
    EXPECT_EQ(shown[0].title, QStringLiteral("WX_Hollin"));
    EXPECT_FALSE(shown[0].yesNo);
    EXPECT_FALSE(shown[0].dialogVisible);
    EXPECT_EQ(dlg->FileCount->text(), QStringLiteral("総ファイル数: 0個"));
    EXPECT_FALSE(dlg->CreateCrowFile->isEnabled());
    EXPECT_TRUE(dlg->isVisible());

    shown.clear();
    dlg = nullptr;
    Open(folder.str() + "/missing/");   // a folder that is not there lists nothing either
    EXPECT_EQ(Texts(), QStringList{kNoFiles});
}

TEST_F(CrowDialog, PasswordControlsFollowTheModeAndTheCheckBox) {
    WriteFile(folder.file("a.txt"), "a");
    Open(folder.str() + "/");

    dlg->OptCrow3->click();
    EXPECT_TRUE(dlg->OptCrow3->isChecked());
    EXPECT_FALSE(dlg->OptCrow2->isChecked());
    EXPECT_TRUE(dlg->ChkPass->isEnabled());
    EXPECT_FALSE(dlg->PassBox->isVisible());

    dlg->ChkPass->click();
    EXPECT_TRUE(dlg->PassBox->isVisible());
    EXPECT_TRUE(dlg->PassLabel->isVisible());

    dlg->OptCrow2->click();
    EXPECT_FALSE(dlg->ChkPass->isEnabled());
    EXPECT_TRUE(dlg->ChkPass->isChecked());   // CRW2 does not untick it
    EXPECT_FALSE(dlg->PassBox->isVisible());
    EXPECT_FALSE(dlg->PassLabel->isVisible());

    dlg->OptCrow3->click();
    EXPECT_TRUE(dlg->PassBox->isVisible());   // back without touching the check box

    dlg->ChkPass->click();
    EXPECT_FALSE(dlg->PassBox->isVisible());
    EXPECT_FALSE(dlg->PassLabel->isVisible());

    // The handlers alone set the option buttons too.
    dlg->OptCrow2_Click();
    EXPECT_TRUE(dlg->OptCrow2->isChecked());
    EXPECT_FALSE(dlg->OptCrow3->isChecked());
    dlg->OptCrow3_Click();
    EXPECT_TRUE(dlg->OptCrow3->isChecked());
}

TEST_F(CrowDialog, SaveDialogIsAskedForABitmapNameAndCancelKeepsTheDialog) {
    WriteFile(folder.file("a.txt"), "a");
    Open(folder.str() + "/");
    backend.Cancel();
    dlg->CreateCrowFile->click();

    ASSERT_EQ(backend.saveCalls.size(), 1u);
    const auto& ofn = backend.saveCalls[0];
    EXPECT_EQ(ofn.owner, dlg.data());
    EXPECT_EQ(ofn.title, QStringLiteral("作成するビットマップファイル"));
    EXPECT_EQ(ofn.filter, QStringLiteral("ビットマップファイル(*.bmp)") + QChar(u'\0') + QStringLiteral("*.bmp") + QChar(u'\0'));
    EXPECT_TRUE(ofn.file.isEmpty());
    EXPECT_TRUE(ofn.defExt.isEmpty());
    EXPECT_EQ(ofn.flags, 0);

    EXPECT_TRUE(shown.empty());
    FlushDeletes();
    ASSERT_FALSE(dlg.isNull());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(mainWindow.isVisible());
}

TEST_F(CrowDialog, FailingSaveDialogSaysWhyAndKeepsTheDialog) {
    WriteFile(folder.file("a.txt"), "a");
    Open(folder.str() + "/");
    backend.Cancel(20476);
    dlg->CreateCrowFile_Click();
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("メンバ lpstrFile が指すバッファが小さすぎます。")});
    FlushDeletes();
    ASSERT_FALSE(dlg.isNull());
    EXPECT_TRUE(dlg->isEnabled());
}

TEST_F(CrowDialog, Crow2FileIsWrittenAndReportedThenTheDialogCloses) {
    WriteFile(folder.file("a.txt"), PatternBytes(3000, 1));
    WriteFile(folder.file("b.txt"), PatternBytes(20, 2));
    Open(folder.str() + "/");
    const std::string target = out.file("made.bmp");
    backend.ChooseFile(Q(target));
    bool disabledWhileWriting = false;
    QTimer::singleShot(0, [&] { disabledWhileWriting = dlg && !dlg->isEnabled() && frmDialog::Instance(); });
    dlg->CreateCrowFile->click();

    EXPECT_EQ(Texts(), QStringList{Q(target) + QStringLiteral("を作成！！")});
    EXPECT_TRUE(disabledWhileWriting);
    const std::string bytes = ReadFile(target);
    ASSERT_GT(bytes.size(), 58u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(bytes.substr(54, 4), "CRW2");
    ExpectClosed();
    EXPECT_EQ(frmDialog::Instance(), nullptr);   // the writer went with its progress window
}

TEST_F(CrowDialog, Crow3WithAndWithoutPassword) {
    WriteFile(folder.file("a.txt"), PatternBytes(500, 3));
    const auto keyNumber = [](const std::string& bytes) {
        return static_cast<uint8_t>(bytes[58]) | static_cast<uint8_t>(bytes[59]) << 8 |
               static_cast<uint8_t>(bytes[60]) << 16 | static_cast<uint8_t>(bytes[61]) << 24;
    };

    Open(folder.str() + "/");
    dlg->OptCrow3->click();
    backend.ChooseFile(Q(out.file("random.bmp")));
    dlg->CreateCrowFile->click();
    ExpectClosed();
    std::string bytes = ReadFile(out.file("random.bmp"));
    EXPECT_EQ(bytes.substr(54, 4), "CRW3");
    EXPECT_NE(keyNumber(bytes), 0);

    Open(folder.str() + "/");
    dlg->OptCrow3->click();
    dlg->ChkPass->click();
    dlg->PassBox->setText(QStringLiteral("合言葉"));
    backend.ChooseFile(Q(out.file("locked.bmp")));
    dlg->CreateCrowFile->click();
    ExpectClosed();
    bytes = ReadFile(out.file("locked.bmp"));
    EXPECT_EQ(bytes.substr(54, 4), "CRW3");
    EXPECT_EQ(keyNumber(bytes), 0);
    EXPECT_EQ(Texts().size(), 2);

    // A ticked box left behind in CRW2 mode gives no password: CRW2 is written.
    Open(folder.str() + "/");
    dlg->OptCrow3->click();
    dlg->ChkPass->click();
    dlg->OptCrow2->click();
    backend.ChooseFile(Q(out.file("plain.bmp")));
    dlg->CreateCrowFile->click();
    ExpectClosed();
    EXPECT_EQ(ReadFile(out.file("plain.bmp")).substr(54, 4), "CRW2");
}

TEST_F(CrowDialog, EmptyPasswordCreatesNothingAndClosesTheDialog) {
    WriteFile(folder.file("a.txt"), "abc");
    Open(folder.str() + "/");
    dlg->OptCrow3->click();
    dlg->ChkPass->click();
    backend.ChooseFile(Q(out.file("never.bmp")));
    dlg->CreateCrowFile->click();
    EXPECT_EQ(Texts(), QStringList{kNoPassword});
    EXPECT_FALSE(fs::exists(out.file("never.bmp")));
    ExpectClosed();
}

TEST_F(CrowDialog, OverwriteQuestionOnlyForNonEmptyFiles) {
    WriteFile(folder.file("a.txt"), "abc");

    // A new name: no question.
    Open(folder.str() + "/");
    backend.ChooseFile(Q(out.file("new.bmp")));
    dlg->CreateCrowFile->click();
    EXPECT_EQ(Texts(), QStringList{Q(out.file("new.bmp")) + QStringLiteral("を作成！！")});
    ExpectClosed();

    // An existing empty file is replaced without a question.
    shown.clear();
    WriteFile(out.file("empty.bmp"), "");
    Open(folder.str() + "/");
    backend.ChooseFile(Q(out.file("empty.bmp")));
    dlg->CreateCrowFile->click();
    EXPECT_EQ(Texts(), QStringList{Q(out.file("empty.bmp")) + QStringLiteral("を作成！！")});
    EXPECT_GT(fs::file_size(out.file("empty.bmp")), 54u);
    ExpectClosed();

    // An existing non-empty file: asked, and Yes replaces it.
    shown.clear();
    WriteFile(out.file("full.bmp"), "old content");
    Open(folder.str() + "/");
    backend.ChooseFile(Q(out.file("full.bmp")));
    dlg->CreateCrowFile->click();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, Q(out.file("full.bmp")) + QStringLiteral("に上書きしてもいいですか？"));
    EXPECT_EQ(shown[0].title, QStringLiteral("上書き確認"));
    EXPECT_TRUE(shown[0].yesNo);
    EXPECT_EQ(ReadFile(out.file("full.bmp")).substr(54, 4), "CRW2");
    ExpectClosed();
}

TEST_F(CrowDialog, NoToTheOverwriteQuestionKeepsFileDialogAndSettings) {
    WriteFile(folder.file("a.txt"), "abc");
    WriteFile(out.file("keep.bmp"), "precious");
    Open(folder.str() + "/");
    dlg->OptCrow3->click();
    dlg->ChkPass->click();
    dlg->PassBox->setText(QStringLiteral("pw"));
    answer = wxh::kMsgNo;
    backend.ChooseFile(Q(out.file("keep.bmp")));
    dlg->CreateCrowFile->click();

    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[0].yesNo);
    EXPECT_EQ(shown[1].text, kCancelled);
    EXPECT_FALSE(shown[1].yesNo);
    EXPECT_EQ(ReadFile(out.file("keep.bmp")), "precious");
    FlushDeletes();
    ASSERT_FALSE(dlg.isNull());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(dlg->isEnabled());
    EXPECT_TRUE(dlg->OptCrow3->isChecked());
    EXPECT_TRUE(dlg->ChkPass->isChecked());
    EXPECT_EQ(dlg->PassBox->text(), QStringLiteral("pw"));
    EXPECT_FALSE(mainWindow.isVisible());
}

// Names code page 932 cannot hold are stored changed: the user is asked first, with the first
// five in the writer's order and the count; hidden files and folders are not packed, not listed.
TEST_F(CrowDialog, ChangedNamesAreAskedAboutBeforePacking) {
    WriteFile(folder.file("plain.txt"), "p");
    for (const char* n : {"n3", "n1", "n7", "N2", "n5", "n4", "n6"}) WriteFile(folder.file(std::string(n) + "_😀.txt"), n);
    WriteFile(folder.file(".hidden_😀"), "h");
    fs::create_directory(folder.file("sub_😀"));
    Open(folder.str());
    const std::string target = out.file("made.bmp");
    const QString question = QStringLiteral(
        "次の7個のファイルは、名前を変えて格納されます：\n\n"
        "n1_😀.txt → n1__.txt\nN2_😀.txt → N2__.txt\nn3_😀.txt → n3__.txt\n"
        "n4_😀.txt → n4__.txt\nn5_😀.txt → n5__.txt\n…\n\nこのまま作成しますか？");

    answer = wxh::kMsgNo;   // back to the dialog, nothing written
    backend.ChooseFile(Q(target));
    dlg->CreateCrowFile->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, question);
    EXPECT_EQ(shown[0].title, QStringLiteral("ファイル名の変更"));
    EXPECT_TRUE(shown[0].yesNo);
    EXPECT_FALSE(fs::exists(target));
    FlushDeletes();
    ASSERT_FALSE(dlg.isNull());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(dlg->isEnabled());

    answer = wxh::kMsgYes;
    shown.clear();
    backend.ChooseFile(Q(target));
    dlg->CreateCrowFile->click();
    EXPECT_EQ(Texts(), (QStringList{question, Q(target) + QStringLiteral("を作成！！")}));
    EXPECT_NE(ReadFile(target).find("n1__.txt"), std::string::npos);
    ExpectClosed();
}

TEST_F(CrowDialog, CancelInTheProgressWindowLeavesNoCrowFile) {
    WriteFile(folder.file("big.bin"), PatternBytes(300000, 4));
    Open(folder.str() + "/");
    const std::string target = out.file("cancelled.bmp");
    backend.ChooseFile(Q(target));
    QTimer::singleShot(0, [] {
        if (frmDialog* progress = frmDialog::Instance()) progress->CmdCancel->click();
    });
    dlg->CreateCrowFile->click();
    EXPECT_EQ(Texts(), QStringList{kCancelled});
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 0);
    ExpectClosed();
}

TEST_F(CrowDialog, WriterFailuresAreReportedAndCloseTheDialog) {
    // Only a hidden file: listed and counted, but the writer finds nothing to pack.
    WriteFile(folder.file(".only"), "secret");
    Open(folder.str() + "/");
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(dlg->FileCount->text(), QStringLiteral("総ファイル数: 1個"));
    EXPECT_EQ(Listed(), QStringList{".only"});
    ASSERT_TRUE(dlg->CreateCrowFile->isEnabled());
    backend.ChooseFile(Q(out.file("hidden.bmp")));
    dlg->CreateCrowFile->click();
    EXPECT_EQ(Texts(), QStringList{kFailed});
    EXPECT_FALSE(fs::exists(out.file("hidden.bmp")));
    ExpectClosed();

    // A target folder that does not exist.
    shown.clear();
    WriteFile(folder.file("seen.txt"), "x");
    Open(folder.str() + "/");
    backend.ChooseFile(Q(out.str() + "/no/such/folder/x.bmp"));
    dlg->CreateCrowFile->click();
    EXPECT_EQ(Texts(), QStringList{kFailed});
    ExpectClosed();
}

TEST_F(CrowDialog, CloseBoxBringsTheMainWindowBackWithoutCreating) {
    WriteFile(folder.file("a.txt"), "abc");
    Open(folder.str() + "/");
    ASSERT_FALSE(mainWindow.isVisible());
    EXPECT_TRUE(dlg->close());
    EXPECT_TRUE(backend.saveCalls.empty());
    EXPECT_TRUE(shown.empty());
    ExpectClosed();

    // A dialog destroyed without closing gives the main window back as well.
    Open(folder.str() + "/");
    ASSERT_FALSE(mainWindow.isVisible());
    delete dlg.data();
    EXPECT_TRUE(mainWindow.isVisible());
}

TEST_F(CrowDialog, CannotBeClosedWhileTheWriterRuns) {
    WriteFile(folder.file("big.bin"), PatternBytes(100000, 5));
    Open(folder.str() + "/");
    backend.ChooseFile(Q(out.file("busy.bmp")));
    bool closeRefused = false;
    QTimer::singleShot(0, [&] { closeRefused = dlg && !dlg->close(); });
    dlg->CreateCrowFile->click();
    EXPECT_TRUE(closeRefused);
    EXPECT_EQ(ReadFile(out.file("busy.bmp")).substr(54, 4), "CRW2");
    ExpectClosed();
}

}  // namespace

// What assistive technology gets from every window: a name for every control the keyboard
// reaches, in both languages; the preview panel's lines and the progress window's state as
// text that follows what is shown; Tab reaching the password field as soon as it appears.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "crow/WxhObject.h"
#include "ui/settings/LiveSettings.h"
#include "support/TempDir.h"
#include "ui/controls/DriveListBox.h"
#include "ui/controls/seams.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/dialogs/frmConfig.h"
#include "ui/dialogs/frmCrow.h"
#include "ui/dialogs/frmDialog.h"
#include "ui/dialogs/frmFileList.h"
#include "ui/dialogs/frmPassword.h"
#include "ui/language/Language.h"
#include "ui/main/frmMain.h"

namespace {

using namespace wxh::test;
namespace fs = std::filesystem;

QString Text(QObject* o, QAccessible::Text t) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(o);
    return iface ? iface->text(t) : QStringLiteral("<no interface>");
}
QString Name(QObject* o) { return Text(o, QAccessible::Name); }

// The widget Tab moves to from w, as the focus chain and the widgets' states decide.
QWidget* NextTabStop(QWidget* w) {
    for (QWidget* next = w->nextInFocusChain(); next && next != w; next = next->nextInFocusChain())
        if ((next->focusPolicy() & Qt::TabFocus) && next->isVisibleTo(w->window()) && next->isEnabled())
            return next;
    return nullptr;
}

// Every control the keyboard can reach in window, with an empty accessible name.
QStringList Unnamed(QWidget* window) {
    QStringList out;
    for (QWidget* w : window->findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled() && Name(w).trimmed().isEmpty())
            out << window->objectName() + QLatin1Char('.') + w->objectName() + QLatin1Char('(') +
                       QLatin1String(w->metaObject()->className()) + QLatin1Char(')');
    return out;
}

class Accessibility : public ::testing::TestWithParam<wxh::Language> {
protected:
    void SetUp() override {
        fs::create_directories(tmp.file("prog"));
        fs::create_directories(tmp.file("src"));
        WriteFile(tmp.file("src/one.txt"), PatternBytes(999, 1));
        crowFile = tmp.file("packed.bmp");
        wxh::WxhObject writer;
        ASSERT_EQ(writer.Crow2(tmp.file("src/"), crowFile), 0);
        frmMain::SetLocationsForTesting(QString::fromStdString(tmp.file("prog/WX_HOLLIN.ini")),
                                        QString::fromStdString(tmp.file("prog")));
        wxh::DriveListBox::ForgetFolders();
        wxh::SetMsgBoxHandler([](QWidget*, const QString&, const QString&, bool) { return wxh::kMsgOk; });
        if (GetParam() == wxh::Language::English) wxh::InstallTranslators(wxh::Language::English);
    }
    void TearDown() override {
        wxh::RemoveTranslators();
        wxh::SetMsgBoxHandler({});
        frmMain::SetLocationsForTesting(QString(), QString());
        wxh::DriveListBox::ForgetFolders();
        wxh::Live().ListCrowFile.clear();
    }
    // The Japanese text, or the English one when the test runs in English.
    QString T(const char* ja, const char* en) const {
        return GetParam() == wxh::Language::English ? QString::fromUtf8(en) : QString::fromUtf8(ja);
    }
    TempDir tmp;
    std::string crowFile;
};

}  // namespace

TEST_P(Accessibility, EveryControlTheKeyboardReachesHasANameInTheUsersLanguage) {
    frmMain main;
    main.show();
    EXPECT_EQ(Unnamed(&main), QStringList());
    EXPECT_EQ(Name(main.DriveList), T("ドライブ", "Drives"));
    EXPECT_EQ(Name(main.DirList), T("フォルダ", "Folders"));
    EXPECT_EQ(Name(main.FileList), T("ファイル", "Files"));
    EXPECT_EQ(Name(main.FileView), T("プレビュー", "Preview"));
    EXPECT_EQ(Name(main.Image1), T("ここにファイルをドロップ", "Drop files here"));
    EXPECT_EQ(Name(main.PicImage), T("画像", "Picture"));

    frmCrow* crow = frmCrow::OpenFor(&main, QString::fromStdString(tmp.file("src")));
    crow->OptCrow3->click();
    crow->ChkPass->click();
    ASSERT_TRUE(crow->PassBox->isVisible());
    EXPECT_EQ(Unnamed(crow), QStringList());
    EXPECT_EQ(Name(crow->PassBox), T("パスワード", "Password"));
    EXPECT_EQ(Name(crow->FolderPath), T("クロウファイル化するフォルダのパス", "Folder to pack"));
    EXPECT_EQ(Name(crow->FolderFile), T("フォルダのファイル", "Files in the folder"));
    crow->close();

    frmPassword password(&main);
    password.show();
    EXPECT_EQ(Unnamed(&password), QStringList());
    EXPECT_EQ(Name(password.PassBox), T("パスワード", "Password"));

    frmDialog progress(&main);
    progress.ShowDialog();
    EXPECT_EQ(Unnamed(&progress), QStringList());
    EXPECT_EQ(Name(progress.ProgBar), T("進行状況", "Progress"));

    frmConfig config(&main);
    config.show();
    EXPECT_EQ(Unnamed(&config), QStringList());
    EXPECT_EQ(Name(config.Dir1), T("ファイルの解凍先", "Release folder"));

    frmAbout about(frmMain::DropPicture());
    about.show();
    EXPECT_EQ(Unnamed(&about), QStringList());

    wxh::Live().ListCrowFile = crowFile;
    frmFileList list(&main);
    list.show();
    EXPECT_EQ(Unnamed(&list), QStringList());
    EXPECT_EQ(Name(list.CrowList), T("Crowファイルの中身", "Contents of the Crow file"));
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, Accessibility,
                         ::testing::Values(wxh::Language::Japanese, wxh::Language::English),
                         [](const auto& info) {
                             return std::string(info.param == wxh::Language::English ? "English" : "Japanese");
                         });

namespace {

class AccessibleText : public Accessibility {};

}  // namespace

// The preview panel reads as the lines a person sees, and says once when they changed.
TEST_P(AccessibleText, PreviewAndProgressFollowWhatIsShown) {
    frmMain main;
    main.show();
    int announced = 0;
    QObject::connect(main.FileView, &wxh::PictureBox::AccessibleTextChanged, [&announced] { ++announced; });
    const QString usage = frmMain::UsageText().join(QLatin1Char('\n'));
    EXPECT_EQ(Text(main.FileView, QAccessible::Description), usage);

    main.ShowFileInfo(QString::fromStdString(crowFile));
    const QString described = main.FileView->Lines().join(QLatin1Char('\n'));
    ASSERT_TRUE(described.contains(QStringLiteral("one.txt")));
    EXPECT_EQ(Text(main.FileView, QAccessible::Description), described);
    EXPECT_EQ(Text(main.FileView, QAccessible::Value), described);
    QCoreApplication::processEvents();
    EXPECT_EQ(announced, 1);   // one for all the rows

    // A picture: the panel's rows go, the picture names its file.
    const std::string picture = tmp.file("plain.bmp");
    QImage(4, 4, QImage::Format_RGB32).save(QString::fromStdString(picture), "BMP");
    main.ShowFileInfo(QString::fromStdString(picture));
    EXPECT_EQ(Text(main.FileView, QAccessible::Description), QString());
    EXPECT_EQ(Text(main.PicImage, QAccessible::Description), QString::fromStdString(picture));

    // The progress window: the file and what remains of it, on the window and its bar.
    frmDialog progress(&main);
    progress.SetProgressFile(QStringLiteral("two.bin"));
    progress.SetProgressRemaining(5000);
    progress.ShowDialog();
    const QString status = QStringLiteral("two.bin\n") + frmDialog::PerCaption(5000);
    EXPECT_EQ(Text(&progress, QAccessible::Description), status);
    EXPECT_EQ(Text(progress.ProgBar, QAccessible::Description), status);
    EXPECT_EQ(Name(progress.NowFile), QStringLiteral("two.bin"));
    progress.SetProgressRemaining(10);
    progress.PaintNow();
    EXPECT_TRUE(Text(&progress, QAccessible::Description).endsWith(frmDialog::PerCaption(10)));
}

// Ticking the password box puts the password field next in the Tab order, in both modes'
// orders; hiding it again takes it out.
TEST_P(AccessibleText, TabReachesThePasswordFieldAsSoonAsItIsShown) {
    frmCrow* crow = frmCrow::OpenFor(nullptr, QString::fromStdString(tmp.file("src")));
    crow->OptCrow3->click();
    EXPECT_EQ(NextTabStop(crow->ChkPass), crow->CreateCrowFile);
    crow->ChkPass->click();
    EXPECT_EQ(NextTabStop(crow->ChkPass), crow->PassBox);
    EXPECT_EQ(NextTabStop(crow->PassBox), crow->CreateCrowFile);
    crow->close();
}

INSTANTIATE_TEST_SUITE_P(Japanese, AccessibleText, ::testing::Values(wxh::Language::Japanese));

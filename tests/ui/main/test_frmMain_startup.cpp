// frmMain start-up, settings file and shutdown.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenuBar>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "support/Layout.h"
#include <sys/stat.h>
#include <unistd.h>

#include "ui/settings/LiveSettings.h"
#include "support/TempDir.h"
#include "ui/controls/twips.h"
#include "ui/main/frmMain.h"

using wxh::test::LayoutProblems;
using wxh::test::ReadFile;
using wxh::test::TempDir;
using wxh::test::WriteFile;

namespace {

const std::string kLine1 = "WX_HOLLIN Ver 1.0\xE3\x80\x80\xE8\xA8\xAD\xE5\xAE\x9A\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB";
const QString kCaptionHead = QStringLiteral("W.X.Hollin    ファイルの解凍先> ");

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        program = tmp.file("prog");
        start = tmp.file("start");
        std::filesystem::create_directories(program);
        std::filesystem::create_directories(start + "/sub");
        ini = tmp.file("WX_HOLLIN.ini");
        frmMain::SetLocationsForTesting(QString::fromStdString(ini), QString::fromStdString(program));
        wxh::Live().ExtractFolder = "stale";
        wxh::Live().OneFileNoFolder = 5;
    }
    void TearDown() override { frmMain::SetLocationsForTesting(QString(), QString()); }

    void writeIni(const std::string& l2, const std::string& l3, const std::string& l4, const std::string& l5) {
        WriteFile(ini, "anything at all\r\n" + l2 + "\r\n" + l3 + "\r\n" + l4 + "\r\n" + l5 + "\r\n");
    }
    static QString checkedFilter(frmMain& w) {
        QString s;
        if (w.mnu_Display_FileList_Filter_Bmp->isChecked()) s += "B";
        if (w.mnu_Display_FileList_Filter_Pic->isChecked()) s += "P";
        if (w.mnu_Display_FileList_Filter_All->isChecked()) s += "A";
        return s;
    }
    void expectDefaults(frmMain& w) {
        EXPECT_EQ(wxh::Live().ExtractFolder, program);
        EXPECT_EQ(w.windowTitle(), kCaptionHead + QString::fromStdString(program));
        EXPECT_EQ(w.DirList->Path().toStdString(), program);
        EXPECT_EQ(w.FileList->Path().toStdString(), program);
        EXPECT_EQ(checkedFilter(w), "B");
        EXPECT_EQ(w.FileList->Pattern(), "*.bmp;*.BMP");
        EXPECT_EQ(wxh::Live().OneFileNoFolder, 0);
    }

    TempDir tmp;
    std::string program, start, ini;
};

TEST_F(StartupTest, FirstRunUsesTheProgramFolderAndCreatesTheFileAtShutdown) {
    {
        frmMain w;
        expectDefaults(w);
        EXPECT_EQ(w.FileView->Lines(), frmMain::UsageText());
        EXPECT_FALSE(std::filesystem::exists(ini));
        w.close();
    }
    EXPECT_EQ(ReadFile(ini), kLine1 + "\r\n" + program + "\r\n" + program + "\r\n1\r\n0\r\n");
}

TEST_F(StartupTest, UsageTextIsDrawnOnTheShownPanel) {
    frmMain w;
    w.show();
    QApplication::processEvents();
    const QImage shot = w.FileView->grab().toImage();
    const int row = w.FileView->RowHeight();
    auto inked = [&](int top) {
        for (int y = top; y < top + row; ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixelColor(x, y).lightness() < 128) return true;
        return false;
    };
    EXPECT_TRUE(inked(0));
    EXPECT_FALSE(inked(2 * row));   // line 3 is empty
    EXPECT_TRUE(inked(7 * row));
    EXPECT_EQ(shot.pixelColor(shot.width() - 2, shot.height() - 2), QColor(Qt::white));
}

TEST_F(StartupTest, ValidFileRestoresEverythingAndIsWrittenBackByteForByte) {
    writeIni("/out/folder/", start, "3", "1");
    {
        frmMain w;
        EXPECT_EQ(wxh::Live().ExtractFolder, "/out/folder/");   // kept exactly, trailing "/" and all
        EXPECT_EQ(w.windowTitle(), kCaptionHead + "/out/folder/");
        EXPECT_EQ(w.DirList->Path().toStdString(), start);
        EXPECT_EQ(w.FileList->Path().toStdString(), start);
        EXPECT_EQ(checkedFilter(w), "A");
        EXPECT_EQ(w.FileList->Pattern(), "*.*");
        EXPECT_EQ(wxh::Live().OneFileNoFolder, 1);
        w.close();
    }
    EXPECT_EQ(ReadFile(ini), kLine1 + "\r\n/out/folder/\r\n" + start + "\r\n3\r\n1\r\n");
}

TEST_F(StartupTest, PictureFilterCodeAndLineTwoWithoutSeparator) {
    writeIni("/out/folder", start, "2", "0");
    frmMain w;
    EXPECT_EQ(wxh::Live().ExtractFolder, "/out/folder");
    EXPECT_EQ(checkedFilter(w), "P");
    EXPECT_EQ(w.FileList->Pattern(), "*.bmp;*.BMP;*.jpg;*.jpeg;*.gif;*.GIF;*.wmf;*.ico;*.cur");
}

TEST_F(StartupTest, UnknownFilterCodeSelectsBitmapsAndWritesOneBack) {
    writeIni("/x", start, "7", "0");
    {
        frmMain w;
        EXPECT_EQ(checkedFilter(w), "B");
        EXPECT_EQ(w.DirList->Path().toStdString(), start);   // no fallback for this
        w.mnu_File_End_Click();
    }
    EXPECT_EQ(ReadFile(ini), kLine1 + "\r\n/x\r\n" + start + "\r\n1\r\n0\r\n");
}

TEST_F(StartupTest, BrokenFilesFallBackToDefaultsEvenForAGoodLineTwo) {
    const std::string gone = tmp.file("deleted");
    struct Case { const char* what; std::string bytes; };
    const std::vector<Case> cases = {
        {"deleted start folder", "a\r\n/good\r\n" + gone + "\r\n3\r\n1\r\n"},
        {"empty start folder", "a\r\n/good\r\n\r\n3\r\n1\r\n"},
        {"four lines", "a\r\n/good\r\n" + start + "\r\n3\r\n"},
        {"filter not a number", "a\r\n/good\r\n" + start + "\r\nthree\r\n1\r\n"},
        {"option not a number", "a\r\n/good\r\n" + start + "\r\n3\r\nyes\r\n"},
        {"filter beyond 16 bits", "a\r\n/good\r\n" + start + "\r\n70000\r\n1\r\n"},
        {"empty file", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(ini, c.bytes);
        wxh::Live().OneFileNoFolder = 9;
        frmMain w;
        expectDefaults(w);
        EXPECT_EQ(w.FileView->Lines(), frmMain::UsageText());
    }
}

// An empty or relative folder on line 2 or 3 makes the file unusable: a release would land in
// "/" or below the working folder. Relative start folders exist here, so only the rule refuses them.
TEST_F(StartupTest, EmptyOrRelativeFoldersMakeTheFileUnusable) {
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(tmp.path());
    struct Case { const char* what; std::string l2, l3; };
    const std::vector<Case> cases = {
        {"empty release folder", "", start},
        {"relative release folder", "out", start},
        {"dot release folder", "./", start},
        {"relative start folder", "/good", "start"},
        {"relative start folder below", "/good", "start/sub"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeIni(c.l2, c.l3, "3", "1");
        wxh::Live().OneFileNoFolder = 9;
        frmMain w;
        expectDefaults(w);
    }
    std::filesystem::current_path(cwd);
}

TEST_F(StartupTest, BareLineFeedsAreReadAsLineEnds) {
    WriteFile(ini, "x\n/lf\n" + start + "\n2\n1");
    frmMain w;
    EXPECT_EQ(wxh::Live().ExtractFolder, "/lf");
    EXPECT_EQ(w.DirList->Path().toStdString(), start);
    EXPECT_EQ(checkedFilter(w), "P");
    EXPECT_EQ(wxh::Live().OneFileNoFolder, 1);
}

TEST_F(StartupTest, JapaneseFolderNamesSurviveTheRoundTrip) {
    const std::string jp = tmp.file("写真　フォルダ");
    std::filesystem::create_directories(jp);
    writeIni("/解凍先", jp, "1", "0");
    {
        frmMain w;
        EXPECT_EQ(w.DirList->Path().toStdString(), jp);
        EXPECT_EQ(w.windowTitle(), kCaptionHead + QStringLiteral("/解凍先"));
        w.close();
    }
    EXPECT_EQ(ReadFile(ini), kLine1 + "\r\n/解凍先\r\n" + jp + "\r\n1\r\n0\r\n");
}

TEST_F(StartupTest, ShutdownWritesTheStateOfTheRunOnce) {
    writeIni("/x", start, "1", "0");
    {
        frmMain w;
        w.mnu_Display_FileList_Filter_Pic_Click();
        ASSERT_TRUE(w.DirList->SetPath(QString::fromStdString(start + "/sub")));
        wxh::Live().ExtractFolder = "/changed";
        wxh::Live().OneFileNoFolder = 1;
        w.close();
        // A second close (e.g. the end command after the close box) does not write again.
        WriteFile(ini, "kept");
        w.mnu_File_End_Click();
        EXPECT_EQ(ReadFile(ini), "kept");
    }
    WriteFile(ini, "");
    {
        frmMain w;   // reads the empty file: defaults
        w.close();
    }
    EXPECT_EQ(ReadFile(ini), kLine1 + "\r\n" + program + "\r\n" + program + "\r\n1\r\n0\r\n");
}

TEST_F(StartupTest, UnwritableSettingsFileLosesTheSettingsQuietly) {
    // The settings path lies below a plain file: nothing can be read or written there.
    const std::string plain = tmp.file("plain");
    WriteFile(plain, "not a folder");
    frmMain::SetLocationsForTesting(QString::fromStdString(plain + "/WX_HOLLIN.ini"), QString::fromStdString(program));
    {
        frmMain w;
        expectDefaults(w);
        w.close();
    }
    EXPECT_EQ(ReadFile(plain), "not a folder");

    // The settings path is a folder: the write fails and leaves no half-written file behind.
    const std::string dirIni = tmp.file("dirini");
    std::filesystem::create_directories(dirIni + "/inside");
    frmMain::SetLocationsForTesting(QString::fromStdString(dirIni), QString::fromStdString(program));
    {
        frmMain w;
        expectDefaults(w);
        w.close();
    }
    EXPECT_TRUE(std::filesystem::is_directory(dirIni + "/inside"));
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(tmp.path())) (void)e, ++entries;
    EXPECT_EQ(entries, 4);   // prog, start, plain, dirini: no temporary file left over
}

// Only a regular file is read: anything else standing under the name gives the defaults at
// once, and shutdown leaves it as it was.
TEST_F(StartupTest, SettingsFileThatIsNoRegularFileGivesDefaultsAtOnce) {
    const std::string good = "a\r\n/good\r\n" + start + "\r\n3\r\n1\r\n";
    struct Case { const char* what; std::function<void()> make; };
    const std::vector<Case> cases = {
        {"fifo", [&] { ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0); }},
        {"link to a fifo", [&] {
             ASSERT_EQ(::mkfifo(tmp.file("fifo").c_str(), 0600), 0);
             std::filesystem::create_symlink(tmp.file("fifo"), ini);
         }},
        {"folder", [&] { std::filesystem::create_directory(ini); }},
        {"10 MB file", [&] { WriteFile(ini, good + std::string(10 << 20, '\n')); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(ini);
        std::filesystem::remove_all(tmp.file("fifo"));
        c.make();
        ::alarm(10);   // a start-up that waits on the file ends the test program: a failure, not a hang
        frmMain w;
        expectDefaults(w);
        w.show();
        EXPECT_TRUE(w.isVisible());
        w.close();
        EXPECT_EQ(std::filesystem::symlink_status(ini).type() == std::filesystem::file_type::regular,
                  std::string(c.what) == "10 MB file");
        ::alarm(0);
    }
    // A link to a good file is followed.
    std::filesystem::remove_all(ini);
    WriteFile(tmp.file("real.ini"), good);
    std::filesystem::create_symlink(tmp.file("real.ini"), ini);
    frmMain w;
    EXPECT_EQ(wxh::Live().ExtractFolder, "/good");
}

// The next widget that Tab moves to.
QWidget* nextTabStop(QWidget* from) {
    for (QWidget* w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && !from->isAncestorOf(w)) return w;
    return nullptr;
}

TEST(FrmMainLayout, WindowControlsMenusAndTexts) {
    const wxh::test::ProgramFont font;
    TempDir tmp;
    frmMain::SetLocationsForTesting(QString::fromStdString(tmp.file("WX_HOLLIN.ini")), tmp.path().c_str());
    frmMain w;
    frmMain::SetLocationsForTesting(QString(), QString());
    EXPECT_EQ(w.centralWidget()->size(), QSize(wxh::Tw(6390), wxh::Tw(3630)));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    {
        const QStringList problems = LayoutProblems(*w.centralWidget());
        EXPECT_TRUE(problems.isEmpty()) << problems.join(QStringLiteral("; ")).toStdString();
    }
    EXPECT_EQ(w.PicImage->parentWidget(), w.FileView);
    EXPECT_EQ(w.DriveList->toolTip(), QStringLiteral("ドライブを選択してね"));
    EXPECT_EQ(w.DirList->toolTip(), QStringLiteral("ディレクトリを選択して、右クリックでCrowファイルが作れるよ"));
    EXPECT_EQ(w.FileList->toolTip(), QStringLiteral("ファイルを選択してねぇ"));
    EXPECT_EQ(w.FileView->toolTip(), QString::fromUtf8("ダブルクリックでレリ\xEF\xBC\x8Dズ！！"));
    EXPECT_EQ(w.Image1->toolTip(), QStringLiteral("何でもドロップＯＫ！！"));
    EXPECT_TRUE(w.Image1->acceptDrops());
    EXPECT_TRUE(w.Image1->HasPicture());
    // Tab order: drive list, folder list, file list, panel.
    EXPECT_EQ(nextTabStop(w.DriveList), w.DirList);
    EXPECT_EQ(nextTabStop(w.DirList), w.FileList);
    EXPECT_EQ(nextTabStop(w.FileList), w.FileView);
    // Nine rows of text fit the panel.
    EXPECT_LE(9 * w.FileView->RowHeight(), w.FileView->height());

    const QList<QAction*> bar = w.menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);   // the two context menus are not on the bar
    EXPECT_EQ(bar[0]->menu(), w.mnu_File);
    EXPECT_EQ(bar[1]->menu(), w.mnu_Display);
    EXPECT_EQ(bar[2]->menu(), w.mnu_Help);
    EXPECT_EQ(w.mnu_File->title(), QStringLiteral("ファイル(&F)"));
    EXPECT_EQ(w.mnu_File->actions(), (QList<QAction*>{w.mnu_File_Open, w.mnu_Sep1, w.mnu_File_End}));
    EXPECT_TRUE(w.mnu_Sep1->isSeparator());
    EXPECT_EQ(w.mnu_File_Open->text(), QStringLiteral("設定...(&S)"));
    EXPECT_EQ(w.mnu_File_End->text(), QStringLiteral("終了(&E)"));
    EXPECT_EQ(w.mnu_Display_FileList_Filter_Bmp->text(), QStringLiteral("ビットマップ(*.bmp) (&B)"));
    EXPECT_FALSE(w.mnu_Help_Topic->isEnabled());
    EXPECT_EQ(w.mnu_Help->actions(), (QList<QAction*>{w.mnu_Help_Topic, w.mnu_Sep2, w.mnu_Help_Ver}));
    EXPECT_EQ(w.mnu_View->actions(), (QList<QAction*>{w.mnu_View_CrowFile, w.Sep5, w.mnu_View_Relese, w.mnu_View_List}));
    EXPECT_EQ(w.mnu_View_CrowFile->text(), QStringLiteral("ファイル未選択"));
    EXPECT_EQ(w.mnu_View_Relese->text(), QString::fromUtf8("\xE3\x80\x80レリーズ（全て解凍） (&R)"));
    EXPECT_EQ(w.mnu_Dir->actions(),
              (QList<QAction*>{w.mnu_Dir_Name, w.Sep3, w.mnu_Dir_ToBMP, w.Sep4, w.mnu_Dir_Open, w.mnu_Dir_Prop}));
    EXPECT_EQ(w.mnu_Dir_Name->text(), QStringLiteral("DirName"));
    EXPECT_FALSE(w.mnu_Dir_Prop->isVisible());
    EXPECT_EQ(w.mnu_Dir_ToBMP->text(), QString::fromUtf8("\xE3\x80\x80" "Crowファイル作成(BMP化) (&C)"));
    for (QAction* a : w.mnu_Dir->actions())
        if (a->isVisible()) {
            EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
        }
    for (QAction* a : w.mnu_View->actions()) EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
}

}  // namespace

// Root can write to /usr/bin: an installed program must still keep its settings and its
// default release folder away from the system's folders.
TEST(SettingsLocation, InstalledPlacesNeverHoldTheSettings) {
    EXPECT_TRUE(frmMain::IsInstalledLocation(QStringLiteral("/usr/bin")));
    EXPECT_TRUE(frmMain::IsInstalledLocation(QStringLiteral("/usr/local/bin")));
    EXPECT_TRUE(frmMain::IsInstalledLocation(QStringLiteral("/bin")));
    EXPECT_FALSE(frmMain::IsInstalledLocation(QStringLiteral("/usr2")));
    wxh::test::TempDir dir;
    EXPECT_FALSE(frmMain::IsInstalledLocation(QString::fromStdString(dir.str())));
    // A folder that does not exist is no installed place either.
    EXPECT_FALSE(frmMain::IsInstalledLocation(QString::fromStdString(dir.file("gone"))));
    EXPECT_TRUE(frmMain::IsInstalledLocation(QStringLiteral("/opt")));
    // The user's own ~/.local is one, a folder whose name merely begins the same is not.
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(dir.str()));
    std::filesystem::create_directories(dir.file(".local/bin"));
    std::filesystem::create_directories(dir.file(".localized"));
    EXPECT_TRUE(frmMain::IsInstalledLocation(QString::fromStdString(dir.file(".local/bin"))));
    EXPECT_FALSE(frmMain::IsInstalledLocation(QString::fromStdString(dir.file(".localized"))));
    qputenv("HOME", home);
}

// Browsing lists, filters, context menus and the preview panel of frmMain.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <filesystem>

#include "common/cp932.h"
#include "ui/settings/LiveSettings.h"
#include "crow/CrowTestUtil.h"
#include "crow/WxhObject.h"
#include "support/TempDir.h"
#include "support/picture_samples.h"
#include "support/QtPrint.h"
#include "ui/controls/seams.h"
#include "ui/main/frmMain.h"

using namespace wxh::test;
namespace fs = std::filesystem;


namespace {

const QString kNone = QStringLiteral("ファイル未選択");

class BrowsingTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = tmp.file("pics");
        fs::create_directories(folder + "/Alpha");
        fs::create_directories(folder + "/beta");
        frmMain::SetLocationsForTesting(QString::fromStdString(tmp.file("WX_HOLLIN.ini")), QString::fromStdString(folder));
        wxh::SetPopupMenuHandler([this](QMenu* menu, const QPoint&) { popups.push_back(menu); });
        window = std::make_unique<frmMain>();
    }
    void TearDown() override {
        window.reset();
        wxh::SetPopupMenuHandler(nullptr);
        frmMain::SetLocationsForTesting(QString(), QString());
    }

    // A folder of n files named f1.txt .. fn.txt with the given sizes, packed into a Crow file.
    std::string makeCrow(const std::string& name, const std::vector<int>& sizes, int generation,
                         const std::string& password = std::string()) {
        const std::string src = tmp.file("src_" + name);
        fs::create_directories(src);
        for (size_t i = 0; i < sizes.size(); ++i)
            WriteFile(src + "/f" + std::to_string(i + 1) + ".txt", PatternBytes(size_t(sizes[i]), uint32_t(i + 1)));
        const std::string out = folder + "/" + name;
        wxh::WxhObject object;
        const int32_t r = generation == 3 ? object.Crow3(src + "/", out, password) : object.Crow2(src + "/", out);
        EXPECT_EQ(r, 0);
        return out;
    }

    QStringList show(const std::string& path) {
        window->ShowFileInfo(QString::fromStdString(path));
        return window->FileView->Lines();
    }

    static QString entry(const QString& name, const QString& size) {
        return QString::fromUtf8("\xE3\x80\x80    ") + name + QString::fromUtf8("\xE3\x80\x80\xE3\x80\x80") + size;
    }
    static QString head(const std::string& path, int format, bool password, int count) {
        return QStringLiteral(" CrowFile: ") + QString::fromStdString(path) + "|" +
               QStringLiteral("   ファイルフォーマット: Crow") + QString::number(format) + "|" +
               QStringLiteral("   パスワード: ") + (password ? QStringLiteral("必要") : QStringLiteral("無し")) + "|" +
               QStringLiteral("   含まれるファイル数: ") + QString::number(count) + QStringLiteral("ファイル");
    }
    // Lines 1, 3, 4 and 5 joined (line 2, the file's own size, is checked on its own).
    static QString headOf(const QStringList& lines) {
        return lines.size() < 5 ? QString() : lines[0] + "|" + lines[2] + "|" + lines[3] + "|" + lines[4];
    }

    TempDir tmp;
    std::string folder;
    std::unique_ptr<frmMain> window;
    std::vector<QMenu*> popups;
};

TEST_F(BrowsingTest, Crow2FilesOfOneTwoThreeAndSevenFiles) {
    const std::string one = makeCrow("one.bmp", {999}, 2);
    QStringList lines = show(one);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(headOf(lines), head(one, 2, false, 1));
    // 54 header + 4 magic + 4 last index + 2 + 6 name + 4 size + 999 data = 1,073 bytes
    EXPECT_EQ(lines[1], QStringLiteral("   ファイルサイズ: 1.07KB"));
    EXPECT_EQ(lines[5], entry("f1.txt", "999B"));
    EXPECT_EQ(window->CurrentCrowFile().toStdString(), one);
    EXPECT_EQ(window->mnu_View_CrowFile->text().toStdString(), one);
    EXPECT_FALSE(window->PicImage->isVisibleTo(window.get()));

    const std::string two = makeCrow("two.bmp", {1000, 1000000}, 2);
    lines = show(two);
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(headOf(lines), head(two, 2, false, 2));
    EXPECT_EQ(lines[5], entry("f1.txt", "1KB"));
    EXPECT_EQ(lines[6], entry("f2.txt", "1MB"));

    const std::string three = makeCrow("three.bmp", {1, 2, 3}, 2);
    lines = show(three);
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[7], entry("f3.txt", "3B"));
    EXPECT_EQ(lines[8], QString::fromUtf8("      他 0ファイル\xE3\x80\x80\xE3\x80\x80(詳細は右クリック)"));

    const std::string seven = makeCrow("seven.bmp", {10, 20, 30, 40, 50, 60, 70}, 2);
    lines = show(seven);
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(headOf(lines), head(seven, 2, false, 7));
    EXPECT_EQ(lines[5], entry("f1.txt", "10B"));
    EXPECT_EQ(lines[7], entry("f3.txt", "30B"));
    EXPECT_EQ(lines[8], QString::fromUtf8("      他 4ファイル\xE3\x80\x80\xE3\x80\x80(詳細は右クリック)"));
    EXPECT_EQ(window->CurrentCrowFile().toStdString(), seven);
}

TEST_F(BrowsingTest, OwnSizeLineFollowsTheSameThresholds) {
    // A hand-made CRW1 file padded to exactly 1,000 and to 1,234,567 bytes.
    for (const auto& [size, text] : std::vector<std::pair<size_t, const char*>>{{1000, "1KB"}, {1234567, "1.23MB"}}) {
        std::string bytes = MakeCrowBytes("CRW1", {"x.txt"}, {5}, "hello");
        const int32_t payload = int32_t(size - bytes.size() + 5);
        bytes = MakeCrowBytes("CRW1", {"x.txt"}, {payload}, std::string(size_t(payload), 'z'));
        ASSERT_EQ(bytes.size(), size);
        const std::string path = folder + "/own" + std::to_string(size) + ".bmp";
        WriteFile(path, bytes);
        const QStringList lines = show(path);
        ASSERT_GE(lines.size(), 2);
        EXPECT_EQ(lines[1], QStringLiteral("   ファイルサイズ: ") + text);
    }
}

TEST_F(BrowsingTest, EveryGenerationWithOneTwoThreeAndSevenFiles) {
    const QString more = QString::fromUtf8("ファイル\xE3\x80\x80\xE3\x80\x80(詳細は右クリック)");
    for (int generation : {1, 2, 3}) {
        for (int count : {1, 2, 3, 7}) {
            SCOPED_TRACE("CRW" + std::to_string(generation) + " of " + std::to_string(count));
            std::vector<int> sizes;
            for (int i = 0; i < count; ++i) sizes.push_back(998 + i);   // 998B, 999B, 1KB, ...
            const std::string name = "g" + std::to_string(generation) + "_" + std::to_string(count) + ".bmp";
            std::string path;
            if (generation == 1) {
                std::vector<std::string> names;
                std::string data;
                for (int i = 0; i < count; ++i) {
                    names.push_back(wxh::Utf8ToCp932("写真" + std::to_string(i + 1) + ".jpg"));
                    data += std::string(size_t(sizes[size_t(i)]), char('a' + i));
                }
                path = folder + "/" + name;
                WriteFile(path, MakeCrowBytes("CRW1", names, sizes, data));
            } else {
                path = makeCrow(name, sizes, generation, generation == 3 ? "pass" : "");
            }
            const QStringList lines = show(path);
            const int entries = std::min(count, 3);
            ASSERT_EQ(lines.size(), 5 + entries + (count >= 3 ? 1 : 0));
            EXPECT_EQ(headOf(lines), head(path, generation, generation == 3, count));
            const QStringList sizeTexts = {"998B", "999B", "1KB"};
            for (int i = 0; i < entries; ++i) {
                const QString file = generation == 1 ? QStringLiteral("写真%1.jpg").arg(i + 1) : QStringLiteral("f%1.txt").arg(i + 1);
                EXPECT_EQ(lines[5 + i], entry(file, sizeTexts[i]));
            }
            if (count >= 3) {
                EXPECT_EQ(lines.last(), QStringLiteral("      他 ") + QString::number(count - 3) + more);
            }
            EXPECT_EQ(window->CurrentCrowFile().toStdString(), path);
        }
    }
}

TEST_F(BrowsingTest, PicturesReplaceTheDescriptionAndOtherFilesChangeNothing) {
    const std::string crow = makeCrow("c.bmp", {10}, 2);
    show(crow);
    const QStringList described = window->FileView->Lines();

    // A text file: nothing changes.
    WriteFile(folder + "/notes.txt", "just text\n");
    show(folder + "/notes.txt");
    EXPECT_EQ(window->FileView->Lines(), described);
    EXPECT_EQ(window->CurrentCrowFile().toStdString(), crow);
    // A Crow file with an unknown magic that is no picture either: nothing changes.
    WriteFile(folder + "/crw9.bmp", MakeCrowBytes("CRW9", {"a"}, {1}, "x").substr(0, 40));
    show(folder + "/crw9.bmp");
    EXPECT_EQ(window->CurrentCrowFile().toStdString(), crow);

    struct Pic { const char* name; std::string bytes; };
    const std::vector<Pic> pics = {{"p.bmp", BmpBytes()}, {"p.jpg", JpegBytes()}, {"p.gif", GifBytes()},
                                   {"p.ico", IcoBytes()}, {"p.cur", CurBytes()},  {"p.wmf", WmfBytes()}};
    for (const Pic& p : pics) {
        SCOPED_TRACE(p.name);
        show(crow);
        const std::string path = folder + "/" + p.name;
        WriteFile(path, p.bytes);
        show(path);
        EXPECT_TRUE(window->FileView->Lines().isEmpty());   // panel cleared
        EXPECT_TRUE(window->PicImage->isVisibleTo(window.get()));
        EXPECT_TRUE(window->PicImage->HasPicture());
        EXPECT_EQ(window->PicImage->toolTip().toStdString(), path);
        EXPECT_EQ(window->CurrentCrowFile(), kNone);
        // Then the text file: the picture stays.
        show(folder + "/notes.txt");
        EXPECT_TRUE(window->PicImage->HasPicture());
        EXPECT_EQ(window->PicImage->toolTip().toStdString(), path);
    }
    // Back to a Crow file: picture emptied and hidden.
    show(crow);
    EXPECT_FALSE(window->PicImage->HasPicture());
    EXPECT_FALSE(window->PicImage->isVisibleTo(window.get()));
    EXPECT_EQ(window->CurrentCrowFile().toStdString(), crow);
}

TEST_F(BrowsingTest, BigPicturesAreFittedIntoThePictureBox) {
    QImage big(800, 400, QImage::Format_RGB32);
    big.fill(Qt::green);
    const std::string path = folder + "/big.bmp";
    WriteFile(path, Encode(big, "BMP"));
    show(path);
    const QSize box = window->PicImage->size();
    EXPECT_LE(window->PicImage->Picture().width(), box.width());
    EXPECT_LE(window->PicImage->Picture().height(), box.height());
}

TEST_F(BrowsingTest, AmpersandInAPathShowsAsItIs) {
    const std::string crow = makeCrow("R&D.bmp", {10}, 2);
    show(crow);
    EXPECT_EQ(window->CurrentCrowFile().toStdString(), crow);
    EXPECT_TRUE(window->mnu_View_CrowFile->text().contains("R&&D"));
}

TEST_F(BrowsingTest, FiltersCheckOneItemAndSetThePattern) {
    for (const char* n : {"a.bmp", "B.BMP", "c.Bmp", "d.jpg", "e.JPEG", "f.gif", "g.wmf", "h.ico", "i.cur", "j.txt", "noext"})
        WriteFile(folder + "/" + n, "x");
    WriteFile(folder + "/.hidden.bmp", "x");
    window->DirList->Refresh();
    window->FileList->Refresh();
    auto checks = [this] {
        return std::vector<bool>{window->mnu_Display_FileList_Filter_Bmp->isChecked(),
                                 window->mnu_Display_FileList_Filter_Pic->isChecked(),
                                 window->mnu_Display_FileList_Filter_All->isChecked()};
    };
    EXPECT_EQ(window->FileList->FileNames(), QStringList({"a.bmp", "B.BMP", "c.Bmp"}));

    window->mnu_Display_FileList_Filter_Pic_Click();
    EXPECT_EQ(checks(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(window->FileList->FileNames(),
              QStringList({"a.bmp", "B.BMP", "c.Bmp", "d.jpg", "e.JPEG", "f.gif", "g.wmf", "h.ico", "i.cur"}));

    window->mnu_Display_FileList_Filter_All->trigger();   // through the menu item itself
    EXPECT_EQ(checks(), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(window->FileList->FileNames().size(), 11);   // no hidden file, no folders

    window->mnu_Display_FileList_Filter_Bmp->trigger();
    EXPECT_EQ(checks(), (std::vector<bool>{true, false, false}));
    window->mnu_Display_FileList_Filter_Bmp->trigger();    // choosing the checked one keeps it checked
    EXPECT_EQ(checks(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(window->FileList->Pattern(), "*.bmp;*.BMP");
}

TEST_F(BrowsingTest, ListsAreCoupledAndTheCurrentFileSurvivesFolderChanges) {
    const std::string crow = makeCrow("c.bmp", {10}, 2);
    WriteFile(folder + "/Alpha/in_alpha.bmp", BmpBytes());
    window->FileList->Refresh();
    // Selecting a file in the list shows it.
    ASSERT_TRUE(window->FileList->SelectFile("c.bmp"));
    EXPECT_EQ(window->CurrentCrowFile().toStdString(), crow);
    // Opening a sub-folder moves the file list; the panel and the current file stay.
    ASSERT_TRUE(window->DirList->SetPath(QString::fromStdString(folder + "/Alpha")));
    EXPECT_EQ(window->FileList->Path().toStdString(), folder + "/Alpha");
    EXPECT_EQ(window->FileList->FileNames(), QStringList({"in_alpha.bmp"}));
    EXPECT_EQ(window->CurrentCrowFile().toStdString(), crow);
    // Keyboard selection is a click too.
    window->FileList->setFocus();
    window->FileList->setCurrentRow(0);
    EXPECT_EQ(window->CurrentCrowFile(), kNone);
    EXPECT_TRUE(window->PicImage->HasPicture());
    // The drive list moves the folder list to the folder last open on that drive.
    window->DriveList->setCurrentIndex(-1);
    window->DriveList->SetDrive(QString::fromStdString(folder));
    EXPECT_EQ(window->DirList->Path().toStdString(), folder + "/Alpha");
}

void sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, QPoint at) {
    QMouseEvent ev(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, button, Qt::NoModifier);
    QApplication::sendEvent(target, &ev);
}

TEST_F(BrowsingTest, ContextMenusOpenOnRightClicksOnly) {
    sendMouse(window->FileView, QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
    EXPECT_TRUE(popups.empty());
    sendMouse(window->FileView, QEvent::MouseButtonPress, Qt::RightButton, {5, 5});
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0], window->mnu_View);

    sendMouse(window->FileList->viewport(), QEvent::MouseButtonPress, Qt::RightButton, {5, 5});
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_EQ(popups[1], window->mnu_Display_FileList_Filter);

    // A shown picture takes no clicks and opens no menu.
    WriteFile(folder + "/p.bmp", BmpBytes());
    show(folder + "/p.bmp");
    ASSERT_TRUE(window->PicImage->HasPicture());
    sendMouse(window->PicImage, QEvent::MouseButtonPress, Qt::RightButton, {3, 3});
    EXPECT_EQ(popups.size(), 2u);
}

// Shift+F10 and the Menu key open the same menus as the right button, at the focused entry.
TEST_F(BrowsingTest, ContextMenusOpenFromTheKeyboard) {
    std::vector<QPoint> where;
    wxh::SetPopupMenuHandler([&](QMenu* menu, const QPoint& at) {
        popups.push_back(menu);
        where.push_back(at);
    });
    WriteFile(folder + "/a.bmp", BmpBytes());
    WriteFile(folder + "/b.bmp", BmpBytes());
    window->FileList->Refresh();
    ASSERT_TRUE(window->FileList->SelectFile("b.bmp"));
    ASSERT_TRUE(window->DirList->Highlight(QString::fromStdString(folder + "/beta")));
    const auto rowOnScreen = [](QListWidget* list) {
        const QRect r = list->visualItemRect(list->currentItem());
        return QRect(list->viewport()->mapToGlobal(r.topLeft()), r.size());
    };
    struct Case { QWidget* control; QMenu* menu; QRect area; };
    const std::vector<Case> cases = {
        {window->FileList, window->mnu_Display_FileList_Filter, rowOnScreen(window->FileList)},
        {window->DirList, window->mnu_Dir, rowOnScreen(window->DirList)},
        {window->FileView, window->mnu_View, QRect(window->FileView->mapToGlobal(QPoint(0, 0)), window->FileView->size())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control->objectName().toStdString());
        for (const auto& [key, modifiers] : {std::pair{Qt::Key_F10, Qt::ShiftModifier}, std::pair{Qt::Key_Menu, Qt::NoModifier}}) {
            popups.clear();
            where.clear();
            QKeyEvent press(QEvent::KeyPress, key, modifiers);
            QApplication::sendEvent(c.control, &press);
            ASSERT_EQ(popups.size(), 1u);
            EXPECT_EQ(popups[0], c.menu);
            EXPECT_TRUE(c.area.contains(where[0])) << where[0].x() << "," << where[0].y();
        }
        popups.clear();
        QKeyEvent f10(QEvent::KeyPress, Qt::Key_F10, Qt::NoModifier);   // F10 alone is no menu key
        QApplication::sendEvent(c.control, &f10);
        EXPECT_TRUE(popups.empty());
    }
    EXPECT_EQ(window->mnu_Dir_Name->text(), QStringLiteral("フォルダ> ") + QString::fromStdString(folder + "/beta"));
    EXPECT_EQ(window->FileList->FileName(), QStringLiteral("b.bmp"));   // the keys select nothing
}

// Taking the focus makes Qt set a current row in the file list without selecting it: the
// preview and the current Crow file stay as they were, and the panel releases nothing.
TEST_F(BrowsingTest, FocusingTheFileListShowsNothing) {
    const std::string crow = makeCrow("first.bmp", {10, 20}, 2);
    window->FileList->Refresh();
    ASSERT_EQ(window->FileList->FileNames().value(0), QStringLiteral("first.bmp"));
    const QStringList before = window->FileView->Lines();
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(window->FileList, &focus);
    EXPECT_EQ(window->FileList->currentRow(), 0);
    EXPECT_EQ(window->CurrentCrowFile(), kNone);
    EXPECT_EQ(window->FileView->Lines(), before);
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);   // the user picks it
    QApplication::sendEvent(window->FileList, &space);
    EXPECT_EQ(window->CurrentCrowFile().toStdString(), crow);
}

// A metafile that sends libwmf into an endless loop, named like a bitmap so that the default
// filter lists it: clicking it changes nothing, the window answers again within the renderer's
// time limit, and the next command works.
TEST_F(BrowsingTest, AMetafileThatHangsItsRendererLeavesTheWindowResponsive) {
    const std::string crow = makeCrow("next.bmp", {10, 20}, 2);
    WriteFile(folder + "/photo.bmp", HostileWmfBytes());
    window->FileList->Refresh();
    const QStringList usage = window->FileView->Lines();
    auto* list = window->FileList;
    const auto rowOf = [list](const QString& name) { return list->visualItemRect(list->item(int(list->FileNames().indexOf(name)))).center(); };
    QElapsedTimer clock;
    clock.start();
    sendMouse(list->viewport(), QEvent::MouseButtonPress, Qt::LeftButton, rowOf(QStringLiteral("photo.bmp")));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(list->FileName(), QStringLiteral("photo.bmp"));
    EXPECT_EQ(window->CurrentCrowFile(), kNone);
    EXPECT_EQ(window->FileView->Lines(), usage);
    EXPECT_FALSE(window->PicImage->isVisible());
    sendMouse(list->viewport(), QEvent::MouseButtonPress, Qt::LeftButton, rowOf(QStringLiteral("next.bmp")));
    EXPECT_EQ(window->CurrentCrowFile().toStdString(), crow);
    EXPECT_EQ(window->FileView->Lines().value(0), QStringLiteral(" CrowFile: ") + QString::fromStdString(crow));
}

TEST_F(BrowsingTest, FolderMenuOffersTheHighlightedFolder) {
    auto* list = window->DirList;
    // The open folder when nothing was highlighted since it was opened.
    sendMouse(list->viewport(), QEvent::MouseButtonPress, Qt::RightButton, {5, 5});
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0], window->mnu_Dir);
    EXPECT_EQ(window->mnu_Dir_Name->text(), QStringLiteral("フォルダ> ") + QString::fromStdString(folder));

    // A single click on a sub-folder highlights it without opening it.
    int row = -1;
    for (int i = 0; i < list->count(); ++i)
        if (list->EntryPath(i).toStdString() == folder + "/beta") row = i;
    ASSERT_GE(row, 0);
    const QPoint at = list->visualItemRect(list->item(row)).center();
    sendMouse(list->viewport(), QEvent::MouseButtonPress, Qt::LeftButton, at);
    sendMouse(list->viewport(), QEvent::MouseButtonRelease, Qt::LeftButton, at);
    EXPECT_EQ(list->Path().toStdString(), folder);
    EXPECT_EQ(window->HighlightedFolder().toStdString(), folder + "/beta");

    // A right click elsewhere does not move the highlight.
    sendMouse(list->viewport(), QEvent::MouseButtonPress, Qt::RightButton, {5, 5});
    EXPECT_EQ(window->mnu_Dir_Name->text(), QStringLiteral("フォルダ> ") + QString::fromStdString(folder + "/beta"));
    EXPECT_EQ(window->HighlightedFolder().toStdString(), folder + "/beta");

    // A double click opens it.
    sendMouse(list->viewport(), QEvent::MouseButtonDblClick, Qt::LeftButton, at);
    EXPECT_EQ(list->Path().toStdString(), folder + "/beta");
    EXPECT_EQ(window->FileList->Path().toStdString(), folder + "/beta");
}

TEST_F(BrowsingTest, SelectFolderMovesBothLists) {
    EXPECT_TRUE(window->SelectFolder(QString::fromStdString(folder + "/Alpha")));
    EXPECT_EQ(window->DirList->Path().toStdString(), folder + "/Alpha");
    EXPECT_EQ(window->HighlightedFolder().toStdString(), folder + "/Alpha");
    EXPECT_EQ(window->FileList->Path().toStdString(), folder + "/Alpha");
    EXPECT_FALSE(window->SelectFolder(QString::fromStdString(folder + "/missing")));
    EXPECT_EQ(window->DirList->Path().toStdString(), folder + "/Alpha");
}

}  // namespace

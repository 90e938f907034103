// The drive, folder and file lists that stand in for the platform's list controls.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"
#include "ui/controls/DirListBox.h"
#include "ui/controls/DriveListBox.h"
#include "ui/controls/FileListBox.h"

using namespace wxh::test;
namespace fs = std::filesystem;

namespace {

void sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, QPoint at) {
    QMouseEvent ev(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, button, Qt::NoModifier);
    QApplication::sendEvent(target, &ev);
}

TEST(FileListBox, PatternsAreSemicolonSeparatedWildcardsIgnoringCase) {
    using wxh::FileListBox;
    EXPECT_TRUE(FileListBox::MatchesPattern("a.bmp", "*.bmp;*.BMP"));
    EXPECT_TRUE(FileListBox::MatchesPattern("a.Bmp", "*.bmp"));
    EXPECT_TRUE(FileListBox::MatchesPattern("photo.JPEG", "*.bmp;*.jpeg"));
    EXPECT_FALSE(FileListBox::MatchesPattern("a.bmpx", "*.bmp"));
    EXPECT_FALSE(FileListBox::MatchesPattern("abmp", "*.bmp"));
    EXPECT_TRUE(FileListBox::MatchesPattern("noext", "*.*"));
    EXPECT_TRUE(FileListBox::MatchesPattern("a.b.c", "*.*"));
    EXPECT_TRUE(FileListBox::MatchesPattern("ab.txt", "a?.txt"));
    EXPECT_FALSE(FileListBox::MatchesPattern("abc.txt", "a?.txt"));
    EXPECT_TRUE(FileListBox::MatchesPattern("x[1].bmp", "x[1].bmp"));   // brackets are plain characters
    EXPECT_TRUE(FileListBox::MatchesPattern("ＡＢ.bmp", "ａｂ.BMP"));   // case folding beyond ASCII
    EXPECT_FALSE(FileListBox::MatchesPattern("a.bmp", ""));
    EXPECT_TRUE(FileListBox::MatchesPattern("a.gif", ";;*.gif;"));
}

TEST(FileListBox, ListsMatchingPlainFilesSortedIgnoringCase) {
    TempDir tmp;
    for (const char* n : {"b.bmp", "A.BMP", "c.txt", ".hidden.bmp", "Z.bmp"}) WriteFile(tmp.file(n), "x");
    fs::create_directories(tmp.file("folder.bmp"));
    wxh::FileListBox list;
    int clicks = 0;
    QObject::connect(&list, &wxh::FileListBox::Click, [&clicks] { ++clicks; });
    ASSERT_TRUE(list.SetPath(tmp.path().c_str()));
    EXPECT_EQ(list.FileNames(), QStringList({".hidden.bmp", "A.BMP", "b.bmp", "c.txt", "Z.bmp"}).mid(1));
    list.SetPattern("*.bmp");
    EXPECT_EQ(list.FileNames(), QStringList({"A.BMP", "b.bmp", "Z.bmp"}));
    EXPECT_EQ(clicks, 0);   // filling the list is no click
    EXPECT_FALSE(list.SetPath(tmp.file("missing").c_str()));
    EXPECT_EQ(list.Path().toStdString(), tmp.str());

    // Mouse and keyboard selections are clicks; the right button is not.
    list.resize(200, 200);
    const QPoint second = list.visualItemRect(list.item(1)).center();
    sendMouse(list.viewport(), QEvent::MouseButtonPress, Qt::LeftButton, second);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(list.FileName(), "b.bmp");
    sendMouse(list.viewport(), QEvent::MouseButtonPress, Qt::LeftButton, second);   // again on the same file
    EXPECT_EQ(clicks, 2);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(&list, &down);
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(list.FileName(), "Z.bmp");
    int downs = 0;
    QObject::connect(&list, &wxh::FileListBox::MouseDown, [&downs] { ++downs; });
    sendMouse(list.viewport(), QEvent::MouseButtonPress, Qt::RightButton, second);
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(list.FileName(), "Z.bmp");
    EXPECT_EQ(downs, 1);
}

// Taking the focus (Tab, or back from a menu) makes Qt set a current row without selecting
// it: that is no pick of the user's, so no click, until a key or the mouse selects a file.
TEST(FileListBox, TakingTheFocusIsNoClick) {
    TempDir tmp;
    for (const char* n : {"a.bmp", "b.bmp", "c.bmp"}) WriteFile(tmp.file(n), "x");
    wxh::FileListBox list;
    list.resize(200, 200);
    int clicks = 0;
    QObject::connect(&list, &wxh::FileListBox::Click, [&clicks] { ++clicks; });
    ASSERT_TRUE(list.SetPath(tmp.path().c_str()));
    for (Qt::FocusReason reason : {Qt::TabFocusReason, Qt::PopupFocusReason, Qt::ActiveWindowFocusReason}) {
        list.SetPattern("*.bmp");   // refilled, as after a folder change: nothing current
        QFocusEvent focus(QEvent::FocusIn, reason);
        QApplication::sendEvent(&list, &focus);
        EXPECT_EQ(list.currentRow(), 0);   // what Qt does on taking the focus
        EXPECT_EQ(clicks, 0) << reason;
    }
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(&list, &down);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(list.FileName(), "b.bmp");
    // A click on the current but unselected row is the user's pick: one click.
    list.SetPattern("*.bmp");
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&list, &focus);
    sendMouse(list.viewport(), QEvent::MouseButtonPress, Qt::LeftButton, list.visualItemRect(list.item(0)).center());
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(list.FileName(), "a.bmp");
    EXPECT_TRUE(list.SelectFile("c.bmp"));
    EXPECT_EQ(clicks, 3);
}

class DirListTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(tmp.file("top/Beta"));
        fs::create_directories(tmp.file("top/alpha/deep"));
        fs::create_directories(tmp.file("top/.hidden"));
        WriteFile(tmp.file("top/file.txt"), "x");
        top = tmp.file("top");
        list.resize(300, 400);
    }
    int rowOf(const std::string& path) {
        for (int i = 0; i < list.count(); ++i)
            if (list.EntryPath(i).toStdString() == path) return i;
        return -1;
    }
    QPoint at(int row) { return list.visualItemRect(list.item(row)).center(); }
    TempDir tmp;
    std::string top;
    wxh::DirListBox list;
};

TEST_F(DirListTest, ShowsAncestorsThenSubFolders) {
    int changes = 0;
    QObject::connect(&list, &wxh::DirListBox::Change, [&changes] { ++changes; });
    ASSERT_TRUE(list.SetPath(QString::fromStdString(top + "/")));   // a trailing "/" is the same folder
    EXPECT_EQ(list.Path().toStdString(), top);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.EntryPath(0), "/");
    EXPECT_EQ(list.EntryPath(list.OpenRow()).toStdString(), top);
    EXPECT_EQ(list.count(), list.OpenRow() + 3);   // alpha and Beta; no hidden folder, no file
    EXPECT_EQ(list.EntryPath(list.OpenRow() + 1).toStdString(), top + "/alpha");
    EXPECT_EQ(list.EntryPath(list.OpenRow() + 2).toStdString(), top + "/Beta");
    EXPECT_EQ(list.HighlightedPath().toStdString(), top);

    ASSERT_TRUE(list.SetPath(QString::fromStdString(top)));
    EXPECT_EQ(changes, 1);   // the same folder again is no change
    EXPECT_FALSE(list.SetPath(QString::fromStdString(top + "/missing")));
    EXPECT_FALSE(list.SetPath(QString::fromStdString(top + "/file.txt")));
    EXPECT_FALSE(list.SetPath(QString()));
    EXPECT_EQ(list.Path().toStdString(), top);
    EXPECT_EQ(changes, 1);

    ASSERT_TRUE(list.SetPath("/"));
    EXPECT_EQ(list.OpenRow(), 0);
    EXPECT_EQ(list.Path(), "/");
}

TEST_F(DirListTest, ClickHighlightsDoubleClickAndEnterOpen) {
    ASSERT_TRUE(list.SetPath(QString::fromStdString(top)));
    int changes = 0;
    QObject::connect(&list, &wxh::DirListBox::Change, [&changes] { ++changes; });
    const int beta = rowOf(top + "/Beta");
    sendMouse(list.viewport(), QEvent::MouseButtonPress, Qt::LeftButton, at(beta));
    EXPECT_EQ(list.HighlightedPath().toStdString(), top + "/Beta");
    EXPECT_EQ(list.Path().toStdString(), top);
    EXPECT_EQ(changes, 0);

    // A right click elsewhere keeps the highlight.
    sendMouse(list.viewport(), QEvent::MouseButtonPress, Qt::RightButton, at(0));
    EXPECT_EQ(list.HighlightedPath().toStdString(), top + "/Beta");

    sendMouse(list.viewport(), QEvent::MouseButtonDblClick, Qt::LeftButton, at(beta));
    EXPECT_EQ(list.Path().toStdString(), top + "/Beta");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.HighlightedPath().toStdString(), top + "/Beta");   // the open folder once more

    // Enter on an ancestor opens it.
    list.setCurrentRow(rowOf(top));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&list, &enter);
    EXPECT_EQ(list.Path().toStdString(), top);
    EXPECT_EQ(changes, 2);

    // A folder removed since it was listed: opening it fails and the list is read again.
    fs::remove_all(top + "/alpha");
    sendMouse(list.viewport(), QEvent::MouseButtonDblClick, Qt::LeftButton, at(rowOf(top + "/alpha")));
    EXPECT_EQ(list.Path().toStdString(), top);
    EXPECT_EQ(rowOf(top + "/alpha"), -1);
}

TEST(DriveListBox, RootFirstEveryPathHasADriveAndTheLastFolderIsRemembered) {
    wxh::DriveListBox::ForgetFolders();
    const auto volumes = wxh::DriveListBox::MountedVolumes();
    ASSERT_FALSE(volumes.isEmpty());
    EXPECT_EQ(volumes[0].root, "/");
    for (const auto& v : volumes) {
        EXPECT_FALSE(v.root.startsWith("/proc"));
        EXPECT_FALSE(v.root.startsWith("/sys"));
        EXPECT_FALSE(v.root.startsWith("/dev"));
        EXPECT_FALSE(v.root.startsWith("/run/user"));
    }
    TempDir tmp;
    const QString drive = wxh::DriveListBox::DriveOf(tmp.path().c_str());
    EXPECT_TRUE(QString::fromStdString(tmp.str()).startsWith(drive));
    EXPECT_EQ(wxh::DriveListBox::DriveOf("/"), "/");

    EXPECT_EQ(wxh::DriveListBox::CurrentFolderOn(drive), drive);
    wxh::DirListBox dirs;
    ASSERT_TRUE(dirs.SetPath(tmp.path().c_str()));   // opening a folder makes it current on its drive
    EXPECT_EQ(wxh::DriveListBox::CurrentFolderOn(drive).toStdString(), tmp.str());
    wxh::DriveListBox::ForgetFolders();

    wxh::DriveListBox box;
    EXPECT_EQ(box.count(), volumes.size());
    EXPECT_EQ(box.Drive(), "/");
    int changes = 0;
    QObject::connect(&box, &wxh::DriveListBox::Change, [&changes] { ++changes; });
    EXPECT_TRUE(box.SetDrive(tmp.path().c_str()));
    EXPECT_EQ(box.Drive(), drive);
    EXPECT_EQ(changes, drive == "/" ? 0 : 1);
    EXPECT_FALSE(box.SetDrive(QString()));
}

}  // namespace

// The folder icons are drawings: at 1.5x and 3x scale they are drawn for the screen's pixels,
// not blown up from a 16-pixel bitmap; the open and the closed folder look different.
TEST_F(DirListTest, FolderIconsAreDrawnForEveryScale) {
    ASSERT_TRUE(list.SetPath(QString::fromStdString(top)));
    const QIcon open = list.item(list.OpenRow())->icon();
    const QIcon closed = list.item(list.OpenRow() + 1)->icon();
    for (const QIcon& icon : {open, closed}) {
        ASSERT_FALSE(icon.isNull());
        // A bitmap icon lists the sizes it has; a drawing has none and fits every size.
        EXPECT_TRUE(icon.availableSizes().isEmpty()) << icon.availableSizes().size() << " bitmap sizes";
        for (const qreal scale : {1.0, 1.5, 2.0, 3.0}) {
            const QPixmap pixmap = icon.pixmap(QSize(16, 16), scale);
            EXPECT_EQ(pixmap.size(), QSize(16, 16) * scale) << scale;
        }
    }
    EXPECT_NE(open.pixmap(QSize(16, 16), 3.0).toImage(), closed.pixmap(QSize(16, 16), 3.0).toImage());
}

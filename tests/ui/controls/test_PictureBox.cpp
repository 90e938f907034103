// The persistent drawing surface, the image box with file drops, and the context-menu seam.
#include <QApplication>
#include <QMenu>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

#include "ui/controls/ImageBox.h"
#include "ui/controls/PictureBox.h"
#include "ui/controls/seams.h"

namespace {

bool anyNonWhite(const QImage& img, QRect area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixelColor(x, y) != QColor(Qt::white)) return true;
    return false;
}

TEST(PictureBox, PrintedRowsStayDrawnUntilCleared) {
    wxh::PictureBox box;
    box.resize(200, 100);   // never shown: the drawing must not wait for a show
    box.Print("first");
    box.Print();
    box.Print("third");
    EXPECT_EQ(box.Lines(), QStringList({"first", "", "third"}));
    const int row = box.RowHeight();
    EXPECT_TRUE(anyNonWhite(box.Canvas(), QRect(0, 0, 100, row)));
    EXPECT_FALSE(anyNonWhite(box.Canvas(), QRect(0, row, 100, row)));   // the empty row
    EXPECT_TRUE(anyNonWhite(box.Canvas(), QRect(0, 2 * row, 100, row)));
    box.resize(300, 150);   // growing keeps what is drawn
    EXPECT_TRUE(anyNonWhite(box.Canvas(), QRect(0, 0, 100, row)));
    box.Cls();
    EXPECT_TRUE(box.Lines().isEmpty());
    EXPECT_FALSE(anyNonWhite(box.Canvas(), QRect(0, 0, 300, 150)));
    box.Print("again");   // back at the top-left corner
    EXPECT_TRUE(anyNonWhite(box.Canvas(), QRect(0, 0, 100, row)));
    box.FillBox(10, 50, 20, 60, Qt::red);
    EXPECT_EQ(box.Canvas().pixelColor(20, 60), QColor(Qt::red));
    EXPECT_EQ(box.Canvas().pixelColor(21, 60), QColor(Qt::white));
}

TEST(ImageBox, DropsOfFilesAreReportedAndOtherDropsIgnored) {
    wxh::ImageBox box;
    box.SetAcceptFileDrops(true);
    box.resize(50, 50);
    int dropped = 0;
    QStringList files0;
    QObject::connect(&box, &wxh::ImageBox::Dropped, [&](const QStringList& f) { ++dropped; files0 = f; });

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/a b.bmp"), QUrl("https://example.org/x.bmp"), QUrl::fromLocalFile("/tmp/c")});
    QDragEnterEvent enterFiles(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&box, &enterFiles);
    EXPECT_TRUE(enterFiles.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&box, &drop);
    ASSERT_EQ(dropped, 1);
    EXPECT_EQ(files0, QStringList({"/tmp/a b.bmp", "/tmp/c"}));

    QMimeData text;
    text.setText("just text");
    QDropEvent textDrop(QPointF(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&box, &textDrop);
    EXPECT_EQ(dropped, 1);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&box, &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST(ImageBox, PictureCanBeSetAndEmptied) {
    wxh::ImageBox box;
    QPixmap pm(10, 10);
    pm.fill(Qt::blue);
    box.SetPicture(pm);
    EXPECT_TRUE(box.HasPicture());
    box.SetPicture(QPixmap());
    EXPECT_FALSE(box.HasPicture());
    EXPECT_TRUE(box.pixmap().isNull());
}

TEST(Seams, PopupMenuGoesToTheHandler) {
    QMenu menu;
    QMenu* seen = nullptr;
    QPoint where;
    wxh::SetPopupMenuHandler([&](QMenu* m, const QPoint& p) { seen = m; where = p; });
    wxh::PopupMenu(&menu, QPoint(7, 9));
    wxh::SetPopupMenuHandler(nullptr);
    EXPECT_EQ(seen, &menu);
    EXPECT_EQ(where, QPoint(7, 9));
}

}  // namespace

// The picture loader: every format the preview names loads, anything else gives nothing.
#include <QColor>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/TempDir.h"
#include "ui/controls/PictureLoader.h"
#include "ui/controls/picture_samples.h"

using namespace wxh::test;

namespace {

TEST(PictureLoader, EveryShownFormatLoadsWithItsPixels) {
    TempDir tmp;
    struct Case { const char* name; std::string bytes; QSize size; };
    const std::vector<Case> cases = {
        {"a.bmp", BmpBytes(), {16, 16}}, {"a.jpg", JpegBytes(), {16, 16}}, {"a.png", PngBytes(), {16, 16}},
        {"a.ico", IcoBytes(), {16, 16}}, {"a.cur", CurBytes(), {16, 16}}, {"a.gif", GifBytes(), {1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(tmp.file(c.name), c.bytes);
        const QImage img = wxh::LoadPicture(QString::fromStdString(tmp.file(c.name)));
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(img.size(), c.size);
        const QColor px = img.pixelColor(img.width() - 1, img.height() - 1);
        EXPECT_GT(px.red(), 200);
        EXPECT_LT(px.blue(), 60);
        if (c.size.width() == 16) {
            EXPECT_GT(img.pixelColor(2, 2).blue(), 200);
        }
    }
}

TEST(PictureLoader, FormatIsToldFromTheContentNotTheName) {
    TempDir tmp;
    WriteFile(tmp.file("really_a_jpeg.bmp"), JpegBytes());
    EXPECT_FALSE(wxh::LoadPicture(QString::fromStdString(tmp.file("really_a_jpeg.bmp"))).isNull());
    WriteFile(tmp.file("text.bmp"), "hello, this is text\n");
    EXPECT_TRUE(wxh::LoadPicture(QString::fromStdString(tmp.file("text.bmp"))).isNull());
}

TEST(PictureLoader, MetafilesAreDrawn) {
    for (bool placeable : {true, false}) {
        SCOPED_TRACE(placeable ? "placeable" : "plain");
        const QByteArray data = QByteArray::fromStdString(WmfBytes(placeable));
        EXPECT_TRUE(wxh::LooksLikeWmf(data));
        TempDir tmp;
        WriteFile(tmp.file("a.wmf"), data.toStdString());
        const QImage img = wxh::LoadPicture(QString::fromStdString(tmp.file("a.wmf")));
        ASSERT_FALSE(img.isNull());
        EXPECT_GT(img.width(), 4);
        EXPECT_GT(img.height(), 4);
        const QColor centre = img.pixelColor(img.width() / 2, img.height() / 2);
        EXPECT_EQ(centre, QColor(255, 0, 0));   // the drawing shows, not a blank picture
    }
}

TEST(PictureLoader, BrokenAndForeignFilesGiveNothing) {
    TempDir tmp;
    std::string cut = BmpBytes();
    cut.resize(30);
    struct Case { const char* name; std::string bytes; };
    const std::vector<Case> cases = {
        {"empty.bmp", ""},
        {"cut.bmp", cut},
        {"text.txt", "just some words\r\nand more\r\n"},
        {"wmf_header_only.wmf", WmfBytes().substr(0, 30)},
        {"tga_like.bmp", std::string(18, '\0') + "xxxx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(tmp.file(c.name), c.bytes);
        EXPECT_TRUE(wxh::LoadPicture(QString::fromStdString(tmp.file(c.name))).isNull());
    }
    EXPECT_TRUE(wxh::LoadPicture(QString::fromStdString(tmp.file("missing.bmp"))).isNull());
    EXPECT_TRUE(wxh::LoadPicture(tmp.path().c_str()).isNull());   // a folder
    EXPECT_FALSE(wxh::LooksLikeWmf(QByteArray("GIF89a")));
    // A named pipe with no writer gives nothing at once instead of waiting for data.
    ASSERT_EQ(::mkfifo(tmp.file("pipe.bmp").c_str(), 0600), 0);
    EXPECT_TRUE(wxh::LoadPicture(QString::fromStdString(tmp.file("pipe.bmp"))).isNull());
}

}  // namespace

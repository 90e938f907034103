// The picture loader: every format the preview names loads, anything else gives nothing,
// and a metafile that hangs or crashes its renderer gives nothing in time.
#include <QColor>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>

#include "support/TempDir.h"
#include "ui/picture/MetafileRenderer.h"
#include "ui/picture/PictureLoader.h"
#include "support/picture_samples.h"

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

// True when this process has no child left, running or unreaped.
bool NoChildLeft() { return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD; }

TEST(PictureLoader, AMetafileThatHangsTheRendererGivesNothingWithinTheTimeLimit) {
    TempDir tmp;
    // Named like a bitmap: the content decides, as it does under the default filter.
    WriteFile(tmp.file("photo.bmp"), HostileWmfBytes());
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(wxh::LoadPicture(QString::fromStdString(tmp.file("photo.bmp"))).isNull());
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(NoChildLeft());
    // The renderer still draws the next metafile.
    WriteFile(tmp.file("a.wmf"), WmfBytes());
    EXPECT_FALSE(wxh::LoadPicture(QString::fromStdString(tmp.file("a.wmf"))).isNull());
}

// Renderers that fail in every way a damaged libwmf could make the real one fail.
TEST(PictureLoader, EveryFailureOfTheRendererMeansNotAPicture) {
    TempDir tmp;
    const QByteArray wmf = QByteArray::fromStdString(WmfBytes());
    const std::string png = PngBytes();
    WriteFile(tmp.file("good.png"), png);
    WriteFile(tmp.file("huge.png"), Encode(QImage(5000, 1, QImage::Format_Mono), "PNG"));   // wider than any drawing
    struct Case { const char* name; std::string script; };
    const std::vector<Case> cases = {
        {"crashes", "kill -SEGV $$"},
        {"fails", "cat " + tmp.file("good.png") + "; exit 1"},
        {"answers garbage", "cat >/dev/null; echo not a picture"},
        {"answers a picture too large", "cat >/dev/null; cat " + tmp.file("huge.png")},
        {"hangs ignoring TERM", "trap '' TERM; cat >/dev/null; while :; do :; done"},
        {"hangs after its answer", "cat " + tmp.file("good.png") + "; exec >&-; sleep 30"},
        {"answers without end", "cat >/dev/null; exec cat /dev/zero"},
    };
    wxh::MetafileLimits limits;
    limits.timeoutMs = 500;
    limits.maxOutput = 1 << 20;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string program = tmp.file("renderer");
        WriteFile(program, "#!/bin/sh\n" + c.script + "\n");
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        wxh::SetMetafileRendererForTesting(QString::fromStdString(program));
        QElapsedTimer clock;
        clock.start();
        EXPECT_TRUE(wxh::RenderWmf(wmf, limits).isNull());
        EXPECT_LT(clock.elapsed(), 1500);
        EXPECT_TRUE(NoChildLeft());
    }
    // The same program answering properly is heard, and runs under the memory limit.
    const std::string program = tmp.file("renderer");
    WriteFile(program, "#!/bin/sh\nulimit -v > " + tmp.file("limit") + "\ncat >/dev/null; cat " + tmp.file("good.png") + "\n");
    wxh::SetMetafileRendererForTesting(QString::fromStdString(program));
    EXPECT_EQ(wxh::RenderMetafileInChild(wmf, limits).toStdString(), png);
    EXPECT_EQ(wxh::RenderWmf(wmf, limits).size(), QSize(16, 16));
    EXPECT_EQ(ReadFile(tmp.file("limit")), std::to_string(limits.addressSpace / 1024) + "\n");
    wxh::SetMetafileRendererForTesting(QString());
}

}  // namespace

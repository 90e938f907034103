#include "ui/dialogs/frmAbout.h"

#include <QApplication>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

void Key(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

QPixmap RedPicture() {
    QPixmap pm(40, 60);
    pm.fill(Qt::red);
    return pm;
}

TEST(VersionBox, TextsAfterLoad) {
    frmAbout dlg(RedPicture());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("WX_Hollinのﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(dlg.lblVersion->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 1.25.0"));
    EXPECT_EQ(dlg.lblTitle->text(), QStringLiteral("W.X.Hollin"));
    EXPECT_EQ(dlg.Label1->text(), QStringLiteral("Developed by TOBARI"));
    EXPECT_EQ(dlg.Text1->text(), QStringLiteral("https://wxhollin.example.org/"));
    EXPECT_EQ(dlg.CmdOK->text(), QStringLiteral("OK"));
}

TEST(VersionBox, FontsFallBackToIpaPGothic) {
    frmAbout dlg;
    const QFont title = dlg.lblTitle->font();
    EXPECT_EQ(title.pointSize(), 24);
    EXPECT_TRUE(title.bold());
    EXPECT_TRUE(title.italic());
    const QFont version = dlg.lblVersion->font();
    EXPECT_EQ(version.pointSize(), 12);
    EXPECT_TRUE(version.italic());
    EXPECT_FALSE(version.bold());
    // Debian has no "ＭＳ Ｐゴシック"; the stand-in must be the one really used.
    EXPECT_EQ(title.family(), frmAbout::JapaneseUiFamily());
    if (frmAbout::JapaneseUiFamily() == QStringLiteral("IPAPGothic")) {
        EXPECT_EQ(QFontInfo(title).family(), QStringLiteral("IPAPGothic"));
    }
}

TEST(VersionBox, ShowsTheMainWindowPicture) {
    frmAbout dlg(RedPicture());
    const QPixmap shown = dlg.picIcon->pixmap();
    ASSERT_FALSE(shown.isNull());
    const QImage img = shown.toImage();
    EXPECT_EQ(img.pixelColor(img.width() / 2, img.height() / 2), QColor(Qt::red));

    frmAbout bare;   // no picture: an empty box, no crash
    EXPECT_TRUE(bare.picIcon->pixmap().isNull());
}

TEST(VersionBox, EnterEscAndOkClose) {
    for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
        frmAbout dlg;
        dlg.show();
        Key(dlg.CmdOK, key);
        EXPECT_FALSE(dlg.isVisible()) << key;
    }
    frmAbout dlg;
    dlg.show();
    dlg.CmdOK->click();
    EXPECT_FALSE(dlg.isVisible());
}

}  // namespace

// Colour, font, printer and help operations of cCommonDlg and the Form write, driven
// through a scripted backend.
#include "ui/commondlg/cCommonDlg.h"

#include <QFont>
#include <QWidget>
#include <gtest/gtest.h>

#include "ui/commondlg/FakeCommonDlgBackend.h"

namespace {

using wxh::CommonDlgError;
using wxh::test::FakeCommonDlgBackend;

class OtherDialogs : public ::testing::Test {
protected:
    FakeCommonDlgBackend backend;
    QWidget owner;
};

TEST_F(OtherDialogs, FormWriteCopiesTheOwnersFont) {
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPointSizeF(10.6);
    font.setBold(true);
    font.setItalic(true);
    font.setStrikeOut(true);
    font.setUnderline(false);
    owner.setFont(font);

    cCommonDlg dlg;
    dlg.Form(&owner);
    EXPECT_EQ(dlg.Form(), &owner);
    EXPECT_TRUE(dlg.FontBold());
    EXPECT_TRUE(dlg.FontItalic());
    EXPECT_TRUE(dlg.FontStrikethru());
    EXPECT_FALSE(dlg.FontUnderline());
    EXPECT_EQ(dlg.FontName(), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(dlg.FontSize(), 11);   // rounded to the nearest point

    QWidget pixelSized;
    QFont px(QStringLiteral("IPAPGothic"));
    px.setPixelSize(16);
    px.setUnderline(true);
    pixelSized.setFont(px);
    dlg.Form(&pixelSized);
    EXPECT_EQ(dlg.FontSize(), 12);   // 16 px at 96 dpi
    EXPECT_TRUE(dlg.FontUnderline());
    EXPECT_FALSE(dlg.FontBold());
}

TEST_F(OtherDialogs, FormWriteOfNothingDropsTheOwnerAndRaises) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    const QString name = dlg.FontName();
    EXPECT_THROW(dlg.Form(nullptr), CommonDlgError);
    EXPECT_EQ(dlg.Form(), nullptr);
    EXPECT_EQ(dlg.FontName(), name);
}

TEST_F(OtherDialogs, ColourDialogOpensWithWhiteCustomColoursEveryTime) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.Color(0x123456);
    dlg.Flags(1);
    backend.onColor = [](wxh::ChooseColorRecord& cc) {
        (*cc.custColors)[3] = 0x0000FF;   // the user defines a custom colour
        cc.rgbResult = 0x00FF00;
        return 1;
    };
    dlg.ShowColor();
    dlg.ShowColor();
    ASSERT_EQ(backend.colorCalls.size(), 2u);
    for (const auto& custom : backend.colorCustom) {
        for (int32_t c : custom) EXPECT_EQ(c, 0xFFFFFF);
    }
    EXPECT_EQ(backend.colorCalls[0].rgbResult, 0x123456);
    EXPECT_EQ(backend.colorCalls[0].flags, 1);
    EXPECT_EQ(backend.colorCalls[0].owner, &owner);
    EXPECT_EQ(dlg.Color(), 0x00FF00);
    EXPECT_FALSE(dlg.CancelButton());
}

TEST_F(OtherDialogs, CancelledColourDialogKeepsTheColourAndAlwaysSetsCancelButton) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    ASSERT_FALSE(dlg.CancelError());
    dlg.Color(0x445566);
    backend.onColor = [](wxh::ChooseColorRecord&) { return 0; };
    backend.error = 32765;
    dlg.ShowColor();
    EXPECT_TRUE(dlg.CancelButton());
    EXPECT_EQ(dlg.ErrNumber(), 32765);
    EXPECT_EQ(dlg.Color(), 0x445566);
    EXPECT_EQ(dlg.Action(), 0);   // the colour dialog does not set Action

    // A successful one leaves ErrNumber as it was.
    backend.onColor = [](wxh::ChooseColorRecord& cc) {
        cc.rgbResult = 7;
        return 1;
    };
    backend.error = 0;
    dlg.ShowColor();
    EXPECT_FALSE(dlg.CancelButton());
    EXPECT_EQ(dlg.ErrNumber(), 32765);
    EXPECT_EQ(dlg.Color(), 7);
}

TEST_F(OtherDialogs, FontValuesGoInAndComeBackAtTheOwnersDpi) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.FontName(QStringLiteral("IPAPGothic"));
    dlg.FontSize(9);
    dlg.FontBold(true);
    dlg.FontItalic(true);
    dlg.FontUnderline(false);
    dlg.FontStrikethru(true);
    dlg.Color(0x0000FF);
    dlg.Flags(0x101);
    dlg.Min(8);
    dlg.Max(72);
    backend.onFont = [](wxh::ChooseFontRecord& cf) {
        cf.logFont->height = 12;
        cf.logFont->weight = 500;
        cf.logFont->italic = 0;
        cf.logFont->underline = 2;
        cf.logFont->strikeOut = 0;
        cf.logFont->faceName = QStringLiteral("Serif") + QChar(u'\0') + QStringLiteral("junk");
        cf.rgbColors = 0x00FF00;
        return 1;
    };
    dlg.ShowFont();

    ASSERT_EQ(backend.fontCalls.size(), 1u);
    const auto& cf = backend.fontCalls[0];
    const auto& lf = backend.fontLogFonts[0];
    EXPECT_EQ(lf.height, 12);   // 9 pt at 96 dpi
    EXPECT_EQ(lf.weight, 700);
    EXPECT_EQ(lf.italic, 1);
    EXPECT_EQ(lf.underline, 0);
    EXPECT_EQ(lf.strikeOut, 1);
    EXPECT_EQ(lf.faceName, QStringLiteral("IPAPGothic"));
    EXPECT_EQ(cf.flags, 0x141);
    EXPECT_EQ(cf.rgbColors, 0x0000FF);
    EXPECT_EQ(cf.sizeMin, 8);
    EXPECT_EQ(cf.sizeMax, 72);
    EXPECT_EQ(cf.owner, &owner);

    EXPECT_FALSE(dlg.CancelButton());
    EXPECT_EQ(dlg.FontSize(), 9);   // 12 px at 96 dpi
    EXPECT_TRUE(dlg.FontBold());    // 500 counts as bold
    EXPECT_FALSE(dlg.FontItalic());
    EXPECT_TRUE(dlg.FontUnderline());
    EXPECT_FALSE(dlg.FontStrikethru());
    EXPECT_EQ(dlg.FontName(), QStringLiteral("Serif"));
    EXPECT_EQ(dlg.Color(), 0x00FF00);
}

TEST_F(OtherDialogs, FontSizeFollowsAnotherDpiAndNegativeHeights) {
    backend.dpi = 120;
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.FontSize(9);
    dlg.FontName(QString(40, u'F'));
    backend.onFont = [](wxh::ChooseFontRecord& cf) {
        cf.logFont->height = -20;
        cf.logFont->weight = 499;
        return 1;
    };
    dlg.ShowFont();
    ASSERT_EQ(backend.fontLogFonts.size(), 1u);
    EXPECT_EQ(backend.fontLogFonts[0].height, 15);   // 9 * 120 / 72
    EXPECT_EQ(backend.fontLogFonts[0].faceName, QString(31, u'F'));   // room for the NUL
    EXPECT_EQ(dlg.FontSize(), 12);   // |72 / 120 * -20|
    EXPECT_FALSE(dlg.FontBold());

    // A screen that reports no resolution does not divide by zero.
    backend.dpi = 0;
    backend.onFont = [](wxh::ChooseFontRecord& cf) {
        cf.logFont->height = 16;
        return 1;
    };
    dlg.ShowFont();
    EXPECT_EQ(dlg.FontSize(), 12);
}

TEST_F(OtherDialogs, CancelledFontDialogResetsEveryFontValueAndTheColour) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.FontName(QStringLiteral("IPAPGothic"));
    dlg.FontSize(12);
    dlg.FontBold(true);
    dlg.FontItalic(true);
    dlg.FontUnderline(true);
    dlg.FontStrikethru(true);
    dlg.Color(0xABCDEF);
    backend.onFont = [](wxh::ChooseFontRecord&) { return 0; };
    backend.error = 24574;
    dlg.ShowFont();
    EXPECT_TRUE(dlg.CancelButton());
    EXPECT_EQ(dlg.ErrNumber(), 24574);
    EXPECT_FALSE(dlg.FontBold());
    EXPECT_FALSE(dlg.FontItalic());
    EXPECT_FALSE(dlg.FontUnderline());
    EXPECT_FALSE(dlg.FontStrikethru());
    EXPECT_TRUE(dlg.FontName().isEmpty());
    EXPECT_EQ(dlg.FontSize(), 0);
    EXPECT_EQ(dlg.Color(), 0);
}

TEST_F(OtherDialogs, ColourFontAndHelpWithoutOwnerRaise) {
    cCommonDlg dlg;
    dlg.Color(5);
    EXPECT_THROW(dlg.ShowColor(), CommonDlgError);
    EXPECT_THROW(dlg.ShowFont(), CommonDlgError);
    EXPECT_TRUE(backend.colorCalls.empty());
    EXPECT_TRUE(backend.fontCalls.empty());
    EXPECT_EQ(dlg.Color(), 5);

    // The help viewers look at the owner only when they would open something.
    EXPECT_NO_THROW(dlg.ShowHelp());
    EXPECT_NO_THROW(dlg.ShowHtmlHelp());
    dlg.HelpFile(QStringLiteral("a.hlp"));
    dlg.HelpCommand(1);
    EXPECT_THROW(dlg.ShowHelp(), CommonDlgError);
    dlg.HtmlHelpFile(QStringLiteral("a.chm"));
    EXPECT_THROW(dlg.ShowHtmlHelp(), CommonDlgError);
    EXPECT_TRUE(backend.winHelpCalls.empty());
    EXPECT_TRUE(backend.htmlHelpCalls.empty());
}

TEST_F(OtherDialogs, PrinterValuesAreNarrowedAndWidenedWithTheirSign) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.hdc(1234);
    dlg.Flags(0x2);
    dlg.FromPage(70000);   // 70000 - 65536 = 4464
    dlg.ToPage(-1);
    dlg.Min(1);
    dlg.Max(40000);        // 40000 - 65536 = -25536
    dlg.Copies(3);
    backend.onPrint = [](wxh::PrintDlgRecord& pd) {
        pd.hDC = 999;
        pd.fromPage = 2;
        pd.toPage = -2;
        pd.minPage = 1;
        pd.maxPage = 32767;
        pd.copies = 4;
        return 1;
    };
    backend.error = 99;   // stale: a success does not read it
    dlg.ShowPrinter();

    ASSERT_EQ(backend.printCalls.size(), 1u);
    const auto& pd = backend.printCalls[0];
    EXPECT_EQ(pd.owner, &owner);
    EXPECT_EQ(pd.hDC, 1234);
    EXPECT_EQ(pd.flags, 0x2);
    EXPECT_EQ(pd.fromPage, 4464);
    EXPECT_EQ(pd.toPage, -1);
    EXPECT_EQ(pd.minPage, 1);
    EXPECT_EQ(pd.maxPage, -25536);
    EXPECT_EQ(pd.copies, 3);

    EXPECT_EQ(dlg.Action(), 5);
    EXPECT_EQ(dlg.ErrNumber(), 0);
    EXPECT_FALSE(dlg.CancelButton());
    EXPECT_EQ(dlg.FromPage(), 2);
    EXPECT_EQ(dlg.ToPage(), -2);
    EXPECT_EQ(dlg.Min(), 1);
    EXPECT_EQ(dlg.Max(), 32767);
    EXPECT_EQ(dlg.Copies(), 4);
    EXPECT_EQ(dlg.hdc(), 1234);   // the returned device context is not kept
}

TEST_F(OtherDialogs, CancelledPrinterDialogFollowsCancelError) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.FromPage(3);
    backend.onPrint = [](wxh::PrintDlgRecord& pd) {
        pd.fromPage = 9;
        return 0;
    };
    backend.error = 28663;
    dlg.ShowPrinter();
    EXPECT_EQ(dlg.ErrNumber(), 28663);
    EXPECT_EQ(dlg.ErrDescription(), QStringLiteral("通常使うプリンタが設定されていません。"));
    EXPECT_FALSE(dlg.CancelButton());
    EXPECT_EQ(dlg.FromPage(), 3);

    dlg.CancelError(true);
    backend.error = 0;
    dlg.ShowPrinter();
    EXPECT_TRUE(dlg.CancelButton());
    EXPECT_EQ(dlg.ErrNumber(), 0);
}

TEST_F(OtherDialogs, PrinterWithoutOwnerEndsQuietly) {
    cCommonDlg dlg;
    dlg.Copies(2);
    EXPECT_NO_THROW(dlg.ShowPrinter());
    EXPECT_TRUE(backend.printCalls.empty());
    EXPECT_EQ(dlg.Action(), 5);
    EXPECT_EQ(dlg.Copies(), 2);
}

TEST_F(OtherDialogs, HelpOpensOnlyWithFileAndCommand) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.HelpKey(QStringLiteral("unused"));
    dlg.ShowHelp();                                  // no file, no command
    dlg.HelpFile(QStringLiteral("/usr/share/doc/wxh/help.hlp"));
    dlg.ShowHelp();                                  // command 0
    dlg.HelpFile(QString());
    dlg.HelpCommand(1);
    dlg.ShowHelp();                                  // no file
    EXPECT_TRUE(backend.winHelpCalls.empty());

    dlg.HelpFile(QStringLiteral("/usr/share/doc/wxh/help.hlp"));
    dlg.HelpContext(42);
    dlg.ShowHelp();
    ASSERT_EQ(backend.winHelpCalls.size(), 1u);
    EXPECT_EQ(backend.winHelpCalls[0].owner, &owner);
    EXPECT_EQ(backend.winHelpCalls[0].file, QStringLiteral("/usr/share/doc/wxh/help.hlp"));
    EXPECT_EQ(backend.winHelpCalls[0].command, 1);
    EXPECT_EQ(backend.winHelpCalls[0].data, 42);
    EXPECT_EQ(dlg.HelpKey(), QStringLiteral("unused"));

    dlg.ShowHtmlHelp();
    EXPECT_TRUE(backend.htmlHelpCalls.empty());
    dlg.HtmlHelpFile(QStringLiteral("guide.chm"));
    dlg.HtmlHelpContext(7);
    dlg.ShowHtmlHelp();                              // command 0 is a real command here
    ASSERT_EQ(backend.htmlHelpCalls.size(), 1u);
    EXPECT_EQ(backend.htmlHelpCalls[0].file, QStringLiteral("guide.chm"));
    EXPECT_EQ(backend.htmlHelpCalls[0].command, 0);
    EXPECT_EQ(backend.htmlHelpCalls[0].data, 7);
    EXPECT_EQ(dlg.Action(), 0);
}

}  // namespace

// The Qt dialogs behind cCommonDlg. Each dialog is answered through the modal seam, so the
// real QFileDialog / QColorDialog / QFontDialog is built and inspected but never waits.
#include "ui/commondlg/QtCommonDlgBackend.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#if __has_include(<QPrintDialog>)
#include <QPrintDialog>
#include <QPrinter>
#define WXH_TEST_PRINT 1
#endif
#include <QWidget>
#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "ui/commondlg/cCommonDlg.h"
#include "ui/controls/seams.h"

namespace {

using namespace wxh;

const QChar N(u'\0');

QString Nul(const char16_t* text) { return QString::fromUtf16(text).replace(u'|', N); }

class QtBackend : public ::testing::Test {
protected:
    void SetUp() override { SetCommonDlgBackend(nullptr); }
    void TearDown() override {
        SetModalHandler({});
        QtCommonDlgBackend::SetUrlOpener({});
    }
    QWidget owner;
};

TEST_F(QtBackend, FilterListBecomesQtNameFilters) {
    auto pairs = ParseFilterList(Nul(u"ビットマップファイル(*.bmp)|*.bmp|"));
    ASSERT_EQ(pairs.size(), 1);
    EXPECT_EQ(QtNameFilter(pairs[0]), QStringLiteral("ビットマップファイル(*.bmp) (*.bmp)"));

    pairs = ParseFilterList(Nul(u"Pictures|*.bmp; *.jpg|All Files (*.*)|*.*|"));
    ASSERT_EQ(pairs.size(), 2);
    EXPECT_EQ(pairs[0].patterns, (QStringList{"*.bmp", "*.jpg"}));
    EXPECT_EQ(pairs[1].patterns, QStringList{"*"});   // "*.*" also matches names without a dot

    EXPECT_TRUE(ParseFilterList(QString(1, N)).isEmpty());
    EXPECT_EQ(ParseFilterList(Nul(u"A|*.a|B|")).size(), 1);        // description without pattern
    EXPECT_EQ(ParseFilterList(Nul(u"A|*.a||*.b|C|*.c|")).size(), 1);   // empty description ends the list
}

TEST_F(QtBackend, FileBufferHoldsThePathOrRefusesIt) {
    OpenFileNameRecord ofn;
    ofn.maxFile = 10;
    ofn.maxFileTitle = 4;
    ofn.file = QStringLiteral("initial");
    ASSERT_TRUE(FillFileBuffer(ofn, {QStringLiteral("/a/b.bmp")}));
    EXPECT_EQ(ofn.file, QStringLiteral("/a/b.bmp") + N);   // nothing of the initial name stays
    EXPECT_EQ(ofn.fileTitle, QStringLiteral("b.b") + N);

    ASSERT_TRUE(FillFileBuffer(ofn, {QStringLiteral("/a/cde.bm")}));   // exactly maxFile - 1
    EXPECT_EQ(ofn.file, QStringLiteral("/a/cde.bm") + N);

    EXPECT_FALSE(FillFileBuffer(ofn, {QStringLiteral("/a/cdef.bm")}));
    EXPECT_EQ(ofn.file, QStringLiteral("/a/cde.bm") + N);   // untouched

    ofn.maxFile = 100;
    ASSERT_TRUE(FillFileBuffer(ofn, {QStringLiteral("/p/a.bmp"), QStringLiteral("/p/b.bmp")}));
    EXPECT_EQ(ofn.file, Nul(u"/p|a.bmp|b.bmp||"));
}

TEST_F(QtBackend, HelpFileArgumentNamesTheFile) {
    EXPECT_EQ(HelpFilePath(QStringLiteral("book.chm::/topic.htm>main")), QStringLiteral("book.chm"));
    EXPECT_EQ(HelpFilePath(QStringLiteral("/doc/book.chm")), QStringLiteral("/doc/book.chm"));
    wxh::test::TempDir dir;
    const std::string odd = dir.file("odd>name.hlp");
    wxh::test::WriteFile(odd, "x");
    EXPECT_EQ(HelpFilePath(QString::fromStdString(odd)), QString::fromStdString(odd));
}

TEST_F(QtBackend, SaveDialogIsSetUpFromTheRecordAndReturnsThePath) {
    wxh::test::TempDir dir;
    const QString folder = QString::fromStdString(dir.str());
    const QString chosen = folder + QStringLiteral("/made");   // typed without an extension

    QFileDialog* seen = nullptr;
    QStringList filters;
    SetModalHandler([&](QDialog* d) {
        seen = qobject_cast<QFileDialog*>(d);
        if (!seen) return int(QDialog::Rejected);
        filters = seen->nameFilters();
        EXPECT_EQ(seen->windowTitle(), QStringLiteral("作成するビットマップファイル"));
        EXPECT_EQ(seen->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_TRUE(seen->testOption(QFileDialog::DontConfirmOverwrite));   // no overwrite flag
        EXPECT_TRUE(seen->defaultSuffix().isEmpty());
        EXPECT_EQ(seen->parentWidget(), &owner);
        EXPECT_EQ(QDir(seen->directory()).canonicalPath(), QDir(folder).canonicalPath());
        seen->selectFile(chosen);
        return int(QDialog::Accepted);
    });

    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.CancelError(true);
    dlg.DialogTitle(QStringLiteral("作成するビットマップファイル"));
    dlg.Filter(QStringLiteral("ビットマップファイル(*.bmp)|*.bmp"));
    dlg.InitDir(folder);
    dlg.ShowSave();

    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(filters, QStringList{QStringLiteral("ビットマップファイル(*.bmp) (*.bmp)")});
    EXPECT_FALSE(dlg.CancelButton());
    EXPECT_EQ(QFileInfo(dlg.FileName()).fileName(), QStringLiteral("made"));
    EXPECT_EQ(QDir(QFileInfo(dlg.FileName()).path()).canonicalPath(), QDir(folder).canonicalPath());
}

TEST_F(QtBackend, RejectedOrTooLongChoiceIsACancel) {
    SetModalHandler([](QDialog*) { return int(QDialog::Rejected); });
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.CancelError(true);
    dlg.FileName(QStringLiteral("x"));
    dlg.ShowOpen();
    EXPECT_TRUE(dlg.CancelButton());
    EXPECT_EQ(dlg.ErrNumber(), 0);
    EXPECT_TRUE(dlg.FileName().isEmpty());

    // A deep folder: a 300-character path fits the default buffer, sized for this platform's paths.
    wxh::test::TempDir dir;
    QString deep = QString::fromStdString(dir.str());
    while (deep.size() < 250) deep += QStringLiteral("/") + QString(40, u'd');
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString longPath = deep + QStringLiteral("/") + QString(300 - deep.size() - 5, u'n') + QStringLiteral(".bmp");
    ASSERT_EQ(longPath.size(), 300);
    SetModalHandler([&](QDialog* d) {
        static_cast<QFileDialog*>(d)->selectFile(longPath);
        return int(QDialog::Accepted);
    });
    dlg.ShowSave();
    EXPECT_FALSE(dlg.CancelButton());
    EXPECT_EQ(dlg.ErrNumber(), 0);
    EXPECT_EQ(dlg.FileName(), longPath);

    dlg.MaxFileSize(300);   // no room for the NUL
    dlg.ShowSave();
    EXPECT_TRUE(dlg.CancelButton());
    EXPECT_EQ(dlg.ErrNumber(), cdlerr::kBufferTooSmall);
    EXPECT_EQ(dlg.ErrDescription(), QStringLiteral("メンバ lpstrFile が指すバッファが小さすぎます。"));
}

TEST_F(QtBackend, OpenDialogModeFollowsTheFlags) {
    QFileDialog::FileMode mode = QFileDialog::Directory;
    SetModalHandler([&](QDialog* d) {
        mode = static_cast<QFileDialog*>(d)->fileMode();
        return int(QDialog::Rejected);
    });
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.ShowOpen();
    EXPECT_EQ(mode, QFileDialog::AnyFile);
    dlg.Flags(cdlflags::kOfnFileMustExist);
    dlg.ShowOpen();
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    dlg.Flags(cdlflags::kOfnAllowMultiSelect);
    dlg.ShowOpen();
    EXPECT_EQ(mode, QFileDialog::ExistingFiles);
}

TEST_F(QtBackend, ColourDialogStartsWhiteAndReturnsTheChoice) {
    QColorDialog::setCustomColor(5, Qt::blue);
    QColor initial;
    bool allWhite = true;
    SetModalHandler([&](QDialog* d) {
        auto* cd = static_cast<QColorDialog*>(d);
        initial = cd->currentColor();
        for (int i = 0; i < 16; ++i) allWhite = allWhite && QColorDialog::customColor(i) == QColor(Qt::white);
        cd->setCurrentColor(QColor(0x11, 0x22, 0x33));
        cd->accept();
        return int(QDialog::Accepted);
    });
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.Color(0x0000FF);   // red as 0x00BBGGRR
    dlg.Flags(cdlflags::kCcRgbInit);
    dlg.ShowColor();
    EXPECT_TRUE(allWhite);
    EXPECT_EQ(initial, QColor(255, 0, 0));
    EXPECT_FALSE(dlg.CancelButton());
    EXPECT_EQ(dlg.Color(), 0x332211);

    SetModalHandler([](QDialog*) { return int(QDialog::Rejected); });
    dlg.ShowColor();
    EXPECT_TRUE(dlg.CancelButton());
    EXPECT_EQ(dlg.Color(), 0x332211);
}

TEST_F(QtBackend, FontDialogRoundTripsTheValues) {
    QFont start;
    SetModalHandler([&](QDialog* d) {
        auto* fd = static_cast<QFontDialog*>(d);
        start = fd->currentFont();
        QFont pick(QStringLiteral("DejaVu Serif"));
        pick.setPointSize(18);
        pick.setUnderline(true);
        fd->setCurrentFont(pick);
        fd->accept();
        return int(QDialog::Accepted);
    });
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.FontName(QStringLiteral("DejaVu Serif"));
    dlg.FontSize(9);
    dlg.FontBold(true);
    dlg.FontItalic(true);
    dlg.ShowFont();
    EXPECT_EQ(start.family(), QStringLiteral("DejaVu Serif"));
    EXPECT_NEAR(start.pointSizeF(), 9.0, 0.01);
    EXPECT_TRUE(start.bold());
    EXPECT_TRUE(start.italic());
    EXPECT_FALSE(dlg.CancelButton());
    EXPECT_EQ(dlg.FontSize(), 18);
    EXPECT_FALSE(dlg.FontBold());
    EXPECT_TRUE(dlg.FontUnderline());
}

#ifdef WXH_TEST_PRINT
TEST_F(QtBackend, PrintDialogTakesAndReturnsThePageValues) {
    int minPage = -1, maxPage = -1, fromPage = -1, toPage = -1;
    bool pageRange = false, noSelection = false;
    SetModalHandler([&](QDialog* d) {
        auto* pd = qobject_cast<QPrintDialog*>(d);
        if (!pd) return int(QDialog::Rejected);
        minPage = pd->minPage();
        maxPage = pd->maxPage();
        fromPage = pd->fromPage();
        toPage = pd->toPage();
        pageRange = pd->printRange() == QAbstractPrintDialog::PageRange;
        noSelection = !pd->testOption(QAbstractPrintDialog::PrintSelection);
        pd->printer()->setFromTo(3, 4);
        pd->printer()->setCopyCount(2);
        return int(QDialog::Accepted);
    });
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.Min(1);
    dlg.Max(9);
    dlg.FromPage(2);
    dlg.ToPage(5);
    dlg.Copies(1);
    dlg.hdc(77);
    dlg.Flags(cdlflags::kPdPageNums | cdlflags::kPdNoSelection);
    dlg.ShowPrinter();
    EXPECT_EQ(minPage, 1);
    EXPECT_EQ(maxPage, 9);
    EXPECT_EQ(fromPage, 2);
    EXPECT_EQ(toPage, 5);
    EXPECT_TRUE(pageRange);
    EXPECT_TRUE(noSelection);
    EXPECT_FALSE(dlg.CancelButton());
    EXPECT_EQ(dlg.FromPage(), 3);
    EXPECT_EQ(dlg.ToPage(), 4);
    EXPECT_EQ(dlg.Copies(), 2);
    EXPECT_EQ(dlg.Min(), 1);
    EXPECT_EQ(dlg.Max(), 9);
    EXPECT_EQ(dlg.hdc(), 77);

    SetModalHandler([](QDialog*) { return int(QDialog::Rejected); });
    dlg.CancelError(true);
    dlg.ShowPrinter();
    EXPECT_TRUE(dlg.CancelButton());
    EXPECT_EQ(dlg.FromPage(), 3);

    // OK with "All pages" (the dialog's own choice, taken by its own OK) hands the page values
    // back as they were passed, not Qt's 0 and 0.
    bool allPages = false;
    SetModalHandler([&](QDialog* d) {
        auto* pd = qobject_cast<QPrintDialog*>(d);
        if (!pd) return int(QDialog::Rejected);
        allPages = pd->printRange() == QAbstractPrintDialog::AllPages;
        pd->accept();
        return pd->result();
    });
    dlg.Flags(0);
    dlg.ShowPrinter();
    EXPECT_TRUE(allPages);
    EXPECT_FALSE(dlg.CancelButton());
    EXPECT_EQ(dlg.FromPage(), 3);
    EXPECT_EQ(dlg.ToPage(), 4);
    EXPECT_EQ(dlg.Max(), 9);
}
#endif

TEST_F(QtBackend, HelpOpensTheFileWithTheDesktopViewer) {
    QList<QUrl> opened;
    QtCommonDlgBackend::SetUrlOpener([&](const QUrl& url) { opened << url; });
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.HelpFile(QStringLiteral("/usr/share/doc/wxh/manual.hlp"));
    dlg.HelpCommand(cdlflags::kHelpQuit);
    dlg.ShowHelp();
    EXPECT_TRUE(opened.isEmpty());   // closing a viewer opens nothing
    dlg.HelpCommand(3);
    dlg.ShowHelp();
    dlg.HtmlHelpFile(QStringLiteral("/usr/share/doc/wxh/guide.chm::/intro.htm"));
    dlg.ShowHtmlHelp();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QStringLiteral("/usr/share/doc/wxh/manual.hlp")));
    EXPECT_EQ(opened[1], QUrl::fromLocalFile(QStringLiteral("/usr/share/doc/wxh/guide.chm")));
}

}  // namespace

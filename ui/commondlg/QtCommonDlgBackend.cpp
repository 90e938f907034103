#include "ui/commondlg/QtCommonDlgBackend.h"

#include <QColor>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QFontDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <limits>

#ifndef QT_NO_PRINTER
#if __has_include(<QPrintDialog>)
#include <QPrintDialog>
#include <QPrinter>
#define WXH_HAVE_PRINT_DIALOG 1
#endif
#endif

#include "ui/controls/seams.h"

namespace wxh {
namespace {

constexpr QChar kNul(u'\0');

CommonDlgBackend*& InstalledBackend() {
    static CommonDlgBackend* backend = nullptr;
    return backend;
}

QtCommonDlgBackend::UrlOpener& UrlOpenerSlot() {
    static QtCommonDlgBackend::UrlOpener opener;
    return opener;
}

void OpenUrl(const QUrl& url) {
    if (UrlOpenerSlot()) {
        UrlOpenerSlot()(url);
        return;
    }
    QDesktopServices::openUrl(url);
}

QString UpToNul(const QString& text) {
    const qsizetype nul = text.indexOf(kNul);
    return nul < 0 ? text : text.left(nul);
}

QColor FromColorRef(int32_t ref) {
    const auto v = static_cast<uint32_t>(ref);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}

int32_t ToColorRef(const QColor& color) {
    const QColor rgb = color.toRgb();
    return static_cast<int32_t>(static_cast<uint32_t>(rgb.red()) | (static_cast<uint32_t>(rgb.green()) << 8) |
                                (static_cast<uint32_t>(rgb.blue()) << 16));
}

int16_t Clamp16(int value) {
    return static_cast<int16_t>(std::clamp<int>(value, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

}  // namespace

CommonDlgBackend& CurrentCommonDlgBackend() {
    if (InstalledBackend()) return *InstalledBackend();
    return QtCommonDlgBackend::Shared();
}

void SetCommonDlgBackend(CommonDlgBackend* backend) { InstalledBackend() = backend; }

QtCommonDlgBackend& QtCommonDlgBackend::Shared() {
    static QtCommonDlgBackend backend;
    return backend;
}

void QtCommonDlgBackend::SetUrlOpener(UrlOpener opener) { UrlOpenerSlot() = std::move(opener); }

// --- file dialogs ---------------------------------------------------------------------

QList<FilterPair> ParseFilterList(const QString& converted) {
    QList<FilterPair> pairs;
    const QStringList pieces = converted.split(kNul);
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        const QString& description = pieces[i];
        const QString& patternText = pieces[i + 1];
        if (description.isEmpty() || patternText.isEmpty()) break;
        FilterPair pair;
        pair.description = description;
        for (QString p : patternText.split(u';', Qt::SkipEmptyParts)) {
            p = p.trimmed();
            if (p.isEmpty()) continue;
            // On Windows "*.*" matches every name, dotted or not.
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
            pair.patterns << p;
        }
        if (pair.patterns.isEmpty()) break;
        pairs << pair;
    }
    return pairs;
}

QString QtNameFilter(const FilterPair& pair) {
    return pair.description + QStringLiteral(" (") + pair.patterns.join(u' ') + u')';
}

bool FillFileBuffer(OpenFileNameRecord& ofn, const QStringList& chosen) {
    if (chosen.isEmpty()) return false;
    QString text;
    if (chosen.size() == 1) {
        text = chosen.front() + kNul;
    } else {
        text = QFileInfo(chosen.front()).absolutePath();
        for (const QString& path : chosen) text += kNul + QFileInfo(path).fileName();
        text += kNul;
        text += kNul;
    }
    if (ofn.maxFile < 1 || text.size() > ofn.maxFile) return false;
    ofn.file = text;

    if (ofn.maxFileTitle > 0) {
        ofn.fileTitle = QFileInfo(chosen.front()).fileName().left(ofn.maxFileTitle - 1) + kNul;
    }
    return true;
}

QString HelpFilePath(const QString& argument) {
    if (argument.isEmpty() || QFileInfo(argument).isFile()) return argument;
    QString path = argument;
    const qsizetype window = path.lastIndexOf(u'>');
    if (window > 0) path.truncate(window);
    const qsizetype topic = path.indexOf(QStringLiteral("::"));
    if (topic > 0) path.truncate(topic);
    return path;
}

int32_t QtCommonDlgBackend::GetOpenFileName(OpenFileNameRecord& ofn) { return RunFileDialog(ofn, false); }
int32_t QtCommonDlgBackend::GetSaveFileName(OpenFileNameRecord& ofn) { return RunFileDialog(ofn, true); }

int32_t QtCommonDlgBackend::RunFileDialog(OpenFileNameRecord& ofn, bool save) {
    lastError_ = cdlerr::kNone;
    QFileDialog dialog(ofn.owner, ofn.title);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);

    QStringList filters;
    for (const FilterPair& pair : ParseFilterList(ofn.filter)) filters << QtNameFilter(pair);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (ofn.filterIndex >= 1 && ofn.filterIndex <= filters.size()) dialog.selectNameFilter(filters[ofn.filterIndex - 1]);
    }

    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !(ofn.flags & cdlflags::kOfnOverwritePrompt));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (ofn.flags & cdlflags::kOfnAllowMultiSelect) {
            dialog.setFileMode(QFileDialog::ExistingFiles);
        } else if (ofn.flags & cdlflags::kOfnFileMustExist) {
            dialog.setFileMode(QFileDialog::ExistingFile);
        } else {
            dialog.setFileMode(QFileDialog::AnyFile);
        }
    }

    QString defExt = ofn.defExt;
    while (defExt.startsWith(u'.')) defExt.remove(0, 1);
    if (!defExt.isEmpty()) dialog.setDefaultSuffix(defExt);

    if (!ofn.initialDir.isEmpty()) dialog.setDirectory(ofn.initialDir);
    const QString initialName = UpToNul(ofn.file.left(std::max(ofn.maxFile, 0)));
    if (!initialName.isEmpty()) dialog.selectFile(initialName);

    if (ExecModal(&dialog) != QDialog::Accepted) return 0;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return 0;
    if (!FillFileBuffer(ofn, chosen)) {
        lastError_ = cdlerr::kBufferTooSmall;
        return 0;
    }
    return 1;
}

// --- colour, font, printer --------------------------------------------------------------

int32_t QtCommonDlgBackend::ChooseColor(ChooseColorRecord& cc) {
    lastError_ = cdlerr::kNone;
    if (cc.custColors) {
        const int n = std::min<int>(QColorDialog::customCount(), static_cast<int>(cc.custColors->size()));
        for (int i = 0; i < n; ++i) QColorDialog::setCustomColor(i, FromColorRef((*cc.custColors)[static_cast<size_t>(i)]));
    }
    QColorDialog dialog(cc.owner);
    dialog.setCurrentColor((cc.flags & cdlflags::kCcRgbInit) ? FromColorRef(cc.rgbResult) : QColor(Qt::black));
    if (ExecModal(&dialog) != QDialog::Accepted) return 0;
    cc.rgbResult = ToColorRef(dialog.selectedColor().isValid() ? dialog.selectedColor() : dialog.currentColor());
    if (cc.custColors) {
        const int n = std::min<int>(QColorDialog::customCount(), static_cast<int>(cc.custColors->size()));
        for (int i = 0; i < n; ++i) (*cc.custColors)[static_cast<size_t>(i)] = ToColorRef(QColorDialog::customColor(i));
    }
    return 1;
}

int32_t QtCommonDlgBackend::ChooseFont(ChooseFontRecord& cf) {
    lastError_ = cdlerr::kNone;
    if (!cf.logFont) {
        lastError_ = cdlerr::kInitialization;
        return 0;
    }
    const int dpi = LogPixelsY(cf.owner);
    LogFontRecord& lf = *cf.logFont;
    QFont font = cf.owner ? cf.owner->font() : QFont();
    if (cf.flags & cdlflags::kCfInitToLogFontStruct) {
        if (!lf.faceName.isEmpty()) font.setFamily(lf.faceName);
        font.setStyleName(QString());   // a named style would override weight and slant
        if (lf.height != 0) font.setPointSizeF(std::abs(static_cast<double>(lf.height)) * 72.0 / dpi);
        font.setWeight(static_cast<QFont::Weight>(std::clamp(lf.weight > 0 ? lf.weight : 400, 1, 1000)));
        font.setItalic(lf.italic != 0);
        font.setUnderline(lf.underline != 0);
        font.setStrikeOut(lf.strikeOut != 0);
    }
    QFontDialog dialog(font, cf.owner);
    if (ExecModal(&dialog) != QDialog::Accepted) return 0;
    const QFont chosen = dialog.selectedFont();
    double points = chosen.pointSizeF();
    if (points <= 0 && chosen.pixelSize() > 0) points = chosen.pixelSize() * 72.0 / dpi;
    lf.height = static_cast<int32_t>(std::lround(std::max(points, 0.0) * dpi / 72.0));
    lf.weight = chosen.weight();
    lf.italic = chosen.italic() ? 1 : 0;
    lf.underline = chosen.underline() ? 1 : 0;
    lf.strikeOut = chosen.strikeOut() ? 1 : 0;
    lf.faceName = chosen.family().left(31);
    return 1;
}

int32_t QtCommonDlgBackend::PrintDlg(PrintDlgRecord& pd) {
    lastError_ = cdlerr::kNone;
#ifdef WXH_HAVE_PRINT_DIALOG
    QPrinter printer;
    if (pd.copies > 0) printer.setCopyCount(pd.copies);
    QPrintDialog dialog(&printer, pd.owner);
    const bool limits = pd.maxPage > 0 && pd.minPage <= pd.maxPage;
    if (limits) dialog.setMinMax(std::max<int>(pd.minPage, 1), pd.maxPage);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, !(pd.flags & cdlflags::kPdNoPageNums));
    dialog.setOption(QAbstractPrintDialog::PrintSelection, !(pd.flags & cdlflags::kPdNoSelection));
    dialog.setOption(QAbstractPrintDialog::PrintToFile, !(pd.flags & cdlflags::kPdDisablePrintToFile));
    if (pd.fromPage > 0 && pd.toPage >= pd.fromPage) dialog.setFromTo(pd.fromPage, pd.toPage);
    if (pd.flags & cdlflags::kPdPageNums) {
        dialog.setPrintRange(QAbstractPrintDialog::PageRange);
    } else if (pd.flags & cdlflags::kPdSelection) {
        dialog.setPrintRange(QAbstractPrintDialog::Selection);
    }
    if (ExecModal(&dialog) != QDialog::Accepted) return 0;
    // Only a chosen page range changes the page values; after "All pages" (where Qt reports
    // 0 and 0), a selection or the current page they go back as they came.
    if (printer.printRange() == QPrinter::PageRange) {
        pd.fromPage = Clamp16(printer.fromPage());
        pd.toPage = Clamp16(printer.toPage());
    }
    if (limits) {
        pd.minPage = Clamp16(dialog.minPage());
        pd.maxPage = Clamp16(dialog.maxPage());
    }
    pd.copies = Clamp16(printer.copyCount());
    return 1;
#else
    (void)pd;
    lastError_ = cdlerr::kPrinterInitFailure;
    return 0;
#endif
}

int32_t QtCommonDlgBackend::LogPixelsY(QWidget* owner) {
    if (owner) return owner->logicalDpiY();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) return static_cast<int32_t>(std::lround(screen->logicalDotsPerInchY()));
    return 96;
}

// --- help viewers ------------------------------------------------------------------------

void QtCommonDlgBackend::WinHelp(QWidget*, const QString& helpFile, int32_t command, int32_t) {
    if (command == cdlflags::kHelpQuit) return;   // nothing of ours to close
    const QString path = HelpFilePath(helpFile);
    if (path.isEmpty()) return;
    OpenUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

void QtCommonDlgBackend::HtmlHelp(QWidget*, const QString& file, int32_t command, int32_t) {
    if (command == cdlflags::kHhCloseAll) return;
    const QString path = HelpFilePath(file);
    if (path.isEmpty()) return;
    OpenUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

}  // namespace wxh

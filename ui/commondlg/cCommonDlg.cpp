#include "ui/commondlg/cCommonDlg.h"

#include <QCoreApplication>
#include <QFont>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <unistd.h>
#include <utility>

#include "ui/commondlg/CommonDlgBackend.h"

namespace {

constexpr QChar kNul(u'\0');

// "|" separators become NULs, and the list ends with a NUL.
QString ConvertFilter(const QString& text) {
    QString work = text;
    const qsizetype n = work.size();
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype bar = work.indexOf(u'|');
        if (bar < 0) break;
        work[bar] = kNul;
    }
    if (work.isEmpty() || work.back() != kNul) work.append(kNul);
    return work;
}

// The text of a returned file buffer of maxFile characters: everything before its first
// pair of NULs; a buffer without such a pair (filled up to its last character) loses only
// its final NUL.
QString TakeFileBuffer(const QString& buffer, int32_t maxFile) {
    QString full = buffer.left(maxFile);
    // Characters the dialog did not write count as NUL; two are enough to end the text.
    const qsizetype padded = std::min<qsizetype>(maxFile, full.size() + 2);
    while (full.size() < padded) full.append(kNul);
    const qsizetype pair = full.indexOf(QString(2, kNul));
    if (pair >= 0) return full.left(pair);
    if (!full.isEmpty() && full.back() == kNul) full.chop(1);
    return full;
}

QString UpToNul(const QString& text) {
    const qsizetype nul = text.indexOf(kNul);
    return nul < 0 ? text : text.left(nul);
}

// Blanks (U+0020) removed at both ends; other white space stays.
QString TrimBlanks(const QString& text) {
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == u' ') ++b;
    while (e > b && text[e - 1] == u' ') --e;
    return text.mid(b, e - b);
}

int16_t RoundToInt16(double value) {
    if (std::isnan(value)) return 0;
    if (value >= std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
    if (value <= std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(std::lround(value));
}

int32_t RoundToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(std::lround(value));
}

// Dots per inch for the font conversions; a screen that cannot tell counts as 96.
int32_t SafeDpi(wxh::CommonDlgBackend& backend, QWidget* owner) {
    const int32_t dpi = backend.LogPixelsY(owner);
    return dpi > 0 ? dpi : 96;
}

QString CurrentFolder() {
    std::string buf(4096, '\0');
    while (!::getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE || buf.size() > (1u << 20)) return QString();
        buf.resize(buf.size() * 2);
    }
    return QString::fromStdString(std::string(buf.c_str()));
}

constexpr int kLfFaceSize = 32;   // face-name characters in a font record, its NUL included

}  // namespace

cCommonDlg::cCommonDlg()
    : convertedFilter_(QStringLiteral("All Files (*.*)") + kNul + QStringLiteral("*.*") + kNul),
      InitDir_(CurrentFolder()),
      DefaultExt_(QString(1, kNul)),
      FileTitle_(QString(254, u' ')) {}

void cCommonDlg::Filter(const QString& value) {
    Filter_ = value;
    convertedFilter_ = ConvertFilter(value);
}

void cCommonDlg::ShowOpen() { ShowFileDialog(1); }
void cCommonDlg::ShowSave() { ShowFileDialog(2); }

void cCommonDlg::ShowFileDialog(int kind) {
    Action_ = static_cast<int16_t>(kind);
    lastResult_ = 0;
    ErrNumber_ = 0;

    // Without an owner, or with a file buffer that cannot hold even its NUL, the call ends
    // here quietly and every other value keeps its contents.
    QWidget* owner = Form_.data();
    if (!owner || MaxFileSize_ < 1) return;

    wxh::OpenFileNameRecord ofn;
    ofn.owner = owner;
    ofn.filter = convertedFilter_;
    ofn.filterIndex = FilterIndex_;
    ofn.file = FileName_.left(MaxFileSize_ - 1);
    ofn.maxFile = MaxFileSize_;
    ofn.fileTitle = FileTitle_ + kNul;
    ofn.maxFileTitle = static_cast<int32_t>(std::min<qsizetype>(ofn.fileTitle.size(), std::numeric_limits<int32_t>::max()));
    ofn.initialDir = InitDir_;
    ofn.title = DialogTitle_;
    ofn.flags = Flags_;
    ofn.defExt = UpToNul(DefaultExt_);

    wxh::CommonDlgBackend& backend = wxh::CurrentCommonDlgBackend();
    if (kind == 1) {
        lastResult_ = backend.GetOpenFileName(ofn);
    } else if (kind == 2) {
        lastResult_ = backend.GetSaveFileName(ofn);
    } else {
        return;
    }

    if (lastResult_ != 0) {
        FileName_ = TakeFileBuffer(ofn.file, MaxFileSize_);
        FileTitle_ = TrimBlanks(UpToNul(ofn.fileTitle.left(ofn.maxFileTitle)));
        CancelButton_ = false;
    } else {
        ErrNumber_ = backend.CommDlgExtendedError();
        if (CancelError_) {
            CancelButton_ = true;
            FileName_.clear();
        }
    }
}

QWidget* cCommonDlg::RequireForm(const char* operation) const {
    QWidget* owner = Form_.data();
    if (!owner) throw wxh::CommonDlgError(std::string(operation) + ": no owner form is set");
    return owner;
}

void cCommonDlg::Form(QWidget* value) {
    Form_ = value;
    QWidget* owner = RequireForm("Form");
    const QFont font = owner->font();
    FontBold_ = font.bold();
    FontItalic_ = font.italic();
    FontName_ = font.family();
    double points = font.pointSizeF();
    if (points <= 0 && font.pixelSize() > 0) {
        points = font.pixelSize() * 72.0 / SafeDpi(wxh::CurrentCommonDlgBackend(), owner);
    }
    FontSize_ = RoundToInt16(points > 0 ? points : 0);
    FontStrikethru_ = font.strikeOut();
    FontUnderline_ = font.underline();
}

void cCommonDlg::Action(int16_t value) {
    Action_ = value;
    switch (value) {
        case 1: ShowOpen(); break;
        case 2: ShowSave(); break;
        case 3: ShowColor(); break;
        case 4: ShowFont(); break;
        case 5: ShowPrinter(); break;
        case 6: ShowHelp(); break;
        default: break;
    }
}

void cCommonDlg::ShowColor() {
    QWidget* owner = RequireForm("ShowColor");
    // Every dialog starts with sixteen white custom colours; what the user defines there
    // is not kept.
    std::array<int32_t, 16> custom;
    custom.fill(0xFFFFFF);

    wxh::ChooseColorRecord cc;
    cc.owner = owner;
    cc.rgbResult = Color_;
    cc.custColors = &custom;
    cc.flags = Flags_;

    wxh::CommonDlgBackend& backend = wxh::CurrentCommonDlgBackend();
    lastResult_ = backend.ChooseColor(cc);
    if (lastResult_ != 0) {
        CancelButton_ = false;
    } else {
        ErrNumber_ = backend.CommDlgExtendedError();
        CancelButton_ = true;
    }
    Color_ = cc.rgbResult;
}

void cCommonDlg::ShowFont() {
    QWidget* owner = RequireForm("ShowFont");
    wxh::CommonDlgBackend& backend = wxh::CurrentCommonDlgBackend();
    const int32_t dpi = SafeDpi(backend, owner);

    wxh::LogFontRecord lf;
    lf.height = RoundToInt32(std::abs(static_cast<double>(FontSize_)) * dpi / 72.0);
    lf.weight = FontBold_ ? 700 : 400;
    lf.italic = FontItalic_ ? 1 : 0;
    lf.underline = FontUnderline_ ? 1 : 0;
    lf.strikeOut = FontStrikethru_ ? 1 : 0;
    // The record holds 32 characters with the terminating NUL, so a longer name is cut.
    lf.faceName = UpToNul(FontName_).left(kLfFaceSize - 1);

    wxh::ChooseFontRecord cf;
    cf.owner = owner;
    cf.logFont = &lf;
    cf.flags = Flags_ | wxh::cdlflags::kCfInitToLogFontStruct;
    cf.rgbColors = Color_;
    cf.sizeMin = Min_;
    cf.sizeMax = Max_;

    const int32_t result = backend.ChooseFont(cf);
    if (result == 0) {
        ErrNumber_ = backend.CommDlgExtendedError();
        CancelButton_ = true;
        FontBold_ = false;
        FontItalic_ = false;
        FontStrikethru_ = false;
        FontUnderline_ = false;
        FontName_.clear();
        FontSize_ = 0;
        Color_ = 0;
        return;
    }
    CancelButton_ = false;
    FontBold_ = lf.weight >= 500;
    FontItalic_ = lf.italic != 0;
    FontUnderline_ = lf.underline != 0;
    FontStrikethru_ = lf.strikeOut != 0;
    FontName_ = UpToNul(lf.faceName).left(kLfFaceSize - 1);
    const int32_t dpiAfter = SafeDpi(backend, owner);
    FontSize_ = RoundToInt16(std::abs(72.0 / dpiAfter * lf.height));
    Color_ = cf.rgbColors;
}

void cCommonDlg::ShowPrinter() {
    Action_ = 5;
    lastResult_ = 0;
    ErrNumber_ = 0;
    QWidget* owner = Form_.data();
    if (!owner) return;

    wxh::PrintDlgRecord pd;
    pd.owner = owner;
    pd.hDC = hdc_;
    pd.flags = Flags_;
    pd.fromPage = static_cast<int16_t>(FromPage_);
    pd.toPage = static_cast<int16_t>(ToPage_);
    pd.minPage = static_cast<int16_t>(Min_);
    pd.maxPage = static_cast<int16_t>(Max_);
    pd.copies = static_cast<int16_t>(Copies_);

    wxh::CommonDlgBackend& backend = wxh::CurrentCommonDlgBackend();
    lastResult_ = backend.PrintDlg(pd);
    if (lastResult_ != 0) {
        FromPage_ = pd.fromPage;
        ToPage_ = pd.toPage;
        Min_ = pd.minPage;
        Max_ = pd.maxPage;
        Copies_ = pd.copies;
        CancelButton_ = false;
    } else {
        ErrNumber_ = backend.CommDlgExtendedError();
        if (CancelError_) CancelButton_ = true;
    }
}

void cCommonDlg::ShowHelp() {
    if (HelpFile_.isEmpty() || HelpCommand_ == 0) return;
    QWidget* owner = RequireForm("ShowHelp");
    wxh::CurrentCommonDlgBackend().WinHelp(owner, HelpFile_, HelpCommand_, HelpContext_);
}

void cCommonDlg::ShowHtmlHelp() {
    if (HtmlHelpFile_.isEmpty()) return;
    QWidget* owner = RequireForm("ShowHtmlHelp");
    wxh::CurrentCommonDlgBackend().HtmlHelp(owner, HtmlHelpFile_, HtmlHelpCommand_, HtmlHelpContext_);
}

QString cCommonDlg::ErrDescription() const {
    static const std::pair<int32_t, const char*> kMessages[] = {
        {-32768, QT_TRANSLATE_NOOP("cCommonDlg", "関数がダイアログ ボックスをロードできません。")},
        {20476, QT_TRANSLATE_NOOP("cCommonDlg", "メンバ lpstrFile が指すバッファが小さすぎます。")},
        {20477, QT_TRANSLATE_NOOP("cCommonDlg", "ファイル名が無効です。")},
        {20478, QT_TRANSLATE_NOOP("cCommonDlg", "メモリ不足のために、リスト ボックスをサブクラス化できません。")},
        {24574, QT_TRANSLATE_NOOP("cCommonDlg", "フォントが存在しません。")},
        {28660, QT_TRANSLATE_NOOP("cCommonDlg", "WIN.INI ファイル内の [devices] セクションに、必要なプリンタについてのエントリがありません。")},
        {28661, QT_TRANSLATE_NOOP("cCommonDlg", "PrintDlg 関数が情報コンテキストを作成できません。")},
        {28662, QT_TRANSLATE_NOOP("cCommonDlg", "DevMode データ構造と DevNames データ構造のデータが異なるプリンタを指しています。")},
        {28663, QT_TRANSLATE_NOOP("cCommonDlg", "通常使うプリンタが設定されていません。")},
        {28664, QT_TRANSLATE_NOOP("cCommonDlg", "プリンタ ドライバが見つかりません。")},
        {28665, QT_TRANSLATE_NOOP("cCommonDlg", "PrintDlg 関数を初期化できません。")},
        {28666, QT_TRANSLATE_NOOP("cCommonDlg", "プリンタ ドライバが DevMode データ構造を初期化できません。")},
        {28667, QT_TRANSLATE_NOOP("cCommonDlg", "PrintDlg 関数が、指定したプリンタ ドライバをロードできません。")},
        {28668, QT_TRANSLATE_NOOP("cCommonDlg", "PDReturnDefault フラグが設定されていますが、hDevMode フィールドまたは hDevNames フィールドが 0 ではありません。")},
        {28669, QT_TRANSLATE_NOOP("cCommonDlg", "CommonDialog 関数が WIN.INI の [devices] セクションの文字列を解析できません。")},
        {28670, QT_TRANSLATE_NOOP("cCommonDlg", "必要なリソースを読み込めません。")},
        {28671, QT_TRANSLATE_NOOP("cCommonDlg", "PDReturnDefault フラグが設定されていますが、hDevMode フィールドまたは hDevNames フィールドが 0 ではありません。")},
        {32751, QT_TRANSLATE_NOOP("cCommonDlg", "Microsoft Windows のヘルプを呼び出せません。")},
        {32752, QT_TRANSLATE_NOOP("cCommonDlg", "FileName プロパティまたは Filter プロパティにメモリを割り当てられません。")},
        {32755, QT_TRANSLATE_NOOP("cCommonDlg", "[キャンセル] ボタンが選択されました。")},
        {32757, QT_TRANSLATE_NOOP("cCommonDlg", "関数が、ハンドルに関連付けられたメモリをロックできません。")},
        {32758, QT_TRANSLATE_NOOP("cCommonDlg", "関数が、内部のデータ構造にメモリを割り当てられません。")},
        {32759, QT_TRANSLATE_NOOP("cCommonDlg", "関数が指定したリソースをロックできません。")},
        {32760, QT_TRANSLATE_NOOP("cCommonDlg", "関数が指定したリソースをロードできません。")},
        {32761, QT_TRANSLATE_NOOP("cCommonDlg", "関数が指定したリソースをロードできません。")},
        {32765, QT_TRANSLATE_NOOP("cCommonDlg", "関数を初期化できません。")},
    };
    for (const auto& [number, message] : kMessages) {
        if (number == ErrNumber_) return QCoreApplication::translate("cCommonDlg", message);
    }
    return QCoreApplication::translate("cCommonDlg", "未知のｴﾗｰです。");
}

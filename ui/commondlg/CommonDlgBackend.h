#pragma once
#include <array>
#include <cstdint>
#include <QString>

class QWidget;

// The platform side of cCommonDlg: one call per dialog kind, each taking a record that
// the wrapper fills and reads back, as the classic common-dialog functions do. The window
// program uses QtCommonDlgBackend (Qt's own dialogs); tests install a scripted backend.
namespace wxh {

// Error codes a backend reports through CommDlgExtendedError(). They are the numbers
// that cCommonDlg::ErrDescription knows, so they need no translation.
namespace cdlerr {
inline constexpr int32_t kNone = 0;
inline constexpr int32_t kDialogFailure = -32768;   // the dialog could not be made
inline constexpr int32_t kBufferTooSmall = 20476;   // the chosen name does not fit the file buffer
inline constexpr int32_t kInvalidFileName = 20477;
inline constexpr int32_t kNoFonts = 24574;
inline constexpr int32_t kNoDefaultPrinter = 28663;
inline constexpr int32_t kPrinterInitFailure = 28665;
inline constexpr int32_t kInitialization = 32765;
}  // namespace cdlerr

// Flags the Qt backend understands; every other bit is passed along and ignored.
namespace cdlflags {
inline constexpr int32_t kOfnOverwritePrompt = 0x2;
inline constexpr int32_t kOfnAllowMultiSelect = 0x200;
inline constexpr int32_t kOfnPathMustExist = 0x800;
inline constexpr int32_t kOfnFileMustExist = 0x1000;
inline constexpr int32_t kCcRgbInit = 0x1;
inline constexpr int32_t kCfInitToLogFontStruct = 0x40;
inline constexpr int32_t kPdSelection = 0x1;
inline constexpr int32_t kPdPageNums = 0x2;
inline constexpr int32_t kPdNoSelection = 0x4;
inline constexpr int32_t kPdNoPageNums = 0x8;
inline constexpr int32_t kPdPrintToFile = 0x20;
inline constexpr int32_t kPdDisablePrintToFile = 0x80000;
inline constexpr int32_t kHelpQuit = 0x2;          // help command: close the help viewer
inline constexpr int32_t kHhCloseAll = 0x12;       // HTML help command: close every viewer
}  // namespace cdlflags

// Open and save dialogs.
struct OpenFileNameRecord {
    QWidget* owner = nullptr;
    QString filter;            // "description", NUL, "pattern", NUL, ... (pattern lists use ";")
    int32_t filterIndex = 0;   // 1 = first pair; 0 = the dialog's default
    // The file buffer: its first maxFile characters are meaningful; whatever lies beyond the
    // end of the string up to maxFile counts as NUL. In: the initial name. Out: the choice,
    // one path, or with a multiple selection the folder and the names separated by NULs,
    // followed by two NULs.
    QString file;
    int32_t maxFile = 0;
    QString fileTitle;         // file-title buffer, same convention; out: the chosen name
    int32_t maxFileTitle = 0;
    QString initialDir;
    QString title;
    int32_t flags = 0;
    QString defExt;            // without a dot; empty: none
};

// Colours are 0x00BBGGRR.
struct ChooseColorRecord {
    QWidget* owner = nullptr;
    int32_t rgbResult = 0;                      // in: initial colour; out: the choice
    std::array<int32_t, 16>* custColors = nullptr;
    int32_t flags = 0;
};

struct LogFontRecord {
    int32_t height = 0;        // pixels at the owner's vertical dots per inch
    int32_t weight = 400;      // 100 .. 900; 400 normal, 700 bold
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    QString faceName;          // at most 31 characters
};

struct ChooseFontRecord {
    QWidget* owner = nullptr;
    LogFontRecord* logFont = nullptr;
    int32_t flags = 0;
    int32_t rgbColors = 0;
    int32_t sizeMin = 0;
    int32_t sizeMax = 0;
};

struct PrintDlgRecord {
    QWidget* owner = nullptr;
    int32_t hDC = 0;           // out: a device context handle (the wrapper does not keep it)
    int32_t flags = 0;
    int16_t fromPage = 0;
    int16_t toPage = 0;
    int16_t minPage = 0;
    int16_t maxPage = 0;
    int16_t copies = 0;
};

class CommonDlgBackend {
public:
    virtual ~CommonDlgBackend() = default;
    // Each returns 1 when the user made a choice, 0 when the dialog was closed without one
    // or failed; CommDlgExtendedError() then tells which (0 for a plain cancel).
    virtual int32_t GetOpenFileName(OpenFileNameRecord& ofn) = 0;
    virtual int32_t GetSaveFileName(OpenFileNameRecord& ofn) = 0;
    virtual int32_t ChooseColor(ChooseColorRecord& cc) = 0;
    virtual int32_t ChooseFont(ChooseFontRecord& cf) = 0;
    virtual int32_t PrintDlg(PrintDlgRecord& pd) = 0;
    virtual int32_t CommDlgExtendedError() = 0;
    // Logical pixels per inch, vertical, of the owner's screen.
    virtual int32_t LogPixelsY(QWidget* owner) = 0;
    // The help viewers; results are not reported.
    virtual void WinHelp(QWidget* owner, const QString& helpFile, int32_t command, int32_t data) = 0;
    virtual void HtmlHelp(QWidget* owner, const QString& file, int32_t command, int32_t data) = 0;
};

// The backend every cCommonDlg uses. Installing nullptr restores the Qt backend.
// The caller keeps ownership of an installed backend.
CommonDlgBackend& CurrentCommonDlgBackend();
void SetCommonDlgBackend(CommonDlgBackend* backend);

}  // namespace wxh

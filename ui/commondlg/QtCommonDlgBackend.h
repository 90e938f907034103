#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

#include "ui/commondlg/CommonDlgBackend.h"

// The common dialogs on Qt: QFileDialog, QColorDialog, QFontDialog and QPrintDialog, each run
// through wxh::ExecModal; the help viewers open their file with the desktop's viewer.
namespace wxh {

class QtCommonDlgBackend : public CommonDlgBackend {
public:
    int32_t GetOpenFileName(OpenFileNameRecord& ofn) override;
    int32_t GetSaveFileName(OpenFileNameRecord& ofn) override;
    int32_t ChooseColor(ChooseColorRecord& cc) override;
    int32_t ChooseFont(ChooseFontRecord& cf) override;
    int32_t PrintDlg(PrintDlgRecord& pd) override;
    int32_t CommDlgExtendedError() override { return lastError_; }
    int32_t LogPixelsY(QWidget* owner) override;
    void WinHelp(QWidget* owner, const QString& helpFile, int32_t command, int32_t data) override;
    void HtmlHelp(QWidget* owner, const QString& file, int32_t command, int32_t data) override;

    static QtCommonDlgBackend& Shared();

    // How a help file reaches the desktop's viewer (QDesktopServices::openUrl); tests
    // answer it instead. An empty function restores the desktop.
    using UrlOpener = std::function<void(const QUrl& url)>;
    static void SetUrlOpener(UrlOpener opener);

private:
    int32_t RunFileDialog(OpenFileNameRecord& ofn, bool save);
    int32_t lastError_ = 0;
};

// --- pieces of the file dialog, open for tests --------------------------------------
struct FilterPair {
    QString description;
    QStringList patterns;   // "*.*" already widened to "*"
};
// The description/pattern pairs of a NUL-separated filter list. The list ends at the first
// empty description or at a description without a pattern.
QList<FilterPair> ParseFilterList(const QString& converted);
// A pair as a Qt name filter: "description (p1 p2)".
QString QtNameFilter(const FilterPair& pair);
// Writes the chosen files into ofn.file and ofn.fileTitle the way the classic dialog does
// (one path; or folder, NUL, names separated by NULs, two NULs). Returns false, leaving
// the record untouched, when the text does not fit into ofn.maxFile characters.
bool FillFileBuffer(OpenFileNameRecord& ofn, const QStringList& chosen);
// The file a help-file argument names: "book.chm::/topic.htm>main" gives "book.chm" when no
// file of the whole name exists.
QString HelpFilePath(const QString& argument);

}  // namespace wxh

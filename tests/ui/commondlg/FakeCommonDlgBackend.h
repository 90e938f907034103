#pragma once
// A scripted CommonDlgBackend for tests: it records every record it is handed and answers
// through the functions a test sets. Installed for its lifetime.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "ui/commondlg/CommonDlgBackend.h"

namespace wxh::test {

class FakeCommonDlgBackend : public CommonDlgBackend {
public:
    FakeCommonDlgBackend() { SetCommonDlgBackend(this); }
    ~FakeCommonDlgBackend() override { SetCommonDlgBackend(nullptr); }
    FakeCommonDlgBackend(const FakeCommonDlgBackend&) = delete;
    FakeCommonDlgBackend& operator=(const FakeCommonDlgBackend&) = delete;

    // Answers: return the dialog's result; set `error` for CommDlgExtendedError.
    std::function<int32_t(OpenFileNameRecord&)> onFile;
    std::function<int32_t(ChooseColorRecord&)> onColor;
    std::function<int32_t(ChooseFontRecord&)> onFont;
    std::function<int32_t(PrintDlgRecord&)> onPrint;
    int32_t error = 0;
    int32_t dpi = 96;

    // What the wrapper handed over (records as they were on the way in).
    std::vector<OpenFileNameRecord> openCalls, saveCalls;
    std::vector<ChooseColorRecord> colorCalls;
    std::vector<std::array<int32_t, 16>> colorCustom;   // custom colours as handed in
    std::vector<ChooseFontRecord> fontCalls;
    std::vector<LogFontRecord> fontLogFonts;
    std::vector<PrintDlgRecord> printCalls;
    struct HelpCall {
        QWidget* owner;
        QString file;
        int32_t command;
        int32_t data;
    };
    std::vector<HelpCall> winHelpCalls, htmlHelpCalls;

    // Convenience answers for the file dialogs.
    void ChooseFile(const QString& path) {
        onFile = [path](OpenFileNameRecord& ofn) {
            ofn.file = path + QChar(u'\0');
            ofn.fileTitle = path.mid(path.lastIndexOf(u'/') + 1) + QChar(u'\0');
            return 1;
        };
    }
    void Cancel(int32_t code = 0) {
        onFile = [this, code](OpenFileNameRecord&) {
            error = code;
            return 0;
        };
    }

    int32_t GetOpenFileName(OpenFileNameRecord& ofn) override {
        openCalls.push_back(ofn);
        return onFile ? onFile(ofn) : 0;
    }
    int32_t GetSaveFileName(OpenFileNameRecord& ofn) override {
        saveCalls.push_back(ofn);
        return onFile ? onFile(ofn) : 0;
    }
    int32_t ChooseColor(ChooseColorRecord& cc) override {
        colorCalls.push_back(cc);
        colorCustom.push_back(cc.custColors ? *cc.custColors : std::array<int32_t, 16>{});
        return onColor ? onColor(cc) : 0;
    }
    int32_t ChooseFont(ChooseFontRecord& cf) override {
        fontCalls.push_back(cf);
        fontLogFonts.push_back(cf.logFont ? *cf.logFont : LogFontRecord{});
        return onFont ? onFont(cf) : 0;
    }
    int32_t PrintDlg(PrintDlgRecord& pd) override {
        printCalls.push_back(pd);
        return onPrint ? onPrint(pd) : 0;
    }
    int32_t CommDlgExtendedError() override { return error; }
    int32_t LogPixelsY(QWidget*) override { return dpi; }
    void WinHelp(QWidget* owner, const QString& file, int32_t command, int32_t data) override {
        winHelpCalls.push_back({owner, file, command, data});
    }
    void HtmlHelp(QWidget* owner, const QString& file, int32_t command, int32_t data) override {
        htmlHelpCalls.push_back({owner, file, command, data});
    }
};

}  // namespace wxh::test

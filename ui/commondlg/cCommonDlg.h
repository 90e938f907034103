#pragma once
#include <QPointer>
#include <QString>
#include <QWidget>
#include <climits>
#include <cstdint>
#include <stdexcept>

// The platform's open, save, colour, font and print dialogs and the help viewers behind
// properties and Show methods: create an object, set its owner form and properties, call a
// Show method, read the result properties. The dialogs themselves come from the installed
// CommonDlgBackend (ui/commondlg/CommonDlgBackend.h).
//
// A property is a pair of overloads with the property's name: Filter(text) writes it,
// Filter() reads it. Write-only properties (MaxFileSize, DialogTitle, InitDir, FilterIndex,
// Flags, DefaultExt, FileTitle) have no reader.
namespace wxh {

// Raised by ShowColor, ShowFont, ShowHelp, ShowHtmlHelp and the Form write when they have
// no owner form to work with. The file and printer dialogs never raise anything.
class CommonDlgError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace wxh

class cCommonDlg {
public:
    cCommonDlg();

    // --- file dialogs -------------------------------------------------------------
    void Filter(const QString& value);
    QString Filter() const { return Filter_; }
    void MaxFileSize(int32_t value) { MaxFileSize_ = value; }
    void DialogTitle(const QString& value) { DialogTitle_ = value; }
    void ShowOpen();
    void ShowSave();
    void InitDir(const QString& value) { InitDir_ = value; }
    QString FileName() const { return FileName_; }
    void FileName(const QString& value) { FileName_ = value; }
    void FilterIndex(int16_t value) { FilterIndex_ = value; }
    void Flags(int32_t value) { Flags_ = value; }
    void DefaultExt(const QString& value) { DefaultExt_ = value; }
    void FileTitle(const QString& value) { FileTitle_ = value; }

    // --- colour, font, printer, help ---------------------------------------------
    void ShowColor();
    int32_t Color() const { return Color_; }
    void Color(int32_t value) { Color_ = value; }
    void ShowFont();
    void ShowHelp();
    void ShowHtmlHelp();
    QString HtmlHelpFile() const { return HtmlHelpFile_; }
    void HtmlHelpFile(const QString& value) { HtmlHelpFile_ = value; }
    int32_t HtmlHelpCommand() const { return HtmlHelpCommand_; }
    void HtmlHelpCommand(int32_t value) { HtmlHelpCommand_ = value; }
    int32_t HtmlHelpContext() const { return HtmlHelpContext_; }
    void HtmlHelpContext(int32_t value) { HtmlHelpContext_ = value; }
    QString HtmlHelpKey() const { return HtmlHelpKey_; }
    void HtmlHelpKey(const QString& value) { HtmlHelpKey_ = value; }
    void ShowPrinter();
    QString HelpFile() const { return HelpFile_; }
    void HelpFile(const QString& value) { HelpFile_ = value; }
    int32_t HelpCommand() const { return HelpCommand_; }
    void HelpCommand(int32_t value) { HelpCommand_ = value; }
    int32_t HelpContext() const { return HelpContext_; }
    void HelpContext(int32_t value) { HelpContext_ = value; }
    QString HelpKey() const { return HelpKey_; }
    void HelpKey(const QString& value) { HelpKey_ = value; }

    // The owner window of every dialog. Writing it also copies the window's font into the
    // font values; writing nullptr drops the owner and raises CommonDlgError.
    QWidget* Form() const { return Form_; }
    void Form(QWidget* value);

    bool FontBold() const { return FontBold_; }
    void FontBold(bool value) { FontBold_ = value; }
    bool FontItalic() const { return FontItalic_; }
    void FontItalic(bool value) { FontItalic_ = value; }
    QString FontName() const { return FontName_; }
    void FontName(const QString& value) { FontName_ = value; }
    int16_t FontSize() const { return FontSize_; }
    void FontSize(int16_t value) { FontSize_ = value; }
    bool FontStrikethru() const { return FontStrikethru_; }
    void FontStrikethru(bool value) { FontStrikethru_ = value; }
    bool FontUnderline() const { return FontUnderline_; }
    void FontUnderline(bool value) { FontUnderline_ = value; }
    int32_t Max() const { return Max_; }
    void Max(int32_t value) { Max_ = value; }
    int32_t Min() const { return Min_; }
    void Min(int32_t value) { Min_ = value; }

    bool CancelError() const { return CancelError_; }
    void CancelError(bool value) { CancelError_ = value; }
    // Writing 1 to 6 runs that dialog (open, save, colour, font, printer, help).
    int16_t Action() const { return Action_; }
    void Action(int16_t value);
    bool CancelButton() const { return CancelButton_; }
    QString ErrDescription() const;
    int32_t ErrNumber() const { return ErrNumber_; }

    int32_t hdc() const { return hdc_; }
    void hdc(int32_t value) { hdc_ = value; }
    int32_t FromPage() const { return FromPage_; }
    void FromPage(int32_t value) { FromPage_ = value; }
    int32_t ToPage() const { return ToPage_; }
    void ToPage(int32_t value) { ToPage_ = value; }
    int32_t Copies() const { return Copies_; }
    void Copies(int32_t value) { Copies_ = value; }
    int32_t PrinterDefault() const { return PrinterDefault_; }
    void PrinterDefault(int32_t value) { PrinterDefault_ = value; }

private:
    void ShowFileDialog(int kind);
    QWidget* RequireForm(const char* operation) const;

    QString HtmlHelpFile_;
    int32_t HtmlHelpCommand_ = 0;
    int32_t HtmlHelpContext_ = 0;
    QString HtmlHelpKey_;
    QPointer<QWidget> Form_;
    int32_t lastResult_ = 0;
    int32_t ErrNumber_ = 0;
    bool CancelButton_ = false;
    int16_t Action_ = 0;
    bool CancelError_ = false;
    QString convertedFilter_;
    QString Filter_;
    // The longest path this platform accepts, its NUL included (a UTF-16 unit never takes
    // fewer bytes than one): deep folders fit without every caller raising it.
    int32_t MaxFileSize_ = PATH_MAX;
    QString DialogTitle_ = QStringLiteral("Open File");
    QString InitDir_;
    QString FileName_;
    int16_t FilterIndex_ = 0;
    int32_t Flags_ = 0;
    QString DefaultExt_;
    QString FileTitle_;
    int32_t Color_ = 0;
    bool FontBold_ = false;
    bool FontItalic_ = false;
    QString FontName_;
    int16_t FontSize_ = 0;
    bool FontStrikethru_ = false;
    bool FontUnderline_ = false;
    int32_t Max_ = 0;
    int32_t Min_ = 0;
    int32_t hdc_ = 0;
    int32_t FromPage_ = 0;
    int32_t ToPage_ = 0;
    int32_t Copies_ = 0;
    int32_t PrinterDefault_ = 0;
    QString HelpFile_;
    int32_t HelpCommand_ = 0;
    int32_t HelpContext_ = 0;
    QString HelpKey_;
};

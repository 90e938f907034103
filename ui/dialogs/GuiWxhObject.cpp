#include "ui/dialogs/GuiWxhObject.h"

#include <QCoreApplication>

#include "ui/controls/seams.h"

namespace wxh {

FrmDialogProgress::FrmDialogProgress(QWidget* owner) : form_(new frmDialog(owner)) {}

FrmDialogProgress::~FrmDialogProgress() { delete form_.data(); }

void FrmDialogProgress::SetNowFile(const std::string& name) {
    if (form_) form_->SetProgressFile(QString::fromStdString(name));
}

void FrmDialogProgress::SetPer(int64_t remaining) {
    if (form_) form_->SetProgressRemaining(remaining);
}

void FrmDialogProgress::ClearProgBar() {
    if (form_) form_->ClearProgress();
}

void FrmDialogProgress::FillProgBar(int32_t x) {
    if (form_) form_->FillProgress(x);
}

std::string FrmDialogProgress::CancelTag() const {
    if (!form_) return std::string();
    const QString& tag = form_->CancelTag();
    return tag.isEmpty() ? std::string() : tag.toStdString();
}

void FrmDialogProgress::SetCancelTag(const std::string& tag) {
    if (form_) form_->SetCancelTag(QString::fromStdString(tag));
}

void FrmDialogProgress::Show() {
    if (form_) form_->ShowDialog();
}

void FrmDialogProgress::Hide() {
    if (form_) form_->HideDialog();
}

void FrmDialogProgress::DoEvents() {
    if (form_) form_->DoEvents();
    else QCoreApplication::processEvents();
}

int32_t GuiOverwriteQuestion::Ask(const std::string& path) {
    frmDialog* over = frmDialog::Instance();
    if (over) over->PaintNow();   // the window under the question shows where the release is
    const int answer = MsgBox(over, QString::fromStdString(path) + QStringLiteral("に上書きしてもいいですか？"),
                              QStringLiteral("上書き確認"), true);
    return answer == kMsgYes ? kMsgYes : kMsgNo;
}

GuiOverwriteQuestion& GuiOverwriteQuestion::Shared() {
    static GuiOverwriteQuestion question;
    return question;
}

frmDialog* DialogOf(WxhObject& object) {
    auto* gui = dynamic_cast<FrmDialogProgress*>(&object.Dialog());
    return gui ? gui->Form() : nullptr;
}

}  // namespace wxh

std::unique_ptr<wxh::WxhObject> NewGuiWxhObject(QWidget* owner) {
    QPointer<QWidget> keep(owner);
    wxh::ProgressDialogFactory factory = [keep]() -> std::unique_ptr<wxh::ProgressDialog> {
        return std::make_unique<wxh::FrmDialogProgress>(keep.data());
    };
    return std::make_unique<wxh::WxhObject>(factory, &wxh::GuiOverwriteQuestion::Shared());
}

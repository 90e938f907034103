#pragma once
#include <QPointer>
#include <QWidget>
#include <memory>

#include "crow/WxhObject.h"
#include "crow/progress.h"
#include "ui/dialogs/frmDialog.h"

// The window program's side of the Crow container: the progress interface backed by a real
// frmDialog, the overwrite question as a message box, and the factory of such objects.
namespace wxh {

// The container's progress interface backed by a real frmDialog; the window is created
// with this object (loaded, hidden) and destroyed with it.
class FrmDialogProgress : public ProgressDialog {
public:
    explicit FrmDialogProgress(QWidget* owner = nullptr);
    ~FrmDialogProgress() override;

    frmDialog* Form() const { return form_; }

    void SetNowFile(const std::string& name) override;
    void SetPer(int64_t remaining) override;
    void ClearProgBar() override;
    void FillProgBar(int32_t x) override;
    std::string CancelTag() const override;
    void SetCancelTag(const std::string& tag) override;
    void Show() override;
    void Hide() override;
    void DoEvents() override;

private:
    QPointer<frmDialog> form_;
};

// The window program's overwrite question: path + "に上書きしてもいいですか？",
// titled "上書き確認", Yes and No, through wxh::MsgBox.
// The box sits over the progress window when one exists, painted first. Stateless: one
// shared instance.
class GuiOverwriteQuestion : public OverwriteQuestion {
public:
    int32_t Ask(const std::string& path) override;
    static GuiOverwriteQuestion& Shared();
};

// The frmDialog of a WxhObject made by NewGuiWxhObject (nullptr for any other object).
frmDialog* DialogOf(WxhObject& object);

}  // namespace wxh

// A WxhObject whose progress window is a real frmDialog and whose overwrite question is
// the "上書き確認" Yes/No box. Create one per operation and release it right after.
std::unique_ptr<wxh::WxhObject> NewGuiWxhObject(QWidget* owner = nullptr);

#include "ui/main/frmMain.h"

#include "ui/settings/LiveSettings.h"
#include "crow/WxhObject.h"
#include "ui/commands/Commands.h"
#include "ui/commands/Messages.h"
#include "ui/controls/seams.h"
#include "ui/dialogs/GuiWxhObject.h"
#include "ui/dialogs/frmPassword.h"

namespace {

// Keeps the main window disabled for one command, and enables it again however the
// command ends.
class DisabledWhile {
public:
    explicit DisabledWhile(QWidget* w) : w_(w) { w_->setEnabled(false); }
    ~DisabledWhile() { w_->setEnabled(true); }
    DisabledWhile(const DisabledWhile&) = delete;
    DisabledWhile& operator=(const DisabledWhile&) = delete;

private:
    QWidget* w_;
};

}  // namespace

bool frmMain::AskPassword() {
    wxh::Live().CrowPassword.clear();
    frmPassword dlg(this);
    wxh::ExecModal(&dlg);
    return wxh::Live().CrowPassword.empty();
}

void frmMain::mnu_View_Relese_Click() {
    ReleaseCurrent(nullptr, nullptr);
}

void frmMain::ReleaseCurrent(std::unique_ptr<wxh::WxhObject> crow, const wxh::Inspection* inspected) {
    DisabledWhile disabled(this);
    // Created after the window is disabled, so that its progress window stays usable.
    if (!crow) crow = NewGuiWxhObject(this);

    const QString current = CurrentCrowFile();
    if (current == kNoFile) {
        wxh::MsgBox(this, wxh::text::NoCrowFileSelected());
        return;
    }
    const wxh::ReleaseOutcome outcome =
        wxh::Release(*crow, current, QString::fromStdString(wxh::Live().ExtractFolder), wxh::Live().OneFileNoFolder,
                     [this] { return AskPassword() ? QString() : QString::fromStdString(wxh::Live().CrowPassword); },
                     inspected);
    if (!outcome.openFolder.isEmpty()) wxh::OpenFolder(this, outcome.openFolder);
    else if (!outcome.message.isEmpty()) wxh::MsgBox(this, outcome.message);
}

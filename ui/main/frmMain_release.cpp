#include "ui/main/frmMain.h"

#include "common/globals.h"
#include "crow/PasswordCheck.h"
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
    wxh::CrowPassword.clear();
    frmPassword dlg(this);
    wxh::ExecModal(&dlg);
    return wxh::CrowPassword.empty();
}

void frmMain::mnu_View_Relese_Click() {
    DisabledWhile disabled(this);
    // Created after the window is disabled, so that its progress window stays usable.
    std::unique_ptr<wxh::WxhObject> crow = NewGuiWxhObject(this);

    const QString current = CurrentCrowFile();
    if (current == kNoFile) {
        wxh::MsgBox(this, wxh::text::NoCrowFileSelected());
        return;
    }
    // The password, once its decoded files look right or the user wants to go ahead anyway;
    // empty for a cancel.
    const auto password = [this, &current]() -> QString {
        if (AskPassword()) return QString();
        const wxh::PasswordJudgement j = wxh::JudgeCrowPassword(current.toStdString(), wxh::CrowPassword);
        if (j.verdict == wxh::PasswordJudgement::Verdict::LooksWrong) {
            QStringList names;
            for (const std::string& n : j.unlikeNames) names << QString::fromStdString(n);
            if (wxh::MsgBox(this, wxh::text::PasswordLooksWrong(names), wxh::kAppTitle, true) != wxh::kMsgYes)
                return QString();
        }
        return QString::fromStdString(wxh::CrowPassword);
    };
    const wxh::ReleaseOutcome outcome =
        wxh::Release(*crow, current, QString::fromStdString(wxh::ExtractFolder), wxh::OneFileNoFolder, password);
    if (!outcome.openFolder.isEmpty()) wxh::OpenFolder(this, outcome.openFolder);
    else if (!outcome.message.isEmpty()) wxh::MsgBox(this, outcome.message);
}

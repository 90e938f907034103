#include "ui/main/frmMain.h"
#include "ui/settings/LiveSettings.h"

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

// True when the user cancelled (Cancel, the close box, or OK on an empty field).
bool askPassword(QWidget* owner) {
    wxh::Live().CrowPassword.clear();
    frmPassword dlg(owner);
    wxh::ExecModal(&dlg);
    return wxh::Live().CrowPassword.empty();
}

}  // namespace

bool frmMain::AskPassword() { return askPassword(this); }

bool frmMain::ReleaseCrowFile(QWidget* owner, const QString& crowFile, const QString& extractFolder,
                              int32_t oneFileNoFolder, std::unique_ptr<wxh::WxhObject> crow,
                              const wxh::Inspection* inspected) {
    // Made after the caller disabled its window, so that the progress window stays usable;
    // released (with the progress window) after the message.
    if (!crow) crow = NewGuiWxhObject(owner);
    // The password, once its decoded files look right or the user wants to go ahead anyway;
    // empty for a cancel.
    const auto password = [owner, &crowFile]() -> QString {
        if (askPassword(owner)) return QString();
        const wxh::PasswordJudgement j = wxh::JudgeCrowPassword(crowFile.toStdString(), wxh::Live().CrowPassword);
        if (j.verdict == wxh::PasswordJudgement::Verdict::LooksWrong) {
            QStringList names;
            for (const std::string& n : j.unlikeNames) names << QString::fromStdString(n);
            if (wxh::MsgBox(owner, wxh::text::PasswordLooksWrong(names), wxh::kAppTitle, true) != wxh::kMsgYes)
                return QString();
        }
        return QString::fromStdString(wxh::Live().CrowPassword);
    };
    const wxh::ReleaseOutcome outcome = wxh::Release(*crow, crowFile, extractFolder, oneFileNoFolder, password, inspected);
    if (!outcome.openFolder.isEmpty()) {
        wxh::OpenFolder(owner, outcome.openFolder);
        return true;
    }
    if (!outcome.message.isEmpty()) wxh::MsgBox(owner, outcome.message);
    return false;
}

void frmMain::mnu_View_Relese_Click() {
    ReleaseCurrent(nullptr, nullptr);
}

void frmMain::ReleaseCurrent(std::unique_ptr<wxh::WxhObject> crow, const wxh::Inspection* inspected) {
    DisabledWhile disabled(this);
    const QString current = CurrentCrowFile();
    if (current == kNoFile) {
        wxh::MsgBox(this, wxh::text::NoCrowFileSelected());
        return;
    }
    ReleaseCrowFile(this, current, QString::fromStdString(wxh::Live().ExtractFolder), wxh::Live().OneFileNoFolder,
                    std::move(crow), inspected);
}

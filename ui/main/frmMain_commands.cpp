#include "ui/main/frmMain.h"

#include <QLineEdit>
#include <vector>

#include "ui/settings/LiveSettings.h"
#include "common/paths.h"
#include "crow/WxhObject.h"
#include "ui/dialogs/GuiWxhObject.h"
#include "ui/commands/Messages.h"
#include "ui/controls/seams.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/dialogs/frmConfig.h"
#include "ui/dialogs/frmCrow.h"
#include "ui/dialogs/frmFileList.h"

void frmMain::Image1_OLEDragDrop(const QStringList& files) {
    if (files.isEmpty() || files.first().isEmpty()) return;   // a drop without file names
    const QString path = files.first();                        // further names are ignored

    if (wxh::IsFolder(path.toStdString())) {
        // The lists move to the dropped folder, which is then the highlighted one. A folder
        // the lists cannot open (no permission) is left alone: the question would otherwise
        // offer the folder the lists still show.
        if (!SelectFolder(path)) return;
        if (wxh::MsgBox(this, tr("Crowファイル化する？"), wxh::kAppTitle, true) == wxh::kMsgYes)
            mnu_Dir_ToBMP_Click();
        return;
    }

    // One inspection describes the file, decides the question and serves the release, which
    // reads the very file that was described.
    std::unique_ptr<wxh::WxhObject> crow = NewGuiWxhObject(this);
    crow->KeepCrowFileOpen();
    wxh::Inspection found;
    if (ShowFileInfo(path, *crow, found) &&
        wxh::MsgBox(this, tr("レリーズ（全解凍）する？"), tr("質問"), true) == wxh::kMsgYes)
        ReleaseCurrent(std::move(crow), &found);
}

void frmMain::Image1_Click() {
    frmAbout dlg(Image1 ? Image1->Picture() : QPixmap());
    dlg.setWindowIcon(windowIcon());
    wxh::ExecModal(&dlg);
}

void frmMain::mnu_Help_Ver_Click() {
    Image1_Click();
}

void frmMain::mnu_File_Open_Click() {
    frmConfig dlg(this);
    wxh::ExecModal(&dlg);
}

void frmMain::mnu_View_List_Click() {
    const QString current = CurrentCrowFile();
    if (current == kNoFile) {
        wxh::MsgBox(this, wxh::text::NoCrowFileSelected());
        return;
    }
    wxh::Live().ListCrowFile = current.toStdString();
    frmFileList dlg(this);
    wxh::ExecModal(&dlg);
}

void frmMain::mnu_Dir_Open_Click() {
    wxh::OpenFolder(this, HighlightedFolder());
}

void frmMain::mnu_Dir_Name_Click() {
    mnu_Dir_Open_Click();
}

void frmMain::mnu_Dir_ToBMP_Click() {
    // frmCrow deletes itself when it closes and shows this window again.
    frmCrow::OpenFor(this, HighlightedFolder());
    hide();
}

#include "ui/main/frmMain.h"

#include <QDir>
#include <vector>

#include "common/dest_dir.h"
#include "common/globals.h"
#include "common/paths.h"
#include "crow/WxhObject.h"
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

// The sub-folder a Crow file is released into: its file name (after the last "/") without
// the last "." and what follows; a name without "." is used whole. A name that would leave
// no folder of its own (".bmp", "..bmp", "...bmp" give "", "." and "..", the last one the
// folder above) is used whole as well, so a release never lands outside its sub-folder.
QString SubFolderName(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? name : name.left(dot);
    if (base.isEmpty() || base == QLatin1String(".") || base == QLatin1String("..")) return name;
    return base;
}

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
        wxh::MsgBox(this, QStringLiteral("ファイルが選択されてないよぉ(^_^;)"));
        return;
    }
    const std::string path = current.toStdString();

    int32_t ver = 0, passwordFlag = 0, count = 0;
    std::vector<std::string> names;
    std::vector<int32_t> sizes;
    const int32_t r1 = crow->GetCrowInfo(path, ver, passwordFlag, count, names, sizes);

    std::string destination;
    if (wxh::OneFileNoFolder == 1 && r1 == 0 && count == 1) {
        destination = wxh::AddPathSep(wxh::ExtractFolder);
    } else {
        const std::string sub = SubFolderName(current).toStdString();
        destination = wxh::AddPathSep(wxh::ExtractFolder) + sub + "/";
        // One level only, made and opened relative to ExtractFolder, never through a link;
        // it usually exists already after an earlier release. A failure (a link or a file of
        // that name, a place that cannot be written) shows up as the release's write error.
        wxh::DestDir extract, folder;
        if (extract.Open(wxh::ExtractFolder) && extract.OpenSubFolder(sub, folder)) crow->ReleaseInto(folder.TakeFd());
        else crow->ReleaseInto(-1);
    }

    const int32_t r2 = crow->GetCrowInfo(path, ver, passwordFlag, count, names, sizes);
    if (r2 != 0) {
        wxh::MsgBox(this, r2 == 2 ? QStringLiteral("未知の形式だよぉ～(>_<)")
                                  : QStringLiteral("ファイルが読めませ～ん！"));
        return;
    }

    int32_t r;
    switch (ver) {
    case 3:
        if (passwordFlag != 0) {
            if (AskPassword()) {
                wxh::MsgBox(this, QStringLiteral("キャンセルされました"));
                return;
            }
            r = crow->UnCrow3(path, destination, wxh::CrowPassword);
        } else {
            r = crow->UnCrow3(path, destination, std::string());
        }
        break;
    case 2:
        r = crow->UnCrow2(path, destination);
        break;
    case 1:
        r = crow->UnCrow1(path, destination);
        break;
    default:
        return;
    }

    switch (r) {
    case 0:
        wxh::OpenFolder(this, QString::fromStdString(destination));
        break;
    case -1:
        wxh::MsgBox(this, QStringLiteral("キャンセルされました"));
        break;
    case 1:
        wxh::MsgBox(this, QStringLiteral("未知の形式だよぉ～(>_<)"));
        break;
    case 2:
        wxh::MsgBox(this, QStringLiteral("ファイルの書き込みができなかったよぉ(T_T)"));
        break;
    case 3:
        wxh::MsgBox(this, QStringLiteral("ファイルサイズがおかしいよぉ～(>_<)"));
        break;
    default:
        break;
    }
}

#include "ui/dialogs/frmConfig.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "ui/settings/LiveSettings.h"
#include "ui/commands/Messages.h"
#include "ui/settings/Settings.h"
#include "ui/controls/DirListBox.h"
#include "ui/controls/DriveListBox.h"
#include "ui/controls/twips.h"

using wxh::Tw;
using wxh::TwRect;

frmConfig::frmConfig(QWidget* mainWindow)
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("frmConfig"));
    setWindowTitle(tr("ファイルの解凍先の選択"));
    setFixedSize(Tw(5535), Tw(4440));
    if (mainWindow) setWindowIcon(mainWindow->windowIcon());   // the program's icon

    Label1 = new QLabel(tr("取り出したファイルの復元先フォルダの指定だよ"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(TwRect(120, 120, 5295, 255));

    Drive1 = new wxh::DriveListBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(TwRect(120, 480, 3735, 315));
    Drive1->setToolTip(tr("ドライブの選択"));
    Drive1->setAccessibleName(tr("ドライブ"));

    Dir1 = new wxh::DirListBox(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(TwRect(120, 900, 3735, 2535));
    Dir1->setToolTip(tr("ディレクトリの選択"));
    Dir1->setAccessibleName(tr("ファイルの解凍先"));

    Label2 = new QLabel(tr("オプション："), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(TwRect(120, 3540, 3735, 255));

    ChkFolder = new QCheckBox(tr("ファイルが１つの時はフォルダを生成しない(&F)"), this);
    ChkFolder->setObjectName(QStringLiteral("ChkFolder"));
    ChkFolder->setGeometry(TwRect(240, 3840, 5175, 375));

    CmdOK = new QPushButton(tr("OK(&O)"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setGeometry(TwRect(3975, 900, 1440, 375));
    CmdOK->setDefault(true);

    CmdCancel = new QPushButton(tr("キャンセル(&C)"), this);
    CmdCancel->setObjectName(QStringLiteral("CmdCancel"));
    CmdCancel->setGeometry(TwRect(3975, 1380, 1440, 375));
    CmdCancel->setAutoDefault(false);

    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, ChkFolder);
    setTabOrder(ChkFolder, CmdOK);
    setTabOrder(CmdOK, CmdCancel);

    connect(Drive1, &wxh::DriveListBox::Change, this, &frmConfig::Drive1_Change);
    // clicked: by the user only, not when Form_Load sets the box
    connect(ChkFolder, &QCheckBox::clicked, this, &frmConfig::ChkFolder_Click);
    connect(CmdOK, &QPushButton::clicked, this, &frmConfig::CmdOK_Click);
    connect(CmdCancel, &QPushButton::clicked, this, &frmConfig::CmdCancel_Click);

    Dir1->installEventFilter(this);

    Form_Load();
    Drive1->setFocus();
}

bool frmConfig::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Dir1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (CmdOK->isEnabled()) CmdOK->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool frmConfig::openNearest(const QString& folder) {
    QString p = folder.isEmpty() ? QString() : QDir::cleanPath(QDir(folder).absolutePath());
    while (!p.isEmpty()) {
        if (Dir1->SetPath(p)) return true;
        const QString up = QFileInfo(p).path();
        if (up == p) break;
        p = up;
    }
    return Dir1->SetPath(QDir::homePath()) || Dir1->SetPath(QStringLiteral("/"));
}

void frmConfig::Form_Load() {
    const QString folder = QString::fromStdString(wxh::Live().ExtractFolder);
    // A drive that cannot be read keeps the list's drive; Drive1_Change moves Dir1 when it moves.
    Drive1->SetDrive(folder);
    // ExtractFolder may be gone since it was chosen: the list then opens the nearest folder
    // above it that still exists, so the dialog stays usable.
    openNearest(folder);
    if (Drive1->Drive() != wxh::DriveListBox::DriveOf(Dir1->Path())) {
        restoringDrive_ = true;
        Drive1->SetDrive(Dir1->Path());
        restoringDrive_ = false;
    }
    ChkFolder->setChecked(wxh::Live().OneFileNoFolder == 1);
}

void frmConfig::Drive1_Change() {
    if (restoringDrive_) return;
    const QString root = Drive1->Drive();
    if (Dir1->SetPath(wxh::DriveListBox::CurrentFolderOn(root)) || Dir1->SetPath(root)) return;
    // The drive cannot be read: the drive list goes back to the folder list's drive.
    restoringDrive_ = true;
    Drive1->SetDrive(Dir1->Path());
    restoringDrive_ = false;
}

void frmConfig::ChkFolder_Click() {
    wxh::Live().OneFileNoFolder = ChkFolder->isChecked() ? 1 : 0;
}

void frmConfig::CmdOK_Click() {
    const QString folder = Dir1->Path();
    // The list always has a full path open; an empty or relative one is never stored.
    if (wxh::IsUsableFolder(folder)) {
        if (mainWindow_) mainWindow_->setWindowTitle(wxh::text::ExtractCaption(folder));
        wxh::Live().ExtractFolder = folder.toStdString();
    }
    wxh::Live().OneFileNoFolder = ChkFolder->isChecked() ? 1 : 0;
    accept();
}

void frmConfig::CmdCancel_Click() {
    reject();
}

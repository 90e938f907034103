#include "ui/dialogs/frmCrow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStringList>
#include <memory>
#include <vector>

#include "common/paths.h"
#include "crow/WxhObject.h"
#include "ui/commands/Commands.h"
#include "ui/commands/Messages.h"
#include "ui/commondlg/cCommonDlg.h"
#include "ui/controls/seams.h"
#include "ui/controls/twips.h"
#include "ui/dialogs/GuiWxhObject.h"

using wxh::Tw;
using wxh::TwRect;

namespace {

constexpr int32_t kYes = 6;
constexpr int32_t kNo = 7;

template <typename W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

}  // namespace

frmCrow::frmCrow(QWidget* mainWindow)
    : QWidget(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("frmCrow"));
    setAttribute(Qt::WA_DeleteOnClose, true);
    setWindowTitle(tr("Crowファイルの作成"));
    setFixedSize(Tw(5385), Tw(2985));
    if (mainWindow) setWindowIcon(mainWindow->windowIcon());

    Label1 = Named(new QLabel(tr("クロウファイル化するフォルダのパス："), this), "Label1");
    Label1->setGeometry(TwRect(120, 120, 2895, 255));

    FolderPath = Named(new QLineEdit(this), "FolderPath");
    FolderPath->setGeometry(TwRect(120, 360, 5175, 270));
    FolderPath->setReadOnly(true);
    FolderPath->setText(tr("（フォルダを選択してください）"));
    FolderPath->setAccessibleName(tr("クロウファイル化するフォルダのパス"));
    {
        QPalette pal = FolderPath->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Button));
        FolderPath->setPalette(pal);
    }

    Frame1 = Named(new QGroupBox(tr("モード選択"), this), "Frame1");
    Frame1->setGeometry(TwRect(120, 840, 2535, 1095));

    OptCrow3 = Named(new QRadioButton(QStringLiteral("Crow3 Format(&3)"), Frame1), "OptCrow3");
    OptCrow3->setGeometry(TwRect(120, 240, 2175, 255));
    OptCrow3->setChecked(false);
    OptCrow3->setEnabled(true);   // CRW3 (with or without a password) can be chosen

    OptCrow2 = Named(new QRadioButton(QStringLiteral("Crow2 Format(&2)"), Frame1), "OptCrow2");
    OptCrow2->setGeometry(TwRect(120, 600, 2175, 375));
    OptCrow2->setChecked(true);

    PassLabel = Named(new QLabel(tr("パスワード：(&P)"), this), "PassLabel");
    PassLabel->setGeometry(TwRect(240, 2400, 2415, 255));
    PassLabel->setVisible(false);

    PassBox = Named(new QLineEdit(this), "PassBox");
    PassBox->setGeometry(TwRect(240, 2640, 2415, 270));
    PassBox->setEchoMode(QLineEdit::Normal);   // shown as typed
    PassBox->setMaxLength(32767);              // QLineEdit's own ceiling; no limit of ours
    {
        QPalette pal = PassBox->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Light));
        PassBox->setPalette(pal);
    }
    PassBox->setVisible(false);
    PassLabel->setBuddy(PassBox);
    PassBox->setAccessibleName(tr("パスワード"));

    CreateCrowFile = Named(new QPushButton(tr("Crowファイルの作成(&M)"), this), "CreateCrowFile");
    CreateCrowFile->setGeometry(TwRect(2880, 2400, 2415, 495));
    CreateCrowFile->setAutoDefault(false);

    ChkPass = Named(new QCheckBox(tr("パスワード付き(&E)"), this), "ChkPass");
    ChkPass->setGeometry(TwRect(120, 2040, 2415, 255));
    ChkPass->setChecked(false);
    ChkPass->setEnabled(false);

    FileCount = Named(new QLabel(tr("総ファイル数： 0個"), this), "FileCount");
    FileCount->setGeometry(TwRect(2880, 1080, 2415, 255));

    Label4 = Named(new QLabel(tr("＜　フォルダ情報　＞"), this), "Label4");
    Label4->setGeometry(TwRect(2760, 840, 2175, 255));

    FolderFile = Named(new QListWidget(this), "FolderFile");
    FolderFile->setGeometry(TwRect(2880, 1320, 2415, 960));
    FolderFile->setSortingEnabled(false);
    FolderFile->setAccessibleName(tr("フォルダのファイル"));

    // Tab order: FolderPath, OptCrow3, OptCrow2, ChkPass, PassBox, CreateCrowFile, FolderFile.
    // The password field comes right after the box that shows it, so that Tab reaches it as
    // soon as it appears.
    setTabOrder(FolderPath, OptCrow3);
    setTabOrder(OptCrow3, OptCrow2);
    setTabOrder(OptCrow2, ChkPass);
    setTabOrder(ChkPass, PassBox);
    setTabOrder(PassBox, CreateCrowFile);
    setTabOrder(CreateCrowFile, FolderFile);

    // Connected after the initial texts are in place: nothing runs on loading.
    connect(FolderPath, &QLineEdit::textChanged, this, &frmCrow::FolderPath_Change);
    connect(OptCrow2, &QRadioButton::clicked, this, &frmCrow::OptCrow2_Click);
    connect(OptCrow3, &QRadioButton::clicked, this, &frmCrow::OptCrow3_Click);
    connect(ChkPass, &QCheckBox::clicked, this, &frmCrow::ChkPass_Click);
    connect(CreateCrowFile, &QPushButton::clicked, this, &frmCrow::CreateCrowFile_Click);
}

frmCrow* frmCrow::OpenFor(QWidget* mainWindow, const QString& folder, const QString& saveStartFolder) {
    // The dialog deletes itself when it closes.
    auto* crow = new frmCrow(mainWindow);
    crow->saveStartFolder_ = saveStartFolder;
    crow->FolderPath->setText(QString::fromStdString(wxh::AddPathSep(folder.toStdString())));
    crow->show();
    return crow;
}

frmCrow::~frmCrow() {
    // A dialog destroyed without being closed still gives the main window back.
    if (!unloaded_ && !QCoreApplication::closingDown()) Form_Unload();
}

void frmCrow::FolderPath_Change() {
    const QString folder = FolderPath->text();
    int32_t count = 0;
    if (!folder.isEmpty()) {
        // Every file, hidden and special ones included, no folders; in the order the file
        // system gives them. The list is added to, not cleared.
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            FolderFile->addItem(it.fileName());
            ++count;
        }
    }
    FileCount->setText(tr("総ファイル数: %1個").arg(count));
    if (count == 0) {
        wxh::MsgBox(this, wxh::text::NoFilesInFolder());
        CreateCrowFile->setEnabled(false);
    }
}

void frmCrow::OptCrow2_Click() {
    OptCrow2->setChecked(true);
    ChkPass->setEnabled(false);
    PassBox->setVisible(false);
    PassLabel->setVisible(false);
}

void frmCrow::OptCrow3_Click() {
    OptCrow3->setChecked(true);
    ChkPass->setEnabled(true);
    const bool ticked = ChkPass->checkState() == Qt::Checked;
    PassBox->setVisible(ticked);
    PassLabel->setVisible(ticked);
}

void frmCrow::ChkPass_Click() {
    const bool ticked = ChkPass->checkState() == Qt::Checked;
    PassBox->setVisible(ticked);
    PassLabel->setVisible(ticked);
}

QString frmCrow::ChooseCrowFile() {
    cCommonDlg dlg;
    dlg.Form(this);
    dlg.CancelError(true);
    dlg.DialogTitle(tr("作成するビットマップファイル"));
    dlg.Filter(tr("ビットマップファイル(*.bmp)|*.bmp"));
    if (!saveStartFolder_.isEmpty()) dlg.InitDir(saveStartFolder_);
    dlg.ShowSave();
    if (dlg.CancelButton()) {
        // A dialog that failed (rather than being cancelled) says why.
        if (dlg.ErrNumber() != 0) wxh::MsgBox(this, dlg.ErrDescription());
        return QString();
    }
    return dlg.FileName();
}

int32_t frmCrow::ConfirmOverwrite(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir()) return kYes;
    if (info.size() <= 0) return 0;
    const int answer = wxh::MsgBox(this, wxh::text::OverwriteQuestion(path), wxh::text::OverwriteTitle(), true);
    return answer == wxh::kMsgYes ? kYes : kNo;
}

bool frmCrow::ConfirmChangedNames() {
    const std::vector<wxh::ChangedName> changed = wxh::ChangedStoredNames(FolderPath->text());
    if (changed.empty()) return true;
    constexpr size_t kShown = 5;
    QStringList lines;
    for (size_t i = 0; i < changed.size() && i < kShown; ++i)
        lines << changed[i].disk + QStringLiteral(" → ") + changed[i].stored;
    const QString question = wxh::text::StoredNamesChangedQuestion(lines, static_cast<qsizetype>(changed.size()));
    return wxh::MsgBox(this, question, wxh::text::StoredNamesChangedTitle(), true) == wxh::kMsgYes;
}

void frmCrow::CreateCrowFile_Click() {
    const QString saveFileName = ChooseCrowFile();
    if (saveFileName.isEmpty()) return;
    if (ConfirmOverwrite(saveFileName) == kNo) {
        wxh::MsgBox(this, wxh::text::Cancelled());
        return;
    }
    if (!ConfirmChangedNames()) return;   // back to the dialog, to rename the files first

    setEnabled(false);
    // The controls as they are now decide the format; the folder is read afresh.
    const wxh::CrowMode mode = !OptCrow3->isChecked()                 ? wxh::CrowMode::Crow2
                               : ChkPass->checkState() == Qt::Checked ? wxh::CrowMode::Crow3WithPassword
                                                                      : wxh::CrowMode::Crow3;
    std::unique_ptr<wxh::WxhObject> writer;
    const QString message = wxh::CreateCrowFile(
        mode, FolderPath->text(), saveFileName, PassBox->text(), [this] { return NewGuiWxhObject(this); }, writer);
    wxh::MsgBox(this, message);

    setEnabled(true);
    writer.reset();
    close();
}

void frmCrow::Form_Unload() {
    unloaded_ = true;
    if (mainWindow_) mainWindow_->show();
}

void frmCrow::closeEvent(QCloseEvent* event) {
    // While the writer runs the window is disabled and cannot be closed.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmCrow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (centred_) return;
    centred_ = true;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (mainWindow_ && mainWindow_->screen()) screen = mainWindow_->screen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

#include "ui/main/frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QLinearGradient>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QSignalBlocker>
#include <QtMath>

#include <algorithm>
#include <vector>

#include "ui/settings/LiveSettings.h"
#include "common/paths.h"
#include "ui/picture/PictureLoader.h"
#include "ui/controls/seams.h"
#include "ui/controls/twips.h"
#include "ui/dialogs/GuiWxhObject.h"
#include "ui/main/ProgramIcon.h"
#include "ui/settings/Settings.h"
#include "ui/commands/Descriptions.h"
#include "ui/commands/Messages.h"

using wxh::Tw;
using wxh::TwRect;

const QString frmMain::kNoFile = QStringLiteral("ファイル未選択");

namespace {

const QString kPatternBmp = QStringLiteral("*.bmp;*.BMP");
const QString kPatternPic = QStringLiteral("*.bmp;*.BMP;*.jpg;*.jpeg;*.gif;*.GIF;*.wmf;*.ico;*.cur");
const QString kPatternAll = QStringLiteral("*.*");

// Doubles "&" so that a path shows as it is in a menu caption.
QString menuText(const QString& text) {
    QString t = text;
    return t.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

frmMain::frmMain(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                              Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QStringLiteral("W.X.Hollin"));
    setWindowIcon(wxh::ProgramIcon());
    buildControls();
    buildMenus();
    // Fixed size: client area 6390 x 3630 twips below the menu bar.
    adjustSize();
    setFixedSize(Tw(6390), Tw(3630) + menuBar()->sizeHint().height());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::buildControls() {
    auto* client = new QWidget(this);
    client->setFixedSize(Tw(6390), Tw(3630));
    setCentralWidget(client);

    DriveList = new wxh::DriveListBox(client);
    DriveList->setObjectName(QStringLiteral("DriveList"));
    DriveList->setGeometry(TwRect(0, 0, 2415, 300));
    DriveList->setToolTip(tr("ドライブを選択してね"));
    DriveList->setAccessibleName(tr("ドライブ"));

    DirList = new wxh::DirListBox(client);
    DirList->setObjectName(QStringLiteral("DirList"));
    DirList->setGeometry(TwRect(0, 360, 2415, 3240));
    DirList->setToolTip(tr("ディレクトリを選択して、右クリックでCrowファイルが作れるよ"));
    DirList->setAccessibleName(tr("フォルダ"));

    FileList = new wxh::FileListBox(client);
    FileList->setObjectName(QStringLiteral("FileList"));
    FileList->setGeometry(TwRect(2520, 0, 2295, 1890));
    FileList->setToolTip(tr("ファイルを選択してねぇ"));
    FileList->setAccessibleName(tr("ファイル"));
    FileList->SetPattern(kPatternBmp);

    FileView = new wxh::PictureBox(client);
    FileView->setObjectName(QStringLiteral("FileView"));
    FileView->setGeometry(TwRect(2520, 1920, 3855, 1695));
    FileView->setToolTip(tr("ダブルクリックでレリ－ズ！！"));
    FileView->setFocusPolicy(Qt::StrongFocus);
    FileView->setAccessibleName(tr("プレビュー"));
    QFont viewFont(QStringLiteral("IPAPGothic"));
    for (int px = 12; px >= 8; --px) {   // the largest size at which nine rows fit the panel
        viewFont.setPixelSize(px);
        if (9 * QFontMetrics(viewFont).height() <= FileView->height()) break;
    }
    FileView->setFont(viewFont);
    QPalette viewPalette = FileView->palette();
    viewPalette.setColor(QPalette::WindowText, Qt::black);
    FileView->setPalette(viewPalette);
    FileView->SetBackColor(Qt::white);

    PicImage = new wxh::ImageBox(FileView);
    PicImage->setObjectName(QStringLiteral("PicImage"));
    PicImage->setGeometry(TwRect(0, 0, 1695, 1650));
    PicImage->installEventFilter(this);   // the shown picture takes no clicks
    PicImage->setAccessibleName(tr("画像"));
    PicImage->hide();

    Image1 = new wxh::ImageBox(client);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(TwRect(4800, 0, 1605, 1905));
    Image1->setToolTip(tr("何でもドロップＯＫ！！"));
    Image1->setAccessibleName(tr("ここにファイルをドロップ"));
    Image1->SetPicture(DropPicture());
    Image1->SetAcceptFileDrops(true);

    setTabOrder(DriveList, DirList);
    setTabOrder(DirList, FileList);
    setTabOrder(FileList, FileView);
    // Shift+F10 and the Menu key open the context menus of the lists and the panel.
    for (QWidget* control : {static_cast<QWidget*>(DirList), static_cast<QWidget*>(FileList),
                             static_cast<QWidget*>(FileView)})
        control->installEventFilter(this);

    connect(DriveList, &wxh::DriveListBox::Change, this, &frmMain::DriveList_Change);
    connect(DirList, &wxh::DirListBox::Change, this, &frmMain::DirList_Change);
    connect(DirList, &wxh::DirListBox::MouseDown, this, &frmMain::DirList_MouseDown);
    connect(FileList, &wxh::FileListBox::Click, this, &frmMain::FileList_Click);
    connect(FileList, &wxh::FileListBox::MouseDown, this, &frmMain::FileList_MouseDown);
    connect(FileView, &wxh::PictureBox::MouseDown, this, &frmMain::FileView_MouseDown);
    connect(FileView, &wxh::PictureBox::DblClick, this, &frmMain::FileView_DblClick);
    // The drop is answered at once and handled right after it: a release with its questions
    // must not keep the program the files were dragged from waiting for the drop to end.
    connect(Image1, &wxh::ImageBox::Dropped, this, &frmMain::Image1_OLEDragDrop, Qt::QueuedConnection);
    connect(Image1, &wxh::ImageBox::Clicked, this, &frmMain::Image1_Click);
}

void frmMain::buildMenus() {
    QMenuBar* bar = menuBar();
    auto separator = [](QMenu* menu, const char* name) {
        QAction* a = menu->addSeparator();
        a->setObjectName(QLatin1String(name));
        return a;
    };
    auto item = [this](QMenu* menu, const char* name, const QString& caption, void (frmMain::*slot)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        if (slot) connect(a, &QAction::triggered, this, slot);
        return a;
    };

    mnu_File = bar->addMenu(tr("ファイル(&F)"));
    mnu_File->setObjectName(QStringLiteral("mnu_File"));
    mnu_File_Open = item(mnu_File, "mnu_File_Open", tr("設定...(&S)"), &frmMain::mnu_File_Open_Click);
    mnu_Sep1 = separator(mnu_File, "mnu_Sep1");
    mnu_File_End = item(mnu_File, "mnu_File_End", tr("終了(&E)"), &frmMain::mnu_File_End_Click);

    mnu_Display = bar->addMenu(tr("表示(&D)"));
    mnu_Display->setObjectName(QStringLiteral("mnu_Display"));
    mnu_Display_FileList = mnu_Display->addMenu(tr("ファイルリスト(&F)"));
    mnu_Display_FileList->setObjectName(QStringLiteral("mnu_Display_FileList"));
    mnu_Display_FileList_Filter = mnu_Display_FileList->addMenu(tr("表示フィルタ(&F)"));
    mnu_Display_FileList_Filter->setObjectName(QStringLiteral("mnu_Display_FileList_Filter"));
    mnu_Display_FileList_Filter_Bmp = item(mnu_Display_FileList_Filter, "mnu_Display_FileList_Filter_Bmp",
                                           tr("ビットマップ(*.bmp) (&B)"),
                                           &frmMain::mnu_Display_FileList_Filter_Bmp_Click);
    mnu_Display_FileList_Filter_Pic = item(mnu_Display_FileList_Filter, "mnu_Display_FileList_Filter_Pic",
                                           tr("全ての画像ファイル(&P)"),
                                           &frmMain::mnu_Display_FileList_Filter_Pic_Click);
    mnu_Display_FileList_Filter_All = item(mnu_Display_FileList_Filter, "mnu_Display_FileList_Filter_All",
                                           tr("全てのファイル(&A)"),
                                           &frmMain::mnu_Display_FileList_Filter_All_Click);
    for (QAction* a : {mnu_Display_FileList_Filter_Bmp, mnu_Display_FileList_Filter_Pic, mnu_Display_FileList_Filter_All})
        a->setCheckable(true);
    mnu_Display_FileList_Filter_Bmp->setChecked(true);

    mnu_Help = bar->addMenu(tr("ヘルプ(&H)"));
    mnu_Help->setObjectName(QStringLiteral("mnu_Help"));
    mnu_Help_Topic = item(mnu_Help, "mnu_Help_Topic", tr("目次...(&T)"), nullptr);
    mnu_Help_Topic->setEnabled(false);
    mnu_Sep2 = separator(mnu_Help, "mnu_Sep2");
    mnu_Help_Ver = item(mnu_Help, "mnu_Help_Ver", tr("バージョン情報(&V)"), &frmMain::mnu_Help_Ver_Click);

    // The two hidden menus: context menus of FileView and DirList, not on the menu bar.
    mnu_View = new QMenu(tr("View右クリック"), this);
    mnu_View->setObjectName(QStringLiteral("mnu_View"));
    mnu_View_CrowFile = item(mnu_View, "mnu_View_CrowFile", wxh::text::NoFileCaption(), nullptr);
    mnu_View_CrowFile->setData(kNoFile);
    Sep5 = separator(mnu_View, "Sep5");
    mnu_View_Relese = item(mnu_View, "mnu_View_Relese", tr("　レリーズ（全て解凍） (&R)"),
                           &frmMain::mnu_View_Relese_Click);
    mnu_View_List = item(mnu_View, "mnu_View_List", tr("　ファイルリスト(&L)"), &frmMain::mnu_View_List_Click);

    mnu_Dir = new QMenu(tr("DirList右クリック"), this);
    mnu_Dir->setObjectName(QStringLiteral("mnu_Dir"));
    mnu_Dir_Name = item(mnu_Dir, "mnu_Dir_Name", QStringLiteral("DirName"), &frmMain::mnu_Dir_Name_Click);
    Sep3 = separator(mnu_Dir, "Sep3");
    mnu_Dir_ToBMP = item(mnu_Dir, "mnu_Dir_ToBMP", tr("　Crowファイル作成(BMP化) (&C)"),
                         &frmMain::mnu_Dir_ToBMP_Click);
    Sep4 = separator(mnu_Dir, "Sep4");
    mnu_Dir_Open = item(mnu_Dir, "mnu_Dir_Open", tr("　フォルダを開く(&O)"), &frmMain::mnu_Dir_Open_Click);
    mnu_Dir_Prop = item(mnu_Dir, "mnu_Dir_Prop", tr("　プロパティ(&P)"), nullptr);
    mnu_Dir_Prop->setVisible(false);
}

// ---------------------------------------------------------------------------------------
// Where the settings live

bool frmMain::IsInstalledLocation(const QString& folder) { return wxh::IsInstalledLocation(folder); }
QString frmMain::ProgramFolder() { return wxh::ProgramFolder(); }
QString frmMain::SettingsFilePath() { return wxh::SettingsFilePath(); }

void frmMain::SetLocationsForTesting(const QString& settingsFile, const QString& programFolder) {
    wxh::SetSettingsLocationsForTesting(settingsFile, programFolder);
}

// ---------------------------------------------------------------------------------------
// Start-up and shutdown

QString frmMain::ExtractCaption(const QString& extractFolder) {
    return wxh::text::ExtractCaption(extractFolder);
}

void frmMain::SetExtractCaption() {
    setWindowTitle(ExtractCaption(QString::fromStdString(wxh::Live().ExtractFolder)));
}

QStringList frmMain::UsageText() {
    return {
        tr(" ＜ファイルプレビューウインドウ＞"),
        tr(" 　ここにファイルの情報を表示します。"),
        QString(),
        tr(" 「　Ｗ．Ｘ．Ｈｏｌｌｉｎの使い方　」"),
        tr(" 　　フォルダを移動してクロウファイル"),
        tr(" 　　（ＢＭＰ化されたファイル）を選択するか、"),
        tr(" 　　右上の画像にファイルをドロップし"),
        tr(" 　　このViewをダブルクリックします。"),
    };
}

void frmMain::drawUsageText() {
    for (const QString& line : UsageText()) FileView->Print(line);
}

void frmMain::Form_Load() {
    bool ok = false;
    if (const std::optional<wxh::Settings> settings = wxh::Settings::Load(SettingsFilePath())) {
        wxh::Live().ExtractFolder = settings->extractFolder.toStdString();
        wxh::Live().OneFileNoFolder = settings->oneFileNoFolder;
        SetExtractCaption();
        if (DriveList->SetDrive(settings->startFolder) && DirList->SetPath(settings->startFolder)) {
            applyFilter(settings->filter);
            ok = true;
        }
    }
    if (!ok) {
        const wxh::Settings defaults = wxh::Settings::Defaults(ProgramFolder());
        wxh::Live().ExtractFolder = defaults.extractFolder.toStdString();
        SetExtractCaption();
        DriveList->SetDrive(defaults.startFolder);
        DirList->SetPath(defaults.startFolder);
        applyFilter(defaults.filter);
        wxh::Live().OneFileNoFolder = defaults.oneFileNoFolder;
    }
    FileList->SetPath(DirList->Path());   // also when the folder did not change
    drawUsageText();
}

void frmMain::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    wxh::Settings settings;
    settings.extractFolder = QString::fromStdString(wxh::Live().ExtractFolder);
    settings.startFolder = DirList->Path();
    settings.filter = mnu_Display_FileList_Filter_All->isChecked()   ? wxh::FileFilter::All
                      : mnu_Display_FileList_Filter_Pic->isChecked() ? wxh::FileFilter::Pic
                                                                     : wxh::FileFilter::Bmp;
    settings.oneFileNoFolder = wxh::Live().OneFileNoFolder;
    settings.Save(SettingsFilePath());   // when it cannot be written, the settings of this run are lost
}

void frmMain::mnu_File_End_Click() {
    close();
    QApplication::closeAllWindows();
    QCoreApplication::exit(0);
}

void frmMain::closeEvent(QCloseEvent* event) {
    // While a release runs the window is disabled: the close box must not end the program
    // (and write the settings) under it.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmMain::ContextMenuFromKeyboard(QWidget* control) {
    // The menu opens at the focused entry of a list (the first row when none), or at the
    // panel's first line: where the right mouse button would open it.
    QPoint at(Tw(120), Tw(120));
    QWidget* surface = control;
    if (auto* list = qobject_cast<QListWidget*>(control)) {
        surface = list->viewport();
        QListWidgetItem* item = list->currentItem() ? list->currentItem() : list->item(0);
        if (item) {
            const QRect row = list->visualItemRect(item);
            at = QPoint(row.left() + row.height(), row.center().y());
        }
    }
    const QPoint global = surface->mapToGlobal(at);
    if (control == FileList) FileList_MouseDown(Qt::RightButton, global);
    else if (control == DirList) DirList_MouseDown(Qt::RightButton, global);
    else if (control == FileView) FileView_MouseDown(Qt::RightButton, global);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FileList || watched == DirList || watched == FileView) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Menu ||
                (key->key() == Qt::Key_F10 && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier)) {
                ContextMenuFromKeyboard(static_cast<QWidget*>(watched));
                return true;
            }
        } else if (event->type() == QEvent::ContextMenu &&
                   static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
            return true;   // some window systems send this beside the Menu key: the key opened it
        }
    }
    if (watched == PicImage) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::ContextMenu:
            return true;   // a shown picture handles no clicks and opens no menu
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------
// Browsing

void frmMain::DriveList_Change() {
    const QString drive = DriveList->Drive();
    if (DirList->SetPath(wxh::DriveListBox::CurrentFolderOn(drive))) return;
    // The drive cannot be read now: keep the previous drive and folder.
    QSignalBlocker block(DriveList);
    DriveList->SetDrive(DirList->Path());
}

void frmMain::DirList_Change() { FileList->SetPath(DirList->Path()); }

void frmMain::FileList_Click() {
    const QString name = FileList->FileName();
    if (name.isEmpty()) return;
    ShowFileInfo(QString::fromStdString(wxh::AddPathSep(DirList->Path().toStdString())) + name);
}

void frmMain::FileList_MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
    if (button == Qt::RightButton) wxh::PopupMenu(mnu_Display_FileList_Filter, globalPos);
}

void frmMain::DirList_MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
    if (button != Qt::RightButton) return;
    mnu_Dir_Name->setText(menuText(tr("フォルダ> %1").arg(DirList->HighlightedPath())));
    wxh::PopupMenu(mnu_Dir, globalPos);
}

void frmMain::FileView_MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
    if (button == Qt::RightButton) wxh::PopupMenu(mnu_View, globalPos);
}

void frmMain::FileView_DblClick() { mnu_View_Relese_Click(); }

void frmMain::applyFilter(QAction* checked, const QString& pattern) {
    for (QAction* a : {mnu_Display_FileList_Filter_Bmp, mnu_Display_FileList_Filter_Pic, mnu_Display_FileList_Filter_All})
        a->setChecked(a == checked);
    FileList->SetPattern(pattern);
}

void frmMain::applyFilter(wxh::FileFilter filter) {
    switch (filter) {
    case wxh::FileFilter::All: mnu_Display_FileList_Filter_All_Click(); break;
    case wxh::FileFilter::Pic: mnu_Display_FileList_Filter_Pic_Click(); break;
    default: mnu_Display_FileList_Filter_Bmp_Click(); break;
    }
}

void frmMain::mnu_Display_FileList_Filter_Bmp_Click() { applyFilter(mnu_Display_FileList_Filter_Bmp, kPatternBmp); }
void frmMain::mnu_Display_FileList_Filter_Pic_Click() { applyFilter(mnu_Display_FileList_Filter_Pic, kPatternPic); }
void frmMain::mnu_Display_FileList_Filter_All_Click() { applyFilter(mnu_Display_FileList_Filter_All, kPatternAll); }

QString frmMain::CurrentCrowFile() const {
    const QVariant data = mnu_View_CrowFile->data();
    return data.isValid() ? data.toString() : mnu_View_CrowFile->text();
}

void frmMain::SetCurrentCrowFile(const QString& pathOrNone) {
    mnu_View_CrowFile->setData(pathOrNone);
    mnu_View_CrowFile->setText(pathOrNone == kNoFile ? wxh::text::NoFileCaption() : menuText(pathOrNone));
}

QString frmMain::HighlightedFolder() const { return DirList->HighlightedPath(); }

bool frmMain::SelectFolder(const QString& folder) {
    if (!DriveList->SetDrive(folder)) return false;
    if (!DirList->SetPath(folder)) return false;
    DirList->Highlight(DirList->Path());
    return true;
}

bool frmMain::BrowseTo(const QString& fileOrFolder) {
    const QFileInfo info(fileOrFolder);
    if (info.isDir()) return SelectFolder(info.absoluteFilePath());
    if (!info.isFile() || !SelectFolder(info.absolutePath())) return false;
    const QString name = info.fileName();
    if (!wxh::FileListBox::MatchesPattern(name, FileList->Pattern())) {
        if (wxh::FileListBox::MatchesPattern(name, kPatternPic)) mnu_Display_FileList_Filter_Pic_Click();
        else mnu_Display_FileList_Filter_All_Click();
    }
    // A hidden file is never listed: shown all the same.
    if (!FileList->SelectFile(name)) ShowFileInfo(info.absoluteFilePath());
    return true;
}

bool frmMain::ShowFileInfo(const QString& path) {
    wxh::Inspection found;
    return ShowFileInfo(path, *NewGuiWxhObject(this), found);
}

bool frmMain::ShowFileInfo(const QString& path, wxh::WxhObject& crow, wxh::Inspection& found) {
    int32_t format = 0, passwordFlag = 0, count = 0;
    std::vector<std::string> names;
    std::vector<int32_t> sizes;
    const int32_t result = crow.GetCrowInfo(path.toStdString(), format, passwordFlag, count, names, sizes);
    if (result != 0) {
        QPixmap picture = wxh::LoadPicturePixmap(path);
        if (picture.isNull()) return false;   // neither a Crow file nor a picture: nothing changes
        const QSize box = PicImage->size();
        if (picture.width() > box.width() || picture.height() > box.height())
            picture = picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        FileView->Cls();
        PicImage->SetPicture(picture);
        PicImage->show();
        PicImage->setToolTip(path);
        PicImage->setAccessibleDescription(path);
        SetCurrentCrowFile(kNoFile);
        return false;
    }
    PicImage->SetPicture(QPixmap());
    PicImage->hide();
    FileView->Cls();
    SetCurrentCrowFile(path);
    found = {format, passwordFlag, count};
    const wxh::CrowInfo info{format, passwordFlag, count, std::move(names), std::move(sizes)};
    for (const QString& line : wxh::PreviewLines(path, QFileInfo(path).size(), info)) FileView->Print(line);
    return true;
}

// ---------------------------------------------------------------------------------------
// The picture of Image1: a folder with a down arrow, drawn here, inviting a drop.

QPixmap frmMain::DropPicture() { return DropPicture(qApp ? qApp->devicePixelRatio() : 1.0); }

// Drawn for the screen's pixel ratio, so that it is sharp on a scaled screen instead of a
// small bitmap blown up.
QPixmap frmMain::DropPicture(qreal devicePixelRatio) {
    const qreal dpr = std::clamp(devicePixelRatio, 1.0, 8.0);
    static QPixmap picture;
    if (!picture.isNull() && picture.devicePixelRatio() == dpr) return picture;
    const int w = Tw(1605), h = Tw(1905);
    QImage image(QSize(qCeil(w * dpr), qCeil(h * dpr)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(0x2B, 0x4C, 0x7E));
    sky.setColorAt(1, QColor(0x56, 0x7E, 0xB9));
    p.fillRect(QRectF(0, 0, w, h), sky);
    // A dashed drop zone.
    p.setPen(QPen(QColor(255, 255, 255, 200), 2, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(5, 5, w - 10, h - 10), 8, 8);
    // A folder.
    const QRectF folder(w * 0.2, h * 0.48, w * 0.6, h * 0.3);
    QPainterPath tab;
    tab.addRoundedRect(QRectF(folder.left(), folder.top() - h * 0.05, folder.width() * 0.42, h * 0.08), 3, 3);
    p.setPen(QPen(QColor(0x8A, 0x5A, 0x00), 1.5));
    p.setBrush(QColor(0xF2, 0xC1, 0x4E));
    p.drawPath(tab);
    p.drawRoundedRect(folder, 4, 4);
    // The arrow falling into it.
    QPainterPath arrow;
    const double cx = w / 2.0;
    arrow.moveTo(cx - 9, h * 0.14);
    arrow.lineTo(cx + 9, h * 0.14);
    arrow.lineTo(cx + 9, h * 0.30);
    arrow.lineTo(cx + 20, h * 0.30);
    arrow.lineTo(cx, h * 0.45);
    arrow.lineTo(cx - 20, h * 0.30);
    arrow.lineTo(cx - 9, h * 0.30);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0x8B, 0x0A, 0x1A), 1.5));
    p.setBrush(QColor(0xE8, 0x3A, 0x4C));
    p.drawPath(arrow);
    // A caption.
    QFont f(QStringLiteral("IPAPGothic"));
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, h * 0.80, w, h * 0.16), Qt::AlignCenter, QStringLiteral("DROP!"));
    p.end();
    picture = QPixmap::fromImage(image);
    return picture;
}

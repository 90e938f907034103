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
#include <QSaveFile>
#include <QScreen>
#include <QSignalBlocker>
#include <QStandardPaths>

#include <algorithm>
#include <vector>

#include "common/globals.h"
#include "common/paths.h"
#include "ui/picture/PictureLoader.h"
#include "ui/controls/seams.h"
#include "ui/controls/twips.h"
#include "ui/dialogs/GuiWxhObject.h"
#include "ui/main/ProgramIcon.h"
#include "ui/controls/SizeText.h"

using wxh::Tw;
using wxh::TwRect;

const QString frmMain::kNoFile = QStringLiteral("ファイル未選択");

namespace {

const QString kSettingsName = QStringLiteral("WX_HOLLIN.ini");
const QString kSettingsLine1 = QStringLiteral("WX_HOLLIN Ver 1.0　設定ファイル");
const QString kPatternBmp = QStringLiteral("*.bmp;*.BMP");
const QString kPatternPic = QStringLiteral("*.bmp;*.BMP;*.jpg;*.jpeg;*.gif;*.GIF;*.wmf;*.ico;*.cur");
const QString kPatternAll = QStringLiteral("*.*");
constexpr qint64 kMaxSettingsBytes = 1 << 20;

QString& settingsOverride() { static QString s; return s; }
QString& programFolderOverride() { static QString s; return s; }

QString executableFolder() {
    const QString dir = QCoreApplication::applicationDirPath();
    return dir.isEmpty() ? QDir::currentPath() : dir;
}

}  // namespace

// Places where installed software lives. A program started from one of them keeps its
// settings in the user's configuration folder even when the folder happens to be writable
// (as /usr/bin is for root), so that it never writes beside system files.
bool frmMain::IsInstalledLocation(const QString& folder) {
    const QString path = QFileInfo(folder).canonicalFilePath();
    if (path.isEmpty()) return false;
    const QString localBin = QDir::homePath() + QStringLiteral("/.local");
    for (const QString& root : {QStringLiteral("/usr"), QStringLiteral("/opt"), QStringLiteral("/bin"),
                                QStringLiteral("/sbin"), localBin}) {
        if (path == root || path.startsWith(root + QLatin1Char('/'))) return true;
    }
    return false;
}

namespace {

// The executable's folder serves as the program's folder (settings, default release folder)
// only for a copy that runs on its own: a writable folder outside the installed places.
// Empty when it does not serve.
QString portableFolder() {
    const QString exe = executableFolder();
    const QFileInfo info(exe);
    return info.isDir() && info.isWritable() && !frmMain::IsInstalledLocation(exe) ? exe : QString();
}

// A decimal integer as the settings file stores it: optional blanks and sign, digits.
bool parseInteger(const QString& text, qint64 low, qint64 high, qint64& value) {
    const QString t = text.trimmed();
    bool ok = false;
    const qint64 v = t.toLongLong(&ok, 10);
    if (!ok || v < low || v > high) return false;
    value = v;
    return true;
}

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
    DriveList->setToolTip(QStringLiteral("ドライブを選択してね"));

    DirList = new wxh::DirListBox(client);
    DirList->setObjectName(QStringLiteral("DirList"));
    DirList->setGeometry(TwRect(0, 360, 2415, 3240));
    DirList->setToolTip(QStringLiteral("ディレクトリを選択して、右クリックでCrowファイルが作れるよ"));

    FileList = new wxh::FileListBox(client);
    FileList->setObjectName(QStringLiteral("FileList"));
    FileList->setGeometry(TwRect(2520, 0, 2295, 1890));
    FileList->setToolTip(QStringLiteral("ファイルを選択してねぇ"));
    FileList->SetPattern(kPatternBmp);

    FileView = new wxh::PictureBox(client);
    FileView->setObjectName(QStringLiteral("FileView"));
    FileView->setGeometry(TwRect(2520, 1920, 3855, 1695));
    FileView->setToolTip(QStringLiteral("ダブルクリックでレリ－ズ！！"));
    FileView->setFocusPolicy(Qt::StrongFocus);
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
    PicImage->hide();

    Image1 = new wxh::ImageBox(client);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(TwRect(4800, 0, 1605, 1905));
    Image1->setToolTip(QStringLiteral("何でもドロップＯＫ！！"));
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

    mnu_File = bar->addMenu(QStringLiteral("ファイル(&F)"));
    mnu_File->setObjectName(QStringLiteral("mnu_File"));
    mnu_File_Open = item(mnu_File, "mnu_File_Open", QStringLiteral("設定...(&S)"), &frmMain::mnu_File_Open_Click);
    mnu_Sep1 = separator(mnu_File, "mnu_Sep1");
    mnu_File_End = item(mnu_File, "mnu_File_End", QStringLiteral("終了(&E)"), &frmMain::mnu_File_End_Click);

    mnu_Display = bar->addMenu(QStringLiteral("表示(&D)"));
    mnu_Display->setObjectName(QStringLiteral("mnu_Display"));
    mnu_Display_FileList = mnu_Display->addMenu(QStringLiteral("ファイルリスト(&F)"));
    mnu_Display_FileList->setObjectName(QStringLiteral("mnu_Display_FileList"));
    mnu_Display_FileList_Filter = mnu_Display_FileList->addMenu(QStringLiteral("表示フィルタ(&F)"));
    mnu_Display_FileList_Filter->setObjectName(QStringLiteral("mnu_Display_FileList_Filter"));
    mnu_Display_FileList_Filter_Bmp = item(mnu_Display_FileList_Filter, "mnu_Display_FileList_Filter_Bmp",
                                           QStringLiteral("ビットマップ(*.bmp) (&B)"),
                                           &frmMain::mnu_Display_FileList_Filter_Bmp_Click);
    mnu_Display_FileList_Filter_Pic = item(mnu_Display_FileList_Filter, "mnu_Display_FileList_Filter_Pic",
                                           QStringLiteral("全ての画像ファイル(&P)"),
                                           &frmMain::mnu_Display_FileList_Filter_Pic_Click);
    mnu_Display_FileList_Filter_All = item(mnu_Display_FileList_Filter, "mnu_Display_FileList_Filter_All",
                                           QStringLiteral("全てのファイル(&A)"),
                                           &frmMain::mnu_Display_FileList_Filter_All_Click);
    for (QAction* a : {mnu_Display_FileList_Filter_Bmp, mnu_Display_FileList_Filter_Pic, mnu_Display_FileList_Filter_All})
        a->setCheckable(true);
    mnu_Display_FileList_Filter_Bmp->setChecked(true);

    mnu_Help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    mnu_Help->setObjectName(QStringLiteral("mnu_Help"));
    mnu_Help_Topic = item(mnu_Help, "mnu_Help_Topic", QStringLiteral("目次...(&T)"), nullptr);
    mnu_Help_Topic->setEnabled(false);
    mnu_Sep2 = separator(mnu_Help, "mnu_Sep2");
    mnu_Help_Ver = item(mnu_Help, "mnu_Help_Ver", QStringLiteral("バージョン情報(&V)"), &frmMain::mnu_Help_Ver_Click);

    // The two hidden menus: context menus of FileView and DirList, not on the menu bar.
    mnu_View = new QMenu(QStringLiteral("View右クリック"), this);
    mnu_View->setObjectName(QStringLiteral("mnu_View"));
    mnu_View_CrowFile = item(mnu_View, "mnu_View_CrowFile", kNoFile, nullptr);
    Sep5 = separator(mnu_View, "Sep5");
    mnu_View_Relese = item(mnu_View, "mnu_View_Relese", QStringLiteral("　レリーズ（全て解凍） (&R)"),
                           &frmMain::mnu_View_Relese_Click);
    mnu_View_List = item(mnu_View, "mnu_View_List", QStringLiteral("　ファイルリスト(&L)"), &frmMain::mnu_View_List_Click);

    mnu_Dir = new QMenu(QStringLiteral("DirList右クリック"), this);
    mnu_Dir->setObjectName(QStringLiteral("mnu_Dir"));
    mnu_Dir_Name = item(mnu_Dir, "mnu_Dir_Name", QStringLiteral("DirName"), &frmMain::mnu_Dir_Name_Click);
    Sep3 = separator(mnu_Dir, "Sep3");
    mnu_Dir_ToBMP = item(mnu_Dir, "mnu_Dir_ToBMP", QStringLiteral("　Crowファイル作成(BMP化) (&C)"),
                         &frmMain::mnu_Dir_ToBMP_Click);
    Sep4 = separator(mnu_Dir, "Sep4");
    mnu_Dir_Open = item(mnu_Dir, "mnu_Dir_Open", QStringLiteral("　フォルダを開く(&O)"), &frmMain::mnu_Dir_Open_Click);
    mnu_Dir_Prop = item(mnu_Dir, "mnu_Dir_Prop", QStringLiteral("　プロパティ(&P)"), nullptr);
    mnu_Dir_Prop->setVisible(false);
}

// ---------------------------------------------------------------------------------------
// Where the settings live

QString frmMain::ProgramFolder() {
    if (!programFolderOverride().isEmpty()) return programFolderOverride();
    const QString exe = portableFolder();
    return exe.isEmpty() ? QDir::homePath() : exe;
}

QString frmMain::SettingsFilePath() {
    if (!settingsOverride().isEmpty()) return settingsOverride();
    const QString exe = portableFolder();
    if (!exe.isEmpty()) return QString::fromStdString(wxh::AddPathSep(exe.toStdString())) + kSettingsName;
    QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (config.isEmpty()) config = QDir::homePath();
    return QString::fromStdString(wxh::AddPathSep(config.toStdString())) + kSettingsName;
}

void frmMain::SetLocationsForTesting(const QString& settingsFile, const QString& programFolder) {
    settingsOverride() = settingsFile;
    programFolderOverride() = programFolder;
}

// ---------------------------------------------------------------------------------------
// Start-up and shutdown

QString frmMain::ExtractCaption(const QString& extractFolder) {
    return QStringLiteral("W.X.Hollin    ファイルの解凍先> ") + extractFolder;
}

void frmMain::SetExtractCaption() {
    setWindowTitle(ExtractCaption(QString::fromStdString(wxh::ExtractFolder)));
}

QStringList frmMain::UsageText() {
    return {
        QStringLiteral(" ＜ファイルプレビューウインドウ＞"),
        QStringLiteral(" 　ここにファイルの情報を表示します。"),
        QString(),
        QStringLiteral(" 「　Ｗ．Ｘ．Ｈｏｌｌｉｎの使い方　」"),
        QStringLiteral(" 　　フォルダを移動してクロウファイル"),
        QStringLiteral(" 　　（ＢＭＰ化されたファイル）を選択するか、"),
        QStringLiteral(" 　　右上の画像にファイルをドロップし"),
        QStringLiteral(" 　　このViewをダブルクリックします。"),
    };
}

void frmMain::drawUsageText() {
    for (const QString& line : UsageText()) FileView->Print(line);
}

void frmMain::Form_Load() {
    bool ok = false;
    QFile file(SettingsFilePath());
    if (file.open(QIODevice::ReadOnly) && file.size() <= kMaxSettingsBytes) {
        // Lines end in CR LF; a bare LF or CR ends a line too.
        const QString text = QString::fromUtf8(file.readAll());
        QStringList lines;
        QString current;
        bool pendingLine = false;
        for (int i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                lines.append(current);
                current.clear();
                pendingLine = false;
                if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
            } else {
                current.append(c);
                pendingLine = true;
            }
        }
        if (pendingLine) lines.append(current);

        qint64 filterCode = 0, oneFile = 0;
        if (lines.size() >= 5 && parseInteger(lines[3], -32768, 32767, filterCode) &&
            parseInteger(lines[4], INT32_MIN, INT32_MAX, oneFile)) {
            wxh::ExtractFolder = lines[1].toStdString();
            const QString startFolder = lines[2];
            wxh::OneFileNoFolder = static_cast<int32_t>(oneFile);
            SetExtractCaption();
            if (DriveList->SetDrive(startFolder) && DirList->SetPath(startFolder)) {
                if (filterCode == 3) mnu_Display_FileList_Filter_All_Click();
                else if (filterCode == 2) mnu_Display_FileList_Filter_Pic_Click();
                else mnu_Display_FileList_Filter_Bmp_Click();
                ok = true;
            }
        }
    }
    if (!ok) {
        const QString folder = ProgramFolder();
        wxh::ExtractFolder = folder.toStdString();
        SetExtractCaption();
        DriveList->SetDrive(folder);
        DirList->SetPath(folder);
        mnu_Display_FileList_Filter_Bmp_Click();
        wxh::OneFileNoFolder = 0;
    }
    file.close();
    FileList->SetPath(DirList->Path());   // also when the folder did not change
    drawUsageText();
}

void frmMain::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    const QString path = SettingsFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;   // the settings of this run are lost
    const QString filter = mnu_Display_FileList_Filter_All->isChecked()   ? QStringLiteral("3")
                           : mnu_Display_FileList_Filter_Pic->isChecked() ? QStringLiteral("2")
                                                                          : QStringLiteral("1");
    const QStringList lines = {kSettingsLine1, QString::fromStdString(wxh::ExtractFolder), DirList->Path(), filter,
                               QString::number(wxh::OneFileNoFolder)};
    QByteArray bytes;
    for (const QString& line : lines) bytes += line.toUtf8() + "\r\n";
    file.write(bytes);
    file.commit();   // replaces the old file only when everything was written
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
    mnu_Dir_Name->setText(menuText(QStringLiteral("フォルダ> ") + DirList->HighlightedPath()));
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

void frmMain::mnu_Display_FileList_Filter_Bmp_Click() { applyFilter(mnu_Display_FileList_Filter_Bmp, kPatternBmp); }
void frmMain::mnu_Display_FileList_Filter_Pic_Click() { applyFilter(mnu_Display_FileList_Filter_Pic, kPatternPic); }
void frmMain::mnu_Display_FileList_Filter_All_Click() { applyFilter(mnu_Display_FileList_Filter_All, kPatternAll); }

QString frmMain::CurrentCrowFile() const {
    const QVariant data = mnu_View_CrowFile->data();
    return data.isValid() ? data.toString() : mnu_View_CrowFile->text();
}

void frmMain::SetCurrentCrowFile(const QString& pathOrNone) {
    mnu_View_CrowFile->setData(pathOrNone);
    mnu_View_CrowFile->setText(menuText(pathOrNone));
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

void frmMain::ShowFileInfo(const QString& path) {
    int32_t format = 0, passwordFlag = 0, count = 0;
    std::vector<std::string> names;
    std::vector<int32_t> sizes;
    int32_t result;
    {
        auto object = NewGuiWxhObject(this);
        result = object->GetCrowInfo(path.toStdString(), format, passwordFlag, count, names, sizes);
    }
    if (result != 0) {
        QPixmap picture = wxh::LoadPicturePixmap(path);
        if (picture.isNull()) return;   // neither a Crow file nor a picture: nothing changes
        const QSize box = PicImage->size();
        if (picture.width() > box.width() || picture.height() > box.height())
            picture = picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        FileView->Cls();
        PicImage->SetPicture(picture);
        PicImage->show();
        PicImage->setToolTip(path);
        SetCurrentCrowFile(kNoFile);
        return;
    }
    const QString password = passwordFlag != 0 ? QStringLiteral("必要") : QStringLiteral("無し");
    PicImage->SetPicture(QPixmap());
    PicImage->hide();
    FileView->Cls();
    SetCurrentCrowFile(path);
    FileView->Print(QStringLiteral(" CrowFile: ") + path);
    FileView->Print(QStringLiteral("   ファイルサイズ: ") + wxh::SizeText(QFileInfo(path).size()));
    FileView->Print(QStringLiteral("   ファイルフォーマット: Crow") + QString::number(format));
    FileView->Print(QStringLiteral("   パスワード: ") + password);
    FileView->Print(QStringLiteral("   含まれるファイル数: ") + QString::number(count) + QStringLiteral("ファイル"));
    const int listed = std::min<int64_t>({int64_t(count), int64_t(names.size()), int64_t(sizes.size())});
    for (int i = 0; i < listed; ++i) {
        FileView->Print(QStringLiteral("　    ") + QString::fromStdString(names[i]) + QStringLiteral("　　") +
                        wxh::SizeText(sizes[i]));
        if (i == 2) {
            FileView->Print(QStringLiteral("      他 ") + QString::number(count - 3) +
                            QStringLiteral("ファイル　　(詳細は右クリック)"));
            break;
        }
    }
}

// ---------------------------------------------------------------------------------------
// The picture of Image1: a folder with a down arrow, drawn here, inviting a drop.

QPixmap frmMain::DropPicture() {
    static QPixmap picture;
    if (!picture.isNull()) return picture;
    const int w = Tw(1605), h = Tw(1905);
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(0x2B, 0x4C, 0x7E));
    sky.setColorAt(1, QColor(0x56, 0x7E, 0xB9));
    p.fillRect(image.rect(), sky);
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

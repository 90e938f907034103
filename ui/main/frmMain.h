#pragma once
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <memory>

#include "crow/WxhObject.h"
#include "ui/commands/Commands.h"
#include "ui/controls/DirListBox.h"
#include "ui/controls/DriveListBox.h"
#include "ui/controls/FileListBox.h"
#include "ui/controls/ImageBox.h"
#include "ui/controls/PictureBox.h"
#include "ui/settings/Settings.h"

// The main window: drive, folder and file lists on the left, the drop picture at the top
// right, the text preview panel below it. Created once at start; its constructor runs
// Form_Load (settings file, lists, usage text), closing it runs Form_Unload.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // --- controls -------------------------------------------------------------
    wxh::DriveListBox* DriveList = nullptr;
    wxh::DirListBox* DirList = nullptr;
    wxh::FileListBox* FileList = nullptr;
    wxh::PictureBox* FileView = nullptr;     // white text panel
    wxh::ImageBox* PicImage = nullptr;       // inside FileView, top-left
    wxh::ImageBox* Image1 = nullptr;         // fixed picture, takes dropped files

    // --- menus (the two hidden top-level menus serve as context menus) -----------
    QMenu* mnu_File = nullptr;
    QAction* mnu_File_Open = nullptr;
    QAction* mnu_Sep1 = nullptr;
    QAction* mnu_File_End = nullptr;
    QMenu* mnu_Display = nullptr;
    QMenu* mnu_Display_FileList = nullptr;
    QMenu* mnu_Display_FileList_Filter = nullptr;
    QAction* mnu_Display_FileList_Filter_Bmp = nullptr;
    QAction* mnu_Display_FileList_Filter_Pic = nullptr;
    QAction* mnu_Display_FileList_Filter_All = nullptr;
    QMenu* mnu_Help = nullptr;
    QAction* mnu_Help_Topic = nullptr;
    QAction* mnu_Sep2 = nullptr;
    QAction* mnu_Help_Ver = nullptr;
    QMenu* mnu_View = nullptr;               // context menu of FileView
    QAction* mnu_View_CrowFile = nullptr;    // caption: the current Crow file
    QAction* Sep5 = nullptr;
    QAction* mnu_View_Relese = nullptr;
    QAction* mnu_View_List = nullptr;
    QMenu* mnu_Dir = nullptr;                // context menu of DirList
    QAction* mnu_Dir_Name = nullptr;
    QAction* Sep3 = nullptr;
    QAction* mnu_Dir_ToBMP = nullptr;
    QAction* Sep4 = nullptr;
    QAction* mnu_Dir_Open = nullptr;
    QAction* mnu_Dir_Prop = nullptr;         // hidden

    // --- start-up, settings file, shutdown (frmMain.cpp) -----------------------
    void Form_Load();
    void Form_Unload();
    void mnu_File_End_Click();

    // --- browsing and preview (frmMain.cpp) ----------------------------------------
    void DriveList_Change();
    void DirList_Change();
    void FileList_Click();
    void FileList_MouseDown(Qt::MouseButton button, const QPoint& globalPos);
    void DirList_MouseDown(Qt::MouseButton button, const QPoint& globalPos);
    void FileView_MouseDown(Qt::MouseButton button, const QPoint& globalPos);
    void FileView_DblClick();
    // Shift+F10 or the Menu key in DirList, FileList or FileView: the control's context menu,
    // as the right mouse button opens it, at the focused entry.
    void ContextMenuFromKeyboard(QWidget* control);
    void mnu_Display_FileList_Filter_Bmp_Click();
    void mnu_Display_FileList_Filter_Pic_Click();
    void mnu_Display_FileList_Filter_All_Click();
    // Describes a Crow file in FileView (it becomes the current Crow file) or shows a
    // picture in PicImage; a file that is neither changes nothing. True for a Crow file.
    bool ShowFileInfo(const QString& path);
    // The same with crow, which keeps what it found in found.
    bool ShowFileInfo(const QString& path, wxh::WxhObject& crow, wxh::Inspection& found);
    // What the command line names (an absolute path): a folder is opened in the lists; a
    // file's folder is opened and the file selected as a click on it would (ShowFileInfo),
    // the filter widened to the narrowest one that lists it. False when nothing could be opened.
    bool BrowseTo(const QString& fileOrFolder);

    // --- release command (frmMain_release.cpp) ---------------------------------------
    void mnu_View_Relese_Click();
    // The release of the current Crow file with crow (made here when null); inspected: what
    // crow found in it, the file kept open, so that it is not inspected again.
    void ReleaseCurrent(std::unique_ptr<wxh::WxhObject> crow, const wxh::Inspection* inspected);
    bool AskPassword();
    // The release command's work for one Crow file, once it is known which: inspects it,
    // releases it below extractFolder with the progress window and the questions (password,
    // overwrite), then opens the folder or shows the message. owner is the window the boxes
    // belong to; nullptr when there is no main window (wx-hollin --release). True when the
    // file was released.
    // crow and inspected: an object that inspected crowFile already (KeepCrowFileOpen) and
    // what it found; the file is then not inspected again.
    static bool ReleaseCrowFile(QWidget* owner, const QString& crowFile, const QString& extractFolder,
                                int32_t oneFileNoFolder, std::unique_ptr<wxh::WxhObject> crow = nullptr,
                                const wxh::Inspection* inspected = nullptr);

    // --- drop and other commands (frmMain_commands.cpp) ------------------------------
    void Image1_OLEDragDrop(const QStringList& files);
    void Image1_Click();
    void mnu_Help_Ver_Click();
    void mnu_File_Open_Click();
    void mnu_View_List_Click();
    void mnu_Dir_Open_Click();
    void mnu_Dir_Name_Click();
    void mnu_Dir_ToBMP_Click();

    // --- helpers for the other commands and windows ------------------------------------
    // The current Crow file: its full path, or "ファイル未選択" when there is none.
    // (mnu_View_CrowFile's caption shows it; "&" in a path is doubled there.)
    QString CurrentCrowFile() const;
    void SetCurrentCrowFile(const QString& pathOrNone);
    static const QString kNoFile;            // "ファイル未選択"
    // Caption "W.X.Hollin    ファイルの解凍先> " + ExtractFolder (wxh::text::ExtractCaption).
    void SetExtractCaption();
    static QString ExtractCaption(const QString& extractFolder);
    // The full path of the entry highlighted in DirList.
    QString HighlightedFolder() const;
    // Selects the drive that holds folder and opens folder in DirList (FileList follows).
    // False when the drive or the folder cannot be selected.
    bool SelectFolder(const QString& folder);
    // The fixed picture of Image1 (the version box shows it too).
    static QPixmap DropPicture();   // at the screens' highest pixel ratio
    static QPixmap DropPicture(qreal devicePixelRatio);
    // The usage text drawn into FileView at start.
    static QStringList UsageText();

    // --- where the settings live (ui/settings/Settings.h says how) ------------------------
    static QString ProgramFolder();
    static bool IsInstalledLocation(const QString& folder);
    static QString SettingsFilePath();
    // For tests: use these instead (empty strings restore the real locations).
    static void SetLocationsForTesting(const QString& settingsFile, const QString& programFolder);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void applyFilter(QAction* checked, const QString& pattern);
    void applyFilter(wxh::FileFilter filter);
    void drawUsageText();
    bool unloaded_ = false;
};

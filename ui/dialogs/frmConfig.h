#pragma once
#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QPushButton;
namespace wxh {
class DirListBox;
class DriveListBox;
}

// The settings dialog: the folder releases go into (wxh::Live().ExtractFolder) and the one-file
// option (wxh::Live().OneFileNoFolder). The check box takes effect at once; OK stores the folder
// the list has open and sets the main window's caption; Cancel and the close box store
// nothing more.
class frmConfig : public QDialog {
    Q_OBJECT
public:
    // mainWindow: the window whose caption OK rewrites (not the owner: the dialog is
    // modal without one). May be nullptr.
    explicit frmConfig(QWidget* mainWindow = nullptr);

    QLabel* Label1;
    wxh::DriveListBox* Drive1;
    wxh::DirListBox* Dir1;
    QLabel* Label2;
    QCheckBox* ChkFolder;
    QPushButton* CmdOK;
    QPushButton* CmdCancel;

    void Form_Load();
    void Drive1_Change();
    void ChkFolder_Click();
    void CmdOK_Click();
    void CmdCancel_Click();

protected:
    // Enter in the folder list presses OK, the default button, as it does anywhere else in
    // the dialog (a double click opens a folder).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Opens folder in Dir1, or the nearest folder above it that can be opened.
    bool openNearest(const QString& folder);
    QWidget* mainWindow_;
    bool restoringDrive_ = false;
};

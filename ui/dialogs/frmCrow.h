#pragma once
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>

class QCheckBox;
class QCloseEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QShowEvent;

// The window in which the user turns one folder into a Crow file. The opener creates it,
// sets FolderPath (which lists the folder at once), shows it modeless and hides the main
// window; every way the window closes shows the main window again. It deletes itself when
// closed.
class frmCrow : public QWidget {
    Q_OBJECT
public:
    explicit frmCrow(QWidget* mainWindow);
    ~frmCrow() override;

    // What the opener does: a new dialog for folder (FolderPath := folder with a trailing
    // "/", which lists it at once), shown modeless. saveStartFolder, when not empty, is
    // where the save dialog starts. The caller hides its own window, if it has one.
    static frmCrow* OpenFor(QWidget* mainWindow, const QString& folder, const QString& saveStartFolder = QString());

    QLabel* Label1;
    QLineEdit* FolderPath;
    QGroupBox* Frame1;
    QRadioButton* OptCrow3;
    QRadioButton* OptCrow2;
    QLabel* PassLabel;
    QLineEdit* PassBox;
    QPushButton* CreateCrowFile;
    QCheckBox* ChkPass;
    QLabel* FileCount;
    QLabel* Label4;
    QListWidget* FolderFile;

    void FolderPath_Change();
    void OptCrow2_Click();
    void OptCrow3_Click();
    void ChkPass_Click();
    void CreateCrowFile_Click();
    void Form_Unload();

    // The dialog's own steps, public so that tests can reach them.
    QString ChooseCrowFile();
    int32_t ConfirmOverwrite(const QString& path);
    // When names will be stored changed, asks whether to pack anyway; true to go on.
    bool ConfirmChangedNames();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QWidget> mainWindow_;
    QString saveStartFolder_;
    bool centred_ = false;
    bool unloaded_ = false;
};

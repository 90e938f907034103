#pragma once
#include <QDialog>
#include <QPixmap>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// The version box: product name, version, credit line and the project's web address.
// Its picture is the one the main window shows in Image1, handed in by the opener.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    static const QString kWebAddress;

    explicit frmAbout(const QPixmap& image1Picture = QPixmap(), QWidget* parent = nullptr);

    QLabel* picIcon;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* Label1;
    QLineEdit* Text1;
    QPushButton* CmdOK;

    void Form_Load();
    void CmdOK_Click();

    // "ＭＳ Ｐゴシック" when the system has it, else Debian's IPAPGothic.
    static QString JapaneseUiFamily();

private:
    QPixmap picture_;
};

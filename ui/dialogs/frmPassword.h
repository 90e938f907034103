#pragma once
#include <QDialog>

class QKeyEvent;
class QLineEdit;
class QPushButton;

// Asks for the password of a protected CRW3 Crow file. OK hands the typed text back
// through wxh::Live().CrowPassword; Cancel and the close box leave it untouched. The opener
// empties CrowPassword before it shows the dialog and treats an empty value as cancelled.
class frmPassword : public QDialog {
    Q_OBJECT
public:
    explicit frmPassword(QWidget* parent = nullptr);

    QLineEdit* PassBox;
    QPushButton* CmdOK;
    QPushButton* CmdCancel;

    void CmdOK_Click();
    void CmdCancel_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

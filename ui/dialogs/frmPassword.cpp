#include "ui/dialogs/frmPassword.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "ui/settings/LiveSettings.h"
#include "ui/controls/twips.h"

using wxh::Tw;
using wxh::TwRect;

frmPassword::frmPassword(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmPassword"));
    setWindowTitle(tr("パスワードを入力してください"));
    setFixedSize(Tw(3870), Tw(795));

    PassBox = new QLineEdit(this);
    PassBox->setObjectName(QStringLiteral("PassBox"));
    PassBox->setAccessibleName(tr("パスワード"));
    PassBox->setGeometry(TwRect(0, 0, 3855, 270));
    PassBox->setEchoMode(QLineEdit::Normal);   // shown as typed
    PassBox->setMaxLength(32767);              // QLineEdit's own ceiling; no limit of ours

    CmdOK = new QPushButton(tr("OK(&O)"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setGeometry(TwRect(2400, 360, 1335, 375));
    CmdOK->setDefault(true);
    CmdOK->setAutoDefault(false);

    CmdCancel = new QPushButton(tr("キャンセル(&C)"), this);
    CmdCancel->setObjectName(QStringLiteral("CmdCancel"));
    CmdCancel->setGeometry(TwRect(960, 360, 1335, 375));
    CmdCancel->setAutoDefault(false);

    setTabOrder(PassBox, CmdOK);
    setTabOrder(CmdOK, CmdCancel);
    PassBox->setFocus();

    connect(CmdOK, &QPushButton::clicked, this, &frmPassword::CmdOK_Click);
    connect(CmdCancel, &QPushButton::clicked, this, &frmPassword::CmdCancel_Click);
}

void frmPassword::CmdOK_Click() {
    wxh::Live().CrowPassword = PassBox->text().toStdString();
    accept();
}

void frmPassword::CmdCancel_Click() {
    reject();
}

void frmPassword::keyPressEvent(QKeyEvent* event) {
    // Esc is not a cancel key here; only the button and the close box cancel.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmPassword::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    PassBox->setFocus();
}

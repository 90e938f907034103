#include "ui/controls/seams.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QUrl>

namespace wxh {
namespace {
MsgBoxHandler& msgBoxHandler() { static MsgBoxHandler h; return h; }
ModalHandler& modalHandler() { static ModalHandler h; return h; }
OpenFolderHandler& openFolderHandler() { static OpenFolderHandler h; return h; }
PopupMenuHandler& popupMenuHandler() { static PopupMenuHandler h; return h; }
}  // namespace

QWidget* MessageOwner(QWidget* parent) {
    QWidget* owner = parent ? parent->window() : nullptr;
    if (owner && owner->isVisible()) return owner;
    // The caller's window is not on the screen (yet, or any more): the box goes over the
    // window the user sees instead of the screen's corner.
    if (QWidget* active = QApplication::activeWindow(); active && active->isVisible()) return active;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && !(w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip) &&
            (w->windowFlags() & Qt::Window))
            return w;
    }
    return parent;
}

int MsgBox(QWidget* parent, const QString& text, const QString& title, bool yesNo) {
    if (msgBoxHandler()) return msgBoxHandler()(parent, text, title, yesNo);
    QMessageBox box(QMessageBox::NoIcon, title, text,
                    yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, MessageOwner(parent));
    if (yesNo) box.setEscapeButton(QMessageBox::No);
    const int r = box.exec();
    if (!yesNo) return kMsgOk;
    return r == QMessageBox::Yes ? kMsgYes : kMsgNo;
}

int ExecModal(QDialog* dialog) {
    if (modalHandler()) return modalHandler()(dialog);
    return dialog->exec();
}

void OpenFolder(QWidget* owner, const QString& path) {
    if (openFolderHandler()) { openFolderHandler()(owner, path); return; }
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void PopupMenu(QMenu* menu, const QPoint& globalPos) {
    if (popupMenuHandler()) { popupMenuHandler()(menu, globalPos); return; }
    menu->exec(globalPos);
}

void SetMsgBoxHandler(MsgBoxHandler handler) { msgBoxHandler() = std::move(handler); }
void SetModalHandler(ModalHandler handler) { modalHandler() = std::move(handler); }
void SetOpenFolderHandler(OpenFolderHandler handler) { openFolderHandler() = std::move(handler); }
void SetPopupMenuHandler(PopupMenuHandler handler) { popupMenuHandler() = std::move(handler); }

}  // namespace wxh

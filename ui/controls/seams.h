#pragma once
#include <functional>
#include <QString>

class QDialog;
class QMenu;
class QPoint;
class QWidget;

// Every message box, modal dialog and "open this folder" of the window program goes
// through these functions, so that tests can answer them instead of a person.
namespace wxh {

inline constexpr int kMsgOk = 1;
inline constexpr int kMsgYes = 6;
inline constexpr int kMsgNo = 7;

inline const QString kAppTitle = QStringLiteral("WX_Hollin");

// A message box without icon, centred over the window the user sees (MessageOwner).
// yesNo false: OK only, returns kMsgOk.
// yesNo true: Yes and No, returns kMsgYes or kMsgNo (closing it counts as No).
int MsgBox(QWidget* parent, const QString& text, const QString& title = kAppTitle, bool yesNo = false);

// The window a message box for parent is centred over: parent's window when it is shown,
// otherwise the active window or another shown window of the program (parent itself when
// none is shown).
QWidget* MessageOwner(QWidget* parent);

// Runs a modal dialog (QDialog::exec) and returns its result.
int ExecModal(QDialog* dialog);

// Opens a folder in the desktop's file manager; the result is ignored.
void OpenFolder(QWidget* owner, const QString& path);

// Shows a context menu at a screen position and waits for the choice (QMenu::exec);
// the chosen item's command runs through its triggered signal.
void PopupMenu(QMenu* menu, const QPoint& globalPos);

// --- for tests ------------------------------------------------------------------
// A handler replaces the real window; an empty function restores it.
using MsgBoxHandler = std::function<int(QWidget* parent, const QString& text, const QString& title, bool yesNo)>;
using ModalHandler = std::function<int(QDialog* dialog)>;
using OpenFolderHandler = std::function<void(QWidget* owner, const QString& path)>;
using PopupMenuHandler = std::function<void(QMenu* menu, const QPoint& globalPos)>;
void SetMsgBoxHandler(MsgBoxHandler handler);
void SetModalHandler(ModalHandler handler);
void SetOpenFolderHandler(OpenFolderHandler handler);
void SetPopupMenuHandler(PopupMenuHandler handler);

}  // namespace wxh

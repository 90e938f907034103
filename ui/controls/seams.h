#pragma once
#include <functional>
#include <QString>

class QDialog;
class QWidget;

// Every message box, modal dialog and "open this folder" of the window program goes
// through these functions, so that tests can answer them instead of a person.
namespace wxh {

inline constexpr int kMsgOk = 1;
inline constexpr int kMsgYes = 6;
inline constexpr int kMsgNo = 7;

inline const QString kAppTitle = QStringLiteral("WX_Hollin");

// A message box without icon. yesNo false: OK only, returns kMsgOk.
// yesNo true: Yes and No, returns kMsgYes or kMsgNo (closing it counts as No).
int MsgBox(QWidget* parent, const QString& text, const QString& title = kAppTitle, bool yesNo = false);

// Runs a modal dialog (QDialog::exec) and returns its result.
int ExecModal(QDialog* dialog);

// Opens a folder in the desktop's file manager; the result is ignored.
void OpenFolder(QWidget* owner, const QString& path);

// --- for tests ------------------------------------------------------------------
// A handler replaces the real window; an empty function restores it.
using MsgBoxHandler = std::function<int(QWidget* parent, const QString& text, const QString& title, bool yesNo)>;
using ModalHandler = std::function<int(QDialog* dialog)>;
using OpenFolderHandler = std::function<void(QWidget* owner, const QString& path)>;
void SetMsgBoxHandler(MsgBoxHandler handler);
void SetModalHandler(ModalHandler handler);
void SetOpenFolderHandler(OpenFolderHandler handler);

}  // namespace wxh

#pragma once
#include <QIcon>

namespace wxh {

// The program's icon, drawn from the same picture the desktop's menu shows: the windows
// that show the program's icon use this one.
QIcon ProgramIcon();

}  // namespace wxh

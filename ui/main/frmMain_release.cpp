#include "ui/main/frmMain.h"

void frmMain::mnu_View_Relese_Click() {
    // filled in with the release command
}

bool frmMain::AskPassword() {
    // filled in with the release command
    return true;
}

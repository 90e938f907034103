#include "ui/main/frmMain.h"

void frmMain::Image1_OLEDragDrop(const QStringList& files) {
    // filled in with the drop handler
    (void)files;
}

void frmMain::Image1_Click() {
    // filled in with the version box command
}

void frmMain::mnu_Help_Ver_Click() {
    // filled in with the version box command
}

void frmMain::mnu_File_Open_Click() {
    // filled in with the settings dialog command
}

void frmMain::mnu_View_List_Click() {
    // filled in with the contents list command
}

void frmMain::mnu_Dir_Open_Click() {
    // filled in with the folder commands
}

void frmMain::mnu_Dir_Name_Click() {
    // filled in with the folder commands
}

void frmMain::mnu_Dir_ToBMP_Click() {
    // filled in with the Crow creation command
}

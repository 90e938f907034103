#pragma once
#include <cstdint>
#include <QDialog>
#include <QString>

class QListWidget;

// Read-only list of what a Crow file holds: path, size, format, count and one line per
// packed file. Lists the file named by wxh::Live().ListCrowFile at the moment it is created.
class frmFileList : public QDialog {
    Q_OBJECT
public:
    explicit frmFileList(QWidget* parent = nullptr);

    QListWidget* CrowList;

    // Fills CrowList from wxh::Live().ListCrowFile; runs once, from the constructor.
    void Form_Load();
};

#pragma once
#include <cstdint>
#include <QDialog>
#include <QString>

class QListWidget;

// Read-only list of what a Crow file holds: path, size, format, count and one line per
// packed file. Lists the file named by wxh::ListCrowFile at the moment it is created.
class frmFileList : public QDialog {
    Q_OBJECT
public:
    explicit frmFileList(QWidget* parent = nullptr);

    QListWidget* CrowList;

    // Fills CrowList from wxh::ListCrowFile; runs once, from the constructor.
    void Form_Load();

    // Size in decimal units, cut (never rounded up) to two decimals:
    // 999 -> "999B", 1009 -> "1KB", 12345 -> "12.34KB", 1500000 -> "1.5MB".
    static QString SizeText(int64_t bytes);
};

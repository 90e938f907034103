#pragma once
#include <QItemSelection>
#include <QListWidget>
#include <QPoint>
#include <QString>
#include <QStringList>

namespace wxh {

// Our file list: the files of a folder (no sub-folders, no hidden files) whose names match
// a pattern of ";"-separated wildcards ("*" and "?"), matched ignoring case, sorted by
// name ignoring case.
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    QString Path() const { return path_; }
    // Lists the files of folder; false (and nothing changes) when it cannot be read.
    bool SetPath(const QString& folder);
    QString Pattern() const { return pattern_; }
    void SetPattern(const QString& pattern);
    // Reads the folder again.
    void Refresh();

    // Names listed, in list order.
    QStringList FileNames() const;
    // Name of the selected file ("" when none).
    QString FileName() const;
    // Selects the file with this name as a user would (emits Click()); false when not listed.
    bool SelectFile(const QString& name);

    // True when name matches one of the ";"-separated wildcards, ignoring case.
    static bool MatchesPattern(const QString& name, const QString& pattern);

signals:
    // The user selected a file with the mouse or with keys that move the highlight (not when
    // the list only takes the focus).
    void Click();
    // Any mouse button went down over the list (a right click does not change the selection).
    void MouseDown(Qt::MouseButton button, const QPoint& globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void onSelectionChanged(const QItemSelection& selected);
    QString path_;
    QString pattern_ = QStringLiteral("*.*");
    bool filling_ = false;
};

}  // namespace wxh

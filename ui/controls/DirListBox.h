#pragma once
#include <QListWidget>
#include <QPoint>
#include <QString>

namespace wxh {

// Our folder list: shows the open folder's ancestors (from the root down) and its
// sub-folders. A single click highlights an entry; a double click or Enter opens it.
// Paths have no trailing "/" except the root "/" itself.
class DirListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirListBox(QWidget* parent = nullptr);

    // The open folder.
    QString Path() const { return path_; }
    // Opens folder. Emits Change() when the open folder changes. False, and nothing
    // changes, when folder is not a folder that can be read.
    bool SetPath(const QString& folder);
    // Full path of the highlighted entry: the entry last selected with a single click,
    // or the open folder when none was selected since it was opened.
    QString HighlightedPath() const;
    // Highlights the entry with this full path when it is listed (as a single click does).
    bool Highlight(const QString& folder);
    // Reads the open folder again (new or removed sub-folders).
    void Refresh();
    // Full path shown in row i ("" when out of range).
    QString EntryPath(int row) const;
    // Row of the open folder.
    int OpenRow() const { return openRow_; }

signals:
    // The open folder changed.
    void Change();
    // Any mouse button went down over the list (right clicks do not move the highlight).
    void MouseDown(Qt::MouseButton button, const QPoint& globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill();
    void openRow(int row);
    QString path_;
    int openRow_ = -1;
};

}  // namespace wxh

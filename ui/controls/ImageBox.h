#pragma once
#include <QLabel>
#include <QPixmap>
#include <QStringList>

class QMimeData;

namespace wxh {

// An image box: shows a picture at its natural size from the top-left corner, clipped to
// the box. With SetAcceptFileDrops(true) it takes files dropped on it (local file names
// only; a drop that carries no file name is ignored).
class ImageBox : public QLabel {
    Q_OBJECT
public:
    explicit ImageBox(QWidget* parent = nullptr);

    void SetPicture(const QPixmap& picture);   // a null pixmap empties the box
    QPixmap Picture() const { return picture_; }
    bool HasPicture() const { return !picture_.isNull(); }
    void SetAcceptFileDrops(bool on);

    // Local paths carried by a drop's data, in order (empty when none).
    static QStringList DroppedFiles(const QMimeData* data);

signals:
    void Dropped(const QStringList& files);
    void Clicked();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPixmap picture_;
    bool pressed_ = false;
};

}  // namespace wxh

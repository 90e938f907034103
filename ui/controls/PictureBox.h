#pragma once
#include <QAccessible>
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QWidget>

namespace wxh {

// A drawing surface whose drawing persists: text and boxes are drawn into a backing image
// kept by the control, so covering and uncovering the window never loses them.
// Print() writes one row of text at the text position and moves it to the next row.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Erases text and drawing (fills with the background colour) and puts the text position
    // at the top-left corner.
    void Cls();
    // Writes text on the current row and moves to the next row.
    void Print(const QString& text = QString());
    // A filled rectangle from (x1, y1) to (x2, y2) inclusive, in pixels; nothing is cleared first.
    void FillBox(int x1, int y1, int x2, int y2, const QColor& colour);

    void SetBackColor(const QColor& colour);
    QColor BackColor() const { return back_; }

    // The rows printed since the last Cls(), in order.
    const QStringList& Lines() const { return lines_; }
    // What is drawn (the widget's size).
    const QImage& Canvas() { ensureCanvas(); return canvas_; }
    // Height of one printed row in pixels.
    int RowHeight() const;

    // What assistive technology reads: the printed rows, one per line, as the accessible
    // description and value (the widget's own accessible description while nothing is
    // printed); a change is announced once per pass of the event loop, not per row.
    QString AccessibleText() const;
    void SetAccessibleRole(QAccessible::Role role) { role_ = role; }
    QAccessible::Role AccessibleRole() const { return role_; }

signals:
    void MouseDown(Qt::MouseButton button, const QPoint& globalPos);
    void DblClick();
    // Sent with the accessibility event that announces new rows (once per event-loop pass).
    void AccessibleTextChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void ensureCanvas();   // the backing image follows the widget's size, keeping what is drawn
    void textChanged();
    QAccessible::Role role_ = QAccessible::StaticText;
    bool announcePending_ = false;
    QImage canvas_;
    QColor back_ = Qt::white;
    QStringList lines_;
    int currentY_ = 0;
};

}  // namespace wxh

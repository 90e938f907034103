#include "ui/controls/PictureBox.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace wxh {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::Cls() {
    ensureCanvas();
    lines_.clear();
    currentY_ = 0;
    canvas_.fill(back_);
    update();
}

int PictureBox::RowHeight() const { return QFontMetrics(font()).height(); }

void PictureBox::Print(const QString& text) {
    lines_.append(text);
    ensureCanvas();
    if (!canvas_.isNull() && !text.isEmpty()) {
        QPainter p(&canvas_);
        p.setFont(font());
        p.setPen(palette().color(QPalette::WindowText));
        const QFontMetrics fm(font());
        p.drawText(QPoint(0, currentY_ + fm.ascent()), text);
    }
    currentY_ += RowHeight();
    update();
}

void PictureBox::FillBox(int x1, int y1, int x2, int y2, const QColor& colour) {
    ensureCanvas();
    if (canvas_.isNull()) return;
    QPainter p(&canvas_);
    p.fillRect(QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))), colour);
    update();
}

void PictureBox::SetBackColor(const QColor& colour) {
    back_ = colour;
    Cls();
}

void PictureBox::paintEvent(QPaintEvent*) {
    ensureCanvas();
    QPainter p(this);
    if (canvas_.isNull()) p.fillRect(rect(), back_);
    else p.drawImage(0, 0, canvas_);
}

void PictureBox::resizeEvent(QResizeEvent*) { ensureCanvas(); }

void PictureBox::ensureCanvas() {
    const qreal dpr = devicePixelRatioF();
    if (!canvas_.isNull() && canvas_.size() == size() * dpr && canvas_.devicePixelRatio() == dpr) return;
    QImage grown(size() * dpr, QImage::Format_RGB32);
    grown.setDevicePixelRatio(dpr);
    grown.fill(back_);
    if (!canvas_.isNull()) {
        QPainter p(&grown);
        p.drawImage(0, 0, canvas_);
    }
    canvas_ = grown;
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    emit MouseDown(event->button(), event->globalPosition().toPoint());
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit DblClick();
}

}  // namespace wxh

#include "ui/controls/PictureBox.h"

#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace wxh {

namespace {

// A screen reader's view of a PictureBox: its role, its name, and the rows printed on it.
class PictureBoxAccessible : public QAccessibleWidget {
public:
    explicit PictureBoxAccessible(PictureBox* box) : QAccessibleWidget(box, box->AccessibleRole()) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description || t == QAccessible::Value)
            return static_cast<const PictureBox*>(widget())->AccessibleText();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* PictureBoxFactory(const QString& key, QObject* object) {
    if (key == QLatin1String("wxh::PictureBox"))
        if (auto* box = qobject_cast<PictureBox*>(object)) return new PictureBoxAccessible(box);
    return nullptr;
}

}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    static const bool installed = (QAccessible::installFactory(PictureBoxFactory), true);
    (void)installed;
}

QString PictureBox::AccessibleText() const {
    return lines_.isEmpty() ? accessibleDescription() : lines_.join(QLatin1Char('\n'));
}

void PictureBox::textChanged() {
    if (announcePending_) return;
    announcePending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            announcePending_ = false;
            QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&changed);
            emit AccessibleTextChanged();
        },
        Qt::QueuedConnection);
}

void PictureBox::Cls() {
    ensureCanvas();
    const bool hadText = !lines_.isEmpty();
    lines_.clear();
    currentY_ = 0;
    canvas_.fill(back_);
    update();
    if (hadText) textChanged();
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
    textChanged();
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

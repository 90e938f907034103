#pragma once
// What a person sees of a window's controls, checked without copying each control's place
// from the code: every shown control lies inside the window, shown controls side by side do
// not cover each other, and no caption is cut off.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStringList>
#include <QWidget>

namespace wxh::test {

// The font the window program runs with (set in ui/main/main.cpp), while the object lives:
// windows made meanwhile are laid out as a person sees them.
class ProgramFont {
public:
    ProgramFont() : saved_(QApplication::font()) {
        QFont font(QStringLiteral("IPAPGothic"));
        font.setPointSize(9);
        QApplication::setFont(font);
    }
    ~ProgramFont() { QApplication::setFont(saved_); }
    ProgramFont(const ProgramFont&) = delete;
    ProgramFont& operator=(const ProgramFont&) = delete;

private:
    QFont saved_;
};

inline QString Describe(const QWidget* w) {
    return (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName());
}

// The caption as drawn: without the '&' that marks a mnemonic ("&&" is one '&').
inline QString ShownCaption(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    return text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

// ignore: controls that are meant to lie outside the window (never seen).
inline QStringList LayoutProblems(const QWidget& window, const QList<const QWidget*>& ignore = {}) {
    QStringList problems;
    QList<QWidget*> shown;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (w->isWindow() || !w->isVisibleTo(&window) || ignore.contains(w)) continue;
        bool insideIgnored = false;
        for (const QWidget* p = w->parentWidget(); p && p != &window; p = p->parentWidget())
            if (ignore.contains(p) || !p->isVisibleTo(&window)) insideIgnored = true;
        if (!insideIgnored) shown << w;
    }
    for (QWidget* w : shown) {
        const QRect in(w->mapTo(&window, QPoint(0, 0)), w->size());
        // A control placed in twips may overhang an edge by the pixel its rounding adds.
        if (!window.rect().adjusted(-1, -1, 1, 1).contains(in)) problems << Describe(w) + QStringLiteral(" lies outside the window");
        if (w->parentWidget() != &window && !w->parentWidget()->rect().adjusted(-1, -1, 1, 1).contains(w->geometry()))
            problems << Describe(w) + QStringLiteral(" lies outside ") + Describe(w->parentWidget());
        const QFontMetrics fm = w->fontMetrics();
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap() && !label->text().isEmpty() &&
                                                    label->pixmap().isNull()) {
            const QString caption = ShownCaption(label->text());
            if (fm.horizontalAdvance(caption) > label->contentsRect().width() || fm.height() > label->height())
                problems << Describe(w) + QStringLiteral(" cuts off \"") + caption + QLatin1Char('"');
        } else if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->text().isEmpty()) {
            const bool box = qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
            // A check box or option button needs its indicator beside the text; a push button its
            // frame around it.
            const int needed = box ? button->sizeHint().width()
                                   : fm.horizontalAdvance(ShownCaption(button->text())) + 4;
            if (needed > button->width() || fm.height() > button->height())
                problems << Describe(w) + QStringLiteral(" cuts off \"") + ShownCaption(button->text()) + QLatin1Char('"');
        }
    }
    // Controls of the same parent side by side; lines one pixel wide may meet at corners, and
    // neighbours placed in twips may share a rounded pixel row or column.
    for (int i = 0; i < shown.size(); ++i)
        for (int j = i + 1; j < shown.size(); ++j) {
            QWidget *a = shown[i], *b = shown[j];
            if (a->parentWidget() != b->parentWidget()) continue;
            if (std::min(a->width(), a->height()) <= 1 || std::min(b->width(), b->height()) <= 1) continue;
            const QRect common = a->geometry().intersected(b->geometry());
            if (common.width() > 1 && common.height() > 1)
                problems << Describe(a) + QStringLiteral(" and ") + Describe(b) + QStringLiteral(" cover each other");
        }
    return problems;
}

}  // namespace wxh::test

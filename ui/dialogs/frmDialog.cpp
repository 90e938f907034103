#include "ui/dialogs/frmDialog.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include "ui/controls/seams.h"
#include "ui/controls/twips.h"

using wxh::Tw;
using wxh::TwRect;

namespace {

frmDialog*& currentInstance() {
    static frmDialog* instance = nullptr;
    return instance;
}

frmDialog::Clock& injectedClock() {
    static frmDialog::Clock clock;
    return clock;
}

constexpr qint64 kFrameNs = 33'000'000;    // at most about 30 painted frames a second
constexpr qint64 kEventsNs = 1'000'000;    // pending events run at most once a millisecond
constexpr int kExposeWaitMs = 200;         // how long a new window may take to appear

// Brings a window to the top of the z-order (the offscreen platform has no z-order).
void bringToTop(QWidget* w) {
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) w->raise();
}

// A line of the drawn frame from (x1, y1) to (x2, y2) in twips, one pixel wide.
QFrame* makeLine(QWidget* parent, int x1, int y1, int x2, int y2, const QColor& colour) {
    auto* line = new QFrame(parent);
    const int left = Tw(std::min(x1, x2)), top = Tw(std::min(y1, y2));
    const int w = std::max(1, Tw(std::max(x1, x2)) - left + (x1 == x2 ? 0 : 1));
    const int h = std::max(1, Tw(std::max(y1, y2)) - top + (y1 == y2 ? 0 : 1));
    line->setGeometry(left, top, w, h);
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, colour);
    line->setPalette(pal);
    return line;
}

}  // namespace

frmDialog::frmDialog(QWidget* owner)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), owner_(owner) {
    setWindowTitle(tr("処理中..."));
    setFixedSize(Tw(4005), Tw(1245));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_QuitOnClose, false);

    ProgBar = new wxh::PictureBox(this);
    ProgBar->setGeometry(TwRect(120, 360, 3735, 255));
    ProgBar->SetBackColor(palette().color(QPalette::Window));
    ProgBar->setObjectName(QStringLiteral("ProgBar"));
    ProgBar->setAccessibleName(tr("進行状況"));
    ProgBar->SetAccessibleRole(QAccessible::ProgressBar);

    FileList = new wxh::FileListBox(this);
    FileList->setGeometry(TwRect(120, 1560, 2655, 1170));   // below the visible client area
    FileList->setObjectName(QStringLiteral("FileList"));
    FileList->setAccessibleName(tr("ファイル"));
    FileList->setFocusPolicy(Qt::NoFocus);   // never seen, so Tab must not land on it

    // Fixed sizes: a new caption repaints the label and never asks for a new layout.
    NowFile = new QLabel(this);
    NowFile->setGeometry(TwRect(120, 120, 2055, 255));
    NowFile->setFixedSize(NowFile->size());
    NowFile->setObjectName(QStringLiteral("NowFile"));

    Per = new QLabel(PerCaption(0), this);
    Per->setGeometry(TwRect(1680, 840, 2175, 255));
    Per->setFixedSize(Per->size());
    Per->setObjectName(QStringLiteral("Per"));

    CmdCancel = new QPushButton(tr("キャンセル"), this);
    CmdCancel->setGeometry(TwRect(120, 720, 1335, 420));
    CmdCancel->setObjectName(QStringLiteral("CmdCancel"));
    CmdCancel->setProperty("Tag", QString());
    connect(CmdCancel, &QPushButton::clicked, this, &frmDialog::CmdCancel_Click);

    setTabOrder(ProgBar, FileList);
    setTabOrder(FileList, NowFile);
    setTabOrder(NowFile, Per);
    setTabOrder(Per, CmdCancel);

    const QColor text = palette().color(QPalette::WindowText);
    const QColor white(255, 255, 255), dark(64, 64, 64);
    Line3 = makeLine(this, 0, 0, 3960, 0, text);
    Line4 = makeLine(this, 0, 1200, 0, 0, text);
    Line2[1] = makeLine(this, 3960, 0, 3960, 1200, white);
    Line2[2] = makeLine(this, 3975, 1200, 0, 1200, white);
    Line2[0] = makeLine(this, 3975, 0, 3975, 1200, dark);
    Line1 = makeLine(this, 0, 1215, 3960, 1215, dark);

    clock_.start();
    currentInstance() = this;
    Form_Load();
}

frmDialog::~frmDialog() {
    if (currentInstance() == this) currentInstance() = nullptr;
}

frmDialog* frmDialog::Instance() { return currentInstance(); }

void frmDialog::SetClock(Clock clock) { injectedClock() = std::move(clock); }

qint64 frmDialog::nowNs() const {
    const Clock& clock = injectedClock();
    return clock ? clock() : clock_.nsecsElapsed();
}

void frmDialog::Form_Load() { bringToTop(this); }

void frmDialog::CmdCancel_Click() { SetCancelTag(QStringLiteral("1")); }

void frmDialog::SetCancelTag(const QString& tag) {
    tag_ = tag;
    CmdCancel->setProperty("Tag", tag);
}

QString frmDialog::PerCaption(qint64 remaining) {
    return tr("残り %1B").arg(remaining);
}

void frmDialog::SetProgressFile(const QString& name) {
    file_ = name;
    fileChanged_ = true;
    fileStart_ = true;
}

void frmDialog::SetProgressRemaining(qint64 remaining) {
    remaining_ = remaining;
    remainingChanged_ = true;
}

void frmDialog::ClearProgress() {
    bar_ = -1;
    barCleared_ = true;
}

void frmDialog::FillProgress(int x) {
    if (x > bar_) bar_ = x;   // a box no wider than the drawn bar changes no pixel
}

void frmDialog::pushProgress() {
    // The widgets mark what changed; the next pass of the event loop paints all of it at once
    // (at a frame one follows at once).
    const bool changed = fileChanged_ || remainingChanged_;
    if (fileChanged_) {
        NowFile->setText(file_);
        fileChanged_ = false;
    }
    if (remainingChanged_) {
        Per->setText(PerCaption(remaining_));
        remainingChanged_ = false;
    }
    if (changed) {
        // Assistive technology reads the file and what remains of it from the window and
        // its bar as well as from the two labels.
        const QString status = NowFile->text() + QLatin1Char('\n') + Per->text();
        setAccessibleDescription(status);
        ProgBar->setAccessibleDescription(status);
    }
    if (barCleared_) {
        ProgBar->Cls();
        drawnBar_ = -1;
        barCleared_ = false;
    }
    if (bar_ > drawnBar_) {
        ProgBar->FillBox(0, 0, bar_, 13, QColor(255, 0, 0));
        drawnBar_ = bar_;
    }
}

void frmDialog::ShowDialog() {
    pushProgress();
    if (isVisible()) return;
    if (!shownOnce_) {
        shownOnce_ = true;
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.center() - QPoint(width() / 2, height() / 2));
        }
    }
    if (owner_ && owner_->window()->windowHandle()) {
        winId();   // creates the native window so it can be told whom it belongs to
        if (windowHandle()) windowHandle()->setTransientParent(owner_->window()->windowHandle());
    }
    show();
    bringToTop(this);
    activateWindow();
}

void frmDialog::HideDialog() {
    pushProgress();
    hide();
}

void frmDialog::PaintNow() {
    pushProgress();
    if (!isVisible()) return;
    // A window shown a moment ago may not be on the screen yet; wait briefly for it, so that
    // what is put over it never sits on unpainted pixels.
    QWindow* window = windowHandle();
    if (window && !window->isExposed()) {
        QElapsedTimer waited;
        waited.start();
        while (!window->isExposed() && waited.elapsed() < kExposeWaitMs) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            if (!window->isExposed()) QThread::msleep(2);
        }
    }
    repaint();
}

void frmDialog::DoEvents() {
    const qint64 now = nowNs();
    const bool frame = !framed_ || now - lastFrameNs_ >= kFrameNs;
    if (frame) {
        framed_ = true;
        lastFrameNs_ = now;
        pushProgress();
        ++repaints_;
    }
    if (frame || fileStart_ || now - lastEventsNs_ >= kEventsNs) {
        fileStart_ = false;
        lastEventsNs_ = now;
        QCoreApplication::processEvents();
    }
}

void frmDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        CmdCancel->click();   // the default button
        return;
    case Qt::Key_Escape:
        return;               // no cancel role
    default:
        QWidget::keyPressEvent(event);
    }
}


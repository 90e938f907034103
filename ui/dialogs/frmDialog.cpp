#include "ui/dialogs/frmDialog.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "ui/commands/Messages.h"
#include "ui/controls/seams.h"
#include "ui/controls/twips.h"

using wxh::Tw;
using wxh::TwRect;

namespace {

frmDialog*& currentInstance() {
    static frmDialog* instance = nullptr;
    return instance;
}

constexpr int kRepaintIntervalMs = 16;   // at most about 60 repaints a second

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

    FileList = new wxh::FileListBox(this);
    FileList->setGeometry(TwRect(120, 1560, 2655, 1170));   // below the visible client area
    FileList->setObjectName(QStringLiteral("FileList"));

    NowFile = new QLabel(this);
    NowFile->setGeometry(TwRect(120, 120, 2055, 255));
    NowFile->setObjectName(QStringLiteral("NowFile"));

    Per = new QLabel(tr("残り %1B").arg(0), this);
    Per->setGeometry(TwRect(1680, 840, 2175, 255));
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

    repaintTimer_.setSingleShot(true);
    repaintTimer_.setInterval(kRepaintIntervalMs);
    connect(&repaintTimer_, &QTimer::timeout, this, [this] {
        // Painting comes back once no point has come for a whole interval.
        if (sincePoint_.isValid() && sincePoint_.elapsed() < kRepaintIntervalMs) repaintTimer_.start();
        else AllowRepaint();
    });

    currentInstance() = this;
    Form_Load();
}

frmDialog::~frmDialog() {
    if (currentInstance() == this) currentInstance() = nullptr;
}

frmDialog* frmDialog::Instance() { return currentInstance(); }

void frmDialog::Form_Load() { bringToTop(this); }

void frmDialog::CmdCancel_Click() { SetCancelTag(QStringLiteral("1")); }

QString frmDialog::CancelTag() const { return CmdCancel->property("Tag").toString(); }

void frmDialog::SetCancelTag(const QString& tag) { CmdCancel->setProperty("Tag", tag); }

void frmDialog::ShowDialog() {
    AllowRepaint();
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
    AllowRepaint();
    hide();
}

void frmDialog::AllowRepaint() {
    repaintTimer_.stop();
    if (!updatesEnabled()) setUpdatesEnabled(true);   // schedules a repaint of everything
}

void frmDialog::DoEvents() {
    if (!sinceRepaint_.isValid() || sinceRepaint_.elapsed() >= kRepaintIntervalMs) {
        // A frame: paint the window now, synchronously, with what the last point set.
        if (!updatesEnabled()) setUpdatesEnabled(true);
        if (isVisible()) repaint();
        sinceRepaint_.restart();
        ++repaints_;
    }
    // Between frames painting is held back, while input is still handled so that a press of
    // CmdCancel is seen at once. When no further point comes, the timer restores painting.
    if (updatesEnabled()) setUpdatesEnabled(false);
    sincePoint_.restart();
    if (!repaintTimer_.isActive()) repaintTimer_.start();
    QCoreApplication::processEvents();
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

namespace wxh {

FrmDialogProgress::FrmDialogProgress(QWidget* owner)
    : form_(new frmDialog(owner)), perFormat_(frmDialog::tr("残り %1B")),
      perTranslated_(perFormat_ != QStringLiteral("残り %1B")) {}

void FrmDialogProgress::OnFileStart(const std::string&, int64_t size) {
    if (perTranslated_ && form_) form_->Per->setText(perFormat_.arg(size));
}

void FrmDialogProgress::OnPoint(int64_t done, int64_t size) {
    if (perTranslated_ && form_) form_->Per->setText(perFormat_.arg(size - done));
}

FrmDialogProgress::~FrmDialogProgress() { delete form_.data(); }

void FrmDialogProgress::SetNowFile(const std::string& name) {
    if (form_) form_->NowFile->setText(QString::fromStdString(name));
}

void FrmDialogProgress::SetPer(const std::string& caption) {
    if (form_) form_->Per->setText(QString::fromStdString(caption));
}

void FrmDialogProgress::ClearProgBar() {
    barRight_ = -1;
    if (form_) form_->ProgBar->Cls();
}

void FrmDialogProgress::FillProgBar(int32_t x) {
    // The box always starts at (0, 0): one no wider than the drawn bar changes no pixel.
    if (x <= barRight_) return;
    barRight_ = x;
    if (form_) form_->ProgBar->FillBox(0, 0, x, 13, QColor(255, 0, 0));
}

std::string FrmDialogProgress::CancelTag() const {
    return form_ ? form_->CancelTag().toStdString() : std::string();
}

void FrmDialogProgress::SetCancelTag(const std::string& tag) {
    if (form_) form_->SetCancelTag(QString::fromStdString(tag));
}

void FrmDialogProgress::Show() {
    if (form_) form_->ShowDialog();
}

void FrmDialogProgress::Hide() {
    if (form_) form_->HideDialog();
}

void FrmDialogProgress::DoEvents() {
    if (form_) form_->DoEvents();
    else QCoreApplication::processEvents();
}

int32_t GuiOverwriteQuestion::Ask(const std::string& path) {
    frmDialog* over = frmDialog::Instance();
    if (over) over->AllowRepaint();   // the window under the question paints as usual
    const int answer =
        MsgBox(over, text::OverwriteQuestion(QString::fromStdString(path)), text::OverwriteTitle(), true);
    return answer == kMsgYes ? kMsgYes : kMsgNo;
}

GuiOverwriteQuestion& GuiOverwriteQuestion::Shared() {
    static GuiOverwriteQuestion question;
    return question;
}

frmDialog* DialogOf(WxhObject& object) {
    auto* gui = dynamic_cast<FrmDialogProgress*>(&object.Dialog());
    return gui ? gui->Form() : nullptr;
}

}  // namespace wxh

std::unique_ptr<wxh::WxhObject> NewGuiWxhObject(QWidget* owner) {
    QPointer<QWidget> keep(owner);
    wxh::ProgressDialogFactory factory = [keep]() -> std::unique_ptr<wxh::ProgressDialog> {
        return std::make_unique<wxh::FrmDialogProgress>(keep.data());
    };
    return std::make_unique<wxh::WxhObject>(factory, &wxh::GuiOverwriteQuestion::Shared());
}

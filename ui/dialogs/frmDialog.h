#pragma once
#include <functional>

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include "ui/controls/FileListBox.h"
#include "ui/controls/PictureBox.h"

class QFrame;

// The progress window of the Crow container: the file being processed, the bytes of it
// that remain, a red bar for that file, and a cancel button. Borderless, 4005 x 1245 twips,
// centred when first shown. The cancel flag is the tag of CmdCancel: "" or "1".
//
// It costs the container next to nothing: at each progress point the caption, the bar and the
// cancel state are plain members; they reach the widgets only when a frame is painted (at most
// about 30 a second: a frame costs some 0.3 ms, most of it the label's text layout), on showing
// and hiding, and before a question is put over the window. A frame's changes are painted by
// the pass of the event loop that follows it, all in one.
class frmDialog : public QWidget {
    Q_OBJECT
public:
    // owner: the window the dialog stays above. It is not the Qt parent, so that the caller
    // disabling its own window for the operation never disables the cancel button.
    explicit frmDialog(QWidget* owner = nullptr);
    ~frmDialog() override;

    wxh::PictureBox* ProgBar = nullptr;
    wxh::FileListBox* FileList = nullptr;   // hidden below the visible client area
    QLabel* NowFile = nullptr;
    QLabel* Per = nullptr;
    QPushButton* CmdCancel = nullptr;
    // The drawn frame: Line2 has three elements (indices 0 to 2).
    QFrame* Line1 = nullptr;
    QFrame* Line2[3] = {nullptr, nullptr, nullptr};
    QFrame* Line3 = nullptr;
    QFrame* Line4 = nullptr;

    void Form_Load();
    void CmdCancel_Click();

    // The tag of CmdCancel (the cancel flag), kept beside the button's "Tag" property.
    QString CancelTag() const { return tag_; }
    void SetCancelTag(const QString& tag);

    // "残り " + remaining + "B", the caption of Per.
    static QString PerCaption(qint64 remaining);

    // What the container reports at a file's start and at each progress point. Stored only;
    // the widgets follow at the next frame (see DoEvents).
    void SetProgressFile(const QString& name);   // NowFile; also marks a file's start
    void SetProgressRemaining(qint64 remaining); // Per
    void ClearProgress();                        // the bar starts again, empty
    void FillProgress(int x);                    // red box (0,0)-(x,13); the bar only grows

    // Shows the window (centred the first time); showing a shown window changes nothing.
    void ShowDialog();
    void HideDialog();
    // Lets pending window events run: at most once a millisecond, and always at a painted
    // frame and at a file's start. A frame (at most every 33 ms) first puts the stored progress
    // on the widgets, which the event pass then paints.
    void DoEvents();
    // Puts the stored progress on the widgets and, when the window is shown, paints it now
    // (before a question is shown over it).
    void PaintNow();
    // How many times DoEvents painted a frame (for tests and the benchmark).
    int RepaintCount() const { return repaints_; }

    // The clock of the frame limit and of the event passes: nanoseconds from any fixed point,
    // never going back. Tests set their own for every dialog; an empty function gives back
    // the steady clock.
    using Clock = std::function<qint64()>;
    static void SetClock(Clock clock);

    // The frmDialog that exists now (one at a time), or nullptr.
    static frmDialog* Instance();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void pushProgress();
    qint64 nowNs() const;

    QPointer<QWidget> owner_;
    bool shownOnce_ = false;
    int repaints_ = 0;

    QString tag_;
    // Progress as last reported, and what the widgets show of it.
    QString file_;
    qint64 remaining_ = 0;
    int bar_ = -1;            // right edge of the bar since it was last cleared; -1: empty
    bool fileChanged_ = false, remainingChanged_ = false, barCleared_ = false;
    int drawnBar_ = -1;
    bool fileStart_ = false;
    QElapsedTimer clock_;
    qint64 lastFrameNs_ = 0, lastEventsNs_ = 0;
    bool framed_ = false;
};

#pragma once
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "crow/WxhObject.h"
#include "crow/progress.h"
#include "ui/controls/FileListBox.h"
#include "ui/controls/PictureBox.h"

class QFrame;

// The progress window of the Crow container: the file being processed, the bytes of it
// that remain, a red bar for that file, and a cancel button. Borderless, 4005 x 1245 twips,
// centred when first shown. The cancel flag is the tag of CmdCancel: "" or "1".
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

    // The tag of CmdCancel (the cancel flag).
    QString CancelTag() const;
    void SetCancelTag(const QString& tag);

    // Shows the window (centred the first time); showing a shown window changes nothing.
    void ShowDialog();
    void HideDialog();
    // Lets pending window events run. Every call handles input (so a press of CmdCancel is
    // seen at once); the window is repainted at most 60 times a second, each time with the
    // labels and the bar as the last point left them.
    void DoEvents();
    // Ends the holding back of repaints (between operations, under a question box).
    void AllowRepaint();
    // How many times DoEvents repainted the window (for tests and the benchmark).
    int RepaintCount() const { return repaints_; }

    // The frmDialog that exists now (one at a time), or nullptr.
    static frmDialog* Instance();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointer<QWidget> owner_;
    QElapsedTimer sinceRepaint_;
    QElapsedTimer sincePoint_;
    QTimer repaintTimer_;
    bool shownOnce_ = false;
    int repaints_ = 0;
};

namespace wxh {

// The container's progress interface backed by a real frmDialog; the window is created
// with this object (loaded, hidden) and destroyed with it.
class FrmDialogProgress : public ProgressDialog {
public:
    explicit FrmDialogProgress(QWidget* owner = nullptr);
    ~FrmDialogProgress() override;

    frmDialog* Form() const { return form_; }

    void SetNowFile(const std::string& name) override;
    void SetPer(const std::string& caption) override;
    void ClearProgBar() override;
    void FillProgBar(int32_t x) override;
    std::string CancelTag() const override;
    void SetCancelTag(const std::string& tag) override;
    void Show() override;
    void Hide() override;
    void DoEvents() override;
    // In a translated program the remaining bytes are worded from the numbers; the
    // container's own caption is the Japanese one.
    void OnFileStart(const std::string& name, int64_t size) override;
    void OnPoint(int64_t done, int64_t size) override;

private:
    QPointer<frmDialog> form_;
    int32_t barRight_ = -1;   // right edge of the drawn bar since it was last cleared
    QString perFormat_;       // "残り %1B" in the program's language
    bool perTranslated_ = false;
};

// The window program's overwrite question: path + "に上書きしてもいいですか？",
// titled "上書き確認", Yes and No, through wxh::MsgBox.
// The box sits over the progress window when one exists. Stateless: one shared instance.
class GuiOverwriteQuestion : public OverwriteQuestion {
public:
    int32_t Ask(const std::string& path) override;
    static GuiOverwriteQuestion& Shared();
};

// The frmDialog of a WxhObject made by NewGuiWxhObject (nullptr for any other object).
frmDialog* DialogOf(WxhObject& object);

}  // namespace wxh

// A WxhObject whose progress window is a real frmDialog and whose overwrite question is
// the "上書き確認" Yes/No box. Create one per operation and release it right after.
std::unique_ptr<wxh::WxhObject> NewGuiWxhObject(QWidget* owner = nullptr);

// frmDialog: the progress window as the Crow container drives it.
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>

#include "crow/WxhObject.h"
#include "support/Layout.h"
#include "support/TempDir.h"
#include "support/QtPrint.h"
#include "ui/controls/seams.h"
#include "ui/controls/twips.h"
#include "ui/dialogs/GuiWxhObject.h"

using namespace wxh::test;
namespace fs = std::filesystem;


namespace {

// Width of the red bar: one more than the right-most red pixel on row 5 (0 when none).
int redWidth(frmDialog* d) {
    const QImage& img = d->ProgBar->Canvas();
    int w = 0;
    for (int x = 0; x < img.width(); ++x)
        if (img.pixelColor(x, 5) == QColor(255, 0, 0)) w = x + 1;
    return w;
}

// The dialogs' clock while it lives: time moves when the test says so (Advance), or by step
// at every reading, never by waiting.
struct FakeClock {
    qint64 ns = 0, step = 0;
    explicit FakeClock(qint64 stepNs = 0) : step(stepNs) { frmDialog::SetClock([this] { return ns += step; }); }
    ~FakeClock() { frmDialog::SetClock(nullptr); }
    void Advance(qint64 microseconds) { ns += microseconds * 1000; }
};

void pressKey(QWidget* w, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

TEST(FrmDialog, LayoutCaptionsAndFrame) {
    const ProgramFont font;
    frmDialog d;
    EXPECT_EQ(d.size(), QSize(wxh::Tw(4005), wxh::Tw(1245)));
    EXPECT_EQ(d.minimumSize(), d.maximumSize());
    EXPECT_TRUE(d.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("処理中..."));
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.ProgBar->size(), QSize(249, 17));   // the bar's scale: 0 to 248
    EXPECT_GE(d.FileList->y(), d.height());   // never seen
    {
        const QStringList problems = LayoutProblems(d, {d.FileList});
        EXPECT_TRUE(problems.isEmpty()) << problems.join(QStringLiteral("; ")).toStdString();
    }
    EXPECT_EQ(d.NowFile->text(), QString());
    EXPECT_EQ(d.Per->text(), QStringLiteral("残り 0B"));
    EXPECT_EQ(d.CmdCancel->text(), QStringLiteral("キャンセル"));
    EXPECT_EQ(d.CancelTag(), QString());
    EXPECT_EQ(redWidth(&d), 0);

    auto colour = [](QFrame* f) { return f->palette().color(QPalette::Window); };
    const QColor text = d.palette().color(QPalette::WindowText);
    EXPECT_EQ(colour(d.Line3), text);
    EXPECT_EQ(colour(d.Line4), text);
    EXPECT_EQ(colour(d.Line2[1]), QColor(255, 255, 255));
    EXPECT_EQ(colour(d.Line2[2]), QColor(255, 255, 255));
    EXPECT_EQ(colour(d.Line2[0]), QColor(64, 64, 64));
    EXPECT_EQ(colour(d.Line1), QColor(64, 64, 64));
    EXPECT_EQ(d.Line3->geometry(), QRect(0, 0, 265, 1));      // (0,0)-(3960,0)
    EXPECT_EQ(d.Line4->geometry(), QRect(0, 0, 1, 81));       // (0,1200)-(0,0)
    EXPECT_EQ(d.Line2[0]->geometry(), QRect(265, 0, 1, 81));  // (3975,0)-(3975,1200)
    EXPECT_EQ(d.Line1->geometry(), QRect(0, 81, 265, 1));     // (0,1215)-(3960,1215)
}

TEST(FrmDialog, CancelByButtonAndEnterButNotEsc) {
    frmDialog d;
    pressKey(&d, Qt::Key_Escape);
    EXPECT_EQ(d.CancelTag(), QString());
    pressKey(&d, Qt::Key_Return);
    EXPECT_EQ(d.CancelTag(), QStringLiteral("1"));
    d.SetCancelTag(QString());
    pressKey(d.CmdCancel, Qt::Key_Enter);   // Enter on the focused button reaches the window
    EXPECT_EQ(d.CancelTag(), QStringLiteral("1"));
    d.SetCancelTag(QString());
    d.CmdCancel->click();
    d.CmdCancel->click();   // pressed twice: still "1"
    EXPECT_EQ(d.CancelTag(), QStringLiteral("1"));
}

TEST(FrmDialog, ProgressIsStoredAndReachesTheWidgetsWhenShownOrPainted) {
    wxh::FrmDialogProgress p;
    frmDialog* d = p.Form();
    p.SetNowFile("写真.jpg");
    p.SetPer(5000);
    p.FillProgBar(100);
    // A point only stores its values: nothing of the window changes yet.
    EXPECT_EQ(d->NowFile->text(), QString());
    EXPECT_EQ(d->Per->text(), QStringLiteral("残り 0B"));
    EXPECT_EQ(redWidth(d), 0);
    p.Show();
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->NowFile->text(), QStringLiteral("写真.jpg"));
    EXPECT_EQ(d->Per->text(), QStringLiteral("残り 5000B"));
    EXPECT_EQ(redWidth(d), 101);
    p.FillProgBar(40);   // a smaller box leaves the bigger one drawn
    d->PaintNow();
    EXPECT_EQ(redWidth(d), 101);
    p.FillProgBar(250);
    p.SetPer(0);
    d->PaintNow();
    EXPECT_EQ(redWidth(d), 249);   // clipped to the box
    EXPECT_EQ(d->Per->text(), QStringLiteral("残り 0B"));
    EXPECT_NE(d->ProgBar->Canvas().pixelColor(5, 14), QColor(255, 0, 0));   // rows 0..13 only
    p.ClearProgBar();
    p.Show();   // showing a shown window changes nothing but what it shows
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(redWidth(d), 0);
    p.FillProgBar(10);
    p.Hide();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(redWidth(d), 11);   // hidden with the last point on it
    // The labels have fixed sizes, so a new caption never asks for a new layout.
    EXPECT_EQ(d->NowFile->minimumSize(), d->NowFile->maximumSize());
    EXPECT_EQ(d->Per->minimumSize(), d->Per->maximumSize());
}

TEST(FrmDialog, TheScreenShowsTheProgressWhilePointsComeFast) {
    wxh::FrmDialogProgress p;
    p.SetNowFile("fast.dat");
    p.Show();
    FakeClock clock;
    for (int x = 1; x <= 300; ++x) {   // 300 ms, a point every millisecond, as a fast disk gives them
        clock.Advance(1000);
        p.FillProgBar(std::min(x, 200));
        p.DoEvents();
    }
    // What the window system shows, not what the widget would paint when asked.
    QScreen* screen = QGuiApplication::primaryScreen();
    const QImage shown = screen->grabWindow(p.Form()->winId()).toImage();
    ASSERT_FALSE(shown.isNull());
    const QPoint bar = p.Form()->ProgBar->geometry().topLeft() + QPoint(50, 5);
    EXPECT_EQ(shown.pixelColor(bar * shown.devicePixelRatio()), QColor(255, 0, 0));
    EXPECT_EQ(p.Form()->RepaintCount(), 10);   // the first point, then one frame every 33 ms
}

TEST(FrmDialog, OneWindowPerObjectCreatedHiddenAndDestroyedWithIt) {
    EXPECT_EQ(frmDialog::Instance(), nullptr);
    {
        auto object = NewGuiWxhObject();
        frmDialog* d = wxh::DialogOf(*object);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(frmDialog::Instance(), d);
        EXPECT_FALSE(d->isVisible());
        d->SetCancelTag(QStringLiteral("1"));
    }
    EXPECT_EQ(frmDialog::Instance(), nullptr);
    auto again = NewGuiWxhObject();
    EXPECT_EQ(wxh::DialogOf(*again)->CancelTag(), QString());   // a new window starts with no cancel
}

TEST(FrmDialog, CancelStillWorksWhileTheCallerDisablesItsWindow) {
    QWidget caller;
    caller.show();
    auto object = NewGuiWxhObject(&caller);
    caller.setEnabled(false);   // as the release command and the creation dialog do
    frmDialog* d = wxh::DialogOf(*object);
    object->Dialog().Show();
    EXPECT_TRUE(d->isEnabled());
    EXPECT_TRUE(d->CmdCancel->isEnabled());
    d->CmdCancel->click();
    EXPECT_EQ(d->CancelTag(), QStringLiteral("1"));
    object.reset();   // the dialog goes with the object, the caller stays
    EXPECT_EQ(frmDialog::Instance(), nullptr);
    EXPECT_TRUE(caller.isVisible());
}

TEST(FrmDialog, OverwriteQuestionIsAYesNoBoxTitledForIt) {
    std::vector<std::tuple<QString, QString, bool>> asked;
    int answer = wxh::kMsgYes;
    wxh::SetMsgBoxHandler([&](QWidget*, const QString& text, const QString& title, bool yesNo) {
        asked.emplace_back(text, title, yesNo);
        return answer;
    });
    auto& q = wxh::GuiOverwriteQuestion::Shared();
    EXPECT_EQ(q.Ask("/out/a.txt"), 6);
    answer = wxh::kMsgNo;
    EXPECT_EQ(q.Ask("/out/b.txt"), 7);
    wxh::SetMsgBoxHandler(nullptr);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(std::get<0>(asked[0]), QStringLiteral("/out/a.txtに上書きしてもいいですか？"));
    EXPECT_EQ(std::get<1>(asked[0]), QStringLiteral("上書き確認"));
    EXPECT_TRUE(std::get<2>(asked[0]));
}

// The real window, watched at every progress point and checked at every painted frame.
class WatchedDialog : public wxh::FrmDialogProgress {
public:
    struct Point { std::string file; int64_t done, size; };
    std::vector<Point> points;
    std::vector<std::string> problems;
    std::function<void(WatchedDialog&)> hook;
    int frames = 0;
    int pointsWhenCancelSeen = -1;   // points made when the window had taken the cancel

    void SetNowFile(const std::string& name) override { file_ = name; FrmDialogProgress::SetNowFile(name); }
    void SetPer(int64_t remaining) override { per_ = remaining; FrmDialogProgress::SetPer(remaining); }
    void ClearProgBar() override { bar_ = -1; FrmDialogProgress::ClearProgBar(); }
    void FillProgBar(int32_t x) override { bar_ = std::max(bar_, x); FrmDialogProgress::FillProgBar(x); }
    void OnPoint(int64_t done, int64_t size) override { points.push_back({file_, done, size}); }
    void DoEvents() override {
        if (hook) hook(*this);
        const int before = Form()->RepaintCount();
        FrmDialogProgress::DoEvents();
        if (Form()->RepaintCount() != before) {   // a frame: the widgets show the last point
            ++frames;
            if (Form()->NowFile->text().toStdString() != file_) problems.push_back("NowFile " + Form()->NowFile->text().toStdString());
            if (Form()->Per->text() != QStringLiteral("残り %1B").arg(per_))
                problems.push_back("Per " + Form()->Per->text().toStdString() + " != " + std::to_string(per_));
            const int expected = bar_ < 0 ? 0 : std::min(bar_ + 1, 249);
            if (redWidth(Form()) != expected)
                problems.push_back("bar " + std::to_string(redWidth(Form())) + " != " + std::to_string(expected));
        }
        if (pointsWhenCancelSeen < 0 && Form()->CancelTag() == QStringLiteral("1"))
            pointsWhenCancelSeen = int(points.size());
    }

private:
    std::string file_;
    int64_t per_ = 0;
    int32_t bar_ = -1;
};

class PackTest : public ::testing::Test {
protected:
    void SetUp() override {
        src = tmp.file("src");
        fs::create_directories(src);
        const char* names[] = {"a.dat", "b.dat", "c.dat", "d.dat", "e.dat"};
        for (int i = 0; i < 5; ++i) WriteFile(src + "/" + names[i], PatternBytes(60000 + 10000 * size_t(i), uint32_t(i + 7)));
        out = tmp.file("out.bmp");
    }
    // A factory of real progress windows that records every point; watched is set to the one made.
    static wxh::ProgressDialogFactory Watching(WatchedDialog*& watched) {
        return [&watched] {
            auto d = std::make_unique<WatchedDialog>();
            watched = d.get();
            return d;
        };
    }
    TempDir tmp;
    std::string src, out;
};

TEST_F(PackTest, EveryPaintedFrameShowsTheLastPoint) {
    WatchedDialog* watched = nullptr;
    FakeClock clock;
    wxh::WxhObject object([&watched, &clock] {
        auto d = std::make_unique<WatchedDialog>();
        d->hook = [&clock](WatchedDialog&) { clock.Advance(34000); };   // a slow disk: a frame at every point
        watched = d.get();
        return d;
    }, &wxh::GuiOverwriteQuestion::Shared());
    ASSERT_EQ(object.Crow2(src + "/", out), 0);
    ASSERT_NE(watched, nullptr);
    EXPECT_GE(watched->points.size(), 15u);   // 60,000 to 100,000 bytes a file, a point every 18,877
    EXPECT_GE(watched->frames, int(watched->points.size()));
    EXPECT_TRUE(watched->problems.empty()) << watched->problems.front();
    EXPECT_EQ(watched->Form()->NowFile->text(), QStringLiteral("e.dat"));
    EXPECT_FALSE(watched->Form()->isVisible());   // hidden at the successful end
}

TEST_F(PackTest, EnterInTheMiddleOfTheThirdFileCancelsAtTheNextPointAndLeavesNoCrowFile) {
    WatchedDialog* watched = nullptr;
    bool pressed = false;
    FakeClock clock;
    wxh::WxhObject object([&] {
        auto d = std::make_unique<WatchedDialog>();
        d->hook = [&pressed, &clock](WatchedDialog& w) {
            if (pressed) {
                clock.Advance(1500);   // the window takes the key at the next pass of the event loop
            } else if (!w.points.empty() && w.points.back().file == "c.dat") {
                pressed = true;   // the key goes through the window's event queue like a real one
                QCoreApplication::postEvent(w.Form(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
            }
        };
        watched = d.get();
        return d;
    }, &wxh::GuiOverwriteQuestion::Shared());
    EXPECT_EQ(object.Crow2(src + "/", out), -1);
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(watched->Form()->CancelTag(), QString());   // reset by the container
    EXPECT_FALSE(watched->Form()->isVisible());
    EXPECT_EQ(watched->points.back().file, "c.dat");
    // Honoured at the first point after the window took it: no point made after that one.
    ASSERT_GE(watched->pointsWhenCancelSeen, 0);
    EXPECT_EQ(int(watched->points.size()), watched->pointsWhenCancelSeen);
}

TEST_F(PackTest, CancelButtonClickedWhileTheGuiObjectReleases) {
    {
        auto packer = NewGuiWxhObject();
        ASSERT_EQ(packer->Crow2(src + "/", out), 0);
    }
    const std::string dest = tmp.file("dest");
    fs::create_directories(dest);
    auto object = NewGuiWxhObject();
    frmDialog* d = wxh::DialogOf(*object);
    FakeClock clock;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [d, &clock] {
        clock.Advance(17000);   // a slow disk: 17 ms between two passes of the event loop
        if (d->NowFile->text() == QStringLiteral("b.dat") && d->isVisible()) d->CmdCancel->click();
    });
    clicker.start(0);
    EXPECT_EQ(object->UnCrow2(out, dest + "/"), -1);
    clicker.stop();
    EXPECT_TRUE(fs::exists(dest + "/a.dat"));    // released before the cancel: kept
    EXPECT_FALSE(fs::exists(dest + "/b.dat"));   // the one being written: removed
    EXPECT_FALSE(fs::exists(dest + "/c.dat"));
}

TEST_F(PackTest, FramesAndEventPassesAreThrottledWhilePointsAreNot) {
    WriteFile(src + "/big.dat", PatternBytes(8 * 1024 * 1024, 3));
    WatchedDialog* watched = nullptr;
    wxh::WxhObject object(Watching(watched), &wxh::GuiOverwriteQuestion::Shared());
    int passes = 0;   // passes of the event loop, counted by a timer that fires at each
    QTimer counter;
    QObject::connect(&counter, &QTimer::timeout, [&passes] { ++passes; });
    counter.start(0);
    FakeClock clock(250'000);   // a quarter of a millisecond between two points
    ASSERT_EQ(object.Crow2(src + "/", out), 0);
    const qint64 ms = clock.ns / 1'000'000;
    counter.stop();
    EXPECT_TRUE(watched->problems.empty()) << watched->problems.front();
    EXPECT_GE(watched->points.size(), 440u);
    // At most one frame per 33 ms, and one pass of the event loop per millisecond, plus the
    // ones that showing, hiding and the six file starts bring.
    EXPECT_LE(watched->Form()->RepaintCount(), ms / 33 + 10) << watched->points.size() << " points in " << ms << " ms";
    EXPECT_LE(passes, ms + 20) << watched->points.size() << " points in " << ms << " ms";
    // and not fewer: the limit is a rate, not a stop
    EXPECT_GE(watched->Form()->RepaintCount(), ms / 33) << watched->points.size() << " points in " << ms << " ms";
    EXPECT_GE(passes, ms - 20) << watched->points.size() << " points in " << ms << " ms";
}

// A frame paints the caption and the bar once, in the event pass that follows it, never a
// second time for the same change.
TEST_F(PackTest, AFramePaintsWhatChangedOnce) {
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++paints;
            return false;
        }
    };
    WatchedDialog* watched = nullptr;
    PaintCounter per, bar;
    FakeClock clock;
    wxh::WxhObject object([&] {
        auto d = std::make_unique<WatchedDialog>();
        d->hook = [&clock](WatchedDialog&) { clock.Advance(34000); };   // a frame at every point
        d->Form()->Per->installEventFilter(&per);
        d->Form()->ProgBar->installEventFilter(&bar);
        watched = d.get();
        return d;
    }, &wxh::GuiOverwriteQuestion::Shared());
    ASSERT_EQ(object.Crow2(src + "/", out), 0);
    const int frames = watched->Form()->RepaintCount();
    EXPECT_GE(frames, 15);
    // One paint a frame, and the one of the newly shown window.
    EXPECT_LE(per.paints, frames + 1);
    EXPECT_LE(bar.paints, frames + 1);
    EXPECT_GE(per.paints, frames - 2);   // and the frames did reach the screen
}

}  // namespace

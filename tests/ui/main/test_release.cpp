#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "ui/dialogs/GuiWxhObject.h"
#include "ui/dialogs/frmPassword.h"
#include "ui/main/test_release_fixture.h"

namespace {

using namespace wxh::test;
namespace fs = std::filesystem;

const QString kNoFileMsg = QStringLiteral("ファイルが選択されてないよぉ(^_^;)");
const QString kCancelled = QStringLiteral("キャンセルされました");
const QString kUnknown = QStringLiteral("未知の形式だよぉ～(>_<)");
const QString kUnreadable = QStringLiteral("ファイルが読めませ～ん！");
const QString kWriteFailed = QStringLiteral("ファイルの書き込みができなかったよぉ(T_T)");
const QString kBadSize = QStringLiteral("ファイルサイズがおかしいよぉ～(>_<)");

const std::vector<PackedFile> kTwo = {{"a.txt", "hello"}, {"b.bin", PatternBytes(3000, 7)}};

class Release : public MainWindowTest {
protected:
    // The password dialog answered by typing text and pressing OK.
    void TypePassword(const QString& text) {
        modal = [text](QDialog* d) {
            auto* pw = qobject_cast<frmPassword*>(d);
            EXPECT_NE(pw, nullptr);
            if (!pw) return 0;
            EXPECT_TRUE(pw->PassBox->text().isEmpty());
            pw->PassBox->setText(text);
            pw->CmdOK->click();
            return pw->result();
        };
    }
    std::string Out(const std::string& rel) const { return tmp.file("out/" + rel); }
};

TEST_F(Release, NoCurrentFileSaysSoAndDoesNothingElse) {
    ASSERT_EQ(win->CurrentCrowFile(), frmMain::kNoFile);
    win->mnu_View_Relese_Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kNoFileMsg);
    EXPECT_EQ(messages[0].title, QStringLiteral("WX_Hollin"));
    EXPECT_FALSE(messages[0].yesNo);
    EXPECT_FALSE(messages[0].mainEnabled);
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(fs::is_empty(tmp.file("out")));
    EXPECT_TRUE(win->isEnabled());
}

TEST_F(Release, DestinationWithAndWithoutTrailingSlash) {
    const std::string crow = tmp.file("in/photos.bmp");
    WriteCrow(crow, 2, kTwo);
    Select(crow);
    for (const std::string& setting : {tmp.file("out"), tmp.file("out") + "/"}) {
        fs::remove_all(Out("photos"));
        opened.clear();
        wxh::Live().ExtractFolder = setting;
        win->mnu_View_Relese_Click();
        EXPECT_TRUE(messages.empty()) << messages.front().text.toStdString();
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0], q(Out("photos/")));
        EXPECT_EQ(openedOwner, win.get());
        EXPECT_EQ(ReadFile(Out("photos/a.txt")), "hello");
        EXPECT_EQ(ReadFile(Out("photos/b.bin")), kTwo[1].data);
        EXPECT_TRUE(win->isEnabled());
    }
}

TEST_F(Release, SubFolderNamesFromDotsAndNoDots) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a.b.c.bmp", "a.b.c"}, {"archive", "archive"}, {"trail.", "trail"},
        // names that would leave no folder of their own are used whole
        {".bmp", ".bmp"}, {"..bmp", "..bmp"}, {"...bmp", "...bmp"}};
    for (const auto& [file, folder] : cases) {
        const std::string crow = tmp.file("in/" + file);
        WriteCrow(crow, 2, {{"f.txt", "x" + file}});
        Select(crow);
        opened.clear();
        win->mnu_View_Relese_Click();
        ASSERT_EQ(opened.size(), 1u) << file;
        EXPECT_EQ(opened[0], q(Out(folder + "/"))) << file;
        EXPECT_EQ(ReadFile(Out(folder + "/f.txt")), "x" + file);
    }
    // nothing was ever written beside the release folder or straight into it
    EXPECT_FALSE(fs::exists(tmp.file("f.txt")));
    EXPECT_FALSE(fs::exists(Out("f.txt")));
}

TEST_F(Release, OneFileNoFolderOnlyForASingleFile) {
    const std::string one = tmp.file("in/one.bmp");
    const std::string two = tmp.file("in/two.bmp");
    WriteCrow(one, 2, {{"only.txt", "single"}});
    WriteCrow(two, 2, kTwo);

    wxh::Live().OneFileNoFolder = 1;
    Select(one);
    win->mnu_View_Relese_Click();
    EXPECT_EQ(ReadFile(Out("only.txt")), "single");
    EXPECT_FALSE(fs::exists(Out("one")));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened.back(), q(Out("")));   // the release folder, with its "/"

    Select(two);
    win->mnu_View_Relese_Click();
    EXPECT_EQ(ReadFile(Out("two/a.txt")), "hello");
    EXPECT_EQ(opened.back(), q(Out("two/")));

    wxh::Live().OneFileNoFolder = 0;
    fs::remove(Out("only.txt"));
    Select(one);
    win->mnu_View_Relese_Click();
    EXPECT_EQ(ReadFile(Out("one/only.txt")), "single");
    EXPECT_FALSE(fs::exists(Out("only.txt")));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Release, SecondReleaseReusesTheFolderAndAsksPerNonEmptyFile) {
    const std::string crow = tmp.file("in/again.bmp");
    WriteCrow(crow, 2, {{"keep.txt", "new keep"}, {"swap.txt", "new swap"}, {"empty.txt", "filled"}});
    Select(crow);
    win->mnu_View_Relese_Click();
    ASSERT_EQ(opened.size(), 1u);

    WriteFile(Out("again/keep.txt"), "mine, keep me");
    WriteFile(Out("again/swap.txt"), "mine, replace me and more");
    WriteFile(Out("again/empty.txt"), "");
    answer = [](const QString& text, const QString&) {
        return text.contains(QStringLiteral("keep.txt")) ? wxh::kMsgNo : wxh::kMsgYes;
    };
    win->mnu_View_Relese_Click();
    ASSERT_EQ(messages.size(), 2u);   // the empty file is replaced without a question
    EXPECT_EQ(messages[0].text, q(Out("again/keep.txt")) + QStringLiteral("に上書きしてもいいですか？"));
    EXPECT_EQ(messages[0].title, QStringLiteral("上書き確認"));
    EXPECT_TRUE(messages[0].yesNo);
    EXPECT_FALSE(messages[0].mainEnabled);
    EXPECT_EQ(messages[1].text, q(Out("again/swap.txt")) + QStringLiteral("に上書きしてもいいですか？"));
    EXPECT_EQ(ReadFile(Out("again/keep.txt")), "mine, keep me");
    EXPECT_EQ(ReadFile(Out("again/swap.txt")), "new swap");
    EXPECT_EQ(ReadFile(Out("again/empty.txt")), "filled");
    EXPECT_EQ(opened.size(), 2u);
}

// The close box during a release (here: while its overwrite question is up) is ignored: the
// window stays, no settings are written under the release, and the release completes.
TEST_F(Release, CloseBoxIsIgnoredWhileAReleaseRuns) {
    const std::string crow = tmp.file("in/busy.bmp");
    WriteCrow(crow, 2, {{"a.txt", "new a"}});
    Select(crow);
    fs::create_directories(Out("busy"));
    WriteFile(Out("busy/a.txt"), "old a");
    win->show();
    bool closed = true, shownAfter = false;
    answer = [&](const QString&, const QString&) {
        closed = win->close();
        shownAfter = win->isVisible();
        return wxh::kMsgYes;
    };
    win->mnu_View_Relese_Click();
    EXPECT_FALSE(closed);
    EXPECT_TRUE(shownAfter);
    EXPECT_FALSE(fs::exists(tmp.file("prog/WX_HOLLIN.ini")));
    EXPECT_EQ(ReadFile(Out("busy/a.txt")), "new a");
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_TRUE(win->close());   // once it has ended the close box works again
    EXPECT_TRUE(fs::exists(tmp.file("prog/WX_HOLLIN.ini")));
}

// The first overwrite question of a release goes over a progress window that is already
// painted: what the screen shows of it is the file being released, not leftover pixels.
TEST_F(Release, TheProgressWindowIsPaintedBeforeTheFirstQuestion) {
    const std::string crow = tmp.file("in/paint.bmp");
    WriteCrow(crow, 2, {{"first.txt", "new"}});
    Select(crow);
    fs::create_directories(Out("paint"));
    WriteFile(Out("paint/first.txt"), "old");
    win->show();
    QString shownFile;
    int inkInNowFile = 0;
    QColor besideTheName;
    answer = [&](const QString&, const QString&) {
        frmDialog* d = frmDialog::Instance();
        if (!d || !d->isVisible()) return wxh::kMsgNo;
        shownFile = d->NowFile->text();
        // What the window system holds for the window, not what it would paint if asked.
        const QImage shown = QGuiApplication::primaryScreen()->grabWindow(d->winId()).toImage();
        const QRect label = d->NowFile->geometry();
        const QColor background = d->palette().color(QPalette::Window);
        besideTheName = shown.pixelColor(QPoint(label.right() + 20, label.center().y()) * shown.devicePixelRatio());
        if (besideTheName != background) return wxh::kMsgYes;
        for (int y = label.top(); y <= label.bottom(); ++y)
            for (int x = label.left(); x <= label.right(); ++x) {
                const QColor c = shown.pixelColor(QPoint(x, y) * shown.devicePixelRatio());
                if (c != background && c.lightness() < background.lightness() - 60) ++inkInNowFile;
            }
        return wxh::kMsgYes;
    };
    win->mnu_View_Relese_Click();
    EXPECT_EQ(shownFile, QStringLiteral("first.txt"));
    EXPECT_EQ(besideTheName, win->palette().color(QPalette::Window));   // the window's own background
    EXPECT_GT(inkInNowFile, 10);   // and the name drawn on it
    EXPECT_EQ(ReadFile(Out("paint/first.txt")), "new");
}

TEST_F(Release, ProtectedCrow3AsksAndUsesThePassword) {
    const std::string crow = tmp.file("in/locked.bmp");
    WriteCrow(crow, 3, kTwo, 0, "pw 1");
    Select(crow);
    wxh::Live().CrowPassword = "stale";
    TypePassword(QStringLiteral("pw 1"));
    win->mnu_View_Relese_Click();
    EXPECT_EQ(modalCount, 1);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(wxh::Live().CrowPassword, "pw 1");
    EXPECT_EQ(ReadFile(Out("locked/a.txt")), "hello");
    EXPECT_EQ(ReadFile(Out("locked/b.bin")), kTwo[1].data);
    ASSERT_EQ(opened.size(), 1u);
}

TEST_F(Release, EmptyPasswordCancelAndCloseBoxAllCountAsCancelled) {
    const std::string crow = tmp.file("in/locked.bmp");
    WriteCrow(crow, 3, kTwo, 0, "secret");
    Select(crow);
    // First a release that worked, so that CrowPassword holds a password.
    TypePassword(QStringLiteral("secret"));
    win->mnu_View_Relese_Click();
    ASSERT_EQ(opened.size(), 1u);
    fs::remove_all(Out("locked"));

    const std::vector<std::function<int(QDialog*)>> ways = {
        [](QDialog* d) {   // OK on an empty box
            auto* pw = static_cast<frmPassword*>(d);
            pw->CmdOK->click();
            return pw->result();
        },
        [](QDialog* d) {   // Cancel after typing
            auto* pw = static_cast<frmPassword*>(d);
            pw->PassBox->setText(QStringLiteral("secret"));
            pw->CmdCancel->click();
            return pw->result();
        },
        [](QDialog* d) {   // the close box
            auto* pw = static_cast<frmPassword*>(d);
            pw->PassBox->setText(QStringLiteral("secret"));
            pw->close();
            return pw->result();
        }};
    for (size_t i = 0; i < ways.size(); ++i) {
        messages.clear();
        modal = ways[i];
        win->mnu_View_Relese_Click();
        ASSERT_EQ(messages.size(), 1u) << i;
        EXPECT_EQ(messages[0].text, kCancelled);
        EXPECT_EQ(messages[0].title, QStringLiteral("WX_Hollin"));
        EXPECT_TRUE(fs::is_directory(Out("locked")));   // made before the format check
        EXPECT_TRUE(fs::is_empty(Out("locked"))) << i;
        EXPECT_EQ(wxh::Live().CrowPassword, "");
        EXPECT_TRUE(win->isEnabled());
    }
    EXPECT_EQ(opened.size(), 1u);
}

// A password whose decoded files do not look like their names: asked before anything is
// written; No ends as cancelled, Yes releases anyway; the right password is not questioned.
TEST_F(Release, WrongLookingPasswordIsQuestionedFirst) {
    const std::string crow = tmp.file("in/notes.bmp");
    std::vector<PackedFile> texts;
    for (const char* n : {"a.txt", "b.txt", "c.md", "d.bin"})
        texts.push_back({n, std::string(40, '\n') + std::string(2000, 'x') + " plain words, line after line.\n"});
    WriteCrow(crow, 3, texts, 0, "secret");
    Select(crow);
    for (const int reply : {wxh::kMsgNo, wxh::kMsgYes}) {
        messages.clear();
        opened.clear();
        answer = [reply](const QString&, const QString&) { return reply; };
        TypePassword(QStringLiteral("Secret"));
        win->mnu_View_Relese_Click();
        ASSERT_GE(messages.size(), 1u);
        EXPECT_TRUE(messages[0].yesNo);
        EXPECT_EQ(messages[0].title, QStringLiteral("WX_Hollin"));
        EXPECT_TRUE(messages[0].text.contains(QStringLiteral("a.txt, b.txt, c.md"))) << messages[0].text.toStdString();
        EXPECT_FALSE(messages[0].mainEnabled);
        if (reply == wxh::kMsgNo) {
            ASSERT_EQ(messages.size(), 2u);
            EXPECT_EQ(messages[1].text, kCancelled);
            EXPECT_TRUE(fs::is_empty(Out("notes")));
            EXPECT_TRUE(opened.empty());
        } else {
            EXPECT_EQ(messages.size(), 1u);
            EXPECT_EQ(opened.size(), 1u);
            EXPECT_NE(ReadFile(Out("notes/a.txt")), texts[0].data);  // what the user agreed to
        }
    }
    fs::remove_all(Out("notes"));
    messages.clear();
    TypePassword(QStringLiteral("secret"));
    win->mnu_View_Relese_Click();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(ReadFile(Out("notes/c.md")), texts[2].data);
}

TEST_F(Release, Crow1Crow2AndOpenCrow3NeverAskForAPassword) {
    WriteCrow(tmp.file("in/g1.bmp"), 1, kTwo);
    WriteCrow(tmp.file("in/g2.bmp"), 2, kTwo);
    WriteCrow(tmp.file("in/g3.bmp"), 3, kTwo, 4321);
    for (const std::string name : {"g1", "g2", "g3"}) {
        Select(tmp.file("in/" + name + ".bmp"));
        win->mnu_View_Relese_Click();
        EXPECT_EQ(ReadFile(Out(name + "/a.txt")), "hello") << name;
        EXPECT_EQ(ReadFile(Out(name + "/b.bin")), kTwo[1].data) << name;
    }
    EXPECT_EQ(modalCount, 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(opened.size(), 3u);
}

TEST_F(Release, MessagesForUnreadableFiles) {
    // A Crow file that became an ordinary bitmap since it was shown: unknown format, and
    // no sub-folder is made for it (the release inspects first).
    const std::string crow = tmp.file("in/changed.bmp");
    WriteCrow(crow, 2, kTwo);
    Select(crow);
    WriteFile(crow, PlainBitmapBytes());
    win->mnu_View_Relese_Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kUnknown);
    EXPECT_FALSE(fs::exists(Out("changed")));

    // Deleted since it was shown: cannot be read.
    messages.clear();
    fs::remove(crow);
    win->mnu_View_Relese_Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kUnreadable);
    EXPECT_EQ(messages[0].title, QStringLiteral("WX_Hollin"));
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(win->isEnabled());
}

TEST_F(Release, WriteFailureAndBadLengthMessages) {
    const std::string crow = tmp.file("in/w.bmp");
    WriteCrow(crow, 2, kTwo);
    Select(crow);
    wxh::Live().ExtractFolder = tmp.file("missing/deeper");   // the sub-folder cannot be made
    win->mnu_View_Relese_Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kWriteFailed);
    EXPECT_FALSE(fs::exists(tmp.file("missing")));

    messages.clear();
    wxh::Live().ExtractFolder = tmp.file("out");
    const std::string cut = tmp.file("in/cut.bmp");
    std::string bytes = MakeCrowBytes(3, kTwo, 77);
    WriteFile(cut, bytes + "appended");
    Select(cut);   // still listed
    win->mnu_View_Relese_Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kBadSize);
    EXPECT_TRUE(opened.empty());
}

// A link or a file standing at the sub-folder's name is never released through: the write
// failure message, nothing in the link's target.
TEST_F(Release, LinkOrFileAtTheSubFolderNameIsAWriteFailure) {
    TempDir elsewhere;
    const std::string crow = tmp.file("in/photos.bmp");
    WriteCrow(crow, 2, kTwo);
    Select(crow);
    fs::create_directory_symlink(elsewhere.path(), Out("photos"));
    win->mnu_View_Relese_Click();
    EXPECT_EQ(Texts(), std::vector<QString>{kWriteFailed});
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
    EXPECT_TRUE(opened.empty());

    messages.clear();
    fs::remove(Out("photos"));
    WriteFile(Out("photos"), "a file");
    win->mnu_View_Relese_Click();
    EXPECT_EQ(Texts(), std::vector<QString>{kWriteFailed});
    EXPECT_EQ(ReadFile(Out("photos")), "a file");
    EXPECT_TRUE(win->isEnabled());
}

// The release reads the file its inspection opened. Rewritten in place while the password is
// asked, it is refused and nothing is written; replaced by another file under its name, the
// file that was inspected is the one released.
TEST_F(Release, FileChangedWhileThePasswordIsAskedIsNeverMixedUp) {
    const std::string crow = tmp.file("in/swap.bmp");
    const auto answer = [](QDialog* d) {
        auto* pw = static_cast<frmPassword*>(d);
        pw->PassBox->setText(QStringLiteral("pw"));
        pw->CmdOK->click();
        return pw->result();
    };
    WriteCrow(crow, 3, kTwo, 0, "pw");
    Select(crow);
    modal = [&](QDialog* d) {
        WriteCrow(crow, 2, kTwo);   // same file, new bytes
        return answer(d);
    };
    win->mnu_View_Relese_Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(fs::exists(Out("swap/a.txt")));

    messages.clear();
    WriteCrow(crow, 3, kTwo, 0, "pw");
    Select(crow);
    modal = [&](QDialog* d) {
        WriteCrow(tmp.file("in/other.bmp"), 2, {{"x.txt", "other"}});
        fs::rename(tmp.file("in/other.bmp"), crow);   // another file under the name
        return answer(d);
    };
    win->mnu_View_Relese_Click();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(ReadFile(Out("swap/a.txt")), "hello");
    EXPECT_FALSE(fs::exists(Out("swap/x.txt")));
}

TEST_F(Release, CancelInTheThirdOfFiveFilesThroughTheProgressWindow) {
    std::vector<PackedFile> five;
    for (char c = 'a'; c <= 'e'; ++c) five.push_back({std::string(1, c) + ".dat", PatternBytes(120000, c)});
    const std::string crow = tmp.file("in/five.bmp");
    WriteCrow(crow, 2, five);
    WriteFile(Out("five-marker"), "");   // the release folder holds other things too
    Select(crow);

    bool pressed = false, sawDialog = false, mainWasEnabled = true, dialogWasEnabled = false;
    qint64 now = 0;   // the progress window's clock, moved by a slow disk's 17 ms a point
    frmDialog::SetClock([&now] { return now; });
    QTimer presser;
    presser.setInterval(0);
    QObject::connect(&presser, &QTimer::timeout, [&] {
        frmDialog* d = frmDialog::Instance();
        if (!d || !d->isVisible() || pressed) return;
        now += 17'000'000;   // a slow disk: 17 ms between two passes of the event loop
        sawDialog = true;
        mainWasEnabled = win->isEnabled();
        dialogWasEnabled = d->CmdCancel->isEnabled() && d->isEnabled();
        // part-way through the third file: its bar has moved
        if (d->NowFile->text() == QStringLiteral("c.dat") && d->Per->text() != QStringLiteral("残り 120000B")) {
            d->CmdCancel->click();   // a real click: does nothing on a disabled button
            pressed = d->CancelTag() == QStringLiteral("1");
        }
    });
    presser.start();
    win->FileView_DblClick();
    presser.stop();
    frmDialog::SetClock(nullptr);

    EXPECT_TRUE(sawDialog);
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(mainWasEnabled);
    EXPECT_TRUE(dialogWasEnabled);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kCancelled);
    EXPECT_EQ(ReadFile(Out("five/a.dat")), five[0].data);
    EXPECT_EQ(ReadFile(Out("five/b.dat")), five[1].data);
    EXPECT_FALSE(fs::exists(Out("five/c.dat")));
    EXPECT_FALSE(fs::exists(Out("five/d.dat")));
    EXPECT_FALSE(fs::exists(Out("five/e.dat")));
    size_t leftovers = 0;
    for (const auto& e : fs::directory_iterator(Out("five"))) { (void)e; ++leftovers; }
    EXPECT_EQ(leftovers, 2u);   // no half-written or temporary file stays
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(win->isEnabled());
    EXPECT_EQ(frmDialog::Instance(), nullptr);   // released with the object

    // The next release starts with a clean cancel flag and finishes.
    messages.clear();
    answer = [](const QString&, const QString&) { return wxh::kMsgYes; };
    win->mnu_View_Relese_Click();
    EXPECT_EQ(ReadFile(Out("five/e.dat")), five[4].data);
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(Release, DoubleClickOnThePanelRunsIt) {
    const std::string crow = tmp.file("in/dbl.bmp");
    WriteCrow(crow, 2, kTwo);
    Select(crow);
    win->FileView_DblClick();
    EXPECT_EQ(ReadFile(Out("dbl/a.txt")), "hello");
    EXPECT_EQ(opened.size(), 1u);
}

}  // namespace

// A release folder that is empty or relative would send the files to "/" or to wherever the
// program was started: nothing is created or written, and the release reports a failed write.
TEST_F(Release, EmptyOrRelativeReleaseFolderWritesNothing) {
    const std::string crow = tmp.file("in/photos.bmp");
    WriteCrow(crow, 2, kTwo);
    Select(crow);
    const fs::path cwd = fs::current_path();
    fs::current_path(tmp.file("in"));
    for (const std::string& setting : {std::string(), std::string("rel"), std::string("./")}) {
        SCOPED_TRACE(setting);
        messages.clear();
        wxh::Live().ExtractFolder = setting;
        win->mnu_View_Relese_Click();
        EXPECT_EQ(Texts(), std::vector<QString>{kWriteFailed});
        EXPECT_TRUE(opened.empty());
        EXPECT_FALSE(fs::exists(tmp.file("in/photos"))) << "released relative to the working folder";
        EXPECT_FALSE(fs::exists(tmp.file("in/rel")));
        EXPECT_FALSE(fs::exists("/photos"));
    }
    fs::current_path(cwd);
}

// wx-hollin --release FILE... and --pack FOLDER, driven as a file manager starts them: the
// command line read, then the command run in process with every question answered here.
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "crow/WxhObject.h"
#include "ui/settings/LiveSettings.h"
#include "support/TempDir.h"
#include "ui/commondlg/FakeCommonDlgBackend.h"
#include "ui/controls/seams.h"
#include "ui/dialogs/frmCrow.h"
#include "ui/dialogs/frmPassword.h"
#include "ui/main/StartArguments.h"
#include "ui/main/StartCommands.h"
#include "ui/main/frmMain.h"

namespace {

using namespace wxh::test;
namespace fs = std::filesystem;
using Action = wxh::StartArguments::Action;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Every file below root, by its path relative to root, with its bytes.
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) out[fs::relative(e.path(), root).string()] = ReadFile(e.path().string());
    return out;
}

// crow release [--password-stdin] FILE DEST; true on exit status 0.
bool CrowRelease(const std::string& file, const std::string& dest, const std::string& password = "") {
    QProcess p;
    QStringList args{QStringLiteral("release")};
    if (!password.empty()) args << QStringLiteral("--password-stdin");
    args << Q(file) << Q(dest);
    p.start(QString::fromLocal8Bit(qgetenv("WXH_BIN_DIR")) + QStringLiteral("/crow"), args);
    if (!password.empty()) p.write((password + "\n").c_str());
    p.closeWriteChannel();
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

class FileManagerCommand : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(tmp.file("src"));
        WriteFile(tmp.file("src/one.txt"), PatternBytes(999, 1));
        WriteFile(tmp.file("src/two.bin"), PatternBytes(70000, 2));   // long enough for progress points
        wxh::SetMsgBoxHandler([this](QWidget*, const QString& text, const QString& title, bool yesNo) {
            messages << text;
            titles << title;
            return yesNo ? overwriteAnswer : wxh::kMsgOk;
        });
        wxh::SetModalHandler([this](QDialog* d) {
            auto* pw = qobject_cast<frmPassword*>(d);
            EXPECT_NE(pw, nullptr);
            if (!pw) return 0;
            ++passwordAsked;
            pw->PassBox->setText(password);
            pw->CmdOK->click();
            return pw->result();
        });
        wxh::SetOpenFolderHandler([this](QWidget*, const QString& path) { opened << path; });
    }
    void TearDown() override {
        wxh::SetMsgBoxHandler({});
        wxh::SetModalHandler({});
        wxh::SetOpenFolderHandler({});
        wxh::Live().CrowPassword.clear();
    }
    // Runs the window program's start as `wx-hollin args...` would, after the application is made.
    int Start(const std::vector<std::string>& args) {
        return wxh::RunStartCommand(wxh::ParseStartArguments(args));
    }
    static bool MainWindowShown() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<frmMain*>(w)) return true;
        return false;
    }

    TempDir tmp;
    QStringList messages, titles, opened;
    int overwriteAnswer = wxh::kMsgYes;
    int passwordAsked = 0;
    QString password = QStringLiteral("秘密 pw");
};

}  // namespace

TEST(FileManagerArguments, ReleaseTakesFilesAndPackOneFolder) {
    using Problem = wxh::StartArguments::Problem;
    const wxh::StartArguments release = wxh::ParseStartArguments({"--release", "a.bmp", "-platform", "xcb", "b c.bmp"});
    EXPECT_EQ(release.action, Action::Release);
    EXPECT_EQ(release.files, (std::vector<std::string>{"a.bmp", "b c.bmp"}));
    EXPECT_TRUE(release.fromFileManager);
    const wxh::StartArguments pack = wxh::ParseStartArguments({"--pack", "--", "-dir"});
    EXPECT_EQ(pack.action, Action::Pack);
    EXPECT_EQ(pack.path, "-dir");

    const std::pair<std::vector<std::string>, Problem> wrong[] = {
        {{"--release"}, Problem::NoCrowFile},
        {{"--pack"}, Problem::NoFolder},
        {{"--pack", "a", "b"}, Problem::OneFolderOnly},
        {{"--release", "a.bmp", "--pack", "d"}, Problem::ReleaseAndPack},
        {{"--release", "--bogus", "a.bmp"}, Problem::Other},
    };
    for (const auto& [args, problem] : wrong) {
        const wxh::StartArguments got = wxh::ParseStartArguments(args);
        EXPECT_EQ(got.action, Action::UsageError) << args.size();
        EXPECT_EQ(got.problemKind, problem) << args.size();
        EXPECT_TRUE(got.fromFileManager);
    }
    // A plain start stays as it was: its usage errors never go to a box.
    EXPECT_FALSE(wxh::ParseStartArguments({"a", "b"}).fromFileManager);

    static std::map<std::string, std::string> env;
    auto getenv = [](const char* name) -> const char* {
        const auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    };
    env = {};
    EXPECT_FALSE(wxh::DisplayNamed({"--release", "a.bmp"}, getenv));
    EXPECT_TRUE(wxh::DisplayNamed({"--release", "-platform", "offscreen", "a.bmp"}, getenv));
    EXPECT_FALSE(wxh::DisplayNamed({"--release", "--", "-platform"}, getenv));
    env = {{"DISPLAY", ""}};
    EXPECT_FALSE(wxh::DisplayNamed({}, getenv));
    env = {{"DISPLAY", ":0"}};
    EXPECT_TRUE(wxh::DisplayNamed({}, getenv));
    env = {{"WAYLAND_DISPLAY", "wayland-0"}};
    EXPECT_TRUE(wxh::DisplayNamed({}, getenv));
    // A platform that needs a display it has not got cannot start (Qt would abort).
    env = {{"QT_QPA_PLATFORM", "xcb"}};
    EXPECT_FALSE(wxh::DisplayNamed({}, getenv));
    EXPECT_FALSE(wxh::DisplayNamed({"-platform", "wayland;xcb"}, getenv));
    env = {{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":1"}};
    EXPECT_TRUE(wxh::DisplayNamed({}, getenv));
    EXPECT_TRUE(wxh::DisplayNamed({"-platform=offscreen"}, getenv));
}

TEST_F(FileManagerCommand, WrongArgumentsAreToldInABoxWithStatusTwo) {
    const std::string file = tmp.file("src/one.txt");
    const struct {
        std::vector<std::string> args;
        QString shown;
    } cases[] = {
        {{"--release"}, QStringLiteral("レリーズするCrowファイルを指定してください")},
        {{"--pack"}, QStringLiteral("Crowファイルにするフォルダを指定してください")},
        {{"--release", tmp.file("gone.bmp")}, Q(tmp.file("gone.bmp")) + QStringLiteral("\nが見つかりません")},
        {{"--release", file, tmp.file("src")}, Q(tmp.file("src")) + QStringLiteral("\nはファイルではありません")},
        {{"--pack", file}, Q(file) + QStringLiteral("\nはフォルダではありません")},
    };
    for (const auto& c : cases) {
        messages.clear();
        EXPECT_EQ(Start(c.args), 2);
        EXPECT_EQ(messages, QStringList{c.shown});
    }
    // Nothing was released before the bad name was noticed.
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(Tree(tmp.str()).size(), 2u);
    // A plain start is no command of this kind.
    EXPECT_EQ(Start({}), -1);
}

// Each file into a folder beside it named as the release command names it, opened afterwards;
// the bytes the same as `crow release` writes.
TEST_F(FileManagerCommand, ReleaseWritesWhatCrowReleaseWritesAndOpensEachFolder) {
    const std::string plain = tmp.file("in/photos.v2.bmp"), locked = tmp.file("in/locked.bmp");
    fs::create_directories(tmp.file("in"));
    {
        wxh::WxhObject writer;
        ASSERT_EQ(writer.Crow2(tmp.file("src/"), plain), 0);
        ASSERT_EQ(writer.Crow3(tmp.file("src/"), locked, password.toStdString()), 0);
    }
    ASSERT_EQ(Start({"--release", plain, locked}), 0);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'|').toStdString();
    EXPECT_EQ(passwordAsked, 1);   // the protected one only
    EXPECT_EQ(opened, (QStringList{Q(tmp.file("in/photos.v2/")), Q(tmp.file("in/locked/"))}));
    EXPECT_FALSE(MainWindowShown());

    ASSERT_TRUE(CrowRelease(plain, tmp.file("cli/photos.v2")));
    ASSERT_TRUE(CrowRelease(locked, tmp.file("cli/locked"), password.toStdString()));
    EXPECT_EQ(Tree(tmp.file("in/photos.v2")), Tree(tmp.file("cli/photos.v2")));
    EXPECT_EQ(Tree(tmp.file("in/locked")), Tree(tmp.file("cli/locked")));
    EXPECT_EQ(Tree(tmp.file("in/locked")), Tree(tmp.file("src")));

    // Again: the overwrite questions of the release command; No keeps the file as it is.
    WriteFile(tmp.file("in/photos.v2/one.txt"), "changed");
    overwriteAnswer = wxh::kMsgNo;
    opened.clear();
    Start({"--release", plain});
    EXPECT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages.filter(QStringLiteral("one.txt")).size() == 1) << messages.join(u'|').toStdString();
    EXPECT_EQ(ReadFile(tmp.file("in/photos.v2/one.txt")), "changed");

    // A file that is no Crow file: the release command's message, status 1, nothing opened.
    messages.clear();
    opened.clear();
    EXPECT_EQ(Start({"--release", tmp.file("src/one.txt")}), 1);
    EXPECT_EQ(messages, QStringList{QStringLiteral("未知の形式だよぉ～(>_<)")});
    EXPECT_TRUE(opened.isEmpty());
}

// The creation dialog alone for the folder; the save dialog starts beside the folder; the
// command ends when the dialog closes.
TEST_F(FileManagerCommand, PackOpensTheCreationDialogAloneAndEndsWithIt) {
    FakeCommonDlgBackend files;
    const std::string target = tmp.file("packed.bmp");
    files.ChooseFile(Q(target));
    QPointer<frmCrow> seen;
    QTimer::singleShot(0, [&seen] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* crow = qobject_cast<frmCrow*>(w); crow && crow->isVisible()) seen = crow;
        ASSERT_TRUE(seen);
        EXPECT_FALSE(MainWindowShown());
        seen->CreateCrowFile->click();
    });
    EXPECT_EQ(Start({"--pack", tmp.file("src") + "/"}), 0);
    EXPECT_TRUE(seen.isNull());   // closed and gone
    ASSERT_EQ(files.saveCalls.size(), 1u);
    EXPECT_EQ(files.saveCalls[0].initialDir, Q(tmp.str()));
    EXPECT_EQ(messages, QStringList{Q(target) + QStringLiteral("を作成！！")});

    ASSERT_TRUE(CrowRelease(target, tmp.file("back")));
    EXPECT_EQ(Tree(tmp.file("back")), Tree(tmp.file("src")));
}

#pragma once
// A main window on its own settings and program folder in a temporary folder, with every
// message box, modal window and "open this folder" answered by the test.
#include <QApplication>
#include <QDialog>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>
#include <gtest/gtest.h>

#include "ui/settings/LiveSettings.h"
#include "support/TempDir.h"
#include "ui/controls/DriveListBox.h"
#include "ui/controls/seams.h"
#include "support/CrowSamples.h"
#include "ui/main/frmMain.h"

namespace wxh::test {

struct Message {
    QString text, title;
    bool yesNo;
    bool mainEnabled;   // was the main window enabled while the box was up?
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(tmp.path() / "prog");
        std::filesystem::create_directories(tmp.path() / "out");
        std::filesystem::create_directories(tmp.path() / "in");
        frmMain::SetLocationsForTesting(q(tmp.file("prog/WX_HOLLIN.ini")), q(tmp.file("prog")));
        wxh::DriveListBox::ForgetFolders();
        wxh::SetMsgBoxHandler([this](QWidget*, const QString& text, const QString& title, bool yesNo) {
            messages.push_back({text, title, yesNo, win && win->isEnabled()});
            if (!yesNo) return wxh::kMsgOk;
            return answer ? answer(text, title) : wxh::kMsgNo;
        });
        wxh::SetModalHandler([this](QDialog* dialog) {
            ++modalCount;
            return modal ? modal(dialog) : static_cast<int>(QDialog::Rejected);
        });
        wxh::SetOpenFolderHandler([this](QWidget* owner, const QString& path) {
            opened.push_back(path);
            openedOwner = owner;
        });
        win = std::make_unique<frmMain>();
        wxh::Live().ExtractFolder = tmp.file("out");
        wxh::Live().OneFileNoFolder = 0;
        wxh::Live().CrowPassword.clear();
    }

    void TearDown() override {
        win.reset();
        wxh::SetMsgBoxHandler({});
        wxh::SetModalHandler({});
        wxh::SetOpenFolderHandler({});
        frmMain::SetLocationsForTesting(QString(), QString());
        wxh::DriveListBox::ForgetFolders();
        wxh::Live().ExtractFolder.clear();
        wxh::Live().OneFileNoFolder = 0;
        wxh::Live().CrowPassword.clear();
        wxh::Live().ListCrowFile.clear();
    }

    static QString q(const std::string& s) { return QString::fromStdString(s); }

    // Makes path the current Crow file the way the user does: by showing it.
    void Select(const std::string& path) {
        win->ShowFileInfo(q(path));
        ASSERT_EQ(win->CurrentCrowFile(), q(path));
    }

    std::vector<QString> Texts() const {
        std::vector<QString> out;
        for (const auto& m : messages) out.push_back(m.text);
        return out;
    }

    TempDir tmp;
    std::unique_ptr<frmMain> win;
    std::vector<Message> messages;
    std::vector<QString> opened;
    QWidget* openedOwner = nullptr;
    int modalCount = 0;
    std::function<int(const QString& text, const QString& title)> answer;
    std::function<int(QDialog*)> modal;
};

}  // namespace wxh::test

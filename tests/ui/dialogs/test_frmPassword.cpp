#include "ui/dialogs/frmPassword.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "support/Layout.h"
#include "ui/settings/LiveSettings.h"
#include "ui/controls/twips.h"

namespace {

using wxh::Tw;
using wxh::test::LayoutProblems;

void Key(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

class PasswordDialog : public ::testing::Test {
protected:
    void SetUp() override { wxh::Live().CrowPassword.clear(); }
    void TearDown() override { wxh::Live().CrowPassword.clear(); }
};

TEST_F(PasswordDialog, LayoutTextsAndRoles) {
    const wxh::test::ProgramFont font;
    frmPassword dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("パスワードを入力してください"));
    EXPECT_EQ(dlg.size(), QSize(Tw(3870), Tw(795)));
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());   // fixed border
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowCloseButtonHint);

    {
        const QStringList problems = LayoutProblems(dlg);
        EXPECT_TRUE(problems.isEmpty()) << problems.join(QStringLiteral("; ")).toStdString();
    }
    EXPECT_LT(dlg.CmdCancel->x(), dlg.CmdOK->x());   // Cancel on the left, OK on the right
    EXPECT_EQ(dlg.CmdOK->text(), QStringLiteral("OK(&O)"));
    EXPECT_EQ(dlg.CmdCancel->text(), QStringLiteral("キャンセル(&C)"));
    EXPECT_TRUE(dlg.PassBox->text().isEmpty());
    EXPECT_EQ(dlg.PassBox->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(dlg.CmdOK->isDefault());
    EXPECT_FALSE(dlg.CmdCancel->isDefault());

    EXPECT_EQ(dlg.PassBox->nextInFocusChain(), dlg.CmdOK);
    EXPECT_EQ(dlg.CmdOK->nextInFocusChain(), dlg.CmdCancel);

    dlg.show();
    EXPECT_EQ(dlg.focusWidget(), dlg.PassBox);
}

TEST_F(PasswordDialog, OkStoresTheTextExactlyBlanksIncluded) {
    wxh::Live().CrowPassword = "old";
    frmPassword dlg;
    dlg.show();
    dlg.PassBox->setText(QStringLiteral(" pass 合言葉 "));
    dlg.CmdOK->click();
    EXPECT_EQ(wxh::Live().CrowPassword, " pass 合言葉 ");
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(PasswordDialog, OkOnAnEmptyBoxEmptiesThePassword) {
    wxh::Live().CrowPassword = "old";
    frmPassword dlg;
    dlg.show();
    dlg.CmdOK->click();
    EXPECT_EQ(wxh::Live().CrowPassword, "");
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(PasswordDialog, CancelAndCloseBoxLeaveThePasswordAlone) {
    {
        wxh::Live().CrowPassword = "kept";
        frmPassword dlg;
        dlg.show();
        dlg.PassBox->setText(QStringLiteral("typed"));
        dlg.CmdCancel->click();
        EXPECT_EQ(wxh::Live().CrowPassword, "kept");
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
    }
    {
        wxh::Live().CrowPassword = "kept";
        frmPassword dlg;
        dlg.show();
        dlg.PassBox->setText(QStringLiteral("typed"));
        dlg.close();
        EXPECT_EQ(wxh::Live().CrowPassword, "kept");
        EXPECT_FALSE(dlg.isVisible());
    }
}

TEST_F(PasswordDialog, EnterInTheBoxPressesOkEscDoesNothing) {
    frmPassword dlg;
    dlg.show();
    dlg.PassBox->setText(QStringLiteral("abc"));
    Key(dlg.PassBox, Qt::Key_Escape);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(wxh::Live().CrowPassword, "");

    Key(dlg.PassBox, Qt::Key_Return);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(wxh::Live().CrowPassword, "abc");
}

TEST_F(PasswordDialog, EachUseStartsEmptyAndModalRunReturns) {
    {
        frmPassword first;
        first.PassBox->setText(QStringLiteral("secret"));
        first.CmdOK_Click();
    }
    frmPassword second;
    EXPECT_TRUE(second.PassBox->text().isEmpty());
    // A real modal run, ended from inside its own event loop by Enter.
    QMetaObject::invokeMethod(&second, [&second] {
        second.PassBox->setText(QStringLiteral("xyz"));
        Key(second.PassBox, Qt::Key_Enter);
    }, Qt::QueuedConnection);
    EXPECT_EQ(second.exec(), QDialog::Accepted);
    EXPECT_EQ(wxh::Live().CrowPassword, "xyz");
}

}  // namespace

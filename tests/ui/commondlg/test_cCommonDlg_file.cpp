// The open and save dialogs of cCommonDlg, driven through a scripted backend.
#include "ui/commondlg/cCommonDlg.h"

#include <QDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

#include "support/TempDir.h"
#include "ui/commondlg/FakeCommonDlgBackend.h"

namespace {

using wxh::test::FakeCommonDlgBackend;

const QChar N(u'\0');

QString Nul(const char16_t* text) { return QString::fromUtf16(text).replace(u'|', N); }

class FileDialogs : public ::testing::Test {
protected:
    FakeCommonDlgBackend backend;
    QWidget owner;
};

TEST_F(FileDialogs, FreshObjectShowsTheDefaultOpenDialog) {
    const QString startFolder = QDir::currentPath();
    cCommonDlg dlg;
    // The folder is taken when the object is made, not when the dialog opens.
    wxh::test::TempDir elsewhere;
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(elsewhere.str())));
    dlg.Form(&owner);
    backend.Cancel();
    dlg.ShowOpen();
    QDir::setCurrent(startFolder);

    ASSERT_EQ(backend.openCalls.size(), 1u);
    ASSERT_TRUE(backend.saveCalls.empty());
    const auto& ofn = backend.openCalls[0];
    EXPECT_EQ(ofn.owner, &owner);
    EXPECT_EQ(ofn.title, QStringLiteral("Open File"));
    EXPECT_EQ(ofn.filter, QStringLiteral("All Files (*.*)") + N + QStringLiteral("*.*") + N);
    EXPECT_EQ(ofn.initialDir, startFolder);
    EXPECT_EQ(ofn.maxFile, 4096);   // PATH_MAX
    EXPECT_TRUE(ofn.file.isEmpty());
    EXPECT_EQ(ofn.fileTitle, QString(254, u' ') + N);
    EXPECT_EQ(ofn.maxFileTitle, 255);
    EXPECT_TRUE(ofn.defExt.isEmpty());
    EXPECT_EQ(ofn.flags, 0);
    EXPECT_EQ(ofn.filterIndex, 0);

    EXPECT_EQ(dlg.Action(), 1);
    EXPECT_FALSE(dlg.CancelButton());   // CancelError is false by default
    EXPECT_EQ(dlg.ErrNumber(), 0);
    EXPECT_FALSE(dlg.CancelError());
    EXPECT_TRUE(dlg.Filter().isEmpty());
}

TEST_F(FileDialogs, FilterTextIsConvertedToNulSeparatedPairs) {
    struct Case {
        const char16_t* written;
        QString converted;
    };
    const Case cases[] = {
        {u"ビットマップファイル(*.bmp)|*.bmp", Nul(u"ビットマップファイル(*.bmp)|*.bmp|")},
        {u"Pictures|*.bmp;*.jpg|All|*.*", Nul(u"Pictures|*.bmp;*.jpg|All|*.*|")},
        {u"Text|*.txt|", Nul(u"Text|*.txt|")},   // the last bar is the final NUL
        {u"", QString(1, N)},
        {u"no bars", Nul(u"no bars|")},
        {u"||", Nul(u"||")},
    };
    for (const Case& c : cases) {
        cCommonDlg dlg;
        dlg.Form(&owner);
        dlg.Filter(QString::fromUtf16(c.written));
        EXPECT_EQ(dlg.Filter(), QString::fromUtf16(c.written));   // read back unchanged
        backend.openCalls.clear();
        dlg.ShowOpen();
        ASSERT_EQ(backend.openCalls.size(), 1u);
        EXPECT_EQ(backend.openCalls[0].filter, c.converted) << QString::fromUtf16(c.written).toStdString();
    }
}

TEST_F(FileDialogs, PropertiesReachTheDialogUnchanged) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.DialogTitle(QStringLiteral("作成するビットマップファイル"));
    dlg.InitDir(QStringLiteral("/srv/pictures"));
    dlg.FilterIndex(-1);
    dlg.Flags(0x80000 | 0x200);
    dlg.DefaultExt(QStringLiteral("bmp"));
    dlg.FileName(QStringLiteral("start.bmp"));
    backend.Cancel();
    dlg.ShowSave();

    ASSERT_EQ(backend.saveCalls.size(), 1u);
    const auto& ofn = backend.saveCalls[0];
    EXPECT_EQ(ofn.title, QStringLiteral("作成するビットマップファイル"));
    EXPECT_EQ(ofn.initialDir, QStringLiteral("/srv/pictures"));
    EXPECT_EQ(ofn.filterIndex, -1);   // widened with its sign
    EXPECT_EQ(ofn.flags, 0x80200);
    EXPECT_EQ(ofn.defExt, QStringLiteral("bmp"));
    EXPECT_EQ(ofn.file, QStringLiteral("start.bmp"));
    EXPECT_EQ(dlg.Action(), 2);
}

TEST_F(FileDialogs, InitialNameIsCutToTheBuffer) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.MaxFileSize(8);
    dlg.FileName(QStringLiteral("abcdefghijkl"));
    dlg.ShowOpen();
    ASSERT_EQ(backend.openCalls.size(), 1u);
    EXPECT_EQ(backend.openCalls[0].file, QStringLiteral("abcdefg"));   // MaxFileSize - 1 characters
    EXPECT_EQ(backend.openCalls[0].maxFile, 8);
}

TEST_F(FileDialogs, ChosenPathFillingTheBufferComesBackWhole) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.MaxFileSize(20);
    const QString path = QStringLiteral("/dir/nineteen-c.bmp");
    ASSERT_EQ(path.size(), 19);
    backend.ChooseFile(path);
    dlg.ShowSave();
    EXPECT_EQ(dlg.FileName(), path);
    EXPECT_FALSE(dlg.FileName().contains(N));
    EXPECT_FALSE(dlg.CancelButton());

    // A dialog that writes all of the buffer without a NUL keeps every character it could.
    backend.onFile = [](wxh::OpenFileNameRecord& ofn) {
        ofn.file = QString(ofn.maxFile + 5, u'x');
        return 1;
    };
    dlg.ShowSave();
    EXPECT_EQ(dlg.FileName(), QString(20, u'x'));
}

TEST_F(FileDialogs, MultipleSelectionKeepsSingleNuls) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    backend.onFile = [](wxh::OpenFileNameRecord& ofn) {
        ofn.file = Nul(u"/pics|a.bmp|b.bmp||");
        return 1;
    };
    dlg.ShowOpen();
    EXPECT_EQ(dlg.FileName(), Nul(u"/pics|a.bmp|b.bmp"));
}

TEST_F(FileDialogs, CancelWithCancelErrorEmptiesTheName) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.CancelError(true);
    dlg.FileName(QStringLiteral("/old/name.bmp"));
    backend.Cancel();
    dlg.ShowSave();
    EXPECT_TRUE(dlg.CancelButton());
    EXPECT_TRUE(dlg.FileName().isEmpty());
    EXPECT_EQ(dlg.ErrNumber(), 0);
    EXPECT_EQ(dlg.ErrDescription(), QStringLiteral("未知のｴﾗｰです。"));
}

TEST_F(FileDialogs, CancelWithoutCancelErrorKeepsNameAndFlag) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.FileName(QStringLiteral("/old/name.bmp"));
    backend.Cancel();
    dlg.ShowOpen();
    EXPECT_FALSE(dlg.CancelButton());
    EXPECT_EQ(dlg.FileName(), QStringLiteral("/old/name.bmp"));

    // A CancelButton set by an earlier cancel stays set as well.
    dlg.CancelError(true);
    dlg.ShowOpen();
    ASSERT_TRUE(dlg.CancelButton());
    dlg.CancelError(false);
    dlg.FileName(QStringLiteral("/again.bmp"));
    dlg.ShowOpen();
    EXPECT_TRUE(dlg.CancelButton());
    EXPECT_EQ(dlg.FileName(), QStringLiteral("/again.bmp"));
}

TEST_F(FileDialogs, SuccessAfterCancelClearsCancelButtonAndReusesResults) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.CancelError(true);
    backend.Cancel();
    dlg.ShowSave();
    ASSERT_TRUE(dlg.CancelButton());

    backend.onFile = [](wxh::OpenFileNameRecord& ofn) {
        ofn.file = QStringLiteral("/out/made.bmp") + QChar(u'\0');
        ofn.fileTitle = QStringLiteral("  made.bmp  ") + QChar(u'\0');
        return 1;
    };
    dlg.ShowSave();
    EXPECT_FALSE(dlg.CancelButton());
    EXPECT_EQ(dlg.FileName(), QStringLiteral("/out/made.bmp"));

    // The next dialog starts from the last choice; the title buffer was trimmed.
    backend.Cancel();
    dlg.ShowSave();
    ASSERT_EQ(backend.saveCalls.size(), 3u);
    EXPECT_EQ(backend.saveCalls[2].file, QStringLiteral("/out/made.bmp"));
    EXPECT_EQ(backend.saveCalls[2].fileTitle, QStringLiteral("made.bmp") + N);
    EXPECT_EQ(backend.saveCalls[2].maxFileTitle, 9);
}

TEST_F(FileDialogs, FailureIsReportedThroughErrNumberAndResetByTheNextDialog) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.CancelError(true);
    dlg.FileName(QStringLiteral("x"));
    backend.Cancel(20476);
    dlg.ShowOpen();
    EXPECT_EQ(dlg.ErrNumber(), 20476);
    EXPECT_EQ(dlg.ErrDescription(), QStringLiteral("メンバ lpstrFile が指すバッファが小さすぎます。"));
    EXPECT_TRUE(dlg.CancelButton());
    EXPECT_TRUE(dlg.FileName().isEmpty());

    backend.error = 20476;   // stale code: a success does not read it
    backend.ChooseFile(QStringLiteral("/a.bmp"));
    dlg.ShowOpen();
    EXPECT_EQ(dlg.ErrNumber(), 0);
}

TEST_F(FileDialogs, ErrDescriptionLooksTheNumberUp) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    const auto describe = [&](int32_t code) {
        backend.Cancel(code);
        dlg.ShowOpen();
        EXPECT_EQ(dlg.ErrNumber(), code);
        return dlg.ErrDescription();
    };
    EXPECT_EQ(describe(-32768), QStringLiteral("関数がダイアログ ボックスをロードできません。"));
    EXPECT_EQ(describe(32755), QStringLiteral("[キャンセル] ボタンが選択されました。"));
    EXPECT_EQ(describe(32765), QStringLiteral("関数を初期化できません。"));
    EXPECT_EQ(describe(28668), describe(28671));
    EXPECT_EQ(describe(32760), describe(32761));
    EXPECT_EQ(describe(12291), QStringLiteral("未知のｴﾗｰです。"));   // not in the table
    EXPECT_EQ(describe(0), QStringLiteral("未知のｴﾗｰです。"));
}

TEST_F(FileDialogs, WithoutAnOwnerTheDialogEndsQuietly) {
    cCommonDlg dlg;
    {
        auto temporary = std::make_unique<QWidget>();
        dlg.Form(temporary.get());
        dlg.FileName(QStringLiteral("/kept.bmp"));
        dlg.CancelError(true);
        backend.Cancel(20477);
        dlg.ShowOpen();
        ASSERT_EQ(dlg.ErrNumber(), 20477);
        dlg.FileName(QStringLiteral("/kept.bmp"));
    }   // the owner window is gone
    EXPECT_EQ(dlg.Form(), nullptr);
    backend.openCalls.clear();
    dlg.ShowSave();
    EXPECT_TRUE(backend.saveCalls.empty());
    EXPECT_EQ(dlg.Action(), 2);
    EXPECT_EQ(dlg.ErrNumber(), 0);
    EXPECT_EQ(dlg.FileName(), QStringLiteral("/kept.bmp"));
    EXPECT_TRUE(dlg.CancelButton());

    cCommonDlg never;
    EXPECT_NO_THROW(never.ShowOpen());
    EXPECT_TRUE(backend.openCalls.empty());
}

TEST_F(FileDialogs, BufferWithoutRoomEndsQuietly) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.FileName(QStringLiteral("/kept.bmp"));
    for (int32_t size : {0, -5}) {
        dlg.MaxFileSize(size);
        EXPECT_NO_THROW(dlg.ShowOpen());
    }
    EXPECT_TRUE(backend.openCalls.empty());
    EXPECT_EQ(dlg.FileName(), QStringLiteral("/kept.bmp"));
}

TEST_F(FileDialogs, WritingActionRunsTheDialogItNames) {
    cCommonDlg dlg;
    dlg.Form(&owner);
    dlg.Action(1);
    EXPECT_EQ(backend.openCalls.size(), 1u);
    dlg.Action(2);
    EXPECT_EQ(backend.saveCalls.size(), 1u);
    EXPECT_EQ(dlg.Action(), 2);
    dlg.Action(3);
    EXPECT_EQ(backend.colorCalls.size(), 1u);
    EXPECT_EQ(dlg.Action(), 3);
    dlg.Action(4);
    EXPECT_EQ(backend.fontCalls.size(), 1u);
    dlg.Action(5);
    EXPECT_EQ(backend.printCalls.size(), 1u);
    dlg.HelpFile(QStringLiteral("manual.hlp"));
    dlg.HelpCommand(3);
    dlg.Action(6);
    EXPECT_EQ(backend.winHelpCalls.size(), 1u);
    EXPECT_EQ(dlg.Action(), 6);
    dlg.Action(0);
    dlg.Action(7);
    dlg.Action(-1);
    EXPECT_EQ(dlg.Action(), -1);
    EXPECT_EQ(backend.openCalls.size() + backend.saveCalls.size() + backend.colorCalls.size() +
                  backend.fontCalls.size() + backend.printCalls.size() + backend.winHelpCalls.size(),
              6u);
}

}  // namespace

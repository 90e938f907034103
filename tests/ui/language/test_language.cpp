// The window program in the user's language: the choice, Qt's own texts and ours.
#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <QTranslator>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/QtPrint.h"
#include "support/TempDir.h"
#include "ui/commands/Descriptions.h"
#include "ui/commands/Messages.h"
#include "ui/controls/seams.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/dialogs/frmCrow.h"
#include "ui/dialogs/frmDialog.h"
#include "ui/language/Language.h"
#include "ui/main/frmMain.h"

using wxh::Language;
using wxh::test::TempDir;

namespace {

// The texts a person sees first, one per line: the main window's caption and first menu,
// the buttons of a question and of a message, and the title and buttons of the save dialog
// the creation dialog opens through the common dialog wrapper.
QStringList VisibleTexts(frmMain& w) {
    QStringList lines{w.windowTitle(), w.mnu_File->title()};
    QMessageBox question(QMessageBox::NoIcon, wxh::kAppTitle, QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No);
    QMessageBox message(QMessageBox::NoIcon, wxh::kAppTitle, QStringLiteral("!"), QMessageBox::Ok);
    lines << question.button(QMessageBox::Yes)->text() << question.button(QMessageBox::No)->text()
          << message.button(QMessageBox::Ok)->text();

    QStringList saveDialog;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll.stop();
        saveDialog << dialog->windowTitle();
        for (QAbstractButton* b : dialog->findChild<QDialogButtonBox*>()->buttons()) saveDialog << b->text();
        dialog->reject();
    });
    poll.start(10);
    frmCrow crow(&w);
    crow.ChooseCrowFile();
    saveDialog.sort();   // the buttons' order is the platform style's
    return lines << saveDialog;
}

}  // namespace

TEST(Language, ChosenFromTheFirstUiLanguage) {
    struct Case { QStringList ui; Language expected; };
    const Case cases[] = {
        {{"en-US", "en-Latn-US", "en"}, Language::English},
        {{"en"}, Language::English},
        {{"en_GB"}, Language::English},
        {{"EN"}, Language::English},
        {{"En-gb"}, Language::English},
        {{"ja-JP", "ja-Jpan-JP", "ja"}, Language::Japanese},
        {{"C"}, Language::Japanese},
        {{"de-DE", "en-US"}, Language::Japanese},   // only the first counts
        {{"eo"}, Language::Japanese},
        {{"enx"}, Language::Japanese},
        {{}, Language::Japanese},
    };
    for (const Case& c : cases) EXPECT_EQ(wxh::ChooseLanguage(c.ui), c.expected) << c.ui.join(',').toStdString();
}

// Run by LanguageFollowsTheLocale in a process of its own, under the locale it sets:
// QLocale reads the environment once per process. Disabled, so that a plain run leaves it out.
TEST(LanguageChild, DISABLED_Report) {
    const QString report = qEnvironmentVariable("WXH_LANGUAGE_REPORT");
    if (report.isEmpty()) GTEST_SKIP() << "runs only as the child of LanguageFollowsTheLocale";
    wxh::InstallTranslators(wxh::SystemLanguage());
    frmMain::SetLocationsForTesting(qEnvironmentVariable("WXH_LANGUAGE_INI"),
                                    qEnvironmentVariable("WXH_LANGUAGE_PROGRAM"));
    QStringList lines;
    {
        frmMain w;
        lines = VisibleTexts(w);
        w.close();   // writes the settings file
    }
    QFile out(report);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(lines.join(QLatin1Char('\n')).toUtf8());
}

// Run by AMissingQtCatalogueIsReported from a copy of this program whose qt.conf points Qt's
// translations at a folder that does not exist.
TEST(LanguageChild, DISABLED_NoQtCatalogue) {
    if (qEnvironmentVariable("WXH_LANGUAGE_NO_CATALOGUE").isEmpty()) GTEST_SKIP() << "runs only as a child";
    EXPECT_FALSE(wxh::InstallTranslators(Language::Japanese));  // Qt's own texts would stay English
    EXPECT_TRUE(wxh::InstallTranslators(Language::English));    // ours are built in
    wxh::RemoveTranslators();
}

TEST(Language, AMissingQtCatalogueIsReported) {
    TempDir tmp;
    const std::string copy = tmp.file("test_language");
    std::filesystem::copy_file(QCoreApplication::applicationFilePath().toStdString(), copy);
    QFile conf(QString::fromStdString(tmp.file("qt.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write("[Paths]\nTranslations=" + QFile::encodeName(QString::fromStdString(tmp.file("none"))) + "\nPlugins=" +
               QFile::encodeName(QLibraryInfo::path(QLibraryInfo::PluginsPath)) + "\n");
    conf.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WXH_LANGUAGE_NO_CATALOGUE"), QStringLiteral("1"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QString::fromStdString(copy), {QStringLiteral("--gtest_also_run_disabled_tests"),
                                               QStringLiteral("--gtest_filter=LanguageChild.DISABLED_NoQtCatalogue")});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QByteArray out = child.readAllStandardOutput() + child.readAllStandardError();
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("[       OK ] LanguageChild.DISABLED_NoQtCatalogue")) << out.toStdString();
}

TEST(Language, FollowsTheLocaleAndLeavesTheSettingsFileAlone) {
    TempDir tmp;
    const QString program = QString::fromStdString(tmp.file("prog"));
    std::filesystem::create_directories(program.toStdString());
    struct Case { const char* lang; QStringList expected; };
    const QString ja = QStringLiteral("W.X.Hollin    ファイルの解凍先> ") + program;
    const QStringList japanese = {ja, "ファイル(&F)", "はい(&Y)", "いいえ(&N)", "OK",
                                  "キャンセル", "作成するビットマップファイル", "保存(&S)"};
    const Case cases[] = {
        {"ja_JP.UTF-8", japanese},
        {"C", japanese},
        {"en_US.UTF-8", {"W.X.Hollin    Release to> " + program, "&File", "&Yes", "&No", "OK",
                         "&Save", "Bitmap File to Create", "Cancel"}},
    };
    QByteArray firstSettings;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lang);
        const QString report = QString::fromStdString(tmp.file(std::string("report-") + c.lang));
        const QString ini = QString::fromStdString(tmp.file(std::string("ini-") + c.lang));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* v : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) env.remove(QString::fromLatin1(v));
        env.insert(QStringLiteral("LANG"), QString::fromLatin1(c.lang));
        env.insert(QStringLiteral("WXH_LANGUAGE_REPORT"), report);
        env.insert(QStringLiteral("WXH_LANGUAGE_INI"), ini);
        env.insert(QStringLiteral("WXH_LANGUAGE_PROGRAM"), program);
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_also_run_disabled_tests"),
                     QStringLiteral("--gtest_filter=LanguageChild.DISABLED_Report")});
        ASSERT_TRUE(child.waitForFinished(120000));
        ASSERT_EQ(child.exitCode(), 0);

        QFile out(report);
        ASSERT_TRUE(out.open(QIODevice::ReadOnly));
        QStringList seen = QString::fromUtf8(out.readAll()).split(QLatin1Char('\n'));
        QStringList expected = c.expected;
        EXPECT_EQ(seen, expected);

        QFile settings(ini);
        ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
        const QByteArray bytes = settings.readAll();
        if (firstSettings.isEmpty()) firstSettings = bytes;
        EXPECT_EQ(bytes, firstSettings);   // the same file in every language
    }
}

// Every window made while the English translation is installed speaks English, and
// removing it brings back the texts as written.
TEST(Language, EnglishReachesEveryWindowAndGoesAway) {
    ASSERT_TRUE(wxh::InstallTranslators(Language::English));
    EXPECT_EQ(wxh::text::ReleaseResult(2), "Could not write the files (T_T)");
    EXPECT_EQ(wxh::text::OverwriteQuestion("/a/b.bmp"), "Overwrite /a/b.bmp?");
    const wxh::CrowInfo info{3, 1, 7, {"a", "b", "c", "d", "e", "f", "g"}, {999, 1000, 1000000, 1, 1, 1, 1}};
    EXPECT_EQ(wxh::PreviewLines("/x/y.bmp", 1234567, info),
              QStringList({" Crow file: /x/y.bmp", "   Size: 1.23MB", "   Format: Crow3", "   Password: Required",
                           "   Files inside: 7", "     a   999B", "     b   1KB", "     c   1MB",
                           "      and 4 more   (right-click for details)"}));
    EXPECT_EQ(frmDialog::PerCaption(4000), "4000 B left");
    {
        frmAbout about{QPixmap()};
        EXPECT_EQ(about.windowTitle(), "About WX_Hollin");
        EXPECT_EQ(about.lblVersion->text(), "Version 1.25.0");
    }
    wxh::RemoveTranslators();
    EXPECT_EQ(wxh::text::ReleaseResult(2), "ファイルの書き込みができなかったよぉ(T_T)");
    frmAbout about{QPixmap()};
    EXPECT_EQ(about.windowTitle(), "WX_Hollinのﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(frmDialog::PerCaption(4000), "残り 4000B");
}

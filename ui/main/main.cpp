// W.X.Hollin, the window program.
#include <QApplication>
#include <QFileInfo>
#include <QFont>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/dest_dir.h"
#include "common/standard_streams.h"
#include "common/version.h"
#include "ui/main/ProgramIcon.h"
#include "ui/main/StartArguments.h"
#include "ui/main/StartCommands.h"
#include "ui/language/Language.h"
#include "ui/main/frmMain.h"

int main(int argc, char** argv) {
    // Before anything opens a file: a closed 0, 1 or 2 would otherwise be taken by it.
    if (!wxh::EnsureStandardStreams()) return 1;
    // The command line first, so that help, version and usage errors never need a display.
    const std::vector<std::string> args(argv + 1, argv + argc);
    const wxh::StartArguments start = wxh::ParseStartArguments(args);
    // A file manager's --release or --pack tells its problems in a message box; without a
    // display (or from the plain command line) they go to standard error.
    const bool inBox = start.fromFileManager &&
                       wxh::DisplayNamed(args, [](const char* name) -> const char* { return std::getenv(name); });
    const wxh::StartPathProblem pathProblem = wxh::CheckStartPaths(start);
    switch (start.action) {
    case wxh::StartArguments::Action::Help:
        std::fputs(wxh::StartHelp(), stdout);
        return 0;
    case wxh::StartArguments::Action::Version:
        std::printf("wx-hollin %s\n", wxh::kVersionText);
        return 0;
    case wxh::StartArguments::Action::UsageError:
        if (inBox) break;
        std::fprintf(stderr, "wx-hollin: %s\nTry 'wx-hollin --help'.\n", start.problem.c_str());
        return 2;
    case wxh::StartArguments::Action::Release:
    case wxh::StartArguments::Action::Pack:
        if (pathProblem && !inBox) {
            std::fprintf(stderr, "wx-hollin: %s\n", pathProblem.Console().c_str());
            return 2;
        }
        break;
    case wxh::StartArguments::Action::Run:
        break;
    }
    // Named relative to the folder the program was started in.
    QString open;
    if (start.action == wxh::StartArguments::Action::Run && !start.path.empty()) {
        const QFileInfo info(QFile::decodeName(start.path.c_str()));
        if (!info.isDir() && !info.isFile()) {
            std::fprintf(stderr, "wx-hollin: '%s': %s\n", start.path.c_str(),
                         info.exists() ? "neither a file nor a folder" : "no such file or folder");
            return 1;
        }
        open = info.absoluteFilePath();
    }

    // A release or pack cut short by a signal leaves no temporary file behind.
    wxh::RemoveTemporaryOnFatalSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("wx-hollin"));
    QApplication::setOrganizationName(QStringLiteral("WXHollin"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.wxhollin.wxhollin"));
    QApplication::setWindowIcon(wxh::ProgramIcon());
    // The user's language, before any window is made.
    wxh::InstallTranslators(wxh::SystemLanguage());
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPointSize(9);
    QApplication::setFont(font);
    // --release, --pack, and the box for their usage errors: no main window.
    if (const int status = wxh::RunStartCommand(start); status >= 0) return status;
    frmMain* window = new frmMain;
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Centred on the screen when it opens.
    window->show();
    if (!open.isEmpty()) window->BrowseTo(open);
    return app.exec();
}

#include "ui/main/StartCommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>

#include "ui/dialogs/frmCrow.h"
#include "ui/controls/seams.h"
#include "ui/main/frmMain.h"

namespace wxh {

std::string StartPathProblem::Console() const {
    const std::string name = "'" + path.toStdString() + "': ";
    switch (kind) {
    case Kind::Missing: return name + "no such file or folder";
    case Kind::NotAFile: return name + "not a file, so not a Crow file to release";
    case Kind::NotAFolder: return name + "not a folder, so nothing to pack";
    case Kind::None: break;
    }
    return std::string();
}

QString StartPathProblem::Shown() const {
    switch (kind) {
    case Kind::Missing: return QCoreApplication::translate("StartCommands", "%1\nが見つかりません").arg(path);
    case Kind::NotAFile: return QCoreApplication::translate("StartCommands", "%1\nはファイルではありません").arg(path);
    case Kind::NotAFolder: return QCoreApplication::translate("StartCommands", "%1\nはフォルダではありません").arg(path);
    case Kind::None: break;
    }
    return QString();
}

StartPathProblem CheckStartPaths(const StartArguments& start) {
    using Kind = StartPathProblem::Kind;
    const bool pack = start.action == StartArguments::Action::Pack;
    std::vector<std::string> paths = pack ? std::vector<std::string>{start.path} : start.files;
    if (start.action != StartArguments::Action::Pack && start.action != StartArguments::Action::Release) paths.clear();
    for (const std::string& p : paths) {
        const QString path = QFile::decodeName(p.c_str());
        const QFileInfo info(path);
        if (!info.exists()) return {Kind::Missing, path};
        if (pack && !info.isDir()) return {Kind::NotAFolder, path};
        if (!pack && !info.isFile()) return {Kind::NotAFile, path};
    }
    return {};
}

QString StartUsageText(const StartArguments& start) {
    using Problem = StartArguments::Problem;
    switch (start.problemKind) {
    case Problem::NoCrowFile: return QCoreApplication::translate("StartCommands", "レリーズするCrowファイルを指定してください");
    case Problem::NoFolder: return QCoreApplication::translate("StartCommands", "Crowファイルにするフォルダを指定してください");
    case Problem::OneFolderOnly: return QCoreApplication::translate("StartCommands", "Crowファイルにできるフォルダは一度に一つだけです");
    case Problem::ReleaseAndPack: return QCoreApplication::translate("StartCommands", "--release と --pack は一緒に使えません");
    default: break;
    }
    return QCoreApplication::translate("StartCommands", "使い方が正しくありません：%1")
        .arg(QString::fromStdString(start.problem));
}

int RunStartCommand(const StartArguments& start) {
    using Action = StartArguments::Action;
    if (start.action == Action::UsageError) {
        MsgBox(nullptr, StartUsageText(start));
        return 2;
    }
    if (start.action != Action::Release && start.action != Action::Pack) return -1;
    if (const StartPathProblem problem = CheckStartPaths(start)) {
        MsgBox(nullptr, problem.Shown());
        return 2;
    }
    if (start.action == Action::Pack) return RunPackCommand(QFile::decodeName(start.path.c_str()));
    QStringList files;
    for (const std::string& f : start.files) files << QFile::decodeName(f.c_str());
    return RunReleaseCommand(files);
}

int RunReleaseCommand(const QStringList& crowFiles) {
    bool all = true;
    for (const QString& file : crowFiles) {
        // Beside the Crow file, always in a folder of its own: a release from a file
        // manager must not scatter files among those already there.
        const QFileInfo info(file);
        if (!frmMain::ReleaseCrowFile(nullptr, info.absoluteFilePath(), info.absolutePath(), 0)) all = false;
    }
    return all ? 0 : 1;
}

int RunPackCommand(const QString& folder) {
    const QString absolute = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QPointer<frmCrow> dialog = frmCrow::OpenFor(nullptr, absolute, QFileInfo(absolute).absolutePath());
    if (dialog) {
        QEventLoop loop;
        QObject::connect(dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return 0;
}

}  // namespace wxh

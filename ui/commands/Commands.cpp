#include "ui/commands/Commands.h"

#include <QFile>
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "common/dest_dir.h"
#include "common/paths.h"
#include "common/posix_io.h"
#include "common/stored_names.h"
#include "crow/WxhObject.h"
#include "ui/commands/Messages.h"
#include "ui/settings/Settings.h"

namespace wxh {

QString ReleaseSubFolder(const QString& crowFile) {
    return QString::fromStdString(ReleaseFolderName(crowFile.toStdString()));
}

ReleaseOutcome Release(WxhObject& crow, const QString& crowFile, const QString& extractFolder,
                       int32_t oneFileNoFolder, const std::function<QString()>& askPassword,
                       const Inspection* inspected) {
    const std::string path = crowFile.toStdString();
    // Inspected once; the release reads the very file that was inspected.
    Inspection found;
    if (inspected) {
        found = *inspected;
    } else {
        crow.KeepCrowFileOpen();
        std::vector<std::string> names;
        std::vector<int32_t> sizes;
        const int32_t r = crow.GetCrowInfo(path, found.format, found.passwordFlag, found.count, names, sizes);
        if (r != 0) return {QString(), text::InspectFailed(r)};
    }
    const int32_t ver = found.format, passwordFlag = found.passwordFlag, count = found.count;

    // A release folder that is not a full path would put the files in "/" or wherever the
    // program happened to start: nothing is created or written there.
    const bool usable = IsUsableFolder(extractFolder);
    std::string destination = AddPathSep(extractFolder.toStdString());
    if (usable && !(oneFileNoFolder == 1 && count == 1)) {
        const std::string sub = ReleaseSubFolder(crowFile).toStdString();
        destination += sub + "/";
        // One level only, made and opened relative to the release folder, never through a
        // link; it usually exists already after an earlier release. A failure (a link or a
        // file of that name, a place that cannot be written) shows up as the release's write
        // error.
        DestDir extract, folder;
        if (extract.Open(extractFolder.toStdString()) && extract.OpenSubFolder(sub, folder))
            crow.ReleaseInto(folder.TakeFd());
        else
            crow.ReleaseInto(-1);
    }

    if (!usable) return {QString(), text::ReleaseResult(2)};

    int32_t r;
    switch (ver) {
    case 3:
        if (passwordFlag != 0) {
            const QString password = askPassword();
            if (password.isEmpty()) return {QString(), text::Cancelled()};
            r = crow.UnCrow3(path, destination, password.toStdString());
        } else {
            r = crow.UnCrow3(path, destination, std::string());
        }
        break;
    case 2:
        r = crow.UnCrow2(path, destination);
        break;
    case 1:
        r = crow.UnCrow1(path, destination);
        break;
    default:
        return {};
    }
    if (r == 0) return {QString::fromStdString(destination), QString()};
    return {QString(), text::ReleaseResult(r)};
}

QString CreateCrowFile(CrowMode mode, const QString& folder, const QString& saveFile, const QString& password,
                       const std::function<std::unique_ptr<WxhObject>()>& newObject,
                       std::unique_ptr<WxhObject>& object) {
    if (mode == CrowMode::Crow3WithPassword && password.isEmpty()) return text::MissingPassword();
    object = newObject();
    const std::string dir = folder.toStdString(), save = saveFile.toStdString();
    int32_t result;
    switch (mode) {
    case CrowMode::Crow3WithPassword: result = object->Crow3(dir, save, password.toStdString()); break;
    case CrowMode::Crow3: result = object->Crow3(dir, save, std::string()); break;
    default: result = object->Crow2(dir, save); break;
    }
    return text::CreateResult(result, saveFile);
}

namespace {

constexpr size_t kMostFiles = 32767;   // the most files a Crow file holds

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// The names of the files the writer packs from folder, in its order; false when the folder
// cannot be read or holds more than a Crow file can.
bool PackedNames(const QString& folder, std::vector<std::string>& names) {
    const int fd = RetryEintr([&] {
        return ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    });
    if (fd < 0) return false;
    const std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return false;
    }
    while (const dirent* e = ::readdir(dir.get())) {
        if (e->d_name[0] == '.') continue;   // hidden, "." and ".."
        struct stat st {};
        if (::fstatat(::dirfd(dir.get()), e->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        if (names.size() >= kMostFiles) return false;   // the writer refuses it
        names.emplace_back(e->d_name);
    }
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(names.size());
    for (std::string& n : names) keyed.emplace_back(NameOrderKey(n), std::move(n));
    std::sort(keyed.begin(), keyed.end());
    for (size_t i = 0; i < keyed.size(); ++i) names[i] = std::move(keyed[i].second);
    return true;
}

}  // namespace

std::vector<ChangedName> ChangedStoredNames(const QString& folder) {
    std::vector<std::string> names;
    std::vector<ChangedName> changed;
    if (folder.isEmpty() || !PackedNames(folder, names)) return changed;
    for (const StoredName& n : PlanStoredNames(names))
        if (n.problem == NameProblem::None && n.Changed())
            changed.push_back({QFile::decodeName(QByteArray::fromStdString(n.disk)), QString::fromStdString(n.released)});
    return changed;
}

}  // namespace wxh

#include "cli/diagnose.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "cli/terminal.h"
#include "common/paths.h"
#include "common/stored_names.h"
#include "crow/CrowFormat.h"
#include "crow/CrowStatus.h"

namespace wxh::cli {

namespace {

std::string Quoted(const std::string& s) { return "'" + PrintableName(s) + "'"; }

// Opens for reading without ever blocking (a FIFO must not hang the tool).
int OpenForReading(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); }

std::string ParentFolder(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Bytes free for an ordinary user on the file system holding path, -1 when unknown.
int64_t FreeBytes(const std::string& path) {
    struct statvfs vfs {};
    if (::statvfs(path.c_str(), &vfs) != 0) return -1;
    return static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
}

std::string SpaceMessage(const std::string& folder, int64_t need, int64_t freeBytes) {
    return "not enough space on the device holding " + Quoted(folder) + " (needs about " +
           std::to_string(need) + " bytes, " + std::to_string(freeBytes) + " free)";
}

// Reasons that errno alone tells well; empty when it tells nothing useful.
std::string ErrnoReason(int e) {
    switch (e) {
        case ENOSPC:
        case EDQUOT: return "no space left on the device";
        case EFBIG: return "the file size limit was reached";
        case EIO: return "input/output error";
        case EROFS: return "read-only file system";
        default: return std::string();
    }
}

struct Listed {
    std::string name;
    int64_t size;
};

}  // namespace

int64_t FileLength(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

namespace {

// The files a pack takes from folder: regular files (a link to one counts), no names that
// start with ".", in the container's listing order. False when the folder cannot be listed.
bool ListPackable(const std::string& folder, std::vector<Listed>& files) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    const int dfd = ::dirfd(dir);
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name.empty() || name[0] == '.') continue;
        struct stat fs {};
        if (::fstatat(dfd, e->d_name, &fs, 0) != 0 || !S_ISREG(fs.st_mode)) continue;
        files.push_back({name, static_cast<int64_t>(fs.st_size)});
    }
    ::closedir(dir);
    std::vector<std::pair<std::string, Listed>> keyed;
    for (auto& f : files) keyed.emplace_back(NameOrderKey(f.name), std::move(f));
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second.name < b.second.name;
    });
    files.clear();
    for (auto& k : keyed) files.push_back(std::move(k.second));
    return true;
}

}  // namespace

bool ListPackableNames(const std::string& folder, std::vector<std::string>& names) {
    std::vector<Listed> files;
    if (!ListPackable(folder, files)) return false;
    for (auto& f : files) names.push_back(std::move(f.name));
    return true;
}

std::string PackFailureReason(const std::string& folder, const std::string& output, int savedErrno) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return "cannot open the folder " + Quoted(folder) + ": " + std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return Quoted(folder) + " is not a folder";

    std::vector<Listed> files;
    if (!ListPackable(folder, files)) return "cannot list the folder " + Quoted(folder) + ": " + std::strerror(errno);
    std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";

    if (files.empty()) return "the folder " + Quoted(folder) + " holds no files to pack";
    if (files.size() > 32767) return "the folder " + Quoted(folder) + " holds more than 32767 files";
    int64_t estimate = 66;
    std::vector<std::string> names;
    for (const Listed& f : files) names.push_back(f.name);
    const std::vector<StoredName> plan = PlanStoredNames(names);
    for (const StoredName& n : plan) {
        if (n.problem == NameProblem::Collision)
            return Quoted(plan[n.collidesWith].disk) + " and " + Quoted(n.disk) + " would both be stored as " +
                   Quoted(n.released);
        if (n.problem != NameProblem::None)
            return "the name " + Quoted(n.disk) + " cannot be stored in a Crow file (" + NameProblemText(n.problem) + ")";
    }
    for (size_t i = 0; i < files.size(); ++i) {
        const Listed& f = files[i];
        std::string path = base + f.name;
        if (f.size == 0) return Quoted(path) + " is empty, and an empty file cannot be packed";
        if (f.size >= (int64_t{1} << 31)) return Quoted(path) + " is 2 GiB or larger";
        int fd = OpenForReading(path);
        if (fd < 0) return "cannot read " + Quoted(path) + ": " + std::strerror(errno);
        ::close(fd);
        estimate += 6 + static_cast<int64_t>(plan[i].cp932.size()) + f.size;
    }
    if (estimate >= (int64_t{1} << 31)) return "the files of " + Quoted(folder) + " add up to 2 GiB or more";

    std::string outDir = ParentFolder(output);
    if (::stat(outDir.c_str(), &st) != 0) return "cannot reach the folder " + Quoted(outDir) + ": " + std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return Quoted(outDir) + " is not a folder";
    if (::stat(output.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return Quoted(output) + " is a folder";
    if (::access(outDir.c_str(), W_OK) != 0) return "cannot write into " + Quoted(outDir) + ": " + std::strerror(errno);
    int64_t freeBytes = FreeBytes(outDir);
    if (freeBytes >= 0 && freeBytes < estimate) return SpaceMessage(outDir, estimate, freeBytes);
    std::string e = ErrnoReason(savedErrno);
    if (!e.empty()) return e;
    return "a file changed while it was packed, or could not be read or written";
}

bool FindUnsafeName(const std::vector<std::string>& names, std::string& name, std::string& why) {
    std::set<std::string> seen;
    for (const std::string& n : names) {
        name = n;
        if (n.empty()) { why = "an empty name"; return true; }
        if (n == "." || n == "..") { why = "not a file name"; return true; }
        if (n.size() > 255) { why = "longer than 255 bytes"; return true; }
        if (n.size() >= 2 && n[1] == ':' && std::isalpha(static_cast<unsigned char>(n[0]))) {
            why = "starts with a drive"; return true;
        }
        for (unsigned char c : n) {
            if (c == '/' || c == '\\') { why = "holds a path separator"; return true; }
            if (c < 0x20 || c == 0x7F) { why = "holds a control character"; return true; }
        }
        for (size_t i = 0; i + 1 < n.size(); ++i)  // C1 controls, U+0080 to U+009F
            if (static_cast<unsigned char>(n[i]) == 0xC2 && static_cast<unsigned char>(n[i + 1]) <= 0x9F) {
                why = "holds a control character";
                return true;
            }
        if (n.find("\xEF\xBF\xBD") != std::string::npos) { why = "not valid Shift-JIS text"; return true; }
        if (!seen.insert(n).second) { why = "appears twice"; return true; }
    }
    return false;
}

std::string ReleaseFailureReason(const std::string& crowFile, const std::string& destFolder,
                                 const std::vector<std::string>& names, const std::vector<int32_t>& sizes,
                                 int savedErrno) {
    int fd = OpenForReading(crowFile);
    if (fd < 0) return "cannot read " + Quoted(crowFile) + ": " + std::strerror(errno);
    ::close(fd);
    std::string name, why;
    if (FindUnsafeName(names, name, why))
        return Quoted(crowFile) + " holds a file name that cannot be used safely (" + why + "): " + Quoted(name);
    int64_t total = 0;
    for (int32_t s : sizes) {
        if (s <= 0) return Quoted(crowFile) + " is damaged: it lists a file of " + std::to_string(s) + " bytes";
        total += s;
    }
    struct stat st {};
    if (::stat(destFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return Quoted(destFolder) + " is not a folder";
    const std::string base = destFolder.back() == '/' ? destFolder : destFolder + "/";
    for (const std::string& n : names)
        if (::lstat((base + n).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return Quoted(base + n) + " is a folder; the file of that name cannot be released onto it";
    if (::access(destFolder.c_str(), W_OK) != 0)
        return "cannot write into " + Quoted(destFolder) + ": " + std::strerror(errno);
    int64_t freeBytes = FreeBytes(destFolder);
    if (freeBytes >= 0 && freeBytes < total) return SpaceMessage(destFolder, total, freeBytes);
    std::string e = ErrnoReason(savedErrno);
    if (!e.empty()) return e;
    return "could not read " + Quoted(crowFile) + " or write a file into " + Quoted(destFolder);
}

std::string InfoFailureReason(const std::string& crowFile) {
    int fd = OpenForReading(crowFile);
    if (fd < 0) return "cannot read " + Quoted(crowFile) + ": " + std::strerror(errno);
    struct stat st {};
    bool haveStat = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (haveStat && S_ISDIR(st.st_mode)) return Quoted(crowFile) + " is a folder";
    if (haveStat && !S_ISREG(st.st_mode)) return Quoted(crowFile) + " is not a regular file";
    return Quoted(crowFile) + " is damaged: its tables do not fit in the file";
}

}  // namespace wxh::cli

namespace wxh::cli {

namespace {

std::string ErrnoText(int e) { return e ? std::string(": ") + std::strerror(e) : std::string(); }

// What a failed write most likely met, in words, with the size it needed when known.
std::string WriteTrouble(const CrowStatus& s) {
    std::string what = "cannot write " + Quoted(s.file) + ErrnoText(s.error);
    if ((s.error == ENOSPC || s.error == EDQUOT) && s.amount > 0)
        what += " (it needs about " + std::to_string(s.amount) + " bytes)";
    return what;
}

std::string KindOf(int64_t mode) {
    const auto m = static_cast<mode_t>(mode);
    return S_ISDIR(m) ? "a folder" : S_ISFIFO(m) ? "a FIFO" : S_ISSOCK(m) ? "a socket"
         : S_ISCHR(m) || S_ISBLK(m) ? "a device" : "not a regular file";
}

std::string InFolder(const CrowStatus& s) { return Quoted(AddPathSep(s.file) + s.name); }

}  // namespace

std::string DescribeStatus(const CrowStatus& s) {
    using R = CrowReason;
    switch (s.reason) {
        case R::None: return "no error";
        case R::Cancelled: return "cancelled";
        case R::CrowUnopenable:
        case R::CrowUnreadable: return "cannot read " + Quoted(s.file) + ErrnoText(s.error);
        case R::CrowNotRegular: {
            const std::string kind = KindOf(s.amount);
            return Quoted(s.file) + (kind == "not a regular file" ? " is " + kind : " is " + kind + ", not a Crow file");
        }
        case R::NotCrow: return Quoted(s.file) + " is not a Crow file";
        case R::OtherGeneration: return Quoted(s.file) + " changed: it is no longer of the generation it was";
        case R::LengthDiffers:
            return Quoted(s.file) + " is damaged: its length differs from the length its header gives "
                                    "(cut short, or bytes were appended)";
        case R::TablesDamaged: return Quoted(s.file) + " is damaged: its tables do not fit in the file";
        case R::DataCutShort: return Quoted(s.file) + " is damaged: it is shorter than its size table says (cut short)";
        case R::UnsafeName:
            return Quoted(s.file) + " holds a file name that cannot be used safely (" + NameProblemText(s.nameProblem) +
                   "): " + Quoted(s.name);
        case R::DuplicateName:
            return Quoted(s.file) + " holds a file name that cannot be used safely (appears twice): " + Quoted(s.name);
        case R::BadSize:
            return Quoted(s.file) + " is damaged: it lists " + Quoted(s.name) + " as a file of " +
                   std::to_string(s.amount) + " bytes";
        case R::PasswordNeeded:
            return Quoted(s.file) + " is protected by a password; give it with --password or --password-stdin";
        case R::DestUnopenable:
            if (s.error == ENOTDIR) return Quoted(s.file) + " is not a folder";
            return "cannot open the folder " + Quoted(s.file) + ErrnoText(s.error);
        case R::TargetIsFolder: return Quoted(s.file) + " is a folder; the file of that name cannot be released onto it";
        case R::WriteFailed:
        case R::OutputUnwritable: return WriteTrouble(s);
        case R::FolderUnopenable:
            if (s.error == ENOTDIR) return Quoted(s.file) + " is not a folder";
            return "cannot open the folder " + Quoted(s.file) + ErrnoText(s.error);
        case R::FolderUnreadable: return "cannot list the folder " + Quoted(s.file) + ErrnoText(s.error);
        case R::NoFiles: return "the folder " + Quoted(s.file) + " holds no files to pack";
        case R::TooManyFiles:
            return "the folder " + Quoted(s.file) + " holds more than " + std::to_string(crowfmt::kMaxFiles) + " files";
        case R::EmptyFile: return InFolder(s) + " is empty, and an empty file cannot be packed";
        case R::FileTooLarge:
            return InFolder(s) + " is " + std::to_string(s.amount) + " bytes long; a packed file must be shorter than " +
                   std::to_string(crowfmt::kLimit) + " bytes";
        case R::CrowTooLarge:
            return "the files of " + Quoted(s.file) + " would make a Crow file of " + std::to_string(s.amount) +
                   " bytes; it must stay below " + std::to_string(crowfmt::kLimit);
        case R::NameUnstorable:
            return "the name " + Quoted(s.name) + " cannot be stored in a Crow file (" + NameProblemText(s.nameProblem) +
                   (s.stored.empty() ? "" : ", as " + Quoted(s.stored)) + ")";
        case R::NameCollision:
            return Quoted(s.other) + " and " + Quoted(s.name) + " would both be stored as " + Quoted(s.stored);
        case R::SourceUnreadable: return "cannot read " + InFolder(s) + ErrnoText(s.error);
        case R::SourceChanged: return InFolder(s) + " changed, grew, shrank or went away while it was packed";
        case R::OutputIsFolder: return Quoted(s.file) + " is a folder";
        case R::OutputIsSpecial: return Quoted(s.file) + " is " + KindOf(s.amount) + ", not a file that can be replaced";
        case R::OutputDangling: return Quoted(s.file) + " is a link to nothing";
        case R::OutputReadOnly: return Quoted(s.file) + " is read-only";
    }
    return std::string("failed (") + ReasonName(s.reason) + ")";
}

}  // namespace wxh::cli

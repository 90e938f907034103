#include "cli/diagnose.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "cli/terminal.h"
#include "common/cp932.h"
#include "common/paths.h"
#include "common/stored_names.h"
#include "crow/CrowFormat.h"

namespace wxh::cli {

namespace {

std::string Quoted(const std::string& s) { return "'" + PrintableName(s) + "'"; }

// A name as messages quote it: about 80 characters at most, then "…", however long it is.
std::string QuotedName(const std::string& s) {
    constexpr size_t kShown = 80;
    size_t chars = 0, i = 0;
    for (; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) continue;  // inside a character
        if (chars++ == kShown) break;
    }
    if (i >= s.size()) return Quoted(s);
    return "'" + PrintableName(s.substr(0, i)) + "…'";
}

}  // namespace

bool OpenCheckedCrow(const std::string& path, CheckedCrow& c, CrowStatus& status) {
    status.Begin(CrowOperation::GetCrowInfo, path);
    c.fd = Fd(OpenRegular(path, c.st));
    if (!c.fd.ok()) {
        CrowOpenFailed(status, c.st, errno);
        return false;
    }
    c.source.emplace(c.fd.get(), c.st.st_size);
    if (c.reader.Open(*c.source)) return true;
    c.reader.Report(status);
    return false;
}

std::string Refusal(const std::string& verb, const std::string& path, const CheckedCrow& c, const CrowStatus& status) {
    const std::string why = DescribeStatus(status);
    return c.reader.DirectoryRead() ? "cannot " + verb + " " + Quoted(path) + ": " + why : why;
}

int64_t FileLength(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

}  // namespace wxh::cli

namespace wxh::cli {

namespace {

std::string ErrnoText(int e) { return e ? std::string(": ") + std::strerror(e) : std::string(); }

// What a failed write met, in words, with the size it needed when known.
std::string WriteTrouble(const CrowStatus& s) {
    switch (s.error) {
        case ENOSPC:
        case EDQUOT:
            return "no space left on the device for " + Quoted(s.file) +
                   (s.amount > 0 ? " (it needs about " + std::to_string(s.amount) + " bytes)" : "");
        case EFBIG: return "the file size limit was reached writing " + Quoted(s.file);
        case EACCES:
        case EPERM:
        case EROFS: {
            const size_t slash = s.file.find_last_of('/');
            const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : s.file.substr(0, slash);
            return "cannot write into " + Quoted(folder) + ErrnoText(s.error);
        }
        default: return "cannot write " + Quoted(s.file) + ErrnoText(s.error);
    }
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
        case R::CrowUnreadable:
            if (s.reason == R::CrowUnreadable && s.error == 0) return "cannot read " + Quoted(s.file) + ": it ended early (it changed while it was read)";
            return "cannot read " + Quoted(s.file) + ErrnoText(s.error);
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
                   "): " + QuotedName(s.name);
        case R::DuplicateName:
            return Quoted(s.file) + " holds a file name that cannot be used safely (appears twice): " + QuotedName(s.name);
        case R::BadSize:
            return Quoted(s.file) + " is damaged: it lists " + QuotedName(s.name) + " as a file of " +
                   std::to_string(s.amount) + " bytes";
        case R::OutOfMemory: return "there is not enough memory to read " + Quoted(s.file);
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
            return "the name " + QuotedName(s.name) + " cannot be stored in a Crow file (" + NameProblemText(s.nameProblem) +
                   (s.stored.empty() ? "" : ", as " + QuotedName(s.stored)) + ")";
        case R::NameCollision:
            return QuotedName(s.other) + " and " + QuotedName(s.name) + " would both be stored as " + QuotedName(s.stored);
        case R::SourceUnreadable: return "cannot read " + InFolder(s) + ErrnoText(s.error);
        case R::SourceChanged: return InFolder(s) + " changed, grew, shrank or went away while it was packed";
        case R::OutputIsFolder: return Quoted(s.file) + " is a folder";
        case R::OutputIsSpecial: return Quoted(s.file) + " is " + KindOf(s.amount) + ", not a file that can be replaced";
        case R::OutputDangling: return Quoted(s.file) + " is a link to nothing";
        case R::OutputReadOnly: return Quoted(s.file) + " is read-only";
        case R::OutputExists:
            return Quoted(s.file) + " exists and was not replaced; nothing was written (--overwrite yes "
                                    "replaces it, --overwrite ask asks on a terminal)";
    }
    return std::string("failed (") + ReasonName(s.reason) + ")";
}

}  // namespace wxh::cli

#include "crow/CrowWriter.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <set>
#include <unistd.h>
#include <string_view>
#include <vector>

#include "common/cp932.h"
#include "common/posix_io.h"
#include "crow/CrowFormat.h"
#include "crow/FolderListing.h"
#include "common/stored_names.h"

namespace wxh {

using namespace crowfmt;

namespace {

constexpr size_t kBuffer = kIoBuffer;
// Files are read into the output buffer in pieces small enough to stay in the processor's cache
// while they are transformed; the buffer still goes out whole.
constexpr size_t kReadPiece = size_t{256} << 10;

// The Crow file's bytes on their way out: written in whole buffers, so the writes stay large
// and aligned to the file's pages whatever the sizes of the packed files; the rest at the end.
class OutputBuffer {
public:
    OutputBuffer(NewFile& out, uint8_t* buf) : out_(out), buf_(buf) {}
    uint8_t* Free() { return buf_ + used_; }
    size_t Room() const { return kBuffer - used_; }
    // n bytes were put at Free(); a full buffer goes out.
    bool Commit(size_t n) {
        used_ += n;
        return used_ < kBuffer || Flush();
    }
    bool Append(const void* data, size_t n) {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        while (n > 0) {
            const size_t k = std::min(n, Room());
            std::memcpy(Free(), p, k);
            if (!Commit(k)) return false;
            p += k;
            n -= k;
        }
        return true;
    }
    bool Flush() {
        const bool ok = out_.Write(buf_, used_);
        used_ = 0;
        return ok;
    }

private:
    NewFile& out_;
    uint8_t* buf_;
    size_t used_ = 0;
};

// The folder part of a path ("." when it has none) and the name after it.
void SplitPath(const std::string& path, std::string& folder, std::string& name) {
    const size_t at = path.rfind('/');
    std::string f = at == std::string::npos ? std::string(1, '.') : at == 0 ? std::string(1, '/') : path.substr(0, at);
    std::string n = at == std::string::npos ? path : path.substr(at + 1);
    folder = std::move(f);
    name = std::move(n);
}

OutputProblem Classify(const DestDir& dir, const std::string& name, EntryKind kind) {
    switch (kind) {
    case EntryKind::Missing: return OutputProblem::None;
    case EntryKind::EmptyFile:
    case EntryKind::File: return dir.MayWrite(name) ? OutputProblem::None : OutputProblem::ReadOnly;
    case EntryKind::Folder: return OutputProblem::Folder;
    case EntryKind::Special: return OutputProblem::Special;
    case EntryKind::Unknown: break;
    }
    return OutputProblem::Unknown;
}

}  // namespace

OutputProblem PrepareOutput(const std::string& saveFileName, DestDir& dir, std::string& name, struct stat& old,
                            EntryKind& kind) {
    std::string folder;
    SplitPath(saveFileName, folder, name);
    if (name.empty() || name == "." || name == "..") return OutputProblem::Folder;
    if (!dir.Open(folder)) return OutputProblem::NoFolder;
    kind = dir.Inspect(name, &old);
    if (kind == EntryKind::Special && S_ISLNK(old.st_mode)) {
        // Write where the link leads, keeping the link.
        char* real = ::realpath(saveFileName.c_str(), nullptr);
        if (!real) return errno == ENOENT ? OutputProblem::DanglingLink : OutputProblem::Unknown;
        const std::string target = real;
        std::free(real);
        SplitPath(target, folder, name);
        if (!dir.Open(folder)) return OutputProblem::NoFolder;
        kind = dir.Inspect(name, &old);
        if (kind == EntryKind::Missing) return OutputProblem::DanglingLink;
    }
    return Classify(dir, name, kind);
}

namespace {

void (*g_beforePublish)() = nullptr;
void (*g_sourceOpened)(const std::string&) = nullptr;

// Everything one pack works with, from the plan to the publish.
struct PackJob {
    PackJob(ProgressDriver& p, CrowStatus& s, int g, const std::string& save, bool replace)
        : progress(p), status(s), gen(g), saveFileName(save), mayReplace(replace) {}
    ProgressDriver& progress;
    CrowStatus& status;
    const int gen;
    const std::string& saveFileName;
    const bool mayReplace;  // false: only a missing name or an empty file is taken
    // The plan: key, listing, stored names, sums.
    int32_t keyNumber = 0;
    std::string key;
    Fd source;
    std::vector<ListedFile> files;
    std::vector<StoredName> names;
    NotPacked skipped;
    int64_t total = 0, S = kSizeValueBase, length = kSizeValueBase;
    // The output: its folder, its name and what stands there now.
    DestDir outDir;
    std::string outName;
    struct stat old {};
    EntryKind oldKind = EntryKind::Missing;
    OutputProblem outProblem = OutputProblem::None;
    int outErr = 0;
};

// The Crow file could not be written: what stands at its name, or the errno.
int32_t OutputFailed(PackJob& job, OutputProblem problem, int err) {
    CrowStatus& status = job.status;
    status.file = job.saveFileName;
    status.amount = job.length;
    switch (problem) {
        case OutputProblem::Folder: return status.Fail(CrowReason::OutputIsFolder);
        case OutputProblem::Special:
            status.amount = job.old.st_mode;
            return status.Fail(CrowReason::OutputIsSpecial);
        case OutputProblem::DanglingLink: return status.Fail(CrowReason::OutputDangling);
        case OutputProblem::ReadOnly: return status.Fail(CrowReason::OutputReadOnly, EACCES);
        default: return status.Fail(CrowReason::OutputUnwritable, err);
    }
}

// What stands at the output's name may be taken: replaceable, and agreed to.
int32_t CheckTaken(PackJob& job, EntryKind kind) {
    if (const OutputProblem p = Classify(job.outDir, job.outName, kind); p != OutputProblem::None)
        return OutputFailed(job, p, errno);
    if (kind == EntryKind::File && !job.mayReplace) {
        job.status.file = job.saveFileName;
        return job.status.Fail(CrowReason::OutputExists);
    }
    return 0;
}

void DrawKey(PackJob& job, std::mt19937& rng, const std::string& password) {
    if (job.gen != 3) return;  // the key first, as the format's writer always did
    if (password.empty()) {
        job.keyNumber = DrawKeyNumber(rng);
        job.key = KeyFromNumber(job.keyNumber);
    } else {
        job.key = KeyFromPassword(password);
    }
}

// The Crow file itself is never packed: the file at its name (same device and inode, a link
// to it as well) or the entry of its name when it is to go into the folder being packed.
void LeaveOutOutput(PackJob& job) {
    struct stat folder {}, dest {};
    const bool sameFolder = ::fstat(job.source.get(), &folder) == 0 && ::fstat(job.outDir.fd(), &dest) == 0 &&
                            folder.st_dev == dest.st_dev && folder.st_ino == dest.st_ino;
    const bool exists = job.oldKind == EntryKind::File || job.oldKind == EntryKind::EmptyFile;
    if (!sameFolder && !exists) return;
    for (auto it = job.files.begin(); it != job.files.end(); ++it) {
        const bool same = exists && it->dev == static_cast<uint64_t>(job.old.st_dev) &&
                          it->ino == static_cast<uint64_t>(job.old.st_ino);
        if (same || (sameFolder && it->name == job.outName)) {
            job.skipped.output = it->name;
            job.files.erase(it);  // its descriptor closes with it
            return;
        }
    }
}

// The listing, with every check that can be made before anything is created. What stands at
// the output's name is looked at here too, but refused only after the folder's own troubles.
int32_t ListSources(PackJob& job, const std::string& dirPath) {
    CrowStatus& status = job.status;
    job.source.Reset(RetryEintr([&] { return ::open(dirPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
    if (!job.source.ok()) return status.Fail(CrowReason::FolderUnopenable, errno);
    // The files stay open from the listing to their turn, as many as the process may hold.
    OpenFilesAllowance allowance(static_cast<size_t>(kMaxFiles) + 1);
    if (!ListFolder(job.source.get(), job.files, kMaxFiles, allowance.Spare(), &job.skipped)) {
        const int err = errno;
        return status.Fail(CrowReason::FolderUnreadable, err);
    }
    job.outProblem = PrepareOutput(job.saveFileName, job.outDir, job.outName, job.old, job.oldKind);
    job.outErr = errno;
    if (job.outDir.IsOpen()) LeaveOutOutput(job);
    if (job.files.empty()) return status.Fail(CrowReason::NoFiles);
    if (job.files.size() > static_cast<size_t>(kMaxFiles)) {
        status.amount = static_cast<int64_t>(job.files.size());
        return status.Fail(CrowReason::TooManyFiles);
    }
    return 0;
}

// Stored names and sizes: every file must be packable under a name of its own, and the
// size value and the Crow file's real length are summed.
int32_t PlanEntries(PackJob& job) {
    CrowStatus& status = job.status;
    {
        std::vector<std::string> diskNames;
        diskNames.reserve(job.files.size());
        for (const auto& f : job.files) diskNames.push_back(f.name);
        job.names = PlanStoredNames(diskNames);
    }
    for (size_t i = 0; i < job.files.size(); ++i) {
        const ListedFile& f = job.files[i];
        const StoredName& n = job.names[i];
        if (f.size <= 0) return status.Fail(CrowReason::EmptyFile, 0, f.name);
        if (f.size >= kLimit) {
            status.amount = f.size;
            return status.Fail(CrowReason::FileTooLarge, 0, f.name);
        }
        if (n.problem != NameProblem::None) {  // could never be released under its name, or two became one
            status.nameProblem = n.problem;
            status.stored = n.released;
            if (n.problem != NameProblem::Collision) return status.Fail(CrowReason::NameUnstorable, 0, f.name);
            status.other = job.names[n.collidesWith].disk;
            return status.Fail(CrowReason::NameCollision, 0, f.name);
        }
        job.total += f.size;
        job.length += Crow3SizeTerm(n.cp932, f.size);
        job.S += job.gen == 2 ? Crow2SizeTerm(n.released, f.size) : Crow3SizeTerm(n.cp932, f.size);
    }
    if (job.gen == 2) job.length -= 4;  // no key number
    if (job.S >= kLimit) {
        status.amount = job.S;
        return status.Fail(CrowReason::CrowTooLarge);
    }
    if (job.outProblem != OutputProblem::None) return OutputFailed(job, job.outProblem, job.outErr);
    return CheckTaken(job, job.oldKind);
}

// Plan: the key, the listing, the stored names and the sizes.
int32_t PlanPack(PackJob& job, std::mt19937& rng, const std::string& dirPath, const std::string& password) {
    DrawKey(job, rng, password);
    if (const int32_t r = ListSources(job, dirPath); r != 0) return r;
    return PlanEntries(job);
}

std::string EncodeJobDirectory(const PackJob& job) {
    int32_t W = 0, H = 0;
    CalcBitmapSize(job.S, W, H);
    std::vector<std::string_view> names;
    std::vector<uint32_t> sizes;
    names.reserve(job.names.size());
    sizes.reserve(job.files.size());
    for (const StoredName& n : job.names) names.emplace_back(n.cp932);
    for (const ListedFile& f : job.files) sizes.push_back(static_cast<uint32_t>(f.size));
    return EncodeDirectory(job.gen, static_cast<uint32_t>(job.S), W, H, job.keyNumber, names, sizes);
}

int32_t Cancelled(PackJob& job, const std::string& name) {  // at the file of that name
    job.progress.Cancelled(true);
    return job.status.Fail(CrowReason::Cancelled, 0, name);
}

// The file's descriptor for its turn: the one the listing kept (still the file it measured),
// or opened now by name into opened. -1 once the reason is recorded.
int SourceFor(PackJob& job, ListedFile& f, Fd& opened) {
    struct stat st {};
    if (f.fd.ok()) {  // open since the listing: removed from the folder meanwhile, or resized?
        if (::fstat(f.fd.get(), &st) == 0 && st.st_nlink != 0 && st.st_size == f.size) return f.fd.get();
        job.status.Fail(CrowReason::SourceChanged, 0, f.name);
        return -1;
    }
    opened.Reset(OpenRegularAt(job.source.get(), f.name, st));
    if (!opened.ok() && st.st_mode == 0 && errno != ENOENT) {  // there, but it cannot be opened
        job.status.Fail(CrowReason::SourceUnreadable, errno, f.name);
        return -1;
    }
    if (opened.ok() && st.st_size == f.size) return opened.get();
    job.status.Fail(CrowReason::SourceChanged, 0, f.name);  // gone, replaced or resized since the listing
    return -1;
}

// Stream: one file's bytes go straight into the output buffer and are transformed there.
template <class Xform>
int32_t StreamFile(PackJob& job, ListedFile& f, OutputBuffer& ob, int64_t step, const Xform& xform) {
    ProgressDriver& progress = job.progress;
    CrowStatus& status = job.status;
    if (progress.StopRequested()) return Cancelled(job, f.name);
    progress.Start(f.name, f.size, false);
    Fd opened;  // a file measured by name only, opened now; closed when it is done
    const int src = SourceFor(job, f, opened);
    if (src < 0) return status.Result();
    if (g_sourceOpened) g_sourceOpened(f.name);
    int64_t done = 0;
    int64_t next = step;
    bool endSeen = false;  // the read of the last piece asked for one byte more and got none
    while (done < f.size) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(std::min(ob.Room(), kReadPiece)), f.size - done));
        // When the rest fits with a byte to spare, the same read also checks that the file
        // did not grow (the spare byte is overwritten later).
        const bool last = static_cast<int64_t>(n) == f.size - done && n < ob.Room();
        // A regular file's read comes back short only at its end, so one read that gets n
        // of n + 1 bytes has seen the end; a shorter one is read on until the end or n + 1.
        ssize_t got = last ? RetryEintr([&] { return ::read(src, ob.Free(), n + 1); }) : 0;
        if (got >= 0 && static_cast<size_t>(got) < n) {
            const ssize_t more = ReadFull(src, ob.Free() + got, (last ? n + 1 : n) - static_cast<size_t>(got));
            got = more < 0 ? -1 : got + more;
        }
        if (got != static_cast<ssize_t>(n))  // shrunk, or grew
            return got < 0 ? status.Fail(CrowReason::SourceUnreadable, errno, f.name)
                           : status.Fail(CrowReason::SourceChanged, 0, f.name);
        const int64_t pointsBefore = next;
        if (progress.Transform(ob.Free(), done, done + static_cast<int64_t>(n), next, step, f.size, xform))
            return Cancelled(job, f.name);
        endSeen = last && next == pointsBefore;  // after a point (events ran) look again at the end
        if (!ob.Commit(n)) return OutputFailed(job, OutputProblem::None, errno);
        done += static_cast<int64_t>(n);
        if (done < f.size && progress.StopRequested()) return Cancelled(job, f.name);
    }
    uint8_t extra;
    if (!endSeen && ReadFull(src, &extra, 1) != 0)  // grew while it was packed
        return status.Fail(CrowReason::SourceChanged, 0, f.name);
    return 0;
}

// Stream: every file, read, transformed and written in the order of the tables.
int32_t StreamFiles(PackJob& job, OutputBuffer& ob) {
    if (job.gen == 2) {
        const auto add = [](uint8_t* b, size_t n, int64_t) { AddByte(b, n, 1); };
        for (auto& f : job.files)
            if (const int32_t r = StreamFile(job, f, ob, kWriterThreshold, add); r != 0) return r;
    } else {
        const KeyStream keys(job.key);
        const int64_t step = ProgressStep(kWriterThreshold, static_cast<int64_t>(job.key.size()));
        const auto subtract = [&keys](uint8_t* b, size_t n, int64_t done) { keys.Subtract(b, n, done); };
        for (auto& f : job.files)
            if (const int32_t r = StreamFile(job, f, ob, step, subtract); r != 0) return r;
    }
    CloseListed(job.files);  // all at once
    return ob.Flush() ? 0 : OutputFailed(job, OutputProblem::None, errno);
}

// Publish: a new name is only ever linked (never replacing what appeared meanwhile); an older
// Crow file is replaced keeping its mode, flushed first so a crash keeps one of them. A stop
// asked for up to that moment leaves everything as it was.
int32_t PublishOutput(PackJob& job, NewFile& out) {
    DestDir::PublishSteps steps;
    int32_t refused = 0;
    steps.onTaken = [&](EntryKind kind, const struct stat& now) {
        job.oldKind = kind;
        job.old = now;
        refused = CheckTaken(job, kind);
        return refused == 0 ? DestDir::Claim::Replace : DestDir::Claim::Refuse;
    };
    steps.stop = [&] {
        if (g_beforePublish) g_beforePublish();
        return job.progress.StopRequested();
    };
    const bool replace = job.oldKind != EntryKind::Missing;
    switch (job.outDir.Publish(out, job.outName, replace, job.old, steps)) {
        case DestDir::Published::Done: return 0;
        case DestDir::Published::Stopped: return Cancelled(job, std::string());
        case DestDir::Published::Refused:
        case DestDir::Published::Kept: return refused != 0 ? refused : OutputFailed(job, OutputProblem::None, EEXIST);
        case DestDir::Published::Failed: break;
    }
    return OutputFailed(job, OutputProblem::None, errno);
}

}  // namespace

void SetBeforePublishHook(void (*hook)()) { g_beforePublish = hook; }

void SetSourceOpenedHook(void (*hook)(const std::string& name)) { g_sourceOpened = hook; }

int32_t PackFolder(ProgressDriver& progress, CrowStatus& status, std::mt19937& rng, int gen,
                   const std::string& dirPath, const std::string& saveFileName, const std::string& password,
                   bool mayReplace) {
    PackJob job(progress, status, gen, saveFileName, mayReplace);
    if (const int32_t r = PlanPack(job, rng, dirPath, password); r != 0) return r;
    const std::string head = EncodeJobDirectory(job);
    ProgressDialog& dlg = progress.dialog();
    for (const StoredName& n : job.names)
        if (n.Changed()) dlg.OnStoredAs(n.disk, n.released);
    if (job.skipped.Any()) dlg.OnNotPacked(job.skipped);

    IoBuffer buffer = NewIoBuffer();
    if (!buffer) return OutputFailed(job, OutputProblem::None, ENOMEM);
    NewFile out;  // nameless until complete: cancel or failure leave nothing
    if (!job.outDir.Create(out)) return OutputFailed(job, OutputProblem::None, errno);
    OutputBuffer ob(out, buffer.get());
    if (!ob.Append(head.data(), head.size())) return OutputFailed(job, OutputProblem::None, errno);
    dlg.OnTotal(job.total, static_cast<int32_t>(job.files.size()));
    dlg.Show();
    int32_t r = StreamFiles(job, ob);
    if (r == 0) r = PublishOutput(job, out);
    if (status.reason != CrowReason::Cancelled) dlg.Hide();
    return r;
}

}  // namespace wxh

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

int32_t PackFolder(ProgressDriver& progress, CrowStatus& status, std::mt19937& rng, int gen,
                   const std::string& dirPath, const std::string& saveFileName, const std::string& password) {
    ProgressDialog& dlg = progress.dialog();
    // Key first (CRW3), as the format's writer always did.
    int32_t keyNumber = 0;
    std::string key;
    if (gen == 3) {
        if (password.empty()) {
            keyNumber = DrawKeyNumber(rng);
            key = KeyFromNumber(keyNumber);
        } else {
            key = KeyFromPassword(password);
        }
    }

    // Listing and every check that can be made before anything is created.
    Fd source(RetryEintr([&] { return ::open(dirPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
    if (!source.ok()) return status.Fail(CrowReason::FolderUnopenable, errno);
    // The files stay open from the listing to their turn, as many as the process may hold.
    OpenFilesAllowance allowance(static_cast<size_t>(kMaxFiles) + 1);
    std::vector<ListedFile> files;
    if (!ListFolder(source.get(), files, kMaxFiles, allowance.Spare()))
        return status.Fail(CrowReason::FolderUnreadable, errno);
    if (files.empty()) return status.Fail(CrowReason::NoFiles);
    if (files.size() > static_cast<size_t>(kMaxFiles)) {
        status.amount = static_cast<int64_t>(files.size());
        return status.Fail(CrowReason::TooManyFiles);
    }
    std::vector<std::string> diskNames;
    diskNames.reserve(files.size());
    for (const auto& f : files) diskNames.push_back(f.name);
    std::vector<StoredName> plan = PlanStoredNames(diskNames);
    diskNames = {};
    // The size value and the Crow file's real length, summed as the names are checked.
    int64_t total = 0, S = kSizeValueBase, length = kSizeValueBase;
    size_t tableBytes = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        ListedFile& f = files[i];
        const StoredName& n = plan[i];
        if (f.size <= 0) return status.Fail(CrowReason::EmptyFile, 0, f.name);
        if (f.size >= kLimit) {
            status.amount = f.size;
            return status.Fail(CrowReason::FileTooLarge, 0, f.name);
        }
        if (n.problem != NameProblem::None) {  // could never be released under its name, or two became one
            status.nameProblem = n.problem;
            status.stored = n.released;
            if (n.problem != NameProblem::Collision) return status.Fail(CrowReason::NameUnstorable, 0, f.name);
            status.other = plan[n.collidesWith].disk;
            return status.Fail(CrowReason::NameCollision, 0, f.name);
        }
        total += f.size;
        length += Crow3SizeTerm(n.cp932, f.size);
        S += gen == 2 ? Crow2SizeTerm(n.released, f.size) : Crow3SizeTerm(n.cp932, f.size);
        tableBytes += 2 + n.cp932.size() + 4;
    }
    if (gen == 2) length -= 4;  // no key number
    if (S >= kLimit) {
        status.amount = S;
        return status.Fail(CrowReason::CrowTooLarge);
    }
    int32_t W = 0, H = 0;
    CalcBitmapSize(S, W, H);

    std::string head;
    head.reserve(kHeaderBytes + 12 + tableBytes);
    const auto bmp = FillBitmapHeaders(static_cast<uint32_t>(S), W, H);
    head.append(reinterpret_cast<const char*>(bmp.data()), bmp.size());
    head += gen == 2 ? "CRW2" : "CRW3";
    if (gen == 3) PutU32(head, static_cast<uint32_t>(keyNumber));
    PutU32(head, static_cast<uint32_t>(files.size() - 1));
    for (const StoredName& n : plan) {
        PutU16(head, static_cast<uint16_t>(n.cp932.size()));
        head += n.cp932;
    }
    for (const auto& f : files) PutU32(head, static_cast<uint32_t>(f.size));

    // What stands at the output's name is refused before anything is written.
    DestDir outDir;
    std::string outName;
    struct stat old {};
    EntryKind oldKind = EntryKind::Missing;
    // The Crow file could not be written: what stands at its name, or the errno.
    const auto outputFailed = [&](OutputProblem problem, int err) {
        status.file = saveFileName;
        status.amount = length;
        switch (problem) {
            case OutputProblem::Folder: return status.Fail(CrowReason::OutputIsFolder);
            case OutputProblem::Special:
                status.amount = old.st_mode;
                return status.Fail(CrowReason::OutputIsSpecial);
            case OutputProblem::DanglingLink: return status.Fail(CrowReason::OutputDangling);
            case OutputProblem::ReadOnly: return status.Fail(CrowReason::OutputReadOnly, EACCES);
            default: return status.Fail(CrowReason::OutputUnwritable, err);
        }
    };
    if (const OutputProblem p = PrepareOutput(saveFileName, outDir, outName, old, oldKind); p != OutputProblem::None)
        return outputFailed(p, errno);
    for (const StoredName& n : plan)
        if (n.Changed()) dlg.OnStoredAs(n.disk, n.released);

    IoBuffer buffer = NewIoBuffer();
    if (!buffer) return outputFailed(OutputProblem::None, ENOMEM);
    NewFile out;  // nameless until complete: cancel or failure leave nothing
    if (!outDir.Create(out)) return outputFailed(OutputProblem::None, errno);
    OutputBuffer ob(out, buffer.get());
    if (!ob.Append(head.data(), head.size())) return outputFailed(OutputProblem::None, errno);
    dlg.OnTotal(total, static_cast<int32_t>(files.size()));
    dlg.Show();
    const auto failed = [&](int32_t code) {
        dlg.Hide();
        return code;
    };
    const auto writeFailed = [&] { return failed(outputFailed(OutputProblem::None, errno)); };
    const auto cancelled = [&](const std::string& name) {  // at the file of that name
        progress.Cancelled(true);
        return status.Fail(CrowReason::Cancelled, 0, name);
    };

    const std::optional<KeyStream> keys = gen == 3 ? std::optional<KeyStream>(key) : std::nullopt;
    const int64_t L = static_cast<int64_t>(key.size());
    const int64_t step = gen == 2 ? kWriterThreshold : ProgressStep(kWriterThreshold, L);
    const auto xform = [&](uint8_t* b, size_t n, int64_t done) {
        if (gen == 2) AddByte(b, n, 1);
        else keys->Subtract(b, n, done);
    };

    for (auto& f : files) {
        if (progress.StopRequested()) return cancelled(f.name);
        progress.Start(f.name, f.size, false);
        Fd opened;  // a file measured by name only, opened now; closed when it is done
        int src = f.fd.get();
        if (src >= 0) {  // open since the listing: removed from the folder meanwhile, or resized?
            struct stat st {};
            if (::fstat(src, &st) != 0 || st.st_nlink == 0 || st.st_size != f.size)
                return failed(status.Fail(CrowReason::SourceChanged, 0, f.name));
        } else {
            struct stat st {};
            opened.Reset(OpenRegularAt(source.get(), f.name, st));
            if (!opened.ok() && st.st_mode == 0 && errno != ENOENT)  // there, but it cannot be opened
                return failed(status.Fail(CrowReason::SourceUnreadable, errno, f.name));
            if (!opened.ok() || st.st_size != f.size)  // gone, replaced or resized since the listing
                return failed(status.Fail(CrowReason::SourceChanged, 0, f.name));
            src = opened.get();
        }
        // The file's bytes go straight into the output buffer and are transformed there.
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
                return failed(got < 0 ? status.Fail(CrowReason::SourceUnreadable, errno, f.name)
                                      : status.Fail(CrowReason::SourceChanged, 0, f.name));
            const int64_t pointsBefore = next;
            if (progress.Transform(ob.Free(), done, done + static_cast<int64_t>(n), next, step, f.size, xform))
                return cancelled(f.name);
            endSeen = last && next == pointsBefore;  // after a point (events ran) look again at the end

            if (!ob.Commit(n)) return writeFailed();
            done += static_cast<int64_t>(n);
            if (done < f.size && progress.StopRequested()) return cancelled(f.name);
        }
        uint8_t extra;
        if (!endSeen && ReadFull(src, &extra, 1) != 0)  // grew while it was packed
            return failed(status.Fail(CrowReason::SourceChanged, 0, f.name));
    }
    CloseListed(files);  // all at once
    if (!ob.Flush()) return writeFailed();

    // Naming: a new name is only ever linked (never replacing what appeared meanwhile); an
    // older Crow file is replaced keeping its mode, flushed first so a crash keeps one of them.
    bool named = false;
    for (int attempt = 0; attempt < 3 && !named; ++attempt) {
        if (oldKind == EntryKind::Missing) {
            const DestDir::Naming r = outDir.LinkNew(out, outName);
            if (r == DestDir::Naming::Failed) return writeFailed();
            if (r == DestDir::Naming::Done) {
                named = true;
                break;
            }
            oldKind = outDir.Inspect(outName, &old);
            if (const OutputProblem p = Classify(outDir, outName, oldKind); p != OutputProblem::None)
                return failed(outputFailed(p, errno));
        } else {
            if (!outDir.Replace(out, outName, old, oldKind == EntryKind::File)) return writeFailed();
            named = true;
        }
    }
    if (!named) return failed(outputFailed(OutputProblem::None, EEXIST));
    dlg.Hide();
    return 0;
}

}  // namespace wxh

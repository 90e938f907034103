#include "crow/CrowReleaser.h"

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <vector>

#include "common/cp932.h"
#include "common/paths.h"
#include "common/posix_io.h"
#include "crow/CrowFormat.h"

namespace wxh {

using namespace crowfmt;

namespace {

constexpr size_t kBuffer = kIoBuffer;

enum class Plan { Skip, New, Replace, Fail };

// What to do at a name: nothing there gives a new file; an empty regular file is replaced
// without a question; anything else only after a Yes. A folder cannot be replaced, nor a
// file the user may not write: those fail as a write would.
Plan Decide(const DestDir& dest, const std::string& name, bool look, OverwriteQuestion* question,
            const std::string& destText, struct stat& old) {
    const EntryKind kind = look ? dest.Inspect(name, &old) : EntryKind::Missing;
    if (kind == EntryKind::Unknown) return Plan::Fail;
    const int32_t answer = OverwriteAnswer(kind, question, destText + name);
    if (answer == 7) return Plan::Skip;
    if (kind == EntryKind::Missing) return Plan::New;
    if (kind == EntryKind::Folder) return Plan::Fail;
    if (kind == EntryKind::File && !dest.MayWrite(name)) return Plan::Fail;
    return Plan::Replace;
}

}  // namespace

int32_t OverwriteAnswer(EntryKind kind, OverwriteQuestion* question, const std::string& path) {
    if (kind == EntryKind::Missing || kind == EntryKind::Unknown) return 6;
    if (kind == EntryKind::EmptyFile) return 0;
    if (!question) return 7;
    return question->Ask(path) == 6 ? 6 : 7;
}

int32_t ReleaseCrow(ProgressDriver& progress, CrowStatus& status, OverwriteQuestion* question, int gen,
                    ByteSource& src, DestDir& dest, const std::string& destPath, int destErr,
                    const std::string& password) {
    ProgressDialog& dlg = progress.dialog();
    const std::string destText = AddPathSep(destPath);
    const auto fail = [&](CrowReason why, int err = 0, const std::string& name = std::string()) {
        if (gen != 1) dlg.Hide();
        return status.Fail(why, err, name);
    };
    const auto unreadable = [&] { return fail(CrowReason::CrowUnreadable, errno); };
    // Cancelled at file i (name): it is not written; amount tells how many came before it.
    const auto Cancelled = [&](size_t i, const std::string& name) {
        progress.Cancelled(gen != 1);
        status.amount = static_cast<int64_t>(i);
        return status.Fail(CrowReason::Cancelled, 0, name);
    };
    CrowDirectory d;
    if (ReadFixedPart(src, d) != DirectoryStatus::Ok) return unreadable();
    if (gen == 3 && d.fileLength != static_cast<int64_t>(d.bfSize)) return fail(CrowReason::LengthDiffers);
    if (d.generation != gen) return fail(d.generation == 0 ? CrowReason::NotCrow : CrowReason::OtherGeneration);
    switch (ReadTables(src, d)) {
        case DirectoryStatus::Ok: break;
        case DirectoryStatus::Unreadable: return unreadable();
        default: return fail(CrowReason::TablesDamaged);
    }

    // Every name and size is checked before anything is written.
    std::vector<std::string> names;
    if (size_t bad = 0; !CheckReleaseNames(d, names, &bad)) {
        std::string utf8;
        status.nameProblem = CheckStoredName(d.names[bad], utf8);
        if (status.nameProblem != NameProblem::None) return fail(CrowReason::UnsafeName, 0, Cp932ToUtf8(d.names[bad]));
        for (size_t i = 0; i < bad; ++i)
            if (d.names[i] == d.names[bad] || Cp932ToUtf8(d.names[i]) == utf8) return fail(CrowReason::DuplicateName, 0, utf8);
        status.amount = bad < d.sizes.size() ? d.sizes[bad] : 0;
        return fail(CrowReason::BadSize, 0, utf8);
    }
    int64_t total = 0;
    for (int32_t s : d.sizes) total += s;
    if (total > d.fileLength - d.dataStart) return fail(CrowReason::DataCutShort);
    if (!dest.IsOpen()) {
        status.file = destPath;
        return fail(CrowReason::DestUnopenable, destErr);
    }

    std::string key;
    if (gen == 3) {
        if (d.keyNumber != 0) key = KeyFromNumber(d.keyNumber);
        else if (password.empty()) return fail(CrowReason::PasswordNeeded);
        else key = KeyFromPassword(password);
    }
    const std::optional<KeyStream> keys = gen == 3 ? std::optional<KeyStream>(key) : std::nullopt;
    const int64_t L = static_cast<int64_t>(key.size());
    const int64_t step = gen == 3 ? ProgressStep(kWriterThreshold, L) : gen == 2 ? kUnCrow2Step : 0;
    IoBuffer buffer = NewIoBuffer();
    if (!buffer) return fail(CrowReason::WriteFailed, ENOMEM);
    // One read of the folder: names not in it need no look of their own.
    dest.Snapshot();
    if (gen != 1) dlg.OnTotal(total, static_cast<int32_t>(names.size()));

    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        const int64_t size = d.sizes[i];
        if (progress.StopRequested()) return Cancelled(i, name);
        if (gen != 1) progress.Start(name, size, true);
        struct stat old {};
        // A write that failed at this file: a folder in the way, a file the user may not
        // write, or the errno of the failing call.
        const auto writeFailed = [&](int err) {
            status.file = destText + name;
            status.amount = size;
            if (S_ISDIR(old.st_mode)) return fail(CrowReason::TargetIsFolder, 0, name);
            return fail(CrowReason::WriteFailed, err, name);
        };
        Plan plan = Decide(dest, name, dest.MayExist(name), question, destText, old);
        if (plan == Plan::Fail) return writeFailed(S_ISREG(old.st_mode) ? EACCES : errno);
        if (plan == Plan::Skip) {
            if (!src.Skip(size)) return unreadable();
            continue;
        }
        NewFile out;  // nameless until complete: a cancel leaves an older file of this name as it was
        if (!dest.Create(out)) return writeFailed(errno);
        int readErr = -1, writeErr = -1;  // which side failed, with its errno
        const auto read = [&](uint8_t* b, size_t n) { return src.Read(b, n) || (readErr = errno, false); };
        const auto write = [&](const uint8_t* b, size_t n) { return out.Write(b, n) || (writeErr = errno, false); };
        StreamResult res;
        if (gen == 3) {
            res = progress.Stream(buffer.get(), kBuffer, size, step, read,
                                  [&](uint8_t* b, size_t n, int64_t done) { keys->Add(b, n, done); },
                                  write);
        } else if (gen == 2) {
            res = progress.Stream(buffer.get(), kBuffer, size, step, read,
                                  [](uint8_t* b, size_t n, int64_t) { AddByte(b, n, 255); }, write);
        } else {
            res = progress.Stream(buffer.get(), kBuffer, size, 0, read, [](uint8_t*, size_t, int64_t) {}, write);
        }
        if (res == StreamResult::Cancelled) return Cancelled(i, name);
        if (res == StreamResult::Failed) {
            if (writeErr >= 0) return writeFailed(writeErr);
            return fail(CrowReason::CrowUnreadable, readErr);
        }

        // Naming never replaces what the plan did not agree to: something that appeared at
        // the name meanwhile goes through the overwrite question like any existing file.
        DestDir::PublishSteps steps;
        steps.onTaken = [&](EntryKind, const struct stat&) {
            plan = Decide(dest, name, true, question, destText, old);
            return plan == Plan::Skip ? DestDir::Claim::Keep
                 : plan == Plan::Fail ? DestDir::Claim::Refuse : DestDir::Claim::Replace;
        };
        // A regular file with content is flushed over: a crash keeps the old or the new one.
        const DestDir::Published published = dest.Publish(out, name, plan == Plan::Replace, old, steps);
        if (published == DestDir::Published::Refused) return writeFailed(S_ISREG(old.st_mode) ? EACCES : errno);
        if (published == DestDir::Published::Failed) return writeFailed(errno);
    }
    if (gen != 1) dlg.Hide();
    return 0;
}

}  // namespace wxh

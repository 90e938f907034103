#include "crow/CrowReleaser.h"

#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <vector>

#include "crow/CrowFormat.h"

namespace wxh {

using namespace crowfmt;

namespace {

constexpr size_t kBuffer = size_t{1} << 20;

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};

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

int32_t ReleaseCrow(ProgressDriver& progress, OverwriteQuestion* question, int gen, ByteSource& src, DestDir& dest,
                    const std::string& destText, const std::string& password) {
    ProgressDialog& dlg = progress.dialog();
    const auto fail = [&](int32_t code) {
        if (gen != 1) dlg.Hide();
        return code;
    };
    CrowDirectory d;
    if (ReadFixedPart(src, d) != DirectoryStatus::Ok) return fail(2);
    if (gen == 3 && d.fileLength != static_cast<int64_t>(d.bfSize)) return fail(3);
    if (d.generation != gen) return fail(1);
    if (ReadTables(src, d) != DirectoryStatus::Ok) return fail(2);
    if (!dest.IsOpen()) return fail(2);

    // Every name and size is checked before anything is written.
    std::vector<std::string> names;
    if (!CheckReleaseNames(d, names)) return fail(2);
    int64_t total = 0;
    for (int32_t s : d.sizes) total += s;
    if (total > d.fileLength - d.dataStart) return fail(3);  // data area shorter than the tables say

    std::string key;
    if (gen == 3) {
        if (d.keyNumber != 0) key = KeyFromNumber(d.keyNumber);
        else if (password.empty()) return fail(2);
        else key = KeyFromPassword(password);
    }
    const std::vector<uint8_t> ext = gen == 3 ? ExpandKey(key, kBuffer) : std::vector<uint8_t>();
    const int64_t L = static_cast<int64_t>(key.size());
    const int64_t step = gen == 3 ? ProgressStep(kWriterThreshold, L) : gen == 2 ? kUnCrow2Step : 0;
    std::unique_ptr<uint8_t, FreeDeleter> buffer(static_cast<uint8_t*>(std::aligned_alloc(4096, kBuffer)));
    if (!buffer) return fail(2);
    // One read of the folder: names not in it need no look of their own.
    dest.Snapshot();
    if (gen != 1) dlg.OnTotal(total, static_cast<int32_t>(names.size()));

    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        const int64_t size = d.sizes[i];
        if (progress.StopRequested()) return progress.Cancelled(gen != 1);
        if (gen != 1) progress.Start(name, size, true);
        struct stat old {};
        Plan plan = Decide(dest, name, dest.MayExist(name), question, destText, old);
        if (plan == Plan::Fail) return fail(2);
        if (plan == Plan::Skip) {
            if (!src.Skip(size)) return fail(2);
            continue;
        }
        NewFile out;  // nameless until complete: a cancel leaves an older file of this name as it was
        if (!dest.Create(out)) return fail(2);
        const auto read = [&](uint8_t* b, size_t n) { return src.Read(b, n); };
        const auto write = [&](const uint8_t* b, size_t n) { return out.Write(b, n); };
        StreamResult res;
        if (gen == 3) {
            res = progress.Stream(buffer.get(), kBuffer, size, step, read,
                                  [&](uint8_t* b, size_t n, int64_t done) {
                                      AddKey(b, n, ext.data() + static_cast<size_t>(done % L));
                                  },
                                  write);
        } else if (gen == 2) {
            res = progress.Stream(buffer.get(), kBuffer, size, step, read,
                                  [](uint8_t* b, size_t n, int64_t) { AddByte(b, n, 255); }, write);
        } else {
            res = progress.Stream(buffer.get(), kBuffer, size, 0, read, [](uint8_t*, size_t, int64_t) {}, write);
        }
        if (res == StreamResult::Cancelled) return progress.Cancelled(gen != 1);
        if (res == StreamResult::Failed) return fail(2);

        // Naming never replaces what the plan did not agree to: something that appeared at
        // the name meanwhile goes through the overwrite question like any existing file.
        bool done = false;
        for (int attempt = 0; attempt < 3 && !done; ++attempt) {
            if (plan == Plan::New) {
                const DestDir::Naming n = dest.LinkNew(out, name);
                if (n == DestDir::Naming::Failed) return fail(2);
                if (n == DestDir::Naming::Done) {
                    done = true;
                    break;
                }
                plan = Decide(dest, name, true, question, destText, old);
                if (plan == Plan::Fail) return fail(2);
                if (plan == Plan::Skip) done = true;  // out goes unnamed
            } else {
                // A regular file with content is flushed over: a crash keeps the old or the new one.
                if (!dest.Replace(out, name, old, S_ISREG(old.st_mode) && old.st_size > 0)) return fail(2);
                done = true;
            }
        }
        if (!done) return fail(2);
    }
    if (gen != 1) dlg.Hide();
    return 0;
}

}  // namespace wxh

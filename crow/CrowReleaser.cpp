#include "crow/CrowReleaser.h"

#include <cerrno>
#include <optional>
#include <sys/stat.h>

#include "common/paths.h"
#include "common/posix_io.h"
#include "crow/CrowFormat.h"
#include "crow/CrowReader.h"

namespace wxh {

using namespace crowfmt;

namespace {

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

// One release: the checked Crow file, walked front to back, into one folder.
class Release {
public:
    Release(ProgressDriver& progress, CrowStatus& status, OverwriteQuestion* question, int gen,
            const CrowReader& reader, DestDir& dest, const std::string& destPath)
        : progress_(progress), status_(status), question_(question), gen_(gen), reader_(reader),
          src_(reader.Source()), dest_(dest), destText_(AddPathSep(destPath)) {}

    int32_t Fail(CrowReason why, int err = 0, const std::string& name = std::string()) {
        if (gen_ != 1) progress_.dialog().Hide();
        return status_.Fail(why, err, name);
    }
    int32_t Prepare(const std::string& destPath, int destErr, const std::string& password);
    int32_t Run();

private:
    int32_t One(size_t i);
    int32_t Cancelled(size_t i, const std::string& name);
    int32_t WriteFailed(const std::string& name, int64_t size, const struct stat& old, int err);
    int32_t Unreadable(int err) { return Fail(CrowReason::CrowUnreadable, err); }
    StreamResult Stream(NewFile& out, int64_t size, int& readErr, int& writeErr);
    int32_t Publish(NewFile& out, const std::string& name, int64_t size, Plan plan, struct stat& old);

    ProgressDriver& progress_;
    CrowStatus& status_;
    OverwriteQuestion* question_;
    const int gen_;
    const CrowReader& reader_;
    ByteSource& src_;
    DestDir& dest_;
    const std::string destText_;
    std::optional<KeyStream> keys_;
    int64_t step_ = 0;
    IoBuffer buffer_;
};

// What a release needs once the Crow file has passed: the folder, the key, a buffer.
int32_t Release::Prepare(const std::string& destPath, int destErr, const std::string& password) {
    if (!dest_.IsOpen()) {
        status_.file = destPath;
        return Fail(CrowReason::DestUnopenable, destErr);
    }
    if (gen_ == 3) {
        if (reader_.NeedsPassword() && password.empty()) return Fail(CrowReason::PasswordNeeded);
        const std::string key = reader_.Key(password);
        keys_.emplace(key);
        step_ = ProgressStep(kWriterThreshold, static_cast<int64_t>(key.size()));
    } else if (gen_ == 2) {
        step_ = kUnCrow2Step;
    }
    buffer_ = NewIoBuffer();
    if (!buffer_) return Fail(CrowReason::WriteFailed, ENOMEM);
    return 0;
}

int32_t Release::Run() {
    // One read of the folder: names not in it need no look of their own.
    dest_.Snapshot();
    if (gen_ != 1) progress_.dialog().OnTotal(reader_.TotalSize(), static_cast<int32_t>(reader_.Names().size()));
    for (size_t i = 0; i < reader_.Names().size(); ++i)
        if (const int32_t r = One(i); r != 0) return r;
    if (gen_ != 1) progress_.dialog().Hide();
    return 0;
}

// Cancelled at file i (name): it is not written; amount tells how many came before it.
int32_t Release::Cancelled(size_t i, const std::string& name) {
    progress_.Cancelled(gen_ != 1);
    status_.amount = static_cast<int64_t>(i);
    return status_.Fail(CrowReason::Cancelled, 0, name);
}

// A write that failed at a file: a folder in the way, a file the user may not write, or the
// errno of the failing call.
int32_t Release::WriteFailed(const std::string& name, int64_t size, const struct stat& old, int err) {
    status_.file = destText_ + name;
    status_.amount = size;
    if (S_ISDIR(old.st_mode)) return Fail(CrowReason::TargetIsFolder, 0, name);
    return Fail(CrowReason::WriteFailed, err, name);
}

int32_t Release::One(size_t i) {
    const std::string& name = reader_.Names()[i];
    const int64_t size = reader_.Entries()[i].size;
    if (progress_.StopRequested()) return Cancelled(i, name);
    if (gen_ != 1) progress_.Start(name, size, true);
    struct stat old {};
    const Plan plan = Decide(dest_, name, dest_.MayExist(name), question_, destText_, old);
    if (plan == Plan::Fail) return WriteFailed(name, size, old, S_ISREG(old.st_mode) ? EACCES : errno);
    if (plan == Plan::Skip) return src_.Skip(size) ? 0 : Unreadable(src_.Error());
    NewFile out;  // nameless until complete: a cancel leaves an older file of this name as it was
    if (!dest_.Create(out)) return WriteFailed(name, size, old, errno);
    int readErr = -1, writeErr = -1;  // which side failed, with its errno
    switch (Stream(out, size, readErr, writeErr)) {
        case StreamResult::Done: break;
        case StreamResult::Cancelled: return Cancelled(i, name);
        case StreamResult::Failed:
            if (writeErr >= 0) return WriteFailed(name, size, old, writeErr);
            return Unreadable(readErr);  // 0: the Crow file ended early (it changed meanwhile)
    }
    return Publish(out, name, size, plan, old);
}

StreamResult Release::Stream(NewFile& out, int64_t size, int& readErr, int& writeErr) {
    const auto read = [&](uint8_t* b, size_t n) { return src_.Read(b, n) || (readErr = src_.Error(), false); };
    const auto write = [&](const uint8_t* b, size_t n) { return out.Write(b, n) || (writeErr = errno, false); };
    constexpr size_t kBuffer = kIoBuffer;
    uint8_t* buf = buffer_.get();
    if (gen_ == 3) {
        const KeyStream& keys = *keys_;
        return progress_.Stream(buf, kBuffer, size, step_, read,
                                [&](uint8_t* b, size_t n, int64_t done) { keys.Add(b, n, done); }, write);
    }
    if (gen_ == 2)
        return progress_.Stream(buf, kBuffer, size, step_, read, [](uint8_t* b, size_t n, int64_t) { AddByte(b, n, 255); },
                                write);
    return progress_.Stream(buf, kBuffer, size, 0, read, [](uint8_t*, size_t, int64_t) {}, write);
}

// Names the complete file. Naming never replaces what the plan did not agree to: something
// that appeared at the name meanwhile goes through the overwrite question like any existing file.
int32_t Release::Publish(NewFile& out, const std::string& name, int64_t size, Plan plan, struct stat& old) {
    DestDir::PublishSteps steps;
    steps.onTaken = [&](EntryKind, const struct stat&) {
        plan = Decide(dest_, name, true, question_, destText_, old);
        return plan == Plan::Skip ? DestDir::Claim::Keep
             : plan == Plan::Fail ? DestDir::Claim::Refuse : DestDir::Claim::Replace;
    };
    // A regular file with content is flushed over: a crash keeps the old or the new one.
    const DestDir::Published published = dest_.Publish(out, name, plan == Plan::Replace, old, steps);
    if (published == DestDir::Published::Refused)
        return WriteFailed(name, size, old, S_ISREG(old.st_mode) ? EACCES : errno);
    if (published == DestDir::Published::Failed) return WriteFailed(name, size, old, errno);
    return 0;
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
    // Every name and size is checked before anything is written.
    CrowReader reader;
    if (!reader.Open(src, gen)) {
        if (gen != 1) progress.dialog().Hide();
        return reader.Report(status);
    }
    Release release(progress, status, question, gen, reader, dest, destPath);
    if (const int32_t r = release.Prepare(destPath, destErr, password); r != 0) return r;
    return release.Run();
}

}  // namespace wxh

#include "crow/WxhObject.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "common/atomic_file.h"
#include "common/cp932.h"
#include "common/paths.h"
#include "common/stored_names.h"
#include "crow/CrowFormat.h"
#include "crow/CrowStatus.h"
#include "crow/HeadlessProgress.h"

namespace wxh {

const char* const WxhObject::Crow3Description =
    "パスワード付きモード(CROW3-Format)　Password引数を省略することで簡易暗号化モードとなる(CROW2-Formatとは異なる)"
    "　　返値　０：成功　－１：ユーザがキャンセルした場合　２：ファイルの書き込みに失敗";
const char* const WxhObject::Crow2Description =
    "簡易暗号化モード(CROW2-Format)　　返値　０：成功　－１：ユーザがキャンセルした場合　２：ファイルの書き込みに失敗";

namespace {

using namespace crowfmt;

// Files stream through a buffer of this size; memory does not grow with file size.
constexpr size_t kChunk = size_t{1} << 20;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_;
};

// Reads up to n bytes; fewer only at the end of the file. -1 on a read error.
ssize_t ReadFull(int fd, void* dst, size_t n) {
    char* p = static_cast<char*>(dst);
    size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, p + got, n - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    return static_cast<ssize_t>(got);
}

// Opens a regular file for reading without ever blocking on a FIFO or device.
int OpenRegular(const std::string& path, struct stat& st) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

// Sequential reader of a Crow file with a small buffer for the header and tables.
class CrowReader {
public:
    explicit CrowReader(int fd) : fd_(fd), buf_(64 * 1024) {}

    // Reads exactly n bytes; false at the end of the file or on an error.
    bool Read(void* dst, size_t n) { return ReadSome(dst, n) == static_cast<ssize_t>(n); }

    ssize_t ReadSome(void* dst, size_t n) {
        char* out = static_cast<char*>(dst);
        size_t got = 0;
        const size_t fromBuf = std::min(n, len_ - pos_);
        std::memcpy(out, buf_.data() + pos_, fromBuf);
        pos_ += fromBuf;
        got += fromBuf;
        if (got == n) return static_cast<ssize_t>(got);
        if (n - got >= buf_.size()) {
            const ssize_t r = ReadFull(fd_, out + got, n - got);
            if (r < 0) return -1;
            return static_cast<ssize_t>(got) + r;
        }
        const ssize_t r = ReadFull(fd_, buf_.data(), buf_.size());
        if (r < 0) return -1;
        pos_ = 0;
        len_ = static_cast<size_t>(r);
        const size_t more = std::min(n - got, len_);
        std::memcpy(out + got, buf_.data(), more);
        pos_ = more;
        got += more;
        return static_cast<ssize_t>(got);
    }

    bool Skip(int64_t n) {
        const size_t fromBuf = static_cast<size_t>(std::min<int64_t>(n, static_cast<int64_t>(len_ - pos_)));
        pos_ += fromBuf;
        n -= static_cast<int64_t>(fromBuf);
        if (n == 0) return true;
        return ::lseek(fd_, n, SEEK_CUR) >= 0;
    }

private:
    int fd_;
    std::vector<uint8_t> buf_;
    size_t pos_ = 0, len_ = 0;
};

// The directory of a Crow file as it is read: names in CP932, sizes as stored.
struct CrowDirectory {
    uint32_t bfSize = 0;
    std::string magic;
    int32_t keyNumber = 0;
    int32_t lastIndex = 0;
    std::vector<std::string> names;
    std::vector<int32_t> sizes;
    int64_t dataStart = 0;
    int64_t fileLength = 0;
};

// Reads the 58 bytes of the fixed part; bytes past the end of a short file read as 0.
bool ReadFixedPart(CrowReader& r, CrowDirectory& d) {
    uint8_t h[58] = {};
    if (r.ReadSome(h, sizeof h) < 0) return false;
    d.bfSize = GetU32(h + 2);
    d.magic.assign(reinterpret_cast<const char*>(h + 54), 4);
    return true;
}

// Reads KeyNumber (CRW3), LastIndex and both tables. False when a field is missing, LastIndex
// is negative or the tables cannot fit in what remains of the file (nothing large is
// allocated before that is known).
bool ReadTables(CrowReader& r, CrowDirectory& d) {
    int64_t pos = 58;
    uint8_t b[4];
    if (d.magic == "CRW3") {
        if (!r.Read(b, 4)) return false;
        d.keyNumber = static_cast<int32_t>(GetU32(b));
        pos += 4;
    }
    if (!r.Read(b, 4)) return false;
    d.lastIndex = static_cast<int32_t>(GetU32(b));
    pos += 4;
    if (d.lastIndex < 0) return false;
    const int64_t n = int64_t{d.lastIndex} + 1;
    if (n * 6 > d.fileLength - pos) return false;  // every entry takes at least 6 bytes
    d.names.reserve(static_cast<size_t>(n));
    d.sizes.reserve(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) {
        if (!r.Read(b, 2)) return false;
        const uint16_t len = GetU16(b);
        pos += 2;
        if (len > d.fileLength - pos) return false;
        std::string name(len, '\0');
        if (len && !r.Read(name.data(), len)) return false;
        pos += len;
        d.names.push_back(std::move(name));
    }
    if (n * 4 > d.fileLength - pos) return false;
    for (int64_t i = 0; i < n; ++i) {
        if (!r.Read(b, 4)) return false;
        d.sizes.push_back(static_cast<int32_t>(GetU32(b)));
    }
    pos += 4 * n;
    d.dataStart = pos;
    return true;
}

// One file found in the folder to pack.
struct Listed {
    std::string name;   // UTF-8, as on disk
    std::string cp932;  // as stored in the name table
    int64_t size = 0;
};

// Regular files directly in the folder (a link to one counts), without the hidden ones
// (names starting with "."); ascending by name ignoring case, ties by the name's bytes.
// False when the folder cannot be opened (openErr: errno) or read (readErr: errno).
bool ListFolder(const std::string& folder, std::vector<Listed>& out, int& openErr, int& readErr) {
    openErr = readErr = 0;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        openErr = errno;
        return false;
    }
    const int dfd = ::dirfd(dir);
    bool ok = true;
    while (true) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (!e) {
            if (errno != 0) {
                readErr = errno;
                ok = false;
            }
            break;
        }
        if (e->d_name[0] == '.') continue;
        struct stat st {};
        if (::fstatat(dfd, e->d_name, &st, 0) != 0) continue;  // dangling link, vanished
        if (!S_ISREG(st.st_mode)) continue;
        Listed l;
        l.name = e->d_name;
        l.size = st.st_size;
        out.push_back(std::move(l));
        if (out.size() > static_cast<size_t>(kMaxFiles)) break;  // refused by the caller anyway
    }
    ::closedir(dir);
    std::vector<std::pair<std::string, size_t>> keys;
    keys.reserve(out.size());
    for (size_t i = 0; i < out.size(); ++i) keys.emplace_back(NameOrderKey(out[i].name), i);
    std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        return out[a.second].name < out[b.second].name;
    });
    std::vector<Listed> sorted;
    sorted.reserve(out.size());
    for (const auto& k : keys) sorted.push_back(std::move(out[k.second]));
    out = std::move(sorted);
    return ok;
}

int64_t CodePoints(const std::string& s) {
    int64_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

enum class StreamResult { Done, Failed, Cancelled };

}  // namespace

struct WxhObject::Impl {
    CrowStatus status;
    std::unique_ptr<ProgressDialog> dialog;
    OverwriteQuestion* question = nullptr;
    std::mt19937 rng;
    std::vector<uint8_t> chunk;

    ProgressDialog& dlg() { return *dialog; }

    uint8_t* Chunk() {
        if (chunk.empty()) chunk.resize(kChunk);
        return chunk.data();
    }

    void ProgressStart(const std::string& name, int64_t size, bool show) {
        dlg().SetNowFile(name);
        dlg().ClearProgBar();
        dlg().SetPer(PerCaption(size));
        dlg().OnFileStart(name, size);
        if (show) dlg().Show();
        dlg().DoEvents();
    }

    // One progress point; true when the user has cancelled.
    bool ProgressPoint(int64_t done, int64_t size) {
        dlg().SetPer(PerCaption(size - done));
        dlg().FillProgBar(static_cast<int32_t>(done * 250 / size));
        dlg().OnPoint(done, size);
        dlg().DoEvents();
        return CodePoints(dlg().CancelTag()) == 1;
    }

    // Moves size bytes from read to write through the chunk buffer, transforming each chunk,
    // with a progress point at every multiple of step (0: no points). Chunks end at the points,
    // so the points do not depend on the chunk size.
    template <class ReadFn, class XformFn, class WriteFn>
    StreamResult Stream(int64_t size, int64_t step, ReadFn read, XformFn xform, WriteFn write) {
        uint8_t* buf = Chunk();
        int64_t done = 0;
        int64_t next = step > 0 ? step : INT64_MAX;
        // Whole chunks are read and written; the transformation walks each chunk in pieces
        // that end exactly at the progress points, so the points do not depend on the chunk
        // size and the system calls stay large.
        while (done < size) {
            const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(kChunk), size - done));
            if (!read(buf, n)) return StreamResult::Failed;
            int64_t at = done;
            const int64_t end = done + static_cast<int64_t>(n);
            while (at < end) {
                const int64_t piece = std::min(end, next) - at;
                xform(buf + (at - done), static_cast<size_t>(piece), at);
                at += piece;
                if (at == next) {
                    next += step;
                    if (ProgressPoint(at, size)) return StreamResult::Cancelled;
                }
            }
            if (!write(buf, n)) return StreamResult::Failed;
            done = end;
        }
        return StreamResult::Done;
    }

    int32_t Cancelled() {
        dlg().SetCancelTag("");
        dlg().Hide();
        return status.Fail(CrowReason::Cancelled);
    }

    // A Crow file that could not be opened: what stands there, or the errno.
    int32_t OpenFailed(const struct stat& st, int err) {
        if (st.st_mode != 0 && !S_ISREG(st.st_mode)) {
            status.amount = st.st_mode;
            return status.Fail(CrowReason::CrowNotRegular);
        }
        return status.Fail(CrowReason::CrowUnopenable, err);
    }

    int32_t Pack(int gen, const std::string& dirPath, const std::string& saveFileName, const std::string& password);
    int32_t Release(int gen, const std::string& openFileName, const std::string& saveDirPath,
                    const std::string& password, WxhObject& self);
};

WxhObject::WxhObject(ProgressDialogFactory factory, OverwriteQuestion* question) : impl_(std::make_unique<Impl>()) {
    impl_->rng.seed(static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count() ^
                                          std::chrono::steady_clock::now().time_since_epoch().count()));
    impl_->question = question;
    if (factory) impl_->dialog = factory();
    if (!impl_->dialog) impl_->dialog = std::make_unique<HeadlessProgress>();
}

WxhObject::~WxhObject() = default;

ProgressDialog& WxhObject::Dialog() { return *impl_->dialog; }

void WxhObject::CalcBitmapSize(int64_t S, int32_t& W, int32_t& H) { crowfmt::CalcBitmapSize(S, W, H); }

std::array<uint8_t, 54> WxhObject::FillBitmapHeaders(uint32_t S, int32_t W, int32_t H) {
    return crowfmt::FillBitmapHeaders(S, W, H);
}

int32_t WxhObject::AskOverwrite(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return 6;
    if (st.st_size == 0) return 0;
    if (!impl_->question) return 7;
    return impl_->question->Ask(path) == 6 ? 6 : 7;
}

int32_t WxhObject::GetCrowInfo(const std::string& CrowFileName, int32_t& FileVer, int32_t& FileInfoEx,
                               int32_t& FileMaxNumber, std::vector<std::string>& FileName,
                               std::vector<int32_t>& FileSize) {
    CrowStatus& status = impl_->status;
    status.Begin(CrowOperation::GetCrowInfo, CrowFileName);
    struct stat st {};
    Fd fd(OpenRegular(CrowFileName, st));
    if (!fd.ok()) return impl_->OpenFailed(st, errno);
    CrowReader r(fd.get());
    CrowDirectory d;
    d.fileLength = st.st_size;
    if (!ReadFixedPart(r, d)) return status.Fail(CrowReason::CrowUnreadable, errno);
    int32_t ver;
    if (d.magic == "CRW3") ver = 3;
    else if (d.magic == "CRW2") ver = 2;
    else if (d.magic == "CRW1") ver = 1;
    else return status.Fail(CrowReason::NotCrow);
    if (!ReadTables(r, d)) return status.Fail(CrowReason::TablesDamaged, errno);
    FileVer = ver;
    FileInfoEx = (ver == 3 && d.keyNumber == 0) ? 1 : 0;
    FileMaxNumber = d.lastIndex + 1;
    FileName.clear();
    FileName.reserve(d.names.size());
    for (const auto& n : d.names) FileName.push_back(Cp932ToUtf8(n));
    FileSize = std::move(d.sizes);
    return 0;
}

const CrowStatus& WxhObject::Status() const { return impl_->status; }

int32_t WxhObject::Crow3(const std::string& OpenDirPath, const std::string& SaveFileName, const std::string& Password) {
    impl_->status.Begin(CrowOperation::Crow3, OpenDirPath);
    return impl_->Pack(3, OpenDirPath, SaveFileName, Password);
}

int32_t WxhObject::Crow2(const std::string& OpenDirPath, const std::string& SaveFileName) {
    impl_->status.Begin(CrowOperation::Crow2, OpenDirPath);
    return impl_->Pack(2, OpenDirPath, SaveFileName, std::string());
}

int32_t WxhObject::UnCrow3(const std::string& OpenFileName, const std::string& SaveDirPath, const std::string& Password) {
    impl_->status.Begin(CrowOperation::UnCrow3, OpenFileName);
    return impl_->Release(3, OpenFileName, SaveDirPath, Password, *this);
}

int32_t WxhObject::UnCrow2(const std::string& OpenFileName, const std::string& SaveDirPath) {
    impl_->status.Begin(CrowOperation::UnCrow2, OpenFileName);
    return impl_->Release(2, OpenFileName, SaveDirPath, std::string(), *this);
}

int32_t WxhObject::UnCrow1(const std::string& OpenFileName, const std::string& SaveDirPath) {
    impl_->status.Begin(CrowOperation::UnCrow1, OpenFileName);
    return impl_->Release(1, OpenFileName, SaveDirPath, std::string(), *this);
}

int32_t WxhObject::Impl::Pack(int gen, const std::string& dirPath, const std::string& saveFileName,
                              const std::string& password) {
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
    std::vector<Listed> files;
    int openErr = 0, readErr = 0;
    if (!ListFolder(dirPath, files, openErr, readErr))
        return status.Fail(openErr ? CrowReason::FolderUnopenable : CrowReason::FolderUnreadable, openErr ? openErr : readErr);
    if (files.empty()) return status.Fail(CrowReason::NoFiles);
    if (files.size() > static_cast<size_t>(kMaxFiles)) {
        status.amount = static_cast<int64_t>(files.size());
        return status.Fail(CrowReason::TooManyFiles);
    }
    std::vector<std::string> diskNames;
    for (const auto& f : files) diskNames.push_back(f.name);
    const std::vector<StoredName> plan = PlanStoredNames(diskNames);
    std::vector<std::string> decoded, cp932Names;
    std::vector<int64_t> sizes;
    int64_t total = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        Listed& f = files[i];
        const StoredName& n = plan[i];
        if (f.size <= 0) return status.Fail(CrowReason::EmptyFile, 0, f.name);
        if (f.size >= kLimit) {
            status.amount = f.size;
            return status.Fail(CrowReason::FileTooLarge, 0, f.name);
        }
        if (n.problem != NameProblem::None) {  // could never be released under its name, or two became one
            status.nameProblem = n.problem;
            status.stored = n.released;
            if (n.problem == NameProblem::Collision) status.other = plan[n.collidesWith].disk;
            return status.Fail(n.problem == NameProblem::Collision ? CrowReason::NameCollision
                                                                   : CrowReason::NameUnstorable,
                               0, f.name);
        }
        f.cp932 = n.cp932;
        decoded.push_back(n.released);
        cp932Names.push_back(f.cp932);
        sizes.push_back(f.size);
        total += f.size;
    }
    const int64_t S = gen == 2 ? Crow2SizeValue(decoded, sizes) : Crow3SizeValue(cp932Names, sizes);
    if (S >= kLimit) {
        status.amount = S;
        return status.Fail(CrowReason::CrowTooLarge);
    }
    for (const StoredName& n : plan)
        if (n.Changed()) dlg().OnStoredAs(n.disk, n.released);
    int32_t W = 0, H = 0;
    crowfmt::CalcBitmapSize(S, W, H);

    std::string head;
    const auto bmp = crowfmt::FillBitmapHeaders(static_cast<uint32_t>(S), W, H);
    head.append(reinterpret_cast<const char*>(bmp.data()), bmp.size());
    head += gen == 2 ? "CRW2" : "CRW3";
    if (gen == 3) PutU32(head, static_cast<uint32_t>(keyNumber));
    PutU32(head, static_cast<uint32_t>(files.size() - 1));
    for (const auto& f : files) {
        PutU16(head, static_cast<uint16_t>(f.cp932.size()));
        head += f.cp932;
    }
    for (const auto& f : files) PutU32(head, static_cast<uint32_t>(f.size));

    const int64_t length = Crow3SizeValue(cp932Names, sizes) - (gen == 2 ? 4 : 0);  // what the file will take
    const auto outputFailed = [&](int err) {
        struct stat ost {};
        if (::stat(saveFileName.c_str(), &ost) == 0 && S_ISDIR(ost.st_mode))
            return status.FailAt(CrowReason::OutputIsFolder, 0, saveFileName);
        status.amount = length;
        return status.FailAt(CrowReason::OutputUnwritable, err, saveFileName);
    };
    AtomicFile out;
    if (!out.Create(saveFileName)) return outputFailed(errno);
    if (!out.Write(head.data(), head.size())) return outputFailed(errno);
    dlg().OnTotal(total, static_cast<int32_t>(files.size()));
    dlg().Show();

    const std::vector<uint8_t> ext = gen == 3 ? ExpandKey(key, kChunk) : std::vector<uint8_t>();
    const int64_t L = static_cast<int64_t>(key.size());
    const int64_t step = gen == 2 ? kWriterThreshold : ProgressStep(kWriterThreshold, L);
    const std::string base = AddPathSep(dirPath);

    for (const auto& f : files) {
        ProgressStart(f.name, f.size, false);
        struct stat st {};
        Fd src(OpenRegular(base + f.name, st));
        if (!src.ok() || st.st_size != f.size) {  // gone, replaced or resized since the listing
            const int err = errno;
            dlg().Hide();
            if (!src.ok() && err != ENOENT) return status.Fail(CrowReason::SourceUnreadable, err, f.name);
            return status.Fail(CrowReason::SourceChanged, 0, f.name);
        }
        const auto read = [&](uint8_t* buf, size_t n) {
            const ssize_t got = ReadFull(src.get(), buf, n);
            if (got == static_cast<ssize_t>(n)) return true;
            if (got < 0) status.Fail(CrowReason::SourceUnreadable, errno, f.name);
            else status.Fail(CrowReason::SourceChanged, 0, f.name);  // shrank
            return false;
        };
        const auto write = [&](const uint8_t* buf, size_t n) { return out.Write(buf, n) || (outputFailed(errno), false); };
        StreamResult r;
        if (gen == 2) {
            r = Stream(f.size, step, read, [](uint8_t* b, size_t n, int64_t) { AddByte(b, n, 1); }, write);
        } else {
            r = Stream(f.size, step, read,
                       [&](uint8_t* b, size_t n, int64_t done) {
                           SubtractKey(b, n, ext.data() + static_cast<size_t>(done % L));
                       },
                       write);
        }
        if (r == StreamResult::Cancelled) return Cancelled();
        uint8_t extra;
        if (r == StreamResult::Failed) {
            dlg().Hide();
            return status.Result();
        }
        if (ReadFull(src.get(), &extra, 1) != 0) {  // grew
            dlg().Hide();
            return status.Fail(CrowReason::SourceChanged, 0, f.name);
        }
    }
    if (!out.CommitFlushingIfReplacing()) {
        const int err = errno;
        dlg().Hide();
        return outputFailed(err);
    }
    dlg().Hide();
    return 0;
}

int32_t WxhObject::Impl::Release(int gen, const std::string& openFileName, const std::string& saveDirPath,
                                 const std::string& password, WxhObject& self) {
    const auto fail = [&](int32_t code) {
        if (gen != 1) dlg().Hide();
        return code;
    };
    const auto failWith = [&](CrowReason why, int err = 0, const std::string& who = std::string()) {
        return fail(status.Fail(why, err, who));
    };
    struct stat st {};
    Fd fd(OpenRegular(openFileName, st));
    if (!fd.ok()) return fail(OpenFailed(st, errno));
    CrowReader r(fd.get());
    CrowDirectory d;
    d.fileLength = st.st_size;
    if (!ReadFixedPart(r, d)) return failWith(CrowReason::CrowUnreadable, errno);
    if (gen == 3 && d.fileLength != static_cast<int64_t>(d.bfSize)) return failWith(CrowReason::LengthDiffers);
    static const char* const kMagic[] = {"", "CRW1", "CRW2", "CRW3"};
    if (d.magic != kMagic[gen])
        return failWith(d.magic == "CRW1" || d.magic == "CRW2" || d.magic == "CRW3" ? CrowReason::OtherGeneration
                                                                                   : CrowReason::NotCrow);
    if (!ReadTables(r, d)) return failWith(CrowReason::TablesDamaged, errno);

    // Every name and size is checked before anything is written.
    std::vector<std::string> names;
    std::set<std::string> seen;
    int64_t total = 0;
    for (size_t i = 0; i < d.names.size(); ++i) {
        std::string utf8;
        const NameProblem problem = CheckStoredName(d.names[i], utf8);
        if (problem != NameProblem::None) {
            status.nameProblem = problem;
            return failWith(CrowReason::UnsafeName, 0, Cp932ToUtf8(d.names[i]));
        }
        if (!seen.insert(utf8).second) return failWith(CrowReason::DuplicateName, 0, utf8);
        if (d.sizes[i] <= 0) {
            status.amount = d.sizes[i];
            return failWith(CrowReason::BadSize, 0, utf8);
        }
        total += d.sizes[i];
        names.push_back(std::move(utf8));
    }
    if (total > d.fileLength - d.dataStart) return failWith(CrowReason::DataCutShort);
    struct stat dirSt {};
    if (saveDirPath.empty() || ::stat(saveDirPath.c_str(), &dirSt) != 0 || !S_ISDIR(dirSt.st_mode)) {
        // never the file system's root by accident: "" is no folder
        const int err = saveDirPath.empty() ? ENOENT : dirSt.st_mode != 0 ? ENOTDIR : errno;
        return fail(status.FailAt(CrowReason::DestUnopenable, err, saveDirPath));
    }

    const std::string dest = AddPathSep(saveDirPath);
    std::string key;
    if (gen == 3) {
        if (d.keyNumber != 0) key = KeyFromNumber(d.keyNumber);
        else if (password.empty()) return failWith(CrowReason::PasswordNeeded);
        else key = KeyFromPassword(password);
    }
    const std::vector<uint8_t> ext = gen == 3 ? ExpandKey(key, kChunk) : std::vector<uint8_t>();
    const int64_t L = static_cast<int64_t>(key.size());
    const int64_t step = gen == 3 ? ProgressStep(kWriterThreshold, L) : gen == 2 ? kUnCrow2Step : 0;
    if (gen != 1) dlg().OnTotal(total, static_cast<int32_t>(names.size()));

    for (size_t i = 0; i < names.size(); ++i) {
        const int64_t size = d.sizes[i];
        if (gen != 1) ProgressStart(names[i], size, true);
        const std::string target = dest + names[i];
        if (self.AskOverwrite(target) == 7) {
            if (!r.Skip(size)) return failWith(CrowReason::CrowUnreadable, errno);
            continue;
        }
        const auto writeFailed = [&](int err) {
            struct stat tst {};
            if (::lstat(target.c_str(), &tst) == 0 && S_ISDIR(tst.st_mode))
                return status.FailAt(CrowReason::TargetIsFolder, 0, target);
            status.name = names[i];
            status.amount = size;
            return status.FailAt(CrowReason::WriteFailed, err, target);
        };
        AtomicFile out;
        if (!out.Create(target)) return fail(writeFailed(errno));
        const auto read = [&](uint8_t* buf, size_t n) {
            return r.Read(buf, n) || (status.Fail(CrowReason::CrowUnreadable, errno), false);
        };
        const auto write = [&](const uint8_t* buf, size_t n) { return out.Write(buf, n) || (writeFailed(errno), false); };
        StreamResult res;
        if (gen == 3) {
            res = Stream(size, step, read,
                         [&](uint8_t* b, size_t n, int64_t done) { AddKey(b, n, ext.data() + static_cast<size_t>(done % L)); },
                         write);
        } else if (gen == 2) {
            res = Stream(size, step, read, [](uint8_t* b, size_t n, int64_t) { AddByte(b, n, 255); }, write);
        } else {
            res = Stream(size, 0, read, [](uint8_t*, size_t, int64_t) {}, write);
        }
        if (res == StreamResult::Cancelled) return Cancelled();  // out's temporary file goes with it
        if (res == StreamResult::Failed) return fail(status.Result());
        if (!out.CommitFlushingIfReplacing()) return fail(writeFailed(errno));
    }
    if (gen != 1) dlg().Hide();
    return 0;
}

}  // namespace wxh

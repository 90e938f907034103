#include "crow/WxhObject.h"

#include <chrono>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>

#include "common/cp932.h"
#include "common/dest_dir.h"
#include "common/paths.h"
#include "common/posix_io.h"
#include "crow/CrowDirectory.h"
#include "crow/CrowReader.h"
#include "crow/CrowFormat.h"
#include "crow/CrowReleaser.h"
#include "crow/CrowStatus.h"
#include "crow/CrowWriter.h"
#include "crow/HeadlessProgress.h"
#include "crow/ProgressDriver.h"

namespace wxh {

const char* const WxhObject::Crow3Description =
    "パスワード付きモード(CROW3-Format)　Password引数を省略することで簡易暗号化モードとなる(CROW2-Formatとは異なる)"
    "　　返値　０：成功　－１：ユーザがキャンセルした場合　２：ファイルの書き込みに失敗";
const char* const WxhObject::Crow2Description =
    "簡易暗号化モード(CROW2-Format)　　返値　０：成功　－１：ユーザがキャンセルした場合　２：ファイルの書き込みに失敗";

struct WxhObject::Impl {
    CrowStatus status;
    bool keepCrowFile = false;
    Fd keptFd;              // the Crow file GetCrowInfo read, kept for the next release
    std::string keptPath;
    struct stat keptStat {};

    // Opens the Crow file at path, or takes the one GetCrowInfo kept for that path (rewound).
    Fd OpenCrow(const std::string& path, struct stat& st) {
        if (keptFd.ok() && path == keptPath) {
            Fd fd = std::move(keptFd);
            st = keptStat;
            if (::lseek(fd.get(), 0, SEEK_SET) == 0) return fd;
            return Fd();
        }
        keptFd.Reset();
        return Fd(OpenRegular(path, st));
    }
    std::unique_ptr<ProgressDialog> dialog;
    OverwriteQuestion* question = nullptr;
    std::mt19937 rng;
    bool packMayReplace = true;
    bool haveReleaseFolder = false;
    DestDir releaseFolder;  // given by the caller for the next release

    int32_t Release(int gen, const std::string& openFileName, const std::string& saveDirPath,
                    const std::string& password);
};

WxhObject::WxhObject(const ProgressDialogFactory& factory, OverwriteQuestion* question) : impl_(std::make_unique<Impl>()) {
    impl_->rng.seed(static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count() ^
                                          std::chrono::steady_clock::now().time_since_epoch().count()));
    impl_->question = question;
    if (factory) impl_->dialog = factory();
    if (!impl_->dialog) impl_->dialog = std::make_unique<HeadlessProgress>();
}

WxhObject::~WxhObject() = default;

ProgressDialog& WxhObject::Dialog() { return *impl_->dialog; }

const CrowStatus& WxhObject::Status() const { return impl_->status; }


void WxhObject::KeepCrowFileOpen() { impl_->keepCrowFile = true; }

void WxhObject::ReleaseInto(int dirfd) {
    impl_->haveReleaseFolder = true;
    impl_->releaseFolder.Adopt(dirfd);
}

void WxhObject::ReplaceExistingOutput(bool allowed) { impl_->packMayReplace = allowed; }

void WxhObject::CalcBitmapSize(int64_t S, int32_t& W, int32_t& H) { crowfmt::CalcBitmapSize(S, W, H); }

std::array<uint8_t, crowfmt::kHeaderBytes> WxhObject::FillBitmapHeaders(uint32_t S, int32_t W, int32_t H) {
    return crowfmt::FillBitmapHeaders(S, W, H);
}

int32_t WxhObject::AskOverwrite(const std::string& path) {
    return OverwriteAnswer(InspectAt(AT_FDCWD, path), impl_->question, path);
}

int32_t WxhObject::GetCrowInfo(const std::string& CrowFileName, int32_t& FileVer, int32_t& FileInfoEx,
                               int32_t& FileMaxNumber, std::vector<std::string>& FileName,
                               std::vector<int32_t>& FileSize) {
    CrowStatus& status = impl_->status;
    status.Begin(CrowOperation::GetCrowInfo, CrowFileName);
    try {
        struct stat st {};
        Fd fd(impl_->OpenCrow(CrowFileName, st));
        if (!fd.ok()) return CrowOpenFailed(status, st, errno);
        FdSource src(fd.get(), st.st_size);
        CrowReader reader;
        // Only the directory counts here: what a release would refuse later is listed all the same.
        if (!reader.Open(src, 0, true) && !reader.DirectoryRead()) return reader.Report(status);
        const std::vector<CrowEntry>& entries = reader.Entries();
        std::vector<std::string> names;
        std::vector<int32_t> sizes;
        names.reserve(entries.size());
        sizes.reserve(entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            names.push_back(reader.ShownName(i));
            sizes.push_back(entries[i].size);
        }
        FileVer = reader.Generation();
        FileInfoEx = reader.NeedsPassword() ? 1 : 0;
        FileMaxNumber = static_cast<int32_t>(entries.size());
        FileName = std::move(names);
        FileSize = std::move(sizes);
        if (impl_->keepCrowFile) {
            impl_->keptFd = std::move(fd);
            impl_->keptPath = CrowFileName;
            impl_->keptStat = st;
        }
        return 0;
    } catch (const std::bad_alloc&) {
        return status.Fail(CrowReason::OutOfMemory, ENOMEM);
    }
}

int32_t WxhObject::Crow3(const std::string& OpenDirPath, const std::string& SaveFileName, const std::string& Password) {
    CrowStatus& status = impl_->status;
    status.Begin(CrowOperation::Crow3, OpenDirPath);
    ProgressDriver progress(*impl_->dialog);
    try {
        return PackFolder(progress, status, impl_->rng, 3, OpenDirPath, SaveFileName, Password, impl_->packMayReplace);
    } catch (const std::bad_alloc&) {
        impl_->dialog->Hide();
        return status.FailAt(CrowReason::OutputUnwritable, ENOMEM, SaveFileName);
    }
}

int32_t WxhObject::Crow2(const std::string& OpenDirPath, const std::string& SaveFileName) {
    CrowStatus& status = impl_->status;
    status.Begin(CrowOperation::Crow2, OpenDirPath);
    ProgressDriver progress(*impl_->dialog);
    try {
        return PackFolder(progress, status, impl_->rng, 2, OpenDirPath, SaveFileName, std::string(),
                          impl_->packMayReplace);
    } catch (const std::bad_alloc&) {
        impl_->dialog->Hide();
        return status.FailAt(CrowReason::OutputUnwritable, ENOMEM, SaveFileName);
    }
}

int32_t WxhObject::UnCrow3(const std::string& OpenFileName, const std::string& SaveDirPath, const std::string& Password) {
    impl_->status.Begin(CrowOperation::UnCrow3, OpenFileName);
    return impl_->Release(3, OpenFileName, SaveDirPath, Password);
}

int32_t WxhObject::UnCrow2(const std::string& OpenFileName, const std::string& SaveDirPath) {
    impl_->status.Begin(CrowOperation::UnCrow2, OpenFileName);
    return impl_->Release(2, OpenFileName, SaveDirPath, std::string());
}

int32_t WxhObject::UnCrow1(const std::string& OpenFileName, const std::string& SaveDirPath) {
    impl_->status.Begin(CrowOperation::UnCrow1, OpenFileName);
    return impl_->Release(1, OpenFileName, SaveDirPath, std::string());
}

int32_t WxhObject::Impl::Release(int gen, const std::string& openFileName, const std::string& saveDirPath,
                                 const std::string& password) {
    ProgressDriver progress(*dialog);
    try {
        struct stat st {};
        Fd fd(OpenCrow(openFileName, st));
        if (!fd.ok()) {
            const int err = errno;
            if (gen != 1) dialog->Hide();
            return CrowOpenFailed(status, st, err);
        }
        // The destination is opened once; every file is written relative to that handle.
        DestDir opened;
        DestDir& dest = haveReleaseFolder ? releaseFolder : opened;
        int destErr = ENOENT;  // never the root by accident: "" names no folder
        if (!haveReleaseFolder && !saveDirPath.empty() && !opened.Open(saveDirPath)) destErr = errno;
        haveReleaseFolder = false;
        FdSource src(fd.get(), st.st_size);
        return ReleaseCrow(progress, status, question, gen, src, dest, saveDirPath, destErr, password);
    } catch (const std::bad_alloc&) {
        if (gen != 1) dialog->Hide();
        return status.Fail(CrowReason::OutOfMemory, ENOMEM);
    }
}

}  // namespace wxh

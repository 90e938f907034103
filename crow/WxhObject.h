#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "crow/CrowFormat.h"
#include "crow/CrowStatus.h"
#include "crow/progress.h"

namespace wxh {

// The Crow container: one object, one operation, then release it.
// Result codes: 0 done, -1 cancelled by the user, 1, 2 and 3 as each operation states.
class WxhObject {
public:
    // factory: makes the progress window (nullptr: a headless one that does nothing).
    // question: asks before overwriting a non-empty file (nullptr: always "No", i.e. skip).
    explicit WxhObject(const ProgressDialogFactory& factory = nullptr, OverwriteQuestion* question = nullptr);
    ~WxhObject();
    WxhObject(const WxhObject&) = delete;
    WxhObject& operator=(const WxhObject&) = delete;

    // 0 read; 2 not a Crow magic; 1 cannot open/read or a table that cannot be right.
    // Names come back in UTF-8 (invalid CP932 shows as U+FFFD).
    int32_t GetCrowInfo(const std::string& CrowFileName, int32_t& FileVer, int32_t& FileInfoEx,
                        int32_t& FileMaxNumber, std::vector<std::string>& FileName,
                        std::vector<int32_t>& FileSize);

    // Packing: the regular files directly in OpenDirPath (not hidden ones, a link to a file
    // counts), streamed into a nameless file beside SaveFileName that is named, or replaces the
    // older file (keeping its mode), only when complete. A folder, device, FIFO, socket, dangling
    // link or read-only file at SaveFileName gives 2 before anything is written; a link to a
    // file stands for its target.
    // 0 done; -1 cancelled (nothing left, an older file of that name unchanged); 2 any failure
    // (folder missing or without files, an empty file, more than 32767 files, a file of 2 GiB
    // or more, a Crow file that would reach 2 GiB, names equal or unusable in CP932, a file
    // changed while packed, a write error) - with nothing left behind either.
    static const char* const Crow3Description;
    int32_t Crow3(const std::string& OpenDirPath, const std::string& SaveFileName,
                  const std::string& Password = std::string());

    static const char* const Crow2Description;
    int32_t Crow2(const std::string& OpenDirPath, const std::string& SaveFileName);

    // Releasing into the existing folder SaveDirPath, opened once: every file is written
    // relative to that handle, born without a name and named only when complete. An existing
    // regular file, link, FIFO, socket, device or folder at a name goes through the overwrite
    // question (an empty regular file does not); Yes replaces it as a name, never writing
    // through it, keeping a regular file's mode; a folder, or a file the user may not write,
    // fails the release. 0 done (files the user declined to overwrite skipped); -1 cancelled
    // (UnCrow3, UnCrow2: earlier files stay, the current one is not written); 1 not this
    // operation's magic; 2 cannot read, a bad table or name, a write error, or (UnCrow3) a
    // password needed and none given; 3 (UnCrow3) length differs from bfSize, or (all) a data
    // area shorter than the size table says. Names and sizes are checked before any file is written.
    int32_t UnCrow3(const std::string& OpenFileName, const std::string& SaveDirPath, const std::string& Password);
    int32_t UnCrow2(const std::string& OpenFileName, const std::string& SaveDirPath);
    int32_t UnCrow1(const std::string& OpenFileName, const std::string& SaveDirPath);

    // Why the last operation ended as it did: the reason, errno, file and name, recorded where
    // it happened; its result code is the one the operation returned.
    const CrowStatus& Status() const;

    // From now on a GetCrowInfo that succeeds keeps the Crow file open, and the next release
    // of the same path reads that very file instead of opening the path again: what was
    // inspected is what is released, and the file is opened once.
    void KeepCrowFileOpen();

    // The next release writes into this open folder (taken over) instead of opening
    // SaveDirPath, which then serves only as the text of the overwrite question; a negative
    // handle (a folder that could not be made or opened) makes it fail with 2.
    void ReleaseInto(int dirfd);

    // Whether Crow2 and Crow3 may replace a file with content at SaveFileName (the default:
    // the caller has asked). Without it only a missing name or an empty file is taken.
    void ReplaceExistingOutput(bool allowed);

    // The progress window this object created (for callers and tests).
    ProgressDialog& Dialog();

    // W and H of the bitmap header for the size value S.
    static void CalcBitmapSize(int64_t S, int32_t& W, int32_t& H);
    // The 54 bytes of the bitmap file header and info header.
    static std::array<uint8_t, crowfmt::kHeaderBytes> FillBitmapHeaders(uint32_t S, int32_t W, int32_t H);
    // 6: go ahead (no file, or Yes), 7: skip (No), 0: an empty file, overwritten without a question.
    int32_t AskOverwrite(const std::string& path);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace wxh

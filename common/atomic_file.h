#pragma once
#include <cstddef>
#include <string>

namespace wxh {

// Writes a file so that its target name only ever shows the old content or the complete new
// content: the bytes go into a fresh temporary file in the target's folder (created with
// O_EXCL | O_NOFOLLOW, so nothing already there is opened or written through), which
// Commit() renames over the target. A symbolic link, FIFO or other special file at the
// target name is replaced as a name, never followed. Without Commit() the temporary file is
// removed when the object goes away.
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file beside target. False (nothing created) on failure.
    bool Create(const std::string& target);
    // Appends n bytes. False on any write error (disk full ...).
    bool Write(const void* data, size_t n);
    // Closes the temporary file and renames it over the target. With sync, the data reach
    // the disk before the rename. False (temporary file removed) on failure.
    bool Commit(bool sync = true);
    // Renames over the target, flushing to the disk first only when something stood at the
    // target's name at Create(): an old file must never be lost to a crash, while a new name
    // has nothing to lose.
    bool CommitFlushingIfReplacing() { return Commit(replacing_); }
    // Closes and removes the temporary file; the target stays as it was.
    void Discard();

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& TempPath() const { return temp_; }

private:
    int fd_ = -1;
    bool replacing_ = false;
    std::string temp_;
    std::string target_;
};

// Writes bytes to path through an AtomicFile. False on failure (the old file unchanged).
bool WriteFileAtomically(const std::string& path, const std::string& bytes);

// The folder part of a path ("." when it has none).
std::string FolderOf(const std::string& path);

}  // namespace wxh

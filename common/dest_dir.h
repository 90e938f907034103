#pragma once
// The folder a Crow file is released into, or a Crow file is written into: one handle,
// opened once; every later step is relative to it, so nothing looks the path up again.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unordered_set>

#include "common/posix_io.h"

namespace wxh {

// What stands at a name, looked at without following a link.
enum class EntryKind {
    Missing,
    EmptyFile,  // a regular file of length 0
    File,       // a regular file with content
    Folder,
    Special,    // a symbolic link, FIFO, socket or device
    Unknown,    // could not be looked at
};

// What stands at name relative to the folder handle dirfd (AT_FDCWD: the working folder).
EntryKind InspectAt(int dirfd, const std::string& name, struct stat* st = nullptr);

class DestDir;

// A file being written into a DestDir. It has no name until DestDir names it; until then
// cancel, failure and any signal (even SIGKILL) leave nothing behind. Where the file system
// has no unnamed files it lives under a temporary name of its own instead, which Discard (and
// the destructor) removes; several files of one folder may be under way at once.
class NewFile {
public:
    NewFile() = default;
    ~NewFile() { Discard(); }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    bool Write(const void* data, size_t n) { return fd_.ok() && WriteAll(fd_.get(), data, n); }
    int fd() const { return fd_.get(); }
    bool IsOpen() const { return fd_.ok(); }
    // Hands the handle over to the caller; the object is closed afterwards.
    int TakeFd() { return fd_.Release(); }
    void Discard();

private:
    friend class DestDir;
    bool TakeTempName(int dirfd);  // a fresh temporary name, registered for signal clean-up
    void DropTempName();           // forgets it (the name itself is gone or renamed)
    Fd fd_;
    const DestDir* dir_ = nullptr;
    bool underTempName_ = false;
    std::string temp_;  // this file's temporary name, when it has one
    int slot_ = -1;     // its entry among the names a signal handler removes
};

class DestDir {
public:
    DestDir() = default;
    ~DestDir();
    DestDir(const DestDir&) = delete;
    DestDir& operator=(const DestDir&) = delete;

    // Opens the folder at path (links on the way are followed: that is the user's choice).
    // False (errno set) when it is no folder or cannot be opened.
    bool Open(const std::string& path);
    // Takes over an open folder handle.
    bool Adopt(int dirfd);
    // Creates the sub-folder name when missing and opens it, never through a link: a link
    // or anything else of that name gives false.
    bool OpenSubFolder(const std::string& name, DestDir& sub) const;
    int fd() const { return fd_.get(); }
    bool IsOpen() const { return fd_.ok(); }
    // Hands the handle over to the caller; the object is closed afterwards.
    int TakeFd() { return fd_.Release(); }

    // Reads the folder's names once. Afterwards MayExist answers from that list: a name
    // missing from it is taken as missing (one that appears later is caught when naming).
    void Snapshot();
    bool MayExist(const std::string& name) const;

    EntryKind Inspect(const std::string& name, struct stat* st = nullptr) const;
    // Whether the user may write the regular file name (root may, unless the file system
    // is read-only).
    bool MayWrite(const std::string& name) const;

    // Starts a new file in this folder. False (errno set) on failure.
    bool Create(NewFile& f) const;

    enum class Naming { Done, Exists, Failed };
    // Gives the complete file its name; never replaces anything (Exists: something
    // appeared at the name meanwhile, the file stays unnamed for the caller to decide).
    Naming LinkNew(NewFile& f, const std::string& name) const;
    // Puts the complete file in the place of what stands at name, whose lstat is old: a
    // regular file hands on its permission bits, and its owner and group where the process
    // may set them; with flush the data reach the disk first, so a crash keeps either file.
    // A link or special file is replaced as a name, never opened.
    bool Replace(NewFile& f, const std::string& name, const struct stat& old, bool flush) const;

    // "Name it new, or replace it", the last step of every file written here.
    enum class Claim { Replace, Keep, Refuse };  // what to do with what stands at the name
    enum class Published { Done, Kept, Refused, Stopped, Failed };
    struct PublishSteps {
        // Something appeared at a name planned as new (kind, old: its lstat): Replace it, Keep
        // it (the file goes unnamed) or Refuse (the caller tells why). Unset: Refuse.
        std::function<Claim(EntryKind kind, const struct stat& old)> onTaken;
        // Asked once the data are on their way to the disk, just before the name is given:
        // true leaves everything as it was (Stopped).
        std::function<bool()> stop;
    };
    // Names the complete file f: as new when replace is false (never replacing anything, see
    // onTaken), else in the place of what stands at name (old: its lstat, as for Replace; a
    // regular file with content is flushed over, so a crash keeps either file). Failed leaves
    // errno set; old receives the lstat of what was found at the name.
    Published Publish(NewFile& f, const std::string& name, bool replace, struct stat& old,
                      const PublishSteps& steps) const;

    // Test switch: behave as on a file system without unnamed files (O_TMPFILE).
    static void ForceNamedTemporaries(bool on);

private:
    friend class NewFile;
    // Gives f's data their final attributes (mode and owner of old, flush) before naming.
    bool Settle(NewFile& f, const struct stat& old, bool flush) const;
    bool Rename(NewFile& f, const std::string& name) const;

    Fd fd_;
    mutable bool noTmpfile_ = false;
    bool snapshot_ = false;
    std::unordered_set<std::string> names_;
};

// Test seam for what differs between file systems and cannot be seen from outside: faults put
// into the calls a file system may not support, the names named temporaries take, and a count
// of the flushes made before a replacing rename. The defaults are the real behaviour.
struct DestDirFaults {
    int tmpfileErrno = 0;          // the O_TMPFILE open fails with this errno
    int renameNoReplaceErrno = 0;  // renameat2(RENAME_NOREPLACE) fails with this errno
    std::function<std::string()> tempName;  // the next temporary name; empty: a random one
    int linkEmptyPathErrno = 0;    // linking an unnamed file by its descriptor fails with this errno
};
void SetDestDirFaultsForTesting(DestDirFaults faults);
uint64_t DataSyncsForTesting();

// Removes, from a signal handler, the temporary names of the files still being written where
// the file system has no unnamed files (async-signal-safe; nothing to do otherwise).
void RemovePendingTemporary();

// For a program that does not stop its operations on signals itself (the window program):
// the signals that would end it (SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGUSR1, SIGUSR2,
// SIGALRM) first remove those temporary names, then end it as before. A signal that is
// ignored stays ignored.
void RemoveTemporaryOnFatalSignals();

}  // namespace wxh

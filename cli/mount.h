#pragma once
#include <functional>
#include <string>

// `crow mount`: the files of a Crow file as a read-only folder (FUSE), decoded as they are read.
namespace wxh::cli {

extern const char* const kMountHelp;

struct MountRequest {
    std::string crowFile;
    std::string mountPoint;
    bool background = false;  // detach once the mount is ready
    bool quiet = false;
    bool passwordOffered = false;  // --password or --password-stdin was given
    bool passwordFromStdin = false;
    bool passwordCheck = true;  // refuse a password that looks wrong (--no-password-check: don't)
};

// Gets the password; on failure gives the exit status through status.
using PasswordGetter = std::function<bool(std::string& password, int& status)>;

// Mounts, serves until unmounted (by fusermount3 -u, umount, or SIGINT/SIGTERM/SIGHUP) and
// unmounts. Exit status: 0 after a clean unmount, 1 for every failure (said on standard error).
int RunMount(const MountRequest& request, const PasswordGetter& getPassword);

}  // namespace wxh::cli

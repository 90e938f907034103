// `crow mount` in a crow built without FUSE 3: the command is known and says why it cannot run.
#include <cstdio>

#include "cli/mount.h"

namespace wxh::cli {

const char* const kMountHelp =
    "Usage: crow mount [--password | --password-stdin] [--background] CROWFILE MOUNTPOINT\n"
    "\n"
    "Not available: this crow was built without FUSE 3 (libfuse3), so it cannot show the\n"
    "files of a Crow file as a folder. 'crow release' releases them into a folder instead.\n";

int RunMount(const MountRequest&, const PasswordGetter&) {
    std::fputs("crow: mount is not available: this crow was built without FUSE 3 (libfuse3)\n", stderr);
    return 1;
}

}  // namespace wxh::cli

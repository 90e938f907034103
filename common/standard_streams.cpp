#include "common/standard_streams.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace wxh {

bool EnsureStandardStreams() noexcept {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open() takes the lowest free number, which is fd: every lower one is open by now.
        int got;
        do {
            got = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        } while (got == -1 && errno == EINTR);
        if (got == -1) return false;
        if (got != fd) {  // cannot happen, but never leave a stray descriptor behind
            ::close(got);
            return false;
        }
    }
    return true;
}

}  // namespace wxh

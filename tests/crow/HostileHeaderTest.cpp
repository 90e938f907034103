// A header that claims ten million entries is damage, refused before anything is allocated
// for it: GetCrowInfo gives 1, the releases 2, nothing is written, and the peak memory of the
// whole check stays far below what the claim would cost.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "crow/CrowFormat.h"
#include "crow/WxhObject.h"
#include "support/HugeHeader.h"
#include "support/TempDir.h"

using namespace wxh;
using namespace wxh::test;

namespace {

TEST(HostileHeader, TenMillionEntriesAllocateNothing) {
    TempDir t;
    for (const char* magic : {"CRW1", "CRW2", "CRW3"}) {
        const std::string crow = t.file("huge.bmp");
        WriteHugeHeader(crow, magic, 10'000'000);
        const std::string dest = t.file("dest");
        std::filesystem::create_directory(dest);
        const pid_t pid = ::fork();
        if (pid == 0) {
            // A safety net: an allocation the size of the claim fails instead of growing.
            if (!kAsan) {
                const rlim_t limit = static_cast<rlim_t>(StatusKiB("VmSize") + 256 * 1024) * 1024;
                const rlimit rl{limit, limit};
                ::setrlimit(RLIMIT_AS, &rl);
            }
            std::FILE* clear = std::fopen("/proc/self/clear_refs", "w");  // resets the peak
            if (clear) {
                std::fputs("5", clear);
                std::fclose(clear);
            }
            const long before = StatusKiB("VmRSS");
            WxhObject o;
            int32_t ver = 0, ex = 0, count = 0;
            std::vector<std::string> names;
            std::vector<int32_t> sizes;
            int code = 0;
            if (o.GetCrowInfo(crow, ver, ex, count, names, sizes) != 1) code |= 1;
            const int32_t r = magic[3] == '1' ? o.UnCrow1(crow, dest) : magic[3] == '2' ? o.UnCrow2(crow, dest)
                                                                                         : o.UnCrow3(crow, dest, "");
            if (r != 2) code |= 2;
            if (StatusKiB("VmHWM") - before >= 64 * 1024) code |= 4;
            ::_exit(code);
        }
        ASSERT_GT(pid, 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << magic << ": ended by a signal";
        const int code = WEXITSTATUS(status);
        EXPECT_EQ(code & 1, 0) << magic << ": GetCrowInfo did not give 1";
        EXPECT_EQ(code & 2, 0) << magic << ": the release did not give 2";
        EXPECT_EQ(code & 4, 0) << magic << ": peak memory grew by 64 MiB or more";
        EXPECT_TRUE(std::filesystem::is_empty(dest)) << magic;
    }
}

// The last count a writer can make is still read; one more is damage.
TEST(HostileHeader, CountLimitIsTheWritersLimit) {
    TempDir t;
    for (const auto& [n, info] : std::vector<std::pair<int32_t, int32_t>>{{32767, 0}, {32768, 1}}) {
        WriteHugeHeader(t.file("c.bmp"), "CRW2", n);
        WxhObject o;
        int32_t ver = 0, ex = 0, count = 0;
        std::vector<std::string> names;
        std::vector<int32_t> sizes;
        EXPECT_EQ(o.GetCrowInfo(t.file("c.bmp"), ver, ex, count, names, sizes), info) << n;
        if (info == 0) {
            EXPECT_EQ(count, n);
        }
    }
}

}  // namespace

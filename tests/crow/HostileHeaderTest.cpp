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
#include "support/TempDir.h"

using namespace wxh;
using namespace wxh::test;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAsan = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAsan = true;
#else
constexpr bool kAsan = false;
#endif
#else
constexpr bool kAsan = false;
#endif

// A line of /proc/self/status in KiB ("VmHWM", "VmRSS", "VmSize").
long StatusKiB(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) return std::stol(line.substr(prefix.size()));
    return -1;
}

// n entries of one-byte names, each file 1 byte, with the data area: a file that passes every
// check of the tables against the file's length.
void WriteHugeHeader(const std::string& path, const char* magic, int32_t n) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    const bool three = std::string(magic) == "CRW3";
    const int64_t length = 54 + 4 + (three ? 4 : 0) + 4 + int64_t{n} * (3 + 4 + 1);
    const auto h = crowfmt::FillBitmapHeaders(static_cast<uint32_t>(length), 0, 0);
    std::string head(reinterpret_cast<const char*>(h.data()), h.size());
    head += magic;
    if (three) crowfmt::PutU32(head, 1);
    crowfmt::PutU32(head, static_cast<uint32_t>(n - 1));
    std::fwrite(head.data(), 1, head.size(), f);
    const std::string name("\x01\x00x", 3), size("\x01\x00\x00\x00", 4);
    std::string block;
    for (int i = 0; i < 65536; ++i) block += name;
    for (int32_t done = 0; done < n; done += 65536) std::fwrite(block.data(), 1, 3 * std::min(65536, n - done), f);
    block.clear();
    for (int i = 0; i < 65536; ++i) block += size;
    for (int32_t done = 0; done < n; done += 65536) std::fwrite(block.data(), 1, 4 * std::min(65536, n - done), f);
    block.assign(65536, 'd');
    for (int32_t done = 0; done < n; done += 65536) std::fwrite(block.data(), 1, std::min(65536, n - done), f);
    ASSERT_EQ(std::fclose(f), 0);
}

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
        if (info == 0) EXPECT_EQ(count, n);
    }
}

}  // namespace

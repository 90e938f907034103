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

#include "crow/CrowDirectory.h"
#include "crow/CrowFormat.h"
#include "crow/CrowReader.h"
#include "crow/WxhObject.h"
#include "support/CrowSamples.h"
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

// A source that counts the bytes the reader takes from it, read or skipped.
class CountingSource : public MemorySource {
public:
    explicit CountingSource(const std::string& bytes) : MemorySource(bytes.data(), bytes.size()) {}
    ssize_t ReadSome(void* dst, size_t n) override {
        const ssize_t r = MemorySource::ReadSome(dst, n);
        if (r > 0) taken += r;
        return r;
    }
    bool Skip(int64_t n) override {
        taken += n;
        return MemorySource::Skip(n);
    }
    int64_t taken = 0;
};

// A table that cannot fit in what is left of the file is damage, refused before it is read:
// a hostile header costs neither reading nor memory (a CRW2 file: the count at 58, names at 62).
TEST(HostileHeader, TablesLargerThanTheFileAreRefusedUnread) {
    std::string count = BuildCrow(2, {{"a", "xyz"}});
    count[58] = '\xFE';  // 32767 entries claimed in 72 bytes
    count[59] = '\x7F';
    std::string name = BuildCrow(2, {{std::string(20, 'n'), std::string(300, 'd')}});
    name[62] = '\xE8';  // a name of 1000 bytes where 324 are left
    name[63] = '\x03';
    std::string sizes = BuildCrow(2, {{"a", "x"}, {"b", "y"}});
    sizes.resize(68 + 5);  // the size table cut 3 bytes short
    const struct {
        const char* what;
        const std::string& bytes;
        int64_t readAtMost;
    } cases[] = {{"the entry count", count, 62}, {"a name's length", name, 64}, {"the size table", sizes, 68}};
    for (const auto& c : cases) {
        CountingSource src(c.bytes);
        CrowReader reader;
        EXPECT_FALSE(reader.Open(src)) << c.what;
        EXPECT_EQ(reader.Fault().reason, CrowReason::TablesDamaged) << c.what;
        EXPECT_LE(src.taken, c.readAtMost) << c.what;
    }
}

// A stored name longer than any released one is read past and refused; what is shown of it is
// its first 255 bytes and a mark that it goes on.
TEST(HostileHeader, AnOverlongNameIsShownCutWithAMark) {
    for (const size_t length : {size_t{256}, size_t{4000}}) {
        const std::string bytes = BuildCrow(2, {{std::string(length, 'n'), "x"}, {"b", "y"}});
        MemorySource src(bytes.data(), bytes.size());
        CrowReader reader;
        EXPECT_FALSE(reader.Open(src)) << length;
        EXPECT_EQ(reader.Fault().reason, CrowReason::UnsafeName) << length;
        EXPECT_EQ(reader.ShownName(0), std::string(255, 'n') + "…") << length;
        EXPECT_EQ(reader.ShownName(1), "b") << length;
    }
}

// A read of an entry never runs on into the next one, whatever the caller's buffer holds.
TEST(HostileHeader, EntryReadsStopAtTheEntrysEnd) {
    const std::string bytes = BuildCrow(1, {{"a", "abc"}, {"b", "de"}});
    MemorySource src(bytes.data(), bytes.size());
    CrowReader reader;
    ASSERT_TRUE(reader.Open(src));
    char buf[16] = {};
    EXPECT_EQ(reader.ReadEntry(0, 0, buf, sizeof buf), 3);
    EXPECT_EQ(std::string(buf, 3), "abc");
    EXPECT_EQ(reader.ReadEntry(0, 2, buf, sizeof buf), 1);
    EXPECT_EQ(reader.ReadEntry(0, 3, buf, sizeof buf), 0);
    EXPECT_EQ(reader.ReadEntry(1, 1, buf, sizeof buf), 1);
    EXPECT_EQ(buf[0], 'e');
    EXPECT_EQ(reader.ReadEntry(2, 0, buf, sizeof buf), -1);
}

}  // namespace

// Memory follows the format's limits, never what a file claims: Crow files of 1,000 and of
// 32,767 names of 65,535 bytes each (sparse) cost crow info, info --json, release and mount
// less than 64 MiB at their peak, and GetCrowInfo about as little. Each runs under an
// address-space limit, so that a regression fails instead of taking the machine's memory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli/cli_support.h"
#include "crow/CrowFormat.h"
#include "crow/WxhObject.h"
#include "support/HugeHeader.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace wxh::test;

namespace {

constexpr long kPeakKiB = 64 * 1024;
constexpr rlim_t kAddressSpace = rlim_t{512} << 20;  // the safety net of each child

// A CRW2 file of n names of 65,535 bytes ('n'), each file 1 byte: only the lengths, the
// size table and the data area are written; the names are holes.
void WriteLongNames(const std::string& path, int32_t n) {
    const int64_t nameBytes = int64_t{n} * (2 + 65535);
    const int64_t length = 62 + nameBytes + 5 * int64_t{n};
    std::string head(reinterpret_cast<const char*>(wxh::crowfmt::FillBitmapHeaders(0x7fffffff, 0, 0).data()), 54);
    head += "CRW2";
    wxh::crowfmt::PutU32(head, static_cast<uint32_t>(n - 1));
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, length), 0);
    ASSERT_EQ(::pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
    for (int64_t i = 0; i < n; ++i)
        ASSERT_EQ(::pwrite(fd, "\xff\xff", 2, 62 + i * (2 + 65535)), 2);
    std::string tail;
    for (int32_t i = 0; i < n; ++i) wxh::crowfmt::PutU32(tail, 1);
    tail += std::string(static_cast<size_t>(n), 'x');
    ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), 62 + nameBytes), static_cast<ssize_t>(tail.size()));
    ::close(fd);
}

struct Peak {
    int status = -1;
    long kib = 0;
};

// Runs the crow tool with its output thrown away; its exit status and peak resident memory.
Peak RunMeasured(const std::vector<std::string>& args) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit rl{kAddressSpace, kAddressSpace};
        ::setrlimit(RLIMIT_AS, &rl);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<std::string> all{CrowBinary()};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int raw = 0;
    rusage ru {};
    Peak p;
    if (::wait4(pid, &raw, 0, &ru) == pid) p = {DecodeStatus(raw), ru.ru_maxrss};
    return p;
}

}  // namespace

TEST(CrowMemory, LongNamesCostLittleWhateverTheFileSays) {
    TempDir t;
    fs::create_directories(t.file("mnt"));
    for (int32_t n : {1000, 32767}) {
        SCOPED_TRACE(n);
        const std::string crow = t.file("long" + std::to_string(n) + ".bmp");
        WriteLongNames(crow, n);
        for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                 {"info", crow}, {"info", "--json", crow}, {"release", crow, t.file("out")}, {"mount", crow, t.file("mnt")}}) {
            SCOPED_TRACE(args[0] + " " + args[1]);
            const Peak p = RunMeasured(args);
            EXPECT_EQ(p.status, args[0] == "info" ? 0 : 1);
            EXPECT_LT(p.kib, kPeakKiB);
        }
        EXPECT_FALSE(fs::exists(t.file("out")));

        // The core as the window uses it: listed, in a child under the same limit.
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (!kAsan) {
                const rlim_t limit = static_cast<rlim_t>(StatusKiB("VmSize") + kPeakKiB) * 1024;
                const rlimit rl{limit, limit};
                ::setrlimit(RLIMIT_AS, &rl);
            }
            wxh::WxhObject o;
            int32_t ver = 0, mark = 0, count = 0;
            std::vector<std::string> names;
            std::vector<int32_t> sizes;
            int code = o.GetCrowInfo(crow, ver, mark, count, names, sizes) == 0 && count == n ? 0 : 1;
            if (!names.empty() && names[0].size() > 300) code |= 2;  // kept whole
            ::_exit(code);
        }
        int raw = 0;
        ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
        EXPECT_EQ(DecodeStatus(raw), 0) << "GetCrowInfo: 1 failed under the limit, 2 kept a whole name";
    }
}

// The tool's progress line and the escaping of names shown on the terminal, without a terminal.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli/terminal.h"

using namespace wxh::cli;

namespace {

TEST(ProgressLine, SizesPercentageAndFitting) {
    const int64_t G = int64_t{1} << 30;
    struct Case {
        std::string name;
        int64_t done, size, overall, total;
        int columns;
        std::string line;
    } cases[] = {
        {"a.txt", 0, 5, 0, 300, 80, "a.txt  0 B / 5 B  0%"},
        {"big.bin", 1536, 2048, 2048, 4096, 80, "big.bin  1.5 KiB / 2.0 KiB  50%"},
        {"h", 3 * G, 4 * G, 3 * G, 4 * G + 1, 80, "h  3.0 GiB / 4.0 GiB  74%"},   // rounds down, never 75 early
        {"m", 5 << 20, 5 << 20, 99, 99, 80, "m  5.0 MiB / 5.0 MiB  100%"},
        {"over", 7, 7, 500, 100, 80, "over  7 B / 7 B  100%"},                 // never above 100
        {"none", 0, 1, 0, 0, 80, "none  0 B / 1 B  0%"},                        // total not known
        {std::string(100, 'x'), 0, 1, 0, 1, 40, std::string(21, 'x') + "...  0 B / 1 B  0%"},
        {"表ソース.c", 0, 1, 0, 1, 80, "表ソース.c  0 B / 1 B  0%"},
        {"e\x1b[2J", 0, 1, 0, 1, 80, "e\\x1B[2J  0 B / 1 B  0%"},
    };
    for (const Case& c : cases) {
        const std::string line = ProgressLine(c.name, c.done, c.size, c.overall, c.total, c.columns);
        EXPECT_EQ(line, c.line) << c.name;
        EXPECT_LT(static_cast<int>(line.size()), c.columns + 20) << c.name;  // bytes; the cut is by characters
    }
}

TEST(PrintableName, NothingThatCanDriveATerminalGetsThrough) {
    struct Case {
        std::string raw, shown;
    } cases[] = {
        {"plain ｶﾅ 表.txt", "plain ｶﾅ 表.txt"},
        {"a\nb\tc\x7F", "a\\x0Ab\\x09c\\x7F"},
        {"\x1b]0;title\x07", "\\x1B]0;title\\x07"},
        {"csi\xC2\x9B" "31m", "csi\\xC2\\x9B31m"},   // U+009B, the one-character CSI
        {"raw\x9B" "31m", "raw\\x9B31m"},             // the same byte, not UTF-8 at all
        {"cut\xE3\x81", "cut\\xE3\\x81"},
        {"over\xC0\xAF", "over\\xC0\\xAF"},            // an overlong "/"
        {"back\\slash", "back\\\\slash"},
        {"\xC2\x80\xC2\x9F\x1F ", "\\xC2\\x80\\xC2\\x9F\\x1F "},  // the ends of both control ranges
        {"\xC2\xA0nbsp", "\xC2\xA0nbsp"},             // U+00A0 is printable
        {"photo\xE2\x80\xAEgpj.exe", "photo\\xE2\\x80\\xAEgpj.exe"},  // U+202E would show "exe.jpg"
        {"\xE2\x81\xA6x\xE2\x80\xA8", "\\xE2\\x81\\xA6x\\xE2\\x80\\xA8"},   // U+2066 isolate, U+2028
    };
    for (const Case& c : cases) EXPECT_EQ(PrintableName(c.raw), c.shown) << c.shown;
}

// What the line writes: drawn at the first file, the overall percentage carried over to
// the next file, and wiped when the work ends.
TEST(TerminalProgressLine, DrawsAndErasesItself) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_NONBLOCK), 0);
    {
        auto now = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
        TerminalProgress p(true, fds[1]);
        p.SetClock([&now] { return now; });
        p.OnTotal(300, 2);
        p.SetNowFile("one");
        p.OnFileStart("one", 100);
        now += std::chrono::milliseconds(199);
        p.OnPoint(100, 100);  // within the redraw interval: not drawn
        now += std::chrono::milliseconds(1);
        p.OnFileStart("two", 200);  // 200 ms after the last: drawn
        p.OnPoint(150, 200);        // at once again: not drawn
        p.Hide();
        p.Hide();  // nothing more to erase
    }
    char buf[512];
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(n)),
              "\r\033[Kone  0 B / 100 B  0%\r\033[Ktwo  0 B / 200 B  33%\r\033[K");

    TerminalProgress silent(false, fds[1]);
    silent.OnFileStart("x", 1);
    silent.Hide();
    EXPECT_EQ(::read(fds[0], buf, sizeof buf), -1);  // nothing written at all
    ::close(fds[0]);
    ::close(fds[1]);
}

// A signal that comes just before a wait for input still ends it: it is held back until the
// wait lets it in, instead of being noted before the wait and leaving it to wait for ever.
// The first signal is the one the tool ends with.
int g_raise = 0;
TEST(ToolSignals, OneComingJustBeforeAWaitEndsIt) {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int p[2];
            if (::pipe(p) != 0 || ::dup2(p[0], STDIN_FILENO) < 0) ::_exit(3);  // input that never comes
            InstallSignalHandlers();
            g_raise = sig;
            SetBeforeWaitForTesting([] { ::raise(g_raise); });
            std::signal(SIGALRM, SIG_DFL);  // (the tool catches it too)
            ::alarm(5);                      // a wait the signal did not end dies of it
            std::string line;
            const bool ended = ReadLineFromStdin(line) == LineRead::Failed;
            ::raise(sig == SIGINT ? SIGTERM : SIGINT);  // a later one leaves the first noted
            ::_exit(ended && PendingSignal() == sig ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "signal " << sig << ", status " << status;
    }
}

// A password typed as a signal comes is not taken: the signal ends the prompt.
int g_master = -1;
TEST(ToolSignals, APasswordThatComesWithASignalIsNotTaken) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        g_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (::setsid() < 0 || g_master < 0 || ::grantpt(g_master) != 0 || ::unlockpt(g_master) != 0) ::_exit(3);
        if (::open(::ptsname(g_master), O_RDWR) < 0) ::_exit(3);  // the controlling terminal, /dev/tty
        InstallSignalHandlers();
        SetBeforeWaitForTesting([] {
            if (::write(g_master, "secret\n", 7) == 7) ::raise(SIGINT);
        });
        std::string password;
        ::_exit(PromptPassword("Password: ", password) == LineRead::Failed && PendingSignal() == SIGINT ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace

// Packing through the real progress window (frmDialog, offscreen) against the headless pack.
//
//   build/bin/frmdialog_bench [MiB] [runs]     (defaults: 512 MiB, 3 runs of each; medians)
//
// Packs a folder of eight equal files with Crow2, alternating headless and windowed runs
// (which of the two goes first alternates too),
// and prints both medians and their ratio (on stderr also the medians of the processor time
// each pack used, the median of the runs' own ratios and each pack's page faults). Exits 1
// when the window costs more than 1.05x.
#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "crow/WxhObject.h"
#include "ui/dialogs/GuiWxhObject.h"

namespace fs = std::filesystem;

static void writePattern(const std::string& path, size_t bytes, uint32_t seed) {
    std::vector<char> buf(1 << 20);
    std::ofstream out(path, std::ios::binary);
    uint32_t x = seed | 1;
    for (size_t done = 0; done < bytes;) {
        const size_t n = std::min(buf.size(), bytes - done);
        for (size_t i = 0; i < n; ++i) {
            x ^= x << 13; x ^= x >> 17; x ^= x << 5;
            buf[i] = char(x);
        }
        out.write(buf.data(), std::streamsize(n));
        done += n;
    }
}

// User and system time of this process so far.
static double cpuSeconds() {
    rusage ru {};
    ::getrusage(RUSAGE_SELF, &ru);
    const auto sec = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return sec(ru.ru_utime) + sec(ru.ru_stime);
}

// Page faults of this process so far (each first touch of fresh memory).
static long minorFaults() {
    rusage ru {};
    ::getrusage(RUSAGE_SELF, &ru);
    return ru.ru_minflt;
}

static double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const size_t mib = argc > 1 ? size_t(std::atol(argv[1])) : 512;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    const char* tmp = std::getenv("TMPDIR");
    fs::path base = fs::path(tmp ? tmp : "/var/tmp") / ("frmdialog-bench-" + std::to_string(::getpid()));
    fs::create_directories(base / "src");
    const size_t perFile = mib * 1024 * 1024 / 8;
    std::fprintf(stderr, "Generating %zu MiB in %s ...\n", mib, base.c_str());
    for (int i = 0; i < 8; ++i) writePattern((base / "src" / ("f" + std::to_string(i) + ".dat")).string(), perFile, uint32_t(i + 1));
    const std::string src = (base / "src").string() + "/";
    const std::string out = (base / "out.bmp").string();

    std::vector<double> headless, windowed, headlessCpu, windowedCpu;
    int repaints = 0;
    for (int r = 0; r < runs; ++r) {
        for (int step = 0; step < 2; ++step) {
            const int gui = (step + r) % 2;   // the order alternates from run to run
            fs::remove(out);
            const double cpu0 = cpuSeconds();
            const long faults0 = minorFaults();
            QElapsedTimer t;
            t.start();
            int32_t result;
            if (gui) {
                auto object = NewGuiWxhObject();
                result = object->Crow2(src, out);
                repaints = wxh::DialogOf(*object)->RepaintCount();
            } else {
                wxh::WxhObject object;
                result = object.Crow2(src, out);
            }
            const double s = double(t.nsecsElapsed()) / 1e9;
            const double cpu = cpuSeconds() - cpu0;
            const long faults = minorFaults() - faults0;
            if (result != 0) {
                std::fprintf(stderr, "pack failed: %d\n", int(result));
                fs::remove_all(base);
                return 2;
            }
            (gui ? windowed : headless).push_back(s);
            (gui ? windowedCpu : headlessCpu).push_back(cpu);
            std::fprintf(stderr, "run %d %s: %.3f s (processor %.3f s, %ld page faults)\n", r + 1,
                         gui ? "frmDialog" : "headless", s, cpu, faults);
        }
    }
    fs::remove_all(base);
    const double h = median(headless), w = median(windowed);
    // On a shared machine the wall clock also counts the time others had the processor; the
    // processor time the pack itself used is the steadier figure.
    const double hc = median(headlessCpu), wc = median(windowedCpu);
    std::fprintf(stderr, "processor time (user + system): headless %.3f s, frmDialog %.3f s, ratio %.3f\n", hc, wc, wc / hc);
    // Each windowed pack against the headless one of the same run, right beside it: the
    // machine's slow phases then fall on both sides of a ratio alike.
    std::vector<double> paired;
    for (size_t i = 0; i < windowed.size() && i < headless.size(); ++i) paired.push_back(windowed[i] / headless[i]);
    std::fprintf(stderr, "median of the runs' own ratios: %.3f\n", median(paired));
    std::printf("pack %zu MiB: headless %.3f s, frmDialog %.3f s, ratio %.3f (target <= 1.05); %d repaints in the last windowed run\n",
                mib, h, w, w / h, repaints);
    return w / h <= 1.05 ? 0 : 1;
}

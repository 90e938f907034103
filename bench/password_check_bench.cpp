// What the wrong-password check costs.
//
//   build/bin/password_check_bench [files] [runs]     (defaults: 1000 files, 9 runs; medians)
//
// Prints the one-time load of the extension table and of libmagic's database (and the memory
// it takes), then the judgement of a folder of that many files (the mixed corpus of the tests,
// its names repeated) with the right and with a wrong password, heads read from memory.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <vector>

#include "crow/CrowFormat.h"
#include "crow/PasswordCheck.h"
#include "support/PasswordCorpus.h"

namespace {

long MaxRssKiB() {
    rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    using namespace wxh;
    const size_t files = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 9;
    std::vector<test::CorpusFile> corpus;
    for (const auto& folder : test::PasswordCorpus())
        for (const auto& f : folder.files) corpus.push_back(f);
    std::vector<std::string> names;
    std::vector<const std::string*> bytes;
    std::vector<uint64_t> sizes;
    for (size_t i = 0; i < files; ++i) {
        const auto& f = corpus[i % corpus.size()];
        names.push_back(std::to_string(i) + "_" + f.name);
        bytes.push_back(&f.bytes);
        sizes.push_back(f.bytes.size());
    }
    const std::string right = "kurohane", wrong = "kurohame";
    const crowfmt::KeyStream pack(crowfmt::KeyFromPassword(right));
    const auto judge = [&](const std::string& given) {
        const std::string key = crowfmt::KeyFromPassword(given);
        const crowfmt::KeyStream out(key);
        return JudgePassword(names, [&](size_t i, uint8_t* buf, size_t max) {
            const size_t n = std::min(max, bytes[i]->size());
            std::memcpy(buf, bytes[i]->data(), n);
            pack.Subtract(buf, n, 0);
            out.Add(buf, n, 0);
            return n;
        }, key.size(), sizes);
    };

    const long rss0 = MaxRssKiB();
    const auto t0 = std::chrono::steady_clock::now();
    const PasswordJudgement first = judge(right);
    const double firstMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    const long rss1 = MaxRssKiB();
    std::printf("load (once per process): %.1f ms, %ld KiB more peak memory; first judgement in all %.1f ms\n",
                passwordcheck::LoadMicroseconds() / 1000.0, rss1 - rss0, firstMs);

    bool sound = first.verdict != PasswordJudgement::Verdict::LooksWrong;
    for (const std::string* given : {&right, &wrong}) {
        std::vector<double> ms;
        PasswordJudgement j;
        for (int r = 0; r < runs; ++r) {
            const auto a = std::chrono::steady_clock::now();
            j = judge(*given);
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a).count());
        }
        const bool isRight = given == &right;
        sound = sound && (j.verdict == PasswordJudgement::Verdict::LooksWrong) != isRight;
        std::printf("%zu files, %s password: %.2f ms (median of %d; %d examined, verdict %s)\n", files,
                    isRight ? "right" : "wrong", Median(ms), runs, j.examined,
                    j.verdict == PasswordJudgement::Verdict::LooksWrong ? "looks wrong"
                    : j.verdict == PasswordJudgement::Verdict::Plausible ? "plausible" : "undecided");
    }
    return sound ? 0 : 1;
}

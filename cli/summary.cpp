#include "cli/summary.h"

#include <cstdio>
#include <iterator>

#include "cli/terminal.h"

namespace wxh::cli {

std::string Counted(int64_t n, const std::string& one, const std::string& many) {
    return std::to_string(n) + " " + (n == 1 ? one : many.empty() ? one + "s" : many);
}

std::string HumanSize(int64_t bytes) {
    if (bytes < 1024) return Counted(bytes, "byte");
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
    double v = static_cast<double>(bytes) / 1024.0;
    size_t u = 0;
    while (v >= 1023.95 && u + 1 < std::size(kUnits)) {
        v /= 1024.0;
        ++u;
    }
    char text[32];
    std::snprintf(text, sizeof text, v < 9.95 ? "%.1f %s" : "%.0f %s", v, kUnits[u]);
    return text;
}

std::string Summary(const std::string& verb, int64_t files, int64_t bytes, const std::string& preposition,
                    const std::string& where) {
    return verb + " " + Counted(files, "file") + ", " + HumanSize(bytes) + ", " + preposition + " '" +
           PrintableName(where) + "'";
}

}  // namespace wxh::cli

#include "cli/summary.h"

#include <cstdio>
#include <iterator>
#include <vector>

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

std::string NotPackedNote(const NotPacked& skipped) {
    std::vector<std::string> parts;
    if (skipped.folders > 0) parts.push_back(Counted(skipped.folders, "sub-folder"));
    if (skipped.hidden > 0) parts.push_back(Counted(skipped.hidden, "hidden file"));
    if (skipped.special > 0) parts.push_back(Counted(skipped.special, "special file or broken link",
                                                     "special files or broken links"));
    if (parts.empty()) return std::string();
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    const bool one = skipped.folders + skipped.hidden + skipped.special == 1;
    return text + (one ? " is" : " are") + " not packed";
}

}  // namespace wxh::cli

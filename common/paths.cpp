#include "common/paths.h"

#include <sys/stat.h>

namespace wxh {

std::string AddPathSep(const std::string& path) {
    if (!path.empty() && path.back() == kPathSep) return path;
    return path + kPathSep;
}

bool IsFolder(const std::string& path) {
    if (path.empty()) return false;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ReleaseFolderName(const std::string& crowFile) {
    const size_t slash = crowFile.rfind(kPathSep);
    const std::string name = slash == std::string::npos ? crowFile : crowFile.substr(slash + 1);
    const size_t dot = name.rfind('.');
    const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    if (base.empty() || base == "." || base == "..") return name;
    return base;
}

int32_t TailLength(const std::string& text, const std::string& separator) {
    size_t start = 0;
    if (!separator.empty()) {
        const size_t at = text.rfind(separator);
        if (at != std::string::npos) start = at + separator.size();
    }
    // Count code points: every byte that is not a UTF-8 continuation byte starts one.
    int64_t chars = 0;
    for (size_t i = start; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++chars;
    }
    return static_cast<int32_t>(chars + 1);
}

}  // namespace wxh

#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace wxh::test {

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // path() / name, as a string
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::string ReadFile(const std::string& path);
// The names in a folder, hidden ones (temporary files) included, sorted.
std::vector<std::string> Entries(const std::string& dir);
// n bytes of a repeatable pseudo-random pattern
std::string PatternBytes(size_t n, uint32_t seed = 1);

}  // namespace wxh::test

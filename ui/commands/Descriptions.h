#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

namespace wxh {

// What GetCrowInfo tells about a readable Crow file.
struct CrowInfo {
    int32_t format = 0;
    int32_t passwordFlag = 0;
    int32_t count = 0;
    std::vector<std::string> names;
    std::vector<int32_t> sizes;

    // The entries both tables hold (a damaged count never reads past them).
    int32_t Listed() const;
};

// The preview panel's description of a Crow file of fileSize bytes at path: five lines of
// facts, then at most three entries and, after the third, how many more there are.
QStringList PreviewLines(const QString& path, int64_t fileSize, const CrowInfo& info);

// The contents list's lines: path, size in bytes, format, count, an empty line, a heading,
// then every entry.
QStringList ContentsLines(const QString& path, int64_t fileSize, const CrowInfo& info);

}  // namespace wxh

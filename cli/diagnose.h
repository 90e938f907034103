#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <optional>
#include <sys/stat.h>

#include "common/posix_io.h"
#include "crow/CrowDirectory.h"
#include "crow/CrowReader.h"
#include "crow/CrowStatus.h"

// The tool's words for what the container recorded: the container sets the reason where a
// failure happens; this only formats it.
namespace wxh::cli {

// What went wrong, in words, from the status the container recorded where it happened.
std::string DescribeStatus(const CrowStatus& status);

// A Crow file opened and checked as crow info and crow mount take it: by its own magic.
struct CheckedCrow {
    Fd fd;
    struct stat st {};
    std::optional<FdSource> source;
    CrowReader reader;
};

// Opens the Crow file at path and checks it (see CrowReader::Open). False when it cannot be
// opened or its directory cannot be read, or when the directory can be read but a release
// would refuse the file (c.reader.DirectoryRead() tells which); status (operation GetCrowInfo)
// then holds why.
bool OpenCheckedCrow(const std::string& path, CheckedCrow& c, CrowStatus& status);

// The words for a Crow file that c's check refused, as the release of it would say them:
// what GetCrowInfo refuses alone, the rest after "cannot VERB 'F': ".
std::string Refusal(const std::string& verb, const std::string& path, const CheckedCrow& c, const CrowStatus& status);

// Length of a file in bytes, -1 when it cannot be measured.
int64_t FileLength(const std::string& path);

}  // namespace wxh::cli

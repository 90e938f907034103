#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "crow/CrowStatus.h"

// The tool's words for what the container recorded: the container sets the reason where a
// failure happens; this only formats it.
namespace wxh::cli {

// What went wrong, in words, from the status the container recorded where it happened.
std::string DescribeStatus(const CrowStatus& status);

// For crow mount, which reads a Crow file without the container: what GetCrowInfo records
// for the file, in words.
std::string InfoFailureReason(const std::string& crowFile);

// The first of names (as shown, UTF-8) that the release rules refuse, with the reason; false
// when all are fine.
bool FindUnsafeName(const std::vector<std::string>& names, std::string& name, std::string& why);

// Length of a file in bytes, -1 when it cannot be measured.
int64_t FileLength(const std::string& path);

}  // namespace wxh::cli

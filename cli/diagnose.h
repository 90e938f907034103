#pragma once
#include <cstdint>
#include <string>

#include "crow/CrowStatus.h"

// The tool's words for what the container recorded: the container sets the reason where a
// failure happens; this only formats it.
namespace wxh::cli {

// What went wrong, in words, from the status the container recorded where it happened.
std::string DescribeStatus(const CrowStatus& status);

// Length of a file in bytes, -1 when it cannot be measured.
int64_t FileLength(const std::string& path);

}  // namespace wxh::cli

#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "crow/CrowStatus.h"

// Reasons for the container's failure codes. The container answers with a number only; these
// look at the files once more to tell the user what went wrong in words.
namespace wxh::cli {

// What went wrong, in words, from the status the container recorded where it happened.
std::string DescribeStatus(const CrowStatus& status);

// Why Crow2/Crow3 gave result 2. savedErrno: errno right after the call.
std::string PackFailureReason(const std::string& folder, const std::string& output, int savedErrno);

// Why a release operation gave result 2.
std::string ReleaseFailureReason(const std::string& crowFile, const std::string& destFolder,
                                 const std::vector<std::string>& names, const std::vector<int32_t>& sizes,
                                 int savedErrno);

// Why GetCrowInfo gave result 1.
std::string InfoFailureReason(const std::string& crowFile);

// The first name of a Crow file that cannot be used as a plain file name in the destination
// folder, with the reason; false when all are fine.
bool FindUnsafeName(const std::vector<std::string>& names, std::string& name, std::string& why);

// The names of the files a pack takes from folder, in listing order; false when the folder
// cannot be listed.
bool ListPackableNames(const std::string& folder, std::vector<std::string>& names);

// Length of a file in bytes, -1 when it cannot be measured.
int64_t FileLength(const std::string& path);

}  // namespace wxh::cli

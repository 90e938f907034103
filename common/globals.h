#pragma once
#include <cstdint>
#include <string>

// Program-wide values, alive for the whole run (UTF-8 text).
namespace wxh {

extern std::string ExtractFolder;    // base folder releases go into
extern int32_t OneFileNoFolder;      // 1: a Crow file of one file goes straight into ExtractFolder
extern std::string CrowPassword;     // the password confirmed with OK in frmPassword
extern std::string ListCrowFile;     // the Crow file frmFileList lists

}  // namespace wxh

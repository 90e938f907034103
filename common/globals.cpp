#include "common/globals.h"

namespace wxh {

std::string ExtractFolder;
int32_t OneFileNoFolder = 0;
std::string CrowPassword;
std::string ListCrowFile;

}  // namespace wxh

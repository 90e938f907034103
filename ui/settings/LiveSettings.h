#pragma once
#include <cstdint>
#include <string>

namespace wxh {

// The values the window program works with while it runs, one object for the whole program:
// the main window fills it from the settings file at start-up and writes it back at shutdown,
// the settings dialog changes it, the release and list commands read it. Text is UTF-8.
struct LiveSettings {
    std::string ExtractFolder;    // base folder releases go into
    int32_t OneFileNoFolder = 0;  // 1: a Crow file of one file goes straight into ExtractFolder
    std::string CrowPassword;     // the password confirmed with OK in frmPassword
    std::string ListCrowFile;     // the Crow file frmFileList lists
};

// The program's one LiveSettings.
LiveSettings& Live();

}  // namespace wxh

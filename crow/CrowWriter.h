#pragma once
// Packing a folder into a Crow file (CRW2 or CRW3).
#include <cstdint>
#include <random>
#include <string>
#include <sys/stat.h>

#include "common/dest_dir.h"
#include "crow/CrowStatus.h"
#include "crow/ProgressDriver.h"

namespace wxh {

// What stands at the Crow file's name, as far as packing is concerned.
enum class OutputProblem {
    None,          // missing, or a regular file the user may write (it will be replaced)
    NoFolder,      // the folder that would hold it cannot be opened
    Folder,
    Special,       // a device, FIFO or socket
    DanglingLink,  // a link to nothing
    ReadOnly,      // a regular file the user may not write
    Unknown,       // could not be looked at
};

// Opens the folder that will hold the Crow file saveFileName and looks at its name. A link at
// that name stands for its target: the target's folder and name are used instead (the link
// stays, as editors do). kind tells what stands there now, old its lstat.
OutputProblem PrepareOutput(const std::string& saveFileName, DestDir& dir, std::string& name, struct stat& old,
                            EntryKind& kind);

// 0 done; -1 cancelled (nothing left, an older file of that name unchanged); 2 any failure,
// with nothing left behind either. status receives the reason. Each name stored differently
// from the disk is told to the progress window (OnStoredAs), and what of the folder is not
// packed (OnNotPacked), before anything is written. The Crow file itself is never packed.
// Without mayReplace only a missing name or an empty file is taken (OutputExists otherwise,
// also for a file that appears at the name while packing).
int32_t PackFolder(ProgressDriver& progress, CrowStatus& status, std::mt19937& rng, int gen,
                   const std::string& dirPath, const std::string& saveFileName, const std::string& password,
                   bool mayReplace = true);

// Test seam: called once every byte of the Crow file is written, just before it is named.
void SetBeforePublishHook(void (*hook)());
// Test seam: called with a file's name once its descriptor is open and measured, just before
// its bytes are read (a file that grows from here on is still caught).
void SetSourceOpenedHook(void (*hook)(const std::string& name));

}  // namespace wxh

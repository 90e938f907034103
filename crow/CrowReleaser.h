#pragma once
// Releasing the files of a Crow file into a folder.
#include <cstdint>
#include <string>

#include "common/dest_dir.h"
#include "crow/CrowDirectory.h"
#include "crow/CrowStatus.h"
#include "crow/ProgressDriver.h"

namespace wxh {

// Releases the Crow file read from src (at its start) into dest, whose path destPath is used
// only for the overwrite question and the status. gen is the operation's generation (1, 2, 3).
// Result codes as UnCrow1/2/3 give them, with the reason in status; a dest that is not open
// gives 2 (destErr: why it could not be opened) once the file's header has been accepted.
int32_t ReleaseCrow(ProgressDriver& progress, CrowStatus& status, OverwriteQuestion* question, int gen,
                    ByteSource& src, DestDir& dest, const std::string& destPath, int destErr,
                    const std::string& password);

// The answer of the overwrite protocol for what stands at a name: 6 go ahead (nothing there,
// or Yes), 7 skip (No, or no question to ask), 0 an empty file (replaced without a question).
// A link, FIFO, socket, device or folder counts as a non-empty file.
int32_t OverwriteAnswer(EntryKind kind, OverwriteQuestion* question, const std::string& path);

}  // namespace wxh

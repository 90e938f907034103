#pragma once
// The tool's closing lines and counted notes, worded in one place for every command.
#include <cstdint>
#include <string>

#include "crow/progress.h"

namespace wxh::cli {

// "1 file", "200 files": a count with its noun, plural by an added "s" unless given.
std::string Counted(int64_t n, const std::string& one, const std::string& many = std::string());

// A byte count for people: "512 bytes", "4.5 KiB", "318 MiB", "1.2 GiB" (one decimal below 10).
std::string HumanSize(int64_t bytes);

// The closing line of a command: verb files, size, preposition 'where' -- as in
// "packed 200 files, 318 MiB, into 'x.bmp'" (Summary("packed", 200, ..., "into", "x.bmp")).
std::string Summary(const std::string& verb, int64_t files, int64_t bytes, const std::string& preposition,
                    const std::string& where);

// The note for what of a folder is not packed, without the Crow file itself:
// "2 sub-folders and 1 hidden file are not packed"; empty when there is nothing to say.
std::string NotPackedNote(const NotPacked& skipped);

}  // namespace wxh::cli

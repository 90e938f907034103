#pragma once
#include <cstdint>
#include <string>

namespace wxh {

// The platform's path separator.
inline constexpr char kPathSep = '/';

// The path itself when it already ends with "/", otherwise the path followed by "/"
// (an empty path gives "/").
std::string AddPathSep(const std::string& path);

// True when path names an existing folder (a link to a folder counts), else false.
bool IsFolder(const std::string& path);

// One more than the number of characters (UTF-8 code points) after the last occurrence
// of separator in text; when separator does not occur, the length of text plus one.
// Exact, case-sensitive match.
// The name of the folder a Crow file is released into: the file's name (after its last "/")
// without its last "." and what follows; a name without "." is used whole, and so is one that
// would leave nothing, "." or ".." (".bmp" stays ".bmp"), so that it always names a folder
// of its own.
std::string ReleaseFolderName(const std::string& crowFile);

int32_t TailLength(const std::string& text, const std::string& separator);

}  // namespace wxh

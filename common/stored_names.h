#pragma once
#include <cstddef>
#include <string>
#include <vector>

// File names as a Crow file stores them (code page 932) and as a release gives them back.
// One set of rules for the window program, the crow tool and the core, so that a name that is
// packed always comes back as a usable file name.
namespace wxh {

// Why a name cannot go into a Crow file, or cannot come out of one.
enum class NameProblem {
    None,
    Empty,      // no characters at all
    DotName,    // "." or ".."
    TooLong,    // longer than a file name may be (255 bytes) once released
    Separator,  // holds "/" or "\"
    Control,    // holds a control character
    Drive,      // starts like a drive ("c:")
    NotCp932,   // bytes that are not code page 932 text
    Collision,  // becomes the same stored name as another file of the folder
};

// A short English phrase for the problem ("becomes . or .."), for the crow tool's messages.
const char* NameProblemText(NameProblem problem);

// The code page 932 bytes a disk name is stored as. Characters whose code page 932 form
// would make the name unreleasable take a stand-in: "\" becomes ＼, ¥ becomes ￥ (code page
// 932 would store both as the path separator byte), the ":" of a drive-like start ("c:")
// becomes ：, and control characters become "_". Characters code page 932 lacks take their
// closest transliteration (é -> e), or "_".
std::string NameToCp932(const std::string& diskName);

// Whether a stored name can be released as a plain file name in the destination folder;
// released receives the name a release gives it (UTF-8) when the bytes decode.
NameProblem CheckStoredName(const std::string& cp932, std::string& released);

// One file name of a folder on its way into a Crow file.
struct StoredName {
    std::string disk;                      // the name on disk
    std::string cp932;                     // as the name table holds it
    std::string released;                  // the name a release gives back (UTF-8)
    NameProblem problem = NameProblem::None;
    size_t collidesWith = static_cast<size_t>(-1);  // the earlier file of the same stored name

    bool Changed() const { return released != disk; }
};

// The stored form of every name of one folder, with its problem: a name that cannot be
// released, or that collides with an earlier one once stored.
std::vector<StoredName> PlanStoredNames(const std::vector<std::string>& diskNames);

// The key of the listing order "ascending by name, letter case ignored": every letter that
// has a lower-case form takes it (Greek, Cyrillic and full-width letters too). Bytes that are
// not UTF-8 stay as they are. Compare keys bytewise; break ties by the names' bytes.
std::string NameOrderKey(const std::string& name);

}  // namespace wxh

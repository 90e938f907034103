#pragma once
// Judging whether a password given for a protected Crow file is plausible, before anything
// is released with it. The format holds no check of its own, so the judgement comes from what
// the first bytes of each entry look like once decoded, against what each name promises: the
// system's extension table (/etc/mime.types) gives the type a name promises, libmagic the type
// the decoded bytes show. A wrong password turns every entry into noise that libmagic cannot
// place, whereas the right one gives back files that look like what they are called.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace wxh {

// Reads up to max decoded bytes of entry index into buf, from the entry's start; returns how
// many (0 when the entry cannot be read).
using EntryHead = std::function<size_t(size_t index, uint8_t* buf, size_t max)>;

struct PasswordJudgement {
    enum class Verdict {
        Undecided,   // too few entries whose names promise a type libmagic can recognise
        Plausible,   // the entries look like what their names say
        LooksWrong,  // clearly not: the password is most likely wrong
    };
    Verdict verdict = Verdict::Undecided;
    int examined = 0;  // entries looked at
    int like = 0;      // ... that look like what their names say
    int unlike = 0;    // ... that libmagic cannot place at all although their names promise a type,
                       //     or whose structure behind the signature is broken
    int shifted = 0;   // texts that read as shifted at one position of the key's period
    double shiftGain = 0;  // the best shift shared by the entries looked at, summed over them
    int shiftFiles = 0;    // ... and how many of them read better with it
    std::vector<std::string> unlikeNames;  // the first few of the unlike ones (as given)
};

// How many decoded bytes of an entry are looked at, and at most how many entries: the cost
// does not grow with the number of files.
inline constexpr size_t kPasswordCheckHead = 4096;
inline constexpr int kPasswordCheckEntries = 12;
// Evidence needed for a verdict of LooksWrong.
inline constexpr int kPasswordCheckMinUnlike = 3;   // entries libmagic cannot place, and entries looked at
inline constexpr int kPasswordCheckMinShifted = 2;  // texts shifted alike

// Judges the decoded heads of the entries named utf8Names (read through head). Entries whose
// names promise no type libmagic knows are not read. Thread-safe; the first call loads the
// extension table and libmagic's database (once per process); when either cannot be loaded
// the verdict is Undecided.
// keyPeriod: the length of the key the heads were decoded with (0: not known). A password
// that is wrong in one character leaves most bytes right and shifts every keyPeriod-th one by
// the same amount, which signatures at a file's start may not see: texts show it.
// sizes: each entry's whole size, where known (a length read in a head that runs past it
// shows a wrong password too).
PasswordJudgement JudgePassword(const std::vector<std::string>& utf8Names, const EntryHead& head,
                                size_t keyPeriod = 0, const std::vector<uint64_t>& sizes = {});

// The same for a Crow file on disk: a CRW3 file protected by a password, decoded with
// password. Anything that cannot be judged (not such a file, unreadable, damaged tables)
// gives Undecided, so that the release goes on and reports its own errors.
PasswordJudgement JudgeCrowPassword(const std::string& crowFile, const std::string& utf8Password);
class CrowReader;
// The entries' sizes of an opened Crow file, as JudgePassword takes them.
std::vector<uint64_t> EntrySizes(const CrowReader& reader);

namespace passwordcheck {

// Extension (lower case, without the dot) -> MIME type, read from text in the format of
// /etc/mime.types. The text is distrusted: only its first kMaxTableBytes are read, lines longer
// than kMaxLine are skipped, names and types of odd shape or length are ignored and at most
// kMaxExtensions extensions are kept.
inline constexpr size_t kMaxTableBytes = size_t{1} << 20;
inline constexpr size_t kMaxLine = 4096;
inline constexpr size_t kMaxExtensions = 20000;
std::map<std::string, std::string> ParseMimeTypes(const std::string& text);
// From a file: only a regular file, opened without blocking; missing or unusable gives none.
std::map<std::string, std::string> LoadMimeTypes(const std::string& path);

// The type a name promises: its extension's, or empty.
std::string PromisedType(const std::map<std::string, std::string>& table, const std::string& utf8Name);

// The MIME types a compiled libmagic database can give, read from its bytes.
std::vector<std::string> MagicDatabaseTypes(std::string_view mgcBytes);

// The position of a period (phase) whose bytes read best as the others' shifted by delta,
// and how much better than unshifted (gain, in nats); gain 0 when nothing reads better.
struct PhaseShift {
    size_t phase = 0;
    int delta = 0;
    double gain = 0;
};
inline constexpr size_t kMinPhaseBytes = 16;     // fewer bytes a phase: not judged
inline constexpr double kPhaseShiftGain = 40.0;  // what counts as shifted
PhaseShift FindPhaseShift(const uint8_t* data, size_t n, size_t period);
// The shift that reads best summed over several decoded heads, and in how many of them it
// reads better than unshifted. A wrong character shifts the same phase of every file alike
// (the key starts again with each file); chance structure of one file does not repeat in
// the others. Seen in every head and worth kSharedShiftGain in all, it counts as shifted.
struct SharedShift {
    size_t phase = 0;
    int delta = 0;
    double gain = 0;
    int files = 0;
};
inline constexpr double kSharedShiftGain = 64.0;
inline constexpr size_t kSharedShiftMinPeriod = 4;  // passwords of three bytes or more
SharedShift FindSharedShift(const std::vector<std::vector<uint8_t>>& heads, size_t period);

// What the first load of the table and of libmagic cost, in microseconds (0 before it).
int64_t LoadMicroseconds();

}  // namespace passwordcheck
}  // namespace wxh

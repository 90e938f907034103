#pragma once
// Why an operation of the Crow container ended as it did, recorded where it happened: the
// reason, the errno of that moment, and the file and name concerned. WxhObject keeps it beside
// the result code; the result code itself comes from the reason through one table, so the two
// never disagree. The window program shows only its fixed messages; the crow tool words this.
#include <cstdint>
#include <string>

#include "common/stored_names.h"

namespace wxh {

enum class CrowOperation { GetCrowInfo, Crow3, Crow2, UnCrow3, UnCrow2, UnCrow1 };

enum class CrowReason {
    None,
    Cancelled,         // by the user or a signal (the tool); name: the file at hand, not written;
                       // amount (releases): the files handled before it
    // The Crow file being read (file: its path).
    CrowUnopenable,    // errno
    CrowNotRegular,    // amount: the st_mode of what stands there (a folder, FIFO, device)
    CrowUnreadable,    // errno: a read error
    NotCrow,           // the magic is none of "CRW1", "CRW2", "CRW3"
    OtherGeneration,   // a Crow magic, but not this operation's
    LengthDiffers,     // CRW3: the file's length is not its bfSize
    TablesDamaged,     // LastIndex out of range, or tables that do not fit in the file
    DataCutShort,      // the data area is shorter than the size table says
    UnsafeName,        // name (as shown), nameProblem: a stored name that cannot be released
    DuplicateName,     // name: given twice
    BadSize,           // name, amount: a size below 1
    PasswordNeeded,    // a protected CRW3 file and no password
    OutOfMemory,       // memory ran out while the Crow file was read
    // The destination of a release (file: the folder or the file's path).
    DestUnopenable,    // errno
    TargetIsFolder,    // name: a folder stands at the name of a file to release
    WriteFailed,       // errno, name, amount: creating, writing or naming a released file
    // The folder being packed (file: its path) and the Crow file written (file: its path).
    FolderUnopenable,  // errno
    FolderUnreadable,  // errno
    NoFiles,
    TooManyFiles,      // amount: the files found (more than the format holds)
    EmptyFile,         // name
    FileTooLarge,      // name, amount
    CrowTooLarge,      // amount: the size value it would reach
    NameUnstorable,    // name, nameProblem, stored
    NameCollision,     // name, other: the earlier file of the same stored name, stored
    SourceUnreadable,  // errno, name
    SourceChanged,     // name: changed, grown, shrunk or gone since it was listed
    OutputIsFolder,    // file: the output's path
    OutputIsSpecial,   // amount: st_mode (a device, FIFO or socket)
    OutputDangling,    // a link to nothing
    OutputReadOnly,
    OutputUnwritable,  // errno, amount: creating, writing or naming the Crow file
    OutputExists,      // file: a file stands at the output's name, and replacing it was not allowed
};

// The result code an operation gives for a reason.
int32_t ResultCode(CrowOperation op, CrowReason reason);

// The reason's name in the code ("TablesDamaged"), for logs and tests.
const char* ReasonName(CrowReason reason);

struct CrowStatus {
    CrowOperation operation = CrowOperation::GetCrowInfo;
    CrowReason reason = CrowReason::None;
    int error = 0;                   // errno at the failure, 0 when none applies
    std::string file;                // the path concerned
    std::string name;                // the packed file concerned (UTF-8; from a Crow file: decoded, may hold U+FFFD)
    std::string other;               // a second name: the earlier file of a collision
    std::string stored;              // the name as a Crow file would store it (UTF-8)
    NameProblem nameProblem = NameProblem::None;
    int64_t amount = 0;              // a size or count that belongs to the reason
    int32_t entry = -1;              // the entry of the Crow file's tables concerned, -1 when none

    // Starts a new operation: nothing wrong yet.
    void Begin(CrowOperation op, const std::string& path) {
        *this = CrowStatus();
        operation = op;
        file = path;
    }
    // Records a failure and gives the operation's result code for it. The first failure
    // recorded stands: clean-up after it never overwrites what went wrong.
    int32_t Fail(CrowReason why, int err = 0, const std::string& who = std::string()) {
        if (reason == CrowReason::None) {
            reason = why;
            error = err;
            if (!who.empty()) name = who;
        }
        return ResultCode(operation, reason);
    }
    // The same, for a failure that concerns another path than the operation's own.
    int32_t FailAt(CrowReason why, int err, const std::string& path) {
        if (reason == CrowReason::None) file = path;
        return Fail(why, err);
    }
    int32_t Result() const { return ResultCode(operation, reason); }
};

}  // namespace wxh

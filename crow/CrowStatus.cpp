#include "crow/CrowStatus.h"

#include <iterator>

namespace wxh {
namespace {

// The result code of each reason, per operation (columns in the order of CrowOperation:
// GetCrowInfo, Crow3, Crow2, UnCrow3, UnCrow2, UnCrow1). A reason that an operation cannot
// meet gives its plain failure code there (1 for GetCrowInfo, 2 otherwise).
struct Row {
    CrowReason reason;
    const char* name;
    int32_t code[6];
};

constexpr Row kTable[] = {
    {CrowReason::None, "None", {0, 0, 0, 0, 0, 0}},
    {CrowReason::Cancelled, "Cancelled", {1, -1, -1, -1, -1, -1}},
    {CrowReason::CrowUnopenable, "CrowUnopenable", {1, 2, 2, 2, 2, 2}},
    {CrowReason::CrowNotRegular, "CrowNotRegular", {1, 2, 2, 2, 2, 2}},
    {CrowReason::CrowUnreadable, "CrowUnreadable", {1, 2, 2, 2, 2, 2}},
    {CrowReason::NotCrow, "NotCrow", {2, 2, 2, 1, 1, 1}},
    {CrowReason::OtherGeneration, "OtherGeneration", {1, 2, 2, 1, 1, 1}},
    {CrowReason::LengthDiffers, "LengthDiffers", {1, 2, 2, 3, 3, 3}},
    {CrowReason::TablesDamaged, "TablesDamaged", {1, 2, 2, 2, 2, 2}},
    {CrowReason::DataCutShort, "DataCutShort", {1, 2, 2, 3, 3, 3}},
    {CrowReason::UnsafeName, "UnsafeName", {1, 2, 2, 2, 2, 2}},
    {CrowReason::DuplicateName, "DuplicateName", {1, 2, 2, 2, 2, 2}},
    {CrowReason::BadSize, "BadSize", {1, 2, 2, 2, 2, 2}},
    {CrowReason::PasswordNeeded, "PasswordNeeded", {1, 2, 2, 2, 2, 2}},
    {CrowReason::OutOfMemory, "OutOfMemory", {1, 2, 2, 2, 2, 2}},
    {CrowReason::DestUnopenable, "DestUnopenable", {1, 2, 2, 2, 2, 2}},
    {CrowReason::TargetIsFolder, "TargetIsFolder", {1, 2, 2, 2, 2, 2}},
    {CrowReason::WriteFailed, "WriteFailed", {1, 2, 2, 2, 2, 2}},
    {CrowReason::FolderUnopenable, "FolderUnopenable", {1, 2, 2, 2, 2, 2}},
    {CrowReason::FolderUnreadable, "FolderUnreadable", {1, 2, 2, 2, 2, 2}},
    {CrowReason::NoFiles, "NoFiles", {1, 2, 2, 2, 2, 2}},
    {CrowReason::TooManyFiles, "TooManyFiles", {1, 2, 2, 2, 2, 2}},
    {CrowReason::EmptyFile, "EmptyFile", {1, 2, 2, 2, 2, 2}},
    {CrowReason::FileTooLarge, "FileTooLarge", {1, 2, 2, 2, 2, 2}},
    {CrowReason::CrowTooLarge, "CrowTooLarge", {1, 2, 2, 2, 2, 2}},
    {CrowReason::NameUnstorable, "NameUnstorable", {1, 2, 2, 2, 2, 2}},
    {CrowReason::NameCollision, "NameCollision", {1, 2, 2, 2, 2, 2}},
    {CrowReason::SourceUnreadable, "SourceUnreadable", {1, 2, 2, 2, 2, 2}},
    {CrowReason::SourceChanged, "SourceChanged", {1, 2, 2, 2, 2, 2}},
    {CrowReason::OutputIsFolder, "OutputIsFolder", {1, 2, 2, 2, 2, 2}},
    {CrowReason::OutputIsSpecial, "OutputIsSpecial", {1, 2, 2, 2, 2, 2}},
    {CrowReason::OutputDangling, "OutputDangling", {1, 2, 2, 2, 2, 2}},
    {CrowReason::OutputReadOnly, "OutputReadOnly", {1, 2, 2, 2, 2, 2}},
    {CrowReason::OutputUnwritable, "OutputUnwritable", {1, 2, 2, 2, 2, 2}},
    {CrowReason::OutputExists, "OutputExists", {1, 2, 2, 2, 2, 2}},
};

const Row* Find(CrowReason reason) {
    for (const Row& r : kTable)
        if (r.reason == reason) return &r;
    return nullptr;
}

}  // namespace

int32_t ResultCode(CrowOperation op, CrowReason reason) {
    const Row* r = Find(reason);
    const auto column = static_cast<size_t>(op);
    if (!r || column >= std::size(r->code)) return op == CrowOperation::GetCrowInfo ? 1 : 2;
    return r->code[column];
}

const char* ReasonName(CrowReason reason) {
    const Row* r = Find(reason);
    return r ? r->name : "Unknown";
}

}  // namespace wxh

#pragma once
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace wxh {

class WxhObject;

// The sub-folder a Crow file is released into: its file name (after the last "/") without
// the last "." and what follows; a name without "." is used whole. A name that would leave
// no folder of its own (".bmp", "..bmp", "...bmp" give "", "." and "..", the last one the
// folder above) is used whole as well, so a release never lands outside its sub-folder.
QString ReleaseSubFolder(const QString& crowFile);

// What the release command leaves its window to do: open a folder, or show a message
// (either may be empty).
struct ReleaseOutcome {
    QString openFolder;
    QString message;
};

// What an inspection of a Crow file found, as far as a release needs it.
struct Inspection {
    int32_t format = 0;
    int32_t passwordFlag = 0;
    int32_t count = 0;
};

// The release command after its window has made sure there is a current Crow file: inspects
// crowFile with crow (once, keeping the file open so that what was inspected is what is
// released), chooses and creates the destination below extractFolder, asks for the password
// of a protected CRW3 file (askPassword returns it, empty when the user cancelled) and
// releases. inspected: what crow's own GetCrowInfo of crowFile found a moment ago, made
// after KeepCrowFileOpen; the file is then not inspected again. A file that cannot be
// inspected creates no folder. An empty or relative extractFolder writes nothing and ends as
// a failed write.
ReleaseOutcome Release(WxhObject& crow, const QString& crowFile, const QString& extractFolder,
                       int32_t oneFileNoFolder, const std::function<QString()>& askPassword,
                       const Inspection* inspected = nullptr);

// The creation dialog's choice of format.
enum class CrowMode { Crow2, Crow3, Crow3WithPassword };

// The creation dialog's writing step: writes folder into saveFile in mode with an object made
// by newObject, and returns the message to show. A CRW3 file with an empty password writes
// nothing and makes no object. The object (if any) is handed back in object, so that the
// caller releases it (and with it the progress window) after showing the message.
QString CreateCrowFile(CrowMode mode, const QString& folder, const QString& saveFile, const QString& password,
                       const std::function<std::unique_ptr<WxhObject>()>& newObject,
                       std::unique_ptr<WxhObject>& object);

// A file whose name goes into a Crow file changed: as on disk, and as a release gives it back.
struct ChangedName {
    QString disk;
    QString stored;
};

// The files of folder that packing stores under a changed name (characters code page 932
// cannot hold), in the order of the name table: the files the writer packs (regular files,
// links to one included, hidden ones not) whose names the stored-name rules change. Names
// the writer refuses outright are not listed (it says why itself), nor is anything for a
// folder that cannot be read or that holds more files than a Crow file can.
std::vector<ChangedName> ChangedStoredNames(const QString& folder);

}  // namespace wxh

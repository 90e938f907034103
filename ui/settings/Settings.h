#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace wxh {

// The file-list filter, as line 4 of the settings file stores it.
enum class FileFilter : int { Bmp = 1, Pic = 2, All = 3 };

// Everything "WX_HOLLIN.ini" keeps between runs. Five lines ended by CR LF, UTF-8:
//   1  "WX_HOLLIN Ver 1.0　設定ファイル" (never compared when reading)
//   2  extractFolder        3  startFolder
//   4  filter code (3 all files, 2 pictures, anything else bitmaps)
//   5  oneFileNoFolder
// The words of the file are data: they are the same whatever language the program speaks.
struct Settings {
    QString extractFolder;                 // base folder releases go into
    QString startFolder;                   // the folder list's folder at shutdown
    FileFilter filter = FileFilter::Bmp;
    int32_t oneFileNoFolder = 0;           // 1: a Crow file of one file needs no sub-folder

    bool operator==(const Settings&) const = default;

    // A first run, or a settings file that cannot be used: everything in programFolder.
    static Settings Defaults(const QString& programFolder);

    // The five lines; a bare LF or CR ends a line too. Nothing for a file that is short,
    // has a number that is not one, or names an empty or relative folder on line 2 or 3
    // (such a folder would send releases to "/" or wherever the program was started).
    static std::optional<Settings> Parse(const QByteArray& bytes);
    QByteArray Serialize() const;

    // Reads the file at path (at most 1 MiB); nothing when it is missing, not a regular file
    // (a FIFO, a device, a folder: never waited on) or bigger than that.
    static std::optional<Settings> Load(const QString& path);
    // Replaces the file at path only when everything was written; false when it could not.
    bool Save(const QString& path) const;
};

// The bytes of the file at path when it is a regular file of at most maxBytes bytes. Opened
// without blocking and measured through the same descriptor, so that nothing that stands
// under the name between a check and the open is read. Symbolic links are followed (a
// settings file may be a link into a folder of dotfiles); what they lead to must be regular.
// For every file the window program reads by a fixed name.
std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes);

// Line 1 of the settings file.
extern const QString kSettingsLine1;

// True for a folder the program may release into or open: an absolute path. An empty or
// relative one is refused wherever it comes from.
bool IsUsableFolder(const QString& folder);

// --- where the settings live -------------------------------------------------------
// The program's folder: the executable's folder when it is writable and not a place where
// installed software lives (/usr, /opt, /bin, /sbin, ~/.local), else the home folder.
QString ProgramFolder();
bool IsInstalledLocation(const QString& folder);
// "WX_HOLLIN.ini" beside the executable when the program's folder is that folder, else in
// the user's configuration folder.
QString SettingsFilePath();
// For tests: use these instead (empty strings restore the real locations).
void SetSettingsLocationsForTesting(const QString& settingsFile, const QString& programFolder);

}  // namespace wxh

#include "ui/settings/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

#include "common/paths.h"
#include "common/posix_io.h"

namespace wxh {

const QString kSettingsLine1 = QStringLiteral("WX_HOLLIN Ver 1.0　設定ファイル");

namespace {

const QString kSettingsName = QStringLiteral("WX_HOLLIN.ini");
constexpr qint64 kMaxSettingsBytes = 1 << 20;

QString& settingsOverride() { static QString s; return s; }
QString& programFolderOverride() { static QString s; return s; }

QString executableFolder() {
    const QString dir = QCoreApplication::applicationDirPath();
    return dir.isEmpty() ? QDir::currentPath() : dir;
}

// The executable's folder serves as the program's folder (settings, default release folder)
// only for a copy that runs on its own: a writable folder outside the installed places.
// Empty when it does not serve.
QString portableFolder() {
    const QString exe = executableFolder();
    const QFileInfo info(exe);
    return info.isDir() && info.isWritable() && !IsInstalledLocation(exe) ? exe : QString();
}

QString withSeparator(const QString& folder) {
    return QString::fromStdString(AddPathSep(folder.toStdString()));
}

// A decimal integer as the settings file stores it: optional blanks and sign, digits.
bool parseInteger(const QString& text, qint64 low, qint64 high, qint64& value) {
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok, 10);
    if (!ok || v < low || v > high) return false;
    value = v;
    return true;
}

QStringList splitLines(const QString& text) {
    QStringList lines;
    QString current;
    bool pendingLine = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines.append(current);
            current.clear();
            pendingLine = false;
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
        } else {
            current.append(c);
            pendingLine = true;
        }
    }
    if (pendingLine) lines.append(current);
    return lines;
}

}  // namespace

bool IsUsableFolder(const QString& folder) { return folder.startsWith(QLatin1Char('/')); }

Settings Settings::Defaults(const QString& programFolder) {
    Settings s;
    s.extractFolder = programFolder;
    s.startFolder = programFolder;
    return s;
}

std::optional<Settings> Settings::Parse(const QByteArray& bytes) {
    const QStringList lines = splitLines(QString::fromUtf8(bytes));
    qint64 filterCode = 0, oneFile = 0;
    if (lines.size() < 5 || !parseInteger(lines[3], -32768, 32767, filterCode) ||
        !parseInteger(lines[4], INT32_MIN, INT32_MAX, oneFile))
        return std::nullopt;
    if (!IsUsableFolder(lines[1]) || !IsUsableFolder(lines[2])) return std::nullopt;
    Settings s;
    s.extractFolder = lines[1];   // kept exactly as written, no trimming
    s.startFolder = lines[2];
    s.filter = filterCode == 3 ? FileFilter::All : filterCode == 2 ? FileFilter::Pic : FileFilter::Bmp;
    s.oneFileNoFolder = static_cast<int32_t>(oneFile);
    return s;
}

QByteArray Settings::Serialize() const {
    const QStringList lines = {kSettingsLine1, extractFolder, startFolder,
                               QString::number(static_cast<int>(filter)), QString::number(oneFileNoFolder)};
    QByteArray bytes;
    for (const QString& line : lines) bytes += line.toUtf8() + "\r\n";
    return bytes;
}

std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes) {
    struct stat st {};
    const Fd fd(OpenRegular(QFile::encodeName(path).toStdString(), st));
    if (!fd.ok() || st.st_size > maxBytes) return std::nullopt;
    QByteArray bytes(static_cast<qsizetype>(maxBytes) + 1, Qt::Uninitialized);
    const ssize_t got = ReadFull(fd.get(), bytes.data(), static_cast<size_t>(bytes.size()));
    // The file may have grown since fstat: more than the cap is as unusable as a big file.
    if (got < 0 || got > maxBytes) return std::nullopt;
    bytes.truncate(got);
    return bytes;
}

std::optional<Settings> Settings::Load(const QString& path) {
    const std::optional<QByteArray> bytes = ReadRegularFile(path, kMaxSettingsBytes);
    if (!bytes) return std::nullopt;
    return Parse(*bytes);
}

bool Settings::Save(const QString& path) const {
    // Whatever stands there that is not a regular file (a FIFO, a device, a folder) is left
    // alone: writing to it could wait for ever or replace something that is not ours.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(Serialize());
    return file.commit();
}

// Places where installed software lives. A program started from one of them keeps its
// settings in the user's configuration folder even when the folder happens to be writable
// (as /usr/bin is for root), so that it never writes beside system files.
bool IsInstalledLocation(const QString& folder) {
    const QString path = QFileInfo(folder).canonicalFilePath();
    if (path.isEmpty()) return false;
    const QString localBin = QDir::homePath() + QStringLiteral("/.local");
    for (const QString& root : {QStringLiteral("/usr"), QStringLiteral("/opt"), QStringLiteral("/bin"),
                                QStringLiteral("/sbin"), localBin}) {
        if (path == root || path.startsWith(root + QLatin1Char('/'))) return true;
    }
    return false;
}

QString ProgramFolder() {
    if (!programFolderOverride().isEmpty()) return programFolderOverride();
    const QString exe = portableFolder();
    return exe.isEmpty() ? QDir::homePath() : exe;
}

QString SettingsFilePath() {
    if (!settingsOverride().isEmpty()) return settingsOverride();
    const QString exe = portableFolder();
    if (!exe.isEmpty()) return withSeparator(exe) + kSettingsName;
    QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (config.isEmpty()) config = QDir::homePath();
    return withSeparator(config) + kSettingsName;
}

void SetSettingsLocationsForTesting(const QString& settingsFile, const QString& programFolder) {
    settingsOverride() = settingsFile;
    programFolderOverride() = programFolder;
}

}  // namespace wxh

#include "ui/controls/DriveListBox.h"

#include <QAccessibleWidget>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStorageInfo>

namespace wxh {
namespace {

QHash<QString, QString>& rememberedFolders() {
    static QHash<QString, QString> folders;
    return folders;
}

QString cleanFolder(const QString& path) {
    if (path.isEmpty()) return QString();
    QString p = QDir::cleanPath(QDir(path).absolutePath());
    return p;
}

bool isUnder(const QString& path, const QString& root) {
    if (root == QLatin1String("/")) return path.startsWith(QLatin1Char('/'));
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

bool isNetworkType(const QByteArray& type) {
    static const QSet<QByteArray> kinds = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs",
                                           "9p", "afs", "ncpfs", "davfs", "fuse.davfs", "fuse.rclone"};
    return kinds.contains(type);
}

bool isMediaRoot(const QString& root) {
    return root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/mnt/")) ||
           root.startsWith(QLatin1String("/run/media/")) || root == QLatin1String("/mnt") ||
           root == QLatin1String("/media");
}

}  // namespace

namespace {

// Qt names a combo box by its current text on Linux; a screen reader hears the list's role
// here ("Drives") as its name and the chosen drive as its value.
class DriveListAccessible : public QAccessibleWidget {
public:
    explicit DriveListAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override {
        auto* box = static_cast<QComboBox*>(widget());
        if (t == QAccessible::Value) return box->currentText();
        if (t == QAccessible::Name && box->accessibleName().isEmpty()) return box->currentText();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* DriveListFactory(const QString& key, QObject* object) {
    if (key == QLatin1String("wxh::DriveListBox"))
        if (auto* box = qobject_cast<DriveListBox*>(object)) return new DriveListAccessible(box);
    return nullptr;
}

}  // namespace

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
    static const bool installed = (QAccessible::installFactory(DriveListFactory), true);
    (void)installed;
    connect(this, &QComboBox::currentIndexChanged, this, &DriveListBox::onIndexChanged);
    Refresh();
}

QList<DriveInfo> DriveListBox::MountedVolumes() {
    QList<DriveInfo> result;
    QSet<QString> seen;
    const QString home = cleanFolder(QDir::homePath());
    QString homeRoot;
    // The volume that holds the home folder, when it is one of its own.
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        const QString r = v.rootPath();
        if (r != QLatin1String("/") && isUnder(home, r) && r.size() > homeRoot.size()) homeRoot = r;
    }
    DriveInfo rootDrive{QStringLiteral("/"), QString()};
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid()) continue;
        const QString r = v.rootPath();
        if (r == QLatin1String("/")) {
            rootDrive.label = v.name();
            continue;
        }
        const QByteArray type = v.fileSystemType();
        const bool network = isNetworkType(type);
        const bool realDevice = v.device().startsWith("/dev/");
        const bool wanted = (r == homeRoot && (realDevice || network)) ||
                            (isMediaRoot(r) && (realDevice || network || type.startsWith("fuse"))) || network;
        if (!wanted || seen.contains(r)) continue;
        seen.insert(r);
        result.append(DriveInfo{r, v.name()});
    }
    std::sort(result.begin(), result.end(),
              [](const DriveInfo& a, const DriveInfo& b) { return a.root < b.root; });
    result.prepend(rootDrive);
    return result;
}

void DriveListBox::Refresh() {
    const QString keep = Drive();
    drives_ = MountedVolumes();
    filling_ = true;
    clear();
    int index = 0;
    for (int i = 0; i < drives_.size(); ++i) {
        const DriveInfo& d = drives_[i];
        addItem(d.label.isEmpty() ? d.root : QStringLiteral("%1  [%2]").arg(d.root, d.label), d.root);
        if (d.root == keep) index = i;
    }
    setCurrentIndex(drives_.isEmpty() ? -1 : index);
    lastIndex_ = currentIndex();
    filling_ = false;
}

QString DriveListBox::Drive() const {
    const int i = currentIndex();
    return (i >= 0 && i < drives_.size()) ? drives_[i].root : QString();
}

bool DriveListBox::SetDrive(const QString& path) {
    if (path.isEmpty()) return false;
    const QString root = DriveOf(path);
    QFileInfo info(root);
    if (!info.isDir() || !info.isReadable()) return false;
    int index = -1;
    for (int i = 0; i < drives_.size(); ++i)
        if (drives_[i].root == root) index = i;
    if (index < 0) {
        // A volume mounted since the list was filled.
        Refresh();
        for (int i = 0; i < drives_.size(); ++i)
            if (drives_[i].root == root) index = i;
        if (index < 0) return false;
    }
    if (index == currentIndex()) return true;
    setCurrentIndex(index);   // emits Change() through onIndexChanged when it moves
    lastIndex_ = index;       // also when the caller blocked the signals
    return true;
}

QString DriveListBox::DriveOf(const QString& path) {
    const QString p = cleanFolder(path);
    QString best = QStringLiteral("/");
    for (const DriveInfo& d : MountedVolumes())
        if (d.root != QLatin1String("/") && isUnder(p, d.root) && d.root.size() > best.size()) best = d.root;
    return best;
}

QString DriveListBox::CurrentFolderOn(const QString& root) {
    const QString r = cleanFolder(root);
    const auto it = rememberedFolders().constFind(r);
    if (it != rememberedFolders().constEnd() && QFileInfo(*it).isDir()) return *it;
    return r;
}

void DriveListBox::RememberFolder(const QString& folder) {
    const QString f = cleanFolder(folder);
    if (f.isEmpty()) return;
    rememberedFolders().insert(DriveOf(f), f);
}

void DriveListBox::ForgetFolders() { rememberedFolders().clear(); }

void DriveListBox::onIndexChanged(int index) {
    if (filling_) return;
    if (index >= 0 && index < drives_.size()) {
        QFileInfo info(drives_[index].root);
        if (!info.isDir() || !info.isReadable()) {
            // A volume that cannot be read: keep the previous drive.
            filling_ = true;
            setCurrentIndex(lastIndex_);
            filling_ = false;
            return;
        }
    }
    if (index == lastIndex_) return;
    lastIndex_ = index;
    emit Change();
}

}  // namespace wxh

#pragma once
#include <QComboBox>
#include <QList>
#include <QString>

namespace wxh {

// One volume a user would pick: its root path and its label (may be empty).
struct DriveInfo {
    QString root;
    QString label;
};

// Our drive list: the mounted volumes a user would pick ("/", the home volume when it is a
// separate one, removable and network media; no pseudo or system mounts), each shown as its
// root path and label. "The drive of a path" is the listed volume that holds it (the
// deepest listed mount point above the path; "/" holds everything else).
class DriveListBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveListBox(QWidget* parent = nullptr);

    // The volumes as listed, "/" first.
    static QList<DriveInfo> MountedVolumes();
    // Reads the mounted volumes again; keeps the selection when that volume is still there.
    void Refresh();

    // Root path of the selected volume ("" when the list is empty).
    QString Drive() const;
    // Selects the volume that holds path. Emits Change() when the selection moves.
    // False (and nothing changes) when path is empty or that volume's root cannot be read.
    bool SetDrive(const QString& path);

    // Root of the listed volume that holds path ("/" when no other listed volume does).
    static QString DriveOf(const QString& path);
    // The current folder on the volume with this root: the last folder opened on it in this
    // run (see RememberFolder) when it still exists, else the root itself.
    static QString CurrentFolderOn(const QString& root);
    // Notes folder as the current folder on its volume (folder lists call this when they open one).
    static void RememberFolder(const QString& folder);
    // Forgets every remembered folder (for tests).
    static void ForgetFolders();

signals:
    // The selected volume changed, by the user or by SetDrive.
    void Change();

private:
    void onIndexChanged(int index);
    QList<DriveInfo> drives_;
    bool filling_ = false;
    int lastIndex_ = -1;
};

}  // namespace wxh

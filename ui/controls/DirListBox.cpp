#include "ui/controls/DirListBox.h"

#include <QApplication>
#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

#include "ui/controls/DriveListBox.h"

// The icons are resources of this static library; their registration must be pulled in by
// name (from outside any namespace), or the linker leaves it out.
static void registerFolderIcons() { Q_INIT_RESOURCE(icons); }

namespace wxh {
namespace {

constexpr int kPathRole = Qt::UserRole + 1;

QString cleanFolder(const QString& path) {
    return QDir::cleanPath(QDir(path).absolutePath());
}

QString childPath(const QString& parent, const QString& name) {
    return parent == QLatin1String("/") ? QLatin1Char('/') + name : parent + QLatin1Char('/') + name;
}

}  // namespace

DirListBox::DirListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
}

bool DirListBox::SetPath(const QString& folder) {
    if (folder.isEmpty()) return false;
    const QString p = cleanFolder(folder);
    QFileInfo info(p);
    if (!info.isDir() || !info.isReadable() || !QDir(p).isReadable()) return false;
    const bool changed = p != path_;
    path_ = p;
    fill();
    DriveListBox::RememberFolder(p);
    if (changed) emit Change();
    return true;
}

QString DirListBox::HighlightedPath() const {
    const QString p = EntryPath(currentRow());
    return p.isEmpty() ? path_ : p;
}

bool DirListBox::Highlight(const QString& folder) {
    const QString p = cleanFolder(folder);
    for (int i = 0; i < count(); ++i)
        if (EntryPath(i) == p) {
            setCurrentRow(i);
            return true;
        }
    return false;
}

void DirListBox::Refresh() {
    if (!path_.isEmpty()) fill();
}

QString DirListBox::EntryPath(int row) const {
    const QListWidgetItem* it = (row >= 0 && row < count()) ? item(row) : nullptr;
    return it ? it->data(kPathRole).toString() : QString();
}

void DirListBox::fill() {
    clear();
    // Drawings, not the style's small bitmaps: sharp at any scale of the screen.
    static const QIcon openIcon = (registerFolderIcons(), QIcon(QStringLiteral(":/wxh-controls/folder-open.svg")));
    static const QIcon closedIcon(QStringLiteral(":/wxh-controls/folder-closed.svg"));
    // Ancestors from the root down to the open folder.
    QStringList chain;
    for (QString p = path_;;) {
        chain.prepend(p);
        if (p == QLatin1String("/") || p.isEmpty()) break;
        const QString up = QFileInfo(p).path();
        if (up == p) break;
        p = up;
    }
    int depth = 0;
    for (const QString& p : chain) {
        const QString name = p == QLatin1String("/") ? p : QFileInfo(p).fileName();
        auto* it = new QListWidgetItem(openIcon, QString(depth * 2, QLatin1Char(' ')) + name, this);
        it->setData(kPathRole, p);
        it->setToolTip(p);
        ++depth;
    }
    openRow_ = count() - 1;
    // Sub-folders of the open folder, by name ignoring case.
    QDir dir(path_);
    QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(),
              [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    for (const QString& n : names) {
        auto* it = new QListWidgetItem(closedIcon, QString(depth * 2, QLatin1Char(' ')) + n, this);
        const QString p = childPath(path_, n);
        it->setData(kPathRole, p);
        it->setToolTip(p);
    }
    setCurrentRow(openRow_);
    scrollToItem(item(openRow_));
}

void DirListBox::openRow(int row) {
    const QString p = EntryPath(row);
    if (p.isEmpty()) return;
    if (!SetPath(p)) Refresh();   // a folder removed since it was listed
}

void DirListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) QListWidget::mousePressEvent(event);
    emit MouseDown(event->button(), event->globalPosition().toPoint());
}

void DirListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    QListWidgetItem* it = itemAt(event->position().toPoint());
    if (it) openRow(row(it));
}

void DirListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openRow(currentRow());
        return;
    }
    QListWidget::keyPressEvent(event);
}

}  // namespace wxh

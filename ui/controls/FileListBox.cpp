#include "ui/controls/FileListBox.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>

namespace wxh {
namespace {

// "*" any run of characters, "?" one character, everything else itself, ignoring case.
bool globMatch(const QString& name, const QString& wildcard) {
    int n = 0, w = 0, starW = -1, starN = 0;
    while (n < name.size()) {
        if (w < wildcard.size() && (wildcard[w] == QLatin1Char('?') ||
                                    (wildcard[w] != QLatin1Char('*') &&
                                     wildcard[w].toCaseFolded() == name[n].toCaseFolded()))) {
            ++w;
            ++n;
        } else if (w < wildcard.size() && wildcard[w] == QLatin1Char('*')) {
            starW = w++;
            starN = n;
        } else if (starW >= 0) {
            w = starW + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (w < wildcard.size() && wildcard[w] == QLatin1Char('*')) ++w;
    return w == wildcard.size();
}

}  // namespace

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    // Only a file the user selects raises Click. Focusing the list (Tab, or coming back from
    // a menu) makes Qt set a current row without selecting it; that row is not the user's pick.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &FileListBox::onSelectionChanged);
}

bool FileListBox::SetPath(const QString& folder) {
    if (folder.isEmpty()) return false;
    const QString p = QDir::cleanPath(QDir(folder).absolutePath());
    QFileInfo info(p);
    if (!info.isDir() || !QDir(p).isReadable()) return false;
    path_ = p;
    Refresh();
    return true;
}

void FileListBox::SetPattern(const QString& pattern) {
    pattern_ = pattern;
    Refresh();
}

void FileListBox::Refresh() {
    filling_ = true;
    clear();
    if (!path_.isEmpty()) {
        QDir dir(path_);
        QStringList names;
        for (const QString& n : dir.entryList(QDir::Files | QDir::NoDotAndDotDot))
            if (MatchesPattern(n, pattern_)) names.append(n);
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::sort(names.begin(), names.end(),
                  [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
        addItems(names);
    }
    setCurrentRow(-1);
    filling_ = false;
}

QStringList FileListBox::FileNames() const {
    QStringList names;
    for (int i = 0; i < count(); ++i) names.append(item(i)->text());
    return names;
}

QString FileListBox::FileName() const {
    const QListWidgetItem* it = currentItem();
    return it ? it->text() : QString();
}

bool FileListBox::SelectFile(const QString& name) {
    for (int i = 0; i < count(); ++i)
        if (item(i)->text() == name) {
            if (item(i)->isSelected()) emit Click();
            else setCurrentRow(i);
            return true;
        }
    return false;
}

bool FileListBox::MatchesPattern(const QString& name, const QString& pattern) {
    for (const QString& part : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString wildcard = part.trimmed();
        if (wildcard.isEmpty()) continue;
        // "*.*" names every file, with or without a dot, as it always has.
        if (wildcard == QLatin1String("*.*") || wildcard == QLatin1String("*")) return true;
        if (globMatch(name, wildcard)) return true;
    }
    return false;
}

void FileListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        QListWidgetItem* it = itemAt(event->position().toPoint());
        const bool same = it && it == currentItem() && it->isSelected();
        QListWidget::mousePressEvent(event);
        if (same) emit Click();   // a click on the selected file shows it again
    }
    emit MouseDown(event->button(), event->globalPosition().toPoint());
}

void FileListBox::onSelectionChanged(const QItemSelection& selected) {
    if (filling_ || selected.isEmpty()) return;
    emit Click();
}

}  // namespace wxh

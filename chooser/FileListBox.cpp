#include "FileListBox.h"

#include "DaisyListing.h"
#include "PathRules.h"

#include <QDir>

FileListBox::FileListBox(QWidget *parent) : PlainListBox(parent), m_directory(QDir::currentPath()) {
    connect(this, &QListWidget::itemSelectionChanged, this, &FileListBox::reportSelection);
}

QString FileListBox::Directory() const {
    return m_directory;
}

QString FileListBox::Mask() const {
    return m_mask;
}

void FileListBox::setMask(const QString &mask) {
    m_mask = mask;
    if (m_entriesRead) {
        readEntries(m_directory);
    }
}

QString FileListBox::FileName() const {
    const int row = selectedRow();
    if (row < 0) {
        return QString();
    }
    return PathRules::joinPath(m_directory, item(row)->data(Qt::UserRole).toString());
}

FolderResult FileListBox::followFolder(const QString &folder) {
    if (m_entriesRead && folder == m_directory) {
        return {};
    }
    return readEntries(folder);
}

void FileListBox::ensureEntriesRead() {
    if (!m_entriesRead) {
        readEntries(m_directory);
    }
}

bool FileListBox::entriesRead() const {
    return m_entriesRead;
}

void FileListBox::showEvent(QShowEvent *event) {
    ensureEntriesRead();
    PlainListBox::showEvent(event);
}

FolderResult FileListBox::readEntries(const QString &folder) {
    QStringList names;
    const QStringList patterns = PathRules::maskPatterns(m_mask);
    const FolderResult result =
        FolderScan::matchingFiles(folder, patterns + DaisyListing::packagePatterns(), names);
    if (!result) {
        return result;
    }
    m_directory = folder;
    m_entriesRead = true;
    {
        const QSignalBlocker blocker(this);
        clear();
        for (const DaisyListing::Entry &entry : DaisyListing::arrange(folder, names, patterns)) {
            auto *line = new QListWidgetItem(entry.text, this);
            line->setData(Qt::UserRole, entry.file);
        }
        setCurrentRow(-1);
    }
    m_lastReported.clear();
    emit changed();
    return result;
}

void FileListBox::reportSelection() {
    const QString name = FileName();
    if (name != m_lastReported) {
        m_lastReported = name;
        emit changed();
    }
}

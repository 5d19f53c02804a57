#include "FolderListBox.h"

#include "FileListBox.h"
#include "PathRules.h"
#include "VolumeSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

#include <unistd.h>

namespace {

// The process's current directory, or the root when it has none any more (it was
// removed after the program started).
QString currentDirectoryOrRoot() {
    const QString current = QDir::currentPath();
    return current.startsWith(u'/') ? current : QStringLiteral("/");
}

} // namespace

FolderListBox::FolderListBox(QWidget *parent)
    : PlainListBox(parent), m_directory(currentDirectoryOrRoot()) {
    connect(this, &QListWidget::currentRowChanged, this, &FolderListBox::reportHighlight);
    connect(this, &QAbstractItemView::doubleClicked, this, &FolderListBox::openOnRequest);
}

QString FolderListBox::Directory() const {
    return m_directory;
}

QString FolderListBox::LinePath(int line) const {
    return PathRules::linePath(m_directory, m_subfolders, line);
}

int FolderListBox::highlightedLine() const {
    return currentRow();
}

QStringList FolderListBox::subfolders() const {
    return m_subfolders;
}

FolderResult FolderListBox::ChangeFolder(const QString &path) {
    if (path.isEmpty() || path == m_directory) {
        return {};
    }
    QString target = QDir::cleanPath(QDir(currentDirectoryOrRoot()).absoluteFilePath(path));
    const QFileInfo info(target);
    if (info.isFile()) {
        target = info.absolutePath();
    }
    if (target == m_directory) {
        return {};
    }
    // Read first, enter after: a folder that cannot be listed is refused before
    // anything has moved.
    QStringList names;
    if (const FolderResult read = FolderScan::subfolders(target, names); !read) {
        return read;
    }
    if (::chdir(QFile::encodeName(target).constData()) != 0) {
        return FolderResult::fromErrno();
    }
    m_directory = currentDirectoryOrRoot();
    m_subfolders = std::move(names);
    m_linesRead = true;
    m_folderOnVolume.insert(drive(), m_directory);
    rebuild();
    if (m_fileList != nullptr) {
        m_fileList->followFolder(m_directory);
    }
    emit folderChanged(m_directory);
    return {};
}

FolderResult FolderListBox::OpenHighlightedLine() {
    return ChangeFolder(LinePath(highlightedLine()));
}

FolderResult FolderListBox::SelectDrive(const QString &mountPoint) {
    if (mountPoint.isEmpty()) {
        return FolderResult::failure(QStringLiteral("no volume is selected"));
    }
    if (mountPoint == drive()) {
        return {};
    }
    if (m_volumes && !m_volumes->isAvailable(mountPoint)) {
        return FolderResult::failure(
            QStringLiteral("the volume is not mounted or does not answer"));
    }
    const QString lastFolder = m_folderOnVolume.value(mountPoint);
    if (!lastFolder.isEmpty()) {
        if (const FolderResult result = ChangeFolder(lastFolder); result) {
            return result;
        }
    }
    return ChangeFolder(mountPoint);
}

QString FolderListBox::drive() const {
    return PathRules::volumeOfFolder(m_mountPoints, m_directory);
}

void FolderListBox::setFileList(FileListBox *fileList) {
    m_fileList = fileList;
    if (m_fileList != nullptr && m_linesRead) {
        m_fileList->followFolder(m_directory);
    }
}

void FolderListBox::setVolumes(std::shared_ptr<VolumeSource> source,
                               const QStringList &mountPoints) {
    m_volumes = std::move(source);
    m_mountPoints = mountPoints;
}

void FolderListBox::ensureLinesRead() {
    if (m_linesRead) {
        return;
    }
    m_linesRead = true;
    QStringList names;
    if (FolderScan::subfolders(m_directory, names) &&
        ::chdir(QFile::encodeName(m_directory).constData()) == 0) {
        m_subfolders = std::move(names);
    }
    m_folderOnVolume.insert(drive(), m_directory);
    rebuild();
    if (m_fileList != nullptr) {
        m_fileList->followFolder(m_directory);
    }
}

void FolderListBox::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openOnRequest();
    }
    PlainListBox::keyPressEvent(event);
}

void FolderListBox::showEvent(QShowEvent *event) {
    ensureLinesRead();
    PlainListBox::showEvent(event);
}

void FolderListBox::rebuild() {
    m_rebuilding = true;
    clear();
    addItems(PathRules::lineTexts(m_directory, m_subfolders));
    const QIcon opened = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const int current = PathRules::currentLine(m_directory);
    for (int line = 0; line < count(); ++line) {
        item(line)->setIcon(line > current ? closed : opened);
    }
    setCurrentRow(current);
    scrollToItem(currentItem());
    m_rebuilding = false;
}

void FolderListBox::openOnRequest() {
    const QString path = LinePath(highlightedLine());
    if (const FolderResult result = ChangeFolder(path); !result) {
        emit cannotEnter(path, result.error);
    }
}

void FolderListBox::reportHighlight() {
    if (!m_rebuilding) {
        emit lineClicked();
    }
}

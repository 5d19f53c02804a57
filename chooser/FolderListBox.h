#pragma once

#include "FolderScan.h"
#include "PlainListBox.h"

#include <QHash>
#include <QStringList>

#include <memory>

class FileListBox;
class VolumeSource;

// The folder list of the book chooser (the dialog's DirectoryListBox): the root
// line "/", one line per folder level down to the current folder, then the
// current folder's subfolders, sorted without regard to case, hidden ones left
// out. The current folder's line is highlighted after every rebuild. Moving the
// highlight does not open a folder; Enter and a double-click do. Every folder it
// opens becomes the process's current directory, so that a file named without a
// folder is looked for in the folder last opened here. UI thread only.
class FolderListBox : public PlainListBox {
    Q_OBJECT
public:
    // Directory starts as the process's current directory.
    explicit FolderListBox(QWidget *parent = nullptr);

    // The current folder, as the system reports the process's current directory.
    QString Directory() const;
    // The full path that `line` stands for; empty for a line that does not exist.
    QString LinePath(int line) const;
    // The highlighted line, -1 when none is.
    int highlightedLine() const;
    QStringList subfolders() const;

    // Opens `path` (absolute, or relative to the process's current directory; a
    // regular file stands for its folder): it becomes the process's current
    // directory and Directory, the lines are rebuilt and the linked file list
    // follows. Nothing happens for an empty path or for Directory itself. A folder
    // that cannot be entered or read fails with nothing changed.
    FolderResult ChangeFolder(const QString &path);
    // ChangeFolder(LinePath(highlighted line)).
    FolderResult OpenHighlightedLine();
    // Moves to the volume mounted at `mountPoint`: to the folder last opened on it,
    // else to its mount point. Nothing happens when Directory is on that volume
    // already; fails with nothing changed when the volume is not available.
    FolderResult SelectDrive(const QString &mountPoint);
    // The mount point of the volume Directory lies on.
    QString drive() const;

    // The file list that follows this list's current folder.
    void setFileList(FileListBox *fileList);
    // The volumes known to the chooser: `source` answers whether one is available.
    void setVolumes(std::shared_ptr<VolumeSource> source, const QStringList &mountPoints);

    // Reads the lines once, if that has not happened yet; the file list follows.
    void ensureLinesRead();

signals:
    // The user moved the highlight to another line (keys, typing, mouse).
    void lineClicked();
    // A new current folder: Directory changed.
    void folderChanged(const QString &directory);
    // Enter or a double-click asked for a folder that cannot be entered.
    void cannotEnter(const QString &path, const QString &reason);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void rebuild();
    void openOnRequest();
    void reportHighlight();

    QString m_directory;
    QStringList m_subfolders;
    bool m_linesRead = false;
    bool m_rebuilding = false;
    FileListBox *m_fileList = nullptr;
    std::shared_ptr<VolumeSource> m_volumes;
    QStringList m_mountPoints;
    // The last folder opened on each volume, by mount point, in this run.
    QHash<QString, QString> m_folderOnVolume;
};

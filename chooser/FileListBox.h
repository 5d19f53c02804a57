#pragma once

#include "FolderScan.h"
#include "PlainListBox.h"

// The file list of the book chooser (the dialog's LlistaArxius): the names of the
// files of one folder that match a mask, sorted without regard to case, without
// hidden files and without anything that is not a regular file; a DAISY book
// there is one line, its title (DaisyListing). It reads its
// folder when first shown, when it follows the folder list to another folder and
// when its mask changes; at no other time. UI thread only.
class FileListBox : public PlainListBox {
    Q_OBJECT
public:
    // Directory starts as the process's current directory.
    explicit FileListBox(QWidget *parent = nullptr);

    // The folder whose files are listed.
    QString Directory() const;

    // ";"-separated wildcard patterns, matched without regard to case; "*" at first.
    QString Mask() const;
    // Takes the new mask and re-reads the folder if its entries were read already.
    void setMask(const QString &mask);

    // Directory, one "/" and the selected name; empty when nothing is selected.
    QString FileName() const;

    // Lists `folder` when it differs from Directory (or nothing was read yet). On
    // failure Directory and the entries stay as they were.
    FolderResult followFolder(const QString &folder);
    // Reads Directory once, if that has not happened yet.
    void ensureEntriesRead();
    bool entriesRead() const;

signals:
    // A re-read, or a selection that differs from the one last reported.
    void changed();

protected:
    void showEvent(QShowEvent *event) override;

private:
    FolderResult readEntries(const QString &folder);
    void reportSelection();

    QString m_directory;
    QString m_mask = QStringLiteral("*");
    bool m_entriesRead = false;
    QString m_lastReported;
};

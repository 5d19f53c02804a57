#pragma once

#include "VolumeList.h"

#include <QComboBox>

// The drive list of the book chooser (the dialog's DriveComboBox): a drop-down
// list of the mounted volumes that cannot be typed into, one entry per volume with
// an icon for its kind. Drive is the selected volume's mount point. Every change
// of the selection, by the user or by SelectDrive, is reported through
// driveChanged(); the first selection, made as the entries are read, is not.
// UI thread only.
class VolumeComboBox : public QComboBox {
    Q_OBJECT
public:
    // Drive starts as the volume of the process's current directory once the
    // entries are read; until then it is that directory's root.
    explicit VolumeComboBox(QWidget *parent = nullptr);

    // Fills the entries, once: later calls change nothing. Drive becomes the
    // volume that holds `folder`, without a report: filling the list is not a
    // change of drive.
    void readEntries(const QList<Volume> &volumes, const QString &folder);
    bool entriesRead() const;

    // The selected volume's mount point; empty when none is selected.
    QString Drive() const;
    // Selects the volume mounted at `mountPoint` and reports the change; nothing
    // happens when that volume is selected already. A mount point without an
    // entry leaves no entry selected (and is reported); an empty one selects none.
    void SelectDrive(const QString &mountPoint);
    // The mount points of the entries, in order.
    QStringList mountPoints() const;

signals:
    void driveChanged();

protected:
    // Left and Right move as Up and Down do, Page Up and Page Down by a page of
    // the drop-down, as in a drop-down list of the desktop.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void takeUserSelection(int index);

    QString m_drive;
    bool m_entriesRead = false;
    bool m_selecting = false;
};

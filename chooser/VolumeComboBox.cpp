#include "VolumeComboBox.h"

#include "PathRules.h"

#include <QKeyEvent>
#include <QListView>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int MountPointRole = Qt::UserRole;

QStyle::StandardPixmap iconOf(VolumeKind kind) {
    switch (kind) {
    case VolumeKind::Removable:
        return QStyle::SP_DriveFDIcon;
    case VolumeKind::Optical:
        return QStyle::SP_DriveCDIcon;
    case VolumeKind::Network:
        return QStyle::SP_DriveNetIcon;
    case VolumeKind::Ram:
        return QStyle::SP_ComputerIcon;
    case VolumeKind::Fixed:
        break;
    }
    return QStyle::SP_DriveHDIcon;
}

// The drop-down's view: typing a character looks for the next volume whose mount
// point's last name begins with it (every mount point begins with "/", so the
// entry text itself would not tell volumes apart).
class VolumeListView : public QListView {
public:
    using QListView::QListView;

    void keyboardSearch(const QString &search) override {
        if (search.isEmpty() || model() == nullptr) {
            return;
        }
        QStringList keys;
        for (int row = 0; row < model()->rowCount(); ++row) {
            keys.append(
                VolumeList::searchKey(model()->index(row, 0).data(MountPointRole).toString()));
        }
        const int row = PathRules::nextRowStartingWith(keys, currentIndex().row(), search.back());
        if (row >= 0) {
            setCurrentIndex(model()->index(row, 0));
        }
    }
};

} // namespace

VolumeComboBox::VolumeComboBox(QWidget *parent) : QComboBox(parent), m_drive(QStringLiteral("/")) {
    setEditable(false);
    setView(new VolumeListView(this));
    connect(this, &QComboBox::currentIndexChanged, this, &VolumeComboBox::takeUserSelection);
}

void VolumeComboBox::readEntries(const QList<Volume> &volumes, const QString &folder) {
    if (m_entriesRead) {
        return;
    }
    m_entriesRead = true;
    {
        const QSignalBlocker blocker(this);
        for (const Volume &volume : volumes) {
            addItem(style()->standardIcon(iconOf(volume.kind)), VolumeList::entryText(volume),
                    volume.mountPoint);
        }
        // Filling the list is not a change of drive: the first selection is made
        // without a report, so that nothing is said of it.
        m_drive = PathRules::volumeOfFolder(mountPoints(), folder);
        setCurrentIndex(m_drive.isEmpty() ? -1 : findData(m_drive, MountPointRole));
    }
}

bool VolumeComboBox::entriesRead() const {
    return m_entriesRead;
}

QString VolumeComboBox::Drive() const {
    return m_drive;
}

void VolumeComboBox::SelectDrive(const QString &mountPoint) {
    if (currentIndex() >= 0 && mountPoint == m_drive) {
        return;
    }
    m_drive = mountPoint;
    m_selecting = true;
    setCurrentIndex(mountPoint.isEmpty() ? -1 : findData(mountPoint, MountPointRole));
    m_selecting = false;
    emit driveChanged();
}

QStringList VolumeComboBox::mountPoints() const {
    QStringList points;
    for (int index = 0; index < count(); ++index) {
        points.append(itemData(index, MountPointRole).toString());
    }
    return points;
}

void VolumeComboBox::keyPressEvent(QKeyEvent *event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    int step = 0;
    switch (plain ? event->key() : 0) {
    case Qt::Key_Left:
        step = -1;
        break;
    case Qt::Key_Right:
        step = 1;
        break;
    case Qt::Key_PageUp:
        step = -std::max(1, maxVisibleItems() - 1);
        break;
    case Qt::Key_PageDown:
        step = std::max(1, maxVisibleItems() - 1);
        break;
    default:
        QComboBox::keyPressEvent(event);
        return;
    }
    if (count() > 0) {
        setCurrentIndex(std::clamp(currentIndex() + step, 0, count() - 1));
    }
    event->accept();
}

void VolumeComboBox::takeUserSelection(int index) {
    if (m_selecting) {
        return;
    }
    m_drive = index < 0 ? QString() : itemData(index, MountPointRole).toString();
    emit driveChanged();
}

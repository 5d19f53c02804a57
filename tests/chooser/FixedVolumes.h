#pragma once

#include "VolumeSource.h"

#include <QSet>

// A volume for a test: mount point, kind and label.
inline Volume volumeAt(const QString &mountPoint, VolumeKind kind = VolumeKind::Fixed,
                       const QString &label = QString()) {
    return Volume{mountPoint, kind, label, QString()};
}

// Volumes a test decides: which exist and which can be entered now.
class FixedVolumes : public VolumeSource {
public:
    QList<Volume> list;
    QSet<QString> unavailable;
    int availabilityQuestions = 0;

    QList<Volume> volumes() override { return list; }
    bool isAvailable(const QString &mountPoint) override {
        ++availabilityQuestions;
        return !unavailable.contains(mountPoint);
    }
};

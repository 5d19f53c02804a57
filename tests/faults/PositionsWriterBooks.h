#pragma once

#include <QString>

// The paths of the books positions_writer saves, shared with the test that reads
// them back. Some need escaping in the settings file ("=", "%", a leading "[",
// a line feed), so that a write killed half-way through an escaped key shows too.
inline QString PositionsWriterBook(int i) {
    static const QString shapes[] = {
        QStringLiteral("/home/lector/llibres/novel·la %1.txt"),
        QStringLiteral("/home/lector/llibres/a=b %1.txt"),
        QStringLiteral("[secció]/100% %1.txt"),
        QStringLiteral("/home/lector/línia\nnova %1.txt"),
    };
    return shapes[i % 4].arg(i);
}

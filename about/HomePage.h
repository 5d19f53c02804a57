#pragma once

#include <QString>
#include <QUrl>

// The page the about box's two links open, and the author line that names it.
namespace HomePage {

// `configured` when it is not empty (a distributor's page, set at build time);
// otherwise the README installed beside the program,
// `<applicationDir>/../share/doc/zelvora/README.md`, as a file: address; where
// that file does not exist (a build tree), `sourceReadme`.
QUrl pageFor(const QString &configured, const QString &applicationDir, const QString &sourceReadme);

// pageFor() with this build's setting, this program's folder and this build's
// source tree.
QUrl page();

// The copyright line of the about box: the authors as a group and, for a web
// page, the address as people write it (host only).
QString authorLine(const QUrl &page);

// The line crediting the makers: the authors and the contributors as groups.
QString creditsLine();

} // namespace HomePage

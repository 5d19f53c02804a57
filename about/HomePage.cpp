#include "HomePage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace HomePage {

QUrl pageFor(const QString &configured, const QString &applicationDir,
             const QString &sourceReadme) {
    if (!configured.isEmpty()) {
        return QUrl(configured);
    }
    const QString installed =
        QDir::cleanPath(applicationDir + QStringLiteral("/../share/doc/zelvora/README.md"));
    if (QFileInfo(installed).isFile()) {
        return QUrl::fromLocalFile(installed);
    }
    return QUrl::fromLocalFile(sourceReadme);
}

QUrl page() {
    return pageFor(QString::fromUtf8(ZELVORA_HOME_PAGE), QCoreApplication::applicationDirPath(),
                   QString::fromUtf8(ZELVORA_SOURCE_README));
}

QString authorLine(const QUrl &page) {
    QString line = QStringLiteral("© Els autors de Zelvora");
    if (!page.isLocalFile() && !page.host().isEmpty()) {
        line += QStringLiteral(" - ") + page.host();
    }
    return line;
}

QString creditsLine() {
    return QStringLiteral("Fet pels autors de Zelvora, amb la col·laboració de tots els qui "
                          "hi han contribuït");
}

} // namespace HomePage

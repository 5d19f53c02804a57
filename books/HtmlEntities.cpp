#include "HtmlEntities.h"

#include <QByteArray>

#include <libxml/HTMLparser.h>

QString HtmlEntities::characterOf(QStringView name) {
    const QByteArray utf8 = name.toUtf8();
    const htmlEntityDesc *entity =
        htmlEntityLookup(reinterpret_cast<const xmlChar *>(utf8.constData()));
    if (entity == nullptr) {
        return QString();
    }
    const char32_t character = entity->value;
    return QString::fromUcs4(&character, 1);
}

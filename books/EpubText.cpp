#include "EpubText.h"

#include "MarkupText.h"
#include "TextBuilder.h"
#include "ZipArchive.h"

#include <QHash>
#include <QList>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 MaxPackageBytes = 16 * 1024 * 1024;
constexpr qsizetype MaxSpineItems = 20000;

// The two algorithms that only obfuscate fonts; anything else hides the text.
const QList<QStringView> FontObfuscation{u"http://www.idpf.org/2008/embedding",
                                         u"http://ns.adobe.com/pdf/enc#RC"};

struct ManifestItem {
    QString href;
    QString mediaType;
    QString properties;
};

struct Package {
    QHash<QString, ManifestItem> manifest;
    QList<QString> linear;
    QList<QString> nonLinear;
};

// The folder part of a zip entry name, with its trailing "/".
QString folderOf(const QString &entry) {
    return entry.left(entry.lastIndexOf(u'/') + 1);
}

// `href` (percent-encoded, maybe with a fragment) relative to `folder`, as a zip
// entry name with "." and ".." resolved.
QByteArray resolve(const QString &folder, const QString &href) {
    const QString path =
        QString::fromUtf8(QByteArray::fromPercentEncoding(href.left(href.indexOf(u'#')).toUtf8()));
    QStringList parts;
    for (const QString &part : (path.startsWith(u'/') ? path : folder + path).split(u'/')) {
        if (part == u".." && !parts.isEmpty()) {
            parts.removeLast();
        } else if (!part.isEmpty() && part != u"." && part != u"..") {
            parts.append(part);
        }
    }
    return parts.join(u'/').toUtf8();
}

QString rootFileOf(const QByteArray &container) {
    QXmlStreamReader xml(container);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"rootfile") {
            return xml.attributes().value(u"full-path"_s).toString();
        }
    }
    return QString();
}

Package packageOf(const QByteArray &opf) {
    Package package;
    QXmlStreamReader xml(opf);
    while (!xml.atEnd() && package.linear.size() + package.nonLinear.size() < MaxSpineItems) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == u"item") {
            package.manifest.insert(attributes.value(u"id"_s).toString(),
                                    {attributes.value(u"href"_s).toString(),
                                     attributes.value(u"media-type"_s).toString(),
                                     attributes.value(u"properties"_s).toString()});
        } else if (xml.name() == u"itemref") {
            const QString id = attributes.value(u"idref"_s).toString();
            (attributes.value(u"linear"_s) == u"no" ? package.nonLinear : package.linear)
                .append(id);
        }
    }
    return package;
}

bool encryptsContent(const QByteArray &encryption) {
    QXmlStreamReader xml(encryption);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"EncryptionMethod" &&
            !FontObfuscation.contains(xml.attributes().value(u"Algorithm"_s))) {
            return true;
        }
    }
    return false;
}

bool isContentDocument(const ManifestItem &item) {
    const bool markup = item.mediaType == u"application/xhtml+xml" ||
                        item.mediaType == u"text/html" || item.mediaType == u"text/x-oeb1-document";
    return markup && !item.properties.split(u' ').contains(u"nav");
}

// Reads the spine's documents into `text`. False when an entry is damaged or too
// large, or when none of them could be read.
bool readSpine(ZipArchive &zip, const Package &package, const QString &folder, TextBuilder &text) {
    int read = 0;
    for (const QString &id : package.linear + package.nonLinear) {
        const auto item = package.manifest.constFind(id);
        if (item == package.manifest.cend() || !isContentDocument(*item)) {
            continue;
        }
        QByteArray document;
        const ZipArchive::Read result =
            zip.read(resolve(folder, item->href), Extraction::MaxDocumentBytes, document);
        if (result == ZipArchive::Read::Missing) {
            continue; // a tolerant reader skips a missing chapter
        }
        if (result != ZipArchive::Read::Ok) {
            return false;
        }
        const QByteArray encoding = MarkupText::detectEncoding(document);
        const QByteArray entry = resolve(folder, item->href);
        read += MarkupText::extract(document, encoding, text, entry) ? 1 : 0;
        if (text.overflowed()) {
            return false;
        }
    }
    return read > 0;
}

} // namespace

namespace EpubText {

Extracted extract(const QString &path) {
    ZipArchive zip;
    if (!zip.open(path)) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    QByteArray bytes;
    if (zip.contains("META-INF/rights.xml") ||
        (zip.read("META-INF/encryption.xml", MaxPackageBytes, bytes) == ZipArchive::Read::Ok &&
         encryptsContent(bytes))) {
        return Extracted::failed(ExtractionStatus::Protected);
    }
    QString opfName;
    if (zip.read("META-INF/container.xml", MaxPackageBytes, bytes) == ZipArchive::Read::Ok) {
        opfName = rootFileOf(bytes);
    }
    if (opfName.isEmpty()) {
        opfName = QString::fromUtf8(zip.firstNameEndingWith(".opf"));
    }
    if (zip.read(resolve(QString(), opfName), MaxPackageBytes, bytes) != ZipArchive::Read::Ok) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    TextBuilder text;
    if (!readSpine(zip, packageOf(bytes), folderOf(opfName), text)) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    return Extraction::finished(text);
}

} // namespace EpubText

#include "EpubPackage.h"

#include "HtmlEntities.h"
#include "ZipArchive.h"

#include <QStringList>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype MaxSpineItems = 20000;
constexpr QStringView DublinCore = u"http://purl.org/dc/elements/1.1/";

// The full paths of the rootfiles that `container` names, in its order.
QList<QByteArray> rootFilesOf(const QByteArray &container) {
    QList<QByteArray> paths;
    QXmlStreamReader xml(container);
    while (!xml.atEnd() && paths.size() < 16) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"rootfile") {
            const QByteArray path =
                EpubPaths::resolve(QByteArray(), xml.attributes().value(u"full-path"_s));
            if (!path.isEmpty()) {
                paths.append(path);
            }
        }
    }
    return paths;
}

bool isDublinCore(const QXmlStreamReader &xml, QStringView name) {
    return xml.name() == name && (xml.namespaceUri() == DublinCore || xml.prefix() == u"dc");
}

// Keeps the first non-empty value of a metadata element.
void readMetadata(QXmlStreamReader &xml, EpubPackage &package) {
    for (auto [name, field] :
         {std::pair{u"title", &package.title}, std::pair{u"creator", &package.author},
          std::pair{u"language", &package.language}}) {
        if (isDublinCore(xml, name)) {
            const QByteArray value =
                xml.readElementText(QXmlStreamReader::IncludeChildElements).toUtf8().simplified();
            if (field->isEmpty()) {
                *field = value;
            }
            return;
        }
    }
    // The book's duration has no "refines"; each overlay's own has one.
    if (xml.name() == u"meta" && xml.attributes().value(u"property"_s) == u"media:duration" &&
        !xml.attributes().hasAttribute(u"refines"_s) && package.narrationDuration.isEmpty()) {
        package.narrationDuration = xml.readElementText().trimmed();
    }
}

} // namespace

QByteArray EpubPackage::navigationEntry() const {
    for (const Item &item : manifest) {
        if (item.properties.split(u' ').contains(u"nav"_s)) {
            return item.entry;
        }
    }
    return QByteArray();
}

QByteArray EpubPackage::ncxEntry() const {
    const auto toc = manifest.constFind(tocId);
    if (toc != manifest.cend()) {
        return toc->entry;
    }
    for (const Item &item : manifest) {
        if (item.mediaType == u"application/x-dtbncx+xml") {
            return item.entry;
        }
    }
    return QByteArray();
}

std::optional<QByteArray> EpubPackage::locate(ZipArchive &zip, qint64 limit) {
    QByteArray container;
    if (zip.read("META-INF/container.xml", limit, container) == ZipArchive::Read::Ok) {
        for (const QByteArray &path : rootFilesOf(container)) {
            if (zip.contains(path)) {
                return path;
            }
        }
    }
    const QList<QByteArray> packages = zip.namesEndingWith(".opf", 2);
    if (packages.size() != 1) {
        return std::nullopt;
    }
    return packages.constFirst();
}

EpubPackage EpubPackage::parse(const QByteArray &opf, const QByteArray &entry) {
    EpubPackage package;
    const QByteArray folder = EpubPaths::folderOf(entry);
    QList<QString> nonLinear;
    HtmlEntities entities;
    QXmlStreamReader xml(opf);
    xml.setEntityResolver(&entities);
    while (!xml.atEnd() && package.spine.size() + nonLinear.size() < MaxSpineItems) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == u"item") {
            package.manifest.insert(attributes.value(u"id"_s).toString(),
                                    {EpubPaths::resolve(folder, attributes.value(u"href"_s)),
                                     attributes.value(u"media-type"_s).toString(),
                                     attributes.value(u"properties"_s).toString(),
                                     attributes.value(u"media-overlay"_s).toString()});
        } else if (xml.name() == u"itemref") {
            const QString id = attributes.value(u"idref"_s).toString();
            (attributes.value(u"linear"_s) == u"no" ? nonLinear : package.spine).append(id);
        } else if (xml.name() == u"spine") {
            package.tocId = attributes.value(u"toc"_s).toString();
        } else {
            readMetadata(xml, package);
        }
    }
    package.spine += nonLinear;
    return package;
}

namespace EpubPaths {

QByteArray folderOf(const QByteArray &entry) {
    return entry.left(entry.lastIndexOf('/') + 1);
}

QByteArray resolve(const QByteArray &folder, QStringView href) {
    const QString path =
        QString::fromUtf8(QByteArray::fromPercentEncoding(href.left(href.indexOf(u'#')).toUtf8()));
    QStringList parts;
    const QString full = path.startsWith(u'/') ? path : QString::fromUtf8(folder) + path;
    for (const QString &part : full.split(u'/')) {
        if (part == u".." && !parts.isEmpty()) {
            parts.removeLast();
        } else if (!part.isEmpty() && part != u"." && part != u"..") {
            parts.append(part);
        }
    }
    return parts.join(u'/').toUtf8();
}

QByteArray anchorOf(const QByteArray &folder, QStringView href) {
    const qsizetype hash = href.indexOf(u'#');
    const QByteArray entry = resolve(folder, href);
    if (hash < 0 || hash + 1 == href.size()) {
        return entry;
    }
    return entry + '#' + QByteArray::fromPercentEncoding(href.sliced(hash + 1).toUtf8());
}

} // namespace EpubPaths

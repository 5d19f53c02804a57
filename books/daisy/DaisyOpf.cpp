#include "DaisyPackage.h"

#include "DaisySource.h"

#include <QBuffer>
#include <QHash>
#include <QXmlStreamReader>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

struct Item {
    QString href;
    QString mediaType;
};

bool isSmil(const Item &item) {
    return item.mediaType.startsWith(u"application/smil"_s) ||
           item.href.endsWith(u".smil"_s, Qt::CaseInsensitive);
}

bool isProtected(const Item &item) {
    return item.mediaType.contains(u"pdtb"_s, Qt::CaseInsensitive) ||
           item.href.endsWith(u".pdtb"_s, Qt::CaseInsensitive) ||
           item.href.endsWith(u".pdtb2"_s, Qt::CaseInsensitive);
}

void readMetadata(QXmlStreamReader &xml, DaisyPackage &package) {
    const QStringView name = xml.name();
    if (name.compare(u"meta"_s, Qt::CaseInsensitive) == 0) {
        const QXmlStreamAttributes attributes = xml.attributes();
        if (attributes.value(u"name"_s) == u"dtb:totalTime") {
            package.totalMs =
                std::max<qint64>(0, DaisyPackages::clockValueMs(attributes.value(u"content"_s)));
        }
        return;
    }
    QByteArray *field = nullptr;
    if (name.compare(u"title"_s, Qt::CaseInsensitive) == 0) {
        field = &package.title;
    } else if (name.compare(u"creator"_s, Qt::CaseInsensitive) == 0) {
        field = &package.author;
    } else if (name.compare(u"language"_s, Qt::CaseInsensitive) == 0) {
        field = &package.language;
    } else if (name.compare(u"format"_s, Qt::CaseInsensitive) == 0) {
        const QString format = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        package.isDtb = package.isDtb || format.contains(u"Z39.86"_s);
        package.protectedBook = package.protectedBook || format.contains(u"PDTB"_s);
        return;
    }
    if (field != nullptr && field->isEmpty()) {
        *field = xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified().toUtf8();
    }
}

} // namespace

namespace DaisyPackages {

DaisyPackage readOpf(const QByteArray &opf, const QString &opfName, QString &ncxName) {
    DaisyPackage package;
    QHash<QString, Item> manifest;
    QStringList spine;
    QXmlStreamReader xml(opf);
    bool inMetadata = false;
    while (!xml.atEnd() && spine.size() < MaxSmilFiles && manifest.size() < MaxSmilFiles * 4) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        const QStringView name = xml.name();
        if (token == QXmlStreamReader::EndElement && name == u"metadata") {
            inMetadata = false;
        }
        if (token != QXmlStreamReader::StartElement) {
            continue;
        }
        const QXmlStreamAttributes attributes = xml.attributes();
        if (name == u"metadata") {
            inMetadata = true;
        } else if (inMetadata) {
            readMetadata(xml, package);
        } else if (name == u"item") {
            const Item item{DaisySource::resolve(opfName, attributes.value(u"href"_s).toString()),
                            attributes.value(u"media-type"_s).toString()};
            manifest.insert(attributes.value(u"id"_s).toString(), item);
            package.protectedBook = package.protectedBook || isProtected(item);
            if (item.mediaType == u"application/x-dtbncx+xml") {
                ncxName = item.href;
            } else if (item.mediaType == u"application/x-dtbook+xml") {
                package.textDocuments.append(item.href);
                package.isDtb = true;
            }
        } else if (name == u"itemref") {
            spine.append(attributes.value(u"idref"_s).toString());
        }
    }
    for (const QString &id : std::as_const(spine)) {
        const auto item = manifest.constFind(id);
        if (item != manifest.cend() && isSmil(*item) && !package.smilFiles.contains(item->href)) {
            package.smilFiles.append(item->href);
            package.isDtb = true;
        }
    }
    return package;
}

void readNcx(const QByteArray &ncx, const QString &ncxName, DaisyPackage &package) {
    // Through a device the XML reader decodes a few kilobytes at a time, not a
    // copy of the whole file: a large book's NCX holds every page.
    QBuffer buffer;
    buffer.setData(ncx);
    buffer.open(QIODevice::ReadOnly);
    QXmlStreamReader xml(&buffer);
    int depth = 0;
    bool inPageList = false;
    bool inDocTitle = false;
    QByteArray label;
    while (!xml.atEnd() && qsizetype(package.nav.size()) < MaxNavEntries) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        const QStringView name = xml.name();
        if (token == QXmlStreamReader::EndElement) {
            depth -= name == u"navPoint" ? 1 : 0;
            inPageList = inPageList && name != u"pageList";
            inDocTitle = inDocTitle && name != u"docTitle";
            continue;
        }
        if (token != QXmlStreamReader::StartElement) {
            continue;
        }
        if (name == u"navPoint") {
            ++depth;
            label.clear();
        } else if (name == u"pageList") {
            inPageList = true;
        } else if (name == u"pageTarget") {
            label.clear();
        } else if (name == u"docTitle") {
            inDocTitle = true;
        } else if (name == u"text") {
            const QByteArray text =
                xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified().toUtf8();
            if (inDocTitle && package.title.isEmpty()) {
                package.title = text;
            } else if (label.isEmpty()) {
                label = text;
            }
        } else if (name == u"content" && (depth > 0 || inPageList)) {
            const QString src = xml.attributes().value(u"src"_s).toString();
            const qsizetype hash = src.indexOf(u'#');
            package.nav.push_back({inPageList ? 0 : std::clamp(depth, 1, 6), label,
                                   DaisySource::resolve(ncxName, src),
                                   hash >= 0 ? src.mid(hash + 1) : QString()});
        }
    }
}

} // namespace DaisyPackages

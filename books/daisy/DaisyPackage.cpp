#include "DaisyPackage.h"

#include "DaisySource.h"
#include "MarkupText.h"

#include <QSet>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <libxml/HTMLparser.h>

#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct DocumentDeleter {
    void operator()(xmlDoc *doc) const { xmlFreeDoc(doc); }
};

QByteArray lower(const xmlChar *name) {
    return name != nullptr ? QByteArray(reinterpret_cast<const char *>(name)).toLower()
                           : QByteArray();
}

// libxml hands on the bytes of a document that broke its own encoding as they
// are; what the book says of itself is kept as valid UTF-8 all the same.
QByteArray validUtf8(const xmlChar *text) {
    const QByteArrayView bytes(reinterpret_cast<const char *>(text));
    return bytes.isValidUtf8() ? bytes.toByteArray() : QString::fromUtf8(bytes).toUtf8();
}

QByteArray attribute(const xmlNode *node, const char *name) {
    xmlChar *value = xmlGetProp(node, reinterpret_cast<const xmlChar *>(name));
    const QByteArray bytes = value != nullptr ? validUtf8(value) : "";
    xmlFree(value);
    return bytes;
}

QByteArray contentOf(const xmlNode *node) {
    xmlChar *text = xmlNodeGetContent(node);
    const QByteArray bytes = text != nullptr ? validUtf8(text) : "";
    xmlFree(text);
    return bytes.simplified();
}

// The first link's target inside `node`, the node itself included.
QByteArray firstHref(const xmlNode *node) {
    const QByteArray own = attribute(node, "href");
    if (!own.isEmpty()) {
        return own;
    }
    for (const xmlNode *child = node->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) {
            const QByteArray found = firstHref(child); // links nest a level or two at most
            if (!found.isEmpty()) {
                return found;
            }
        }
    }
    return QByteArray();
}

int headingLevel(const QByteArray &name) {
    return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6' ? name[1] - '0'
                                                                                  : 0;
}

bool isPageClass(const QByteArray &classes) {
    const QByteArray c = classes.toLower();
    return c.contains("page-normal") || c.contains("page-front") || c.contains("page-special");
}

class PackageBuilder {
public:
    PackageBuilder(DaisyPackage &package, const QString &from) : m_package(package), m_from(from) {}

    // The SMIL file and fragment `href` points at; the file joins the order.
    std::pair<QString, QString> target(const QString &href) {
        const QString file = DaisySource::resolve(m_from, href);
        const qsizetype hash = href.indexOf(u'#');
        if (!file.isEmpty() && !m_seen.contains(file) &&
            m_package.smilFiles.size() < DaisyPackages::MaxSmilFiles &&
            file.endsWith(u".smil"_s, Qt::CaseInsensitive)) {
            m_seen.insert(file);
            m_package.smilFiles.append(file);
        }
        return {file, hash >= 0 ? href.mid(hash + 1) : QString()};
    }
    void addEntry(int level, const QByteArray &text, const QString &href) {
        const auto [file, fragment] = target(href);
        if (!file.isEmpty() && qsizetype(m_package.nav.size()) < DaisyPackages::MaxNavEntries) {
            m_package.nav.push_back({level, text, file, fragment});
        }
    }

private:
    DaisyPackage &m_package;
    QString m_from;
    QSet<QString> m_seen;
};

void readNccMeta(const xmlNode *node, DaisyPackage &package) {
    const QByteArray name = attribute(node, "name").toLower();
    const QByteArray content = attribute(node, "content").simplified();
    if (name == "dc:title") {
        package.title = content;
    } else if (name == "dc:creator" && package.author.isEmpty()) {
        package.author = content;
    } else if (name == "dc:language" && package.language.isEmpty()) {
        package.language = content;
    } else if (name == "ncc:totaltime") {
        package.totalMs =
            std::max<qint64>(0, DaisyPackages::clockValueMs(QString::fromUtf8(content)));
    } else if (name == "dc:format" || name == "ncc:format") {
        package.protectedBook = package.protectedBook || content.toLower().contains("protected");
    }
}

// The next node of a walk in document order; children are skipped when
// `descend` is false. No recursion, however deep the document.
const xmlNode *nextNode(const xmlNode *node, bool descend) {
    if (descend && node->children != nullptr) {
        return node->children;
    }
    while (node != nullptr && node->next == nullptr) {
        node = node->parent;
    }
    return node != nullptr ? node->next : nullptr;
}

} // namespace

namespace DaisyPackages {

DaisyPackage readNcc(const QByteArray &whole, const QString &nccName, bool metadataOnly) {
    DaisyPackage package;
    // The metadata is all in the head: the body of a long book's NCC (thousands
    // of headings and pages) is not parsed for it.
    const qsizetype body = metadataOnly ? whole.toLower().indexOf("<body") : -1;
    const QByteArray ncc = body < 0 ? whole : whole.left(body);
    const QByteArray encoding = MarkupText::detectEncoding(ncc);
    const std::unique_ptr<xmlDoc, DocumentDeleter> doc(
        htmlReadMemory(ncc.constData(), int(ncc.size()), nullptr, encoding.constData(),
                       HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                           HTML_PARSE_NONET | HTML_PARSE_COMPACT));
    if (doc == nullptr) {
        return package;
    }
    PackageBuilder builder(package, nccName);
    QByteArray headTitle;
    for (const xmlNode *node = doc->children; node != nullptr;) {
        bool descend = true;
        if (node->type == XML_ELEMENT_NODE) {
            const QByteArray name = lower(node->name);
            if (name == "meta") {
                readNccMeta(node, package);
            } else if (name == "title" && headTitle.isEmpty()) {
                headTitle = contentOf(node);
            } else if (name == "body" && metadataOnly) {
                break;
            } else if (const int level = headingLevel(name); level > 0) {
                builder.addEntry(level, contentOf(node), QString::fromUtf8(firstHref(node)));
                descend = false;
            } else if (isPageClass(attribute(node, "class"))) {
                builder.addEntry(0, contentOf(node), QString::fromUtf8(firstHref(node)));
                descend = false;
            } else if (name == "a") {
                builder.target(QString::fromUtf8(attribute(node, "href")));
            }
        }
        node = nextNode(node, descend);
    }
    if (package.title.isEmpty()) {
        package.title = headTitle;
    }
    return package;
}

QByteArray asXml(QByteArray bytes) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") ||
        QByteArrayView(bytes).isValidUtf8()) {
        return bytes;
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3); // a UTF-8 mark on a file that is not UTF-8 says nothing
    }
    if (bytes.startsWith("<?xml")) {
        const qsizetype end = bytes.indexOf("?>");
        if (end > 0 && QByteArrayView(bytes).first(end).contains("encoding")) {
            return bytes;
        }
    }
    QStringDecoder windows1252("windows-1252");
    return QString(windows1252.decode(bytes)).toUtf8();
}

qint64 clockValueMs(QStringView value) {
    QStringView v = value.trimmed();
    if (v.startsWith(u"npt=")) {
        v = v.sliced(4);
    }
    double scale = 1000;
    for (const auto &[suffix, factor] : {std::pair{u"ms", 1.0}, std::pair{u"min", 60000.0},
                                         std::pair{u"h", 3600000.0}, std::pair{u"s", 1000.0}}) {
        if (v.endsWith(QStringView(suffix))) {
            v.chop(QStringView(suffix).size());
            scale = factor;
            break;
        }
    }
    double seconds = 0;
    bool ok = !v.isEmpty();
    const QList<QStringView> parts = v.split(u':');
    if (parts.size() > 3 || (parts.size() > 1 && scale != 1000)) {
        return -1;
    }
    for (const QStringView part : parts) {
        const double number = part.toDouble(&ok);
        if (!ok || number < 0 || !std::isfinite(number)) {
            return -1;
        }
        seconds = seconds * 60 + number;
    }
    const double ms = seconds * scale;
    return ms < 1e15 ? qint64(std::llround(ms)) : -1;
}

} // namespace DaisyPackages

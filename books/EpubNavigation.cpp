#include "EpubNavigation.h"

#include "EpubPackage.h"
#include "HtmlEntities.h"

#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

const QString OpsNamespace = u"http://www.idpf.org/2007/ops"_s;

enum class List { None, Contents, Pages };

QByteArray labelOf(const QString &text) {
    return text.simplified().left(EpubNavigation::LongestLabel).toUtf8();
}

// What a nav element of the navigation document lists, by its epub:type.
List listOf(const QXmlStreamAttributes &attributes) {
    QStringView type = attributes.value(OpsNamespace, u"type"_s);
    if (type.isEmpty()) {
        type = attributes.value(u"epub:type"_s); // a document without the namespace
    }
    for (const QStringView word : type.split(u' ', Qt::SkipEmptyParts)) {
        if (word == u"toc") {
            return List::Contents;
        }
        if (word == u"page-list") {
            return List::Pages;
        }
    }
    return List::None;
}

class NcxReader {
public:
    NcxReader(const QByteArray &document, const QByteArray &entry)
        : m_xml(document), m_folder(EpubPaths::folderOf(entry)) {
        m_xml.setEntityResolver(&m_entities);
    }
    EpubNavigation read();

private:
    struct Pending {
        EpubNavigation::Entry entry;
        bool added = false;
    };
    void startElement();
    void endElement();
    void readLabel();
    // Adds the innermost open point once it has its label and target.
    void add();

    HtmlEntities m_entities;
    QXmlStreamReader m_xml;
    QByteArray m_folder;
    EpubNavigation m_navigation;
    List m_list = List::None;
    QList<Pending> m_open; // the navPoints (or the pageTarget) open, innermost last
};

EpubNavigation NcxReader::read() {
    while (!m_xml.atEnd()) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            startElement();
        } else if (token == QXmlStreamReader::EndElement) {
            endElement();
        }
    }
    return std::move(m_navigation);
}

void NcxReader::startElement() {
    const QStringView name = m_xml.name();
    if (name == u"navMap" || name == u"pageList") {
        m_list = name == u"navMap" ? List::Contents : List::Pages;
        m_open.clear();
    } else if (m_list == List::None) {
        return;
    } else if (name == u"navPoint" || name == u"pageTarget") {
        add(); // a parent before its children, which share its place at most
        m_open.append({{int(m_open.size()) + 1, {}, {}}, false});
    } else if (name == u"navLabel") {
        readLabel();
    } else if (name == u"content" && !m_open.isEmpty()) {
        m_open.last().entry.target =
            EpubPaths::anchorOf(m_folder, m_xml.attributes().value(u"src"_s));
    }
}

void NcxReader::endElement() {
    const QStringView name = m_xml.name();
    if ((name == u"navPoint" || name == u"pageTarget") && !m_open.isEmpty()) {
        add();
        m_open.removeLast();
    } else if (name == u"navMap" || name == u"pageList") {
        m_list = List::None;
    }
}

// The first text of a label (labels may repeat in other languages).
void NcxReader::readLabel() {
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == u"text" && !m_open.isEmpty() && m_open.last().entry.label.isEmpty()) {
            m_open.last().entry.label =
                labelOf(m_xml.readElementText(QXmlStreamReader::IncludeChildElements));
        } else {
            m_xml.skipCurrentElement();
        }
    }
}

void NcxReader::add() {
    if (m_open.isEmpty() || m_open.last().added) {
        return;
    }
    Pending &point = m_open.last();
    point.added = true;
    QList<EpubNavigation::Entry> &list =
        m_list == List::Contents ? m_navigation.contents : m_navigation.pages;
    if (!point.entry.target.isEmpty() && list.size() < EpubNavigation::MaxEntries) {
        list.append(point.entry);
    }
}

} // namespace

EpubNavigation EpubNavigation::fromNavigationDocument(const QByteArray &document,
                                                      const QByteArray &entry) {
    EpubNavigation navigation;
    const QByteArray folder = EpubPaths::folderOf(entry);
    HtmlEntities entities;
    QXmlStreamReader xml(document);
    xml.setEntityResolver(&entities);
    List list = List::None;
    int depth = 0; // of the ordered lists open in the nav
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            depth -= xml.name() == u"ol" ? 1 : 0;
            list = xml.name() == u"nav" ? List::None : list;
            continue;
        }
        if (token != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == u"nav") {
            list = listOf(xml.attributes());
            depth = 0;
        } else if (list != List::None && xml.name() == u"ol") {
            ++depth;
        } else if (list != List::None && xml.name() == u"a") {
            QList<Entry> &entries = list == List::Contents ? navigation.contents : navigation.pages;
            const QString href = xml.attributes().value(u"href"_s).toString();
            Entry made{std::max(depth, 1), {}, EpubPaths::anchorOf(folder, href)};
            made.label = labelOf(xml.readElementText(QXmlStreamReader::IncludeChildElements));
            if (!href.isEmpty() && entries.size() < MaxEntries) {
                entries.append(std::move(made));
            }
        }
    }
    return navigation;
}

EpubNavigation EpubNavigation::fromNcx(const QByteArray &document, const QByteArray &entry) {
    return NcxReader(document, entry).read();
}

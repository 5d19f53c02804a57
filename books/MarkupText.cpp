#include "MarkupText.h"

#include "TextBuilder.h"

#include <QByteArrayView>
#include <QStringDecoder>

#include <libxml/HTMLparser.h>
#include <libxml/encoding.h>
#include <libxml/parser.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

constexpr qsizetype DeclarationWindow = 4096;
constexpr qsizetype LongestNoteMarker = 8;

using namespace std::string_view_literals;

constexpr std::array SkippedElements{
    "head"sv,  "script"sv, "style"sv,  "template"sv, "noscript"sv, "nav"sv,    "svg"sv,
    "math"sv,  "rt"sv,     "rp"sv,     "object"sv,   "embed"sv,    "iframe"sv, "audio"sv,
    "video"sv, "canvas"sv, "select"sv, "textarea"sv, "button"sv,   "title"sv,
};

constexpr std::array BlockElements{
    "p"sv,        "div"sv,        "h1"sv,         "h2"sv,      "h3"sv,      "h4"sv,      "h5"sv,
    "h6"sv,       "li"sv,         "dt"sv,         "dd"sv,      "td"sv,      "th"sv,      "tr"sv,
    "caption"sv,  "blockquote"sv, "pre"sv,        "section"sv, "article"sv, "aside"sv,   "header"sv,
    "footer"sv,   "figure"sv,     "figcaption"sv, "ul"sv,      "ol"sv,      "dl"sv,      "table"sv,
    "hr"sv,       "address"sv,    "main"sv,       "center"sv,  "details"sv, "summary"sv, "legend"sv,
    "fieldset"sv, "form"sv,       "body"sv,       "html"sv,    "br"sv,
};

std::string_view nameOf(const xmlNode *node) {
    return node->name != nullptr ? std::string_view(reinterpret_cast<const char *>(node->name))
                                 : std::string_view();
}

template <std::size_t N>
bool isOneOf(std::string_view name, const std::array<std::string_view, N> &names) {
    return std::find(names.cbegin(), names.cend(), name) != names.cend();
}

// The value of the attribute `name` (as the HTML parser stored it, with any
// prefix), or an empty string.
QByteArray attribute(const xmlNode *node, const char *name) {
    for (const xmlAttr *attr = node->properties; attr != nullptr; attr = attr->next) {
        if (attr->name != nullptr &&
            qstricmp(reinterpret_cast<const char *>(attr->name), name) == 0) {
            QByteArray value;
            for (const xmlNode *part = attr->children; part != nullptr; part = part->next) {
                if (part->content != nullptr) {
                    value.append(reinterpret_cast<const char *>(part->content));
                }
            }
            return value;
        }
    }
    return QByteArray();
}

bool markedAsNoteReference(const xmlNode *node) {
    return attribute(node, "epub:type").contains("noteref") ||
           attribute(node, "role").contains("doc-noteref");
}

// A link to an anchor whose whole text is a short marker such as "1", "[12]",
// "*" or "†".
bool looksLikeNoteMarker(const xmlNode *node) {
    if (nameOf(node) != "a" || !attribute(node, "href").contains('#')) {
        return false;
    }
    xmlChar *content = xmlNodeGetContent(node);
    const QByteArray text = QByteArray(reinterpret_cast<const char *>(content)).trimmed();
    xmlFree(content);
    if (text.isEmpty() || text.size() > LongestNoteMarker) {
        return false;
    }
    const QString marker = QString::fromUtf8(text);
    return std::all_of(marker.cbegin(), marker.cend(), [](QChar c) {
        return c.isDigit() || QStringView(u"[]()*\u2020\u2021").contains(c);
    });
}

// A print page's marker (EPUB 3's pagebreak, or its ARIA role).
bool isPageMarker(const xmlNode *node) {
    return attribute(node, "epub:type").contains("pagebreak") ||
           attribute(node, "role").contains("doc-pagebreak");
}

// The marker's page label: its title, its ARIA label, else its text.
QByteArray pageLabelOf(const xmlNode *node) {
    for (const char *name : {"title", "aria-label"}) {
        const QByteArray label = attribute(node, name).trimmed();
        if (!label.isEmpty()) {
            return label;
        }
    }
    xmlChar *content = xmlNodeGetContent(node);
    const QByteArray text = QByteArray(reinterpret_cast<const char *>(content)).trimmed();
    xmlFree(content);
    return text;
}

// 1 to 6 for h1 to h6, else 0.
int headingLevelOf(std::string_view name) {
    return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6' ? name[1] - '0'
                                                                                  : 0;
}

bool isSkipped(const xmlNode *node) {
    return isOneOf(nameOf(node), SkippedElements) || markedAsNoteReference(node) ||
           looksLikeNoteMarker(node);
}

// Whether the walk goes into `node`'s children. An element's id becomes an
// anchor of `scope`, before anything else, so that a link to a page marker or a
// skipped element still finds its place.
bool enter(const xmlNode *node, TextBuilder &text, const QByteArray &scope) {
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
        if (node->content != nullptr) {
            text.addText(QByteArrayView(reinterpret_cast<const char *>(node->content)));
        }
        return false;
    }
    if (node->type != XML_ELEMENT_NODE) {
        return false;
    }
    if (const QByteArray id = attribute(node, "id"); !id.isEmpty()) {
        text.addAnchor(scope + '#' + id);
    }
    if (isPageMarker(node)) {
        text.addPage(pageLabelOf(node));
        return false;
    }
    if (isSkipped(node)) {
        return false;
    }
    if (const int level = headingLevelOf(nameOf(node)); level > 0) {
        text.beginHeading(level);
    } else if (isOneOf(nameOf(node), BlockElements)) {
        text.endBlock();
    } else if (nameOf(node) == "img" || nameOf(node) == "area") {
        text.addBlank();
        text.addText(QByteArrayView(attribute(node, "alt")));
        text.addBlank();
    }
    return true;
}

void leave(const xmlNode *node, TextBuilder &text) {
    if (node->type != XML_ELEMENT_NODE) {
        return;
    }
    if (headingLevelOf(nameOf(node)) > 0) {
        text.endHeading();
    }
    if (isOneOf(nameOf(node), BlockElements)) {
        text.endBlock();
    }
}

// Depth-first over the tree without recursion: down to the first child, else on
// to the next sibling, else back up leaving each parent.
void walk(xmlNode *first, TextBuilder &text, const QByteArray &scope) {
    xmlNode *node = first;
    while (node != nullptr && !text.overflowed()) {
        if (enter(node, text, scope) && node->children != nullptr) {
            node = node->children;
            continue;
        }
        while (node != nullptr) {
            if (node->type == XML_ELEMENT_NODE && node->children == nullptr) {
                leave(node, text); // an entered element without children
            }
            if (node->next != nullptr) {
                node = node->next;
                break;
            }
            node = node->parent;
            if (node == nullptr || node->type != XML_ELEMENT_NODE) {
                node = nullptr;
                break;
            }
            leave(node, text);
        }
    }
}

struct DocFree {
    void operator()(xmlDoc *doc) const { xmlFreeDoc(doc); }
};

QByteArray declaredValue(const QByteArray &head, const QByteArray &key) {
    const qsizetype at = head.indexOf(key);
    if (at < 0) {
        return QByteArray();
    }
    qsizetype i = at + key.size();
    while (i < head.size() && (head[i] == '"' || head[i] == '\'' || head[i] == ' ')) {
        ++i;
    }
    const qsizetype start = i;
    while (i < head.size() && (std::isalnum(static_cast<unsigned char>(head[i])) != 0 ||
                               QByteArrayView("-_.:").contains(head[i]))) {
        ++i;
    }
    return head.mid(start, i - start);
}

bool libxmlKnows(const QByteArray &encoding) {
    if (encoding.isEmpty()) {
        return false;
    }
    xmlCharEncodingHandler *handler = xmlFindCharEncodingHandler(encoding.constData());
    if (handler == nullptr) {
        return false;
    }
    xmlCharEncCloseFunc(handler);
    return true;
}

} // namespace

namespace MarkupText {

QByteArray detectEncoding(const QByteArray &document) {
    if (document.startsWith("\xEF\xBB\xBF")) {
        return "UTF-8";
    }
    if (document.startsWith("\xFF\xFE")) {
        return "UTF-16LE";
    }
    if (document.startsWith("\xFE\xFF")) {
        return "UTF-16BE";
    }
    const QByteArray head = document.left(DeclarationWindow).toLower();
    const QByteArray xmlDeclared = head.startsWith("<?xml")
                                       ? declaredValue(head.left(head.indexOf("?>")), "encoding=")
                                       : QByteArray();
    const bool validUtf8 = QByteArrayView(document).isValidUtf8();
    for (const QByteArray &declared : {xmlDeclared, declaredValue(head, "charset=")}) {
        // A page that says UTF-8 but is not is most often Windows-1252.
        const bool wrongUtf8 = (declared == "utf-8" || declared == "utf8") && !validUtf8;
        if (!declared.startsWith("utf-16") && !wrongUtf8 && libxmlKnows(declared)) {
            return declared.toUpper();
        }
    }
    return validUtf8 ? "UTF-8" : "WINDOWS-1252";
}

bool extract(const QByteArray &document, const QByteArray &encoding, TextBuilder &text,
             const QByteArray &anchorScope) {
    QByteArray bytes = document;
    QByteArray charset = encoding;
    if (encoding.startsWith("UTF-16")) {
        QStringDecoder decoder(encoding == "UTF-16BE" ? QStringConverter::Utf16BE
                                                      : QStringConverter::Utf16LE);
        bytes = QString(decoder.decode(document)).toUtf8();
        charset = "UTF-8";
    }
    if (bytes.size() > std::numeric_limits<int>::max()) {
        return false;
    }
    xmlInitParser();
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                        HTML_PARSE_NONET | HTML_PARSE_COMPACT;
    const std::unique_ptr<xmlDoc, DocFree> doc(htmlReadMemory(
        bytes.constData(), int(bytes.size()), nullptr, charset.constData(), options));
    if (doc == nullptr) {
        return false;
    }
    text.endBlock();
    text.addAnchor(anchorScope);
    walk(doc->children, text, anchorScope);
    text.endBlock();
    return true;
}

} // namespace MarkupText

#include "MarkupText.h"

#include "LibxmlDiagnostics.h"
#include "TextBuilder.h"

#include <QByteArrayView>
#include <QStringDecoder>

#include <libxml/HTMLparser.h>
#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string_view>
#include <type_traits>

namespace {

constexpr qsizetype DeclarationWindow = 4096;
constexpr qsizetype LongestNoteMarker = 8;
constexpr qsizetype GuessWindow = 1024 * 1024; // bytes uchardet is shown

using namespace std::string_view_literals;

constexpr std::array SkippedElements{
    "head"sv,   "script"sv, "style"sv,    "template"sv, "noscript"sv, "nav"sv,   "math"sv,
    "rt"sv,     "rp"sv,     "object"sv,   "embed"sv,    "iframe"sv,   "audio"sv, "video"sv,
    "canvas"sv, "select"sv, "textarea"sv, "button"sv,   "title"sv,
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

// A print page's marker: EPUB 3's pagebreak, its ARIA role, or a DAISY 2.02
// content document's page number (class page-normal, page-front or
// page-special), whose page the NCC also lists.
bool isPageMarker(const xmlNode *node) {
    if (attribute(node, "epub:type").contains("pagebreak") ||
        attribute(node, "role").contains("doc-pagebreak")) {
        return true;
    }
    const QList<QByteArray> classes = attribute(node, "class").simplified().split(' ');
    return std::any_of(classes.cbegin(), classes.cend(), [](const QByteArray &name) {
        return name == "page-normal" || name == "page-front" || name == "page-special";
    });
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

// What an SVG picture holds that is not read: its descriptions, styles and
// scripts (its title is skipped everywhere).
constexpr std::array SkippedInSvg{"desc"sv, "metadata"sv, "style"sv, "script"sv, "title"sv};

bool isSvgText(std::string_view name) {
    return name == "text" || name == "tspan" || name == "textpath";
}

// A text or tspan with a position of its own starts a new run of words; one
// without only styles some letters of the run.
bool startsRun(const xmlNode *node) {
    return nameOf(node) == "text" || !attribute(node, "x").isEmpty() ||
           !attribute(node, "y").isEmpty() || !attribute(node, "dy").isEmpty();
}

void leaveSvgElement(const xmlNode *node, TextBuilder &text, int &inText) {
    if (isSvgText(nameOf(node))) {
        --inText;
        if (startsRun(node)) {
            text.addBlank();
        }
    }
}

// The text of an inline SVG picture (a fixed-layout page drawn in SVG): the
// words of its text, tspan and textPath elements in document order, as one
// block; a picture without text adds nothing. Walked as walk() walks.
void readSvg(xmlNode *svg, TextBuilder &text) {
    text.endBlock();
    int inText = 0; // text elements around the node
    xmlNode *node = svg->children;
    while (node != nullptr && !text.overflowed()) {
        bool down = false;
        if (node->type == XML_ELEMENT_NODE && !isOneOf(nameOf(node), SkippedInSvg)) {
            if (isSvgText(nameOf(node))) {
                ++inText;
                if (startsRun(node)) {
                    text.addBlank();
                }
            }
            down = node->children != nullptr;
            if (!down) {
                leaveSvgElement(node, text, inText);
            }
        } else if ((node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) &&
                   inText > 0 && node->content != nullptr) {
            text.addText(QByteArrayView(reinterpret_cast<const char *>(node->content)));
        }
        if (down) {
            node = node->children;
            continue;
        }
        while (node != svg && node->next == nullptr) {
            node = node->parent;
            if (node != svg) {
                leaveSvgElement(node, text, inText);
            }
        }
        node = node == svg ? nullptr : node->next;
    }
    text.endBlock();
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
    // A block's id lands at the block's own start, not on the sentence before it.
    const bool block = headingLevelOf(nameOf(node)) > 0 || isOneOf(nameOf(node), BlockElements);
    if (block && !isPageMarker(node) && !isSkipped(node)) {
        text.endBlock();
    }
    const QByteArray id = attribute(node, "id");
    if (!id.isEmpty()) {
        text.addAnchor(scope + '#' + id);
    }
    if (isPageMarker(node)) {
        text.addPage(pageLabelOf(node), id.isEmpty() ? QByteArray() : scope + '#' + id);
        return false;
    }
    if (isSkipped(node)) {
        return false;
    }
    if (nameOf(node) == "svg") {
        readSvg(const_cast<xmlNode *>(node), text);
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

// Encodings of scripts other than the Latin alphabet as uchardet names them. A
// Latin-script guess is not trusted: on a short page in a Western language
// uchardet often picks a Central European code page where Windows-1252 is right.
constexpr std::array TrustedGuesses{
    "SHIFT_JIS"sv,    "EUC-JP"sv,      "GB18030"sv,      "BIG5"sv,         "EUC-TW"sv,
    "EUC-KR"sv,       "UHC"sv,         "WINDOWS-1251"sv, "KOI8-R"sv,       "KOI8-U"sv,
    "ISO-8859-5"sv,   "IBM855"sv,      "IBM866"sv,       "MAC-CYRILLIC"sv, "ISO-8859-7"sv,
    "WINDOWS-1253"sv, "ISO-8859-8"sv,  "WINDOWS-1255"sv, "ISO-8859-6"sv,   "WINDOWS-1256"sv,
    "TIS-620"sv,      "ISO-8859-11"sv,
};

// uchardet's guess for a document that is not UTF-8 and does not say what it
// is, when it is one of the trusted ones; else empty.
QByteArray guessedEncoding(const QByteArray &document) {
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(
        uchardet_new(), uchardet_delete);
    if (detector == nullptr ||
        uchardet_handle_data(detector.get(), document.constData(),
                             size_t(std::min<qsizetype>(document.size(), GuessWindow))) != 0) {
        return QByteArray();
    }
    uchardet_data_end(detector.get());
    const QByteArray guess = QByteArray(uchardet_get_charset(detector.get())).toUpper();
    return isOneOf(std::string_view(guess.constData(), size_t(guess.size())), TrustedGuesses)
               ? guess
               : QByteArray();
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
    if (validUtf8) {
        return "UTF-8";
    }
    const QByteArray guess = guessedEncoding(document);
    return libxmlKnows(guess) ? guess : "WINDOWS-1252";
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
    const LibxmlDiagnostics quiet;
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

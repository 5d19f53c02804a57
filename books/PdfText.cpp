#include "PdfText.h"

#include "PdfLayout.h"
#include "TextBuilder.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page.h>
#include <poppler/cpp/poppler-toc.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int MaxPages = 20000;
constexpr int MinRepeats = 3;
constexpr int RepeatShare = 5; // a running line is on at least one page in five
constexpr int MaxEdgeLines = 2;

bool isPageNumber(const QString &line) {
    static const QRegularExpression number(
        u"^[\\s\\-\u2013\u2014]*((?i:page|p\u00e0gina|p\u00e1gina|p\u00e1g\\.?|pag\\.?|p\\.)\\s*)?"
        u"(\\d{1,5}|[ivxlcdm]{1,7})(\\s*(/|(?i:of|de))\\s*\\d{1,5})?[\\s\\-\u2013\u2014]*$"_s);
    return number.match(line).hasMatch();
}

// A line with its numbers taken out, so that "Chapter 3 - 41" on every page
// compares equal.
QString runningKey(const QString &line) {
    static const QRegularExpression digits(u"\\d+"_s);
    return QString(line).remove(digits).simplified().toCaseFolded();
}

QList<QString> nonEmpty(const QList<QByteArray> &lines) {
    QList<QString> kept;
    for (const QByteArray &line : lines) {
        kept.append(QString::fromUtf8(line).trimmed());
    }
    return kept;
}

int firstText(const QList<QString> &lines) {
    int i = 0;
    while (i < lines.size() && lines[i].isEmpty()) {
        ++i;
    }
    return i;
}

int lastText(const QList<QString> &lines) {
    int i = int(lines.size()) - 1;
    while (i >= 0 && lines[i].isEmpty()) {
        --i;
    }
    return i;
}

// How many pages have each running key as their first or last line.
QHash<QString, int> edgeCounts(const QList<QList<QString>> &pages) {
    QHash<QString, int> counts;
    for (const QList<QString> &page : pages) {
        QSet<QString> keys;
        const int first = firstText(page);
        const int last = lastText(page);
        if (first <= last) {
            keys.insert(runningKey(page[first]));
            keys.insert(runningKey(page[last]));
        }
        for (const QString &key : keys) {
            counts[key] += key.isEmpty() ? 0 : 1;
        }
    }
    return counts;
}

void dropEdges(QList<QString> &page, const QHash<QString, int> &counts, int threshold) {
    const auto isRunning = [&](const QString &line) {
        return isPageNumber(line) || counts.value(runningKey(line)) >= threshold;
    };
    for (int n = 0; n < MaxEdgeLines; ++n) {
        const int first = firstText(page);
        if (first < page.size() && isRunning(page[first])) {
            page[first].clear();
        }
        const int last = lastText(page);
        if (last >= 0 && isRunning(page[last])) {
            page[last].clear();
        }
    }
}

bool endsSentence(const QString &paragraph) {
    static const QString marks = u".!?:;\u00bb\"\u201d)"_s;
    return !paragraph.isEmpty() && marks.contains(paragraph.back());
}

void join(QString &paragraph, const QString &line) {
    const qsizetype n = paragraph.size();
    if (n >= 2 && paragraph[n - 1] == u'-' && paragraph[n - 2].isLetter() && line[0].isLower()) {
        paragraph.chop(1);
        paragraph += line;
    } else {
        paragraph += (paragraph.isEmpty() ? QString() : u" "_s) + line;
    }
}

void flush(QString &paragraph, TextBuilder &text) {
    text.addText(QStringView(paragraph));
    text.endBlock();
    paragraph.clear();
}

void silence(const std::string &, void *) {}

// Adds the paragraph so far, all but a word hyphenated at its end, which may
// still be joined to the first word of the next page.
void addAllButHyphenated(QString &paragraph, TextBuilder &text) {
    const qsizetype n = paragraph.size();
    const bool hyphenated = n >= 2 && paragraph[n - 1] == u'-' && paragraph[n - 2].isLetter();
    const qsizetype keep = hyphenated ? paragraph.size() - paragraph.lastIndexOf(u' ') - 1 : 0;
    text.addText(QStringView(paragraph).first(paragraph.size() - keep));
    paragraph = paragraph.right(keep);
    text.addBlank(); // between the last line of a page and the first of the next
}

std::vector<PdfLayout::Word> wordsOf(const poppler::page &page) {
    std::vector<PdfLayout::Word> words;
    for (const poppler::text_box &box : page.text_list(poppler::page::text_list_include_font)) {
        const std::vector<char> utf8 = box.text().to_utf8();
        const poppler::rectf r = box.bbox();
        words.push_back({QString::fromUtf8(utf8.data(), qsizetype(utf8.size())), r.x(), r.y(),
                         r.width(), r.height(), box.rotation(),
                         box.has_font_info() ? box.get_font_size() : 0.0, box.has_space_after()});
    }
    return words;
}

// The page's label where the PDF gives labels of its own; empty when the label
// is the page's number.
QByteArray labelOf(const poppler::page &page, int index) {
    const std::vector<char> utf8 = page.label().to_utf8();
    const QByteArray label = QByteArray(utf8.data(), qsizetype(utf8.size())).trimmed();
    return label == QByteArray::number(index + 1) ? QByteArray() : label;
}

bool hasOutline(const poppler::document &document) {
    const std::unique_ptr<poppler::toc> toc(document.create_toc());
    return toc != nullptr && toc->root() != nullptr && !toc->root()->children().empty();
}

} // namespace

namespace PdfText {

Extracted textOf(const QList<QList<QByteArray>> &rawPages, const QList<QByteArray> &labels,
                 const QList<PdfOutline::Entry> &outline) {
    QList<QList<QString>> pages;
    for (const QList<QByteArray> &page : rawPages) {
        pages.append(nonEmpty(page));
    }
    const QHash<QString, int> counts = edgeCounts(pages);
    const int threshold =
        std::max<int>(MinRepeats, int((pages.size() + RepeatShare - 1) / RepeatShare));
    TextBuilder text;
    QString paragraph;
    QList<qint64> pageStarts;
    for (qsizetype p = 0; p < pages.size(); ++p) {
        QList<QString> &page = pages[p];
        dropEdges(page, counts, threshold);
        // The page starts with its first text, which may go on with a sentence
        // of the page before.
        addAllButHyphenated(paragraph, text);
        pageStarts.append(text.here());
        text.addPage(labels.value(p));
        // Blank lines at the foot of a page end nothing: the paragraph may go on.
        const int last = lastText(page);
        for (int i = 0; i <= last; ++i) {
            const QString &line = page[i];
            if (line.isEmpty()) {
                flush(paragraph, text);
            } else {
                join(paragraph, line);
            }
        }
        if (endsSentence(paragraph)) {
            flush(paragraph, text);
        }
    }
    flush(paragraph, text);
    for (const PdfOutline::Entry &entry : outline) {
        if (entry.page >= 0 && entry.page < pageStarts.size()) {
            text.addHeading(pageStarts[entry.page], entry.level, entry.title);
        }
    }
    if (text.overflowed()) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    return Extraction::finished(text);
}

QByteArray textOfPages(const QList<QList<QByteArray>> &pages) {
    return textOf(pages, {}, {}).text;
}

Extracted extract(const QString &path) {
    poppler::set_debug_error_function(silence, nullptr);
    const std::unique_ptr<poppler::document> document(
        poppler::document::load_from_file(QFile::encodeName(path).toStdString()));
    if (document == nullptr) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    if (document->is_locked()) {
        return Extracted::failed(ExtractionStatus::Protected);
    }
    const int pageCount = document->pages();
    if (pageCount <= 0 || pageCount > MaxPages) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    QList<QList<QByteArray>> pages;
    QList<QByteArray> labels;
    qint64 total = 0;
    for (int i = 0; i < pageCount && total <= TextBuilder::DefaultLimit; ++i) {
        const std::unique_ptr<poppler::page> page(document->create_page(i));
        QList<QByteArray> lines;
        if (page != nullptr) {
            lines = PdfLayout::linesOf(wordsOf(*page));
            labels.append(labelOf(*page, i));
        } else {
            labels.append(QByteArray());
        }
        for (const QByteArray &line : lines) {
            total += line.size();
        }
        pages.append(lines);
    }
    if (total > TextBuilder::DefaultLimit) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    const QList<PdfOutline::Entry> outline =
        hasOutline(*document) ? PdfOutline::entriesOf(path) : QList<PdfOutline::Entry>();
    return textOf(pages, labels, outline);
}

} // namespace PdfText

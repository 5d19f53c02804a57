#include "PdfText.h"

#include "TextBuilder.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page.h>

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

} // namespace

namespace PdfText {

QByteArray textOfPages(const QList<QList<QByteArray>> &rawPages) {
    QList<QList<QString>> pages;
    for (const QList<QByteArray> &page : rawPages) {
        pages.append(nonEmpty(page));
    }
    const QHash<QString, int> counts = edgeCounts(pages);
    const int threshold =
        std::max<int>(MinRepeats, int((pages.size() + RepeatShare - 1) / RepeatShare));
    TextBuilder text;
    QString paragraph;
    for (QList<QString> &page : pages) {
        dropEdges(page, counts, threshold);
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
    return text.overflowed() ? QByteArray() : text.take();
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
    qint64 total = 0;
    for (int i = 0; i < pageCount && total <= TextBuilder::DefaultLimit; ++i) {
        const std::unique_ptr<poppler::page> page(document->create_page(i));
        QList<QByteArray> lines;
        if (page != nullptr) {
            const std::vector<char> utf8 =
                page->text(poppler::rectf(), poppler::page::non_raw_non_physical_layout).to_utf8();
            lines = QByteArray(utf8.data(), qsizetype(utf8.size())).replace('\r', "").split('\n');
        }
        for (const QByteArray &line : lines) {
            total += line.size();
        }
        pages.append(lines);
    }
    if (total > TextBuilder::DefaultLimit) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    const QByteArray text = textOfPages(pages);
    if (text.isEmpty()) {
        return Extracted::failed(ExtractionStatus::NoText);
    }
    return {ExtractionStatus::Ok, text, {}, {}};
}

} // namespace PdfText

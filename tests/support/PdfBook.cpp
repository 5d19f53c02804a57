#include "PdfBook.h"

#include <QString>

namespace {

QByteArray pdfString(const QByteArray &utf8) {
    QByteArray escaped;
    for (const char c : QString::fromUtf8(utf8).toLatin1()) {
        if (c == '(' || c == ')' || c == '\\') {
            escaped.append('\\');
        }
        escaped.append(c);
    }
    return '(' + escaped + ')';
}

QByteArray number(double value) {
    return QByteArray::number(value, 'f', 2);
}

// Lines from the top of the page down; on a page turned a quarter, the text is
// set turned back, so that it reads upright as the page is shown.
QByteArray pageContent(const PdfBook::Page &page) {
    QByteArray content = "BT\n";
    double down = 72;
    for (const PdfBook::Line &line : page.lines) {
        down += line.size * 1.27;
        if (line.text.isEmpty()) {
            continue;
        }
        const QByteArray matrix = page.rotate == 90 ? "0 1 -1 0 " + number(down) + " 72"
                                                    : "1 0 0 1 72 " + number(792 - down);
        content += "/F1 " + QByteArray::number(line.size) + " Tf " + matrix + " Tm " +
                   pdfString(line.text) + " Tj\n";
    }
    return content + "ET\n";
}

// The outline's item objects, numbered from `first`: each entry's parent is the
// nearest entry before it one level up.
QList<QByteArray> outlineItems(const QList<PdfBook::OutlineEntry> &entries, int first,
                               int outlineObject, const QList<int> &pageObjects) {
    const int n = int(entries.size());
    QList<int> parent(n, -1);
    QList<int> previous(n, -1);
    QList<int> next(n, -1);
    QList<int> firstChild(n, -1);
    QList<int> lastChild(n, -1);
    QList<int> chain; // the open entry at each level
    for (int i = 0; i < n; ++i) {
        const int level = entries[i].level;
        chain.resize(level - 1);
        parent[i] = level > 1 ? chain[level - 2] : -1;
        const int sibling = parent[i] >= 0 ? lastChild[parent[i]] : [&] {
            int last = -1;
            for (int k = 0; k < i; ++k) {
                last = entries[k].level == 1 ? k : last;
            }
            return last;
        }();
        previous[i] = sibling;
        if (sibling >= 0) {
            next[sibling] = i;
        }
        if (parent[i] >= 0) {
            firstChild[parent[i]] = firstChild[parent[i]] < 0 ? i : firstChild[parent[i]];
            lastChild[parent[i]] = i;
        }
        chain.append(i);
    }
    const auto ref = [first](int i) { return QByteArray::number(first + i) + " 0 R"; };
    QList<QByteArray> items;
    for (int i = 0; i < n; ++i) {
        QByteArray item =
            "<< /Title " + pdfString(entries[i].title) + " /Parent " +
            (parent[i] >= 0 ? ref(parent[i]) : QByteArray::number(outlineObject) + " 0 R") +
            " /Dest [" + QByteArray::number(pageObjects[entries[i].page]) + " 0 R /Fit]";
        if (previous[i] >= 0) {
            item += " /Prev " + ref(previous[i]);
        }
        if (next[i] >= 0) {
            item += " /Next " + ref(next[i]);
        }
        if (firstChild[i] >= 0) {
            item += " /First " + ref(firstChild[i]) + " /Last " + ref(lastChild[i]) + " /Count 1";
        }
        items.append(item + " >>");
    }
    return items;
}

} // namespace

namespace PdfBook {

QByteArray make(const QList<Page> &pages, const QList<OutlineEntry> &outline) {
    // 1 catalog, 2 page tree, 3 font, 4 outline root, then each page and its
    // content, then the outline's items.
    QList<QByteArray> objects{QByteArray(), QByteArray(),
                              "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
                              "/Encoding /WinAnsiEncoding >>",
                              QByteArray()};
    QByteArray kids;
    QByteArray labels;
    QList<int> pageObjects;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const QByteArray content = pageContent(pages[i]);
        const int pageObject = int(objects.size()) + 1;
        pageObjects.append(pageObject);
        kids += QByteArray::number(pageObject) + " 0 R ";
        objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Rotate " +
                       QByteArray::number(pages[i].rotate) +
                       " /Resources << /Font << /F1 3 0 R >> >> /Contents " +
                       QByteArray::number(pageObject + 1) + " 0 R >>");
        objects.append("<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" +
                       content + "endstream");
        if (!pages[i].label.isEmpty()) {
            labels += QByteArray::number(i) + " << /P " + pdfString(pages[i].label) + " >> ";
        }
    }
    const int firstItem = int(objects.size()) + 1;
    objects.append(outlineItems(outline, firstItem, 4, pageObjects));
    objects[0] = "<< /Type /Catalog /Pages 2 0 R /Outlines 4 0 R" +
                 (labels.isEmpty() ? QByteArray() : " /PageLabels << /Nums [" + labels + "] >>") +
                 " >>";
    objects[1] =
        "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages.size()) + " >>";
    int lastTop = -1;
    for (int i = 0; i < outline.size(); ++i) {
        lastTop = outline[i].level == 1 ? i : lastTop;
    }
    objects[3] = outline.isEmpty()
                     ? QByteArray("<< /Type /Outlines /Count 0 >>")
                     : "<< /Type /Outlines /First " + QByteArray::number(firstItem) +
                           " 0 R /Last " + QByteArray::number(firstItem + lastTop) + " 0 R >>";
    return document(objects);
}

QByteArray document(const QList<QByteArray> &objects) {
    QByteArray out = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.append(out.size());
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets) {
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    }
    return out + "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
}

} // namespace PdfBook

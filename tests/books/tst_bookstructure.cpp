// The structure every format's extractor finds beside the text: headings with
// their levels, print pages with their labels and the title, each entry on a
// sentence start of the text, a page marker inside a sentence on that sentence's
// start.
#include "BookMaker.h"
#include "Extraction.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using BookMaker::Entries;

namespace {

// An entry as the reader meets it: its level (pages: 0), its text or label, and
// how the text goes on from its place.
struct Expected {
    int level = 0;
    QByteArray text;
    QByteArray at;
};
using ExpectedList = QList<Expected>;

Entries replaced(Entries entries, const QByteArray &name, const QByteArray &bytes) {
    for (auto &entry : entries) {
        if (entry.first == name) {
            entry.second = bytes;
        }
    }
    return entries;
}

QByteArray ncx(const QByteArray &navMap, const QByteArray &pageList = QByteArray()) {
    return "<?xml version=\"1.0\"?><ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" "
           "version=\"2005-1\"><docTitle><text>Llibre</text></docTitle><navMap>" +
           navMap + "</navMap>" + pageList + "</ncx>";
}

QByteArray navPoint(const QByteArray &label, const QByteArray &src, const QByteArray &inner = {}) {
    return "<navPoint><navLabel><text>" + label + "</text></navLabel><content src=\"" + src +
           "\"/>" + inner + "</navPoint>";
}

const QByteArray Epub3Nav = BookMaker::xhtml(
    "<nav epub:type=\"toc\"><ol><li><a href=\"text/c0.xhtml#u\">Capítol u</a><ol>"
    "<li><a href=\"text/c1.xhtml#s\">Secció</a></li><li><a href=\"text/c9.xhtml\">Perduda</a></li>"
    "</ol></li></ol></nav><nav epub:type=\"page-list\"><ol><li><a href=\"text/c0.xhtml#p\">ii</a>"
    "</li><li><a href=\"text/c1.xhtml\">iii</a></li></ol></nav>");

const QByteArray Dtbook =
    "<?xml version=\"1.0\"?><!DOCTYPE dtbook PUBLIC \"-//NISO//DTD dtbook 2005-3//EN\" "
    "\"http://www.daisy.org/z3986/2005/dtbook-2005-3.dtd\"><dtbook "
    "xmlns=\"http://www.daisy.org/z3986/2005/dtbook/\"><head><meta name=\"dc:Title\" "
    "content=\"Títol\"/></head><book><bodymatter><level1 id=\"l1\"><hd>Part</hd><p>Una "
    "frase<noteref idref=\"n1\">1</noteref> <pagenum id=\"p7\">7</pagenum>partida.</p><level>"
    "<level><hd id=\"h\">Fons</hd><p>Text&nbsp;final.</p></level></level></level1>"
    "</bodymatter></book></dtbook>";

const QByteArray DocxStyles =
    "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"a\"><w:name w:val=\"Normal\"/>"
    "</w:style><w:style w:type=\"paragraph\" w:styleId=\"1\"><w:name w:val=\"Заголовок 1\"/>"
    "<w:basedOn w:val=\"a\"/><w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"2\"><w:basedOn w:val=\"1\"/><w:pPr>"
    "<w:outlineLvl w:val=\"1\"/></w:pPr></w:style><w:style w:type=\"paragraph\" "
    "w:styleId=\"a7\"><w:name w:val=\"heading 3\"/><w:basedOn w:val=\"2\"/></w:style></w:styles>";

QByteArray docxParagraph(const QByteArray &style, const QByteArray &runs) {
    return "<w:p><w:pPr><w:pStyle w:val=\"" + style + "\"/></w:pPr>" + runs + "</w:p>";
}

Entries docx() {
    Entries entries = BookMaker::docxEntries(
        docxParagraph("1", "<w:r><w:t>Primer</w:t></w:r>") +
        docxParagraph("a", "<w:r><w:t xml:space=\"preserve\">Una frase </w:t>"
                           "<w:br w:type=\"page\"/><w:t>partida.</w:t></w:r>") +
        docxParagraph("a7", "<w:r><w:t>Segon</w:t></w:r>") +
        "<w:p><w:pPr><w:pageBreakBefore/></w:pPr><w:r><w:t>Nova.</w:t></w:r></w:p>");
    entries.append(QPair<QByteArray, QByteArray>("word/styles.xml", DocxStyles));
    entries.append(QPair<QByteArray, QByteArray>(
        "docProps/core.xml",
        "<cp:coreProperties xmlns:cp=\"x\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
        "<dc:title>Informe</dc:title></cp:coreProperties>"));
    return entries;
}

Entries odt() {
    Entries entries = BookMaker::odtEntries(
        "<text:h text:outline-level=\"1\">U</text:h><text:p>Una frase <text:soft-page-break/>"
        "partida.</text:p><text:h text:outline-level=\"2\">Dos</text:h>"
        "<text:p text:style-name=\"Salt\">Nova.</text:p>");
    entries.append(QPair<QByteArray, QByteArray>{
        "styles.xml", "<office:document-styles xmlns:office=\"o\" xmlns:style=\"s\" "
                      "xmlns:fo=\"f\"><style:style style:name=\"Salt\">"
                      "<style:paragraph-properties fo:break-before=\"page\"/>"
                      "</style:style></office:document-styles>"});
    entries.append(QPair<QByteArray, QByteArray>{
        "meta.xml", "<office:document-meta xmlns:office=\"o\" "
                    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><office:meta>"
                    "<dc:title>Acta</dc:title></office:meta></office:document-meta>"});
    return entries;
}

bool isSentenceStart(const QByteArray &text, qint64 offset) {
    return offset == 0 || (offset < text.size() && text[offset - 1] == '.' &&
                           QByteArrayView(" \r\n").contains(text[offset]));
}

// How the text goes on from `offset`, past the separator that starts a sentence.
QByteArray textAt(const QByteArray &text, qint64 offset) {
    qsizetype start = qsizetype(offset);
    while (start < text.size() && QByteArrayView(" \r\n").contains(text[start])) {
        ++start;
    }
    return text.mid(start, text.indexOf('.', start) + 1 - start);
}

} // namespace

Q_DECLARE_METATYPE(ExpectedList)

class TestBookStructure : public QObject {
    Q_OBJECT
private slots:
    void structureIsFound_data();
    void structureIsFound();
};

// Each row is a book made here: its file name (whose extension is its format),
// its zip entries or bytes, and what its structure holds.
void TestBookStructure::structureIsFound_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<Entries>("entries"); // empty: `bytes` is the file
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<ExpectedList>("headings");
    QTest::addColumn<ExpectedList>("pages");
    const QList<QByteArray> chapters{
        "<h1 id=\"u\">Primer</h1><p>Una frase <span epub:type=\"pagebreak\" id=\"p\" "
        "title=\"2\"/>partida.</p>",
        "<section><h2 id=\"s\">Segon</h2><p>Text.</p></section>"};
    QTest::newRow("epub 3: nav table of contents and page list, not the markers")
        << u"a.epub"_s << replaced(BookMaker::epubEntries(chapters), "OEBPS/nav.xhtml", Epub3Nav)
        << QByteArray() << QByteArray()
        << ExpectedList{{1, "Capítol u", "Primer."}, {2, "Secció", "Segon."}}
        << ExpectedList{{0, "ii", "Una frase partida."}, {0, "iii", "Segon."}};
    QTest::newRow("epub 3 without a table of contents: the headings and markers")
        << u"b.epub"_s << BookMaker::epubEntries(chapters) << QByteArray() << QByteArray()
        << ExpectedList{{1, "Primer", "Primer."}, {2, "Segon", "Segon."}}
        << ExpectedList{{0, "2", "Una frase partida."}};
    const Entries xhtml{{"c0.xhtml", BookMaker::xhtml(chapters[0])},
                        {"c1.xhtml", BookMaker::xhtml(chapters[1])}};
    QTest::newRow("epub 2: NCX navMap and pageList")
        << u"c.epub"_s
        << BookMaker::epub2Entries(xhtml, "application/xhtml+xml",
                                   ncx(navPoint("U", "c0.xhtml#u", navPoint("S", "c1.xhtml#s")),
                                       "<pageList><pageTarget><navLabel><text>II</text></navLabel>"
                                       "<content src=\"c0.xhtml#p\"/></pageTarget></pageList>"))
        << QByteArray() << QByteArray("Llibre")
        << ExpectedList{{1, "U", "Primer."}, {2, "S", "Segon."}}
        << ExpectedList{{0, "II", "Una frase partida."}};
    QTest::newRow("epub 2 of DTBook with a broken container: NCX headings, page numbers")
        << u"d.epub"_s
        << BookMaker::epub2Entries(
               {{"book.xml", Dtbook}}, "application/x-dtbook+xml",
               ncx(navPoint("Part", "book.xml#l1", navPoint("Fons", "book.xml#h"))), "content.opf")
        << QByteArray() << QByteArray("Llibre")
        << ExpectedList{{1, "Part", "Part."}, {2, "Fons", "Fons."}}
        << ExpectedList{{0, "7", "Una frase partida."}};
    QTest::newRow("docx with localized style ids and page breaks")
        << u"e.docx"_s << docx() << QByteArray() << QByteArray("Informe")
        << ExpectedList{{1, "Primer", "Primer."}, {2, "Segon", "Segon."}}
        << ExpectedList{{0, "1", "Primer."}, {0, "2", "Una frase partida."}, {0, "3", "Nova."}};
    QTest::newRow("odt outline levels, soft and style page breaks")
        << u"f.odt"_s << odt() << QByteArray() << QByteArray("Acta")
        << ExpectedList{{1, "U", "U."}, {2, "Dos", "Dos."}}
        << ExpectedList{{0, "1", "U."}, {0, "2", "Una frase partida."}, {0, "3", "Nova."}};
}

void TestBookStructure::structureIsFound() {
    QFETCH(QString, name);
    QFETCH(Entries, entries);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, title);
    QFETCH(ExpectedList, headings);
    QFETCH(ExpectedList, pages);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY(entries.isEmpty() ? BookMaker::writeFile(path, bytes)
                              : BookMaker::writeZip(path, entries));
    const Extracted book = Extraction::extractBook(path);
    QCOMPARE(int(book.status), int(ExtractionStatus::Ok));
    const BookStructure &structure = book.structure;
    QCOMPARE(structure.title, title);
    QCOMPARE(structure.headingCount(), headings.size());
    for (qsizetype i = 0; i < headings.size(); ++i) {
        const BookStructure::Heading heading = structure.heading(i);
        QVERIFY2(isSentenceStart(book.text, heading.offset), heading.text.data());
        QCOMPARE(heading.level, headings[i].level);
        QCOMPARE(heading.text.toByteArray(), headings[i].text);
        QCOMPARE(textAt(book.text, heading.offset), headings[i].at);
    }
    QCOMPARE(structure.pageCount(), pages.size());
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const qint64 offset = structure.page(i).offset;
        QVERIFY(isSentenceStart(book.text, offset));
        QCOMPARE(structure.pageLabel(i), pages[i].text);
        QCOMPARE(textAt(book.text, offset), pages[i].at);
    }
}

QTEST_GUILESS_MAIN(TestBookStructure)
#include "tst_bookstructure.moc"

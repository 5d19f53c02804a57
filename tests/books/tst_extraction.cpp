// Books of every format, made here, turned into text; and hostile books refused
// with their reason, in bounded time and memory.
#include "BookMaker.h"
#include "Extraction.h"
#include "PdfBook.h"
#include "PdfText.h"

#include <algorithm>

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

using namespace Qt::StringLiterals;
using BookMaker::blocks;
using BookMaker::Entries;
using Pages = QList<QList<QByteArray>>;

namespace {

Entries withEntry(Entries entries, const QByteArray &name, const QByteArray &bytes) {
    entries.append({name, bytes});
    return entries;
}

const QByteArray FontObfuscated =
    "<encryption xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\" "
    "xmlns:enc=\"http://www.w3.org/2001/04/xmlenc#\"><enc:EncryptedData>"
    "<enc:EncryptionMethod Algorithm=\"http://www.idpf.org/2008/embedding\"/>"
    "<enc:CipherData><enc:CipherReference URI=\"OEBPS/font.otf\"/></enc:CipherData>"
    "</enc:EncryptedData></encryption>";

const QByteArray DrmEncrypted =
    "<encryption xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\" "
    "xmlns:enc=\"http://www.w3.org/2001/04/xmlenc#\"><enc:EncryptedData>"
    "<enc:EncryptionMethod Algorithm=\"http://www.w3.org/2001/04/xmlenc#aes128-cbc\"/>"
    "<enc:CipherData><enc:CipherReference URI=\"OEBPS/text/c0.xhtml\"/></enc:CipherData>"
    "</enc:EncryptedData></encryption>";

const QByteArray BillionLaughs =
    "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaaaaaaaaaa\">"
    "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
    "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
    "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
    "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">]>"
    "<w:document xmlns:w=\"x\"><w:body><w:p><w:r><w:t>&e;&e;&e;&e;</w:t></w:r></w:p>"
    "</w:body></w:document>";

} // namespace

class TestExtraction : public QObject {
    Q_OBJECT
private slots:
    void init();
    void booksBecomeSentences_data();
    void booksBecomeSentences();
    void hostileBooksAreRefused_data();
    void hostileBooksAreRefused();
    void pdfPagesBecomeParagraphs_data();
    void pdfPagesBecomeParagraphs();
    void structureOfEachFormat_data();
    void structureOfEachFormat();
    void utf16TextBecomesUtf8_data();
    void utf16TextBecomesUtf8();

private:
    QString write(const QString &name, const QByteArray &bytes);
    QString zip(const QString &name, const Entries &entries);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestExtraction::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestExtraction::write(const QString &name, const QByteArray &bytes) {
    const QString path = m_dir->filePath(name);
    return BookMaker::writeFile(path, bytes) ? path : QString();
}

QString TestExtraction::zip(const QString &name, const Entries &entries) {
    const QString path = m_dir->filePath(name);
    return BookMaker::writeZip(path, entries) ? path : QString();
}

// Each row is a book file: its name and bytes (zips are made from their entries).
void TestExtraction::booksBecomeSentences_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<Entries>("entries"); // empty: `bytes` is the file
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("epub spine order, navigation left out")
        << u"a.epub"_s
        << BookMaker::epubEntries({"<h1>U</h1><p>Primer.</p>", "<h2>Dos</h2><ol><li>Pa</li></ol>"})
        << QByteArray() << blocks({"U.", "Primer.", "Dos.", "Pa."});
    QTest::newRow("epub non-linear items after the linear ones")
        << u"b.epub"_s
        << BookMaker::epubEntries({"<p>Notes del llibre.</p>", "<p>Cos.</p>", "<p>Fi.</p>"}, {0})
        << QByteArray() << blocks({"Cos.", "Fi.", "Notes del llibre."});
    QTest::newRow("epub with obfuscated fonts only")
        << u"c.epub"_s
        << withEntry(BookMaker::epubEntries({"<p>Llegible.</p>"}), "META-INF/encryption.xml",
                     FontObfuscated)
        << QByteArray() << blocks({"Llegible."});
    QTest::newRow("epub 2 of DTBook, package found though the container is wrong")
        << u"c2.epub"_s
        << BookMaker::epub2Entries(
               {{"b.xml", "<dtbook><head><meta name=\"dc:Title\" content=\"T\"/></head><book>"
                          "<level1><h1>Cap</h1><p>Un<noteref>1</noteref> text <pagenum>3</pagenum>"
                          "seguit.</p><sidebar><p>Al marge</p></sidebar><list><li>Pa</li></list>"
                          "<note><p>Nota.</p></note><prodnote>Foto</prodnote></level1></book>"
                          "</dtbook>"}},
               "application/x-dtbook+xml", "<ncx/>", "missing.opf")
        << QByteArray()
        << blocks({"Cap.", "Un text seguit.", "Al marge.", "Pa.", "Nota.", "Foto."});
    QTest::newRow("web page in windows-1252")
        << u"d.html"_s << Entries() << QByteArray("<title>T</title><h1>Bon dia</h1><p>S\xED.</p>")
        << blocks({"Bon dia.", "Sí."});
    QTest::newRow("docx paragraphs, tabs, breaks")
        << u"e.docx"_s
        << BookMaker::docxEntries(
               "<w:p><w:r><w:t>Títol</w:t></w:r></w:p>"
               "<w:p><w:r><w:t xml:space=\"preserve\">Un </w:t></w:r><w:r><w:t>text</w:t>"
               "<w:tab/><w:t>tabulat.</w:t><w:br/><w:t>Nova línia</w:t></w:r></w:p>"
               "<w:p><w:del><w:r><w:delText>esborrat</w:delText></w:r></w:del>"
               "<w:r><w:instrText>PAGE</w:instrText><w:t>Camp</w:t></w:r></w:p>"
               "<w:p><mc:AlternateContent><mc:Choice><w:t>Quadre</w:t></mc:Choice>"
               "<mc:Fallback><w:t>Quadre</w:t></mc:Fallback></mc:AlternateContent></w:p>")
        << QByteArray()
        << blocks({"Títol.", "Un text tabulat.", "Nova línia.", "Camp.", "Quadre."});
    QTest::newRow("odt headings, spaces, notes left out")
        << u"f.odt"_s
        << BookMaker::odtEntries(
               "<text:h>Capítol</text:h><text:p>Una<text:s text:c=\"3\"/>frase"
               "<text:note><text:note-citation>1</text:note-citation><text:note-body>"
               "<text:p>nota</text:p></text:note-body></text:note>.</text:p>"
               "<text:list><text:list-item><text:p>Punt</text:p></text:list-item></text:list>"
               "<text:p>Línia<text:line-break/>partida</text:p>")
        << QByteArray() << blocks({"Capítol.", "Una frase.", "Punt.", "Línia.", "partida."});
    QTest::newRow("pdf with a text layer")
        << u"g.pdf"_s << Entries()
        << BookMaker::pdf({{"Primera frase d'un docu-", "ment en PDF.", "", "Segon paragraf"},
                           {"que continua.", "", "3"}})
        << blocks({"Primera frase d'un document en PDF.", "Segon paragraf que continua."});
    QTest::newRow("pdf page stored rotated")
        << u"h.pdf"_s << Entries()
        << PdfBook::make({{{{"Una taula apaisada"}, {"en una pàgina girada."}}, 90, {}}})
        << blocks({"Una taula apaisada en una pàgina girada."});
    QTest::newRow("pdf title apart from its first paragraph")
        << u"i.pdf"_s << Entries()
        << PdfBook::make({{{{"The Crazy Ones", 18},
                            {"October 14, 1998"},
                            {""},
                            {"Heres to the"},
                            {"crazy ones."},
                            {"The misfits."},
                            {"", 9},
                            {"A note.", 9}},
                           0,
                           {}}})
        << blocks({"The Crazy Ones.", "October 14, 1998.", "Heres to the crazy ones. The misfits.",
                   "A note."});
    QTest::newRow("inline svg page read in document order")
        << u"j.epub"_s
        << BookMaker::epubEntries(
               {"<svg xmlns=\"http://www.w3.org/2000/svg\"><title>Coberta</title><desc>d</desc>"
                "<g><text x=\"1\">Primera</text><text x=\"1\" y=\"9\">l<tspan>í</tspan>nia"
                "<tspan x=\"1\" dy=\"9\">i segona.</tspan></text></g></svg><p>Fi.</p>",
                "<svg xmlns=\"http://www.w3.org/2000/svg\"><rect width=\"9\"/></svg>"})
        << QByteArray() << blocks({"Primera línia i segona.", "Fi."});
    const QString japanese =
        u"本を読むためのプログラムは、文を一つずつ読み上げます。東京は日本の首都です。"_s;
    const QString russian =
        u"Программа читает книги по одному предложению. Москва столица России."_s;
    const QString korean = u"프로그램은 책을 한 문장씩 읽습니다. 서울은 한국의 수도입니다."_s;
    const QString chinese = u"程序一句一句地朗读书籍。北京是中国的首都。这是一个中文文本。"_s;
    for (const auto &[name, encoding, words] :
         {std::tuple{"k.html", "Shift_JIS", japanese},
          std::tuple{"l.html", "windows-1251", russian}, std::tuple{"m.html", "EUC-KR", korean},
          std::tuple{"n.html", "GB18030", chinese}}) {
        QStringEncoder encoder(encoding);
        const QByteArray page =
            "<html><body><p>" + QByteArray(encoder.encode(words)) + "</p></body></html>";
        // A block that does not end with a full stop gets one.
        const QByteArray text = words.toUtf8() + (words.endsWith(u'.') ? "" : ".");
        QTest::addRow("undeclared %s page", encoding)
            << QString::fromLatin1(name) << Entries() << page << text;
    }
}

void TestExtraction::booksBecomeSentences() {
    QFETCH(QString, name);
    QFETCH(Entries, entries);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, text);
    const QString path = entries.isEmpty() ? write(name, bytes) : zip(name, entries);
    QVERIFY(!path.isEmpty());
    const Extracted first = Extraction::extractBook(path);
    QCOMPARE(int(first.status), int(ExtractionStatus::Ok));
    QCOMPARE(first.text, text);
    // Deterministic: the same book gives the same bytes again.
    QCOMPARE(Extraction::extractBook(path).text, first.text);
}

void TestExtraction::hostileBooksAreRefused_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("truncateTo"); // -1: as written
    QTest::addColumn<int>("status");
    const Entries book = BookMaker::epubEntries({"<p>Una frase.</p>"});
    const int cannotOpen = int(ExtractionStatus::CannotOpen);
    QTest::newRow("encrypted epub")
        << u"a.epub"_s << withEntry(book, "META-INF/encryption.xml", DrmEncrypted) << QByteArray()
        << qint64(-1) << int(ExtractionStatus::Protected);
    QTest::newRow("epub with a rights file")
        << u"b.epub"_s << withEntry(book, "META-INF/rights.xml", "<rights/>") << QByteArray()
        << qint64(-1) << int(ExtractionStatus::Protected);
    QTest::newRow("truncated epub")
        << u"c.epub"_s << book << QByteArray() << qint64(300) << cannotOpen;
    QTest::newRow("zip bomb") << u"d.epub"_s
                              << BookMaker::epubEntries(
                                     {"<p>" + QByteArray(70 * 1024 * 1024, 'a') + "</p>"})
                              << QByteArray() << qint64(-1) << cannotOpen;
    QTest::newRow("not a zip") << u"e.epub"_s << Entries() << QByteArray("PK\x03\x04garbage")
                               << qint64(-1) << cannotOpen;
    QTest::newRow("epub without package document")
        << u"f.epub"_s << Entries{{"mimetype", "application/epub+zip"}} << QByteArray()
        << qint64(-1) << cannotOpen;
    QTest::newRow("epub whose container names a missing package, with two others")
        << u"f2.epub"_s
        << withEntry(BookMaker::epub2Entries({{"c.xhtml", BookMaker::xhtml("<p>Text.</p>")}},
                                             "application/xhtml+xml", "<ncx/>", "no.opf"),
                     "OEBPS/other.opf", "<package/>")
        << QByteArray() << qint64(-1) << cannotOpen;
    QTest::newRow("epub of binary garbage chapters")
        << u"g.epub"_s << BookMaker::epubEntries({QByteArray(4096, '\0')}) << QByteArray()
        << qint64(-1) << int(ExtractionStatus::NoText);
    QTest::newRow("docx entity expansion")
        << u"h.docx"_s << Entries{{"word/document.xml", BillionLaughs}} << QByteArray()
        << qint64(-1) << cannotOpen;
    QTest::newRow("docx without body")
        << u"i.docx"_s << Entries{{"x", "y"}} << QByteArray() << qint64(-1) << cannotOpen;
    QTest::newRow("odt with a password")
        << u"j.odt"_s
        << withEntry(BookMaker::odtEntries("<text:p>x</text:p>"), "META-INF/manifest.xml",
                     "<manifest:encryption-data/>")
        << QByteArray() << qint64(-1) << int(ExtractionStatus::Protected);
    QTest::newRow("pdf without text") << u"k.pdf"_s << Entries() << BookMaker::pdf({{}, {}})
                                      << qint64(-1) << int(ExtractionStatus::NoText);
    QTest::newRow("truncated pdf")
        << u"l.pdf"_s << Entries() << BookMaker::pdf({{"Text."}}) << qint64(40) << cannotOpen;
    QTest::newRow("html of nothing") << u"m.html"_s << Entries() << QByteArray("<script>x</script>")
                                     << qint64(-1) << int(ExtractionStatus::NoText);
    QTest::newRow("missing book") << u"n.epub"_s << Entries() << QByteArray() << qint64(-2)
                                  << cannotOpen;
}

void TestExtraction::hostileBooksAreRefused() {
    QFETCH(QString, name);
    QFETCH(Entries, entries);
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, truncateTo);
    QFETCH(int, status);
    QString path = entries.isEmpty() ? write(name, bytes) : zip(name, entries);
    QVERIFY(!path.isEmpty());
    if (truncateTo >= 0) {
        QVERIFY(QFile::resize(path, truncateTo));
    } else if (truncateTo == -2) {
        QVERIFY(QFile::remove(path));
    }
    const Extracted result = Extraction::extractBook(path);
    QCOMPARE(int(result.status), status);
    QVERIFY(result.text.isEmpty());
}

void TestExtraction::pdfPagesBecomeParagraphs_data() {
    QTest::addColumn<Pages>("pages");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("hyphen rejoined before a lower-case letter")
        << Pages{{"una pa-", "raula partida.", "", "Nord-", "Amèrica."}}
        << blocks({"una paraula partida.", "Nord- Amèrica."});
    QTest::newRow("page numbers left out")
        << Pages{{"- 1 -", "Text."}, {"Més text.", "Page 2 of 2"}}
        << blocks({"Text.", "Més text."});
    QTest::newRow("running header on every page left out")
        << Pages{{"Història de Catalunya 1", "U.", "", "Un."},
                 {"Història de Catalunya 2", "Dos."},
                 {"Història de Catalunya 3", "Tres."}}
        << blocks({"U.", "Un.", "Dos.", "Tres."});
    QTest::newRow("a line on two pages only is kept")
        << Pages{{"Capítol", "Text."}, {"Capítol", "Més."}}
        << blocks({"Capítol Text.", "Capítol Més."});
    QTest::newRow("paragraph goes on over the page")
        << Pages{{"Una frase que", "continua"}, {"a la pàgina següent."}}
        << blocks({"Una frase que continua a la pàgina següent."});
    QTest::newRow("pages without text") << Pages{{}, {"", "  "}} << QByteArray();
}

void TestExtraction::pdfPagesBecomeParagraphs() {
    QFETCH(Pages, pages);
    QFETCH(QByteArray, text);
    QCOMPARE(PdfText::textOfPages(pages), text);
}

// Each row is a book with headings of two levels and pages, one of whose
// markers stands inside a sentence. Each entry is "level text" (a heading) or
// "p label" (a page), then " @ " and the first words of the sentence it lands on.
void TestExtraction::structureOfEachFormat_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<Entries>("entries"); // empty: `bytes` is the file
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QByteArray>>("structure");
    QTest::newRow("html")
        << u"a.html"_s << Entries()
        << QByteArray("<h1>U</h1><p>Primer. Abans <span role=\"doc-pagebreak\" aria-label=\"7\">"
                      "</span>despr\xE9s.</p><h2>Dos</h2><p>Fi.</p>")
        << QList<QByteArray>{"1 U @ U", "p 7 @ Abans després", "2 Dos @ Dos"};
    QTest::newRow("html of a DAISY 2.02 book: its page numbers are pages, not text")
        << u"content.html"_s << Entries()
        << QByteArray("<h1>U</h1><span class=\"page-front\" id=\"f\"><a href=\"a.smil#f\">iv"
                      "</a></span><p>Primer. Abans <span class=\"x page-normal\">17</span>"
                      "despr\xE9s.</p><h2>Dos</h2><span "
                      "class=\"page-special\">A-1</span><p>Fi.</p><p>Res.</p>")
        << QList<QByteArray>{"1 U @ U", "p iv @ Primer", "p 17 @ Abans després", "2 Dos @ Dos",
                             "p A-1 @ Fi"};
    QTest::newRow("pdf")
        << u"b.pdf"_s << Entries()
        << PdfBook::make({{{{"Cap\xC3\xADtol u", 18}, {"Primera frase. Una frase que"}}, 0, "i"},
                          {{{"continua."}}, 0, "ii"},
                          {{{"Secci\xC3\xB3", 14}, {"Fi."}}, 0, "1"}},
                         {{"Capítol u", 0, 1}, {"Secció", 2, 2}})
        << QList<QByteArray>{"1 Capítol u @ Capítol u", "p i @ Capítol u",
                             "p ii @ Una frase que continua", "2 Secció @ Secció", "p 1 @ Secció"};
}

void TestExtraction::structureOfEachFormat() {
    QFETCH(QString, name);
    QFETCH(Entries, entries);
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QByteArray>, structure);
    const QString path = entries.isEmpty() ? write(name, bytes) : zip(name, entries);
    const Extracted book = Extraction::extractBook(path);
    QCOMPARE(int(book.status), int(ExtractionStatus::Ok));
    const auto sentenceAt = [&book](qint64 offset) {
        const QByteArray rest = book.text.mid(offset).trimmed();
        const qsizetype blank = rest.indexOf(". ");
        const qsizetype line = rest.indexOf(".\r\n");
        return rest.left(blank >= 0 && (line < 0 || blank < line) ? blank : line);
    };
    QList<std::pair<qint64, QByteArray>> found;
    for (qsizetype i = 0; i < book.structure.headingCount(); ++i) {
        const BookStructure::Heading h = book.structure.heading(i);
        found.append({h.offset, QByteArray::number(h.level) + ' ' + h.text.toByteArray()});
    }
    for (qsizetype i = 0; i < book.structure.pageCount(); ++i) {
        found.append({book.structure.page(i).offset, "p " + book.structure.pageLabel(i)});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QList<QByteArray> seen;
    for (const auto &[offset, entry] : found) {
        // Every entry lies on a sentence start: the text's start, or the blank or
        // line end after a full stop.
        QVERIFY(offset == 0 || (book.text[offset - 1] == '.' && offset < book.text.size()));
        seen.append(entry + " @ " + sentenceAt(offset));
    }
    QCOMPARE(seen, structure);
}

void TestExtraction::utf16TextBecomesUtf8_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("little-endian") << QByteArray("\xFF\xFE"
                                                 "A\0."
                                                 "\0\r\0\n\0\xE0\0",
                                                 12)
                                   << QByteArray("A.\r\n\xC3\xA0");
    QTest::newRow("big-endian") << QByteArray("\xFE\xFF\0S\0\xED", 6) << QByteArray("S\xC3\xAD");
    QTest::newRow("mark only") << QByteArray("\xFF\xFE") << QByteArray();
}

void TestExtraction::utf16TextBecomesUtf8() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, text);
    QVERIFY(Extraction::isUtf16Text(bytes));
    const Extracted result = Extraction::extractBook(write(u"u.txt"_s, bytes));
    QCOMPARE(int(result.status), int(ExtractionStatus::Ok));
    QCOMPARE(result.text, text);
}

QTEST_GUILESS_MAIN(TestExtraction)
#include "tst_extraction.moc"

// Web pages and EPUB content documents to text, the text builder's block endings,
// and the names and titles of the formats.
#include "BookFormat.h"
#include "BookMaker.h"
#include "MarkupText.h"
#include "TextBuilder.h"

#include <QTest>

using namespace Qt::StringLiterals;
using BookMaker::blocks;

class TestMarkupText : public QObject {
    Q_OBJECT
private slots:
    void htmlBecomesSentences_data();
    void htmlBecomesSentences();
    void encodingIsDetected_data();
    void encodingIsDetected();
    void deepNestingIsBounded_data();
    void deepNestingIsBounded();
    void textIsBounded();
    void formatsAndTitles_data();
    void formatsAndTitles();
};

void TestMarkupText::htmlBecomesSentences_data() {
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("heading without a full stop ends its sentence")
        << QByteArray("<h1>Capítol primer</h1><p>Era fosc. Plovia.</p>")
        << blocks({"Capítol primer.", "Era fosc. Plovia."});
    QTest::newRow("list items and question marks")
        << QByteArray("<ul><li>Pa</li><li>Vi?</li></ul>") << blocks({"Pa.", "Vi?."});
    QTest::newRow("table cells") << QByteArray("<table><tr><td>A</td><td>B.</td></tr></table>")
                                 << blocks({"A.", "B."});
    QTest::newRow("line breaks in a poem")
        << QByteArray("<p>Vers u<br/>vers dos</p>") << blocks({"Vers u.", "vers dos."});
    QTest::newRow("white space collapses")
        << QByteArray("<p>  Una\n\t  frase&nbsp;&nbsp;llarga  </p>")
        << blocks({"Una frase llarga."});
    QTest::newRow("inline elements keep words whole")
        << QByteArray("<p>Pa<em>ra</em>ula i <b>una</b> altra.</p>")
        << blocks({"Paraula i una altra."});
    QTest::newRow("scripts, styles, head and navigation left out")
        << QByteArray(
               "<html><head><title>T</title><style>p{}</style></head><body>"
               "<script>var a = 1;</script><nav><p>Índex</p></nav><p>Text.</p></body></html>")
        << blocks({"Text."});
    QTest::newRow("image alt text read, image left out")
        << QByteArray("<p>Mireu<img src=\"a.png\" alt=\"un gat\"/>ara.</p>")
        << blocks({"Mireu un gat ara."});
    QTest::newRow("note reference marked as such")
        << QByteArray("<p>Text<a epub:type=\"noteref\" href=\"#n1\">1</a> segueix.</p>")
        << blocks({"Text segueix."});
    QTest::newRow("note reference as a bracketed link")
        << QByteArray("<p>Text<sup><a href=\"notes.xhtml#n2\">[2]</a></sup> segueix.</p>")
        << blocks({"Text segueix."});
    QTest::newRow("a link with words is read")
        << QByteArray("<p>Vegeu <a href=\"#c2\">el capítol 2</a>.</p>")
        << blocks({"Vegeu el capítol 2."});
    QTest::newRow("the note itself is a block of its own")
        << QByteArray("<p>Text.</p><aside epub:type=\"footnote\" id=\"n1\"><p>Una nota</p></aside>")
        << blocks({"Text.", "Una nota."});
    QTest::newRow("bytes that are not UTF-8 dropped")
        << QByteArray("<p>Bon\x94 dia</p>") << blocks({"Bon dia."});
    QTest::newRow("control bytes and soft hyphens dropped")
        << QByteArray("<p>Ca\xC2\xADsa\x01 gran</p>") << blocks({"Casa gran."});
    QTest::newRow("unclosed tags recovered")
        << QByteArray("<p>Primer<p>Segon<div>Tercer") << blocks({"Primer.", "Segon.", "Tercer."});
    QTest::newRow("nothing to read")
        << QByteArray("<html><body><img src=\"a.png\"/></body></html>") << QByteArray();
}

void TestMarkupText::htmlBecomesSentences() {
    QFETCH(QByteArray, html);
    QFETCH(QByteArray, text);
    TextBuilder builder;
    QVERIFY(MarkupText::extract(html, "UTF-8", builder));
    QCOMPARE(builder.take(), text);
}

void TestMarkupText::encodingIsDetected_data() {
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<QByteArray>("text");
    const QByteArray utf16le =
        QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char *>(u"<p>Això</p>"), 22);
    QTest::newRow("meta charset windows-1252")
        << QByteArray("<meta charset=\"windows-1252\"><p>Caf\xE9</p>") << QByteArray("WINDOWS-1252")
        << blocks({"Café."});
    QTest::newRow("http-equiv latin-1")
        << QByteArray("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">"
                      "<p>\xC0 punt</p>")
        << QByteArray("ISO-8859-1") << blocks({"À punt."});
    QTest::newRow("xml declaration")
        << QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?><p>Sí</p>") << QByteArray("UTF-8")
        << blocks({"Sí."});
    QTest::newRow("undeclared UTF-8")
        << QByteArray("<p>Què</p>") << QByteArray("UTF-8") << blocks({"Què."});
    QTest::newRow("undeclared, not UTF-8")
        << QByteArray("<p>Qu\xE8</p>") << QByteArray("WINDOWS-1252") << blocks({"Què."});
    QTest::newRow("UTF-16 with its mark") << utf16le << QByteArray("UTF-16LE") << blocks({"Això."});
    QTest::newRow("declared UTF-8 that is not")
        << QByteArray("<meta charset=\"utf-8\"><p>Fr\xE8re</p>") << QByteArray("WINDOWS-1252")
        << blocks({"Frère."});
    QTest::newRow("unknown charset falls back") << QByteArray("<meta charset=\"klingon\"><p>Bé</p>")
                                                << QByteArray("UTF-8") << blocks({"Bé."});
}

void TestMarkupText::encodingIsDetected() {
    QFETCH(QByteArray, html);
    QFETCH(QByteArray, encoding);
    QFETCH(QByteArray, text);
    QCOMPARE(MarkupText::detectEncoding(html), encoding);
    TextBuilder builder;
    QVERIFY(MarkupText::extract(html, encoding, builder));
    QCOMPARE(builder.take(), text);
}

void TestMarkupText::deepNestingIsBounded_data() {
    QTest::addColumn<int>("depth");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("as deep as real books go") << 200 << blocks({"Fons."});
    // libxml2 stops at its depth limit; nothing is read and nothing overflows.
    QTest::newRow("hostile depth") << 200000 << QByteArray();
}

void TestMarkupText::deepNestingIsBounded() {
    QFETCH(int, depth);
    QFETCH(QByteArray, text);
    const QByteArray html =
        QByteArray("<div>").repeated(depth) + "Fons" + QByteArray("</div>").repeated(depth);
    TextBuilder builder;
    MarkupText::extract(html, "UTF-8", builder);
    QCOMPARE(builder.take(), text);
}

void TestMarkupText::textIsBounded() {
    TextBuilder builder(64);
    const QByteArray html = QByteArray("<p>Una frase prou llarga.</p>").repeated(100);
    QVERIFY(MarkupText::extract(html, "UTF-8", builder));
    QVERIFY(builder.overflowed());
    QVERIFY(builder.take().size() <= 64);
}

void TestMarkupText::formatsAndTitles_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("title");
    QTest::newRow("txt") << u"/a/Bosc.txt"_s << int(BookFormat::PlainText) << u"Bosc"_s;
    QTest::newRow("upper-case EPUB") << u"/a/Mar.EPUB"_s << int(BookFormat::Epub) << u"Mar"_s;
    QTest::newRow("htm") << u"/a/web.Htm"_s << int(BookFormat::Html) << u"web"_s;
    QTest::newRow("xhtml") << u"/a/c.xhtml"_s << int(BookFormat::Html) << u"c"_s;
    QTest::newRow("docx with dots") << u"/a/v1.2.docx"_s << int(BookFormat::Docx) << u"v1.2"_s;
    QTest::newRow("odt") << u"/a/Acta.odt"_s << int(BookFormat::Odt) << u"Acta"_s;
    QTest::newRow("pdf") << u"/a/Informe anual.pdf"_s << int(BookFormat::Pdf) << u"Informe anual"_s;
    QTest::newRow("long title") << u"/a/Una novel·la amb un títol molt llarg.epub"_s
                                << int(BookFormat::Epub)
                                << u"Una novel·la amb un títol molt llarg"_s;
    QTest::newRow("no book extension") << u"/a/abcdef"_s << int(BookFormat::Unknown) << u"ab"_s;
    QTest::newRow("just the extension") << u"/a/.epub"_s << int(BookFormat::Epub) << QString();
}

void TestMarkupText::formatsAndTitles() {
    QFETCH(QString, path);
    QFETCH(int, format);
    QFETCH(QString, title);
    QCOMPARE(int(BookFormats::formatOf(path)), format);
    QCOMPARE(BookFormats::titleOf(path), title);
    QCOMPARE(BookFormats::chooserMask(), u"*.txt;*.epub;*.html;*.htm;*.xhtml;*.docx;*.odt;*.pdf"_s);
}

QTEST_GUILESS_MAIN(TestMarkupText)
#include "tst_markuptext.moc"

// The structure a scan of a plain text's lines finds: its chapter headings and
// its pages at form feeds, each at the sentence start at or before its line.
#include "LineStructure.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestLineStructure : public QObject {
    Q_OBJECT
private slots:
    void scan_data();
    void scan();
};

namespace {

// "H7:2:CHAPTER I;P0" for a heading at 7 of level 2 and a page at 0.
QByteArray summary(const BookStructure &structure) {
    QByteArrayList entries;
    for (qsizetype i = 0; i < structure.headingCount(); ++i) {
        const BookStructure::Heading h = structure.heading(i);
        entries << "H" + QByteArray::number(h.offset) + ':' + QByteArray::number(h.level) + ':' +
                       h.text.toByteArray();
    }
    for (qsizetype i = 0; i < structure.pageCount(); ++i) {
        entries << "P" + QByteArray::number(structure.page(i).offset);
    }
    return entries.join(';');
}

} // namespace

void TestLineStructure::scan_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("chapter after a blank line")
        << QByteArray("Inici.\n\nCHAPTER I\n\nText.") << QByteArray("H7:2:CHAPTER I");
    QTest::newRow("chapter at the start")
        << QByteArray("CHAPTER 1\nText.") << QByteArray("H0:2:CHAPTER 1");
    QTest::newRow("part and chapter in one sentence")
        << QByteArray("PART II\n\nCap\xC3\xADtol 3. El viatge\n\nText.")
        << QByteArray("H0:1:PART II;H0:2:Cap\xC3\xADtol 3. El viatge");
    QTest::newRow("Spanish chapter, CRLF lines")
        << QByteArray("Fin.\r\n\r\nCAP\xC3\x8DTULO XII\r\n\r\nTexto.")
        << QByteArray("H5:2:CAP\xC3\x8DTULO XII");
    QTest::newRow("a Roman numeral alone")
        << QByteArray("Inici.\n\nXIV.\n\nText.") << QByteArray("H7:2:XIV.");
    QTest::newRow("LLIBRE and LIBRO") << QByteArray("A.\n\nLLIBRE 2\n\nB.\n\nLibro 3\n")
                                      << QByteArray("H3:1:LLIBRE 2;H17:1:Libro 3");
    QTest::newRow("not after a blank line")
        << QByteArray("Inici.\nCHAPTER I\nText.") << QByteArray();
    QTest::newRow("a word, no number")
        << QByteArray("Inici.\n\nChapter one was long.\n") << QByteArray();
    QTest::newRow("lower case") << QByteArray("Inici.\n\nchapter 1\n") << QByteArray();
    QTest::newRow("more words after the number")
        << QByteArray("Inici.\n\nPART 3 of the deal\n") << QByteArray();
    QTest::newRow("a keyword glued to a word")
        << QByteArray("Inici.\n\nPARTIDA 1\n") << QByteArray();
    QTest::newRow("a line too long")
        << QByteArray("Inici.\n\nCHAPTER 1. " + QByteArray(80, 'x') + "\n") << QByteArray();
    QTest::newRow("not a Roman numeral")
        << QByteArray("Inici.\n\nXIVA\n\nMIX IV\n") << QByteArray();
    QTest::newRow("form feeds") << QByteArray("One.\n\fTwo.\n\fThree.") << QByteArray("P0;P5;P11");
    QTest::newRow("a form feed at the very end") << QByteArray("One.\n\f") << QByteArray("P0");
    QTest::newRow("no line end at all") << QByteArray("CHAPTER 9") << QByteArray("H0:2:CHAPTER 9");
}

void TestLineStructure::scan() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"book.txt"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();

    const std::optional<BookStructure> found = LineStructure::scan(path);
    QVERIFY(found.has_value());
    QCOMPARE(summary(*found), expected);
}

QTEST_GUILESS_MAIN(TestLineStructure)
#include "tst_linestructure.moc"

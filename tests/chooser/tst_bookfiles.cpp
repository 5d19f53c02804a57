// The chooser's file list of books: every book extension in any letter case,
// sorted together, and nothing else; a DAISY book once, by its title.
#include "BookFormat.h"
#include "BookMaker.h"
#include "DaisyMaker.h"
#include "FileListBox.h"
#include "FixedVolumes.h"
#include "FolderScan.h"
#include "PathRules.h"
#include "UnitFitxerGrafic.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(DaisyMaker::Format)

class TestBookFiles : public QObject {
    Q_OBJECT
private slots:
    void booksOfEveryFormatAreListedTogether_data();
    void booksOfEveryFormatAreListedTogether();
    void theChooserListsBooks();
    void daisyBooksAreListedByTitle_data();
    void daisyBooksAreListedByTitle();
};

void TestBookFiles::booksOfEveryFormatAreListedTogether_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("every format, mixed case")
        << QStringList{u"f.XHTML"_s, u"a.txt"_s, u"C.pdf"_s, u"b.EPUB"_s,
                       u"d.Docx"_s,  u"e.odt"_s, u"g.htm"_s, u"h.html"_s}
        << QStringList{u"a.txt"_s, u"b.EPUB"_s,  u"C.pdf"_s, u"d.Docx"_s,
                       u"e.odt"_s, u"f.XHTML"_s, u"g.htm"_s, u"h.html"_s};
    QTest::newRow("other files and hidden books left out")
        << QStringList{u"carta.doc"_s, u"notes.md"_s,         u".amagat.epub"_s,
                       u"epub"_s,      u"llibre.epub.part"_s, u"Llibre.epub"_s}
        << QStringList{u"Llibre.epub"_s};
}

void TestBookFiles::booksOfEveryFormatAreListedTogether() {
    QFETCH(QStringList, files);
    QFETCH(QStringList, listed);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    for (const QString &name : files) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QStringList names;
    QVERIFY(FolderScan::matchingFiles(folder.path(),
                                      PathRules::maskPatterns(BookFormats::chooserMask()), names));
    QCOMPARE(names, listed);
}

void TestBookFiles::theChooserListsBooks() {
    TFormObrirRecurs chooser(nullptr, std::make_shared<FixedVolumes>());
    QCOMPARE(chooser.fileList()->Mask(), BookFormats::chooserMask());
}

void TestBookFiles::daisyBooksAreListedByTitle_data() {
    // The book, the files beside it (a .zip of a text, no DAISY book), and the
    // lines of the list; the book's line is its title, "Rondalles".
    QTest::addColumn<DaisyMaker::Format>("format");
    QTest::addColumn<bool>("zipped");
    QTest::addColumn<QStringList>("beside");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("a DAISY 2.02 book's folder with a text")
        << DaisyMaker::Format::Daisy202 << false << QStringList{u"zeta.txt"_s}
        << QStringList{u"Rondalles"_s, u"zeta.txt"_s};
    QTest::newRow("a DAISY 3 book's folder")
        << DaisyMaker::Format::Daisy3 << false << QStringList{u"altre.zip"_s}
        << QStringList{u"Rondalles"_s};
    QTest::newRow("zipped books beside other zips and texts")
        << DaisyMaker::Format::Daisy3 << true << QStringList{u"altre.zip"_s, u"a.txt"_s}
        << QStringList{u"a.txt"_s, u"Rondalles"_s};
    QTest::newRow("a zipped DAISY 2.02 book")
        << DaisyMaker::Format::Daisy202 << true << QStringList{u"notes.zip"_s}
        << QStringList{u"Rondalles"_s};
}

void TestBookFiles::daisyBooksAreListedByTitle() {
    QFETCH(DaisyMaker::Format, format);
    QFETCH(bool, zipped);
    QFETCH(QStringList, beside);
    QFETCH(QStringList, listed);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    DaisyMaker::Book book;
    book.format = format;
    book.zipped = zipped;
    book.title = "Rondalles";
    book.chapters = {{1, {{"Primera rondalla", 300, "1"}, {"Hi havia una vegada.", 400, ""}}}};
    const QString package = DaisyMaker::make(folder.path(), u"llibre"_s, book);
    QVERIFY(!package.isEmpty());
    const QString listedFolder = QFileInfo(package).absolutePath();
    for (const QString &name : beside) {
        const QString path = listedFolder + u'/' + name;
        QVERIFY(name.endsWith(u".zip"_s) ? BookMaker::writeZip(path, {{"llegiu.txt", "Hola."}})
                                         : BookMaker::writeFile(path, "Hola."));
    }
    FileListBox list;
    list.setMask(BookFormats::chooserMask());
    QVERIFY(list.followFolder(listedFolder));
    QCOMPARE(list.lineTexts(), listed);
    list.setCurrentRow(int(listed.indexOf(u"Rondalles"_s)));
    QCOMPARE(list.FileName(), package);
}

QTEST_MAIN(TestBookFiles)
#include "tst_bookfiles.moc"

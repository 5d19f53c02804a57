// The chooser's file list of books: every book extension in any letter case,
// sorted together, and nothing else.
#include "BookFormat.h"
#include "FileListBox.h"
#include "FixedVolumes.h"
#include "FolderScan.h"
#include "PathRules.h"
#include "UnitFitxerGrafic.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestBookFiles : public QObject {
    Q_OBJECT
private slots:
    void booksOfEveryFormatAreListedTogether_data();
    void booksOfEveryFormatAreListedTogether();
    void theChooserListsBooks();
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

QTEST_MAIN(TestBookFiles)
#include "tst_bookfiles.moc"

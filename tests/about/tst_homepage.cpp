// The page the about box's links open and the author line that names it.
#include "HomePage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestHomePage : public QObject {
    Q_OBJECT
private slots:
    void pageAndAuthorLine_data() {
        QTest::addColumn<QString>("configured");
        QTest::addColumn<bool>("installed"); // a README in ../share/doc/zelvora
        QTest::addColumn<QString>("opens");  // "configured", "installed" or "source"
        QTest::addColumn<QString>("authorLine");
        const QString authors = QStringLiteral("© Els autors de Zelvora");
        QTest::newRow("installed README") << QString() << true << "installed" << authors;
        QTest::newRow("build tree: the source README") << QString() << false << "source" << authors;
        QTest::newRow("a distributor's page")
            << "https://example.org/zelvora/" << true << "configured"
            << authors + QStringLiteral(" - example.org");
        QTest::newRow("a distributor's file")
            << "file:///usr/share/doc/x/index.html" << false << "configured" << authors;
    }
    void pageAndAuthorLine() {
        QFETCH(QString, configured);
        QFETCH(bool, installed);
        QFETCH(QString, opens);
        QFETCH(QString, authorLine);
        QTemporaryDir prefix;
        QVERIFY(prefix.isValid());
        const QString readme = prefix.path() + QStringLiteral("/share/doc/zelvora/README.md");
        QVERIFY(QDir().mkpath(prefix.path() + QStringLiteral("/bin")));
        if (installed) {
            QVERIFY(QDir().mkpath(QFileInfo(readme).path()));
            QFile file(readme);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QString source = QStringLiteral("/src/zelvora/README.md");
        const QUrl page =
            HomePage::pageFor(configured, prefix.path() + QStringLiteral("/bin"), source);
        const QUrl expected = opens == u"configured"  ? QUrl(configured)
                              : opens == u"installed" ? QUrl::fromLocalFile(readme)
                                                      : QUrl::fromLocalFile(source);
        QCOMPARE(page, expected);
        QCOMPARE(HomePage::authorLine(page), authorLine);
    }
};

QTEST_GUILESS_MAIN(TestHomePage)
#include "tst_homepage.moc"

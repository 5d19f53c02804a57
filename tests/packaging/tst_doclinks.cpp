// The README and the documents in docs/ link to each other by relative paths and
// heading anchors; the install puts them in the same relative places. Every such
// link must reach an existing file and, when it names one, a heading of that file.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

const QString SourceDir = QStringLiteral(ZELVORA_SOURCE_DIR);

QString readText(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The anchors a Markdown renderer (GitHub's) makes of a file's headings: lower
// case, punctuation dropped, spaces as hyphens.
QSet<QString> anchorsOf(const QString &text) {
    QSet<QString> anchors;
    static const QRegularExpression heading(QStringLiteral("^#{1,6} +(.+)$"),
                                            QRegularExpression::MultilineOption);
    static const QRegularExpression dropped(QStringLiteral("[^\\w\\- ]"));
    for (auto it = heading.globalMatch(text); it.hasNext();) {
        QString anchor = it.next().captured(1).trimmed().toLower();
        anchor.remove(dropped);
        anchors.insert(anchor.replace(QLatin1Char(' '), QLatin1Char('-')));
    }
    return anchors;
}

// The documents: the README and every Markdown file in docs/, relative to the source.
QStringList documents() {
    QStringList files{QStringLiteral("README.md")};
    const QDir docs(SourceDir + QStringLiteral("/docs"));
    for (const QString &name : docs.entryList({QStringLiteral("*.md")}, QDir::Files)) {
        files.append(QStringLiteral("docs/") + name);
    }
    return files;
}

} // namespace

class TestDocLinks : public QObject {
    Q_OBJECT
private slots:
    void linkReachesItsTarget_data();
    void linkReachesItsTarget();
};

void TestDocLinks::linkReachesItsTarget_data() {
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("target");
    static const QRegularExpression link(QStringLiteral("\\]\\(([^)\\s]+)\\)"));
    for (const QString &document : documents()) {
        const QString text = readText(SourceDir + QLatin1Char('/') + document);
        QVERIFY2(!text.isEmpty(), qPrintable(document));
        for (auto it = link.globalMatch(text); it.hasNext();) {
            const QString target = it.next().captured(1);
            if (!target.contains(QStringLiteral("://"))) {
                QTest::addRow("%s: %s", qPrintable(document), qPrintable(target))
                    << document << target;
            }
        }
    }
}

void TestDocLinks::linkReachesItsTarget() {
    QFETCH(QString, document);
    QFETCH(QString, target);
    const qsizetype hash = target.indexOf(QLatin1Char('#'));
    const QString path = hash < 0 ? target : target.left(hash);
    const QString folder = QFileInfo(SourceDir + QLatin1Char('/') + document).absolutePath();
    const QString file = path.isEmpty() ? SourceDir + QLatin1Char('/') + document
                                        : QDir::cleanPath(folder + QLatin1Char('/') + path);
    QVERIFY2(QFileInfo(file).isFile(), qPrintable(file));
    if (hash >= 0) {
        QVERIFY2(anchorsOf(readText(file)).contains(target.mid(hash + 1)), qPrintable(target));
    }
}

QTEST_GUILESS_MAIN(TestDocLinks)
#include "tst_doclinks.moc"

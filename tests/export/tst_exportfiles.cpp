// A book of three chapters exported to each format with the espeak-ng engine:
// the files, their names and order, their tags and their lengths, read back by
// decoding them with Debian's own tools.
#include "ExportCommand.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestExportFiles : public QObject {
    Q_OBJECT
private slots:
    void chaptersBecomeTaggedFilesInOrder_data();
    void chaptersBecomeTaggedFilesInOrder();
    void plainTextChapterLinesAreTheChapters();
};

namespace {

const QStringList Names{QStringLiteral("01 - Primer capítol"), QStringLiteral("02 - Segon capítol"),
                        QStringLiteral("03 - Tercer")};

// The file decoded to a WAV by the format's own tool: its length in seconds.
double decodedSeconds(const QString &format, const QString &file, const QString &wav) {
    QFile::remove(wav);
    int status = 0;
    if (format == QStringLiteral("opus"))
        status =
            ExportCommand::tool(QStringLiteral("opusdec"), {QStringLiteral("--quiet"), file, wav});
    else if (format == QStringLiteral("mp3"))
        status = ExportCommand::tool(QStringLiteral("mpg123"),
                                     {QStringLiteral("-q"), QStringLiteral("-w"), wav, file});
    else
        QFile::copy(file, wav);
    QByteArray seconds;
    if (status != 0 ||
        ExportCommand::tool(QStringLiteral("soxi"), {QStringLiteral("-D"), wav}, &seconds) != 0)
        return -1;
    return seconds.trimmed().toDouble();
}

// The tags as the format's tool prints them (WAV: the file's own bytes).
QByteArray tagsOf(const QString &format, const QString &file) {
    QByteArray text;
    if (format == QStringLiteral("opus"))
        ExportCommand::tool(QStringLiteral("opusinfo"), {file}, &text);
    else if (format == QStringLiteral("mp3"))
        ExportCommand::tool(QStringLiteral("mpg123"),
                            {QStringLiteral("-v"), QStringLiteral("-t"), file}, &text);
    else if (QFile wav(file); wav.open(QIODevice::ReadOnly))
        text = wav.read(4096);
    return text;
}

} // namespace

void TestExportFiles::chaptersBecomeTaggedFilesInOrder_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArrayList>("tags"); // of the second chapter
    QTest::newRow("opus") << QStringLiteral("opus")
                          << QByteArrayList{"TITLE=Segon/capítol", "ALBUM=llibre",
                                            "TRACKNUMBER=2",       "TRACKTOTAL=3",
                                            "LANGUAGE=ca",         "COMMENT=Zelvora text offset"};
    QTest::newRow("mp3") << QStringLiteral("mp3")
                         << QByteArrayList{"Title:   Segon/capítol", "Album:   llibre",
                                           "Comment: Zelvora text offset"};
    QTest::newRow("wav") << QStringLiteral("wav")
                         << QByteArrayList{"INAM", "Segon/capítol", "IPRD", "ITRK",
                                           "2/3",  "ILNG",          "ICMT", "Zelvora text offset"};
}

void TestExportFiles::chaptersBecomeTaggedFilesInOrder() {
    QFETCH(QString, format);
    QFETCH(QByteArrayList, tags);
    TestEnvironment env;
    const QString book = ExportCommand::writeThreeChapterBook(env.path());
    const QString out = env.path() + QStringLiteral("/out");
    QCOMPARE(ExportCommand::run(
                 env, book, {QStringLiteral("--output"), out, QStringLiteral("--format"), format}),
             0);

    QStringList expected;
    for (const QString &name : Names)
        expected << name + QLatin1Char('.') + format;
    QCOMPARE(QDir(out).entryList({QStringLiteral("*.") + format}, QDir::Files, QDir::Name),
             expected);
    QFile playlist(out + QStringLiteral("/llibre.m3u"));
    QVERIFY(playlist.open(QIODevice::ReadOnly));
    QStringList listed;
    for (const QByteArray &line : playlist.readAll().split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            listed << QString::fromUtf8(line);
    QCOMPARE(listed, expected);
    QVERIFY(QDir(out).entryList({QStringLiteral(".*part")}, QDir::Hidden | QDir::Files).isEmpty());

    const QByteArray second = tagsOf(format, out + QLatin1Char('/') + expected[1]);
    for (const QByteArray &tag : tags)
        QVERIFY2(second.contains(tag), tag.constData());
    // Every chapter is heard whole: the first, with twice the text of the others,
    // lasts longest.
    QList<double> seconds;
    for (const QString &name : expected)
        seconds << decodedSeconds(format, out + QLatin1Char('/') + name,
                                  env.path() + QStringLiteral("/decoded.wav"));
    for (const double length : seconds)
        QVERIFY2(length > 1.0 && length < 120, QByteArray::number(length).constData());
    QVERIFY(seconds[0] > seconds[1] && seconds[0] > seconds[2]);
}

// A plain text is cut at its chapter lines, as the reader's navigation finds them.
void TestExportFiles::plainTextChapterLinesAreTheChapters() {
    TestEnvironment env;
    const QString book = env.path() + QStringLiteral("/novel·la.txt");
    QFile text(book);
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("CAPÍTOL 1\n\nEl vent bufava.\n\nCAPÍTOL 2. La casa\n\nEra gran i blanca.\n");
    text.close();
    const QString out = env.path() + QStringLiteral("/out");
    QCOMPARE(ExportCommand::run(env, book,
                                {QStringLiteral("--output"), out, QStringLiteral("--format"),
                                 QStringLiteral("wav")}),
             0);
    QCOMPARE(QDir(out).entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name),
             QStringList({QStringLiteral("01 - CAPÍTOL 1.wav"),
                          QStringLiteral("02 - CAPÍTOL 2. La casa.wav")}));
}

QTEST_GUILESS_MAIN(TestExportFiles)
#include "tst_exportfiles.moc"

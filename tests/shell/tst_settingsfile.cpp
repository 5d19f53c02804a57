#include "SettingsFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <climits>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

QByteArray readBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QStringList temporariesIn(const QString &folder) {
    QStringList names =
        QDir(folder).entryList({u"*.tmp.*"_s}, QDir::Files | QDir::Hidden | QDir::System);
    names.sort();
    return names;
}

int modeOf(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

// Root passes every permission check, so the tests of refused writes run as the
// unprivileged user "nobody" (65534) while they write.
class Unprivileged {
public:
    Unprivileged() : m_wasRoot(::geteuid() == 0) {
        if (m_wasRoot && ::seteuid(65534) != 0) {
            qFatal("cannot drop privileges");
        }
    }
    ~Unprivileged() {
        if (m_wasRoot && ::seteuid(0) != 0) {
            qFatal("cannot restore privileges");
        }
    }
    Unprivileged(const Unprivileged &) = delete;
    Unprivileged &operator=(const Unprivileged &) = delete;

private:
    bool m_wasRoot;
};

const QString Writer = QStringLiteral(SETTINGSFILE_WRITER);

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void storedBytesAfterWrite_data();
    void storedBytesAfterWrite();
    void bookPathRoundTrip_data();
    void bookPathRoundTrip();
    void typedValuesRead_data();
    void typedValuesRead();
    void defaultsWhenMissing_data();
    void defaultsWhenMissing();
    void readLimitedTo49Bytes_data();
    void readLimitedTo49Bytes();
    void keyCase_data();
    void keyCase();
    void language_data();
    void language();
    void numbersWritten_data();
    void numbersWritten();
    void unstorableWritesRefused_data();
    void unstorableWritesRefused();
    void modes();
    void failedWriteLeavesFileIntact_data();
    void failedWriteLeavesFileIntact();
    void fullDiskLeavesFileIntact();
    void lockHeldElsewhere();
    void leftoverTemporariesRemoved();
    void symbolicLinkKept();
    void defaultPath_data();
    void defaultPath();
    void killedWriterLeavesWholeFile();
    void concurrentWritersLoseNothing();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder; // <temporary>/zelvora, not created
    QString m_path;
};

void TestSettingsFile::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_folder = m_dir->filePath(u"zelvora"_s);
    m_path = m_folder + u"/Tirova2001.ini"_s;
}

void TestSettingsFile::storedBytesAfterWrite_data() {
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");
    const QString speed = QLatin1String(SettingsFile::SpeedKey);
    QTest::newRow("no file") << QByteArray() << speed << "140"_ba
                             << "[Zelvora]\nVelocitat de lectura=140\n"_ba;
    QTest::newRow("empty file") << ""_ba << u"/k"_s << "5"_ba
                                << "[Zelvora]\n/k=5\n"_ba;
    QTest::newRow("other section, no final line end") << "[Altres]\na=1"_ba << u"/k"_s << "5"_ba
                                                      << "[Altres]\na=1\n[Zelvora]\n/k=5\n"_ba;
    QTest::newRow("updated in place") << "[Zelvora]\nA=1\n/k=2\nB=3\n"_ba << u"/k"_s << "9"_ba
                                      << "[Zelvora]\nA=1\n/k=9\nB=3\n"_ba;
    QTest::newRow("fixed key keeps its stored case")
        << "[zelvora]\nVELOCITAT DE LECTURA=150\n"_ba << speed << "160"_ba
        << "[zelvora]\nVELOCITAT DE LECTURA=160\n"_ba;
    QTest::newRow("book key differing in case is another key")
        << "[Zelvora]\n/l/A.txt=5\n"_ba << u"/l/a.txt"_s << "7"_ba
        << "[Zelvora]\n/l/A.txt=5\n/l/a.txt=7\n"_ba;
    QTest::newRow("added after the section's last key")
        << "; cap\n[Zelvora]\nA=1\n\n; sobre B\n[B]\nx=1\n"_ba << u"/k"_s << "2"_ba
        << "; cap\n[Zelvora]\nA=1\n/k=2\n\n; sobre B\n[B]\nx=1\n"_ba;
    QTest::newRow("CRLF lines") << "[Zelvora]\r\nA=1\r\n"_ba << u"/k"_s << "2"_ba
                                << "[Zelvora]\r\nA=1\r\n/k=2\r\n"_ba;
    QTest::newRow("CRLF update") << "[Zelvora]\r\n/k=1\r\nB=2\r\n"_ba << u"/k"_s << "2"_ba
                                 << "[Zelvora]\r\n/k=2\r\nB=2\r\n"_ba;
    QTest::newRow("first of duplicate keys") << "[Zelvora]\n/k=1\n/k=2\n"_ba << u"/k"_s << "5"_ba
                                             << "[Zelvora]\n/k=5\n/k=2\n"_ba;
    QTest::newRow("first of duplicate sections")
        << "[Zelvora]\nA=1\n[B]\n[Zelvora]\n/k=1\n"_ba << u"/k"_s << "5"_ba
        << "[Zelvora]\nA=1\n/k=5\n[B]\n[Zelvora]\n/k=1\n"_ba;
    QTest::newRow("blanks around the equals sign")
        << "[Zelvora]\n  /k = 1  \n"_ba << u"/k"_s << "5"_ba
        << "[Zelvora]\n/k=5\n"_ba;
    QTest::newRow("comments and other lines are not keys")
        << "[Zelvora]\n;/k=1\n#/k=1\nsense igual\n"_ba << u"/k"_s << "5"_ba
        << "[Zelvora]\n/k=5\n;/k=1\n#/k=1\nsense igual\n"_ba;
    QTest::newRow("key before any section is not in it")
        << "/k=1\n[Zelvora]\n"_ba << u"/k"_s << "5"_ba
        << "/k=1\n[Zelvora]\n/k=5\n"_ba;
    QTest::newRow("byte order mark") << "\xEF\xBB\xBF[Zelvora]\nA=1\n"_ba << u"/k"_s << "5"_ba
                                     << "\xEF\xBB\xBF[Zelvora]\nA=1\n/k=5\n"_ba;
    QTest::newRow("byte order mark alone") << "\xEF\xBB\xBF"_ba << u"/k"_s << "5"_ba
                                           << "\xEF\xBB\xBF[Zelvora]\n/k=5\n"_ba;
    QTest::newRow("header is the last line") << "[Zelvora]"_ba << u"/k"_s << "5"_ba
                                             << "[Zelvora]\n/k=5\n"_ba;
    QTest::newRow("header with blanks and other case")
        << "  [ ZELVORA ]  \n"_ba << u"/k"_s << "5"_ba
        << "  [ ZELVORA ]  \n/k=5\n"_ba;
    QTest::newRow("escaped key written") << QByteArray() << u"/a=b.txt"_s << "5"_ba
                                         << "[Zelvora]\n/a%3Db.txt=5\n"_ba;
    QTest::newRow("hand-escaped key updated")
        << "[Zelvora]\n/a%3db.txt=1\n"_ba << u"/a=b.txt"_s << "5"_ba
        << "[Zelvora]\n/a%3db.txt=5\n"_ba;
}

void TestSettingsFile::storedBytesAfterWrite() {
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);
    if (!before.isNull()) {
        QVERIFY(writeBytes(m_path, before));
    }
    SettingsFile settings(m_path);
    QVERIFY(settings.writeValue(key, value));
    QCOMPARE(readBytes(m_path), after);
    QCOMPARE(settings.readValue(key), value);
}

void TestSettingsFile::bookPathRoundTrip_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("storedAsIs");
    QTest::newRow("non-ASCII") << u"/home/joan/Llibres/La plaça del Diamant.txt"_s << true;
    QTest::newRow("blanks inside") << u"/els meus llibres/a b.txt"_s << true;
    QTest::newRow("brackets and semicolon inside") << u"/l/[2001] a;b.txt"_s << true;
    QTest::newRow("line feed") << u"/a.txt\nVelocitat de lectura=999"_s << false;
    QTest::newRow("carriage return") << u"/a\r.txt"_s << false;
    QTest::newRow("CRLF and a section") << u"/a.txt\r\n[Zelvora]\r\n/l/a.txt=1"_s << false;
    QTest::newRow("equals sign") << u"/a=b.txt"_s << false;
    QTest::newRow("leading bracket") << u"[Zelvora]"_s << false;
    QTest::newRow("leading semicolon") << u";a.txt"_s << false;
    QTest::newRow("leading hash") << u"#a.txt"_s << false;
    QTest::newRow("leading blank") << u" /a.txt"_s << false;
    QTest::newRow("trailing blank") << u"/a.txt "_s << false;
    QTest::newRow("tab") << u"/a\t.txt"_s << false;
    QTest::newRow("percent") << u"/100%.txt"_s << false;
    QTest::newRow("escape lookalike") << u"/a%3Db.txt"_s << false;
    QTest::newRow("other control bytes") << u"/a\x01\x7F.txt"_s << false;
    QTest::newRow("NUL") << (u"/a"_s + QChar(0) + u".txt"_s) << false;
    QTest::newRow("very long") << (u"/"_s + u"carpeta llarga/"_s.repeated(300) + u"a.txt"_s)
                               << true;
    QTest::newRow("very long, escaped") << (u"/"_s + u"a=b%/"_s.repeated(1000)) << false;
}

// A path is stored and found again, takes one line, updates in place and leaves
// every other key as it was.
void TestSettingsFile::bookPathRoundTrip() {
    QFETCH(QString, path);
    QFETCH(bool, storedAsIs);
    QVERIFY(writeBytes(m_path, "[Zelvora]\nVelocitat de lectura=150\n/l/a.txt=10\n"));
    SettingsFile settings(m_path);
    QVERIFY(settings.writeBookPosition(path, 4242));
    QCOMPARE(settings.readBookPosition(path), 4242);
    QVERIFY(settings.writeBookPosition(path, 4343));
    QCOMPARE(settings.readBookPosition(path), 4343);

    const QByteArray bytes = readBytes(m_path);
    QCOMPARE(bytes.count('\n'), 4);
    QVERIFY(bytes.startsWith("[Zelvora]\nVelocitat de lectura=150\n/l/a.txt=10\n"));
    QCOMPARE(bytes.contains("\n" + path.toUtf8() + "=4343\n"), storedAsIs);
    QCOMPARE(settings.readReadingSpeed(), 150);
    QCOMPARE(settings.readBookPosition(u"/l/a.txt"_s), 10);
    // The path an escape in it resembles is another path.
    const QString lookalike = QString::fromUtf8(QByteArray::fromPercentEncoding(path.toUtf8()));
    if (lookalike != path) {
        QCOMPARE(settings.readBookPosition(lookalike), 0);
    }
}

void TestSettingsFile::typedValuesRead_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("speed");
    QTest::addColumn<qint64>("position");
    QTest::newRow("integer") << "150"_ba << 150 << 150LL;
    QTest::newRow("negative") << "-20"_ba << -20 << -20LL;
    QTest::newRow("zero") << "0"_ba << 0 << 0LL;
    QTest::newRow("plus sign") << "+30"_ba << 30 << 30LL;
    QTest::newRow("leading zeros") << "007"_ba << 7 << 7LL;
    QTest::newRow("NO") << "NO"_ba << 140 << 0LL;
    QTest::newRow("no") << "no"_ba << 140 << 0LL;
    QTest::newRow("empty") << ""_ba << 140 << 0LL;
    QTest::newRow("letters") << "abc"_ba << 140 << 0LL;
    QTest::newRow("trailing letters") << "12abc"_ba << 140 << 0LL;
    QTest::newRow("inner blank") << "1 2"_ba << 140 << 0LL;
    QTest::newRow("hexadecimal") << "0x10"_ba << 140 << 0LL;
    QTest::newRow("fraction") << "1.5"_ba << 140 << 0LL;
    QTest::newRow("exponent") << "1e3"_ba << 140 << 0LL;
    QTest::newRow("sign alone") << "-"_ba << 140 << 0LL;
    QTest::newRow("two signs") << "+-5"_ba << 140 << 0LL;
    QTest::newRow("int maximum") << "2147483647"_ba << 2147483647 << 2147483647LL;
    QTest::newRow("beyond int") << "2147483648"_ba << 140 << 2147483648LL;
    QTest::newRow("int64 maximum") << "9223372036854775807"_ba << 140 << LLONG_MAX;
    QTest::newRow("int64 minimum") << "-9223372036854775808"_ba << 140 << LLONG_MIN;
    QTest::newRow("beyond int64") << "9223372036854775808"_ba << 140 << 0LL;
    QTest::newRow("blanks around") << "  150\t"_ba << 150 << 150LL;
    QTest::newRow("cut at 49 bytes") << (QByteArray(48, '0') + "12") << 1 << 1LL;
}

void TestSettingsFile::typedValuesRead() {
    QFETCH(QByteArray, stored);
    QFETCH(int, speed);
    QFETCH(qint64, position);
    QVERIFY(writeBytes(m_path,
                       "[Zelvora]\nVelocitat de lectura=" + stored + "\n/b.txt=" + stored + "\n"));
    const SettingsFile settings(m_path);
    QCOMPARE(settings.readReadingSpeed(), speed);
    QCOMPARE(settings.readBookPosition(u"/b.txt"_s), position);
}

void TestSettingsFile::defaultsWhenMissing_data() {
    QTest::addColumn<QByteArray>("contents"); // null: no file
    QTest::newRow("no file") << QByteArray();
    QTest::newRow("empty file") << ""_ba;
    QTest::newRow("other section")
        << "[Altres]\nVelocitat de lectura=150\nLlengua=Castell\xC3\xA0\n/b.txt=9\n"_ba;
    QTest::newRow("keys before the section")
        << "Velocitat de lectura=150\nLlengua=Castell\xC3\xA0\n/b.txt=9\n[Zelvora]\n"_ba;
    QTest::newRow("section without the keys") << "[Zelvora]\nVelocitat=150\n/b.txt.bak=9\n"_ba;
    QTest::newRow("key lines commented out")
        << "[Zelvora]\n;Velocitat de lectura=150\n#Llengua=Castell\xC3\xA0\n;/b.txt=9\n"_ba;
}

void TestSettingsFile::defaultsWhenMissing() {
    QFETCH(QByteArray, contents);
    if (!contents.isNull()) {
        QVERIFY(writeBytes(m_path, contents));
    }
    const SettingsFile settings(m_path);
    QCOMPARE(settings.readValue(u"/b.txt"_s), "NO"_ba);
    QCOMPARE(settings.readReadingSpeed(), 140);
    QCOMPARE(settings.readBookPosition(u"/b.txt"_s), 0);
    QVERIFY(!settings.storedLanguageIsSpanish());
}

void TestSettingsFile::readLimitedTo49Bytes_data() {
    QTest::addColumn<int>("length");
    for (const int length : {48, 49, 50, 300}) {
        QTest::addRow("%d bytes", length) << length;
    }
}

void TestSettingsFile::readLimitedTo49Bytes() {
    QFETCH(int, length);
    const QByteArray value = "0123456789abcdefghij"_ba.repeated(16).left(length);
    SettingsFile settings(m_path);
    QVERIFY(settings.writeValue(u"/b.txt"_s, value));
    QCOMPARE(settings.readValue(u"/b.txt"_s), value.left(49));
    QVERIFY(readBytes(m_path).contains("=" + value + "\n")); // stored whole
}

void TestSettingsFile::keyCase_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("found");
    const QString speed = QLatin1String(SettingsFile::SpeedKey);
    const QString language = QLatin1String(SettingsFile::LanguageKey);
    QTest::newRow("speed upper case") << "[Zelvora]\nVELOCITAT DE LECTURA=7\n"_ba << speed << true;
    QTest::newRow("speed lower case") << "[Zelvora]\nvelocitat de lectura=7\n"_ba << speed << true;
    QTest::newRow("language upper case") << "[Zelvora]\nLLENGUA=7\n"_ba << language << true;
    QTest::newRow("section upper case") << "[ZELVORA]\n/l/a.txt=7\n"_ba << u"/l/a.txt"_s << true;
    QTest::newRow("book exact") << "[Zelvora]\n/l/a.txt=7\n"_ba << u"/l/a.txt"_s << true;
    QTest::newRow("book other case") << "[Zelvora]\n/L/A.txt=7\n"_ba << u"/l/a.txt"_s << false;
    QTest::newRow("book other accented case")
        << "[Zelvora]\n/l/\xC3\x80.txt=7\n"_ba << u"/l/à.txt"_s << false;
}

void TestSettingsFile::keyCase() {
    QFETCH(QByteArray, contents);
    QFETCH(QString, key);
    QFETCH(bool, found);
    QVERIFY(writeBytes(m_path, contents));
    QCOMPARE(SettingsFile(m_path).readValue(key), found ? "7"_ba : "NO"_ba);
}

void TestSettingsFile::language_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("spanish");
    QTest::newRow("Castellà in UTF-8") << "Castell\xC3\xA0"_ba << true;
    QTest::newRow("Castellà in Windows-1252") << "Castell\xE0"_ba << true;
    QTest::newRow("blanks around") << " Castell\xC3\xA0\t"_ba << true;
    QTest::newRow("castellà") << "castell\xC3\xA0"_ba << false;
    QTest::newRow("CASTELLÀ") << "CASTELL\xC3\x80"_ba << false;
    QTest::newRow("Castella") << "Castella"_ba << false;
    QTest::newRow("Castellà and more") << "Castell\xC3\xA0s"_ba << false;
    QTest::newRow("Català") << "Catal\xC3\xA0"_ba << false;
    QTest::newRow("NO") << "NO"_ba << false;
    QTest::newRow("empty") << ""_ba << false;
}

void TestSettingsFile::language() {
    QFETCH(QByteArray, stored);
    QFETCH(bool, spanish);
    QVERIFY(writeBytes(m_path, "[Zelvora]\nLlengua=" + stored + "\n"));
    SettingsFile settings(m_path);
    QCOMPARE(settings.storedLanguageIsSpanish(), spanish);
    // The exit writes the active language back in UTF-8.
    QVERIFY(settings.writeLanguage(!spanish));
    QVERIFY(readBytes(m_path).endsWith(spanish ? "Llengua=Castell\xC3\xA0\n"
                                               : "Llengua=Catal\xC3\xA0\n"));
    QCOMPARE(settings.storedLanguageIsSpanish(), spanish);
}

void TestSettingsFile::numbersWritten_data() {
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("zero") << 0LL << "0"_ba;
    QTest::newRow("position") << 5120LL << "5120"_ba;
    QTest::newRow("negative") << -1LL << "-1"_ba;
    QTest::newRow("beyond 32 bits") << 4294967296LL << "4294967296"_ba;
    QTest::newRow("int64 maximum") << LLONG_MAX << "9223372036854775807"_ba;
    QTest::newRow("int64 minimum") << LLONG_MIN << "-9223372036854775808"_ba;
}

void TestSettingsFile::numbersWritten() {
    QFETCH(qint64, number);
    QFETCH(QByteArray, text);
    SettingsFile settings(m_path);
    QVERIFY(settings.writeBookPosition(u"/b.txt"_s, number));
    QCOMPARE(settings.readBookPosition(u"/b.txt"_s), number);
    const int speed = int(qBound(qint64(INT_MIN), number, qint64(INT_MAX)));
    QVERIFY(settings.writeReadingSpeed(speed));
    QCOMPARE(settings.readReadingSpeed(), speed);
    QCOMPARE(readBytes(m_path), "[Zelvora]\n/b.txt=" + text +
                                    "\nVelocitat de lectura=" + QByteArray::number(speed) + "\n");
}

void TestSettingsFile::unstorableWritesRefused_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("line feed in value") << u"/b.txt"_s << "1\n[Zelvora]"_ba;
    QTest::newRow("carriage return in value") << u"/b.txt"_s << "1\r"_ba;
    QTest::newRow("NUL in value") << u"/b.txt"_s << QByteArray("1\0002", 3);
    QTest::newRow("leading blank in value") << u"/b.txt"_s << " 1"_ba;
    QTest::newRow("trailing tab in value") << u"/b.txt"_s << "1\t"_ba;
    QTest::newRow("empty key") << QString() << "1"_ba;
}

void TestSettingsFile::unstorableWritesRefused() {
    QFETCH(QString, key);
    QFETCH(QByteArray, value);
    const QByteArray before = "[Zelvora]\n/b.txt=5\n";
    QVERIFY(writeBytes(m_path, before));
    SettingsFile settings(m_path);
    QVERIFY(!settings.writeValue(key, value));
    QCOMPARE(readBytes(m_path), before);
}

void TestSettingsFile::modes() {
    const QString nested = m_dir->filePath(u"config/zelvora/Tirova2001.ini"_s);
    SettingsFile settings(nested);
    QVERIFY(settings.writeReadingSpeed(140));
    QCOMPARE(modeOf(QFileInfo(nested).absolutePath()), 0700);
    QCOMPARE(modeOf(m_dir->filePath(u"config"_s)), 0700);
    QCOMPARE(modeOf(nested), 0600);
    QCOMPARE(modeOf(settings.lockPath()), 0600);

    // An existing folder keeps its mode; an existing file becomes private.
    QVERIFY(::chmod(QFile::encodeName(QFileInfo(nested).absolutePath()).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(nested).constData(), 0644) == 0);
    QVERIFY(settings.writeReadingSpeed(150));
    QCOMPARE(modeOf(QFileInfo(nested).absolutePath()), 0755);
    QCOMPARE(modeOf(nested), 0600);
}

void TestSettingsFile::failedWriteLeavesFileIntact_data() {
    QTest::addColumn<QString>("situation");
    for (const char *situation :
         {"read-only folder", "read-only folder with lock file", "unreadable file",
          "file is a folder", "folder is a file", "file is a FIFO"}) {
        QTest::newRow(situation) << QString::fromLatin1(situation);
    }
}

void TestSettingsFile::failedWriteLeavesFileIntact() {
    QFETCH(QString, situation);
    const QByteArray before = "[Zelvora]\nVelocitat de lectura=150\n/b.txt=5\n";
    QVERIFY(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755) == 0);
    QString path = m_path;
    QVERIFY(writeBytes(m_path, before));
    QVERIFY(::chmod(QFile::encodeName(m_path).constData(), 0644) == 0);
    int folderMode = 0555;
    if (situation.endsWith(u"with lock file"_s)) {
        QVERIFY(writeBytes(m_path + u".lock"_s, {}));
        QVERIFY(::chmod(QFile::encodeName(m_path + u".lock"_s).constData(), 0666) == 0);
    } else if (situation == u"unreadable file"_s) {
        folderMode = 0777;
        QVERIFY(::chmod(QFile::encodeName(m_path).constData(), 0) == 0);
    } else if (situation == u"file is a folder"_s) {
        folderMode = 0777;
        path = m_folder;
    } else if (situation == u"folder is a file"_s) {
        folderMode = 0777;
        path = m_path + u"/Tirova2001.ini"_s;
    } else if (situation == u"file is a FIFO"_s) { // reading it must not block
        folderMode = 0777;
        path = m_folder + u"/fifo.ini"_s;
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0666), 0);
        QCOMPARE(SettingsFile(path).readValue(u"/b.txt"_s), "NO"_ba);
    }
    QVERIFY(::chmod(QFile::encodeName(m_folder).constData(), mode_t(folderMode)) == 0);
    {
        const Unprivileged nobody;
        SettingsFile settings(path);
        QVERIFY(!settings.writeBookPosition(u"/b.txt"_s, 6));
        QVERIFY(!settings.writeBookPosition(u"/c.txt"_s, 6));
    }
    QVERIFY(::chmod(QFile::encodeName(m_path).constData(), 0600) == 0);
    QCOMPARE(readBytes(m_path), before);
    QCOMPARE(temporariesIn(m_folder), QStringList());
}

// A write that runs out of room fails and leaves the old file whole.
void TestSettingsFile::fullDiskLeavesFileIntact() {
    QByteArray before = "[Zelvora]\n";
    for (int i = 0; i < 100; ++i) {
        before +=
            "/llibres/llibre-" + QByteArray::number(i) + ".txt=" + QByteArray::number(i) + "\n";
    }
    QVERIFY(writeBytes(m_path, before));
    QProcess writer;
    writer.start(Writer,
                 {m_path, u"filesizelimit"_s, u"/nou.txt"_s, QString::number(before.size() - 100)});
    QVERIFY(writer.waitForFinished(60000));
    QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
    QCOMPARE(writer.exitCode(), 1);
    QCOMPARE(readBytes(m_path), before);
    QCOMPARE(temporariesIn(m_folder), QStringList());
}

// While another copy holds the lock a write waits; it gives up after the time-out
// and succeeds once the lock is free.
void TestSettingsFile::lockHeldElsewhere() {
    QVERIFY(writeBytes(m_path, "[Zelvora]\n/b.txt=5\n"));
    SettingsFile settings(m_path);
    const int other = ::open(QFile::encodeName(settings.lockPath()).constData(),
                             O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    QVERIFY(other >= 0);
    QCOMPARE(::flock(other, LOCK_EX), 0);
    settings.setLockTimeout(300ms);
    QElapsedTimer waited;
    waited.start();
    QVERIFY(!settings.writeBookPosition(u"/b.txt"_s, 6));
    QVERIFY(waited.elapsed() >= 250);
    QCOMPARE(settings.readBookPosition(u"/b.txt"_s), 5);

    settings.setLockTimeout(30s);
    std::thread releaser([other] {
        std::this_thread::sleep_for(200ms);
        ::close(other);
    });
    const bool written = settings.writeBookPosition(u"/b.txt"_s, 7);
    releaser.join();
    QVERIFY(written);
    QCOMPARE(settings.readBookPosition(u"/b.txt"_s), 7);
}

void TestSettingsFile::leftoverTemporariesRemoved() {
    const QStringList left = {u"Tirova2001.ini.tmp.aB3xYz"_s};
    const QStringList kept = {u"Tirova2001.ini.tmp.massa-llarg"_s, u"altre.ini.tmp.aB3xYz"_s};
    for (const QString &name : left + kept) {
        QVERIFY(writeBytes(m_folder + u'/' + name, "x"));
    }
    QVERIFY(SettingsFile(m_path).writeReadingSpeed(140));
    QStringList expected = kept;
    expected.sort();
    QCOMPARE(temporariesIn(m_folder), expected);
}

void TestSettingsFile::symbolicLinkKept() {
    const QString real = m_dir->filePath(u"dotfiles/zelvora.ini"_s);
    QVERIFY(writeBytes(real, "[Zelvora]\n/b.txt=5\n"));
    QDir().mkpath(m_folder);
    QVERIFY(QFile::link(real, m_path));
    SettingsFile settings(m_path);
    QVERIFY(settings.writeBookPosition(u"/b.txt"_s, 6));
    QVERIFY(QFileInfo(m_path).isSymLink());
    QCOMPARE(readBytes(real), "[Zelvora]\n/b.txt=6\n"_ba);
}

void TestSettingsFile::defaultPath_data() {
    QTest::addColumn<QByteArray>("configHome"); // null: unset
    QTest::addColumn<QString>("expected");
    QTest::newRow("set") << "/x/cfg"_ba << u"/x/cfg/zelvora/Tirova2001.ini"_s;
    QTest::newRow("trailing slash") << "/x/cfg/"_ba << u"/x/cfg/zelvora/Tirova2001.ini"_s;
    QTest::newRow("unset") << QByteArray() << u"/home/anna/.config/zelvora/Tirova2001.ini"_s;
    QTest::newRow("empty") << ""_ba << u"/home/anna/.config/zelvora/Tirova2001.ini"_s;
    QTest::newRow("relative") << "cfg"_ba << u"/home/anna/.config/zelvora/Tirova2001.ini"_s;
}

void TestSettingsFile::defaultPath() {
    QFETCH(QByteArray, configHome);
    QFETCH(QString, expected);
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    const bool configWasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("HOME", "/home/anna");
    if (configHome.isNull()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", configHome);
    }
    const QString path = SettingsFile::defaultPath();
    const QString shared = Settings().path();
    static const QString firstUse = path; // Settings() keeps the path of its first use
    qputenv("HOME", oldHome);
    configWasSet ? qputenv("XDG_CONFIG_HOME", oldConfig) : qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(path, expected);
    QCOMPARE(shared, firstUse);
}

// A writer killed at any moment leaves the old or the new file, whole, with every
// other key and line as it was; its leftovers go at the next write.
void TestSettingsFile::killedWriterLeavesWholeFile() {
    QByteArray head = "; Zelvora\n[Zelvora]\nVelocitat de lectura=150\nLlengua=Catal\xC3\xA0\n";
    for (int i = 0; i < 2000; ++i) {
        head +=
            "/llibres/llibre " + QByteArray::number(i) + ".txt=" + QByteArray::number(i * 7) + "\n";
    }
    const QByteArray tail = "\n[Altres]\nclau=valor\n";
    QVERIFY(writeBytes(m_path, head + tail));
    const QString key = u"/llibres/en curs.txt"_s;
    const QRegularExpression keyLine(u"^/llibres/en curs\\.txt=[1-9][0-9]*\n$"_s);
    SettingsFile settings(m_path);
    for (int round = 0; round < 10; ++round) {
        QProcess writer;
        writer.start(Writer, {m_path, u"same"_s, key, u"0"_s});
        QVERIFY(writer.waitForReadyRead(60000));
        QCOMPARE(writer.readLine(), "written\n"_ba);
        QThread::msleep(QRandomGenerator::global()->bounded(40));
        writer.kill();
        QVERIFY(writer.waitForFinished(60000));

        const QByteArray bytes = readBytes(m_path);
        QVERIFY2(bytes.startsWith(head) && bytes.endsWith(tail),
                 qPrintable(u"round %1"_s.arg(round)));
        const QByteArray added =
            bytes.sliced(head.size(), bytes.size() - head.size() - tail.size());
        QVERIFY2(keyLine.match(QString::fromUtf8(added)).hasMatch(), added.constData());
        QVERIFY(settings.readBookPosition(key) > 0);
    }
    QVERIFY(settings.writeBookPosition(key, 1));
    QCOMPARE(readBytes(m_path), head + key.toUtf8() + "=1\n" + tail);
    QCOMPARE(temporariesIn(m_folder), QStringList());
    QCOMPARE(modeOf(m_path), 0600);
}

// Two copies writing at once: each read-modify-write sees the other's last one.
void TestSettingsFile::concurrentWritersLoseNothing() {
    const int writes = 500;
    QVERIFY(writeBytes(m_path, "[Zelvora]\nVelocitat de lectura=150\n"));
    QProcess first;
    QProcess second;
    first.start(Writer, {m_path, u"distinct"_s, u"/a/llibre "_s, QString::number(writes)});
    second.start(Writer, {m_path, u"distinct"_s, u"/b/llibre "_s, QString::number(writes)});
    for (QProcess *writer : {&first, &second}) {
        QVERIFY(writer->waitForFinished(300000));
        QCOMPARE(writer->exitStatus(), QProcess::NormalExit);
        QCOMPARE(writer->exitCode(), 0);
    }
    const QByteArray bytes = readBytes(m_path);
    QCOMPARE(bytes.count('\n'), 2 + 2 * writes);
    const SettingsFile settings(m_path);
    QCOMPARE(settings.readReadingSpeed(), 150);
    for (int i = 0; i < writes; ++i) {
        QCOMPARE(settings.readBookPosition(u"/a/llibre %1"_s.arg(i)), i);
        QCOMPARE(settings.readBookPosition(u"/b/llibre %1"_s.arg(i)), i);
    }
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"

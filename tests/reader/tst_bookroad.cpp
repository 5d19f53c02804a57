// An EPUB read through the real book chooser and the program's own wiring,
// against the speech double: stopped with Return in its second sentence, then,
// after a restart of the reader, opened again and resumed at that sentence. A
// recorded DAISY book the same way, through the player, by its phrases, and an
// EPUB narrated with media overlays, its narration played and the rest spoken.
#include "BookCache.h"
#include "BookMaker.h"
#include "ChooserDriver.h"
#include "DaisyMaker.h"
#include "DoubleLog.h"
#include "Engines.h"
#include "FreshSession.h"
#include "Messages.h"
#include "NarratedEpub.h"
#include "PhraseTable.h"
#include "ReadBook.h"
#include "ReaderHooks.h"
#include "ReaderState.h"
#include "SettingsFile.h"
#include "SpeakAndWait.h"
#include "SpokenMenus.h"
#include "TFormPrincipal.h"
#include "TestEnvironment.h"
#include "UnitUPCTV.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using Texts = QList<QByteArray>;

namespace {

// The book's text once extracted: the heading ends its own sentence.
const QByteArray Heading = "Capítol u.";
const QByteArray First = "\r\nPrimera frase.";
const QByteArray Second = " Segona frase, prou llarga perquè l'usuari premi la tecla de retorn "
                          "mentre encara la sent.";
const QByteArray Last = "\r\nFi del capítol.";

QByteArray spoken(const QByteArray &text) {
    return text + ' ';
}

// The phrases whose clips the WAV file at `path` holds past its first `skip`
// bytes, in the order heard, each once however long.
QList<int> phrasesHeard(const QString &path, qint64 skip) {
    QFile file(path);
    QList<int> heard;
    if (!file.open(QIODevice::ReadOnly) || !file.seek(std::max<qint64>(skip, 44))) {
        return heard;
    }
    const QByteArray bytes = file.readAll();
    for (qsizetype at = 0; at + 1 < bytes.size(); at += 2) {
        const auto sample =
            int16_t(quint16(quint8(bytes[at])) | quint16(quint8(bytes[at + 1]) << 8));
        const int phrase = DaisyMaker::phraseOf(sample);
        if (phrase >= 0 && (heard.isEmpty() || heard.constLast() != phrase)) {
            heard.append(phrase);
        }
    }
    return heard;
}

// The phrase table the cache holds for the book at `path`.
std::optional<PhraseTable> cachedPhrases(const QString &path) {
    return PhraseTable::load(BookCache(BookCache::defaultFolder()).textOf(path).phrases);
}

// A restart: the reader's state and the speech library afresh, the settings
// file and the cache kept.
void restartReader() {
    Speech().ReleaseSpeechLibrary();
    QVERIFY(Speech().LoadSpeechLibrary());
    TimerStatusUpcTV().disarm();
    State() = ReaderState{};
    BuildCatalanMenus();
}

} // namespace

class TestBookRoad : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void epubResumesAtItsSentenceAfterARestart();
    void recordedDaisyResumesAtItsPhraseAfterARestart();
    void narratedEpubPlaysItsNarrationAndSpeaksTheRest();
    void refusedBookIsSaidWithItsReason_data();
    void refusedBookIsSaidWithItsReason();

private:
    // Opens the first book of the current folder through the chooser; when
    // `stopAt` is spoken (or `stopWhen` holds), presses Return. Returns what
    // was read after the announcement of `title`.
    Texts openFirstBook(const QByteArray &stopAt);
    Texts openFirstBook(const std::function<bool()> &stopWhen, const QByteArray &title);
    // A fresh session whose recordings are written, in real time so that Return
    // comes mid-phrase, to a WAV file in `books`; that file's path.
    QString startRecordedSession(const QTemporaryDir &books);

    std::unique_ptr<TestEnvironment> m_env;
    QString m_startFolder;
};

void TestBookRoad::initTestCase() {
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    m_env->setMsPerByte(10);
    m_startFolder = QDir::currentPath();
    Speech().setLibraryName(doubleEnginePath());
}

void TestBookRoad::cleanupTestCase() {
    QDir::setCurrent(m_startFolder);
    Speech().ReleaseSpeechLibrary();
}

QString TestBookRoad::startRecordedSession(const QTemporaryDir &books) {
    startFreshSession(*m_env);
    const QString heard = books.filePath(u"heard.wav"_s);
    m_env->set("UPCTV_WAV_FILE", QFile::encodeName(heard));
    m_env->set("UPCTV_WAV_PACE", "1");
    return heard;
}

Texts TestBookRoad::openFirstBook(const QByteArray &stopAt) {
    const DoubleLog log = m_env->log();
    return openFirstBook(
        [&] { return !stopAt.isEmpty() && log.textsRead().contains(spoken(stopAt)); }, "El viatge");
}

Texts TestBookRoad::openFirstBook(const std::function<bool()> &stopWhen, const QByteArray &title) {
    TFormPrincipal form;
    form.Hooks = readerHooks();
    form.Hooks.createBookChooser(&form);
    const DoubleLog log = m_env->log();
    log.clear();
    QTimer interrupt;
    interrupt.setInterval(5);
    connect(&interrupt, &QTimer::timeout, &form, [&] {
        if (stopWhen && stopWhen()) {
            interrupt.stop();
            QTest::keyClick(&form, Qt::Key_Return);
        }
    });
    interrupt.start();
    ChooserDriver chooser(ChooserDriver::firstBook());
    form.MenuObrirFitxerClick(); // returns once the run has ended or stopped
    const Texts texts = log.textsRead();
    const QByteArray announced = spoken(QByteArray(Messages::OpeningBookBeforeTitle) + title +
                                        Messages::OpeningBookAfterTitle);
    const qsizetype at = texts.indexOf(announced);
    return at < 0 ? Texts{"no announcement: " + log.dump().toUtf8()} : texts.mid(at + 1);
}

void TestBookRoad::epubResumesAtItsSentenceAfterARestart() {
    startFreshSession(*m_env);
    QTemporaryDir books;
    QVERIFY(books.isValid());
    const QString path = QDir(books.path()).canonicalPath() + u"/El viatge.epub"_s;
    QVERIFY(
        BookMaker::writeZip(path, BookMaker::epubEntries({"<h1>Capítol u</h1><p>Primera frase." +
                                                          Second + "</p><p>Fi del capítol</p>"})));
    QVERIFY(QDir::setCurrent(books.path())); // the chooser starts in this folder

    // First run: the heading, the first sentence, the second cut short by Return.
    QCOMPARE(openFirstBook(Second), (Texts{spoken(Heading), spoken(First), spoken(Second),
                                           spoken(State().PauseMenuText)}));
    const qint64 secondStart = Heading.size() + First.size();
    QCOMPARE(Settings().readValue(path), QByteArray::number(secondStart));

    restartReader();

    // Second run: from the stored sentence to the end, then back to 0.
    QCOMPARE(openFirstBook(QByteArray()),
             (Texts{spoken(Second), spoken(Last),
                    spoken(Messages::BookEnded.catalan + State().IdleMenuText)}));
    QCOMPARE(Settings().readValue(path), QByteArray("0"));
    // One text (with its structure beside it): the book was extracted once.
    QCOMPARE(QDir(m_env->path() + u"/cache/zelvora"_s).entryList({u"*.txt"_s}, QDir::Files).size(),
             1);
}

// Its folder shows one line, its title; the recording is heard phrase by phrase,
// Return in the second phrase saves that phrase's start, and after a restart the
// book resumes with that phrase.
void TestBookRoad::recordedDaisyResumesAtItsPhraseAfterARestart() {
    QTemporaryDir books;
    QVERIFY(books.isValid());
    const QString heard = startRecordedSession(books);
    DaisyMaker::Book book;
    book.media = DaisyMaker::Media::Audio;
    book.title = "Viatge enregistrat";
    book.chapters = {{1, {{"Capítol u", 1500, {}}, {"Segona", 3000, {}}, {"Tercera", 600, {}}}}};
    const QString ncc = DaisyMaker::make(QDir(books.path()).canonicalPath(), u"viatge"_s, book);
    QVERIFY(!ncc.isEmpty());
    const std::optional<PhraseTable> table = cachedPhrases(ncc);
    QVERIFY(table && table->size() == 3);
    QVERIFY(QDir::setCurrent(QFileInfo(ncc).path()));

    const qint64 second = table->offset(1);
    openFirstBook(
        [&] { return State().SentenceStart == second && phrasesHeard(heard, 0).contains(1); },
        book.title);
    QCOMPARE(State().BookPath, ncc);
    QCOMPARE(Settings().readValue(ncc), QByteArray::number(second));
    QCOMPARE(phrasesHeard(heard, 0), (QList<int>{0, 1}));

    const qint64 firstRun = QFileInfo(heard).size();
    restartReader();
    openFirstBook({}, book.title);
    QCOMPARE(phrasesHeard(heard, firstRun), (QList<int>{1, 2}));
    QCOMPARE(Settings().readValue(ncc), QByteArray("0"));
}

// The narration is heard, the heading it leaves out is spoken; Return in the
// second phrase saves its sentence start, A steps back over the first phrase's
// two sentences to its start, and after a restart the book resumes at the
// saved phrase.
void TestBookRoad::narratedEpubPlaysItsNarrationAndSpeaksTheRest() {
    QTemporaryDir books;
    QVERIFY(books.isValid());
    const QString heard = startRecordedSession(books);
    NarratedEpub::Book book;
    book.chapters = {{"Capítol narrat",
                      {{"Primera frase. I la segona.", 1500, {}},
                       {"Tercera frase.", 3000, {}},
                       {"Quarta frase.", 600, {}}}}};
    const QString path = QDir(books.path()).canonicalPath() + u"/narrat.epub"_s;
    QVERIFY(NarratedEpub::make(path, book));
    const std::optional<PhraseTable> table = cachedPhrases(path);
    QVERIFY(table && table->size() == 3);
    QVERIFY(QDir::setCurrent(books.path()));

    const DoubleLog log = m_env->log();
    const qint64 second = table->offset(1);
    openFirstBook(
        [&] { return State().SentenceStart == second && phrasesHeard(heard, 0).contains(1); },
        book.title);
    QCOMPARE(Settings().readValue(path), QByteArray::number(second));
    QCOMPARE(phrasesHeard(heard, 0), (QList<int>{0, 1}));
    const Texts texts = log.textsRead();
    QVERIFY2(texts.contains(spoken("Capítol narrat.")), log.dump().toUtf8());
    QVERIFY(!texts.contains(spoken("Primera frase.")) && !texts.contains(spoken(" I la segona.")));

    QVERIFY(StepBackOneSentence());
    QCOMPARE(State().ReadPosition, table->offset(0));
    restartReader();
    const qint64 firstRun = QFileInfo(heard).size();
    openFirstBook({}, book.title);
    QCOMPARE(phrasesHeard(heard, firstRun), (QList<int>{1, 2}));
}

void TestBookRoad::refusedBookIsSaidWithItsReason_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("reason");
    QTest::newRow("protected EPUB")
        << u"Llibre.epub"_s << QByteArray() << QByteArray(Messages::BookProtected.catalan);
    QTest::newRow("scanned PDF") << u"Escanejat.PDF"_s << BookMaker::pdf({{}})
                                 << QByteArray(Messages::BookWithoutText.catalan);
    QTest::newRow("damaged DOCX") << u"Carta.docx"_s << QByteArray("PK\x03\x04 trencat")
                                  << QByteArray(Messages::CannotOpenBook.catalan);
}

// The book's path and the reason, last, and no sentence of the book.
void TestBookRoad::refusedBookIsSaidWithItsReason() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, reason);
    startFreshSession(*m_env);
    QTemporaryDir books;
    QVERIFY(books.isValid());
    const QString path = QDir(books.path()).canonicalPath() + u'/' + name;
    if (bytes.isEmpty()) {
        BookMaker::Entries epub = BookMaker::epubEntries({"<p>Secret.</p>"});
        epub.append(qMakePair(QByteArray("META-INF/rights.xml"), QByteArray("<rights/>")));
        QVERIFY(BookMaker::writeZip(path, epub));
    } else {
        QVERIFY(BookMaker::writeFile(path, bytes));
    }
    QVERIFY(QDir::setCurrent(books.path()));

    TFormPrincipal form;
    form.Hooks = readerHooks();
    form.Hooks.createBookChooser(&form);
    const DoubleLog log = m_env->log();
    ChooserDriver chooser(ChooserDriver::firstBook());
    log.clear();
    form.MenuObrirFitxerClick();
    const Texts texts = log.textsRead();
    QVERIFY(!texts.isEmpty());
    QCOMPARE(texts.constLast(), spoken(lowerAsciiLetters(path.toUtf8() + reason)));
    QVERIFY(!texts.contains(spoken("Secret.")));
    QCOMPARE(State().BookPath, path);
}

QTEST_MAIN(TestBookRoad)
#include "tst_bookroad.moc"

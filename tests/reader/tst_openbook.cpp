// Opening a book through the real book chooser, driven with keys, against the
// recording speech double, with the program's own wiring of the main window.
#include "ChooserDriver.h"
#include "ClipboardFile.h"
#include "DoubleLog.h"
#include "Engines.h"
#include "FreshSession.h"
#include "Messages.h"
#include "OpenBook.h"
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
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using Texts = QList<QByteArray>;

namespace {

const QByteArray Book = "Primera frase. Segona frase. Fi.";

QByteArray spoken(const QByteArray &text) {
    return text + ' ';
}

QByteArray announcementFor(const QString &title) {
    return spoken(QByteArray(Messages::OpeningBookBeforeTitle) + title.toUtf8() +
                  Messages::OpeningBookAfterTitle);
}

} // namespace

class TestOpenBook : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void titleIsTheFileNameLessItsExtension_data();
    void titleIsTheFileNameLessItsExtension();
    void chosenBookIsAnnouncedAndReadFromItsSavedPosition_data();
    void chosenBookIsAnnouncedAndReadFromItsSavedPosition();
    void cancellingSpeaksTheMenuAndChangesNothing_data();
    void cancellingSpeaksTheMenuAndChangesNothing();
    void openingABookLeavesTheClipboardText();
    void notOpenedWhileARunIsActive();

private:
    // A folder holding just `name` with `bytes`, made the current folder so that
    // the chooser created next lists it. Returns the book's path.
    QString bookFolderWith(const QString &name, const QByteArray &bytes);
    void makeForm();

    std::unique_ptr<TestEnvironment> m_env;
    QString m_startFolder;
    std::unique_ptr<QTemporaryDir> m_books;
    std::unique_ptr<TFormPrincipal> m_form;
};

void TestOpenBook::initTestCase() {
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    QCOMPARE(Settings().path(), m_env->settingsPath());
    m_env->setMsPerByte(1);
    m_startFolder = QDir::currentPath();
    Speech().setLibraryName(doubleEnginePath());
}

void TestOpenBook::init() {
    startFreshSession(*m_env);
    if (QTest::currentTestFailed()) {
        return;
    }
    m_books = std::make_unique<QTemporaryDir>();
    QVERIFY(m_books->isValid());
    m_env->log().clear();
}

void TestOpenBook::cleanup() {
    m_form.reset();
    TheClipboardFile().remove();
    QDir::setCurrent(m_startFolder);
}

void TestOpenBook::cleanupTestCase() {
    Speech().ReleaseSpeechLibrary();
}

QString TestOpenBook::bookFolderWith(const QString &name, const QByteArray &bytes) {
    const QString path = m_books->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write a test book");
    }
    QDir::setCurrent(m_books->path());
    return QDir(m_books->path()).canonicalPath() + u'/' + name;
}

void TestOpenBook::makeForm() {
    m_form = std::make_unique<TFormPrincipal>();
    m_form->Hooks = readerHooks();
    m_form->Hooks.createBookChooser(m_form.get());
}

void TestOpenBook::titleIsTheFileNameLessItsExtension_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("book") << u"/llibres/Tirant lo Blanc.txt"_s << u"Tirant lo Blanc"_s;
    QTest::newRow("accented name") << u"/a/Càntic.txt"_s << u"Càntic"_s;
    QTest::newRow("one character left") << u"/a/x.txt"_s << u"x"_s;
    QTest::newRow("just the extension") << u"/a/.txt"_s << QString();
    QTest::newRow("three characters") << u"/a/abc"_s << QString();
    QTest::newRow("a dot in the folder") << u"/b.d/abcd"_s << QString();
    QTest::newRow("no folder") << u"Viatge.txt"_s << u"Viatge"_s;
    QTest::newRow("upper-case extension") << u"/a/BOSC.TXT"_s << u"BOSC"_s;
}

void TestOpenBook::titleIsTheFileNameLessItsExtension() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(bookTitleOf(path), title);
}

void TestOpenBook::chosenBookIsAnnouncedAndReadFromItsSavedPosition_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("stored"); // null: no key
    QTest::addColumn<bool>("catalan");
    QTest::addColumn<QString>("title");
    QTest::addColumn<Texts>("sentences");

    const Texts all{"Primera frase. ", " Segona frase. ", " Fi. "};
    QTest::newRow("never opened") << u"Viatge.txt"_s << QByteArray() << true << u"Viatge"_s << all;
    QTest::newRow("read to the end before")
        << u"Viatge.txt"_s << QByteArray("0") << true << u"Viatge"_s << all;
    QTest::newRow("saved position")
        << u"Viatge.txt"_s << QByteArray("14") << true << u"Viatge"_s << all.mid(1);
    QTest::newRow("saved inside a sentence") << u"Viatge.txt"_s << QByteArray("20") << true
                                             << u"Viatge"_s << Texts{"a frase. ", " Fi. "};
    QTest::newRow("not a number") << u"Viatge.txt"_s << QByteArray("catorze") << true << u"Viatge"_s
                                  << all;
    QTest::newRow("empty value") << u"Viatge.txt"_s << QByteArray("") << true << u"Viatge"_s << all;
    QTest::newRow("Spanish active")
        << u"Viatge.txt"_s << QByteArray() << false << u"Viatge"_s << all;
    QTest::newRow("name of four characters")
        << u".txt"_s << QByteArray() << true << QString() << all;
    QTest::newRow("accented name") << u"Càntic.txt"_s << QByteArray() << true << u"Càntic"_s << all;
}

// The announcement, in Catalan whatever the language, is heard to its end; 300 ms
// later the book is read from its saved position to its end.
void TestOpenBook::chosenBookIsAnnouncedAndReadFromItsSavedPosition() {
    QFETCH(QString, name);
    QFETCH(QByteArray, stored);
    QFETCH(bool, catalan);
    QFETCH(QString, title);
    QFETCH(Texts, sentences);

    if (!catalan) {
        Speech().SwitchToSpanish();
        BuildSpanishMenus();
    }
    const QString path = bookFolderWith(name, Book);
    if (!stored.isNull()) {
        QVERIFY(Settings().writeValue(path, stored));
    }
    makeForm();
    const DoubleLog log = m_env->log();
    log.clear();
    ChooserDriver driver(ChooserDriver::firstBook());
    m_form->MenuObrirFitxerClick();

    QCOMPARE(driver.timesShown(), 1);
    QCOMPARE(State().BookPath, path);
    QCOMPARE(State().BookTitle, title);
    QVERIFY(!State().ClipboardMode);
    QVERIFY(!m_form->IsReading);
    const Texts texts = log.textsRead();
    const qsizetype first = texts.indexOf(announcementFor(title));
    QVERIFY2(first >= 0, qPrintable(log.dump()));
    const QByteArray ended =
        inActiveLanguage(Messages::BookEnded) + State().IdleMenuText + QByteArray(" ");
    QCOMPARE(texts.mid(first + 1), sentences + Texts{ended});
    QCOMPARE(Settings().readValue(path), QByteArray("0"));

    // The first sentence comes at least 300 ms after the engine fell silent.
    qint64 silent = -1;
    qint64 firstSentence = -1;
    for (const DoubleCall &call : log.calls()) {
        if (call.name == u"upcTVStatus" && call.result == 0 && firstSentence < 0) {
            silent = call.ms;
        }
        if (call.hasText && call.text == sentences.constFirst() && firstSentence < 0) {
            firstSentence = call.ms;
        }
    }
    QVERIFY2(silent >= 0 && firstSentence - silent >= 250, qPrintable(log.dump()));
}

void TestOpenBook::cancellingSpeaksTheMenuAndChangesNothing_data() {
    QTest::addColumn<bool>("catalan");
    QTest::addColumn<bool>("bookFinished");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("Catalan, idle")
        << true << true << QByteArray(Messages::OpenCancelledWhenIdle.catalan);
    QTest::newRow("Catalan, paused")
        << true << false << QByteArray(Messages::OpenCancelledWhenPaused.catalan);
    QTest::newRow("Spanish, idle")
        << false << true << QByteArray(Messages::OpenCancelledWhenIdle.spanish);
    QTest::newRow("Spanish, paused")
        << false << false << QByteArray(Messages::OpenCancelledWhenPaused.spanish);
}

void TestOpenBook::cancellingSpeaksTheMenuAndChangesNothing() {
    QFETCH(bool, catalan);
    QFETCH(bool, bookFinished);
    QFETCH(QByteArray, text);

    if (!catalan) {
        Speech().SwitchToSpanish();
        BuildSpanishMenus();
    }
    bookFolderWith(u"Viatge.txt"_s, Book);
    makeForm();
    ReaderState &state = State();
    state.BookPath = u"/llibres/Tirant.txt"_s;
    state.BookTitle = u"Tirant"_s;
    state.ReadPosition = 7;
    state.SentenceStart = 7;
    state.BookFinished = bookFinished;
    state.StopAfterSentence = true;
    const ReaderState before = state;
    const DoubleLog log = m_env->log();
    log.clear();
    ChooserDriver driver(ChooserDriver::escape());
    m_form->MenuObrirFitxerClick();

    QCOMPARE(driver.timesShown(), 1);
    const QByteArray menu = bookFinished ? state.IdleMenuText : state.PauseMenuText;
    QCOMPARE(log.textsRead().constLast(), spoken(text + menu));
    QCOMPARE(state.BookPath, before.BookPath);
    QCOMPARE(state.BookTitle, before.BookTitle);
    QCOMPARE(state.ReadPosition, before.ReadPosition);
    QCOMPARE(state.SentenceStart, before.SentenceStart);
    QCOMPARE(state.BookFinished, before.BookFinished);
    QCOMPARE(state.StopAfterSentence, before.StopAfterSentence);
    QCOMPARE(state.ClipboardMode, before.ClipboardMode);
    QVERIFY(!m_form->IsReading);
    QVERIFY(!QFile::exists(m_env->settingsPath()));
}

// Choosing a book ends the clipboard's reading: its temporary file goes, and no
// position of the clipboard text is ever written.
void TestOpenBook::openingABookLeavesTheClipboardText() {
    const QString book = bookFolderWith(u"Viatge.txt"_s, Book);
    makeForm();
    const QString clipboardPath = TheClipboardFile().replace("Text copiat. Segona.");
    QVERIFY(!clipboardPath.isEmpty());
    ReaderState &state = State();
    state.BookPath = clipboardPath;
    state.BookTitle = QString::fromUtf8(Messages::ClipboardTitle);
    state.ClipboardMode = true;
    state.BookFinished = false;
    state.ReadPosition = state.SentenceStart = 12;
    ChooserDriver driver(ChooserDriver::firstBook());
    m_form->MenuObrirFitxerClick();

    QCOMPARE(driver.timesShown(), 1);
    QVERIFY(!QFile::exists(clipboardPath));
    QVERIFY(!state.ClipboardMode);
    QCOMPARE(state.BookPath, book);
    QCOMPARE(SettingsFile(m_env->settingsPath()).readValue(clipboardPath), QByteArray("NO"));
}

// The context menu's item, used while a run reads: no chooser, and the run reads
// on undisturbed.
void TestOpenBook::notOpenedWhileARunIsActive() {
    const QString book =
        bookFolderWith(u"Viatge.txt"_s, "Una frase prou llarga per sentir-la un moment. Fi.");
    makeForm();
    m_env->setMsPerByte(30);
    ChooserDriver driver(ChooserDriver::escape());
    State().BookPath = book;
    bool refusedAtOnce = false;
    QTimer::singleShot(100, m_form.get(), [&] {
        QVERIFY(ReadingRunActive());
        m_form->MenuObrirFitxer->trigger();
        refusedAtOnce = m_form->IsReading;
    });
    m_form->IsReading = true;
    m_form->ReadBook();
    m_env->setMsPerByte(1);

    QVERIFY(refusedAtOnce);
    QCOMPARE(driver.timesShown(), 0);
    const Texts texts = m_env->log().textsRead();
    QCOMPARE(texts.size(), 3); // both sentences, then the end
    QCOMPARE(Settings().readValue(book), QByteArray("0"));
}

QTEST_MAIN(TestOpenBook)
#include "tst_openbook.moc"

// Opening a book through the real book chooser, driven with keys, against the
// recording speech double, with the program's own wiring of the main window.
#include "ChooserDriver.h"
#include "ClipboardFile.h"
#include "MainWindowFixture.h"
#include "Messages.h"
#include "OpenBook.h"
#include "ReadBook.h"
#include "ReaderState.h"
#include "SettingsFile.h"
#include "SpeakAndWait.h"
#include "SpokenMenus.h"
#include "UnitUPCTV.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;
using Texts = QList<QByteArray>;

namespace {

const QByteArray Book = "Primera frase. Segona frase. Fi.";

constexpr auto spoken = &MainWindowFixture::spoken;

QByteArray announcementFor(const QString &title) {
    return spoken(QByteArray(Messages::OpeningBookBeforeTitle) + title.toUtf8() +
                  Messages::OpeningBookAfterTitle);
}

} // namespace

class TestOpenBook : public MainWindowTest {
    Q_OBJECT
private slots:
    void titleIsTheFileNameLessItsExtension_data();
    void titleIsTheFileNameLessItsExtension();
    void chosenBookIsAnnouncedAndReadFromItsSavedPosition_data();
    void chosenBookIsAnnouncedAndReadFromItsSavedPosition();
    void cancellingSpeaksTheMenuAndChangesNothing_data();
    void cancellingSpeaksTheMenuAndChangesNothing();
    void openingABookLeavesTheClipboardText();
    void notOpenedWhileARunIsActive_data();
    void notOpenedWhileARunIsActive();

private:
    // `name` with `bytes` in the current folder, which the chooser created next
    // lists. Returns the book's path.
    QString bookFolderWith(const QString &name, const QByteArray &bytes) {
        return m_fixture.writeBook(bytes, name);
    }
    void makeForm() { m_form = &m_fixture.makeForm(); }

    TFormPrincipal *m_form = nullptr;
};

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
    const DoubleLog log = m_fixture.log();
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
    const DoubleLog log = m_fixture.log();
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
    QVERIFY(!QFile::exists(m_fixture.env().settingsPath()));
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
    QCOMPARE(SettingsFile(m_fixture.env().settingsPath()).readValue(clipboardPath),
             QByteArray("NO"));
}

void TestOpenBook::notOpenedWhileARunIsActive_data() {
    QTest::addColumn<QByteArray>("during");
    QTest::addColumn<bool>("lastSentence");
    QTest::addColumn<QByteArray>("stored");
    // Sentences at 0, 21 and 42; the run starts at 21.
    QTest::newRow("a sentence: stopped as by the stop key")
        << QByteArray(" Segona frase llarga. ") << false << QByteArray("21");
    QTest::newRow("the last sentence: cut short, then the end")
        << QByteArray(" Tercera frase llarga. ") << true << QByteArray("0");
}

// "&Obrir Fitxer..." chosen from the context menu while a run reads: no chooser
// while the run is active; the reading stops at once, and the chooser comes once
// the run has unwound.
void TestOpenBook::notOpenedWhileARunIsActive() {
    QFETCH(QByteArray, during);
    QFETCH(bool, lastSentence);
    QFETCH(QByteArray, stored);
    const QString book = bookFolderWith(
        u"Viatge.txt"_s, "Primera frase llarga. Segona frase llarga. Tercera frase llarga.");
    m_fixture.env().setMsPerByte(40);
    makeForm();
    bool runActiveWhenShown = true;
    ChooserDriver driver([&](TFormObrirRecurs &chooser) {
        runActiveWhenShown = ReadingRunActive();
        QTest::keyClick(&chooser, Qt::Key_Escape);
    });
    MainWindowFixture::pausedAt(book, 21);
    m_fixture.whenSpoken(during, [&] { m_form->MenuObrirFitxer->trigger(); });
    m_fixture.press(Qt::Key_C);
    QTRY_COMPARE_WITH_TIMEOUT(driver.timesShown(), 1, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_fixture.log().textsRead().isEmpty() &&
                                 m_fixture.log().textsRead().constLast().startsWith("Has cancel"),
                             30000);

    QVERIFY(!runActiveWhenShown);
    const QByteArray cancelled =
        lastSentence ? spoken(Messages::OpenCancelledWhenIdle.catalan + State().IdleMenuText)
                     : spoken(Messages::OpenCancelledWhenPaused.catalan + State().PauseMenuText);
    // Nothing more of the book; the end of the book if it came to its end; the
    // chooser's prompts; the cancellation.
    const Texts after = m_fixture.spokenAfter(during);
    QVERIFY(after.size() >= 2);
    for (const QByteArray &text : after) {
        QVERIFY2(!text.contains("frase llarga"), text.constData());
    }
    if (lastSentence) {
        QCOMPARE(after.constFirst(), MainWindowFixture::bookEnded());
    }
    QCOMPARE(after.constLast(), cancelled);
    QCOMPARE(Settings().readValue(book), stored);
    QCOMPARE(State().BookFinished, lastSentence);
}

QTEST_MAIN(TestOpenBook)
#include "tst_openbook.moc"

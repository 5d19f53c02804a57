// The key commands of the main window, pressed as keys on the window wired as the
// program wires it (reader, book chooser), against the recording speech double.
#include "ChooserDriver.h"
#include "MainWindowFixture.h"
#include "Messages.h"
#include "ReaderState.h"
#include "SettingsFile.h"
#include "SpeakAndWait.h"
#include "SpokenMenus.h"
#include "UnitUPCTV.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QKeySequence>
#include <QTest>

using namespace Qt::StringLiterals;
using Texts = QList<QByteArray>;

namespace {

enum Situation { Idle, Reading, Paused };

// "A. B. C.": sentences at 0, 2 and 5.
const QByteArray ShortBook = "A. B. C.";
const Qt::KeyboardModifiers NoKeys = Qt::NoModifier;
const Qt::KeyboardModifiers Keypad = Qt::KeypadModifier;

constexpr auto spoken = &MainWindowFixture::spoken;
constexpr auto bookEnded = &MainWindowFixture::bookEnded;

QByteArray catalan(const Phrase &phrase) {
    return phrase.catalan;
}

} // namespace

class TestKeyCommands : public MainWindowTest {
    Q_OBJECT
private slots:
    void init();

    void commandTable_data();
    void commandTable();
    void speedSteps_data();
    void speedSteps();
    void readingModeDecidesHowContinueReads_data();
    void readingModeDecidesHowContinueReads();
    void previousSentence_data();
    void previousSentence();
    void restartReadsFromTheFirstByte_data();
    void restartReadsFromTheFirstByte();
    void languageThereAndBack_data();
    void languageThereAndBack();

private:
    DoubleLog log() const { return m_fixture.log(); }
    void makeForm() { m_form = &m_fixture.makeForm(); }
    void pausedAt(qint64 position) { MainWindowFixture::pausedAt(m_book, position); }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        m_fixture.press(key, modifiers);
    }

    QString m_book;
    TFormPrincipal *m_form = nullptr;
};

void TestKeyCommands::init() {
    m_fixture.reset();
    m_book = m_fixture.writeBook(ShortBook);
    QGuiApplication::clipboard()->setText(u"Hola. Adéu."_s);
}

void TestKeyCommands::commandTable_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("situation");
    QTest::addColumn<QByteArray>("expected"); // what the command says; empty: nothing acts

    BuildCatalanMenus();
    const QByteArray idleMenu = State().IdleMenuText;
    const QByteArray pauseMenu = State().PauseMenuText;
    struct Command {
        const char *name;
        QList<std::pair<int, Qt::KeyboardModifiers>> keys;
        QByteArray idle;
        QByteArray paused;
        QByteArray reading;
    };
    const QList<Command> commands{
        {"menu",
         {{Qt::Key_R, NoKeys}, {Qt::Key_F3, NoKeys}, {Qt::Key_Return, NoKeys}},
         idleMenu,
         pauseMenu,
         pauseMenu},
        {"P",
         {{Qt::Key_P, NoKeys}, {Qt::Key_F1, NoKeys}},
         catalan(Messages::StopAfterSentenceOn),
         catalan(Messages::StopAfterSentenceOn),
         {}},
        {"C",
         {{Qt::Key_C, NoKeys}, {Qt::Key_3, Keypad}, {Qt::Key_C, Qt::ShiftModifier}},
         {},
         catalan(Messages::ContinueReading) + "Llibre",
         {}},
        {"A",
         {{Qt::Key_A, NoKeys}, {Qt::Key_1, Keypad}},
         {},
         catalan(Messages::ContinueAtPreviousSentence),
         {}},
        {"M",
         {{Qt::Key_M, NoKeys}, {Qt::Key_Minus, Keypad}},
         {},
         catalan(Messages::RestartBook),
         {}},
        {"O",
         {{Qt::Key_O, NoKeys}, {Qt::Key_Slash, Keypad}},
         catalan(Messages::OpenCancelledWhenIdle) + idleMenu,
         catalan(Messages::OpenCancelledWhenPaused) + pauseMenu,
         {}},
        {"V",
         {{Qt::Key_V, NoKeys}, {Qt::Key_F7, NoKeys}},
         catalan(Messages::SpeedRaised),
         catalan(Messages::SpeedRaised),
         {}},
        {"D",
         {{Qt::Key_D, NoKeys}, {Qt::Key_4, Keypad}},
         catalan(Messages::SpeedLowered),
         catalan(Messages::SpeedLowered),
         {}},
        {"L",
         {{Qt::Key_L, NoKeys}, {Qt::Key_Comma, Keypad}},
         Messages::SwitchedToSpanish,
         Messages::SwitchedToSpanish,
         {}},
        {"T",
         {{Qt::Key_T, NoKeys}, {Qt::Key_F5, NoKeys}},
         catalan(Messages::ReadClipboard),
         catalan(Messages::ReadClipboard),
         {}},
        {"S",
         {{Qt::Key_S, NoKeys}, {Qt::Key_F4, NoKeys}},
         catalan(Messages::Farewell),
         catalan(Messages::Farewell),
         {}},
        {"B", {{Qt::Key_B, NoKeys}, {Qt::Key_2, Keypad}}, {}, QByteArray("Marcador 1 afegit"), {}},
        {"Z",
         {{Qt::Key_Z, NoKeys}, {Qt::Key_F11, NoKeys}},
         {},
         QByteArray("La lectura s'aturarà d'aquí a 15 minuts"),
         {}},
        {"none",
         {{Qt::Key_Shift, NoKeys},
          {Qt::Key_Left, NoKeys},
          {Qt::Key_Q, NoKeys},
          {Qt::Key_F2, NoKeys},
          {Qt::Key_Minus, NoKeys}},
         {},
         {},
         {}},
    };
    const char *situationNames[] = {"idle", "reading", "paused"};
    for (const Command &command : commands) {
        for (const auto &[key, modifiers] : command.keys) {
            for (int situation : {Idle, Reading, Paused}) {
                const QByteArray expected = situation == Idle     ? command.idle
                                            : situation == Paused ? command.paused
                                                                  : command.reading;
                QTest::addRow("%s, %s%s, %s", command.name,
                              modifiers == Keypad              ? "keypad "
                              : modifiers == Qt::ShiftModifier ? "shift "
                                                               : "",
                              qPrintable(QKeySequence(key).toString()), situationNames[situation])
                    << key << modifiers << situation << expected;
            }
        }
    }
}

// Idle, no book; reading, a run speaking; paused, the book "A. B. C." at 2. A key
// that acts says what its command says (the chooser is cancelled at once); any
// other key only silences the speech when no run reads, and is ignored during a
// run.
void TestKeyCommands::commandTable() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, situation);
    QFETCH(QByteArray, expected);

    makeForm();
    ChooserDriver driver(ChooserDriver::escape());
    if (situation != Idle) {
        pausedAt(2);
    }
    if (situation == Reading) {
        m_form->IsReading = true;
        TimerStatusUpcTV().arm();
        Speech().SpeakText(QByteArray(20000, 'a')); // a sentence that lasts 20 s
    }
    log().clear();
    press(key, modifiers);
    WaitPumping(300); // a late text would have come by now

    const QStringList names = log().names();
    const Texts texts = log().textsRead();
    if (situation == Reading && expected.isEmpty()) {
        QCOMPARE(names, QStringList{});
        QVERIFY(m_form->IsReading);
        QVERIFY(TimerStatusUpcTV().isArmed());
        return;
    }
    QVERIFY2(!names.isEmpty() && names.constFirst() == u"upcTVStop", qPrintable(log().dump()));
    if (expected.isEmpty()) {
        // A Shift held with the key is a key press of its own.
        const int presses = modifiers.testFlag(Qt::ShiftModifier) ? 2 : 1;
        QCOMPARE(names, QStringList(presses, u"upcTVStop"_s));
        QVERIFY(!QFile::exists(m_fixture.env().settingsPath()));
    } else {
        QVERIFY2(texts.contains(spoken(expected)), qPrintable(log().dump()));
    }
    QVERIFY(!m_form->IsReading);
}

void TestKeyCommands::speedSteps_data() {
    QTest::addColumn<QByteArray>("stored"); // null: no speed stored
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QList<int>>("speeds"); // what the library is given, in order
    QTest::addColumn<int>("refusals");

    QList<int> up;
    for (int speed = 150; speed <= 250; speed += 10) {
        up << speed;
    }
    QList<int> down;
    for (int speed = 130; speed >= 10; speed -= 10) {
        down << speed;
    }
    QTest::newRow("eleven V from 140, the twelfth refused")
        << QByteArray() << int(Qt::Key_V) << 12 << up << 1;
    QTest::newRow("thirteen D from 140, the fourteenth refused")
        << QByteArray() << int(Qt::Key_D) << 14 << down << 1;
    QTest::newRow("stored 300: V refused")
        << QByteArray("300") << int(Qt::Key_V) << 2 << QList<int>{} << 2;
    QTest::newRow("stored 300: D")
        << QByteArray("300") << int(Qt::Key_D) << 1 << QList<int>{290} << 0;
    QTest::newRow("stored 5: D refused")
        << QByteArray("5") << int(Qt::Key_D) << 1 << QList<int>{} << 1;
    QTest::newRow("stored 5: V") << QByteArray("5") << int(Qt::Key_V) << 1 << QList<int>{15} << 0;
    QTest::newRow("stored 200: F7")
        << QByteArray("200") << int(Qt::Key_F7) << 2 << QList<int>{210, 220} << 0;
}

// Each press stops the speech, gives the library the new speed, then says so;
// at a limit it says the refusal and the speed stays.
void TestKeyCommands::speedSteps() {
    QFETCH(QByteArray, stored);
    QFETCH(int, key);
    QFETCH(int, presses);
    QFETCH(QList<int>, speeds);
    QFETCH(int, refusals);

    if (!stored.isNull()) {
        QVERIFY(Settings().writeValue(QString::fromUtf8(SettingsFile::SpeedKey), stored));
    }
    const int start = Settings().readReadingSpeed(); // as the start-up reads it
    Speech().ReadingSpeed = start;
    makeForm();
    for (int press = 0; press < presses; ++press) {
        this->press(key);
    }

    const bool faster = key != Qt::Key_D;
    const QByteArray changed = catalan(faster ? Messages::SpeedRaised : Messages::SpeedLowered);
    const QByteArray refused =
        catalan(faster ? Messages::SpeedAtMaximum : Messages::SpeedAtMinimum);
    QList<int> given;
    QStringList expectedSteps;
    int speed = start;
    for (const DoubleCall &call : log().calls()) {
        if (call.name == u"upcTVSetSpeed") {
            given << call.value;
        }
    }
    for (int press = 0; press < presses; ++press) {
        const bool moves = press < speeds.size();
        expectedSteps << u"upcTVStop"_s << u"upcTVStop"_s;
        if (moves) {
            speed = speeds.at(press);
            expectedSteps << u"upcTVSetSpeed %1"_s.arg(speed);
        }
        expectedSteps << u"upcTVStop"_s
                      << u"upcTVRead "_s + QString::fromLatin1(spoken(moves ? changed : refused));
    }
    QCOMPARE(given, speeds);
    QCOMPARE(log().steps(), expectedSteps);
    QCOMPARE(Speech().ReadingSpeed, speed);
    QCOMPARE(log().textsRead().count(spoken(refused)), refusals);
}

void TestKeyCommands::readingModeDecidesHowContinueReads_data() {
    QTest::addColumn<int>("pPresses");
    QTest::addColumn<bool>("catalanActive");
    QTest::addColumn<Texts>("expected");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("finished");

    const QByteArray on = spoken(Messages::StopAfterSentenceOn.catalan);
    const QByteArray off = spoken(Messages::StopAfterSentenceOff.catalan);
    const QByteArray announced = spoken(catalan(Messages::ContinueReading) + "Llibre");
    QTest::newRow("continuous: announced, reads on")
        << 0 << true << Texts{announced, " B. ", " C. ", "END"} << QByteArray("0") << true;
    QTest::newRow("P: one sentence, unannounced")
        << 1 << true << Texts{on, " B. "} << QByteArray("5") << false;
    QTest::newRow("P twice: continuous again")
        << 2 << true << Texts{on, off, announced, " B. ", " C. ", "END"} << QByteArray("0") << true;
    QTest::newRow("P in Spanish") << 1 << false
                                  << Texts{spoken(Messages::StopAfterSentenceOn.spanish), " B. "}
                                  << QByteArray("5") << false;
}

// P (paused at 2) switches the mode and says which; C then reads one sentence, or
// announces the book and reads to its end.
void TestKeyCommands::readingModeDecidesHowContinueReads() {
    QFETCH(int, pPresses);
    QFETCH(bool, catalanActive);
    QFETCH(Texts, expected);
    QFETCH(QByteArray, stored);
    QFETCH(bool, finished);

    if (!catalanActive) {
        Speech().SwitchToSpanish();
        BuildSpanishMenus();
    }
    makeForm();
    pausedAt(2);
    log().clear();
    for (int press = 0; press < pPresses; ++press) {
        this->press(Qt::Key_P);
    }
    QCOMPARE(State().StopAfterSentence, pPresses % 2 == 1);
    press(Qt::Key_C);

    if (expected.constLast() == "END") {
        expected.last() = bookEnded();
    }
    QCOMPARE(log().textsRead(), expected);
    QCOMPARE(Settings().readValue(m_book), stored);
    QCOMPARE(State().BookFinished, finished);
    QVERIFY(!m_form->IsReading);
}

void TestKeyCommands::previousSentence_data() {
    QTest::addColumn<bool>("stopAfterSentence");
    QTest::addColumn<qint64>("sentenceStart");
    QTest::addColumn<Texts>("sentences");
    // "A. B. C.": from 5 the step back finds the full stop at 1, and the second
    // sentence is read again with its leading blank (continuous) or without it.
    QTest::newRow("continuous, from 5") << false << qint64(5) << Texts{" B. ", " C. ", "END"};
    QTest::newRow("one at a time, from 5") << true << qint64(5) << Texts{"B. "};
    QTest::newRow("continuous, from 2")
        << false << qint64(2) << Texts{"A. ", " B. ", " C. ", "END"};
    QTest::newRow("one at a time, from 2") << true << qint64(2) << Texts{"A. "};
    QTest::newRow("continuous, from 1: no step")
        << false << qint64(1) << Texts{". ", " B. ", " C. ", "END"};
}

void TestKeyCommands::previousSentence() {
    QFETCH(bool, stopAfterSentence);
    QFETCH(qint64, sentenceStart);
    QFETCH(Texts, sentences);

    makeForm();
    pausedAt(sentenceStart);
    State().StopAfterSentence = stopAfterSentence;
    press(Qt::Key_A);

    const Phrase &said =
        stopAfterSentence ? Messages::RepeatPreviousSentence : Messages::ContinueAtPreviousSentence;
    if (sentences.constLast() == "END") {
        sentences.last() = bookEnded();
    }
    QCOMPARE(log().textsRead(), Texts{spoken(said.catalan)} + sentences);
}

void TestKeyCommands::restartReadsFromTheFirstByte_data() {
    QTest::addColumn<bool>("catalanActive");
    QTest::newRow("Catalan") << true;
    QTest::newRow("Spanish") << false;
}

void TestKeyCommands::restartReadsFromTheFirstByte() {
    QFETCH(bool, catalanActive);
    if (!catalanActive) {
        Speech().SwitchToSpanish();
        BuildSpanishMenus();
    }
    makeForm();
    pausedAt(5);
    log().clear();
    press(Qt::Key_Minus, Keypad);

    QCOMPARE(log().textsRead(), (Texts{spoken(inActiveLanguage(Messages::RestartBook)), "A. ",
                                       " B. ", " C. ", bookEnded()}));
    QCOMPARE(Settings().readValue(m_book), QByteArray("0"));
}

void TestKeyCommands::languageThereAndBack_data() {
    QTest::addColumn<bool>("paused");
    QTest::newRow("idle") << false;
    QTest::newRow("paused") << true;
}

// L reloads the library in the other language, confirms in it, and speaks the
// menu of the situation rebuilt in it; L again comes back.
void TestKeyCommands::languageThereAndBack() {
    QFETCH(bool, paused);
    makeForm();
    if (paused) {
        pausedAt(2);
    }
    const auto menuNow = [&] { return paused ? State().PauseMenuText : State().IdleMenuText; };
    const QByteArray catalanMenu = menuNow();
    BuildSpanishMenus();
    const QByteArray spanishMenu = menuNow();
    BuildCatalanMenus();
    QVERIFY(catalanMenu != spanishMenu);

    const auto expectedSteps = [](int language, int speaker, const QByteArray &confirmation,
                                  const QByteArray &menu) {
        return QStringList{u"upcTVStop"_s,
                           u"upcTVStop"_s,
                           u"upcTVStop"_s,
                           u"unload"_s,
                           u"load"_s,
                           u"upcTVSetSpeed 140"_s,
                           u"upcTVSetLanguage %1"_s.arg(language),
                           u"upcTVSetSpeaker %1"_s.arg(speaker),
                           u"upcTVStop"_s,
                           u"upcTVRead "_s + QString::fromLatin1(spoken(confirmation)),
                           u"upcTVStop"_s,
                           u"upcTVStop"_s,
                           u"upcTVRead "_s + QString::fromLatin1(spoken(menu))};
    };
    press(Qt::Key_L);
    QVERIFY(!Speech().CatalanActive);
    QCOMPARE(log().steps(), expectedSteps(101, 1, Messages::SwitchedToSpanish, spanishMenu));
    QCOMPARE(menuNow(), spanishMenu);

    log().clear();
    press(Qt::Key_L);
    QVERIFY(Speech().CatalanActive);
    QCOMPARE(log().steps(), expectedSteps(99, 0, Messages::SwitchedToCatalan, catalanMenu));
    QCOMPARE(menuNow(), catalanMenu);
}

QTEST_MAIN(TestKeyCommands)
#include "tst_keycommands.moc"

// Runs never nest, and closing the main window ends a run: keys pressed while a
// run unwinds, and a close during a run, on the window wired as the program wires
// it, against the recording speech double.
#include "ChooserDriver.h"
#include "MainWindowFixture.h"
#include "Messages.h"
#include "ReadBook.h"
#include "ReaderState.h"
#include "SettingsFile.h"
#include "SpeakAndWait.h"
#include "UnitUPCTV.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Texts = QList<QByteArray>;

namespace {

const Qt::KeyboardModifiers NoKeys = Qt::NoModifier;
const Qt::KeyboardModifiers Keypad = Qt::KeypadModifier;

constexpr auto spoken = &MainWindowFixture::spoken;
constexpr auto bookEnded = &MainWindowFixture::bookEnded;

} // namespace

class TestRunsNeverNest : public MainWindowTest {
    Q_OBJECT
private slots:
    void keysDuringTheLastSentenceStartNothing_data();
    void keysDuringTheLastSentenceStartNothing();
    void keysDuringTheStopKeysPauseStartNothing_data();
    void keysDuringTheStopKeysPauseStartNothing();
    void closingDuringARunEndsIt_data();
    void closingDuringARunEndsIt();
    void keysDuringTheFarewellStartNothing_data();
    void keysDuringTheFarewellStartNothing();

private:
    DoubleLog log() const { return m_fixture.log(); }
    void makeForm() { m_form = &m_fixture.makeForm(); }
    QString writeBook(const QByteArray &bytes) { return m_fixture.writeBook(bytes); }
    void pausedAt(qint64 position) { MainWindowFixture::pausedAt(m_book, position); }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        m_fixture.press(key, modifiers);
    }
    void whenSpoken(const QByteArray &text, std::function<void()> action) {
        m_fixture.whenSpoken(text, std::move(action));
    }
    Texts spokenAfter(const QByteArray &text) const { return m_fixture.spokenAfter(text); }

    QString m_book;
    TFormPrincipal *m_form = nullptr;
};

void TestRunsNeverNest::keysDuringTheLastSentenceStartNothing_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("T") << int(Qt::Key_T) << NoKeys;
    QTest::newRow("F5") << int(Qt::Key_F5) << NoKeys;
    QTest::newRow("O") << int(Qt::Key_O) << NoKeys;
    QTest::newRow("keypad divide") << int(Qt::Key_Slash) << Keypad;
}

// During the last sentence no run reads any more, yet the run has not ended: a
// command that would start another run only cuts the sentence short, and the
// end of the book follows as usual.
void TestRunsNeverNest::keysDuringTheLastSentenceStartNothing() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    const QByteArray last = " Darrera frase, prou llarga per donar temps a la tecla.";
    m_book = writeBook("Un." + last);
    m_fixture.env().setMsPerByte(40);
    makeForm();
    ChooserDriver driver(ChooserDriver::escape());
    pausedAt(0);
    whenSpoken(spoken(last), [&] { press(key, modifiers); });
    press(Qt::Key_C);

    QCOMPARE(driver.timesShown(), 0);
    QCOMPARE(spokenAfter(spoken(last)), Texts{bookEnded()});
    QCOMPARE(State().BookPath, m_book);
    QVERIFY(!State().ClipboardMode);
    QVERIFY(State().BookFinished);
    QCOMPARE(Settings().readValue(m_book), QByteArray("0"));
}

void TestRunsNeverNest::keysDuringTheStopKeysPauseStartNothing_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("C") << int(Qt::Key_C);
    QTest::newRow("A") << int(Qt::Key_A);
    QTest::newRow("M") << int(Qt::Key_M);
    QTest::newRow("O") << int(Qt::Key_O);
    QTest::newRow("T") << int(Qt::Key_T);
}

// Return stops a run and speaks the pause menu 200 ms later; until the run has
// unwound, no key starts another one.
void TestRunsNeverNest::keysDuringTheStopKeysPauseStartNothing() {
    QFETCH(int, key);
    const QByteArray first = "Primera frase, prou llarga per interrompre-la.";
    m_book = writeBook(first + " Segona.");
    m_fixture.env().setMsPerByte(40);
    makeForm();
    ChooserDriver driver(ChooserDriver::escape());
    pausedAt(0);
    whenSpoken(spoken(first), [&] {
        QTimer::singleShot(50, m_form, [&] { press(key); });
        press(Qt::Key_Return);
    });
    press(Qt::Key_C);

    QCOMPARE(driver.timesShown(), 0);
    QCOMPARE(spokenAfter(spoken(first)), Texts{spoken(State().PauseMenuText)});
    QCOMPARE(State().BookPath, m_book);
    QVERIFY(!State().BookFinished);
    QVERIFY(!State().ClipboardMode);
    QCOMPARE(State().ReadPosition, 0);
    QCOMPARE(Settings().readValue(m_book), QByteArray("0"));
}

void TestRunsNeverNest::closingDuringARunEndsIt_data() {
    QTest::addColumn<bool>("stopAfterSentence");
    QTest::addColumn<qint64>("from");
    QTest::addColumn<QByteArray>("closeDuring");
    QTest::addColumn<QByteArray>("stored");
    // Sentences at 0, 21 and 42.
    QTest::newRow("continuous") << false << qint64(0) << QByteArray(" Segona frase llarga. ")
                                << QByteArray("21");
    QTest::newRow("one at a time")
        << true << qint64(21) << QByteArray(" Segona frase llarga. ") << QByteArray("21");
    QTest::newRow("last sentence")
        << false << qint64(21) << QByteArray(" Tercera. ") << QByteArray("42");
}

// The window closed while a run reads: the farewell, the position of the
// interrupted sentence saved, the library released, and nothing after that: no
// sentence, no end message, no position written by the run.
void TestRunsNeverNest::closingDuringARunEndsIt() {
    QFETCH(bool, stopAfterSentence);
    QFETCH(qint64, from);
    QFETCH(QByteArray, closeDuring);
    QFETCH(QByteArray, stored);
    m_book = writeBook("Primera frase llarga. Segona frase llarga. Tercera.");
    m_fixture.env().setMsPerByte(40);
    makeForm();
    pausedAt(from);
    State().StopAfterSentence = stopAfterSentence;
    whenSpoken(closeDuring, [&] { m_form->close(); });
    press(Qt::Key_C);

    QVERIFY(m_form->ExitAnnounced);
    QVERIFY(!ReadingRunActive());
    QVERIFY(!Speech().isLoaded());
    QCOMPARE(spokenAfter(closeDuring), Texts{spoken(Messages::Farewell.catalan)});
    const QList<DoubleCall> calls = log().calls();
    QVERIFY2(calls.constLast().name == u"unload", qPrintable(log().dump()));
    QCOMPARE(SettingsFile(m_fixture.env().settingsPath()).readValue(m_book), stored);
    WaitPumping(300);
    QCOMPARE(log().calls().size(), calls.size());
}

void TestRunsNeverNest::keysDuringTheFarewellStartNothing_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("C") << int(Qt::Key_C);
    QTest::newRow("M") << int(Qt::Key_M);
    QTest::newRow("O") << int(Qt::Key_O);
    QTest::newRow("T") << int(Qt::Key_T);
    QTest::newRow("L") << int(Qt::Key_L);
}

// A key pressed while the farewell is spoken cuts it short, and that is all: the
// program ends without reading, choosing or reloading anything.
void TestRunsNeverNest::keysDuringTheFarewellStartNothing() {
    QFETCH(int, key);
    m_book = writeBook("Una frase. Una altra.");
    m_fixture.env().setMsPerByte(40);
    makeForm();
    ChooserDriver driver(ChooserDriver::escape());
    pausedAt(0);
    const QByteArray farewell = spoken(Messages::Farewell.catalan);
    whenSpoken(farewell, [&] { press(key); });
    m_form->close();

    QVERIFY(m_form->ExitAnnounced);
    QCOMPARE(driver.timesShown(), 0);
    QCOMPARE(log().textsRead(), Texts{farewell});
    const QStringList names = log().names();
    QCOMPARE(names.count(u"load"_s), 0);
    QCOMPARE(names.constLast(), u"unload"_s);
    QCOMPARE(Settings().readValue(m_book), QByteArray("0"));
}

QTEST_MAIN(TestRunsNeverNest)
#include "tst_runsnevernest.moc"

// The sleep timer (Z) on the main window wired as the program wires it, against
// the recording speech double, with a clock the test runs out itself.
#include "MainWindowFixture.h"
#include "Messages.h"
#include "ReaderState.h"
#include "SettingsFile.h"
#include "SleepTimer.h"

#include <QTest>

using Texts = QList<QByteArray>;

namespace {

class ManualClock : public SleepClock {
public:
    void start(std::chrono::minutes duration, std::function<void()> ranOut) override {
        minutes = int(duration.count());
        m_ranOut = std::move(ranOut);
    }
    void stop() override { m_ranOut = {}; }
    bool isRunning() const override { return bool(m_ranOut); }
    void runOut() {
        if (m_ranOut) {
            std::exchange(m_ranOut, {})();
        }
    }
    int minutes = 0;

private:
    std::function<void()> m_ranOut;
};

enum RunsOut { Never, WhilePaused, DuringSecondSentence };

} // namespace

class TestSleepTimer : public MainWindowTest {
    Q_OBJECT
private slots:
    void stopsTheReading_data();
    void stopsTheReading();
};

void TestSleepTimer::stopsTheReading_data() {
    QTest::addColumn<int>("presses");
    QTest::addColumn<qint64>("chapter"); // what the chapter hook gives, -1 none
    QTest::addColumn<int>("runsOut");
    QTest::addColumn<int>("minutes"); // asked of the clock
    QTest::addColumn<Texts>("heard"); // after the choice; "END": the end of the book
    QTest::addColumn<QByteArray>("saved");

    const QByteArray stopped = Messages::SleepTimerStopped.catalan;
    QTest::newRow("15 minutes run out in a sentence")
        << 1 << qint64(-1) << int(DuringSecondSentence) << 15 << Texts{" B. ", stopped}
        << QByteArray("5");
    QTest::newRow("90 minutes run out in a sentence")
        << 5 << qint64(-1) << int(DuringSecondSentence) << 90 << Texts{" B. ", stopped}
        << QByteArray("5");
    QTest::newRow("run out while paused: reads on")
        << 1 << qint64(-1) << int(WhilePaused) << 15 << Texts{" B. ", " C. ", "END"}
        << QByteArray("0");
    QTest::newRow("end of the chapter at 5")
        << 6 << qint64(5) << int(Never) << 90 << Texts{" B. ", stopped} << QByteArray("5");
    QTest::newRow("end of the chapter, no chapter")
        << 6 << qint64(-1) << int(Never) << 90 << Texts{" B. ", " C. ", "END"} << QByteArray("0");
    QTest::newRow("off again after seven presses")
        << 7 << qint64(5) << int(Never) << 90 << Texts{" B. ", " C. ", "END"} << QByteArray("0");
}

// "A. B. C." paused at 2: Z pressed, then C. A stop by the timer ends the run after
// the sentence being spoken, saves the next sentence's start, says so and leaves
// the book paused with the timer off.
void TestSleepTimer::stopsTheReading() {
    QFETCH(int, presses);
    QFETCH(qint64, chapter);
    QFETCH(int, runsOut);
    QFETCH(int, minutes);
    QFETCH(Texts, heard);
    QFETCH(QByteArray, saved);

    const QString book = m_fixture.writeBook("A. B. C.");
    TFormPrincipal &form = m_fixture.makeForm();
    auto owned = std::make_unique<ManualClock>();
    ManualClock &clock = *owned;
    form.Sleep.setClock(std::move(owned));
    form.Hooks.nextChapterStart = [chapter](qint64 from) { return chapter > from ? chapter : -1; };
    MainWindowFixture::pausedAt(book, 2);
    for (int press = 0; press < presses; ++press) {
        m_fixture.press(Qt::Key_Z);
    }
    QCOMPARE(clock.minutes, minutes);
    if (runsOut == WhilePaused) {
        clock.runOut();
    } else if (runsOut == DuringSecondSentence) {
        m_fixture.whenSpoken(" B. ", [&clock] { clock.runOut(); });
    }
    const QByteArray choiceSaid = m_fixture.log().textsRead().constLast();
    m_fixture.press(Qt::Key_C);

    if (heard.constLast() == "END") {
        heard.last() = MainWindowFixture::bookEnded();
    } else {
        heard.last() = MainWindowFixture::spoken(heard.last());
    }
    heard.prepend(
        MainWindowFixture::spoken(Messages::ContinueReading.catalan + QByteArray("Llibre")));
    QCOMPARE(m_fixture.spokenAfter(choiceSaid), heard);
    QCOMPARE(Settings().readValue(book), saved);
    QCOMPARE(form.Sleep.choice(), SleepTimer::Off);
    QVERIFY(!form.IsReading);
}

QTEST_MAIN(TestSleepTimer)
#include "tst_sleeptimer.moc"

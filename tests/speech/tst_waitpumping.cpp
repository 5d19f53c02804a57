// WaitPumping: the wait that keeps the user-interface thread answering. Durations
// are checked only from below, as far as the wait guarantees them.
#include "UnitUPCTV.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <climits>

class TestWaitPumping : public QObject {
    Q_OBJECT
private slots:
    void dispatchesTimersAndPostedEvents();
    void zeroOrLessReturnsWithoutDispatching_data();
    void zeroOrLessReturnsWithoutDispatching();
    void lastsAtLeastTheTimeAsked_data();
    void lastsAtLeastTheTimeAsked();
    void nestedWaitRunsToItsEndFirst();
    void lastsItsTimeWhileTheApplicationQuits_data();
    void lastsItsTimeWhileTheApplicationQuits();
};

void TestWaitPumping::dispatchesTimersAndPostedEvents() {
    int timerRan = 0;
    int postedRan = 0;
    QTimer::singleShot(20, QCoreApplication::instance(), [&] { ++timerRan; });
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { ++postedRan; }, Qt::QueuedConnection);
    WaitPumping(300);
    QCOMPARE(timerRan, 1);
    QCOMPARE(postedRan, 1);
}

void TestWaitPumping::zeroOrLessReturnsWithoutDispatching_data() {
    QTest::addColumn<int>("ms");
    QTest::newRow("zero") << 0;
    QTest::newRow("minus one") << -1;
    QTest::newRow("most negative") << INT_MIN;
}

void TestWaitPumping::zeroOrLessReturnsWithoutDispatching() {
    QFETCH(int, ms);
    int postedRan = 0;
    QTimer expired;
    int expiredRan = 0;
    connect(&expired, &QTimer::timeout, this, [&] { ++expiredRan; });
    expired.start(0);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { ++postedRan; }, Qt::QueuedConnection);
    WaitPumping(ms);
    QCOMPARE(postedRan, 0);
    QCOMPARE(expiredRan, 0);
    // The event is still pending and runs at the next dispatch.
    QCoreApplication::sendPostedEvents();
    QCOMPARE(postedRan, 1);
}

void TestWaitPumping::lastsAtLeastTheTimeAsked_data() {
    QTest::addColumn<int>("ms");
    QTest::newRow("1 ms") << 1;
    QTest::newRow("pause 200") << 200;
    QTest::newRow("pause 300") << 300;
    QTest::newRow("pause 1000") << 1000;
}

void TestWaitPumping::lastsAtLeastTheTimeAsked() {
    QFETCH(int, ms);
    // A steady stream of events must not end the wait early either.
    QTimer busy;
    busy.start(5);
    QElapsedTimer clock;
    clock.start();
    WaitPumping(ms);
    QVERIFY2(clock.elapsed() >= ms, qPrintable(QString::number(clock.elapsed())));
}

void TestWaitPumping::nestedWaitRunsToItsEndFirst() {
    QElapsedTimer clock;
    clock.start();
    QStringList order;
    qint64 innerEnded = -1;
    QTimer::singleShot(10, QCoreApplication::instance(), [&] {
        order << QStringLiteral("inner start");
        WaitPumping(600);
        innerEnded = clock.elapsed();
        order << QStringLiteral("inner end");
    });
    // Fires during the inner wait: the outer one may not end while it runs.
    QTimer::singleShot(150, QCoreApplication::instance(),
                       [&] { order << QStringLiteral("outer deadline passed"); });
    WaitPumping(100);
    order << QStringLiteral("outer end");
    QCOMPARE(order,
             (QStringList{QStringLiteral("inner start"), QStringLiteral("outer deadline passed"),
                          QStringLiteral("inner end"), QStringLiteral("outer end")}));
    QVERIFY(innerEnded >= 600);
    QVERIFY(clock.elapsed() >= innerEnded);
}

void TestWaitPumping::lastsItsTimeWhileTheApplicationQuits_data() {
    QTest::addColumn<int>("quitAfterMs"); // -1: told to quit before the wait starts
    QTest::newRow("quit before the wait") << -1;
    QTest::newRow("quit during the wait") << 50;
}

// Once the application has been told to quit, Qt refuses to start nested event
// loops until the main loop has unwound; the exit's pauses run in that spell.
void TestWaitPumping::lastsItsTimeWhileTheApplicationQuits() {
    QFETCH(int, quitAfterMs);
    qint64 elapsed = -1;
    int ticks = 0;
    QTimer::singleShot(0, QCoreApplication::instance(), [&] {
        if (quitAfterMs < 0) {
            QCoreApplication::exit(0);
        } else {
            QTimer::singleShot(quitAfterMs, QCoreApplication::instance(),
                               [] { QCoreApplication::exit(0); });
        }
        QTimer::singleShot(100, QCoreApplication::instance(), [&] { ++ticks; });
        QElapsedTimer clock;
        clock.start();
        WaitPumping(300);
        elapsed = clock.elapsed();
    });
    QCoreApplication::exec();
    QVERIFY2(elapsed >= 300, qPrintable(QString::number(elapsed)));
    QCOMPARE(ticks, 1);
}

QTEST_GUILESS_MAIN(TestWaitPumping)
#include "tst_waitpumping.moc"

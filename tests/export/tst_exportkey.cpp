// Key X (and F9) with a book paused, on the test double: the export starts in
// the background, is announced, and its end is said once the reader is idle.
#include "BackgroundExport.h"
#include "ExportCommand.h"
#include "MainWindowFixture.h"
#include "Messages.h"
#include "ReaderState.h"
#include "SpeakAndWait.h"
#include "UnitUPCTV.h"

#include <QFile>
#include <QTest>

class TestExportKey : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { m_fixture.setUp(); }
    void init() { m_fixture.reset(); }
    void cleanup() { TimerStatusUpcTV().disarm(); }
    void cleanupTestCase() { m_fixture.tearDown(); }
    void keyExportsThePausedBook_data();
    void keyExportsThePausedBook();

private:
    MainWindowFixture m_fixture;
};

void TestExportKey::keyExportsThePausedBook_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("paused");
    QTest::newRow("X, paused") << int(Qt::Key_X) << true;
    QTest::newRow("F9, paused") << int(Qt::Key_F9) << true;
    QTest::newRow("X, idle") << int(Qt::Key_X) << false;
}

void TestExportKey::keyExportsThePausedBook() {
    QFETCH(int, key);
    QFETCH(bool, paused);
    m_fixture.env().set("HOME", m_fixture.env().path().toUtf8());
    // The export's process loads this build's espeak-ng engine by its bare name
    // (under AddressSanitizer dlopen() does not search the program's RUNPATH).
    m_fixture.env().set("LD_LIBRARY_PATH", ZELVORA_BINARY_DIR "/lib");
    TFormPrincipal &form = m_fixture.makeForm();
    BackgroundExport exporter([&form] { return !form.IsReading && Speech().upcTVStatus() == 0; },
                              [](const QByteArray &text) { Speech().SpeakText(text); });
    exporter.setProgram(QStringLiteral(ZELVORA_BINARY_DIR "/bin/zelvora"));
    form.Hooks.exportBook = [&] {
        exporter.exportOrTell(State().BookPath, Speech().libraryName(), Speech().ReadingSpeed,
                              Speech().CatalanActive);
    };
    const QString book = ExportCommand::writeThreeChapterBook(m_fixture.folder());
    if (paused)
        MainWindowFixture::pausedAt(book, 0);
    m_fixture.press(key);
    const QByteArray started = MainWindowFixture::spoken(Messages::ExportStarted.catalan);
    if (!paused) {
        QTest::qWait(200);
        QVERIFY(!m_fixture.log().textsRead().contains(started));
        return;
    }
    QVERIFY(m_fixture.log().textsRead().contains(started));
    QVERIFY(!exporter.status().isEmpty());
    const QByteArray done = MainWindowFixture::spoken(QByteArray(Messages::ExportDone.catalan) +
                                                      "3" + Messages::ExportDoneFiles.catalan);
    QTRY_VERIFY_WITH_TIMEOUT(m_fixture.log().textsRead().contains(done), 300000);
    QVERIFY(QFile::exists(m_fixture.env().path() +
                          QStringLiteral("/Music/Zelvora/llibre/03 - Tercer.opus")));
}

QTEST_MAIN(TestExportKey)
#include "tst_exportkey.moc"

// The speech service against the recording double: the exact calls that reach the
// speech library, in order, and that none reaches it while it is not loaded.
#include "UnitUPCTV.h"

#include "DoubleLog.h"
#include "Engines.h"
#include "TestEnvironment.h"

#include <QTest>

#include <climits>
#include <memory>

namespace {

// The service's reload of the double, as the log shows it, followed by the
// language and voice calls of a switch.
QStringList switchSteps(int speed, bool toCatalan) {
    return {QStringLiteral("upcTVStop"),
            QStringLiteral("unload"),
            QStringLiteral("load"),
            QStringLiteral("upcTVSetSpeed %1").arg(speed),
            QStringLiteral("upcTVSetLanguage %1").arg(toCatalan ? 99 : 101),
            QStringLiteral("upcTVSetSpeaker %1").arg(toCatalan ? 0 : 1)};
}

QString incompleteEngine(const char *missing) {
    return QStringLiteral(ZELVORA_INCOMPLETE_ENGINES_DIR "/libupctv_lacking_") +
           QLatin1String(missing) + QStringLiteral(".so");
}

// Everything a caller can ask of the service; none of it may reach a library
// that is not loaded.
void exerciseEveryCall(SpeechService &service) {
    service.SpeakText("hola");
    service.SpeakText(QByteArray());
    service.upcTVStop();
    service.upcTVSetSpeed(150);
    QCOMPARE(service.upcTVStatus(), 0);
    service.SwitchToSpanish();
    service.SwitchToCatalan();
    service.ReloadSpeechLibrary();
    service.ReleaseSpeechLibrary();
    QCOMPARE(service.upcTVStatus(), 0);
}

} // namespace

class TestUnitUPCTV : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void loadGivesTheStoredSpeed_data();
    void loadGivesTheStoredSpeed();
    void nothingLoadedBeforeASuccessfulLoad_data();
    void nothingLoadedBeforeASuccessfulLoad();
    void speakTextStopsThenReadsTextAndOneBlank_data();
    void speakTextStopsThenReadsTextAndOneBlank();
    void speakTextCutsOffTheSentenceBeingSpoken();
    void switchesReloadInOrder_data();
    void switchesReloadInOrder();
    void nothingReachesALibraryThatIsNotLoaded_data();
    void nothingReachesALibraryThatIsNotLoaded();
    void incompleteLibraryIsRefused_data();
    void incompleteLibraryIsRefused();

private:
    std::unique_ptr<TestEnvironment> m_environment;
};

void TestUnitUPCTV::init() {
    m_environment = std::make_unique<TestEnvironment>();
    QVERIFY(m_environment->isValid());
    // Long enough that a text is still "being spoken" whatever the machine's load.
    m_environment->setMsPerByte(100000);
}

void TestUnitUPCTV::cleanup() {
    m_environment.reset();
}

void TestUnitUPCTV::loadGivesTheStoredSpeed_data() {
    QTest::addColumn<int>("speed");
    QTest::newRow("default") << SpeechService::DefaultReadingSpeed;
    QTest::newRow("slowest") << 10;
    QTest::newRow("fast") << 300;
    // The service never limits the value: whatever was stored is given on.
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -40;
    QTest::newRow("huge") << INT_MAX;
}

void TestUnitUPCTV::loadGivesTheStoredSpeed() {
    QFETCH(int, speed);
    SpeechService service(doubleEnginePath());
    QVERIFY(!service.isLoaded());
    service.ReadingSpeed = speed;
    QVERIFY(service.LoadSpeechLibrary());
    QVERIFY(service.isLoaded());
    // No language or voice call: a freshly loaded library speaks Catalan.
    const QStringList loaded{QStringLiteral("load"), QStringLiteral("upcTVSetSpeed %1").arg(speed)};
    QCOMPARE(m_environment->log().steps(), loaded);
    QVERIFY(service.CatalanActive);

    service.ReleaseSpeechLibrary();
    QVERIFY(!service.isLoaded());
    QCOMPARE(m_environment->log().steps(), loaded + QStringList{QStringLiteral("unload")});
}

void TestUnitUPCTV::nothingLoadedBeforeASuccessfulLoad_data() {
    QTest::addColumn<bool>("tryMissingFile");
    QTest::newRow("never loaded") << false;
    QTest::newRow("load failed") << true;
}

void TestUnitUPCTV::nothingLoadedBeforeASuccessfulLoad() {
    QFETCH(bool, tryMissingFile);
    SpeechService service(doubleEnginePath());
    if (tryMissingFile) {
        service.setLibraryName(m_environment->path() + QStringLiteral("/missing/libupctv.so"));
        QVERIFY(!service.LoadSpeechLibrary());
    }
    QVERIFY(!service.isLoaded());
    // Nothing loads the library behind the caller's back, not even a switch.
    service.setLibraryName(doubleEnginePath());
    exerciseEveryCall(service);
    QVERIFY(!service.isLoaded());
    QVERIFY(service.CatalanActive);
    QCOMPARE(m_environment->log().calls().size(), 0);
}

void TestUnitUPCTV::speakTextStopsThenReadsTextAndOneBlank_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("reaching");

    QTest::newRow("word") << QByteArray("hola") << QByteArray("hola ");
    QTest::newRow("empty text sends one blank") << QByteArray() << QByteArray(" ");
    QTest::newRow("trailing blank kept") << QByteArray("fi ") << QByteArray("fi  ");
    QTest::newRow("utf-8") << QByteArray("Català, l·l") << QByteArray("Català, l·l ");
    QTest::newRow("windows-1252") << QByteArray("Castell\xe0 \x80 \x93")
                                  << QByteArray("Castell\xe0 \x80 \x93 ");
    QTest::newRow("ligatures become letters")
        << QByteArray("\xEF\xAC\x81ns \xEF\xAC\x82or \xEF\xAC\x80 \xEF\xAC\x83 \xEF\xAC\x84 "
                      "\xEF\xAC\x85 \xEF\xAC\x86 \xEF\xAC\x87")
        << QByteArray("fins flor ff ffi ffl st st \xEF\xAC\x87 ");
    QTest::newRow("ligature bytes of windows-1252 text kept")
        << QByteArray("\xEF\xAC\x81 Castell\xe0") << QByteArray("\xEF\xAC\x81 Castell\xe0 ");
    QTest::newRow("line breaks") << QByteArray("a.\r\nb\n") << QByteArray("a.\r\nb\n ");
    QTest::newRow("nul cuts text and blank") << QByteArray("ab\0cd", 5) << QByteArray("ab");
    QTest::newRow("leading nul") << QByteArray("\0hola", 5) << QByteArray();
    QByteArray everyByte;
    for (int byte = 1; byte < 256; ++byte) {
        everyByte += static_cast<char>(byte);
    }
    QTest::newRow("every byte") << everyByte << everyByte + ' ';
    const QByteArray longText(100000, 'x');
    QTest::newRow("long text") << longText << longText + ' ';
}

void TestUnitUPCTV::speakTextStopsThenReadsTextAndOneBlank() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, reaching);
    SpeechService service(doubleEnginePath());
    QVERIFY(service.LoadSpeechLibrary());
    const DoubleLog log = m_environment->log();
    log.clear();

    const QByteArray before = text;
    service.SpeakText(text);
    QCOMPARE(text, before);
    QCOMPARE(log.names(), (QStringList{QStringLiteral("upcTVStop"), QStringLiteral("upcTVRead")}));
    QCOMPARE(log.textsRead(), QList<QByteArray>{reaching});
}

void TestUnitUPCTV::speakTextCutsOffTheSentenceBeingSpoken() {
    SpeechService service(doubleEnginePath());
    QVERIFY(service.LoadSpeechLibrary());
    const DoubleLog log = m_environment->log();
    log.clear();

    service.SpeakText("Primera frase.");
    QVERIFY(service.upcTVStatus() != 0);
    service.SpeakText("Segona.");
    QVERIFY(service.upcTVStatus() != 0);
    service.upcTVStop();
    QCOMPARE(service.upcTVStatus(), 0);
    QCOMPARE(log.steps(),
             (QStringList{QStringLiteral("upcTVStop"), QStringLiteral("upcTVRead Primera frase. "),
                          QStringLiteral("upcTVStop"), QStringLiteral("upcTVRead Segona. "),
                          QStringLiteral("upcTVStop")}));
}

void TestUnitUPCTV::switchesReloadInOrder_data() {
    QTest::addColumn<int>("speed");
    QTest::addColumn<QString>("switches"); // 'e' SwitchToSpanish, 'c' SwitchToCatalan
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("catalanAfter");

    QTest::newRow("to Spanish") << 140 << QStringLiteral("e") << switchSteps(140, false) << false;
    QTest::newRow("to Catalan while Catalan")
        << 140 << QStringLiteral("c") << QStringList() << true;
    QTest::newRow("Spanish twice")
        << 140 << QStringLiteral("ee") << switchSteps(140, false) << false;
    QTest::newRow("there and back")
        << 140 << QStringLiteral("ec") << switchSteps(140, false) + switchSteps(140, true) << true;
    QTest::newRow("back twice") << 140 << QStringLiteral("ecc")
                                << switchSteps(140, false) + switchSteps(140, true) << true;
    QTest::newRow("current speed, not the loaded one")
        << 230 << QStringLiteral("ece")
        << switchSteps(230, false) + switchSteps(230, true) + switchSteps(230, false) << false;
}

void TestUnitUPCTV::switchesReloadInOrder() {
    QFETCH(int, speed);
    QFETCH(QString, switches);
    QFETCH(QStringList, expected);
    QFETCH(bool, catalanAfter);
    SpeechService service(doubleEnginePath());
    QVERIFY(service.LoadSpeechLibrary());
    service.SpeakText("Una frase que encara sona.");
    const DoubleLog log = m_environment->log();
    log.clear();

    service.ReadingSpeed = speed;
    for (const QChar which : switches) {
        which == u'e' ? service.SwitchToSpanish() : service.SwitchToCatalan();
    }
    QCOMPARE(log.steps(), expected);
    QCOMPARE(service.CatalanActive, catalanAfter);
    QVERIFY(service.isLoaded());
    // A real reload: the fresh library is silent, and the service speaks through it.
    QCOMPARE(service.upcTVStatus(), expected.isEmpty() ? 1 : 0);
    service.SpeakText("Hola");
    QCOMPARE(log.textsRead().constLast(), QByteArray("Hola "));
}

void TestUnitUPCTV::nothingReachesALibraryThatIsNotLoaded_data() {
    QTest::addColumn<QString>("reloadFrom"); // "" none; else what the reload finds
    QTest::addColumn<bool>("release");
    QTest::addColumn<QStringList>("expected"); // what the library saw before

    const QStringList stopAndRelease{QStringLiteral("upcTVStop"), QStringLiteral("unload")};
    QTest::newRow("released") << QString() << true << QStringList{QStringLiteral("unload")};
    QTest::newRow("reload finds no library")
        << QStringLiteral("missing") << false << stopAndRelease;
    QTest::newRow("reload finds an incomplete library")
        << incompleteEngine("upcTVSetSpeaker") << false << stopAndRelease;
}

void TestUnitUPCTV::nothingReachesALibraryThatIsNotLoaded() {
    QFETCH(QString, reloadFrom);
    QFETCH(bool, release);
    QFETCH(QStringList, expected);
    SpeechService service(doubleEnginePath());
    QVERIFY(service.LoadSpeechLibrary());
    service.SpeakText("Encara parla.");
    QVERIFY(service.upcTVStatus() != 0);
    const DoubleLog log = m_environment->log();
    log.clear();

    if (!reloadFrom.isEmpty()) {
        service.setLibraryName(reloadFrom == u"missing"
                                   ? m_environment->path() + QStringLiteral("/libupctv.so")
                                   : reloadFrom);
        service.SwitchToSpanish();
        // The switch keeps the language it chose, but no language or voice call
        // follows a failed reload.
        QVERIFY(!service.CatalanActive);
    }
    if (release) {
        service.ReleaseSpeechLibrary();
    }
    QVERIFY(!service.isLoaded());
    QCOMPARE(service.upcTVStatus(), 0);
    QCOMPARE(log.steps(), expected);

    // Even with a good library name again, nothing loads it behind the caller's back.
    service.setLibraryName(doubleEnginePath());
    log.clear();
    exerciseEveryCall(service);
    QVERIFY(!service.isLoaded());
    QCOMPARE(log.steps(), QStringList());
}

void TestUnitUPCTV::incompleteLibraryIsRefused_data() {
    QTest::addColumn<QString>("library");
    QTest::addColumn<bool>("accepted");
    for (const char *missing : {"upcTVRead", "upcTVStop", "upcTVStatus", "upcTVSetSpeed",
                                "upcTVSetLanguage", "upcTVSetSpeaker"}) {
        QTest::addRow("lacks %s", missing) << incompleteEngine(missing) << false;
    }
    QTest::newRow("lacks only what is never called") << incompleteEngine("OPTIONAL") << true;
}

void TestUnitUPCTV::incompleteLibraryIsRefused() {
    QFETCH(QString, library);
    QFETCH(bool, accepted);
    QVERIFY2(QFile::exists(library), qPrintable(library));
    SpeechService service(library);
    QCOMPARE(service.LoadSpeechLibrary(), accepted);
    QCOMPARE(service.isLoaded(), accepted);
    QCOMPARE(service.loadError().isEmpty(), accepted); // the reason, for the one line
    if (!accepted) {
        exerciseEveryCall(service);
    }
}

QTEST_GUILESS_MAIN(TestUnitUPCTV)
#include "tst_unitupctv.moc"

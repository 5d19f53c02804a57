// The recording double and the helpers that read it: every other test trusts what
// they report, so they get tests of their own.
#include "DoubleLog.h"
#include "EngineDirectory.h"
#include "Engines.h"
#include "TestEnvironment.h"

#include <QFileInfo>
#include <QTest>

#include <dlfcn.h>
#include <memory>

namespace {

// The double, opened by path; dlclose on destruction.
class OpenedDouble {
public:
    OpenedDouble() : m_handle(dlopen(doubleEnginePath().toLocal8Bit().constData(), RTLD_NOW)) {}
    ~OpenedDouble() {
        if (m_handle != nullptr) {
            dlclose(m_handle);
        }
    }
    OpenedDouble(const OpenedDouble &) = delete;
    OpenedDouble &operator=(const OpenedDouble &) = delete;

    bool isOpen() const { return m_handle != nullptr; }
    int read(const char *text) { return call<int (*)(const char *)>("upcTVRead")(text); }
    int stop() { return call<int (*)()>("upcTVStop")(); }
    int status() { return call<int (*)(int)>("upcTVStatus")(0); }
    int setSpeed(int speed) { return call<int (*)(int)>("upcTVSetSpeed")(speed); }

private:
    template <typename Function> Function call(const char *name) {
        return reinterpret_cast<Function>(dlsym(m_handle, name));
    }
    void *m_handle;
};

} // namespace

class TestSpeechDouble : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void speaksForTimeProportionalToText_data();
    void speaksForTimeProportionalToText();
    void stopSilencesAtOnce();
    void logsLoadAndUnloadAcrossAReload();
    void noLogWithoutAFile();
    void malformedLinesAreRejected_data();
    void malformedLinesAreRejected();
    void engineDirectoryLinksTheEngine();

private:
    std::unique_ptr<TestEnvironment> m_environment;
};

void TestSpeechDouble::init() {
    m_environment = std::make_unique<TestEnvironment>();
    QVERIFY(m_environment->isValid());
}

void TestSpeechDouble::cleanup() {
    m_environment.reset();
}

void TestSpeechDouble::speaksForTimeProportionalToText_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("msPerByte");
    QTest::newRow("empty text is silent") << QByteArray() << 50;
    QTest::newRow("no time per byte") << QByteArray("hola") << 0;
    QTest::newRow("a few bytes") << QByteArray("hola ") << 40;
    QTest::newRow("non-UTF-8 bytes count") << QByteArray("\xe0\xe8\xff ") << 60;
}

void TestSpeechDouble::speaksForTimeProportionalToText() {
    QFETCH(QByteArray, text);
    QFETCH(int, msPerByte);
    OpenedDouble engine;
    QVERIFY(engine.isOpen());
    m_environment->setMsPerByte(msPerByte);
    engine.read(text.constData());
    QTRY_VERIFY_WITH_TIMEOUT(engine.status() == 0, 30000);

    // The double's own clock decides: busy before read + bytes x pace, idle after.
    const QList<DoubleCall> calls = m_environment->log().calls();
    QCOMPARE(calls.first().name, QStringLiteral("load"));
    QCOMPARE(calls[1].name, QStringLiteral("upcTVRead"));
    QCOMPARE(calls[1].text, text);
    const qint64 ends = calls[1].ms + text.size() * msPerByte;
    for (qsizetype i = 2; i < calls.size(); ++i) {
        QCOMPARE(calls[i].name, QStringLiteral("upcTVStatus"));
        QCOMPARE(calls[i].result, calls[i].ms < ends ? 1 : 0);
    }
}

void TestSpeechDouble::stopSilencesAtOnce() {
    OpenedDouble engine;
    QVERIFY(engine.isOpen());
    m_environment->setMsPerByte(1000000);
    engine.read("una frase");
    QCOMPARE(engine.status(), 1);
    engine.stop();
    QCOMPARE(engine.status(), 0);
    // The pace is read at every read: a changed one applies to the next text.
    m_environment->setMsPerByte(0);
    engine.read("una altra");
    QCOMPARE(engine.status(), 0);
}

void TestSpeechDouble::logsLoadAndUnloadAcrossAReload() {
    m_environment->setMsPerByte(1000000);
    {
        OpenedDouble engine;
        engine.setSpeed(140);
        engine.read("parla");
    }
    OpenedDouble reloaded;
    // A real reload: the fresh copy is silent although the old one was speaking.
    QCOMPARE(reloaded.status(), 0);
    const DoubleLog log = m_environment->log();
    QCOMPARE(log.steps(DoubleLog::Status::Keep),
             (QStringList{QStringLiteral("load"), QStringLiteral("upcTVSetSpeed 140"),
                          QStringLiteral("upcTVRead parla"), QStringLiteral("unload"),
                          QStringLiteral("load"), QStringLiteral("upcTVStatus 0")}));
    for (const DoubleCall &call : log.calls()) {
        QCOMPARE(call.pid, QCoreApplication::applicationPid());
    }
}

void TestSpeechDouble::noLogWithoutAFile() {
    m_environment->set("UPCTV_DOUBLE_LOG", QByteArray());
    OpenedDouble engine;
    engine.read("res");
    QVERIFY(!QFileInfo::exists(m_environment->log().path()));
}

void TestSpeechDouble::malformedLinesAreRejected_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("step");
    QTest::newRow("read") << QByteArray("5 7 upcTVRead 0 a%20b%FF 0") << true
                          << QStringLiteral("upcTVRead a b\u00ff");
    QTest::newRow("empty text") << QByteArray("5 7 upcTVRead 0  0") << true
                                << QStringLiteral("upcTVRead ");
    QTest::newRow("null text") << QByteArray("5 7 upcTVRead 0 ! 0") << true
                               << QStringLiteral("upcTVRead (null)");
    QTest::newRow("speed") << QByteArray("5 7 upcTVSetSpeed -10 * 0") << true
                           << QStringLiteral("upcTVSetSpeed -10");
    QTest::newRow("too few fields") << QByteArray("5 7 upcTVStop * ") << false << QString();
    QTest::newRow("too many fields") << QByteArray("5 7 upcTVStop 0 * 0 0") << false << QString();
    QTest::newRow("bad number") << QByteArray("5x 7 upcTVStop 0 * 0") << false << QString();
    QTest::newRow("cut escape") << QByteArray("5 7 upcTVRead 0 ab%4 0") << false << QString();
    QTest::newRow("bad escape") << QByteArray("5 7 upcTVRead 0 %G1 0") << false << QString();
    QTest::newRow("no name") << QByteArray("5 7  0 * 0") << false << QString();
}

void TestSpeechDouble::malformedLinesAreRejected() {
    QFETCH(QByteArray, line);
    QFETCH(bool, ok);
    QFETCH(QString, step);
    bool parsed = false;
    const DoubleCall call = DoubleLog::parseLine(line, &parsed);
    QCOMPARE(parsed, ok);
    if (ok) {
        QCOMPARE(call.step(), step);
        QCOMPARE(call.ms, qint64(5));
        QCOMPARE(call.pid, qint64(7));
    }
}

void TestSpeechDouble::engineDirectoryLinksTheEngine() {
    EngineDirectory directory;
    QVERIFY(directory.isValid());
    QCOMPARE(QFileInfo(directory.libraryPath()).canonicalFilePath(),
             QFileInfo(doubleEnginePath()).canonicalFilePath());
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral("/elsewhere"));
    QCOMPARE(directory.environmentFor(environment).value(QStringLiteral("LD_LIBRARY_PATH")),
             directory.path() + QStringLiteral(":/elsewhere"));
    QCOMPARE(
        directory.environmentFor(QProcessEnvironment()).value(QStringLiteral("LD_LIBRARY_PATH")),
        directory.path());
    QVERIFY(directory.linkTo(QString()));
    QVERIFY(!QFileInfo::exists(directory.libraryPath()));
}

QTEST_GUILESS_MAIN(TestSpeechDouble)
#include "tst_speechdouble.moc"

// T: the clipboard's text read through a private temporary file, pressed as a key
// on the main window wired as the program wires it, against the speech double.
#include "ChooserDriver.h"
#include "ClipboardFile.h"
#include "MainWindowFixture.h"
#include "Messages.h"
#include "ReaderState.h"
#include "SettingsFile.h"
#include "SpeakAndWait.h"
#include "SpokenMenus.h"
#include "UnitUPCTV.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Texts = QList<QByteArray>;

namespace {

constexpr auto spoken = &MainWindowFixture::spoken;

// Sets an environment variable until the object goes.
class ScopedVariable {
public:
    ScopedVariable(const char *name, const QByteArray &value)
        : m_name(name), m_old(qgetenv(name)), m_wasSet(qEnvironmentVariableIsSet(name)) {
        qputenv(name, value);
    }
    ~ScopedVariable() {
        if (m_wasSet) {
            qputenv(m_name, m_old);
        } else {
            qunsetenv(m_name);
        }
    }
    ScopedVariable(const ScopedVariable &) = delete;
    ScopedVariable &operator=(const ScopedVariable &) = delete;

private:
    const char *m_name;
    QByteArray m_old;
    bool m_wasSet;
};

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

class TestClipboardCommand : public MainWindowTest {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void readsTheClipboardText_data();
    void readsTheClipboardText();
    void noPositionIsEverWrittenAndEveryFileGoes();
    void openingRemovesTheFile_data();
    void openingRemovesTheFile();
    void noFileMeansNothingChanges_data();
    void noFileMeansNothingChanges();

private:
    DoubleLog log() const { return m_fixture.log(); }
    void makeForm() { m_form = &m_fixture.makeForm(); }
    void press(int key) { m_fixture.press(key); }
    void whenSpoken(const QByteArray &text, std::function<void()> action) {
        m_fixture.whenSpoken(text, std::move(action));
    }
    // The files of the current folder and of the runtime folder.
    QStringList filesAround() const;

    QTemporaryDir m_runtime;
    TFormPrincipal *m_form = nullptr;
};

void TestClipboardCommand::initTestCase() {
    m_fixture.setUp();
    QVERIFY(m_runtime.isValid());
    m_fixture.env().set("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
}

// The current folder holds a file of the user's named "Carpeta.txt", which the
// clipboard's reading must neither replace nor delete.
void TestClipboardCommand::init() {
    m_fixture.reset();
    if (QTest::currentTestFailed()) {
        return;
    }
    QFile own(u"Carpeta.txt"_s);
    QVERIFY(own.open(QIODevice::WriteOnly) && own.write("Meu. ") == 5);
    own.close();
    log().clear();
}

void TestClipboardCommand::cleanup() {
    const QByteArray own = fileBytes(m_fixture.folder() + u"/Carpeta.txt"_s);
    m_fixture.tearDown();
    QCOMPARE(own, QByteArray("Meu. "));
}

QStringList TestClipboardCommand::filesAround() const {
    const QDir::Filters files = QDir::Files | QDir::Hidden;
    return QDir(m_fixture.folder()).entryList(files) + QDir(m_runtime.path()).entryList(files);
}

void TestClipboardCommand::readsTheClipboardText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("catalan");
    QTest::addColumn<Texts>("sentences");
    QTest::newRow("two sentences") << u"Hola. Adéu."_s << true << Texts{"Hola. ", " Adéu. "};
    QTest::newRow("line breaks kept") << u"Un.\r\nDos."_s << true << Texts{"Un. ", "\r\nDos. "};
    QTest::newRow("Spanish") << u"Hola."_s << false << Texts{"Hola. "};
    QTest::newRow("beyond Latin-1") << u"Preu: 5 €."_s << true << Texts{"Preu: 5 €. "};
    QTest::newRow("empty clipboard") << QString() << true << Texts{};
}

// Announced, then read from its first byte to its end, then the clipboard's end
// message with the idle menu; the file is private while it is read and gone
// afterwards, and the settings file is never written.
void TestClipboardCommand::readsTheClipboardText() {
    QFETCH(QString, text);
    QFETCH(bool, catalan);
    QFETCH(Texts, sentences);
    if (!catalan) {
        Speech().SwitchToSpanish();
        BuildSpanishMenus();
    }
    QGuiApplication::clipboard()->setText(text);
    makeForm();
    const QStringList filesBefore = filesAround();
    QString pathWhileRead;
    QFile::Permissions permissions;
    QByteArray bytesWhileRead;
    whenSpoken(spoken(inActiveLanguage(Messages::ReadClipboard)), [&] {
        pathWhileRead = State().BookPath;
        permissions = QFileInfo(pathWhileRead).permissions();
        bytesWhileRead = fileBytes(pathWhileRead);
    });
    log().clear();
    press(Qt::Key_T);

    QCOMPARE(log().textsRead(),
             Texts{spoken(inActiveLanguage(Messages::ReadClipboard))} + sentences +
                 Texts{spoken(inActiveLanguage(Messages::ClipboardEnded) + State().IdleMenuText)});
    QCOMPARE(QFileInfo(pathWhileRead).absolutePath(), m_runtime.path());
    QCOMPARE(bytesWhileRead, text.toUtf8());
    QCOMPARE(permissions,
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    QCOMPARE(State().BookTitle, u"Carpeta"_s);
    QVERIFY(State().ClipboardMode);
    QVERIFY(State().BookFinished);
    QVERIFY(!QFile::exists(pathWhileRead));
    QCOMPARE(filesAround(), filesBefore);
    QVERIFY(!QFile::exists(m_fixture.env().settingsPath()));
}

// Stopped, continued, stopped, replaced by a newer clipboard text, and the
// program left: no position of a clipboard text reaches the settings file, each
// file goes once it is no longer read, and none is left at exit.
void TestClipboardCommand::noPositionIsEverWrittenAndEveryFileGoes() {
    const QByteArray first = "Primera frase del text copiat, prou llarga.";
    QGuiApplication::clipboard()->setText(QString::fromUtf8(first + " Segona."));
    m_fixture.env().setMsPerByte(40);
    makeForm();
    whenSpoken(spoken(first), [&] { press(Qt::Key_Return); });
    press(Qt::Key_T);
    const QString firstFile = State().BookPath;
    QVERIFY(QFile::exists(firstFile));
    QVERIFY(!State().BookFinished);

    whenSpoken(spoken(first), [&] { press(Qt::Key_Return); });
    log().clear();
    press(Qt::Key_C);
    QCOMPARE(
        log().textsRead().mid(0, 2),
        (Texts{spoken(Messages::ContinueReading.catalan + QByteArray("Carpeta")), spoken(first)}));
    QVERIFY(!QFile::exists(m_fixture.env().settingsPath()));

    const QByteArray newer = "Un altre text, també prou llarg per aturar-lo.";
    QGuiApplication::clipboard()->setText(QString::fromUtf8(newer + " Fi."));
    whenSpoken(spoken(newer), [&] { press(Qt::Key_Return); });
    press(Qt::Key_T);
    const QString secondFile = State().BookPath;
    QVERIFY(secondFile != firstFile);
    QVERIFY(!QFile::exists(firstFile));
    QVERIFY(QFile::exists(secondFile));
    QVERIFY(!QFile::exists(m_fixture.env().settingsPath()));

    press(Qt::Key_S);
    QVERIFY(m_form->ExitAnnounced);
    QVERIFY(!QFile::exists(secondFile));
    QCOMPARE(fileBytes(m_fixture.env().settingsPath()),
             QByteArray("[Zelvora]\nVelocitat de lectura=140\nLlengua=Català\n"));
}

void TestClipboardCommand::openingRemovesTheFile_data() {
    QTest::addColumn<int>("then"); // a key pressed after the cancellation; 0: none
    QTest::newRow("cancelled") << 0;
    QTest::newRow("then C") << int(Qt::Key_C);
    QTest::newRow("then A") << int(Qt::Key_A);
    QTest::newRow("then M") << int(Qt::Key_M);
}

// O removes the paused clipboard text's file before the chooser shows; cancelled,
// the pause menu follows. A command that then reads on finds no file, and names
// the clipboard's text as the user knows it, never the private file's path.
void TestClipboardCommand::openingRemovesTheFile() {
    QFETCH(int, then);
    const QByteArray first = "Una frase copiada, prou llarga per aturar-la.";
    QGuiApplication::clipboard()->setText(QString::fromUtf8(first + " Fi."));
    m_fixture.env().setMsPerByte(40);
    makeForm();
    whenSpoken(spoken(first), [&] { press(Qt::Key_Return); });
    press(Qt::Key_T);
    const QString file = State().BookPath;
    QVERIFY(QFile::exists(file));

    bool goneWhenShown = false;
    ChooserDriver driver([&](TFormObrirRecurs &chooser) {
        goneWhenShown = !QFile::exists(file);
        QTest::keyClick(&chooser, Qt::Key_Escape);
    });
    press(Qt::Key_O);
    QCOMPARE(driver.timesShown(), 1);
    QVERIFY(goneWhenShown);
    QCOMPARE(log().textsRead().constLast(),
             spoken(Messages::OpenCancelledWhenPaused.catalan + State().PauseMenuText));
    if (then == 0) {
        return;
    }
    press(then);
    QCOMPARE(log().textsRead().constLast(),
             spoken("carpeta.txt" + QByteArray(Messages::CannotOpenBook.catalan).toLower()));
    const QByteArray runtime = QFile::encodeName(m_runtime.path()).toLower();
    for (const QByteArray &text : log().textsRead()) {
        QVERIFY2(!text.toLower().contains(runtime), text.constData());
    }
}

void TestClipboardCommand::noFileMeansNothingChanges_data() {
    QTest::addColumn<bool>("catalan");
    QTest::addColumn<bool>("paused");
    QTest::newRow("Catalan, idle") << true << false;
    QTest::newRow("Catalan, paused book") << true << true;
    QTest::newRow("Spanish, paused book") << false << true;
}

// No folder takes the file: T says that the text cannot be opened and leaves
// everything as it was, so a paused book can still be continued.
void TestClipboardCommand::noFileMeansNothingChanges() {
    QFETCH(bool, catalan);
    QFETCH(bool, paused);
    if (!catalan) {
        Speech().SwitchToSpanish();
        BuildSpanishMenus();
    }
    const ScopedVariable runtime("XDG_RUNTIME_DIR", "/nonexistent/zelvora-runtime");
    const ScopedVariable temporary("TMPDIR", "/nonexistent/zelvora-tmp");
    makeForm();
    ReaderState &state = State();
    if (paused) {
        state.BookPath = u"/llibres/Tirant.txt"_s;
        state.BookTitle = u"Tirant"_s;
        state.ReadPosition = state.SentenceStart = 7;
        state.BookFinished = false;
    }
    const ReaderState before = state;
    const QStringList filesBefore = filesAround();
    press(Qt::Key_T);

    QCOMPARE(log().textsRead(), Texts{spoken(lowerAsciiLetters(
                                    "Carpeta.txt" + inActiveLanguage(Messages::CannotOpenBook)))});
    QVERIFY(!m_form->IsReading);
    QCOMPARE(state.BookPath, before.BookPath);
    QCOMPARE(state.BookTitle, before.BookTitle);
    QCOMPARE(state.ClipboardMode, before.ClipboardMode);
    QCOMPARE(state.BookFinished, before.BookFinished);
    QCOMPARE(state.ReadPosition, before.ReadPosition);
    QCOMPARE(state.SentenceStart, before.SentenceStart);
    QCOMPARE(filesAround(), filesBefore);
    QVERIFY(!QFile::exists(m_fixture.env().settingsPath()));
}

QTEST_MAIN(TestClipboardCommand)
#include "tst_clipboardcommand.moc"

#include "MainWindowFixture.h"
#include "FreshSession.h"

#include "ClipboardFile.h"
#include "Engines.h"
#include "Messages.h"
#include "NavigationWiring.h"
#include "ReaderHooks.h"
#include "ReaderState.h"
#include "SettingsFile.h"
#include "SpeakAndWait.h"
#include "SpokenMenus.h"
#include "UnitUPCTV.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

void MainWindowFixture::setUp() {
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    // The settings file's place is fixed at its first use.
    QCOMPARE(Settings().path(), m_env->settingsPath());
    m_startFolder = QDir::currentPath();
    Speech().setLibraryName(doubleEnginePath());
}

void MainWindowFixture::reset() {
    bookmarks.clear();
    m_env->setMsPerByte(1);
    startFreshSession(*m_env);
    if (QTest::currentTestFailed()) {
        return;
    }
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    QVERIFY(QDir::setCurrent(m_folder->path()));
    log().clear();
}

void MainWindowFixture::tearDown() {
    m_trigger.reset();
    m_form.reset();
    TimerStatusUpcTV().disarm();
    TheClipboardFile().remove();
    QDir::setCurrent(m_startFolder);
}

QString MainWindowFixture::folder() const {
    return QDir(m_folder->path()).canonicalPath();
}

QString MainWindowFixture::writeBook(const QByteArray &bytes, const QString &name) {
    const QString path = folder() + u'/' + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        qFatal("cannot write a test book");
    }
    return path;
}

TFormPrincipal &MainWindowFixture::makeForm() {
    m_form = std::make_unique<TFormPrincipal>();
    m_form->Hooks = readerHooks();
    addNavigationHooks(m_form->Hooks, [this] { return bookmarks; });
    m_form->Hooks.createBookChooser(m_form.get());
    return *m_form;
}

void MainWindowFixture::pausedAt(const QString &path, qint64 position) {
    ReaderState &state = State();
    state.BookPath = path;
    state.BookTitle = QFileInfo(path).completeBaseName();
    state.ReadPosition = position;
    state.SentenceStart = position;
    state.BookFinished = false;
}

void MainWindowFixture::press(int key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(m_form.get(), Qt::Key(key), modifiers);
}

void MainWindowFixture::whenSpoken(const QByteArray &text, std::function<void()> action) {
    m_trigger = std::make_unique<QTimer>();
    m_trigger->setInterval(5);
    QTimer *trigger = m_trigger.get();
    QObject::connect(trigger, &QTimer::timeout, trigger, [this, trigger, text, action] {
        if (log().textsRead().contains(text)) {
            trigger->stop();
            action();
        }
    });
    m_trigger->start();
}

MainWindowFixture::Texts MainWindowFixture::spokenAfter(const QByteArray &text) const {
    const Texts texts = log().textsRead();
    const qsizetype at = texts.indexOf(text);
    return at < 0 ? Texts{"(" + text + " never spoken)"} : texts.mid(at + 1);
}

QByteArray MainWindowFixture::bookEnded() {
    return spoken(inActiveLanguage(Messages::BookEnded) + State().IdleMenuText);
}

void MainWindowTest::cleanupTestCase() {
    Speech().ReleaseSpeechLibrary();
}

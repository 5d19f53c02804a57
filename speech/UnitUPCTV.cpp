#include "UnitUPCTV.h"

#include "EngineText.h"
#include "RecordingPlayer.h"
#include "TempoScale.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <dlfcn.h>
#include <utility>

// One loaded copy of the speech library and its entry points. The entry points
// the program calls must all be there; the four it only looks up may be missing.
struct SpeechService::Library {
    using TextCall = int (*)(const char *);
    using VoidCall = int (*)();
    using IntCall = int (*)(int);

    void *handle = nullptr;
    TextCall upcTVRead = nullptr;
    VoidCall upcTVStop = nullptr;
    IntCall upcTVStatus = nullptr;
    IntCall upcTVSetSpeed = nullptr;
    IntCall upcTVSetLanguage = nullptr;
    IntCall upcTVSetSpeaker = nullptr;
    VoidCall upcTVAbout = nullptr;
    TextCall upcTVReadFile = nullptr;
    VoidCall upcTVPause = nullptr;
    VoidCall upcTVResume = nullptr;

    ~Library() {
        if (handle != nullptr) {
            dlclose(handle);
        }
    }

    template <typename Call> void find(Call &slot, const char *name) {
        slot = reinterpret_cast<Call>(dlsym(handle, name));
    }

    // Returns nullptr, with the reason in `error`, when the library cannot be
    // loaded or lacks an entry point that the program calls.
    static std::unique_ptr<Library> open(const QString &name, QString &error) {
        auto library = std::make_unique<Library>();
        library->handle = dlopen(name.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (library->handle == nullptr) {
            error = QString::fromLocal8Bit(dlerror());
            return nullptr;
        }
        library->find(library->upcTVRead, "upcTVRead");
        library->find(library->upcTVStop, "upcTVStop");
        library->find(library->upcTVStatus, "upcTVStatus");
        library->find(library->upcTVSetSpeed, "upcTVSetSpeed");
        library->find(library->upcTVSetLanguage, "upcTVSetLanguage");
        library->find(library->upcTVSetSpeaker, "upcTVSetSpeaker");
        library->find(library->upcTVAbout, "upcTVAbout");
        library->find(library->upcTVReadFile, "upcTVReadFile");
        library->find(library->upcTVPause, "upcTVPause");
        library->find(library->upcTVResume, "upcTVResume");
        if (!library->upcTVRead || !library->upcTVStop || !library->upcTVStatus ||
            !library->upcTVSetSpeed || !library->upcTVSetLanguage || !library->upcTVSetSpeaker) {
            error = name + QStringLiteral(": an entry point is missing");
            return nullptr;
        }
        return library;
    }
};

SpeechService::SpeechService(QString libraryName) : m_libraryName(std::move(libraryName)) {}

SpeechService::~SpeechService() {
    m_player.reset(); // its thread may post to m_noticeTarget until it is joined
}

void SpeechService::setLibraryName(const QString &name) {
    m_libraryName = name;
}

QString SpeechService::libraryName() const {
    return m_libraryName;
}

bool SpeechService::isLoaded() const {
    return m_library != nullptr;
}

QString SpeechService::loadError() const {
    return m_loadError;
}

QString SpeechService::loadProblem(const QString &name) {
    QString error;
    const std::unique_ptr<Library> library = Library::open(name, error);
    return error; // `library` goes, and the library is unloaded, after this copy
}

bool SpeechService::LoadSpeechLibrary() {
    m_loadError.clear();
    m_library = Library::open(m_libraryName, m_loadError);
    if (!m_library) {
        return false;
    }
    m_library->upcTVSetSpeed(ReadingSpeed);
    return true;
}

void SpeechService::ReloadSpeechLibrary() {
    if (!m_library) {
        return;
    }
    m_library.reset();
    m_loadError.clear();
    m_library = Library::open(m_libraryName, m_loadError);
    if (m_library) {
        m_library->upcTVSetSpeed(ReadingSpeed);
    } else {
        // The user hears nothing of it; the line says why the speech has stopped.
        std::fprintf(stderr, "zelvora: cannot load the speech library again: %s\n",
                     m_loadError.toLocal8Bit().constData());
    }
}

void SpeechService::ReleaseSpeechLibrary() {
    m_player.reset(); // its audio output too: made again, as configured then, on the next phrase
    m_library.reset();
}

void SpeechService::SpeakText(const QByteArray &text) {
    if (!m_library) {
        return;
    }
    if (m_player) {
        m_player->stop();
    }
    m_library->upcTVStop();
    m_library->upcTVRead(textForEngine(text).constData());
}

QByteArray SpeechService::textForEngine(const QByteArray &text) {
    // The library reads up to the first NUL, so a text holding one is cut there
    // and loses the blank too, as with any C string.
    return EngineText::forEngine(text) + ' ';
}

void SpeechService::PlayPhrase(const PhraseAudio &phrase) {
    if (!m_library) {
        return;
    }
    m_library->upcTVStop();
    if (!m_player) {
        m_noticeTarget = std::make_unique<QObject>();
        m_player = std::make_unique<upctv::RecordingPlayer>(upctv::OutputConfig::fromEnvironment(),
                                                            [this, target = m_noticeTarget.get()] {
                                                                QMetaObject::invokeMethod(
                                                                    target,
                                                                    [this] {
                                                                        if (m_phraseListener) {
                                                                            m_phraseListener();
                                                                        }
                                                                    },
                                                                    Qt::QueuedConnection);
                                                            });
    }
    m_player->setTempo(upctv::tempoForSpeed(ReadingSpeed));
    m_player->play(phrase);
}

void SpeechService::setPhraseListener(std::function<void()> listener) {
    m_phraseListener = std::move(listener);
}

void SpeechService::switchLanguage(bool toCatalan) {
    if (!m_library || CatalanActive == toCatalan) {
        return;
    }
    CatalanActive = toCatalan;
    upcTVStop();
    ReloadSpeechLibrary();
    if (m_library) {
        m_library->upcTVSetLanguage(toCatalan ? CatalanLanguageCode : SpanishLanguageCode);
        m_library->upcTVSetSpeaker(toCatalan ? 0 : 1);
    }
}

void SpeechService::SwitchToCatalan() {
    switchLanguage(true);
}

void SpeechService::SwitchToSpanish() {
    switchLanguage(false);
}

void SpeechService::upcTVStop() {
    if (m_library) {
        m_library->upcTVStop();
    }
    if (m_player) {
        m_player->stop();
    }
}

void SpeechService::upcTVSetSpeed(int speed) {
    if (m_library) {
        m_library->upcTVSetSpeed(speed);
    }
    if (m_player) {
        m_player->setTempo(upctv::tempoForSpeed(speed));
    }
}

int SpeechService::upcTVStatus() {
    if (!m_library) {
        return 0;
    }
    const int engine = m_library->upcTVStatus(0);
    return engine != 0 || !m_player ? engine : int(m_player->isBusy());
}

SpeechService &Speech() {
    static SpeechService service;
    return service;
}

void WaitPumping(int ms) {
    if (ms <= 0) {
        return;
    }
    QEventLoop loop;
    QTimer deadline;
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(ms);
    // The loop also ends early when the application is told to quit, and from
    // then until the main loop has unwound Qt refuses to run it at all (exec
    // returns -1 at once). The wait still lasts its full time, still dispatching:
    // directly, sleeping until something happens.
    while (deadline.isActive()) {
        if (loop.exec() < 0) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
}

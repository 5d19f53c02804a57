#include "Startup.h"

#include "ReaderState.h"
#include "SettingsFile.h"
#include "SpeakAndWait.h"
#include "SpokenMenus.h"
#include "TFormPrincipal.h"
#include "UnitUPCTV.h"
#include "Unitabout.h"

#include <QApplication>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {
// How often, and how long at most, the exit waits for the waits that were in
// progress when the main window closed to end.
constexpr int UnwindPollMs = 50;
constexpr int UnwindPollLimit = 200; // 10 s
} // namespace

Startup::Startup(ShellHooks hooks) {
    // The main window is the first window created; creating it runs FormCreate.
    m_form = std::make_unique<TFormPrincipal>();
    m_form->Hooks = std::move(hooks);
    connect(m_form.get(), &TFormPrincipal::closedForGood, this, [this] {
        m_closed = true;
        if (m_inExec) {
            quitWhenUnwound();
        }
    });
}

Startup::~Startup() = default;

TFormPrincipal *Startup::mainWindow() const {
    return m_form.get();
}

TAboutBox *Startup::aboutBox() const {
    return m_aboutBox;
}

bool Startup::start() {
    QApplication::setQuitOnLastWindowClosed(false);
    m_aboutBox = new TAboutBox(m_form.get());
    m_form->AboutBox = m_aboutBox;
    if (m_form->Hooks.createBookChooser) {
        m_form->Hooks.createBookChooser(m_form.get());
    }
    // Temporary files of writes killed midway; a copy writing now keeps its own.
    Settings().removeLeftoverTemporaryFiles();
    Speech().ReadingSpeed = Settings().readReadingSpeed();
    WaitPumping(1000);
    if (!Speech().LoadSpeechLibrary()) {
        // One line, the system's reason included (dlerror names the library).
        std::fprintf(stderr, "zelvora: cannot load the speech library (%s); ending.\n",
                     Speech().loadError().toLocal8Bit().constData());
        return false;
    }
    // The handlers run in the order of start-up, not when the window system
    // delivers its activation events, which come later and would make the waits of
    // FormActivate and FormDeactivate overlap the splash's.
    m_form->holdActivationForStartUp();
    m_form->showMaximized();
    m_form->startUpActivation(true);
    if (Settings().storedLanguageIsSpanish()) {
        Speech().SwitchToSpanish();
        TimerStatusUpcTV().arm();
        BuildSpanishMenus();
    } else {
        TimerStatusUpcTV().arm();
        BuildCatalanMenus();
    }
    showSplash();
    TimerStatusUpcTV().waitWhileArmed();
    m_form->hookApplicationActivation();
    return true;
}

// Showing the box takes the activation from the main window (FormDeactivate runs,
// before the splash's own wait); hiding it gives the activation back (FormActivate
// runs and the menu is spoken a second later).
void Startup::showSplash() {
    m_aboutBox->ShowAsSplash(1000, [this] { m_form->startUpActivation(false); });
    if (!m_form->isVisible() || m_form->ExitAnnounced) {
        return;
    }
    // Without a window manager nothing hands the activation back by itself.
    if (QApplication::activeWindow() == nullptr) {
        m_form->activateWindow();
    }
    m_form->startUpActivation(true);
}

int Startup::exec() {
    if (m_closed) {
        return 0;
    }
    m_inExec = true;
    const int status = QApplication::exec();
    m_inExec = false;
    return status;
}

// The main window may close inside a wait (a reading run's, a command's). Those
// waits end by themselves within moments once the window has closed; leaving the
// message loop only then lets each of them unwind normally instead of finding its
// event loop dead. A wait that does not end is cut short after a while.
void Startup::quitWhenUnwound() {
    if (QThread::currentThread()->loopLevel() <= 1 || ++m_unwindPolls > UnwindPollLimit) {
        QCoreApplication::exit(0);
        return;
    }
    QTimer::singleShot(UnwindPollMs, this, &Startup::quitWhenUnwound);
}

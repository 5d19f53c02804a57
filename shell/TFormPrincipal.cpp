#include "TFormPrincipal.h"

#include "KeyCommands.h"
#include "Messages.h"
#include "ReaderState.h"
#include "SettingsFile.h"
#include "SpeakAndWait.h"
#include "UnitUPCTV.h"
#include "Unitabout.h"
#include "VirtualKeys.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPalette>
#include <QTimer>

namespace {
// How often a pending open looks whether the reading run has unwound.
constexpr int PendingOpenPollMs = 20;
} // namespace

TFormPrincipal *FormPrincipal = nullptr;

TFormPrincipal::TFormPrincipal(QWidget *parent)
    : QWidget(parent), Bookmarks(BookmarkFile::defaultPath()), Sleep([this] { return IsReading; }),
      PopupMenu1(new QMenu(this)),
      MenuParlantDe(PopupMenu1->addAction(QStringLiteral("&Parlant de..."))),
      MenuObrirFitxer(PopupMenu1->addAction(QStringLiteral("&Obrir Fitxer..."))),
      N1(PopupMenu1->addSeparator()), MenuSortir(PopupMenu1->addAction(QStringLiteral("&Sortir"))) {
    setWindowTitle(QStringLiteral("ZELVORA - lector de llibres per a invidents"));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    // No control takes the focus: the window itself receives every key.
    setFocusPolicy(Qt::StrongFocus);
    connect(MenuParlantDe, &QAction::triggered, this, &TFormPrincipal::MenuParlantDeClick);
    connect(MenuObrirFitxer, &QAction::triggered, this, &TFormPrincipal::MenuObrirFitxerClick);
    connect(MenuSortir, &QAction::triggered, this, &TFormPrincipal::MenuSortirClick);
    if (FormPrincipal == nullptr) {
        FormPrincipal = this;
    }
    FormCreate();
}

TFormPrincipal::~TFormPrincipal() {
    if (FormPrincipal == this) {
        FormPrincipal = nullptr;
    }
}

void TFormPrincipal::LlegirFinsQueSAcabi(const QByteArray &text) {
    TimerStatusUpcTV().LlegirFinsQueSAcabi(text);
}

// The clipboard's text lives in a private temporary file made by the clipboard
// command, so there is nothing of the user's to delete here: a user's own
// "Carpeta.txt" is left alone.
void TFormPrincipal::FormCreate() {
    ReaderState &state = State();
    state.BookPath.clear();
    state.BookTitle.clear();
    state.ClipboardMode = false;
    state.BookFinished = true;
    state.StopAfterSentence = false;
    ExitAnnounced = false;
}

void TFormPrincipal::FormActivate() {
    WaitPumping(1000);
    injectMenuKey();
}

// Loss of the foreground interrupts a reading run; the position stays in memory
// only and reaches the settings file at the next save.
void TFormPrincipal::FormDeactivate() {
    State().ReadPosition = State().SentenceStart;
    IsReading = false;
    TimerStatusUpcTV().disarm();
    Speech().upcTVStop();
    WaitPumping(200);
}

void TFormPrincipal::FormClose() {
    if (ExitAnnounced) {
        return;
    }
    m_closing = true;
    // A reading run in progress ends here, so that it unwinds instead of reading on
    // after the farewell, and it saves nothing over what is saved below.
    IsReading = false;
    TimerStatusUpcTV().disarm();
    if (Hooks.abandonReadingRun) {
        Hooks.abandonReadingRun();
    }
    LlegirFinsQueSAcabi(inActiveLanguage(Messages::Farewell));
    ExitAnnounced = true;
    removeClipboardFile();
    // Position, speed and language in one atomic write: a crash leaves all three
    // old or all three new.
    const ReaderState &state = State();
    const bool savesBook = !state.BookPath.isEmpty() && !state.ClipboardMode;
    Settings().writeExitSettings(savesBook ? state.BookPath : QString(), state.SentenceStart,
                                 Speech().ReadingSpeed, Speech().CatalanActive);
    WaitPumping(200);
    Speech().ReleaseSpeechLibrary();
    WaitPumping(1000);
}

void TFormPrincipal::FormKeyDown(int key) {
    // Once the farewell has been spoken the library is being released: no command
    // may start anything (a dialog, a reading, a reload) on the way out.
    if (ExitAnnounced) {
        return;
    }
    if (!IsReading) {
        Speech().upcTVStop();
    }
    if (IsReading && isMenuKey(key)) {
        interruptReadingRun();
    }
    if (IsReading) {
        return;
    }
    // A key during the farewell cuts it off (above) but starts nothing on the way
    // out: no reading, no dialog, no reload.
    if (m_closing) {
        return;
    }
    runKeyCommand(*this, key);
}

void TFormPrincipal::interruptReadingRun() {
    ReaderState &state = State();
    if (!state.BookPath.isEmpty() && !state.ClipboardMode) {
        Settings().writeBookPosition(state.BookPath, state.SentenceStart);
    }
    state.ReadPosition = state.SentenceStart;
    IsReading = false;
    TimerStatusUpcTV().disarm();
    Speech().upcTVStop();
}

void TFormPrincipal::MenuSortirClick() {
    close();
}

void TFormPrincipal::MenuParlantDeClick() {
    if (AboutBox != nullptr) {
        AboutBox->exec();
    }
}

void TFormPrincipal::MenuObrirFitxerClick() {
    if (readingRunActive()) {
        openWhenTheRunHasUnwound();
    } else if (Hooks.openBook) {
        Hooks.openBook();
    }
}

// The context menu's open during a reading run: the reading stops as with the
// stop key (the sentence's start saved), or, when no sentence is being read any
// more, the speech stops as with any key; the chooser opens once the run has
// unwound, never inside it. A run that starts meanwhile, or the exit, drops it.
void TFormPrincipal::openWhenTheRunHasUnwound() {
    if (IsReading) {
        interruptReadingRun();
    } else {
        Speech().upcTVStop();
    }
    if (!m_openPending) {
        m_openPending = true;
        QTimer::singleShot(PendingOpenPollMs, this, &TFormPrincipal::openIfStillPending);
    }
}

void TFormPrincipal::openIfStillPending() {
    if (IsReading || m_closing || ExitAnnounced) {
        m_openPending = false;
    } else if (readingRunActive()) {
        QTimer::singleShot(PendingOpenPollMs, this, &TFormPrincipal::openIfStillPending);
    } else {
        m_openPending = false;
        MenuObrirFitxerClick();
    }
}

void TFormPrincipal::ReadBook() {
    if (Hooks.readBook) {
        Hooks.readBook(IsReading);
    } else {
        // No reader: the run ends at once, so the keys keep working.
        IsReading = false;
    }
}

void TFormPrincipal::StepBackOneSentence() {
    if (Hooks.stepBackOneSentence) {
        Hooks.stepBackOneSentence();
    }
}

void TFormPrincipal::removeClipboardFile() {
    if (Hooks.removeClipboardFile) {
        Hooks.removeClipboardFile();
    }
}

bool TFormPrincipal::readingRunActive() const {
    return Hooks.readingRunActive && Hooks.readingRunActive();
}

void TFormPrincipal::holdActivationForStartUp() {
    m_heldForStartUp = true;
}

void TFormPrincipal::startUpActivation(bool active) {
    if (!m_closing && !ExitAnnounced) {
        activationChanged(active);
    }
}

void TFormPrincipal::hookApplicationActivation() {
    m_heldForStartUp = false;
    if (m_applicationHooked) {
        return;
    }
    m_applicationHooked = true;
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            &TFormPrincipal::onApplicationStateChanged);
}

void TFormPrincipal::onApplicationStateChanged(Qt::ApplicationState state) {
    activationChanged(state == Qt::ApplicationActive);
}

// One real change of the activation runs its handler once, whichever of the two
// events for it (the window's own, the application-wide one) comes first. The
// state is recorded before the handler runs, because the handler dispatches events
// and may see the other event, or the next change, nested inside it.
void TFormPrincipal::activationChanged(bool active) {
    if (active == m_active) {
        return;
    }
    m_active = active;
    if (active) {
        FormActivate();
    } else {
        FormDeactivate();
    }
}

// The flags are read for activation events only: other events arrive while the
// members are still being constructed (a child added by a member's constructor).
bool TFormPrincipal::event(QEvent *event) {
    switch (event->type()) {
    case QEvent::WindowActivate:
        if (!m_heldForStartUp) {
            activationChanged(true);
        }
        break;
    case QEvent::WindowDeactivate:
        // A modal dialog of the program taking the activation is no deactivation;
        // the whole program losing the foreground is left to the application-wide
        // hook (and so runs nothing before the hook is in place).
        if (!m_heldForStartUp && QApplication::activeModalWidget() == nullptr &&
            QGuiApplication::applicationState() == Qt::ApplicationActive) {
            activationChanged(false);
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

// The menu key goes to this window only, never to whichever program holds the
// focus by now, and only while this window still holds the activation when the
// key arrives: after the program, the splash or a modal dialog has taken the
// activation in the meantime, the key would reach the wrong window.
void TFormPrincipal::injectMenuKey() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_active || ExitAnnounced || QApplication::activeModalWidget() != nullptr) {
                return;
            }
            const QString r = QStringLiteral("r");
            QCoreApplication::postEvent(
                this, new QKeyEvent(QEvent::KeyPress, Qt::Key_R, Qt::NoModifier, r));
            QCoreApplication::postEvent(
                this, new QKeyEvent(QEvent::KeyRelease, Qt::Key_R, Qt::NoModifier, r));
        },
        Qt::QueuedConnection);
}

void TFormPrincipal::keyPressEvent(QKeyEvent *event) {
    event->accept();
    FormKeyDown(windowsVirtualKey(*event));
}

void TFormPrincipal::closeEvent(QCloseEvent *event) {
    FormClose();
    event->accept();
    emit closedForGood();
}

void TFormPrincipal::contextMenuEvent(QContextMenuEvent *event) {
    if (!ExitAnnounced) {
        PopupMenu1->exec(event->globalPos());
    }
}

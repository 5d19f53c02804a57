#pragma once

#include "BookmarkFile.h"
#include "ShellHooks.h"
#include "SleepTimer.h"

#include <QByteArray>
#include <QWidget>

class QAction;
class QMenu;
class TAboutBox;

// The main window FormPrincipal: black, maximised, with no visible control; all
// its output is speech. It holds the keyboard focus and turns every key press into
// a virtual-key code for FormKeyDown, offers the context menu PopupMenu1, and runs
// the activation handlers that stop the speech when the program loses the
// foreground and speak the menu again when it gets it back.
//
// Activation: FormActivate and FormDeactivate run once per real change. Before
// hookApplicationActivation() only the window's own activation events drive them
// (another window of the program, the start-up splash, taking or giving back the
// activation); afterwards the program gaining or losing the foreground drives them
// too. A modal dialog of the program (the book chooser, the about box) never runs
// them by opening or closing: only a change of the whole program's foreground
// does, and the two kinds of event for one change run a handler once.
class TFormPrincipal : public QWidget {
    Q_OBJECT
public:
    explicit TFormPrincipal(QWidget *parent = nullptr);
    ~TFormPrincipal() override;

    // The reader's and the chooser's operations, set by app/main.cpp.
    ShellHooks Hooks;
    // The about box shown by MenuParlantDeClick; set at start-up (not owned).
    TAboutBox *AboutBox = nullptr;

    // A reading run is to go on; cleared to stop it.
    bool IsReading = false;

    // The bookmarks of every book (B), at BookmarkFile::defaultPath() as it was
    // when the window was made.
    BookmarkFile Bookmarks;
    // The sleep timer (Z), which ends a run of this window's.
    SleepTimer Sleep;
    // The farewell has been spoken; a later close closes at once.
    bool ExitAnnounced = false;

    QMenu *PopupMenu1;
    QAction *MenuParlantDe;
    QAction *MenuObrirFitxer;
    QAction *N1;
    QAction *MenuSortir;

    // Speak `text` and return once the engine has finished it or a handler has
    // disarmed the status timer TimerStatusUpcTV.
    void LlegirFinsQueSAcabi(const QByteArray &text);

    // Handlers, public so that the start-up, the commands and the tests can call
    // them as the events do.
    void FormCreate();
    void FormActivate();
    void FormDeactivate();
    void FormClose();
    void FormKeyDown(int key);
    void MenuSortirClick();
    void MenuParlantDeClick();
    void MenuObrirFitxerClick();

    // The reader's operations through Hooks (nothing when a hook is not set).
    void ReadBook();
    void StepBackOneSentence();
    void removeClipboardFile();
    // A run is active or unwinding, or a book is being opened (false without a
    // reader): commands that would start a run are refused meanwhile.
    bool readingRunActive() const;

    // FormClose has begun: from now on keys only silence the speech.
    bool isClosing() const { return m_closing; }

    // Start-up steps 8 to 10 run the activation handlers in their own order, when
    // the main window is shown, when the splash takes the activation and when it
    // gives it back, whenever the window system gets round to telling: from this
    // call until hookApplicationActivation() the window's own activation events run
    // no handler, and the start-up calls startUpActivation() instead.
    void holdActivationForStartUp();
    // Runs FormActivate or FormDeactivate for a change of the activation made by
    // the start-up (nothing when the window is closing or the state is the same).
    void startUpActivation(bool active);
    // From now on the program gaining or losing the foreground runs FormActivate
    // and FormDeactivate too (start-up step 12); the window's own events do again.
    void hookApplicationActivation();
    // The activation state the handlers last ran for.
    bool isActivationRecorded() const { return m_active; }

signals:
    // The window has closed for good (after FormClose): the program is to end.
    void closedForGood();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void activationChanged(bool active);
    void onApplicationStateChanged(Qt::ApplicationState state);
    void injectMenuKey();
    void interruptReadingRun();
    void openWhenTheRunHasUnwound();
    void openIfStillPending();

    bool m_active = false;
    bool m_applicationHooked = false;
    bool m_heldForStartUp = false;
    bool m_closing = false;
    bool m_openPending = false;
};

// The one main window of the program (null outside its lifetime).
extern TFormPrincipal *FormPrincipal;

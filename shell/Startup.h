#pragma once

#include "ShellHooks.h"

#include <QObject>

#include <memory>

class TAboutBox;
class TFormPrincipal;

// The program from launch to exit: creates the windows, reads the stored speed,
// loads the speech library, shows the main window, reads the stored language and
// builds the menus, shows the about box as a one-second splash, waits until the
// engine is idle, hooks the application-wide activation events and runs the
// message loop until the main window has closed.
//
// UI thread only; needs a QApplication. The windows live as long as this object.
class Startup : public QObject {
    Q_OBJECT
public:
    explicit Startup(ShellHooks hooks = {});
    ~Startup() override;

    // Start-up up to the message loop. Returns false when the speech library cannot
    // be loaded: then no window has been shown, nothing spoken, nothing written, and
    // one line has gone to standard error.
    bool start();
    // The message loop; returns the exit status once the main window has closed
    // and every wait in progress at that moment has ended.
    int exec();

    TFormPrincipal *mainWindow() const;
    TAboutBox *aboutBox() const;
    bool hasClosed() const { return m_closed; }

private:
    void showSplash();
    void quitWhenUnwound();

    std::unique_ptr<TFormPrincipal> m_form;
    TAboutBox *m_aboutBox = nullptr; // owned by the main window
    bool m_closed = false;
    bool m_inExec = false;
    int m_unwindPolls = 0;
};

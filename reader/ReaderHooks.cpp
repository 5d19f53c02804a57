#include "ReaderHooks.h"

#include "ClipboardFile.h"
#include "OpenBook.h"
#include "ReadBook.h"
#include "TFormPrincipal.h"
#include "UnitFitxerGrafic.h"
#include "VolumeSource.h"

#include <QPointer>

namespace {

// What the hooks share: the main window and its chooser, both owned by Qt's
// parent chain (the chooser is a child of the main window).
struct Wiring {
    std::shared_ptr<VolumeSource> volumes;
    QPointer<TFormPrincipal> form;
    QPointer<TFormObrirRecurs> chooser;

    void createChooser(QWidget *mainWindow) {
        form = qobject_cast<TFormPrincipal *>(mainWindow);
        chooser = new TFormObrirRecurs(mainWindow, volumes);
    }

    void openBook() {
        TFormPrincipal *window = form != nullptr ? form.data() : FormPrincipal;
        if (window == nullptr) {
            return;
        }
        if (chooser == nullptr) {
            createChooser(window);
        }
        MenuObrirFitxerClick(*window, *chooser);
    }
};

} // namespace

ShellHooks readerHooks(std::shared_ptr<VolumeSource> volumes) {
    auto wiring = std::make_shared<Wiring>();
    wiring->volumes = std::move(volumes);
    ShellHooks hooks;
    hooks.createBookChooser = [wiring](QWidget *mainWindow) { wiring->createChooser(mainWindow); };
    hooks.openBook = [wiring] { wiring->openBook(); };
    hooks.readBook = [](bool &isReading) { ReadBook(isReading); };
    hooks.stepBackOneSentence = [] { StepBackOneSentence(); };
    hooks.removeClipboardFile = [] { TheClipboardFile().remove(); };
    hooks.readingRunActive = [] { return ReadingRunActive() || BookBeingOpened(); };
    hooks.abandonReadingRun = [] { AbandonReadingRun(); };
    return hooks;
}

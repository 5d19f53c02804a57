// Until the main window exists, the program speaks one Catalan sentence through
// the speech library and exits.
#include "UnitUPCTV.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    if (!Speech().LoadSpeechLibrary()) {
        return 1;
    }
    Speech().SpeakText("Hola. Sóc Zelvora, el lector de llibres que parla.");
    QElapsedTimer waited;
    waited.start();
    do {
        WaitPumping(100);
    } while (Speech().upcTVStatus() != 0 && waited.elapsed() < 30000);
    Speech().ReleaseSpeechLibrary();
    return 0;
}

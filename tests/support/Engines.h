#pragma once

#include <QList>
#include <QString>

// Where this build put the speech engines (absolute paths of the files).
QString doubleEnginePath();  // lib/libupctv_double.so, the recording test double
QString espeakEnginePath();  // lib/libupctv.so, the espeak-ng engine
QString speechdEnginePath(); // lib/libupctv-speechd.so, the speech-dispatcher engine
// The build's folder of executables (bin/), where zelvora is.
QString binaryDirectory();

// One real engine this build made, as the engine contract tests see it.
struct EngineKind {
    QString name;    // as given to --engine: "espeak", "speechd", ...
    QString library; // absolute path of the library file
    // Honours UPCTV_WAV_FILE and UPCTV_WAV_PACE (see docs/engines.md): what it says
    // can be read back exactly and, unpaced, faster than real time.
    bool writesWav = false;
    // Speaks through speech-dispatcher: the tests start a private one first.
    bool needsSpeechDispatcher = false;
};

// Every real engine of this build. A new engine is one more entry here.
QList<EngineKind> builtEngines();

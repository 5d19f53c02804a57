#pragma once

#include "ReaderState.h"
#include "SpeakAndWait.h"
#include "SpokenMenus.h"
#include "TestEnvironment.h"
#include "UnitUPCTV.h"

#include <QFile>
#include <QTest>

// What every test of the reader's commands starts from: Catalan at speed 140, the
// speech double loaded afresh, the status timer disarmed, a fresh reader state
// with the Catalan menus, and no settings file. Call it from init().
inline void startFreshSession(const TestEnvironment &env) {
    Speech().ReleaseSpeechLibrary();
    Speech().ReadingSpeed = SpeechService::DefaultReadingSpeed;
    Speech().CatalanActive = true;
    QVERIFY(Speech().LoadSpeechLibrary());
    TimerStatusUpcTV().disarm();
    State() = ReaderState{};
    BuildCatalanMenus();
    QFile::remove(env.settingsPath());
}

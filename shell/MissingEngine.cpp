#include "MissingEngine.h"

#include "Messages.h"
#include "SettingsFile.h"
#include "UnitUPCTV.h"

#include <thread>

QByteArray engineNotInstalledText(bool catalan, const QByteArray &package) {
    const Phrase &phrase = Messages::EngineNotInstalled;
    return QByteArray(catalan ? phrase.catalan : phrase.spanish) + package + '.';
}

bool sayEngineNotInstalled(SpeechService &speech, const SettingsFile &settings,
                           const QByteArray &package, std::chrono::milliseconds limit) {
    speech.ReadingSpeed = settings.readReadingSpeed();
    if (!speech.LoadSpeechLibrary())
        return false;
    if (settings.storedLanguageIsSpanish())
        speech.SwitchToSpanish();
    speech.SpeakText(engineNotInstalledText(speech.CatalanActive, package));
    // The engine speaks on a thread of its own: polling its status is enough.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (speech.upcTVStatus() != 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    speech.ReleaseSpeechLibrary();
    return true;
}

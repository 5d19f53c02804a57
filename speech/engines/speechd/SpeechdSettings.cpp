#include "SpeechdSettings.h"

#include <algorithm>

namespace upctv::speechd {

namespace {
constexpr int SlowestSpeed = 10;
constexpr int DefaultSpeed = 140;
constexpr int FastestSpeed = 300;
constexpr int RateSpan = 100;
constexpr int MaleVoiceType = 1;   // SPD_MALE1
constexpr int FemaleVoiceType = 4; // SPD_FEMALE1
} // namespace

int rateForSpeed(int speed) {
    const int clamped = std::clamp(speed, SlowestSpeed, FastestSpeed);
    const int offset = clamped - DefaultSpeed;
    // Two straight lines meeting at the default, each reaching one end of the
    // scale; rounded to the nearest point (offset and span are both small).
    const int span = offset < 0 ? DefaultSpeed - SlowestSpeed : FastestSpeed - DefaultSpeed;
    const int scaled = offset * RateSpan;
    return scaled >= 0 ? (scaled + span / 2) / span : -((-scaled + span / 2) / span);
}

const char *languageForCode(int code) {
    switch (code) {
    case 99:
        return "ca";
    case 101:
        return "es";
    default:
        return nullptr;
    }
}

int voiceTypeForSpeaker(int speaker) {
    switch (speaker) {
    case 0:
        return MaleVoiceType;
    case 1:
        return FemaleVoiceType;
    default:
        return -1;
    }
}

} // namespace upctv::speechd

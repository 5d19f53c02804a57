#include "SpeechdSettings.h"

#include <algorithm>

namespace upctv::speechd {

namespace {
constexpr int SlowestSpeed = 10;
constexpr int DefaultSpeed = 140;
constexpr int FastestSpeed = 300;
constexpr int RateSpan = 100;
// A default closer to an end would leave fewer points than the 13 or 16 steps
// on its side.
constexpr int MaxDefaultRate = 80;
constexpr int MaleVoiceType = 1;   // SPD_MALE1
constexpr int FemaleVoiceType = 4; // SPD_FEMALE1
} // namespace

int rateForSpeed(int speed, int defaultRate) {
    const int clamped = std::clamp(speed, SlowestSpeed, FastestSpeed);
    const int middle = std::clamp(defaultRate, -MaxDefaultRate, MaxDefaultRate);
    const int offset = clamped - DefaultSpeed;
    // Two straight lines meeting at the default, each reaching one end of the
    // scale; rounded to the nearest point (all terms are small).
    const int span = offset < 0 ? DefaultSpeed - SlowestSpeed : FastestSpeed - DefaultSpeed;
    const int reach = offset < 0 ? middle + RateSpan : RateSpan - middle;
    const int scaled = offset * reach;
    return middle + (scaled >= 0 ? (scaled + span / 2) / span : -((-scaled + span / 2) / span));
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

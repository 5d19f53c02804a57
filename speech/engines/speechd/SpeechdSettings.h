#pragma once

// How the C ABI's settings map onto speech-dispatcher's. Window-free and
// independent of libspeechd, so the tests check them directly.
namespace upctv::speechd {

// Speed 10..300 (values outside are clamped) onto speech-dispatcher's rate
// -100..100: 140, the program's default, is 0, the user's own default rate;
// each step of 10 moves the rate by 6 to 8 points, so the mapping is strictly
// increasing over the steps of 10 and reaches both ends of the scale.
int rateForSpeed(int speed);

// The language code of the C ABI (99 Catalan, 101 Spanish) as speech-dispatcher
// names it ("ca", "es"); nullptr for any other code.
const char *languageForCode(int code);

// Speaker 0 is the male voice type, 1 the female one (the values of
// SPDVoiceType: SPD_MALE1 is 1, SPD_FEMALE1 is 4); -1 for any other speaker.
int voiceTypeForSpeaker(int speaker);

} // namespace upctv::speechd

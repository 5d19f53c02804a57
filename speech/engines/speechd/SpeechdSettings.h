#pragma once

// How the C ABI's settings map onto speech-dispatcher's. Window-free and
// independent of libspeechd, so the tests check them directly.
namespace upctv::speechd {

// Speed 10..300 (values outside are clamped) onto speech-dispatcher's rate
// -100..100, given the rate the user configured as the default (0 unless the
// user changed it, clamped to -80..80): 140, the program's default, is that
// rate, 10 is -100 and 300 is 100, along two straight lines. With the default
// rate 0 each step of 10 moves the rate by 6 to 8 points; the mapping is
// strictly increasing over the steps of 10 for any default rate.
int rateForSpeed(int speed, int defaultRate = 0);

// The language code of the C ABI (99 Catalan, 101 Spanish) as speech-dispatcher
// names it ("ca", "es"); nullptr for any other code.
const char *languageForCode(int code);

// Speaker 0 is the male voice type, 1 the female one (the values of
// SPDVoiceType: SPD_MALE1 is 1, SPD_FEMALE1 is 4); -1 for any other speaker.
int voiceTypeForSpeaker(int speaker);

} // namespace upctv::speechd

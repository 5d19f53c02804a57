// How many bytes of text espeak-ng speaks per second at every speed of the
// program (10 to 250 in steps of 10), in Catalan and in Spanish: the table that
// navigation/SpeechRate.cpp keeps for the reading time left. The text is spoken
// one sentence at a time, as the reader hands it over, each sentence with the
// pause the engine adds after it.
//
//   build/bench/bench_speechrate
//
// prints one C++ table row per speed: {speed, Catalan bytes/s, Spanish bytes/s}.
#include "EspeakSynth.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> Catalan{
    "La nit era freda i el vent bufava amb força pels carrers del poble.",
    "En Joan va tancar la porta de casa i es va asseure a prop del foc, amb un llibre a les "
    "mans.",
    "Feia anys que no llegia res, però aquell vespre tenia ganes d'escoltar una història "
    "llarga.",
    "Al capítol primer, el protagonista deixava la ciutat i començava un viatge cap al nord.",
    "Els dies passaven lentament, i cada matí el cel tenia un color diferent.",
    "Quan va arribar a la muntanya, ja havia oblidat per què havia marxat.",
};

const std::vector<std::string> Spanish{
    "La noche era fría y el viento soplaba con fuerza por las calles del pueblo.",
    "Juan cerró la puerta de casa y se sentó cerca del fuego, con un libro entre las manos.",
    "Hacía años que no leía nada, pero aquella tarde tenía ganas de escuchar una historia "
    "larga.",
    "En el primer capítulo, el protagonista dejaba la ciudad y empezaba un viaje hacia el norte.",
    "Los días pasaban despacio, y cada mañana el cielo tenía un color distinto.",
    "Cuando llegó a la montaña, ya había olvidado por qué se había marchado.",
};

// Bytes of text per second of speech for `sentences` at `speed`.
double bytesPerSecond(upctv::EspeakSynthesizer &synth, const std::vector<std::string> &sentences,
                      int language, int speed) {
    size_t samples = 0;
    size_t bytes = 0;
    const upctv::Synthesizer::SampleSink count = [&samples](const int16_t *, size_t n) {
        samples += n;
        return true;
    };
    for (const std::string &sentence : sentences) {
        synth.synthesize(sentence + " ", upctv::VoiceChoice{language, 0}, speed, count);
        bytes += sentence.size() + 1;
    }
    return double(bytes) / (double(samples) / synth.sampleRate());
}

} // namespace

int main() {
    upctv::EspeakSynthesizer synth;
    if (synth.sampleRate() <= 0) {
        std::fprintf(stderr, "espeak-ng could not start\n");
        return 1;
    }
    for (int speed = 10; speed <= 250; speed += 10) {
        std::printf("    {%d, %.1f, %.1f},\n", speed, bytesPerSecond(synth, Catalan, 99, speed),
                    bytesPerSecond(synth, Spanish, 101, speed));
    }
    return 0;
}

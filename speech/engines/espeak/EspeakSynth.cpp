#include "EspeakSynth.h"

#include "SentencePause.h"
#include "TextDecoding.h"

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>

namespace upctv {
namespace {

constexpr int CatalanCode = 99;
constexpr int SpanishCode = 101;
// Length of the chunks espeak-ng hands over, in milliseconds: short chunks keep
// the time from a stop to silence short.
constexpr int ChunkMilliseconds = 20;

// The synthesis in progress, seen by the callback. espeak-ng's state is global
// and only the engine thread calls it, so one slot serves.
struct ActiveSynthesis {
    const EspeakSynth::SampleSink *sink = nullptr;
    bool aborted = false;
};
ActiveSynthesis g_active;

int onSamples(short *wav, int count, espeak_EVENT *) {
    if (g_active.sink == nullptr || g_active.aborted)
        return 1;
    if (wav == nullptr || count <= 0)
        return 0;
    if (!(*g_active.sink)(reinterpret_cast<const int16_t *>(wav), static_cast<size_t>(count))) {
        g_active.aborted = true;
        return 1;
    }
    return 0;
}

// espeak-ng 1.51 cannot be terminated twice in one process (the second
// espeak_Terminate waits for ever on a thread it never started) and each
// terminate leaves its voice list and audio objects behind. So libespeak-ng is
// made to stay in the process once loaded, even when this library is unloaded,
// and is initialised only the first time; later loads find it ready.
void keepEspeakResident() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&espeak_Initialize), &info) == 0 ||
        info.dli_fname == nullptr)
        return;
    if (void *self = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE))
        dlclose(self); // the NODELETE mark stays
}

} // namespace

std::string espeakLanguageName(int language) {
    return language == SpanishCode ? std::string("es") : std::string("ca");
}

std::string espeakVoiceName(const VoiceChoice &choice) {
    std::string name = espeakLanguageName(choice.language);
    if (choice.speaker == 1)
        name += "+f1";
    return name;
}

EspeakSynth::EspeakSynth() {
    keepEspeakResident();
    int rate = espeak_ng_GetSampleRate();
    if (rate <= 0)
        rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, ChunkMilliseconds, nullptr,
                                 espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0) {
        std::fprintf(stderr, "upctv: espeak-ng could not start (error %d)\n", rate);
        return;
    }
    m_sampleRate = rate;
    // The callback lives in this library, which may have been loaded anew.
    espeak_SetSynthCallback(&onSamples);
    prepare(VoiceChoice{CatalanCode, 0}, paceForSpeed(DefaultSpeed));
}

EspeakSynth::~EspeakSynth() {
    // espeak-ng stays initialised for the next load (see keepEspeakResident); only
    // the callback into this library, which is about to go, is withdrawn.
    if (m_sampleRate > 0)
        espeak_SetSynthCallback(nullptr);
}

void EspeakSynth::prepare(const VoiceChoice &voice, const EspeakPace &pace) {
    if (!isReady())
        return;
    if (!m_voiceSet || !(voice == m_voice)) {
        if (espeak_SetVoiceByName(espeakVoiceName(voice).c_str()) != EE_OK) {
            std::fprintf(stderr, "upctv: voice %s refused, using %s\n",
                         espeakVoiceName(voice).c_str(),
                         espeakLanguageName(voice.language).c_str());
            espeak_SetVoiceByName(espeakLanguageName(voice.language).c_str());
        }
        m_voice = voice;
        m_voiceSet = true;
        // A new voice brings its own defaults: send the pace again.
        m_pace = EspeakPace{-1, -1};
    }
    if (pace.rate != m_pace.rate)
        espeak_SetParameter(espeakRATE, pace.rate, 0);
    if (pace.wordGap != m_pace.wordGap)
        espeak_SetParameter(espeakWORDGAP, pace.wordGap, 0);
    m_pace = pace;
}

bool EspeakSynth::synthesize(const std::string &utf8, const SampleSink &sink) {
    if (!isReady())
        return true;
    g_active = ActiveSynthesis{&sink, false};
    espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr,
                 nullptr);
    const bool aborted = g_active.aborted;
    g_active = ActiveSynthesis{};
    if (aborted) {
        // After the callback refused more samples espeak-ng still holds the rest of
        // the text; this clears it so the next synthesis starts clean.
        espeak_Cancel();
    }
    return !aborted;
}

size_t EspeakSynth::sentencePause(char mark) {
    if (!isReady() || mark == 0)
        return 0;
    const uint64_t key = uint64_t(uint8_t(m_voice.language)) << 56 |
                         uint64_t(uint8_t(m_voice.speaker)) << 48 |
                         uint64_t(uint16_t(m_pace.rate)) << 32 |
                         uint64_t(uint16_t(m_pace.wordGap)) << 16 | uint8_t(mark);
    if (const auto found = m_pauses.find(key); found != m_pauses.end())
        return found->second;
    const size_t pause =
        pauseToAdd(render(pauseProbeText(mark, true)), render(pauseProbeText(mark, false)));
    m_pauses.emplace(key, pause);
    return pause;
}

std::vector<int16_t> EspeakSynth::render(const std::string &utf8) {
    std::vector<int16_t> samples;
    synthesize(utf8, [&samples](const int16_t *chunk, size_t count) {
        // Not vector::insert: in unoptimised builds it exports a C++20 inline
        // variable as a unique symbol, and such a library can never be unloaded.
        const size_t at = samples.size();
        samples.resize(at + count);
        std::memcpy(samples.data() + at, chunk, count * sizeof(int16_t));
        return true;
    });
    return samples;
}

int EspeakSynthesizer::sampleRate() const {
    // espeak-ng's rate, or the usual one when it could not start (nothing is then
    // spoken, but the output still needs a rate).
    return m_synth.isReady() ? m_synth.sampleRate() : 22050;
}

bool EspeakSynthesizer::synthesize(const std::string &text, const VoiceChoice &voice, int speed,
                                   const SampleSink &sink) {
    m_synth.prepare(voice, paceForSpeed(speed));
    const std::string utf8 = textToUtf8(text);
    // Measured before the text, so that nothing delays the pause once it is due.
    const size_t closingPause = m_synth.sentencePause(sentenceEndMark(utf8));
    return m_synth.synthesize(utf8, sink) && playSilence(closingPause, sampleRate(), sink);
}

bool playSilence(size_t samples, int sampleRate, const Synthesizer::SampleSink &sink) {
    // In pieces as long as speech chunks, so that a stop ends it at once.
    const std::vector<int16_t> silence(static_cast<size_t>(sampleRate / 50));
    while (samples > 0) {
        const size_t count = std::min(samples, silence.size());
        if (!sink(silence.data(), count))
            return false;
        samples -= count;
    }
    return true;
}

} // namespace upctv

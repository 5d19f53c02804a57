// The C ABI of an engine library (see upctv.h), shared by every engine library:
// each adds its own makeEngine() (EngineFactory.h).
//
// The library creates its engine when it is loaded and destroys it when it is
// unloaded (the espeak-ng and Festival engines join their engine thread and
// close the audio device or WAV file; the speech-dispatcher engine closes its
// connection), so the library can be loaded and unloaded any number of times in
// one process. The synthesisers' own libraries (espeak-ng, Festival, libspeechd)
// are initialised at the first load and stay in the process (see EspeakSynth.cpp,
// FestivalVoice.h and upctv_speechd.cpp).
// No C++ exception leaves these functions: a failure returns -1 (upcTVStatus:
// 0) and leaves the engine as it was.
#include "upctv.h"

#include "EngineCall.h"
#include "EngineFactory.h"

#include <cstdio>
#include <exception>

#define UPCTV_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Owned by the library's constructor and destructor below; null when creating
// the engine failed, and every call then does nothing.
upctv::Engine *g_engine = nullptr;

__attribute__((constructor)) void createEngine() {
    try {
        g_engine = upctv::makeEngine().release();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "upctv: the speech engine could not start: %s\n", e.what());
        g_engine = nullptr;
    }
}

__attribute__((destructor)) void destroyEngine() {
    delete g_engine;
    g_engine = nullptr;
}

template <typename Action> int withEngine(Action action) {
    return upctv::callEngine(g_engine, action);
}

} // namespace

/* All entry points may be called from any thread, one call at a time; the
 * program calls them from its user-interface thread. None blocks for longer
 * than it takes to copy its argument or, for upcTVStop, to silence the output. */

/* Copies `text` up to its NUL byte and queues it, with the voice and speed now
 * set, behind anything queued before; returns 0 at once. Speaking happens on
 * the engine's own thread (or speech-dispatcher's). The caller keeps ownership
 * of `text`, which need not outlive the call. Returns -1, queuing nothing, when
 * `text` is null, memory runs out, the engine could not start or it refused the
 * text (the speech-dispatcher engine without a server). */
UPCTV_EXPORT int upcTVRead(const char *text) {
    if (text == nullptr)
        return -1;
    return withEngine(
        [text](upctv::Engine &engine) { return engine.read(std::string(text)) ? 0 : -1; });
}

/* Discards the queue and silences the output: returns 0 once the engine thread
 * has let go of the utterance and flushed the device (at most half a second even
 * if the device hangs); the speech-dispatcher engine cancels its own messages,
 * never another client's. Harmless when silent. */
UPCTV_EXPORT int upcTVStop(void) {
    return withEngine([](upctv::Engine &engine) {
        engine.stop();
        return 0;
    });
}

/* 1 from upcTVRead until the last sample has been played (with UPCTV_WAV_FILE,
 * until the time it takes to play it has passed, or, with UPCTV_WAV_PACE=0, until
 * it is written; through speech-dispatcher, until it reports the end of the last
 * text), 0 otherwise and right after upcTVStop. Also 0 when the engine
 * could not start, so that no caller waits for ever. The argument is not used;
 * callers pass 0. */
UPCTV_EXPORT int upcTVStatus(int) {
    const int speaking =
        withEngine([](upctv::Engine &engine) { return engine.isSpeaking() ? 1 : 0; });
    return speaking == 1 ? 1 : 0;
}

/* Sets the pace of texts read from now on: 10 (slowest) to 300 (fastest), 140 by
 * default (through speech-dispatcher, the user's own rate); values outside are
 * clamped. Returns 0. */
UPCTV_EXPORT int upcTVSetSpeed(int speed) {
    return withEngine([speed](upctv::Engine &engine) {
        engine.setSpeed(speed);
        return 0;
    });
}

/* Sets the language of texts read from now on: 99 Catalan, 101 Spanish (through
 * speech-dispatcher, "ca" and "es" with the module and voice the user configured
 * for them). Returns 0, or -1 for any other code, which changes nothing. */
UPCTV_EXPORT int upcTVSetLanguage(int code) {
    return withEngine([code](upctv::Engine &engine) { return engine.setLanguage(code) ? 0 : -1; });
}

/* Sets the voice of texts read from now on: 0 the language's standard voice,
 * 1 its lighter, higher variant (through speech-dispatcher, the male and female
 * voice types). Returns 0, or -1 for any other number, which
 * changes nothing. */
UPCTV_EXPORT int upcTVSetSpeaker(int speaker) {
    return withEngine(
        [speaker](upctv::Engine &engine) { return engine.setSpeaker(speaker) ? 0 : -1; });
}

/* 0 when the engine cannot synthesise to memory (speech-dispatcher) or could not
 * start; else the synthesiser's own sample rate. */
UPCTV_EXPORT int upcTVSampleRate(void) {
    const int rate = withEngine([](upctv::Engine &engine) { return engine.memorySampleRate(); });
    return rate > 0 ? rate : 0;
}

/* Synthesises on the caller's thread, the engine thread held off meanwhile; the
 * sink's chunks come straight from the synthesiser. See upctv.h for the results. */
UPCTV_EXPORT int upcTVSynthesize(const char *text, upcTVSampleSink sink, void *context) {
    if (text == nullptr || sink == nullptr)
        return -1;
    return withEngine([text, sink, context](upctv::Engine &engine) {
        return engine.synthesizeToMemory(
            std::string(text), [sink, context](const int16_t *samples, size_t count) {
                return sink(context, samples, static_cast<int>(count)) == 0;
            });
    });
}

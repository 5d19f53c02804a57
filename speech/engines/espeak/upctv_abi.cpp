// The C ABI of an engine library (see upctv.h) over SpeechEngine, shared by the
// engines: each library adds its own makeSynthesizer() (EngineFactory.h).
//
// The library creates its engine when it is loaded and destroys it when it is
// unloaded: dlclose joins the engine thread and closes the audio device or WAV
// file, so the library can be loaded and unloaded any number of times in one
// process. The synthesisers' own libraries (espeak-ng, Festival) are initialised
// at the first load and stay in the process (they cannot be terminated and
// started again; see EspeakSynth.cpp and FestivalVoice.h).
// No C++ exception leaves these functions: a failure returns -1 (upcTVStatus:
// 0) and leaves the engine as it was.
#include "upctv.h"

#include "EngineCall.h"
#include "EngineFactory.h"
#include "SpeechEngine.h"

#include <cstdio>
#include <exception>

#define UPCTV_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Owned by the library's constructor and destructor below; null when creating
// the engine failed, and every call then does nothing.
upctv::SpeechEngine *g_engine = nullptr;

__attribute__((constructor)) void createEngine() {
    try {
        g_engine = new upctv::SpeechEngine(upctv::OutputConfig::fromEnvironment(),
                                           upctv::makeSynthesizer());
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
 * the engine thread. The caller keeps ownership of `text`, which need not
 * outlive the call. Returns -1, queuing nothing, when `text` is null, memory
 * runs out or the engine could not start. */
UPCTV_EXPORT int upcTVRead(const char *text) {
    if (text == nullptr)
        return -1;
    return withEngine([text](upctv::SpeechEngine &engine) {
        engine.read(std::string(text));
        return 0;
    });
}

/* Discards the queue and silences the output: returns 0 once the engine thread
 * has let go of the utterance and flushed the device (at most half a second even
 * if the device hangs). Harmless when silent. */
UPCTV_EXPORT int upcTVStop(void) {
    return withEngine([](upctv::SpeechEngine &engine) {
        engine.stop();
        return 0;
    });
}

/* 1 from upcTVRead until the last sample has been played (with UPCTV_WAV_FILE,
 * until the time it takes to play it has passed, or, with UPCTV_WAV_PACE=0, until
 * it is written), 0 otherwise and right after upcTVStop. Also 0 when the engine
 * could not start, so that no caller waits for ever. The argument is not used;
 * callers pass 0. */
UPCTV_EXPORT int upcTVStatus(int) {
    const int speaking =
        withEngine([](upctv::SpeechEngine &engine) { return engine.isSpeaking() ? 1 : 0; });
    return speaking == 1 ? 1 : 0;
}

/* Sets the pace of texts read from now on: 10 (slowest) to 300 (fastest), 140 by
 * default; values outside are clamped. Returns 0. */
UPCTV_EXPORT int upcTVSetSpeed(int speed) {
    return withEngine([speed](upctv::SpeechEngine &engine) {
        engine.setSpeed(speed);
        return 0;
    });
}

/* Sets the language of texts read from now on: 99 Catalan, 101 Spanish. Returns
 * 0, or -1 for any other code, which changes nothing. */
UPCTV_EXPORT int upcTVSetLanguage(int code) {
    return withEngine(
        [code](upctv::SpeechEngine &engine) { return engine.setLanguage(code) ? 0 : -1; });
}

/* Sets the voice of texts read from now on: 0 the language's standard voice,
 * 1 its lighter, higher variant. Returns 0, or -1 for any other number, which
 * changes nothing. */
UPCTV_EXPORT int upcTVSetSpeaker(int speaker) {
    return withEngine(
        [speaker](upctv::SpeechEngine &engine) { return engine.setSpeaker(speaker) ? 0 : -1; });
}

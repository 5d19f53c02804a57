// The C ABI of the speech library (see upctv.h) over speech-dispatcher, built
// as libupctv-speechd.so.
//
// The library connects when it is loaded and closes the connection, joining
// libspeechd's thread, when it is unloaded, so it can be loaded and unloaded
// any number of times in one process. Without a reachable server it writes one
// line to standard error at load, speaks nothing and is never busy. No C++
// exception leaves these functions: a failure returns -1 (upcTVStatus: 0).
#include "upctv.h"

#include "EngineCall.h"
#include "SpeechdEngine.h"

#include <cstdio>
#include <dlfcn.h>
#include <exception>

#define UPCTV_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

upctv::speechd::SpeechdEngine *g_engine = nullptr;

__attribute__((constructor)) void createEngine() {
    // libspeechd and GLib, which it brings in, stay in the process once loaded:
    // GLib is not made to be unloaded and loaded again hundreds of times, and a
    // leak of libspeechd's (a message it builds when the server cannot be
    // reached) stays attributable to it.
    dlopen("libspeechd.so.2", RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    try {
        g_engine = new upctv::speechd::SpeechdEngine();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "upctv-speechd: the speech engine could not start: %s\n", e.what());
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

/* Sends `text` (up to its NUL byte) to speech-dispatcher and returns at once;
 * speech-dispatcher queues it behind this library's earlier texts. -1 when
 * `text` is null, there is no server or the server refused it. */
UPCTV_EXPORT int upcTVRead(const char *text) {
    if (text == nullptr)
        return -1;
    return withEngine(
        [text](upctv::speechd::SpeechdEngine &engine) { return engine.read(text) ? 0 : -1; });
}

/* Cancels this library's messages (never another client's); 0 afterwards from
 * upcTVStatus. Harmless when silent. */
UPCTV_EXPORT int upcTVStop(void) {
    return withEngine([](upctv::speechd::SpeechdEngine &engine) {
        engine.stop();
        return 0;
    });
}

/* 1 from upcTVRead until speech-dispatcher reports the end of the last text,
 * 0 otherwise, right after upcTVStop, and without a server. */
UPCTV_EXPORT int upcTVStatus(int) {
    const int speaking = withEngine(
        [](upctv::speechd::SpeechdEngine &engine) { return engine.isSpeaking() ? 1 : 0; });
    return speaking == 1 ? 1 : 0;
}

/* Speed 10 to 300 (clamped) onto speech-dispatcher's rate; 140 is the user's
 * default rate. Returns 0. */
UPCTV_EXPORT int upcTVSetSpeed(int speed) {
    return withEngine([speed](upctv::speechd::SpeechdEngine &engine) {
        engine.setSpeed(speed);
        return 0;
    });
}

/* 99 Catalan ("ca"), 101 Spanish ("es"), with the module and voice the user
 * configured for that language. -1 for any other code, which changes nothing. */
UPCTV_EXPORT int upcTVSetLanguage(int code) {
    return withEngine([code](upctv::speechd::SpeechdEngine &engine) {
        return engine.setLanguage(code) ? 0 : -1;
    });
}

/* 0 the male voice type, 1 the female one. -1 for any other number, which
 * changes nothing. */
UPCTV_EXPORT int upcTVSetSpeaker(int speaker) {
    return withEngine([speaker](upctv::speechd::SpeechdEngine &engine) {
        return engine.setSpeaker(speaker) ? 0 : -1;
    });
}

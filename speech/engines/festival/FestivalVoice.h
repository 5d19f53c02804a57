#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Festival as the engine uses it. Festival keeps its state in process-wide
// globals (the Scheme heap, the loaded voice) and cannot be shut down and
// started again, so it lives in a library of its own that stays in the process
// once loaded (linked with -z nodelete): the engine library above it may be
// loaded and unloaded any number of times, and Festival is initialised at the
// first load only.
//
// Festival's Scheme interpreter checks its stack depth against, and its garbage
// collector scans, the stack of the thread that initialised it. Any other thread
// fails every call ("stack limit exceeded"), so a thread that calls Festival
// first anchors it to its own stack with attachThread(). Calls from two threads
// at once are not allowed; the engine uses Festival from one thread at a time.
namespace upctv::festival {

#define UPCTV_FESTIVAL_API __attribute__((visibility("default")))

// Anchors Festival's stack checks to the calling thread. `stackTop` is the
// address of a local variable in the thread's outermost function, so that every
// later call happens deeper in the same stack.
UPCTV_FESTIVAL_API void attachThread(const void *stackTop);

// Starts Festival the first time, then selects `voiceName` unless it is the
// voice already selected. On failure (Festival's files or the voice missing)
// prints one line on standard error and returns false; synthesize() then fails
// until a later call succeeds (a voice installed meanwhile is found then).
UPCTV_FESTIVAL_API bool initialise(const std::string &voiceName);

// One utterance to synthesise: ISO-8859-15 text, a pitch factor (1 unchanged,
// below 1 lower, the timbre following as from a larger speaker, and the speech
// 1/pitchFactor times as long) and the sample rate wanted.
struct Request {
    std::string latin9;
    double pitchFactor = 1.0;
    int sampleRate = 16000;
};

// Synthesises `request` into `samples` (mono, 16-bit). False when Festival is
// not initialised or failed on the text.
UPCTV_FESTIVAL_API bool synthesize(const Request &request, std::vector<int16_t> &samples);

} // namespace upctv::festival

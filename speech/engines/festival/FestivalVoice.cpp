#include "FestivalVoice.h"

#include <festival/festival.h>

#include <cstdio>
#include <sys/stat.h>

// Festival's Scheme stack bounds: public symbols of libestools without a header.
extern LISP *stack_start_ptr;
extern LISP *stack_limit_ptr;
extern long stack_size;

namespace upctv::festival {
namespace {

// Cells in Festival's Scheme heap. Festival's own program uses ten million
// (about 300 MB); a million holds the Catalan voice and lexicon with room to
// spare (about 55 MB resident); 210,000 runs out while the voice loads.
constexpr int HeapCells = 1000000;

bool g_started = false; // festival_initialize has run: it may run only once
std::string g_voice;    // the voice selected, empty before

bool fileExists(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool evaluate(const std::string &expression) {
    return festival_eval_command(EST_String(expression.c_str())) != 0;
}

bool festivalFilesExist() {
    // Debian keeps Festival's Scheme files in its data folder, others in its
    // library folder; initialisation loads init.scm from whichever has it.
    const std::string init = std::string(festival_datadir) + "/init.scm";
    if (fileExists(init) || fileExists(std::string(festival_libdir) + "/init.scm"))
        return true;
    std::fprintf(stderr, "upctv: Festival's files are missing (%s)\n", init.c_str());
    return false;
}

bool selectVoice(const std::string &voiceName) {
    // The voice is looked up in Festival's voice list first, so that a missing
    // voice costs one line of our own rather than Festival's error messages.
    const std::string check =
        "(set! zelvora_voice_found (member_string \"" + voiceName + "\" (voice.list)))";
    if (!evaluate(check) || siod_get_lval("zelvora_voice_found", nullptr) == NIL) {
        std::fprintf(stderr, "upctv: the Festival voice %s is not installed\n", voiceName.c_str());
        return false;
    }
    if (!evaluate("(voice_" + voiceName + ")")) {
        std::fprintf(stderr, "upctv: the Festival voice %s could not be loaded\n",
                     voiceName.c_str());
        return false;
    }
    // The voice's models load at its first utterance: a word said now, into
    // nothing, spares the first text that wait (about a quarter of a second).
    EST_Wave warmUp;
    festival_text_to_wave(EST_String("Hola."), warmUp);
    return true;
}

} // namespace

void attachThread(const void *stackTop) {
    stack_start_ptr = static_cast<LISP *>(const_cast<void *>(stackTop));
    stack_limit_ptr =
        reinterpret_cast<LISP *>(static_cast<char *>(const_cast<void *>(stackTop)) - stack_size);
}

bool initialise(const std::string &voiceName) {
    if (voiceName == g_voice)
        return true;
    if (!g_started) {
        if (!festivalFilesExist())
            return false;
        festival_initialize(1, HeapCells);
        g_started = true;
    }
    g_voice.clear(); // nothing is spoken until a voice is selected
    if (!selectVoice(voiceName))
        return false;
    g_voice = voiceName;
    return true;
}

bool synthesize(const Request &request, std::vector<int16_t> &samples) {
    samples.clear();
    if (g_voice.empty())
        return false;
    EST_Wave wave;
    if (!festival_text_to_wave(EST_String(request.latin9.c_str()), wave))
        return false;
    // A lower pitch: the wave played slower, then resampled to the rate wanted.
    if (request.pitchFactor != 1.0)
        wave.set_sample_rate(static_cast<int>(wave.sample_rate() * request.pitchFactor));
    if (wave.sample_rate() != request.sampleRate)
        wave.resample(request.sampleRate);
    samples.resize(static_cast<size_t>(wave.num_samples()));
    for (int i = 0; i < wave.num_samples(); ++i)
        samples[static_cast<size_t>(i)] = wave.a_no_check(i);
    return true;
}

} // namespace upctv::festival

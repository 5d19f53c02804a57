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

enum class State { Untried, Ready, Failed };
State g_state = State::Untried;

bool fileExists(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool evaluate(const std::string &expression) {
    return festival_eval_command(EST_String(expression.c_str())) != 0;
}

bool start(const std::string &voiceName) {
    // Debian keeps Festival's Scheme files in its data folder, others in its
    // library folder; initialisation loads init.scm from whichever has it.
    const std::string init = std::string(festival_datadir) + "/init.scm";
    if (!fileExists(init) && !fileExists(std::string(festival_libdir) + "/init.scm")) {
        std::fprintf(stderr, "upctv: Festival's files are missing (%s)\n", init.c_str());
        return false;
    }
    festival_initialize(1, HeapCells);
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
    return true;
}

} // namespace

void attachThread(const void *stackTop) {
    stack_start_ptr = static_cast<LISP *>(const_cast<void *>(stackTop));
    stack_limit_ptr =
        reinterpret_cast<LISP *>(static_cast<char *>(const_cast<void *>(stackTop)) - stack_size);
}

bool initialise(const std::string &voiceName) {
    if (g_state == State::Untried)
        g_state = start(voiceName) ? State::Ready : State::Failed;
    return g_state == State::Ready;
}

bool synthesize(const Request &request, std::vector<int16_t> &samples) {
    samples.clear();
    if (g_state != State::Ready)
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

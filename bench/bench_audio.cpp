// The engine through a PulseAudio sink, measured inside a recording of the sink's
// monitor (see AudioCapture.h), run once for each of two speakers:
//   bench_audio engine [path] [rounds] [soak seconds]   the espeak-ng engine, libupctv.so
//   bench_audio reference [rounds]                      espeak-ng's own audio output
//   bench_audio alone [path] [soak seconds]             (c) without the capture
// It prints "name<TAB>figure" lines; bench/bench_audio.sh starts a private server
// with a null sink, runs both and prints them side by side.
//   (a) the silence between two sentences at speeds 60, 140 and 250: the engine
//       speaks them one upcTVRead each, the next read coming as soon as the status
//       is idle (polled every millisecond); espeak-ng reads them as one text;
//   (b) read to first sound and stop to silence, stops landing early (0.2-0.8 s),
//       in the middle (3-5 s) and late (8-10 s) in a long utterance;
//   (c) engine only: the underruns the engine reports on standard error while it
//       reads sentence after sentence for the soak time.
#include "AudioCapture.h"
#include "StderrCapture.h"

#include "SpeedMapping.h"

#include <QTemporaryDir>
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <functional>
#include <random>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

const char *const First = "Avui fa sol i anem tots junts a la platja.";
const char *const Second = "Els nens porten la pilota vermella i el pare porta el dinar.";
const char *const Book =
    "La tortuga caminava a poc a poc per la sorra calenta de la platja. Cada mati sortia "
    "del seu amagatall i buscava les fulles tendres que el vent portava del bosc. Els "
    "ocells la miraven des de les roques i li explicaven les noticies del poble. Ella "
    "escoltava amb paciencia i despres continuava el seu cami cap al mar. Quan arribava "
    "a l'aigua es quedava quieta molta estona mirant les onades que anaven i venien.";

struct Speaker {
    std::function<void(const char *)> read;
    std::function<void()> stop;
    std::function<bool()> busy;
    std::function<void(int)> setSpeed;
    bool readsOneAtATime = false; // the engine: one read per sentence
};

void waitIdle(const Speaker &speaker) {
    while (speaker.busy())
        std::this_thread::sleep_for(1ms);
}

Speaker engineSpeaker(const char *path) {
    unsetenv("UPCTV_WAV_FILE");
    void *handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        std::fprintf(stderr, "bench_audio: %s\n", dlerror());
        std::exit(1);
    }
    const auto read = reinterpret_cast<int (*)(const char *)>(dlsym(handle, "upcTVRead"));
    const auto stop = reinterpret_cast<int (*)()>(dlsym(handle, "upcTVStop"));
    const auto status = reinterpret_cast<int (*)(int)>(dlsym(handle, "upcTVStatus"));
    const auto speed = reinterpret_cast<int (*)(int)>(dlsym(handle, "upcTVSetSpeed"));
    return Speaker{[read](const char *text) { read(text); }, [stop] { stop(); },
                   [status] { return status(0) != 0; }, [speed](int s) { speed(s); }, true};
}

Speaker referenceSpeaker() {
    if (espeak_Initialize(AUDIO_OUTPUT_PLAYBACK, 0, nullptr, 0) <= 0 ||
        espeak_SetVoiceByName("ca") != EE_OK) {
        std::fprintf(stderr, "bench_audio: espeak-ng did not start\n");
        std::exit(1);
    }
    return Speaker{[](const char *text) {
                       espeak_Synth(text, std::strlen(text) + 1, 0, POS_CHARACTER, 0,
                                    espeakCHARS_UTF8, nullptr, nullptr);
                   },
                   [] { espeak_Cancel(); }, [] { return espeak_IsPlaying() != 0; },
                   [](int speed) {
                       const upctv::EspeakPace pace = upctv::paceForSpeed(speed);
                       espeak_SetParameter(espeakRATE, pace.rate, 0);
                       espeak_SetParameter(espeakWORDGAP, pace.wordGap, 0);
                   },
                   false};
}

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

void printFigure(const std::string &name, const std::vector<double> &ms) {
    std::printf("%s\tmedian %.0f ms, 95th %.0f ms, %.0f-%.0f (%zu)\n", name.c_str(),
                percentile(ms, 0.5), percentile(ms, 0.95), percentile(ms, 0), percentile(ms, 1.0),
                ms.size());
}

struct Trial {
    enum Kind { Pause, Read, Stop } kind;
    int speed = 0;
    int event = 0;
};

void speakPauseTrial(const Speaker &speaker, AudioCapture &capture, std::vector<Trial> &trials,
                     int speed) {
    speaker.setSpeed(speed);
    trials.push_back({Trial::Pause, speed, capture.mark()});
    if (speaker.readsOneAtATime) {
        speaker.read(First);
        waitIdle(speaker);
        speaker.read(Second);
    } else {
        speaker.read((std::string(First) + " " + Second).c_str());
        std::this_thread::sleep_for(50ms);
    }
    waitIdle(speaker);
    std::this_thread::sleep_for(300ms);
}

void speakStopTrial(const Speaker &speaker, AudioCapture &capture, std::vector<Trial> &trials,
                    std::chrono::milliseconds delay) {
    trials.push_back({Trial::Read, 140, capture.mark()});
    speaker.read(Book);
    std::this_thread::sleep_for(delay);
    trials.push_back({Trial::Stop, 140, capture.mark()});
    speaker.stop();
    std::this_thread::sleep_for(400ms);
}

void analyse(const AudioCapture &capture, const std::vector<Trial> &trials) {
    const std::vector<long> at = capture.eventPositions();
    const std::vector<int16_t> &speech = capture.speech();
    const double msPerSample = 1000.0 / AudioCapture::Rate;
    std::vector<double> pauses[3], firstSound, stopToSilence;
    int inQuiet = 0;
    for (size_t i = 0; i < trials.size(); ++i) {
        const long from = at[size_t(trials[i].event)];
        const long to =
            i + 1 < trials.size() ? at[size_t(trials[i + 1].event)] : long(speech.size());
        if (from < 0 || to < 0)
            continue;
        if (trials[i].kind == Trial::Pause) {
            const int slot = trials[i].speed == 60 ? 0 : trials[i].speed == 140 ? 1 : 2;
            pauses[slot].push_back(double(longestInnerSilence(speech, from, to)) * msPerSample);
        } else if (trials[i].kind == Trial::Read) {
            const long onset = firstLoud(speech, from, to);
            if (onset >= 0)
                firstSound.push_back(double(onset - from) * msPerSample);
        } else if (firstLoud(speech, from - AudioCapture::Rate / 100, from) < 0) {
            ++inQuiet; // the stop came in a pause of the speech: nothing to silence
        } else {
            stopToSilence.push_back(
                double(endOfSound(speech, from - AudioCapture::Rate, to) - from) * msPerSample);
        }
    }
    const int speeds[] = {60, 140, 250};
    for (int s = 0; s < 3; ++s)
        printFigure("(a) silence between two sentences, speed " + std::to_string(speeds[s]),
                    pauses[s]);
    printFigure("(b) read to first sound", firstSound);
    printFigure("(b) stop to silence", stopToSilence);
    std::printf("(b) stops that came in a pause (left out)\t%d\n", inQuiet);
}

// The one-minute load average, -1 when unknown.
double loadAverage() {
    double load = -1;
    if (FILE *file = std::fopen("/proc/loadavg", "r"); file != nullptr) {
        if (std::fscanf(file, "%lf", &load) != 1)
            load = -1;
        std::fclose(file);
    }
    return load;
}

// How many underruns the engine reported in `log`, its standard error.
int underruns(const QByteArray &log) {
    return int(log.count("underrun"));
}

struct LoadRange {
    double lowest = 1e9;
    double highest = 0;
};

// Reads First, Second and Book in turn at speed 140 for `seconds`, calling
// `before` ahead of each read; returns how many texts were read.
int readFor(const Speaker &speaker, int seconds, LoadRange &load,
            const std::function<void()> &before) {
    const char *const texts[] = {First, Second, Book};
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    speaker.setSpeed(140);
    int read = 0;
    while (std::chrono::steady_clock::now() < end) {
        const double now = loadAverage();
        load.lowest = std::min(load.lowest, now);
        load.highest = std::max(load.highest, now);
        before();
        speaker.read(texts[read++ % 3]);
        waitIdle(speaker);
    }
    return read;
}

void printLoad(const LoadRange &load) {
    std::printf("(c) load average (1 minute) during the soak\t%.1f - %.1f\n", load.lowest,
                load.highest);
}

// The engine alone in this process, as in the reader: the recording and any
// other stream are other processes (bench_audio.sh --alone), so nothing in
// this process but the engine can hold its stream up.
void soakAlone(const Speaker &speaker, int seconds) {
    const QTemporaryDir folder;
    StderrCapture log(folder.filePath(QStringLiteral("stderr")));
    LoadRange load;
    const int read = readFor(speaker, seconds, load, [] {});
    const int underflows = underruns(log.release());
    std::printf("(c) underflows in %d s of reading (%d texts), the engine alone in its "
                "process\t%d\n",
                seconds, read, underflows);
    printLoad(load);
}

// Reads sentence after sentence for `seconds`, recording the sink, and counts
// the gaps: a text that sounds longer than the usual (median) reading of the same
// text by more than GapMs was interrupted (espeak-ng itself varies a reading by one
// 10 ms frame, whatever the audio output, and the recording of a 28 s text varies
// by up to 70 ms with no underflow, so the shortest reading is no yardstick). Also
// counts the underflows the server reported to the engine (its lines on standard
// error); the server reports some that it repairs by rewinding the sink before
// anything is heard. The capture's streams are relaxed, so that the sink runs at
// the latency the engine's stream asks for.
void soak(const Speaker &speaker, int seconds) {
    constexpr double GapMs = 15;
    const QTemporaryDir folder;
    StderrCapture log(folder.filePath(QStringLiteral("stderr")));
    AudioCapture capture;
    if (!capture.start(AudioCapture::Timing::Relaxed))
        std::exit(1);
    std::this_thread::sleep_for(300ms); // the marker stream running
    LoadRange load;
    const int read = readFor(speaker, seconds, load, [&capture] { capture.mark(); });
    std::this_thread::sleep_for(300ms);
    capture.mark();
    capture.finish();
    const int underflows = underruns(log.release());

    const std::vector<long> at = capture.eventPositions();
    const std::vector<int16_t> &speech = capture.speech();
    std::vector<double> lengths[3];
    std::vector<std::pair<int, double>> measured;
    for (int i = 0; i + 1 < int(at.size()); ++i) {
        const long from = at[size_t(i)], to = at[size_t(i) + 1];
        const long first = from < 0 || to < 0 ? -1 : firstLoud(speech, from, to);
        if (first < 0)
            continue;
        const double ms =
            double(endOfSound(speech, from, to) - first) * 1000.0 / AudioCapture::Rate;
        lengths[i % 3].push_back(ms);
        measured.emplace_back(i % 3, ms);
    }
    int gaps = 0;
    double worst = 0;
    for (const auto &[kind, ms] : measured) {
        const double excess = ms - percentile(lengths[kind], 0.5);
        gaps += excess > GapMs ? 1 : 0;
        worst = std::max(worst, excess);
    }
    std::printf("(c) gaps in %d s of reading (%d texts, %zu measured)\t%d (longest reading %.1f ms "
                "over the usual)\n",
                seconds, read, measured.size(), gaps, worst);
    std::printf("(c) underflows the server reported\t%d\n", underflows);
    printLoad(load);
}

void measureRounds(const Speaker &speaker, int rounds) {
    AudioCapture capture;
    if (!capture.start())
        std::exit(1);
    std::this_thread::sleep_for(300ms);
    std::vector<Trial> trials;
    for (int round = 0; round < 3; ++round)
        for (const int speed : {60, 140, 250})
            speakPauseTrial(speaker, capture, trials, speed);
    std::mt19937 random(2001);
    for (int round = 0; round < rounds; ++round) {
        const int lows[] = {200, 3000, 8000};
        const int low = lows[round % 3];
        speakStopTrial(speaker, capture, trials,
                       std::chrono::milliseconds(low + int(random() % 600) * (round % 3 ? 3 : 1)));
    }
    capture.finish();
    analyse(capture, trials);
}

} // namespace

int main(int argc, char **argv) {
    if (argc > 1 && std::strcmp(argv[1], "alone") == 0) {
        const Speaker speaker = engineSpeaker(argc > 2 ? argv[2] : ZELVORA_ESPEAK_ENGINE);
        soakAlone(speaker, argc > 3 ? std::atoi(argv[3]) : 600);
        return 0;
    }
    const bool engine = argc > 1 && std::strcmp(argv[1], "engine") == 0;
    const int first = engine ? 3 : 2;
    const int asked = argc > first ? std::atoi(argv[first]) : 30;
    const int rounds = asked > 0 ? std::max(3, asked) : 0; // 0: the soak alone
    const int soakSeconds = engine && argc > 4 ? std::atoi(argv[4]) : 600;
    const Speaker speaker =
        engine ? engineSpeaker(argc > 2 ? argv[2] : ZELVORA_ESPEAK_ENGINE) : referenceSpeaker();
    speaker.read("Hola."); // warm up
    std::this_thread::sleep_for(1500ms);
    waitIdle(speaker);

    if (rounds > 0)
        measureRounds(speaker, rounds);
    if (engine && soakSeconds > 0)
        soak(speaker, soakSeconds);
    return 0;
}

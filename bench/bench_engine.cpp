// Timing of an engine library writing to a WAV file:
//   - first sample: from upcTVRead to the first sample in the file (real-time pacing),
//     for a short sentence, a long one, and a short one read right after stopping
//     the long one 0.1 s into it;
//   - stop latency: from the call of upcTVStop to the last sample written after it;
//   - status overhang: how long upcTVStatus stays non-zero past the audio's length;
//   - synthesis speed: seconds of audio per second of wall time, with pacing off.
// Each figure is the median, with minimum and maximum, of repeated runs.
//
//   bench_engine [runs] [engine]
// runs: default 20; engine: a name such as "festival" for lib/libupctv-festival.so
// beside libupctv.so, which is the default. The WAV file lives in /tmp.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int SampleRate = 22050;
constexpr long HeaderBytes = 44;
const char *const Sentence = "Bon dia, avui fa sol i anem tots junts a la platja.";
// One sentence of 60 words without a comma: an engine that synthesises a whole
// sentence before its first sample is slow to start here.
const char *const LongSentence =
    "Els pescadors del poble van tornar al port amb les barques plenes de peix quan el sol ja "
    "es ponia darrere les muntanyes mentre les dones els esperaven a la platja amb llums grocs "
    "i els nens corrien entre les xarxes que s'assecaven sobre la sorra calenta de la tarda "
    "sense fer cas dels crits dels avis que els demanaven silenci per escoltar el mar que "
    "tornava a bufar.";

double millisecondsSince(Clock::time_point start, Clock::time_point end = Clock::now()) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

long fileBytes(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

double audioSeconds(const std::string &path) {
    return std::max(0L, fileBytes(path) - HeaderBytes) / 2.0 / SampleRate;
}

// The engine loaded with its WAV file; unloaded and the file removed at the end.
class Engine {
public:
    Engine(const std::string &library, const std::string &wavPath, bool paced)
        : m_wavPath(wavPath) {
        setenv("UPCTV_WAV_FILE", wavPath.c_str(), 1);
        setenv("UPCTV_WAV_PACE", paced ? "1" : "0", 1);
        m_handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (m_handle == nullptr) {
            std::fprintf(stderr, "cannot load %s: %s\n", library.c_str(), dlerror());
            std::exit(1);
        }
        read = reinterpret_cast<int (*)(const char *)>(dlsym(m_handle, "upcTVRead"));
        stop = reinterpret_cast<int (*)()>(dlsym(m_handle, "upcTVStop"));
        status = reinterpret_cast<int (*)(int)>(dlsym(m_handle, "upcTVStatus"));
    }
    ~Engine() {
        dlclose(m_handle);
        ::unlink(m_wavPath.c_str());
    }
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    void waitIdle() const {
        while (status(0) != 0)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }

    int (*read)(const char *) = nullptr;
    int (*stop)() = nullptr;
    int (*status)(int) = nullptr;

private:
    std::string m_wavPath;
    void *m_handle = nullptr;
};

void report(const char *what, const char *unit, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const double median = values[values.size() / 2];
    std::printf("%-34s median %8.2f %s   min %8.2f   max %8.2f   (%zu runs)\n", what, median, unit,
                values.front(), values.back(), values.size());
}

// Watches the file from the stop call on and returns when it last grew, in ms
// after `stopCalled`; 0 when it did not grow at all.
double lastGrowthAfter(const std::string &path, Clock::time_point stopCalled,
                       const std::atomic<bool> &done) {
    long size = fileBytes(path);
    double last = 0;
    while (!done.load()) {
        const long now = fileBytes(path);
        if (now != size) {
            size = now;
            last = millisecondsSince(stopCalled);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return last;
}

} // namespace

// The engine library named `name`, in the folder of the espeak-ng engine.
std::string engineLibrary(const char *name) {
    const std::string espeak = ZELVORA_ESPEAK_ENGINE;
    if (name == nullptr)
        return espeak;
    return espeak.substr(0, espeak.rfind('/') + 1) + "libupctv-" + name + ".so";
}

// Waits until the engine, just loaded, speaks: a first text may wait for the
// synthesiser to start (Festival loads its voice then).
void warmUp(const Engine &engine) {
    engine.read("Hola.");
    engine.waitIdle();
}

int main(int argc, char **argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const std::string library = engineLibrary(argc > 2 ? argv[2] : nullptr);
    const std::string wav = "/tmp/bench_engine_" + std::to_string(::getpid()) + ".wav";
    std::string book;
    for (int i = 0; i < 10; ++i)
        book += std::string(Sentence) + " ";

    std::vector<double> firstSample, firstSampleLong, afterStop, stopLatency, overhang, speed;
    {
        Engine engine(library, wav, true);
        warmUp(engine);
        for (int run = 0; run < runs; ++run) {
            const long before = fileBytes(wav);
            const auto start = Clock::now();
            engine.read(Sentence);
            while (fileBytes(wav) == before)
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            firstSample.push_back(millisecondsSince(start));
            engine.waitIdle();
            const double busy = millisecondsSince(start);
            overhang.push_back(busy - 1000.0 * (fileBytes(wav) - before) / 2.0 / SampleRate);

            const long beforeLong = fileBytes(wav);
            const auto startLong = Clock::now();
            engine.read(LongSentence);
            while (fileBytes(wav) == beforeLong)
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            firstSampleLong.push_back(millisecondsSince(startLong));
            // A key pressed while the engine is busy with the long sentence: stop,
            // then the next text at once.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            engine.stop();
            const long beforeNext = fileBytes(wav);
            const auto startNext = Clock::now();
            engine.read(Sentence);
            while (fileBytes(wav) == beforeNext)
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            afterStop.push_back(millisecondsSince(startNext));
            engine.stop();

            engine.read(book.c_str());
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            std::atomic<bool> done{false};
            const auto stopCalled = Clock::now();
            double last = 0;
            std::thread watcher([&] { last = lastGrowthAfter(wav, stopCalled, done); });
            engine.stop();
            const double returned = millisecondsSince(stopCalled);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            done = true;
            watcher.join();
            stopLatency.push_back(std::max(returned, last));
        }
    }
    {
        Engine engine(library, wav, false);
        warmUp(engine);
        for (int run = 0; run < runs; ++run) {
            const double audioBefore = audioSeconds(wav);
            const auto start = Clock::now();
            engine.read(book.c_str());
            engine.waitIdle();
            const double wall = millisecondsSince(start) / 1000.0;
            speed.push_back((audioSeconds(wav) - audioBefore) / wall);
        }
    }
    report("upcTVRead to first sample", "ms", firstSample);
    report("the same, 60-word sentence", "ms", firstSampleLong);
    report("the same, read right after a stop", "ms", afterStop);
    report("upcTVStop to last sample written", "ms", stopLatency);
    report("status past the end of the audio", "ms", overhang);
    report("synthesis speed (audio s / wall s)", "x ", speed);
    return 0;
}

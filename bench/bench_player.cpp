// The player of recorded books through a PulseAudio sink (bench_player.sh starts
// a private server with a null sink):
//   bench_player latency [rounds]        inside a recording of the sink's monitor
//   bench_player cpu [seconds] [soak]    the player alone, its process's CPU and memory
// The recording is made here: bursts of a voice-like tone (1.2 s) between
// silences of 200 ms, 22050 Hz mono, as WAV and (when lame is installed) as a
// 64 kbit/s MP3, the usual form of a DAISY book. A phrase runs from the middle of
// one silence to the middle of the next; the next phrase is handed over at the
// phrase-written notice, as the main window's status timer does.
// Prints "name<TAB>figure" lines.
#include "AudioCapture.h"
#include "RecordingPlayer.h"
#include "WavWriter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int Rate = 22050;
constexpr int BurstMs = 1200;
constexpr int SilenceMs = 200;
constexpr int Bursts = 150; // 3.5 minutes
constexpr int PeriodMs = BurstMs + SilenceMs;

std::string g_folder;

std::string makeRecording() {
    std::vector<int16_t> samples;
    std::mt19937 random(7);
    for (int b = 0; b < Bursts; ++b) {
        samples.insert(samples.end(), size_t(Rate * SilenceMs / 2000), 0);
        const int n = Rate * BurstMs / 1000;
        for (int i = 0; i < n; ++i) {
            const double t = double(i) / Rate;
            const double envelope = 0.6 + 0.4 * std::sin(2 * M_PI * 3 * t);
            samples.push_back(
                int16_t(9000 * envelope * std::sin(2 * M_PI * (180 + b % 7 * 10) * t) +
                        double(int(random() % 400) - 200)));
        }
        samples.insert(samples.end(), size_t(Rate * SilenceMs / 2000), 0);
    }
    const std::string wav = g_folder + "/recording.wav";
    upctv::WavWriter writer;
    if (!writer.open(wav, Rate) || !writer.append(samples.data(), samples.size()))
        std::exit(1);
    return wav;
}

AudioClip clipOf(const std::string &file, int phrase, int count = 1) {
    return AudioClip{QString(), QString::fromStdString(file), qint64(phrase) * PeriodMs,
                     qint64(phrase + count) * PeriodMs};
}

// Hands over the next phrase at the notice, as the reading loop would.
struct Handover {
    std::mutex mutex;
    std::condition_variable written;
    int notices = 0;
    void notice() {
        std::lock_guard lock(mutex);
        ++notices;
        written.notify_all();
    }
    void waitFor(int count) {
        std::unique_lock lock(mutex);
        written.wait_for(lock, 10s, [&] { return notices >= count; });
    }
};

void playChain(upctv::RecordingPlayer &player, Handover &handover, const std::string &file,
               int from, int count) {
    const int base = handover.notices;
    for (int p = 0; p < count; ++p) {
        player.play({clipOf(file, (from + p) % Bursts)});
        handover.waitFor(base + p + 1);
    }
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

void printFigure(const char *name, const std::vector<double> &ms) {
    std::printf("%s\tmedian %.1f ms, 95th %.1f ms, %.1f-%.1f (%zu)\n", name, percentile(ms, 0.5),
                percentile(ms, 0.95), percentile(ms, 0), percentile(ms, 1.0), ms.size());
}

// The silences between the bursts of [from, to): each less the recording's own.
void addGaps(const std::vector<int16_t> &speech, long from, long to, std::vector<double> &excess) {
    long quietStart = -1;
    bool sounded = false;
    for (long i = std::max(0L, from); i < to; ++i) {
        const bool loud = std::abs(speech[size_t(i)]) > LoudLevel;
        if (!loud && quietStart < 0)
            quietStart = i;
        if (loud) {
            const long quiet = quietStart < 0 ? 0 : i - quietStart;
            if (sounded && quiet > Rate / 20)
                excess.push_back(double(quiet) * 1000.0 / Rate - SilenceMs);
            quietStart = -1;
            sounded = true;
        }
    }
}

void latency(int rounds) {
    const std::string file = makeRecording();
    Handover handover;
    upctv::RecordingPlayer player(upctv::OutputConfig{}, [&handover] { handover.notice(); });
    player.play({clipOf(file, 0)}); // opens the output
    std::this_thread::sleep_for(2s);
    player.stop();
    AudioCapture capture;
    if (!capture.start())
        std::exit(1);
    std::this_thread::sleep_for(300ms);
    struct Event {
        enum Kind { Play, Stop, Chain } kind;
        int mark;
    };
    std::vector<Event> events;
    std::mt19937 random(2001);
    for (int round = 0; round < rounds; ++round) {
        // A phrase that starts on its burst's first sample: play to first sound.
        const int phrase = int(random() % (Bursts - 12));
        AudioClip clip = clipOf(file, phrase, 3);
        clip.beginMs += SilenceMs / 2;
        events.push_back({Event::Play, capture.mark()});
        player.play({clip});
        std::this_thread::sleep_for(std::chrono::milliseconds(300 + random() % 800));
        events.push_back({Event::Stop, capture.mark()});
        player.stop();
        std::this_thread::sleep_for(400ms);
        events.push_back({Event::Chain, capture.mark()});
        playChain(player, handover, file, phrase + 3, 4);
        std::this_thread::sleep_for(600ms);
    }
    events.push_back({Event::Chain, capture.mark()});
    capture.finish();
    const std::vector<long> at = capture.eventPositions();
    const std::vector<int16_t> &speech = capture.speech();
    std::vector<double> firstSound, silence, gaps;
    for (size_t i = 0; i + 1 < events.size(); ++i) {
        const long from = at[size_t(events[i].mark)];
        const long to = at[size_t(events[i + 1].mark)];
        if (from < 0 || to < 0)
            continue;
        if (events[i].kind == Event::Play)
            firstSound.push_back(double(firstLoud(speech, from, to) - from) * 1000.0 / Rate);
        else if (events[i].kind == Event::Stop)
            silence.push_back(double(endOfSound(speech, from - Rate, to) - from) * 1000.0 / Rate);
        else
            addGaps(speech, from, to, gaps);
    }
    printFigure("play to first sound", firstSound);
    printFigure("stop to silence", silence);
    printFigure("silence between phrases, beyond the recording's 200 ms", gaps);
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long residentKiB() {
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r"); f != nullptr) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE) / 1024;
}

void cpu(int seconds, int soakSeconds) {
    const std::string wav = makeRecording();
    const std::string mp3 = g_folder + "/recording.mp3";
    const std::string encode =
        "lame --quiet -m m -b 64 --resample 22.05 '" + wav + "' '" + mp3 + "'";
    const bool haveMp3 = std::system(encode.c_str()) == 0;
    Handover handover;
    upctv::RecordingPlayer player(upctv::OutputConfig{}, [&handover] { handover.notice(); });
    for (const std::string &file : haveMp3 ? std::vector{mp3, wav} : std::vector{wav}) {
        const char *kind = file == mp3 ? "MP3" : "WAV";
        for (const double tempo : {1.0, 2.0}) {
            player.setTempo(tempo);
            playChain(player, handover, file, 0, 2); // warm
            const double cpu0 = cpuSeconds();
            const auto wall0 = std::chrono::steady_clock::now();
            const int phrases = int(seconds * 1000 * tempo / PeriodMs);
            playChain(player, handover, file, 2, phrases);
            const double wall =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
            std::printf(
                "CPU while playing %s at tempo %.1f\t%.2f %% of a core (%d phrases, %.0f s)\n",
                kind, tempo, 100 * (cpuSeconds() - cpu0) / wall, phrases, wall);
        }
    }
    player.stop();
    std::this_thread::sleep_for(1s);
    const double idle0 = cpuSeconds();
    std::this_thread::sleep_for(10s);
    std::printf("CPU idle after playing\t%.3f %% of a core (10 s)\n",
                100 * (cpuSeconds() - idle0) / 10);
    player.setTempo(1.0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(soakSeconds);
    std::printf("resident memory at the soak's start\t%ld KiB\n", residentKiB());
    long highest = 0;
    for (int p = 0; std::chrono::steady_clock::now() < end; p += 20) {
        playChain(player, handover, haveMp3 ? mp3 : wav, p % Bursts, 20);
        highest = std::max(highest, residentKiB());
    }
    std::printf("resident memory after a soak of %d s\t%ld KiB (highest %ld KiB)\n", soakSeconds,
                residentKiB(), highest);
}

} // namespace

int main(int argc, char **argv) {
    char folder[] = "/tmp/bench-player.XXXXXX";
    if (mkdtemp(folder) == nullptr)
        return 1;
    g_folder = folder;
    const std::string mode = argc > 1 ? argv[1] : "latency";
    if (mode == "cpu")
        cpu(argc > 2 ? std::atoi(argv[2]) : 60, argc > 3 ? std::atoi(argv[3]) : 300);
    else
        latency(argc > 2 ? std::atoi(argv[2]) : 20);
    std::system(("rm -rf '" + g_folder + "'").c_str());
    return 0;
}

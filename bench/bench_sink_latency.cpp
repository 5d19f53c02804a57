// First-sound and stop latency of an engine as heard through a private
// PulseAudio null sink (the tests' private speech-dispatcher set-up, whose sink
// is recorded).
//
//   bench_sink_latency ENGINE [RUNS]     ENGINE: espeak, speechd, ...
//
// Each run waits in silence, notes how much the recorder has written, reads a
// sentence and finds its first loud sample; then reads a long text, stops it
// after a second and finds the last loud sample. The recorder writes a little
// behind real time (its latency is set to 20 ms), so both figures are upper
// bounds by about that much.
#include "Engines.h"
#include "LoadedEngine.h"
#include "SpeechDispatcherServer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int Loud = 1000;

size_t firstLoud(const Audio &audio, size_t from) {
    for (size_t i = from; i < audio.samples.size(); ++i) {
        if (std::abs(int(audio.samples[i])) > Loud)
            return i;
    }
    return audio.samples.size();
}

size_t lastLoud(const Audio &audio, size_t from) {
    size_t last = from;
    for (size_t i = from; i < audio.samples.size(); ++i) {
        if (std::abs(int(audio.samples[i])) > Loud)
            last = i;
    }
    return last;
}

void summarise(const char *what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    if (ms.empty())
        return;
    std::printf("%s: median %.1f ms, %.1f - %.1f ms (%zu runs)\n", what, ms[ms.size() / 2],
                ms.front(), ms.back(), ms.size());
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QString name = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("speechd");
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    EngineKind kind;
    for (const EngineKind &built : builtEngines())
        kind = built.name == name ? built : kind;
    SpeechDispatcherServer server;
    if (kind.name.isEmpty() || !server.start()) {
        std::fprintf(stderr, "no engine %s, or no server: %s\n", qPrintable(name),
                     qPrintable(server.reason()));
        return 1;
    }
    qunsetenv("UPCTV_WAV_FILE"); // the engines that can write WAV play to the sink
    LoadedEngine engine({kind.name, kind.library, false, kind.needsSpeechDispatcher}, QString(),
                        Pace::RealTime, &server);
    const double rate = SpeechDispatcherServer::SampleRate / 1000.0;
    std::vector<double> firstSound, stopToSilence;
    engine.spokenSeconds("Hola."); // the first stream of a process starts slowly
    QByteArray book;
    for (int i = 0; i < 6; ++i)
        book += "Bon dia, avui fa sol i anem tots junts a la platja. ";
    for (int run = 0; run < runs; ++run) {
        std::this_thread::sleep_for(700ms);
        size_t anchor = size_t(server.recordedBytes() / 2);
        engine.read("Bon dia, avui fa sol.");
        engine.waitIdle();
        firstSound.push_back((firstLoud(server.played(), anchor) - anchor) / rate);

        engine.read(book.constData());
        std::this_thread::sleep_for(1s);
        anchor = size_t(server.recordedBytes() / 2);
        engine.stop();
        stopToSilence.push_back((lastLoud(server.played(), anchor) - anchor) / rate);
    }
    std::printf("engine %s through a PulseAudio null sink\n", qPrintable(name));
    summarise("upcTVRead to first sound", firstSound);
    summarise("upcTVStop to silence", stopToSilence);
    return 0;
}

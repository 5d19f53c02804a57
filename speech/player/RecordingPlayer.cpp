#include "RecordingPlayer.h"

#include "AudioDecoder.h"
#include "TempoStretcher.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace upctv {
namespace {

using namespace std::chrono_literals;

// How far ahead of the listener the writes run: enough for the next phrase to
// follow on a busy machine, little enough that the end of a phrase is heard
// before anything the reader says after it (a pause of 300 ms at the end of a
// book).
constexpr std::chrono::microseconds Ahead = 150ms;
// Once less than this is left to hear, no next phrase can join the sound.
constexpr std::chrono::microseconds EndMargin = 50ms;
// The pieces decoded and written at a time: 50 ms, the sound server's requests
// (StreamTiming::recording), so that each request wakes the player's thread once.
constexpr int PiecesPerSecond = 20;
// Clips that meet within this much play on without a seek.
constexpr int64_t JoinToleranceMs = 2;
// How long stop() waits for the player's thread; only a hung device takes it.
constexpr auto StopTimeout = 500ms;

bool sameFile(const AudioClip &a, const AudioClip &b) {
    return a.file == b.file && a.archive == b.archive;
}

QByteArray fileName(const AudioClip &clip) {
    const QByteArray file = QFile::encodeName(clip.file);
    return clip.archive.isEmpty() ? file : QFile::encodeName(clip.archive) + ':' + file;
}

} // namespace

RecordingPlayer::RecordingPlayer(OutputConfig config, Notice phraseWritten)
    : m_config(std::move(config)), m_phraseWritten(std::move(phraseWritten)),
      m_thread([this] { run(); }) {}

RecordingPlayer::~RecordingPlayer() {
    {
        std::lock_guard lock(m_mutex);
        m_shutdown = true;
        m_queue.clear();
        ++m_epoch;
        if (m_output)
            m_output->cancel();
    }
    m_wake.notify_all();
    m_thread.join();
}

void RecordingPlayer::play(PhraseAudio phrase) {
    {
        std::lock_guard lock(m_mutex);
        if (isBusyLocked()) {
            // Stop first, as the engine does: this phrase replaces the other.
            ++m_epoch;
            m_queue.clear();
            if (m_output)
                m_output->cancel();
        }
        m_queue.push_back(std::move(phrase));
    }
    m_wake.notify_all();
}

void RecordingPlayer::stop() {
    std::unique_lock lock(m_mutex);
    ++m_epoch;
    m_queue.clear();
    if (m_output)
        m_output->cancel();
    m_wake.notify_all();
    m_idle.wait_for(lock, StopTimeout, [this] { return m_stage == Stage::Idle; });
}

bool RecordingPlayer::isBusy() const {
    std::lock_guard lock(m_mutex);
    return isBusyLocked();
}

bool RecordingPlayer::isBusyLocked() const {
    return m_stage == Stage::Playing || !m_queue.empty();
}

void RecordingPlayer::setTempo(double tempo) {
    m_tempo = tempo;
}

void RecordingPlayer::run() {
    for (;;) {
        uint64_t epoch = 0;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_shutdown || !m_queue.empty(); });
            if (m_shutdown)
                break;
            epoch = m_epoch.load();
        }
        playRun(epoch);
        {
            std::lock_guard lock(m_mutex);
            m_stage = Stage::Idle;
        }
        m_idle.notify_all();
    }
    std::lock_guard lock(m_mutex);
    m_output.reset();
}

// The phrases of one sound: each one that follows before the sound has ended
// continues it.
void RecordingPlayer::playRun(uint64_t epoch) {
    PhraseAudio phrase;
    while (takePhrase(epoch, phrase)) {
        for (const AudioClip &clip : phrase) {
            if (!playClip(clip, epoch))
                return cutOff();
        }
        const FollowUp next = awaitFollowUp(epoch);
        if (next == FollowUp::Stop || (next == FollowUp::Silence && !finishSound(epoch)))
            return cutOff();
    }
}

bool RecordingPlayer::takePhrase(uint64_t epoch, PhraseAudio &phrase) {
    std::lock_guard lock(m_mutex);
    if (!isCurrent(epoch) || m_queue.empty())
        return false;
    phrase = std::move(m_queue.front());
    m_queue.pop_front();
    m_stage = Stage::Playing;
    return true;
}

bool RecordingPlayer::playClip(const AudioClip &clip, uint64_t epoch) {
    AudioDecoder *decoder = decoderFor(clip);
    if (decoder == nullptr)
        return true;
    const int64_t rate = decoder->sampleRate();
    const int64_t from = std::max<int64_t>(0, clip.beginMs) * rate / 1000;
    const int64_t to =
        clip.endMs < 0 ? std::numeric_limits<int64_t>::max() : clip.endMs * rate / 1000;
    if (to <= from)
        return true; // a clip of no length plays nothing
    const bool joins = std::abs(decoder->position() - from) <= JoinToleranceMs * rate / 1000;
    if (!joins && !decoder->seek(from)) {
        std::fprintf(stderr, "zelvora: %s has no audio at %lld ms; clip skipped\n",
                     fileName(clip).constData(), static_cast<long long>(clip.beginMs));
        return true;
    }
    if (!prepareOutput(int(rate), epoch))
        return false;
    m_piece.resize(std::size_t(rate / PiecesPerSecond));
    for (int64_t at = decoder->position(); at < to;) {
        const auto want = std::size_t(std::min<int64_t>(int64_t(m_piece.size()), to - at));
        const std::size_t got = decoder->read(m_piece.data(), want);
        if (got == 0)
            break; // the end of the file, or audio that no longer decodes
        at += int64_t(got);
        if (!deliver(m_piece.data(), got, epoch))
            return false;
    }
    return true;
}

AudioDecoder *RecordingPlayer::decoderFor(const AudioClip &clip) {
    if (m_decoder && sameFile(clip, m_decoderFile))
        return m_decoder.get();
    if (!m_failedFile.file.isEmpty() && sameFile(clip, m_failedFile))
        return nullptr;
    m_decoder.reset();
    std::string error;
    std::unique_ptr<ClipSource> source = openClipSource(clip, error);
    if (source)
        m_decoder = openDecoder(std::move(source), error);
    if (!m_decoder) {
        std::fprintf(stderr, "zelvora: cannot play %s (%s); its clips are skipped\n",
                     fileName(clip).constData(), error.c_str());
        m_failedFile = clip;
        return nullptr;
    }
    m_decoderFile = clip;
    m_failedFile = AudioClip{};
    return m_decoder.get();
}

// The output at `rate`, its sound begun. A file of another rate than the sound
// in progress starts a sound of its own once that one has been heard.
bool RecordingPlayer::prepareOutput(int rate, uint64_t epoch) {
    if (!m_output || m_output->sampleRate() != rate) {
        if (!finishSound(epoch))
            return false;
        auto output =
            std::make_unique<AudioOutput>(m_config, rate, "Zelvora", StreamTiming::recording());
        output->open();
        std::unique_ptr<AudioOutput> replaced;
        {
            std::lock_guard lock(m_mutex);
            if (!isCurrent(epoch))
                return false;
            replaced = std::move(m_output);
            m_output = std::move(output);
        }
        m_stretcher = std::make_unique<TempoStretcher>(rate);
    }
    if (!m_begun) {
        m_output->begin();
        if (m_stretching)
            m_stretcher->clear();
        m_stretching = false;
        m_begun = true;
    }
    return true;
}

bool RecordingPlayer::deliver(const int16_t *samples, std::size_t count, uint64_t epoch) {
    const double tempo = m_tempo.load();
    // At tempo 1 the samples go straight to the output, until the tempo changes
    // in the middle of a sound (the stretcher then stays in the path to its end).
    m_stretching = m_stretching || tempo != 1.0;
    if (!m_stretching)
        return send(samples, count, epoch);
    if (m_stretcher->tempo() != tempo)
        m_stretcher->setTempo(tempo);
    m_stretcher->write(samples, count);
    return playStretched(epoch);
}

bool RecordingPlayer::playStretched(uint64_t epoch) {
    m_stretched.resize(m_piece.size());
    while (m_stretcher->available() > 0) {
        const std::size_t got = m_stretcher->read(m_stretched.data(), m_stretched.size());
        if (got == 0)
            break;
        if (!send(m_stretched.data(), got, epoch))
            return false;
    }
    return true;
}

bool RecordingPlayer::send(const int16_t *samples, std::size_t count, uint64_t epoch) {
    return waitForRoom(epoch) && isCurrent(epoch) && m_output->play(samples, count);
}

bool RecordingPlayer::waitForRoom(uint64_t epoch) {
    for (;;) {
        const std::chrono::microseconds left = m_output->unheard();
        if (left <= Ahead)
            return true;
        std::unique_lock lock(m_mutex);
        if (!isCurrent(epoch))
            return false;
        m_wake.wait_for(lock, left - Ahead);
    }
}

// After a phrase's last sample: the next phrase, a stop, or the end of the sound.
RecordingPlayer::FollowUp RecordingPlayer::awaitFollowUp(uint64_t epoch) {
    {
        std::lock_guard lock(m_mutex);
        if (!isCurrent(epoch))
            return FollowUp::Stop;
        if (!m_queue.empty())
            return FollowUp::Phrase;
        m_stage = Stage::Tail;
    }
    if (m_phraseWritten)
        m_phraseWritten();
    for (;;) {
        const std::chrono::microseconds left = m_output ? m_output->unheard() : 0us;
        std::unique_lock lock(m_mutex);
        if (!isCurrent(epoch))
            return FollowUp::Stop;
        if (!m_queue.empty())
            return FollowUp::Phrase;
        if (left <= EndMargin) {
            m_stage = Stage::Draining;
            return FollowUp::Silence;
        }
        m_wake.wait_for(lock, left - EndMargin);
    }
}

// Lets the sound in progress play out: what the stretcher still holds, then
// whatever the output has queued. False when a stop came meanwhile.
bool RecordingPlayer::finishSound(uint64_t epoch) {
    if (!m_begun)
        return true;
    m_begun = false;
    if (m_stretching) {
        m_stretcher->flush();
        if (!playStretched(epoch))
            return false;
    }
    return m_output->complete(false) && isCurrent(epoch);
}

void RecordingPlayer::cutOff() {
    if (m_output)
        m_output->discard();
    if (m_stretcher)
        m_stretcher->clear();
    m_stretching = false;
    m_begun = false;
}

} // namespace upctv

#pragma once

#include "AudioClip.h"
#include "AudioOutput.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace upctv {

class AudioDecoder;
class TempoStretcher;

// Plays the recorded voice of a book, one phrase (its clips, in order) per
// play(), through the engines' audio output (OutputConfig: the sound server, ALSA
// or the WAV file), at a tempo changed without changing the pitch.
//
// A phrase counts as played once its last sample has been handed to the output:
// isBusy() is false from then on, and the phrase-written notice is given. The
// sound itself goes on for at most a fifth of a second (the player keeps that
// little ahead of the listener); a play() in that time continues the sound with
// no gap, so consecutive phrases of a file play as the file does. A phrase that
// follows later, or a stop, starts afresh. Consecutive clips of one file are
// decoded as one stretch, without a seek.
//
// A clip that cannot be played (missing or unreadable file, a time beyond its
// end, audio that neither the WAV nor the MP3 decoder takes) is skipped, with one
// line on standard error per file; the phrase goes on with its next clip.
//
// Threads: every public member is called from one controlling thread (the user
// interface's). Decoding, the tempo change and the writes run on the player's
// own thread, which calls the notice; the notice must only post to the
// controlling thread.
class RecordingPlayer {
public:
    using Notice = std::function<void()>;

    // Starts the player's thread; the output is opened at the first clip.
    RecordingPlayer(OutputConfig config, Notice phraseWritten);
    // Stops the sound and joins the thread.
    ~RecordingPlayer();
    RecordingPlayer(const RecordingPlayer &) = delete;
    RecordingPlayer &operator=(const RecordingPlayer &) = delete;

    // Plays `phrase` after the phrase before it when that one has been played
    // (its sound still going), otherwise stops what is playing first. Returns at
    // once.
    void play(PhraseAudio phrase);
    // Silences the sound at once and drops what was still to play. Returns once
    // the player's thread has let go (or after half a second should the device
    // hang); isBusy() is false from then on.
    void stop();
    // True from play() until the phrase's last sample has been handed to the
    // output; false after stop().
    bool isBusy() const;
    // The tempo (see TempoStretcher) for what is written from now on.
    void setTempo(double tempo);

private:
    enum class Stage { Idle, Playing, Tail, Draining };
    enum class FollowUp { Phrase, Stop, Silence };

    void run();
    void playRun(uint64_t epoch);
    bool takePhrase(uint64_t epoch, PhraseAudio &phrase);
    bool playClip(const AudioClip &clip, uint64_t epoch);
    AudioDecoder *decoderFor(const AudioClip &clip);
    bool prepareOutput(int rate, uint64_t epoch);
    bool deliver(const int16_t *samples, std::size_t count, uint64_t epoch);
    bool playStretched(uint64_t epoch);
    bool send(const int16_t *samples, std::size_t count, uint64_t epoch);
    bool waitForRoom(uint64_t epoch);
    FollowUp awaitFollowUp(uint64_t epoch);
    bool finishSound(uint64_t epoch);
    void cutOff();
    bool isBusyLocked() const;
    bool isCurrent(uint64_t epoch) const { return m_epoch.load() == epoch; }

    const OutputConfig m_config;
    const Notice m_phraseWritten;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // to the player's thread: a phrase, a stop, the end
    std::condition_variable m_idle; // to stop(): the player's thread let go
    std::deque<PhraseAudio> m_queue;
    std::atomic<uint64_t> m_epoch{1}; // raised by every stop; written under m_mutex
    Stage m_stage = Stage::Idle;
    bool m_shutdown = false;
    std::atomic<double> m_tempo{1.0};
    // Made and replaced by the player's thread under m_mutex, cancelled by stop().
    std::unique_ptr<AudioOutput> m_output;

    // The player's thread's alone.
    std::unique_ptr<TempoStretcher> m_stretcher;
    std::unique_ptr<AudioDecoder> m_decoder;
    AudioClip m_decoderFile; // the file m_decoder decodes
    AudioClip m_failedFile;  // the last file that could not be opened
    bool m_begun = false;    // the output has begun a sound that is not finished
    bool m_stretching = false;
    std::vector<int16_t> m_piece;
    std::vector<int16_t> m_stretched; // the stretcher's output, a piece at a time

    std::thread m_thread; // last: started once everything above exists
};

} // namespace upctv

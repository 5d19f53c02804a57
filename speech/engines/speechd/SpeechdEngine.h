#pragma once

#include "Engine.h"

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include <libspeechd.h>

namespace upctv::speechd {

// The engine behind libupctv-speechd.so: one connection to the user's
// speech-dispatcher (started on demand, as a desktop would), in libspeechd's
// threaded mode. Texts wait in the engine's own queue and go to the server one
// at a time, as messages of priority "text"; the engine is busy while a text
// waits or its message has neither ended nor been cancelled, as the server's
// notifications tell.
//
// Priority against a screen reader: the server lets a screen reader's speech
// (priority "message" or "important") cut a "text" message off at once, so the
// screen reader never waits behind a long sentence. The engine then sends the
// interrupted text again, and the server holds it back until the screen reader
// has finished: the sentence is heard again from its beginning, and the engine
// stays busy meanwhile, so the reader neither loses the sentence nor races
// ahead. A newer "text" message replaces an older one on the server, which is
// why the engine sends the next text only when the last has ended. A stop
// cancels this connection's messages only, never another client's.
//
// All members are called from one thread at a time (the program's user-interface
// thread); the notifications arrive on libspeechd's thread and touch only the
// bookkeeping, under the mutex. libspeechd cannot send from inside a
// notification, so the next text goes out from read() or isSpeaking(), on the
// caller's thread, which polls the status while it waits for the end.
class SpeechdEngine final : public Engine {
public:
    // Connects; when that fails, writes one line to standard error and stays
    // without a connection: nothing is spoken and the engine is never busy.
    SpeechdEngine();
    // Cancels this engine's messages and closes the connection, joining
    // libspeechd's thread.
    ~SpeechdEngine() override;
    SpeechdEngine(const SpeechdEngine &) = delete;
    SpeechdEngine &operator=(const SpeechdEngine &) = delete;

    bool isConnected() const { return m_connection != nullptr; }

    // Decodes `text` (UTF-8 or Windows-1252) and sends it with the current
    // settings. A text with nothing but blanks is not sent and ends at once.
    // False when there is no connection or speech-dispatcher refused it.
    bool read(std::string text) override;
    // Cancels this connection's messages; not busy from then on.
    void stop() override;
    // True from read() until the last message has ended.
    bool isSpeaking() override;

    // Settings for the texts read from now on; see SpeechdSettings.h. The
    // language and speaker refuse (false) values they do not know.
    void setSpeed(int speed) override;
    bool setLanguage(int code) override;
    bool setSpeaker(int speaker) override;

    // From libspeechd's thread: one of this connection's messages ended or was
    // cancelled.
    void messageFinished(int messageId, bool cancelled);

private:
    struct Settings {
        int rate = 0;
        const char *language = "ca";
        int voiceType = 1;
        bool operator==(const Settings &) const = default;
    };
    struct Message {
        std::string text;
        Settings settings;
        int repeats = 0;
    };

    void connect();
    void sendNext();
    bool sendOne();
    void finishSent(bool cancelled);
    bool apply(const Settings &settings);
    void dropConnectionIfGone();
    void giveUpIfNeverEnded();

    SPDConnection *m_connection = nullptr;

    std::mutex m_mutex;                     // guards the members down to m_lastKnownId
    std::deque<Message> m_waiting;          // not sent yet
    std::optional<Message> m_sent;          // sent, neither ended nor cancelled
    int m_sentId = 0;                       // its id; 0 while spd_say has not returned
    std::map<int, bool> m_endedBeforeKnown; // ended (true: cancelled) before spd_say
                                            // returned their ids
    int m_lastKnownId = 0;                  // highest id spd_say has returned
    std::chrono::steady_clock::time_point m_sentDeadline; // m_sent given up after

    bool m_saidNeverEnded = false; // the line about it is written once
    int m_defaultRate = 0;         // the user's, read at connection
    int m_speed = 140;
    Settings m_settings;               // for the texts read from now on
    std::optional<Settings> m_applied; // as the server last heard them
};

} // namespace upctv::speechd

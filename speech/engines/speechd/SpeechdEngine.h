#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <libspeechd.h>

namespace upctv::speechd {

// The engine behind libupctv-speechd.so: one connection to the user's
// speech-dispatcher (started on demand, as a desktop would), in libspeechd's
// threaded mode. Every text becomes one message of priority "text"; the
// engine is busy while any of its messages has neither ended nor been
// cancelled, as speech-dispatcher's notifications tell it.
//
// Priority against a screen reader: a screen reader's speech (priority
// "message" or "important") cancels a "text" message at once, so it is never
// kept waiting behind a long sentence. The engine then says the interrupted
// sentence again, from its beginning, once the screen reader has finished
// (speech-dispatcher holds "text" back while messages of higher priority are
// pending), and stays busy meanwhile: the reader neither loses the sentence
// nor races ahead. Only a stop from this engine ends its messages for good,
// and it cancels this connection's messages only, never another client's.
//
// All members are called from one thread at a time (the program's user-interface
// thread); the notifications arrive on libspeechd's thread and touch only the
// message bookkeeping, under the mutex. Texts cancelled by others are said again
// from isSpeaking(), on the caller's thread, because libspeechd cannot send from
// inside a notification.
class SpeechdEngine {
public:
    // Connects; when that fails, writes one line to standard error and stays
    // without a connection: nothing is spoken and the engine is never busy.
    SpeechdEngine();
    // Cancels this engine's messages and closes the connection, joining
    // libspeechd's thread.
    ~SpeechdEngine();
    SpeechdEngine(const SpeechdEngine &) = delete;
    SpeechdEngine &operator=(const SpeechdEngine &) = delete;

    bool isConnected() const { return m_connection != nullptr; }

    // Decodes `text` (UTF-8 or Windows-1252) and sends it with the current
    // settings. A text with nothing but blanks is not sent and ends at once.
    // False when there is no connection or speech-dispatcher refused it.
    bool read(std::string_view text);
    // Cancels this connection's messages; not busy from then on.
    void stop();
    // True from read() until the last message has ended.
    bool isSpeaking();

    // Settings for the texts read from now on; see SpeechdSettings.h. The
    // language and speaker refuse (false) values they do not know.
    void setSpeed(int speed);
    bool setLanguage(int code);
    bool setSpeaker(int speaker);

    // From libspeechd's thread: one of this connection's messages ended or was
    // cancelled.
    void messageFinished(int messageId, bool cancelled);

private:
    struct Message {
        std::string text;
        int repeats = 0;
    };

    bool send(Message message);
    bool applySettings();
    void sayInterruptedAgain();
    void dropConnectionIfGone();
    void connect();

    SPDConnection *m_connection = nullptr;

    std::mutex m_mutex;                  // guards the four members below
    std::map<int, Message> m_live;       // sent, neither ended nor cancelled
    std::set<int> m_endedBeforeKnown;    // ended before spd_say returned its id
    std::vector<Message> m_interrupted;  // cancelled by another client
    int m_lastKnownId = 0;               // highest id spd_say has returned

    int m_rate = 0;
    const char *m_language = "ca";
    int m_voiceType = 1;
    bool m_settingsSent = false;
};

} // namespace upctv::speechd

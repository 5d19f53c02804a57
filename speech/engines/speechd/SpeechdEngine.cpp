#include "SpeechdEngine.h"

#include "SpeechdSettings.h"
#include "TextDecoding.h"

#include <libspeechd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <poll.h>

namespace upctv::speechd {

namespace {

// How often one text is said again after other clients cut it off; past this it
// counts as ended, so a client that keeps cancelling everything cannot keep the
// reader waiting for ever.
constexpr int MaxRepeats = 10;

// How long a sent text may take before the engine stops waiting for its end: a
// server that cannot play (no sound device it can open) may never report it, and
// neither a reading nor the program's farewell may wait for ever. Far more than
// any voice takes, even at the slowest rate: 20 s (a server starting its module
// at the first text, a screen reader's message holding the text back) and half
// a second a byte.
std::chrono::milliseconds longestSaying(const std::string &text) {
    return std::chrono::seconds(20) + std::chrono::milliseconds(500) * text.size();
}

// libspeechd's notifications carry no user pointer: they reach the engine of
// the loaded library through this one, cleared before the connection closes.
std::mutex g_instanceMutex;
SpeechdEngine *g_instance = nullptr;

void onNotification(size_t messageId, size_t, SPDNotificationType type) {
    const std::lock_guard lock(g_instanceMutex);
    if (g_instance != nullptr && (type == SPD_EVENT_END || type == SPD_EVENT_CANCEL))
        g_instance->messageFinished(int(messageId), type == SPD_EVENT_CANCEL);
}

bool hasSomethingToSay(const std::string &utf8) {
    return std::any_of(utf8.begin(), utf8.end(), [](char c) {
        return c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v';
    });
}

} // namespace

SpeechdEngine::SpeechdEngine() {
    connect();
}

void SpeechdEngine::connect() {
    char *error = nullptr;
    // The address comes from SPEECHD_ADDRESS or the user's default socket; the
    // server is started when it is not running, as a desktop would.
    // A server named by SPEECHD_ADDRESS is someone else's to start: the server
    // refuses to be started on any socket but its configured one.
    const int autospawn = std::getenv("SPEECHD_ADDRESS") == nullptr ? 1 : 0;
    m_connection =
        spd_open2("zelvora", "reader", nullptr, SPD_MODE_THREADED, nullptr, autospawn, &error);
    if (m_connection == nullptr) {
        std::string reason = error != nullptr ? error : "no reason given";
        std::replace(reason.begin(), reason.end(), '\n', ' ');
        std::fprintf(stderr, "upctv-speechd: cannot reach speech-dispatcher: %s\n", reason.c_str());
        std::free(error);
        return;
    }
    std::free(error);
    {
        const std::lock_guard lock(g_instanceMutex);
        g_instance = this;
    }
    // The rate the user configured as the default, which speed 140 keeps.
    const int rate = spd_get_voice_rate(m_connection);
    m_defaultRate = rate >= -100 && rate <= 100 ? rate : 0;
    m_settings.rate = rateForSpeed(m_speed, m_defaultRate);
    m_connection->callback_end = onNotification;
    m_connection->callback_cancel = onNotification;
    spd_set_notification_on(m_connection, SPD_END);
    spd_set_notification_on(m_connection, SPD_CANCEL);
}

SpeechdEngine::~SpeechdEngine() {
    if (m_connection == nullptr)
        return;
    {
        const std::lock_guard lock(g_instanceMutex);
        g_instance = nullptr;
    }
    spd_cancel(m_connection);
    spd_close(m_connection);
}

bool SpeechdEngine::read(std::string text) {
    dropConnectionIfGone();
    if (m_connection == nullptr)
        return false;
    Message message{upctv::textToUtf8(text), m_settings, 0};
    if (!hasSomethingToSay(message.text))
        return true;
    {
        const std::lock_guard lock(m_mutex);
        m_waiting.push_back(std::move(message));
    }
    sendNext();
    return true;
}

void SpeechdEngine::sendNext() {
    while (sendOne()) {
    }
}

// Sends the first waiting text unless one is out already. True when it ended
// at once (or was refused), so that the next may go.
bool SpeechdEngine::sendOne() {
    Message message;
    {
        const std::lock_guard lock(m_mutex);
        if (m_sent || m_waiting.empty() || m_connection == nullptr)
            return false;
        m_sent = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_sentId = 0;
        m_sentDeadline = std::chrono::steady_clock::now() + longestSaying(m_sent->text);
        message = *m_sent;
    }
    const int id =
        apply(message.settings) ? spd_say(m_connection, SPD_TEXT, message.text.c_str()) : -1;
    const std::lock_guard lock(m_mutex);
    if (id <= 0) {
        m_sent.reset(); // refused: nothing will be heard of it
        return true;
    }
    m_lastKnownId = std::max(m_lastKnownId, id);
    const auto early = m_endedBeforeKnown.find(id);
    if (early == m_endedBeforeKnown.end()) {
        m_sentId = id;
        return false;
    }
    const bool cancelled = early->second;
    m_endedBeforeKnown.erase(early);
    finishSent(cancelled);
    return true;
}

void SpeechdEngine::messageFinished(int messageId, bool cancelled) {
    const std::lock_guard lock(m_mutex);
    if (m_sent && messageId == m_sentId)
        finishSent(cancelled);
    else if (messageId > m_lastKnownId)
        m_endedBeforeKnown.emplace(messageId, cancelled); // spd_say has not returned yet
    // Otherwise a message this engine stopped: nothing to do.
}

// Under the mutex. A cancel this engine did not ask for comes from another
// client's speech of higher priority: the text goes back to the head of the
// queue, to be said again when the server lets it.
void SpeechdEngine::finishSent(bool cancelled) {
    if (cancelled && m_sent->repeats < MaxRepeats) {
        ++m_sent->repeats;
        m_waiting.push_front(std::move(*m_sent));
    }
    m_sent.reset();
    m_sentId = 0;
}

void SpeechdEngine::stop() {
    if (m_connection == nullptr)
        return;
    {
        // Forgotten first, so that the cancel notifications find nothing.
        const std::lock_guard lock(m_mutex);
        m_waiting.clear();
        m_sent.reset();
        m_sentId = 0;
        m_endedBeforeKnown.clear();
    }
    spd_cancel(m_connection);
}

bool SpeechdEngine::isSpeaking() {
    dropConnectionIfGone();
    sendNext();
    giveUpIfNeverEnded();
    const std::lock_guard lock(m_mutex);
    return m_sent.has_value() || !m_waiting.empty();
}

// A text whose end has not come long after any voice would have said it: the
// server cannot speak. Everything is dropped and cancelled; the line is written
// once a connection.
void SpeechdEngine::giveUpIfNeverEnded() {
    {
        const std::lock_guard lock(m_mutex);
        if (!m_sent || std::chrono::steady_clock::now() < m_sentDeadline)
            return;
    }
    if (!m_saidNeverEnded)
        std::fprintf(stderr, "upctv-speechd: speech-dispatcher has not ended a text in time; "
                             "is its sound output working?\n");
    m_saidNeverEnded = true;
    stop();
}

// When the server goes away no notification will ever come: the engine's
// texts are forgotten, so it is not busy for ever, and nothing more is sent.
void SpeechdEngine::dropConnectionIfGone() {
    if (m_connection == nullptr)
        return;
    pollfd socket{m_connection->socket, 0, 0};
    if (poll(&socket, 1, 0) <= 0 || (socket.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0)
        return;
    std::fprintf(stderr, "upctv-speechd: speech-dispatcher has closed the connection\n");
    {
        const std::lock_guard instance(g_instanceMutex);
        g_instance = nullptr;
    }
    spd_close(m_connection);
    m_connection = nullptr;
    const std::lock_guard lock(m_mutex);
    m_waiting.clear();
    m_sent.reset();
}

bool SpeechdEngine::apply(const Settings &settings) {
    if (m_applied == settings)
        return true;
    const bool sent = spd_set_language(m_connection, settings.language) == 0 &&
                      spd_set_voice_type(m_connection, SPDVoiceType(settings.voiceType)) == 0 &&
                      spd_set_voice_rate(m_connection, settings.rate) == 0;
    m_applied = sent ? std::optional<Settings>(settings) : std::nullopt;
    return sent;
}

void SpeechdEngine::setSpeed(int speed) {
    m_speed = speed;
    m_settings.rate = rateForSpeed(speed, m_defaultRate);
}

bool SpeechdEngine::setLanguage(int code) {
    const char *language = languageForCode(code);
    if (language == nullptr)
        return false;
    m_settings.language = language;
    return true;
}

bool SpeechdEngine::setSpeaker(int speaker) {
    const int voiceType = voiceTypeForSpeaker(speaker);
    if (voiceType < 0)
        return false;
    m_settings.voiceType = voiceType;
    return true;
}

} // namespace upctv::speechd

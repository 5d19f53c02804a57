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
    m_connection = spd_open2("zelvora", "reader", nullptr, SPD_MODE_THREADED, nullptr, 1, &error);
    if (m_connection == nullptr) {
        std::string reason = error != nullptr ? error : "no reason given";
        std::replace(reason.begin(), reason.end(), '\n', ' ');
        std::fprintf(stderr, "upctv-speechd: cannot reach speech-dispatcher: %s\n",
                     reason.c_str());
        std::free(error);
        return;
    }
    std::free(error);
    {
        const std::lock_guard lock(g_instanceMutex);
        g_instance = this;
    }
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

bool SpeechdEngine::read(std::string_view text) {
    dropConnectionIfGone();
    if (m_connection == nullptr)
        return false;
    Message message{upctv::textToUtf8(text), 0};
    if (!hasSomethingToSay(message.text))
        return true;
    if (!applySettings())
        return false;
    return send(std::move(message));
}

bool SpeechdEngine::send(Message message) {
    const int id = spd_say(m_connection, SPD_TEXT, message.text.c_str());
    if (id <= 0)
        return false;
    const std::lock_guard lock(m_mutex);
    m_lastKnownId = std::max(m_lastKnownId, id);
    // Its end may have come before spd_say returned the id.
    if (m_endedBeforeKnown.erase(id) == 0)
        m_live.emplace(id, std::move(message));
    return true;
}

void SpeechdEngine::messageFinished(int messageId, bool cancelled) {
    const std::lock_guard lock(m_mutex);
    const auto live = m_live.find(messageId);
    if (live == m_live.end()) {
        // Either stopped by this engine already (an id spd_say has returned),
        // or so quick that spd_say has not returned yet.
        if (messageId > m_lastKnownId)
            m_endedBeforeKnown.insert(messageId);
        return;
    }
    // A cancel this engine did not ask for: another client's speech of higher
    // priority cut the text off. It is said again once the caller looks.
    if (cancelled && live->second.repeats < MaxRepeats) {
        ++live->second.repeats;
        m_interrupted.push_back(std::move(live->second));
    }
    m_live.erase(live);
}

void SpeechdEngine::stop() {
    if (m_connection == nullptr)
        return;
    {
        // Forgotten first, so that the cancel notifications find nothing.
        const std::lock_guard lock(m_mutex);
        m_live.clear();
        m_interrupted.clear();
        m_endedBeforeKnown.clear();
    }
    spd_cancel(m_connection);
}

bool SpeechdEngine::isSpeaking() {
    dropConnectionIfGone();
    sayInterruptedAgain();
    const std::lock_guard lock(m_mutex);
    return !m_live.empty() || !m_interrupted.empty();
}

void SpeechdEngine::sayInterruptedAgain() {
    std::vector<Message> again;
    {
        const std::lock_guard lock(m_mutex);
        again.swap(m_interrupted);
    }
    for (Message &message : again)
        send(std::move(message));
}

// When the server goes away no notification will ever come: the engine's
// messages are forgotten, so it is not busy for ever, and nothing more is sent.
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
    m_live.clear();
    m_interrupted.clear();
}

bool SpeechdEngine::applySettings() {
    if (m_settingsSent)
        return true;
    const bool sent = spd_set_language(m_connection, m_language) == 0 &&
                      spd_set_voice_type(m_connection, SPDVoiceType(m_voiceType)) == 0 &&
                      spd_set_voice_rate(m_connection, m_rate) == 0;
    m_settingsSent = sent;
    return sent;
}

void SpeechdEngine::setSpeed(int speed) {
    const int rate = rateForSpeed(speed);
    m_settingsSent = m_settingsSent && rate == m_rate;
    m_rate = rate;
}

bool SpeechdEngine::setLanguage(int code) {
    const char *language = languageForCode(code);
    if (language == nullptr)
        return false;
    m_settingsSent = m_settingsSent && language == m_language;
    m_language = language;
    return true;
}

bool SpeechdEngine::setSpeaker(int speaker) {
    const int voiceType = voiceTypeForSpeaker(speaker);
    if (voiceType < 0)
        return false;
    m_settingsSent = m_settingsSent && voiceType == m_voiceType;
    m_voiceType = voiceType;
    return true;
}

} // namespace upctv::speechd

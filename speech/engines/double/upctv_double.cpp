// The test double behind the speech library's C ABI (upctv.h).
//
// It speaks nothing. It records every call, with its argument and a monotonic
// timestamp, so that a test can see exactly what the program said and when, and it
// reports "speaking" for a time proportional to the text so that the waits of the
// program behave as with a real engine. It has no thread and no Qt: every call
// returns at once.
//
// Environment, read at every call that needs it (so a test may change it between
// calls):
//   UPCTV_DOUBLE_LOG          file to which one line per call is appended; no log
//                             when unset or empty.
//   UPCTV_DOUBLE_MS_PER_BYTE  how long upcTVRead "speaks" per byte of text, in
//                             milliseconds (a non-negative integer); 20 by default.
//
// Log line, fields separated by one blank, ended by a line feed:
//   <ms> <pid> <name> <value> <text> <result>
//   ms      CLOCK_MONOTONIC in milliseconds (the clock of QElapsedTimer)
//   pid     the calling process
//   name    the entry point, or "load" / "unload" when the library is mapped in or
//           out of the process
//   value   the integer argument, 0 for calls without one
//   text    the text argument percent-encoded: every byte other than A-Z a-z 0-9
//           - _ . ~ is written as %XX, so the exact bytes (non-UTF-8 included) can
//           be recovered; "*" when the call takes no text, "!" for a null
//           pointer, and an empty text is the empty string between two blanks
//           (neither "*" nor "!" is ever left unencoded)
//   result  what the call returned
//
// Each line is written with one write() to a file opened with O_APPEND, so lines
// of several processes never interleave, and the file is closed again at once, so
// the log survives an unload and a reload of the library.
#include "upctv.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#define UPCTV_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr long DefaultMsPerByte = 20;

// When the current utterance ends, on the monotonic clock; 0 when silent. Reset
// on every load, since an unload frees the library's statics.
std::int64_t speakingUntilMs = 0;

std::int64_t nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

long msPerByte() {
    const char *setting = std::getenv("UPCTV_DOUBLE_MS_PER_BYTE");
    if (setting == nullptr || *setting == '\0') {
        return DefaultMsPerByte;
    }
    char *end = nullptr;
    const long value = std::strtol(setting, &end, 10);
    return (*end == '\0' && value >= 0) ? value : DefaultMsPerByte;
}

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '~';
}

std::string percentEncoded(const char *text) {
    if (text == nullptr) {
        return "!";
    }
    static const char hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        if (isUnreserved(*p)) {
            encoded += static_cast<char>(*p);
        } else {
            encoded += '%';
            encoded += hex[*p >> 4];
            encoded += hex[*p & 0xF];
        }
    }
    return encoded;
}

// Appends one line to the log, if there is one. Failures are ignored: the double
// must never disturb the program it serves.
void record(const char *name, int value, const char *text, int result) {
    const char *path = std::getenv("UPCTV_DOUBLE_LOG");
    if (path == nullptr || *path == '\0') {
        return;
    }
    const std::string line = std::to_string(nowMs()) + ' ' + std::to_string(getpid()) + ' ' + name +
                             ' ' + std::to_string(value) + ' ' + text + ' ' +
                             std::to_string(result) + '\n';
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    [[maybe_unused]] const ssize_t written = write(fd, line.data(), line.size());
    close(fd);
}

// No object with a destructor here: the unload record runs while statics go away.
constexpr const char *NoText = "*";

__attribute__((constructor)) void onLoad() {
    speakingUntilMs = 0;
    record("load", 0, NoText, 0);
}

__attribute__((destructor)) void onUnload() {
    record("unload", 0, NoText, 0);
}

} // namespace

UPCTV_EXPORT int upcTVRead(const char *text) {
    const std::size_t bytes = text == nullptr ? 0 : std::strlen(text);
    speakingUntilMs = nowMs() + static_cast<std::int64_t>(bytes) * msPerByte();
    record("upcTVRead", 0, percentEncoded(text).c_str(), 0);
    return 0;
}

UPCTV_EXPORT int upcTVStop(void) {
    speakingUntilMs = 0;
    record("upcTVStop", 0, NoText, 0);
    return 0;
}

UPCTV_EXPORT int upcTVStatus(int arg) {
    const int speaking = nowMs() < speakingUntilMs ? 1 : 0;
    record("upcTVStatus", arg, NoText, speaking);
    return speaking;
}

UPCTV_EXPORT int upcTVSetSpeed(int speed) {
    record("upcTVSetSpeed", speed, NoText, 0);
    return 0;
}

UPCTV_EXPORT int upcTVSetLanguage(int code) {
    record("upcTVSetLanguage", code, NoText, 0);
    return 0;
}

UPCTV_EXPORT int upcTVSetSpeaker(int speaker) {
    record("upcTVSetSpeaker", speaker, NoText, 0);
    return 0;
}

UPCTV_EXPORT int upcTVAbout(void) {
    record("upcTVAbout", 0, NoText, 0);
    return 0;
}

UPCTV_EXPORT int upcTVReadFile(const char *path) {
    record("upcTVReadFile", 0, percentEncoded(path).c_str(), 0);
    return 0;
}

UPCTV_EXPORT int upcTVPause(void) {
    record("upcTVPause", 0, NoText, 0);
    return 0;
}

UPCTV_EXPORT int upcTVResume(void) {
    record("upcTVResume", 0, NoText, 0);
    return 0;
}

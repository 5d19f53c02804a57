/*
 * The test double behind the speech library's C ABI (upctv.h).
 *
 * It speaks nothing. It records every call, with its argument and a monotonic
 * timestamp, so that a test can see exactly what the program said and when, and it
 * reports "speaking" for a time proportional to the text so that the waits of the
 * program behave as with a real engine. It has no thread and no Qt: every call
 * returns at once. It is plain C on purpose: C++ library templates would give it
 * unique symbols that keep the dynamic linker from ever unloading it, and the
 * tests rely on a release and a reload being real.
 *
 * Environment, read at every call that needs it (so a test may change it between
 * calls):
 *   UPCTV_DOUBLE_LOG          file to which one line per call is appended; no log
 *                             when unset or empty.
 *   UPCTV_DOUBLE_MS_PER_BYTE  how long upcTVRead "speaks" per byte of text, in
 *                             milliseconds (a non-negative integer); 20 by default.
 *
 * Log line, fields separated by one blank, ended by a line feed:
 *   <ms> <pid> <name> <value> <text> <result>
 *   ms      CLOCK_MONOTONIC in milliseconds (the clock of QElapsedTimer)
 *   pid     the calling process
 *   name    the entry point, or "load" / "unload" when the library is mapped in or
 *           out of the process
 *   value   the integer argument, 0 for calls without one
 *   text    the text argument percent-encoded: every byte other than A-Z a-z 0-9
 *           - _ . ~ is written as %XX, so the exact bytes (non-UTF-8 included) can
 *           be recovered; "*" when the call takes no text, "!" for a null
 *           pointer, and an empty text is the empty string between two blanks
 *           (neither "*" nor "!" is ever left unencoded)
 *   result  what the call returned
 *
 * Each line is written with one write() to a file opened with O_APPEND, so lines
 * of several processes never interleave, and the file is closed again at once, so
 * the log survives an unload and a reload of the library.
 */
#define _POSIX_C_SOURCE 200809L

#include "upctv.h"

#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#define UPCTV_EXPORT __attribute__((visibility("default")))

enum { DefaultMsPerByte = 20 };

static const char NoText[] = "*";
static const char NullText[] = "!";

/* When the current utterance ends, on the monotonic clock; 0 when silent. Starts
 * at 0 on every load, since an unload really frees the library. */
static int64_t speakingUntilMs = 0;

static int64_t nowMs(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

static long msPerByte(void) {
    const char *setting = getenv("UPCTV_DOUBLE_MS_PER_BYTE");
    if (setting == NULL || *setting == '\0') {
        return DefaultMsPerByte;
    }
    char *end = NULL;
    const long value = strtol(setting, &end, 10);
    return (*end == '\0' && value >= 0) ? value : DefaultMsPerByte;
}

static int isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '~';
}

/* Appends one line to the log, if there is one. `now` is the time the call acted
 * on, so that the log shows exactly what the status answers were based on. `text`
 * is the raw text argument,
 * NULL for a null pointer, or NoText for calls that take none. Failures are
 * ignored: the double must never disturb the program it serves. */
static void record(int64_t now, const char *name, int value, const char *text, int result) {
    const char *path = getenv("UPCTV_DOUBLE_LOG");
    if (path == NULL || *path == '\0') {
        return;
    }
    const size_t textBytes = (text == NULL || text == NoText) ? 0 : strlen(text);
    const size_t capacity = 3 * textBytes + strlen(name) + 128;
    char *line = malloc(capacity);
    if (line == NULL) {
        return;
    }
    int length =
        snprintf(line, capacity, "%lld %ld %s %d ", (long long)now, (long)getpid(), name, value);
    static const char hex[] = "0123456789ABCDEF";
    if (text == NULL || text == NoText) {
        length += snprintf(line + length, capacity - (size_t)length, "%s",
                           text == NULL ? NullText : NoText);
    } else {
        for (const unsigned char *p = (const unsigned char *)text; *p; ++p) {
            if (isUnreserved(*p)) {
                line[length++] = (char)*p;
            } else {
                line[length++] = '%';
                line[length++] = hex[*p >> 4];
                line[length++] = hex[*p & 0xF];
            }
        }
    }
    length += snprintf(line + length, capacity - (size_t)length, " %d\n", result);
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        const ssize_t written = write(fd, line, (size_t)length);
        (void)written;
        close(fd);
    }
    free(line);
}

__attribute__((constructor)) static void onLoad(void) {
    speakingUntilMs = 0;
    record(nowMs(), "load", 0, NoText, 0);
}

__attribute__((destructor)) static void onUnload(void) {
    record(nowMs(), "unload", 0, NoText, 0);
}

UPCTV_EXPORT int upcTVRead(const char *text) {
    const size_t bytes = text == NULL ? 0 : strlen(text);
    const int64_t now = nowMs();
    speakingUntilMs = now + (int64_t)bytes * msPerByte();
    record(now, "upcTVRead", 0, text, 0);
    return 0;
}

UPCTV_EXPORT int upcTVStop(void) {
    speakingUntilMs = 0;
    record(nowMs(), "upcTVStop", 0, NoText, 0);
    return 0;
}

UPCTV_EXPORT int upcTVStatus(int arg) {
    const int64_t now = nowMs();
    const int speaking = now < speakingUntilMs ? 1 : 0;
    record(now, "upcTVStatus", arg, NoText, speaking);
    return speaking;
}

UPCTV_EXPORT int upcTVSetSpeed(int speed) {
    record(nowMs(), "upcTVSetSpeed", speed, NoText, 0);
    return 0;
}

UPCTV_EXPORT int upcTVSetLanguage(int code) {
    record(nowMs(), "upcTVSetLanguage", code, NoText, 0);
    return 0;
}

UPCTV_EXPORT int upcTVSetSpeaker(int speaker) {
    record(nowMs(), "upcTVSetSpeaker", speaker, NoText, 0);
    return 0;
}

UPCTV_EXPORT int upcTVAbout(void) {
    record(nowMs(), "upcTVAbout", 0, NoText, 0);
    return 0;
}

UPCTV_EXPORT int upcTVReadFile(const char *path) {
    record(nowMs(), "upcTVReadFile", 0, path, 0);
    return 0;
}

UPCTV_EXPORT int upcTVPause(void) {
    record(nowMs(), "upcTVPause", 0, NoText, 0);
    return 0;
}

UPCTV_EXPORT int upcTVResume(void) {
    record(nowMs(), "upcTVResume", 0, NoText, 0);
    return 0;
}

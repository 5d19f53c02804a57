/*
 * Speech libraries that lack entry points, for the tests of the speech service's
 * refusal of an incomplete library. Built once per missing entry point: defining
 * LACKS_<name> leaves <name> out. Each present entry point does nothing and reports
 * idle; none of them is expected to be called by a service that refuses the
 * library.
 */
#include "upctv.h"

#define UPCTV_EXPORT __attribute__((visibility("default")))

#ifndef LACKS_upcTVRead
UPCTV_EXPORT int upcTVRead(const char *text) {
    (void)text;
    return 0;
}
#endif
#ifndef LACKS_upcTVStop
UPCTV_EXPORT int upcTVStop(void) {
    return 0;
}
#endif
#ifndef LACKS_upcTVStatus
UPCTV_EXPORT int upcTVStatus(int arg) {
    (void)arg;
    return 0;
}
#endif
#ifndef LACKS_upcTVSetSpeed
UPCTV_EXPORT int upcTVSetSpeed(int speed) {
    (void)speed;
    return 0;
}
#endif
#ifndef LACKS_upcTVSetLanguage
UPCTV_EXPORT int upcTVSetLanguage(int code) {
    (void)code;
    return 0;
}
#endif
#ifndef LACKS_upcTVSetSpeaker
UPCTV_EXPORT int upcTVSetSpeaker(int speaker) {
    (void)speaker;
    return 0;
}
#endif
#ifndef LACKS_OPTIONAL
UPCTV_EXPORT int upcTVAbout(void) {
    return 0;
}
UPCTV_EXPORT int upcTVReadFile(const char *path) {
    (void)path;
    return 0;
}
UPCTV_EXPORT int upcTVPause(void) {
    return 0;
}
UPCTV_EXPORT int upcTVResume(void) {
    return 0;
}
#endif

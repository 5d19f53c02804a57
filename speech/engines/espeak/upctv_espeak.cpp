// Placeholder until the espeak-ng engine lands.
#include "upctv.h"
extern "C" {
__attribute__((visibility("default"))) int upcTVRead(const char *) { return 0; }
__attribute__((visibility("default"))) int upcTVStop(void) { return 0; }
__attribute__((visibility("default"))) int upcTVStatus(int) { return 0; }
__attribute__((visibility("default"))) int upcTVSetSpeed(int) { return 0; }
__attribute__((visibility("default"))) int upcTVSetLanguage(int) { return 0; }
__attribute__((visibility("default"))) int upcTVSetSpeaker(int) { return 0; }
}

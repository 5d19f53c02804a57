#pragma once
/*
 * The C ABI of the speech library, libupctv.so.
 *
 * The program loads the library at run time with dlopen("libupctv.so") and finds
 * each entry point with dlsym; any engine that exports these symbols can take the
 * place of another. All calls come from the program's one user-interface thread;
 * none of them blocks for longer than it takes to copy its argument or to stop the
 * audio. No C++ exception ever crosses this boundary. Results are ignored except
 * that of upcTVStatus.
 *
 * A freshly loaded library speaks Catalan at speed 140.
 */
#ifdef __cplusplus
extern "C" {
#endif

/* Copies `text` (NUL-terminated; valid UTF-8 is read as UTF-8, anything else as
 * Windows-1252), starts speaking it and returns at once. Text queued or spoken
 * before is not cut off: callers call upcTVStop first. The caller keeps ownership
 * of `text`, which need not outlive the call. */
int upcTVRead(const char *text);

/* Ends any speech at once and discards what was queued. Harmless when silent and
 * when called twice. After it returns upcTVStatus(0) reports 0. */
int upcTVStop(void);

/* With 0: 0 when nothing is being spoken, non-zero from upcTVRead until the last
 * sample has been played. */
int upcTVStatus(int arg);

/* Speaking pace for what is spoken next: 140 is the default; 10 to 300 in steps of
 * 10, each step audibly different; values outside are clamped. */
int upcTVSetSpeed(int speed);

/* 99 Catalan, 101 Spanish, for what is spoken next. */
int upcTVSetLanguage(int code);

/* Chooses one of two voices of the current language: 0 or 1. */
int upcTVSetSpeaker(int speaker);

/* Synthesis to memory, for exporting a book to audio files. Optional: an engine
 * that cannot hand its samples to the caller (one that plays on a server only)
 * need not export these two, or returns 0 from upcTVSampleRate.
 *
 * Receives the samples of upcTVSynthesize: `count` signed 16-bit mono samples at
 * upcTVSampleRate() in `samples`, owned by the engine and valid only during the
 * call; `context` is the caller's own pointer, passed through. Called on the
 * thread that called upcTVSynthesize, in order, in chunks of a few tens of
 * milliseconds. Returns 0 to go on, anything else to abort the synthesis. */
typedef int (*upcTVSampleSink)(void *context, const short *samples, int count);

/* The sample rate of what upcTVSynthesize hands over (22050 for espeak-ng, 16000
 * for Festival's Catalan voice); 0 when the engine cannot synthesise to memory. */
int upcTVSampleRate(void);

/* Synthesises `text` (as for upcTVRead) with the language, voice and speed now
 * set into `sink`, on the calling thread, and returns when the text is done: 0
 * when it ran to the end (the pause a sentence end asks for included), 1 when
 * `sink` aborted it, -1 when `text` or `sink` is null, the engine cannot
 * synthesise to memory or the synthesis failed. Speech being played is stopped
 * first. The caller keeps ownership of `text`. One call at a time. */
int upcTVSynthesize(const char *text, upcTVSampleSink sink, void *context);

/* Looked up by the program but never called; an engine need not export them. */
int upcTVAbout(void);
int upcTVReadFile(const char *path);
int upcTVPause(void);
int upcTVResume(void);

#ifdef __cplusplus
}
#endif

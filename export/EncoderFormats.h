#pragma once

#include "AudioEncoder.h"

// The encoders behind makeEncoder(), one file each.

// Ogg Opus through libopusenc: voice signal, 24 kbit/s (about 11 MB an hour),
// resampled to 48 kHz inside the encoder as Opus requires.
std::unique_ptr<AudioEncoder> makeOpusEncoder(int fd, int sampleRate, const AudioTags &tags,
                                              QString &error);
// MP3 through LAME: constant 40 kbit/s, mono, ID3v2 tags in UTF-16.
std::unique_ptr<AudioEncoder> makeMp3Encoder(int fd, int sampleRate, const AudioTags &tags,
                                             QString &error);
// 16-bit PCM WAV with a LIST INFO chunk of tags; the sizes are filled in at finish().
std::unique_ptr<AudioEncoder> makeWavEncoder(int fd, int sampleRate, const AudioTags &tags,
                                             QString &error);

#pragma once

#include "AudioClip.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace upctv {

// The bytes of one audio file of a recorded book, read like a file: from the
// disk, or from a zip entry held in memory (a zipped book is played from its
// zip). Used by the player's thread only.
class ClipSource {
public:
    virtual ~ClipSource() = default;
    // Like POSIX read: bytes read, 0 at the end, -1 on an error.
    virtual long read(void *buffer, std::size_t size) = 0;
    // Like POSIX lseek: the new offset, or -1.
    virtual int64_t seek(int64_t offset, int whence) = 0;
};

// The largest zip entry that is played: a larger one (or a zip bomb's) is
// refused instead of filling the memory. Ten hours of 64 kbit/s MP3 fit.
constexpr std::size_t LargestZippedAudio = 384u * 1024 * 1024;

// Opens the file of `clip` (`file` on the disk, or the entry `file` of the zip
// `archive`); nullptr, with the reason in `error`, when it cannot be read.
std::unique_ptr<ClipSource> openClipSource(const AudioClip &clip, std::string &error);

} // namespace upctv

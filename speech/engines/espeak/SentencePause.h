#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace upctv {

// The mark that makes `text` end a sentence: a full stop, question or exclamation
// mark, colon or semicolon followed only by blanks and line ends. 0 when the text
// does not end a sentence (a menu, a name, a line without a full stop).
char sentenceEndMark(std::string_view text);

// What espeak-ng reads to measure its pause after `mark`: two one-word sentences
// as one text ("La. La."), or the first of them alone ("La.").
std::string pauseProbeText(char mark, bool bothSentences);

// The silence, in samples, to add after a sentence ending with the probe's mark
// so that the next sentence, spoken as a text of its own, follows as it would in
// one text: espeak-ng's silence between the two sentences of `both`, less the
// silence that `single` ends with and the silence it starts with, which every
// text spoken alone already has.
size_t pauseToAdd(const std::vector<int16_t> &both, const std::vector<int16_t> &single);

} // namespace upctv

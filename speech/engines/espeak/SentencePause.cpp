#include "SentencePause.h"

#include <algorithm>
#include <cstdlib>

namespace upctv {
namespace {

// espeak-ng's silences are exact zeros; a small margin costs nothing.
constexpr int QuietLevel = 16;

bool isQuiet(int16_t sample) {
    return std::abs(int(sample)) <= QuietLevel;
}

size_t leadingQuiet(const std::vector<int16_t> &samples) {
    return size_t(std::find_if_not(samples.begin(), samples.end(), isQuiet) - samples.begin());
}

size_t trailingQuiet(const std::vector<int16_t> &samples) {
    return size_t(std::find_if_not(samples.rbegin(), samples.rend(), isQuiet) - samples.rbegin());
}

// The longest quiet run between the first and the last sound.
size_t longestInnerQuiet(const std::vector<int16_t> &samples) {
    const size_t end = samples.size() - trailingQuiet(samples);
    size_t longest = 0, run = 0;
    for (size_t i = leadingQuiet(samples); i < end; ++i) {
        run = isQuiet(samples[i]) ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

} // namespace

char sentenceEndMark(std::string_view text) {
    const size_t last = text.find_last_not_of(" \t\r\n\f\v");
    if (last == std::string_view::npos)
        return 0;
    const char mark = text[last];
    return std::string_view(".?!:;").find(mark) != std::string_view::npos ? mark : 0;
}

std::string pauseProbeText(char mark, bool bothSentences) {
    std::string text = "La";
    text += mark;
    if (bothSentences)
        text += " La.";
    return text;
}

size_t pauseToAdd(const std::vector<int16_t> &both, const std::vector<int16_t> &single) {
    const size_t between = longestInnerQuiet(both);
    const size_t already = trailingQuiet(single) + leadingQuiet(single);
    return between > already ? between - already : 0;
}

} // namespace upctv

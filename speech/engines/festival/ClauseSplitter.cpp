#include "ClauseSplitter.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace upctv {
namespace {

// Words before which a long clause is cut, Catalan mostly: a speaker pauses
// naturally before a conjunction, a relative or a preposition.
constexpr std::array<std::string_view, 26> JoiningWords{
    "i",      "o",     "que",  "perqu\xE8", "per\xF2", "quan",   "on",   "com",   "si",
    "mentre", "sense", "fins", "per",       "amb",     "sobre",  "sota", "entre", "contra",
    "cap",    "des",   "de",   "a",         "en",      "durant", "pels", "als",
};

// Closing marks that may follow the punctuation at the end of a word.
bool isClosingMark(char c) {
    return c == '"' || c == '\'' || c == ')' || c == ']' || c == '}' || c == '\xBB';
}

PieceEnd endOfWord(std::string_view word) {
    size_t last = word.size();
    while (last > 0 && isClosingMark(word[last - 1]))
        --last;
    if (last == 0)
        return PieceEnd::Word;
    switch (word[last - 1]) {
    case '.':
    case '!':
    case '?':
        return PieceEnd::Sentence;
    case ',':
    case ';':
    case ':':
        return PieceEnd::Clause;
    default:
        return PieceEnd::Word;
    }
}

bool isJoiningWord(std::string_view word) {
    std::string lower(word);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    return std::find(JoiningWords.begin(), JoiningWords.end(), lower) != JoiningWords.end();
}

std::vector<std::string_view> wordsOf(std::string_view text) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        const size_t start = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

// Where to cut a clause of `count` words starting at `first` that is longer than
// `limit`: before the last joining word past the first third of the limit, else
// at the limit.
size_t cutPoint(const std::vector<std::string_view> &words, size_t first, size_t limit) {
    for (size_t k = first + limit; k > first + limit / 3; --k) {
        if (k < words.size() && isJoiningWord(words[k]))
            return k;
    }
    return first + limit;
}

} // namespace

std::vector<Piece> splitIntoPieces(std::string_view text) {
    const std::vector<std::string_view> words = wordsOf(text);
    std::vector<Piece> pieces;
    size_t first = 0;
    while (first < words.size()) {
        const size_t limit = pieces.empty() ? FirstPieceWords : PieceWords;
        size_t end = first;
        PieceEnd kind = PieceEnd::Word;
        while (end < words.size() && end - first < limit && kind == PieceEnd::Word)
            kind = endOfWord(words[end++]);
        if (kind == PieceEnd::Word && end < words.size())
            end = cutPoint(words, first, limit);
        Piece piece;
        for (size_t k = first; k < end; ++k)
            piece.text += (k == first ? "" : " ") + std::string(words[k]);
        piece.end = end == words.size() ? PieceEnd::Text : kind;
        pieces.push_back(std::move(piece));
        first = end;
    }
    return pieces;
}

} // namespace upctv

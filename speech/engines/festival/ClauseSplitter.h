#pragma once

#include <string>
#include <string_view>
#include <vector>

// Long sentences are synthesised piece by piece, so that the first sound does
// not wait for the whole sentence: Festival synthesises a whole utterance before
// it hands over any sample, at roughly 15 to 60 times real time on this kind of
// machine, so a sentence of 40 words would keep the listener waiting a second.
namespace upctv {

// What ends a piece, and so the pause that follows it.
enum class PieceEnd {
    Text,     // the end of the text: no pause
    Sentence, // . ! ? : the pause between two sentences
    Clause,   // , ; : the short pause of a comma
    Word,     // a long clause cut between two words: no pause
};

struct Piece {
    std::string text;
    PieceEnd end = PieceEnd::Text;
    bool operator==(const Piece &) const = default;
};

// The most words in the first piece and in any later one. The first is short so
// that it is ready in well under 150 ms; later ones are synthesised while the
// earlier ones play. Pieces end at sentence and clause punctuation; a clause
// longer than the limit is cut before a joining word ("i", "que", "perquè" ...)
// where there is one, else at the limit.
constexpr int FirstPieceWords = 6;
constexpr int PieceWords = 14;

// Splits `text` (ASCII punctuation, any 8-bit encoding) into pieces in reading
// order; blanks between words become single spaces; no piece is empty.
std::vector<Piece> splitIntoPieces(std::string_view text);

} // namespace upctv

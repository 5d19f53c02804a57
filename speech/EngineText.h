#pragma once

#include <QByteArray>

// The last step of every text on its way to the speech library: what the reader
// speaks (SpeechService::SpeakText) and what is written to audio files pass
// through it, so that every engine is given the same text.
namespace EngineText {

// `text` as the engine should be given it. The typographic ligatures U+FB00 to
// U+FB06 ("ﬁ", "ﬂ", "ﬀ", "ﬃ", "ﬄ", "ﬅ", "ﬆ", common in PDFs made with TeX),
// which espeak-ng does not read as letters, become the letters they stand for
// (their compatibility decomposition). Nothing else changes: a text that is not
// valid UTF-8 up to its first NUL byte (the part the library reads) is taken by
// the engines as Windows-1252, and is returned as it is.
QByteArray forEngine(const QByteArray &text);

} // namespace EngineText

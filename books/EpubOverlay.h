#pragma once

#include <QByteArray>
#include <QString>

class TextBuilder;
class ZipArchive;
struct EpubPackage;

// The narration of an EPUB 3 book with media overlays: each content document's
// SMIL overlay gives its phrases (a par's text element and its audio clips), and
// each phrase is placed at the sentence start where its text element landed in
// the book's text, so that the narrated book keeps the positions of its text.
// Documents without an overlay, and text before a document's first phrase, are
// left to the speech engine.
namespace EpubOverlay {

// The serialized PhraseTable of the book in the zip `zip` at `zipPath` (an
// absolute path: the player reads its clips from there), whose spine `package`
// gave `text`; empty when the book has no overlay, or when none of its clips is
// in an audio format the player decodes (MP3, WAV), so that the engine reads it.
QByteArray phrasesOf(ZipArchive &zip, const QString &zipPath, const EpubPackage &package,
                     const TextBuilder &text);

} // namespace EpubOverlay

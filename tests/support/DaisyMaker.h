#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

// Small DAISY books made by the tests and benchmarks themselves: DAISY 2.02 (an
// ncc.html, SMIL files and an XHTML content document) and DAISY 3 (an .opf, an
// .ncx, SMIL files and a DTBook document), with text, recorded audio or both, in
// a folder or zipped.
//
// Every chapter is one SMIL file and, with audio, one WAV file (16 kHz mono) in
// which its phrases are consecutive clips. Phrases are numbered through the book
// from 0, and every sample of phrase n's clip is sampleOf(n, i), so that what a
// player wrote can be traced back to the phrase and the place in it.
namespace DaisyMaker {

enum class Format { Daisy202, Daisy3 };
enum class Media { Text, Audio, TextAndAudio };

inline constexpr int Rate = 16000;
// The most phrases whose clips phraseOf() can tell apart.
inline constexpr int MaxAudioPhrases = 60;

struct Phrase {
    QByteArray text;  // UTF-8; the heading's text for a chapter's first phrase
    int clipMs = 500; // the clip's length; 0 or less writes a clip that ends at or
                      // before its start, with no samples
    QByteArray page;  // a print page that starts at this phrase, when not empty
};

struct Chapter {
    int level = 1; // the heading level of the chapter's first phrase (1-6)
    QList<Phrase> phrases;
};

struct Book {
    Format format = Format::Daisy202;
    Media media = Media::TextAndAudio;
    bool zipped = false;
    QByteArray title = "Llibre de prova";
    QByteArray author = "Autora de Prova";
    QByteArray language = "ca";
    // "windows-1252": the NCC and the content document, or the package, NCX and
    // DTBook, are written in it without any declaration of their encoding, as
    // older books are.
    QByteArray encoding = "utf-8";
    QList<Chapter> chapters;
};

// Writes `book` as `name` inside `folder`: the folder `name` holding the book,
// or with `zipped` the zip `name`.zip of that folder (the folder itself removed).
// Returns the package's path (the ncc.html, the .opf or the .zip), or an empty
// string when a file cannot be written or the book has more than
// MaxAudioPhrases phrases with audio.
QString make(const QString &folder, const QString &name, const Book &book);

// The name of chapter `chapter`'s (0-based) SMIL and WAV files in the book.
QString smilName(int chapter);
QString audioName(int chapter);

// Sample `i` of phrase `phrase`'s clip, and the phrase whose clip holds a sample
// (-1 for silence or anything no clip holds).
int16_t sampleOf(int phrase, int i);
int phraseOf(int16_t sample);

} // namespace DaisyMaker

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <vector>

// The phrases of one SMIL file of a DAISY book (2.02 or 3), in document order:
// each par is a phrase, its text (a content document's fragment) and its audio
// clips (at any depth inside it, in order); an audio clip or a text outside any
// par is a phrase of its own. Element ids are kept with the phrase they belong
// to (an id before a phrase, a seq's, goes with the phrase that follows), for
// the navigation that points at them.
//
// Streamed: no phrase is kept after it has been handed on, so a SMIL of a
// million pars needs no more memory than one. The DTD is never fetched; links
// to other SMIL files are not followed, so circular references cannot loop.
struct SmilClip {
    QString file; // a name of the book (DaisySource)
    qint64 beginMs = 0;
    qint64 endMs = -1; // -1: to the end of the file
};

struct SmilPhrase {
    QString text; // "name#fragment" of its text, a name of the book; empty when none
    std::vector<SmilClip> clips;
    QStringList ids;
};

namespace SmilReader {

// Calls `phrase` for each phrase of `smil` (the file named `smilName`); stops
// when it returns false. A file that breaks off keeps the phrases before the
// break. False when nothing of it could be read as XML.
bool read(const QByteArray &smil, const QString &smilName,
          const std::function<bool(const SmilPhrase &)> &phrase);

} // namespace SmilReader

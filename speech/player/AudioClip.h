#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

// One stretch of a recording that a recorded book plays as (part of) one phrase:
// a SMIL <audio> element's clip. Times are milliseconds from the start of the
// file; an end of -1 means "to the end of the file".
//
// `file` is an absolute path; when `archive` is not empty, `file` is instead the
// name of an entry of that zip archive (a zipped book is played from its zip).
struct AudioClip {
    QString archive;
    QString file;
    qint64 beginMs = 0;
    qint64 endMs = -1;

    bool operator==(const AudioClip &) const = default;
};

// The clips of one phrase, played one after another (gaplessly when consecutive
// clips continue the same file).
using PhraseAudio = std::vector<AudioClip>;

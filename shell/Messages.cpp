#include "Messages.h"

#include "UnitUPCTV.h"

QByteArray inActiveLanguage(const Phrase &phrase) {
    return QByteArray(Speech().CatalanActive ? phrase.catalan : phrase.spanish);
}

QByteArray lowerAsciiLetters(QByteArray text) {
    for (char &c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

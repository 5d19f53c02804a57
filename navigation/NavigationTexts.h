#pragma once

#include "Navigator.h"
#include "PhraseTable.h"

#include <QByteArray>

// What the navigation keys say, in the active language.
namespace NavigationTexts {

QByteArray levelName(Navigator::Level level);
// What a move reached: the heading's text, "Pàgina 141", "Marcador 3"; empty for
// a paragraph or a sentence, which are heard as the reading goes on.
QByteArray reached(const Navigator &navigator, const Navigator::Unit &unit);
// "3 hores i 20 minuts" left to read.
QByteArray timeLeft(qint64 seconds);
// "3 hores i 20 minuts", "0 minuts".
QByteArray hoursAndMinutes(qint64 minutes);
// Title, heading, page "141 de 388", share read, time left at `speed`; for a
// recorded book (`recording` not null), the time listened to and the time left
// by the book's own durations instead.
QByteArray whereAmI(const Navigator &navigator, const QByteArray &title, qint64 position, int speed,
                    bool catalan, const PhraseTable *recording = nullptr);

} // namespace NavigationTexts

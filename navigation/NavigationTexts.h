#pragma once

#include "Navigator.h"

#include <QByteArray>

// What the navigation keys say, in the active language.
namespace NavigationTexts {

QByteArray levelName(Navigator::Level level);
// What a move reached: the heading's text, "Pàgina 141", "Marcador 3"; empty for
// a paragraph or a sentence, which are heard as the reading goes on.
QByteArray reached(const Navigator &navigator, const Navigator::Unit &unit);
// "3 hores i 20 minuts" left to read.
QByteArray timeLeft(qint64 seconds);
// Title, heading, page "141 de 388", share read, time left at `speed`.
QByteArray whereAmI(const Navigator &navigator, const QByteArray &title, qint64 position, int speed,
                    bool catalan);

} // namespace NavigationTexts

#include "AboutLook.h"

#include <QFile>
#include <QPixmap>

#include <algorithm>

// The box was drawn for "Comic Sans MS"; where it is missing, a similar informal
// face or else the plain sans serif keeps the texts readable (the system's own
// substitute for it may be a calligraphic italic).
QFont comicFont(int pixels, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFont buttonFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setBold(true);
    return font;
}

void dressText(QLabel *label, const QRect &place, const QString &text, const TextStyle &style) {
    label->setGeometry(place);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(comicFont(style.pixels, style.bold));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, style.colour);
    label->setPalette(palette);
    label->setAlignment(style.alignment);
    label->setWordWrap(style.wrap);
    if (!style.wrap) {
        // A one-line label is at least as wide as its text, so that a substitute
        // font wider than the one the box was drawn for does not cut the text off;
        // it never reaches past its parent's edge.
        const int room = label->parentWidget()->width() - place.x() - 2;
        label->resize(
            std::clamp(label->sizeHint().width(), place.width(), std::max(place.width(), room)),
            place.height());
    }
}

void dressPicture(QLabel *label, const QRect &place, const QString &resource,
                  Qt::Alignment alignment) {
    label->setGeometry(place);
    label->setPixmap(QPixmap(resource));
    label->setAlignment(alignment);
}

QString memoText() {
    QFile file(QStringLiteral(":/about/texts/memo.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

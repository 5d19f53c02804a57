#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QRect>
#include <QString>

// How the about box dresses its texts and pictures: the fonts it was drawn for,
// with readable substitutes where they are missing, and the placing of labels.

struct TextStyle {
    int pixels;
    bool bold;
    QColor colour;
    Qt::Alignment alignment;
    bool wrap;
};

// "Comic Sans MS" at `pixels` pixels, or a substitute close to it.
QFont comicFont(int pixels, bool bold);
// The button's face: "MS Sans Serif", bold, 11 pixels, or a substitute.
QFont buttonFont();

// Places `label` at `place` within its parent and gives it `text` as plain text
// in `style`.
void dressText(QLabel *label, const QRect &place, const QString &text, const TextStyle &style);
// Places `label` at `place` and gives it the picture at the resource path `resource`.
void dressPicture(QLabel *label, const QRect &place, const QString &resource,
                  Qt::Alignment alignment);

// The memo's text, from the library's resources; empty when it cannot be read.
QString memoText();

template <class Label>
Label *textLabel(QWidget *parent, const QRect &place, const QString &text, const TextStyle &style) {
    auto *label = new Label(parent);
    dressText(label, place, text, style);
    return label;
}

template <class Label>
Label *pictureLabel(QWidget *parent, const QRect &place, const QString &resource,
                    Qt::Alignment alignment) {
    auto *label = new Label(parent);
    dressPicture(label, place, resource, alignment);
    return label;
}

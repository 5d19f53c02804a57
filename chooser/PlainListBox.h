#pragma once

#include <QListWidget>

// A list box as the book chooser's folder and file lists want it: one line at a
// time, the arrow keys (Left and Right too) move by one line, and typing a
// character moves to the next line after the highlighted one, wrapping to the
// top, that begins with that character without regard to case. With nothing
// highlighted yet, the first arrow key highlights the first line.
class PlainListBox : public QListWidget {
    Q_OBJECT
public:
    explicit PlainListBox(QWidget *parent = nullptr);

    // Only the last character typed counts: a blind user types one letter and
    // listens, so a second letter must not turn into a search for a two-letter
    // prefix.
    void keyboardSearch(const QString &search) override;

    // The highlighted (selected) line, -1 when there is none.
    int selectedRow() const;
    // Every line's text, top to bottom.
    QStringList lineTexts() const;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent *event) override;
};

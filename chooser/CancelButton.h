#pragma once

#include <QPushButton>

// The chooser's Cancel button, with the keyboard of a dialog button: Space, Enter
// and the mouse press it; Down and Right move the focus on to the next control,
// Up and Left back. It is never the dialog's default button, so Enter pressed in a
// list stays with that list.
class CancelButton : public QPushButton {
    Q_OBJECT
public:
    explicit CancelButton(const QString &text, QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

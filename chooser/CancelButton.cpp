#include "CancelButton.h"

#include <QKeyEvent>

CancelButton::CancelButton(const QString &text, QWidget *parent) : QPushButton(text, parent) {
    setAutoDefault(false);
    setDefault(false);
}

void CancelButton::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        click();
        return;
    case Qt::Key_Up:
    case Qt::Key_Left:
        focusNextPrevChild(false);
        return;
    case Qt::Key_Down:
    case Qt::Key_Right:
        focusNextPrevChild(true);
        return;
    default:
        QPushButton::keyPressEvent(event);
    }
}

#include "PlainListBox.h"

#include "PathRules.h"

#include <QKeyEvent>

#include <algorithm>

PlainListBox::PlainListBox(QWidget *parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
}

void PlainListBox::keyboardSearch(const QString &search) {
    if (search.isEmpty() || count() == 0) {
        return;
    }
    const int row = PathRules::nextRowStartingWith(lineTexts(), selectedRow(), search.back());
    if (row >= 0 && row != selectedRow()) {
        setCurrentRow(row);
    }
}

int PlainListBox::selectedRow() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

QStringList PlainListBox::lineTexts() const {
    QStringList texts;
    texts.reserve(count());
    for (int row = 0; row < count(); ++row) {
        texts.append(item(row)->text());
    }
    return texts;
}

QModelIndex PlainListBox::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
    if (cursorAction == MoveLeft) {
        cursorAction = MoveUp;
    } else if (cursorAction == MoveRight) {
        cursorAction = MoveDown;
    }
    return QListWidget::moveCursor(cursorAction, modifiers);
}

void PlainListBox::keyPressEvent(QKeyEvent *event) {
    // With nothing selected Qt would take any move from its own cursor, which is
    // either missing (every key then goes to the first line) or on the first line
    // unselected (an arrow then skips that line). Take the move here instead.
    static const QList<int> moves{Qt::Key_Up,   Qt::Key_Down, Qt::Key_Left,   Qt::Key_Right,
                                  Qt::Key_Home, Qt::Key_End,  Qt::Key_PageUp, Qt::Key_PageDown};
    if (selectedRow() >= 0 || count() == 0 || !moves.contains(event->key())) {
        QListWidget::keyPressEvent(event);
        return;
    }
    int row = 0;
    if (event->key() == Qt::Key_End) {
        row = count() - 1;
    } else if (event->key() == Qt::Key_PageDown) {
        selectionModel()->setCurrentIndex(model()->index(0, 0), QItemSelectionModel::NoUpdate);
        row = std::max(0, moveCursor(MovePageDown, event->modifiers()).row());
    }
    setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    event->accept();
}

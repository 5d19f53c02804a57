#include "PlainListBox.h"

#include "PathRules.h"

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
    const bool byOne = cursorAction == MoveUp || cursorAction == MoveDown ||
                       cursorAction == MoveNext || cursorAction == MovePrevious;
    if (byOne && selectedRow() < 0 && count() > 0) {
        return model()->index(0, 0);
    }
    return QListWidget::moveCursor(cursorAction, modifiers);
}

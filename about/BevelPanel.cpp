#include "BevelPanel.h"

#include <QMouseEvent>
#include <QPainter>
#include <qdrawutil.h>

BevelPanel::BevelPanel(Bevel outer, Bevel inner, QWidget *parent)
    : QWidget(parent), m_outer(outer), m_inner(inner) {
    setAutoFillBackground(true);
}

void BevelPanel::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    QRect edge = rect();
    for (const Bevel bevel : {m_outer, m_inner}) {
        if (bevel == Bevel::None) {
            continue;
        }
        qDrawShadePanel(&painter, edge, palette(), bevel == Bevel::Lowered, 1);
        edge.adjust(1, 1, -1, -1);
    }
}

void BevelPanel::mousePressEvent(QMouseEvent *event) {
    // A press that a child let through arrives here too; only the panel's own
    // surface is a free spot.
    const bool freeSpot = childAt(event->position().toPoint()) == nullptr;
    m_pressed = freeSpot && event->button() == Qt::LeftButton;
    if (freeSpot) {
        event->accept();
    } else {
        event->ignore();
    }
}

void BevelPanel::mouseReleaseEvent(QMouseEvent *event) {
    const bool wasPressed = m_pressed;
    m_pressed = false;
    if (!wasPressed) {
        event->ignore();
        return;
    }
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

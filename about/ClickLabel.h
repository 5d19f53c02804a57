#pragma once

#include <QLabel>

// A label or picture that reports a left-button click, as the about box's pictures
// and web labels need. Like a button, it fires on release over itself after a press
// on itself; it keeps every press it receives, so a click on it never reaches the
// panel or window beneath as a click on a free spot.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};

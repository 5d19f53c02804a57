#pragma once

#include <QWidget>

// A panel drawn with an outer and an inner bevel, each raised, lowered or absent,
// that reports a left-button click on a free spot of itself: a place where none of
// its shown children lies. Clicks on a child never count, even when the child lets
// them through.
class BevelPanel : public QWidget {
    Q_OBJECT
public:
    enum class Bevel { None, Raised, Lowered };

    explicit BevelPanel(Bevel outer, Bevel inner, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    Bevel m_outer;
    Bevel m_inner;
    bool m_pressed = false;
};

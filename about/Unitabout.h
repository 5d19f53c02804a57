#pragma once

#include <QDialog>
#include <QPushButton>
#include <QTimer>

// The about box "Parlant de...". Placeholder until the about box lands.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);
    QPushButton *OKButton;
    QTimer *Timer1;
    QTimer *Timer2;
};

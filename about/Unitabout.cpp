#include "Unitabout.h"

TAboutBox::TAboutBox(QWidget *parent)
    : QDialog(parent), OKButton(new QPushButton(this)), Timer1(new QTimer(this)),
      Timer2(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Parlant de..."));
}

#include "Unitabout.h"

#include "AboutLook.h"
#include "BevelPanel.h"
#include "ClickLabel.h"
#include "HomePage.h"
#include "UnitUPCTV.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QUrl>

#include <initializer_list>
#include <utility>

namespace {

constexpr int ClientWidth = 305;
constexpr int ClientHeight = 385;
constexpr int SplashHeightCut = 28;
constexpr int PictureCycleMs = 9200;
constexpr int IconBlinkMs = 500;

const QColor Green(0x00, 0x80, 0x00);
const QColor Navy(0x00, 0x00, 0x80);
const QColor Grey(0x80, 0x80, 0x80);
const QColor Silver(0xC0, 0xC0, 0xC0);

bool shown(const QWidget *item) {
    return !item->isHidden();
}

void showInstead(QWidget *from, QWidget *to) {
    from->hide();
    to->show();
}

// Enabling a running timer leaves its interval running, as the box's timers were
// only ever switched on and off, never restarted.
void enable(QTimer *timer) {
    if (!timer->isActive()) {
        timer->start();
    }
}

} // namespace

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent) {
    // The pictures and texts live in the static about library; make sure the
    // linker keeps them.
    Q_INIT_RESOURCE(about);
    setWindowTitle(QStringLiteral("Parlant de..."));
    // A dialog border: a title and a close button, no resizing, no maximising.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(ClientWidth, ClientHeight);
    buildWindow();
    nameComponents();
    connectHandlers();
    FormCreate();
}

void TAboutBox::buildWindow() {
    // Created first, so both panels lie above it: it is only seen while they are
    // hidden.
    Image3 =
        pictureLabel<ClickLabel>(this, QRect(70, 2, 172, 338),
                                 QStringLiteral(":/about/pictures/clown.png"), Qt::AlignCenter);
    Image3->setToolTip(QStringLiteral("Hola! Sóc en Pipo, el pallasso. M'agraden els contes, "
                                      "sobretot els que es llegeixen en veu alta."));
    Image3->hide();

    buildPanel1();
    buildPanel2();

    OKButton = new QPushButton(QStringLiteral("D'acord"), this);
    OKButton->setGeometry(111, 352, 77, 27);
    OKButton->setFont(buttonFont());
    OKButton->setCursor(Qt::PointingHandCursor);
    OKButton->setDefault(true);

    Timer1 = new QTimer(this);
    Timer1->setInterval(PictureCycleMs);
    Timer2 = new QTimer(this);
    Timer2->setInterval(IconBlinkMs);
}

void TAboutBox::buildPanel1() {
    Panel1 = new BevelPanel(BevelPanel::Bevel::Raised, BevelPanel::Bevel::Lowered, this);
    Panel1->setGeometry(16, 16, 273, 145);

    Bevel2 = new QFrame(Panel1);
    Bevel2->setGeometry(8, 16, 40, 41);
    Bevel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    const QString mouse = QStringLiteral(":/about/pictures/mouse.png");
    const Qt::Alignment topLeft = Qt::AlignLeft | Qt::AlignTop;
    ImageOrella = pictureLabel<QLabel>(Panel1, QRect(12, 20, 33, 33), mouse, topLeft);
    ImageOrdinador = pictureLabel<QLabel>(Panel1, QRect(12, 20, 33, 33), mouse, topLeft);
    ImageOrdinador->hide();

    ProductName = textLabel<ClickLabel>(Panel1, QRect(72, 8, 185, 65),
                                        QStringLiteral("Zelvora per a invidents"),
                                        {21, true, Green, Qt::AlignCenter, true});
    Version = textLabel<QLabel>(Panel1, QRect(117, 74, 141, 16),
                                QStringLiteral("Versió: 26 - 03/09/2001"),
                                {11, true, Qt::black, topLeft, false});
    Copyright =
        textLabel<ClickLabel>(Panel1, QRect(5, 90, 232, 17), HomePage::authorLine(HomePage::page()),
                              {12, false, Qt::black, topLeft, false});
    Comments = textLabel<QLabel>(Panel1, QRect(5, 108, 263, 32), HomePage::creditsLine(),
                                 {11, true, Grey, topLeft, true});

    for (ClickLabel *link : {ProductName, Copyright}) {
        link->setCursor(Qt::PointingHandCursor);
        link->setToolTip(HomePage::page().toString());
    }
}

void TAboutBox::buildPanel2() {
    Panel2 = new BevelPanel(BevelPanel::Bevel::Lowered, BevelPanel::Bevel::None, this);
    Panel2->setGeometry(16, 176, 273, 161);

    const QRect picture(24, 16, 226, 131);
    Image1 = pictureLabel<ClickLabel>(Panel2, picture, QStringLiteral(":/about/pictures/maker.png"),
                                      Qt::AlignLeft | Qt::AlignTop);
    Image2 = pictureLabel<ClickLabel>(
        Panel2, picture, QStringLiteral(":/about/pictures/zelvora.png"), Qt::AlignCenter);
    Label1 = textLabel<ClickLabel>(
        Panel2, QRect(24, 12, 233, 136),
        QStringLiteral("Pot ser la intel.ligència no és prou intel.ligent per conèixer a si "
                       "mateixa. O pot ser és prou intel.ligent per no fer-ho."),
        {19, false, Qt::black, Qt::AlignLeft | Qt::AlignTop, true});
    Label2 = textLabel<ClickLabel>(Panel2, QRect(56, 16, 209, 129),
                                   QStringLiteral("A l'àvia Rosa, amb tot l'afecte"),
                                   {27, true, Navy, Qt::AlignCenter, true});
    for (ClickLabel *item : {Image1, Image2, Label1, Label2}) {
        item->setCursor(Qt::PointingHandCursor);
    }
    Image1->hide();
    Label1->hide();
    Label2->hide();

    // Created after the cycle's items, so that when shown it covers all of them.
    Memo1 = new QPlainTextEdit(Panel2);
    Memo1->setGeometry(0, 0, 273, 161);
    Memo1->setFont(comicFont(13, true));
    QPalette palette = Memo1->palette();
    palette.setColor(QPalette::Base, Silver);
    Memo1->setPalette(palette);
    // Lines wrap at the memo's width; a line of dashes that is too long for it
    // breaks rather than bringing in a sideways scroll bar.
    Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setPlainText(memoText());
    Memo1->hide();
}

// Each component carries its own name, so that it can be found by name.
void TAboutBox::nameComponents() {
    const std::pair<QObject *, const char *> names[] = {
        {Panel1, "Panel1"},           {Bevel2, "Bevel2"},
        {ImageOrella, "ImageOrella"}, {ImageOrdinador, "ImageOrdinador"},
        {ProductName, "ProductName"}, {Version, "Version"},
        {Copyright, "Copyright"},     {Comments, "Comments"},
        {Panel2, "Panel2"},           {Image1, "Image1"},
        {Image2, "Image2"},           {Label1, "Label1"},
        {Label2, "Label2"},           {Memo1, "Memo1"},
        {OKButton, "OKButton"},       {Image3, "Image3"},
        {Timer1, "Timer1"},           {Timer2, "Timer2"}};
    for (const auto &[component, name] : names) {
        component->setObjectName(QLatin1String(name));
    }
}

void TAboutBox::connectHandlers() {
    connect(Timer1, &QTimer::timeout, this, &TAboutBox::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TAboutBox::Timer2Timer);
    connect(Image2, &ClickLabel::clicked, this, &TAboutBox::Image2Click);
    connect(Image1, &ClickLabel::clicked, this, &TAboutBox::Image1Click);
    connect(Label1, &ClickLabel::clicked, this, &TAboutBox::Label1Click);
    connect(Label2, &ClickLabel::clicked, this, &TAboutBox::Label2Click);
    connect(Panel2, &BevelPanel::clicked, this, &TAboutBox::Panel2Click);
    connect(Panel1, &BevelPanel::clicked, this, &TAboutBox::Panel1Click);
    connect(Image3, &ClickLabel::clicked, this, &TAboutBox::Image3Click);
    connect(ProductName, &ClickLabel::clicked, this, &TAboutBox::ProductNameClick);
    connect(Copyright, &ClickLabel::clicked, this, &TAboutBox::CopyrightClick);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::FormCreate() {
    Memo1->setReadOnly(true);
}

void TAboutBox::FormShow() {
    enable(Timer1);
    enable(Timer2);
}

void TAboutBox::FormClose() {
    Timer1->stop();
    Timer2->stop();
}

void TAboutBox::Timer1Timer() {
    using Step = void (TAboutBox::*)();
    const std::pair<const QWidget *, Step> order[] = {{Image1, &TAboutBox::Image1Click},
                                                      {Label1, &TAboutBox::Label1Click},
                                                      {Label2, &TAboutBox::Label2Click},
                                                      {Image2, &TAboutBox::Image2Click}};
    for (const auto &[item, step] : order) {
        if (shown(item)) {
            (this->*step)();
            return;
        }
    }
}

void TAboutBox::Timer2Timer() {
    if (shown(ImageOrdinador)) {
        showInstead(ImageOrdinador, ImageOrella);
    } else {
        showInstead(ImageOrella, ImageOrdinador);
    }
}

void TAboutBox::Image2Click() {
    showInstead(Image2, Image1);
}
void TAboutBox::Image1Click() {
    showInstead(Image1, Label1);
}
void TAboutBox::Label1Click() {
    showInstead(Label1, Label2);
}
void TAboutBox::Label2Click() {
    showInstead(Label2, Image2);
}

void TAboutBox::FormClick() {
    Memo1->setVisible(Memo1->isHidden());
}
void TAboutBox::Panel2Click() {
    Memo1->setVisible(Memo1->isHidden());
}

void TAboutBox::Panel1Click() {
    Panel1->hide();
    Panel2->hide();
    Image3->show();
}

void TAboutBox::Image3Click() {
    Image3->hide();
    Panel1->show();
    Panel2->show();
}

// Whether a browser opens is not reported: the box has nothing to say about it.
void TAboutBox::ProductNameClick() {
    static_cast<void>(QDesktopServices::openUrl(HomePage::page()));
}
void TAboutBox::CopyrightClick() {
    static_cast<void>(QDesktopServices::openUrl(HomePage::page()));
}

void TAboutBox::ShowAsSplash(int ms, const std::function<void()> &whenShown) {
    OKButton->hide();
    const int fullHeight = height();
    setFixedHeight(fullHeight - SplashHeightCut);
    show();
    // The program may be closing while the splash waits; the box may then be gone.
    QPointer<TAboutBox> self(this);
    if (whenShown) {
        whenShown();
        if (self.isNull()) {
            return;
        }
    }
    Timer1->stop();
    WaitPumping(ms);
    if (self.isNull()) {
        return;
    }
    hide();
    // Nothing of the box is seen any more: the icon need not blink (and wake the
    // program twice a second) until the box is shown again.
    Timer2->stop();
    setFixedHeight(fullHeight);
    OKButton->show();
}

void TAboutBox::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TAboutBox::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    centreOnScreen();
    OKButton->setFocus();
    FormShow();
}

void TAboutBox::centreOnScreen() {
    const QScreen *where = screen();
    if (where == nullptr) {
        return;
    }
    QRect frame = frameGeometry();
    frame.moveCenter(where->availableGeometry().center());
    move(frame.topLeft());
}

// A click on the window's own surface, where no shown component lies, is a click
// on a free spot; one on a component that lets it through is not.
void TAboutBox::mousePressEvent(QMouseEvent *event) {
    const bool freeSpot = childAt(event->position().toPoint()) == nullptr;
    m_formPressed = freeSpot && event->button() == Qt::LeftButton;
    QDialog::mousePressEvent(event);
}

void TAboutBox::mouseReleaseEvent(QMouseEvent *event) {
    const bool wasPressed = m_formPressed;
    m_formPressed = false;
    QDialog::mouseReleaseEvent(event);
    if (wasPressed && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint())) {
        FormClick();
    }
}

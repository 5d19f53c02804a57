#pragma once

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>

class BevelPanel;
class ClickLabel;

// The about box "Parlant de...": product name, version and credits in the upper
// panel, a cycle of pictures in the lower one (a step every 9200 ms or on a click),
// a memo of quotations that a click on a free spot shows over the pictures, and a
// clown behind a click on the upper panel. It is only seen, never heard.
//
// One instance lives from start-up to exit and is shown many times (modally from
// the main window's menu, once as the start-up splash), so whatever the user last
// left shown is shown again next time. "Shown" below always means the item's own
// visibility flag, which holds while the box or a panel is hidden.
//
// The components are public, as the start-up and the tests reach them by name.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);

    // The start-up presentation: without its button and 28 pixels shorter, the box
    // is shown non-modally for `ms` milliseconds with the picture cycle standing
    // still, while events keep being dispatched; then it is hidden and given back
    // its height and button, with both timers stopped until it is shown again.
    // `whenShown` runs right after the showing, before the picture cycle is
    // stopped and the wait begins (the main window losing the activation).
    void ShowAsSplash(int ms, const std::function<void()> &whenShown = {});

    // Every way of closing (the button, Esc, the title bar) ends here; hiding the
    // box, as the splash does, does not.
    void done(int result) override;

    BevelPanel *Panel1 = nullptr;
    QFrame *Bevel2 = nullptr;
    QLabel *ImageOrella = nullptr;
    QLabel *ImageOrdinador = nullptr;
    ClickLabel *ProductName = nullptr;
    QLabel *Version = nullptr;
    ClickLabel *Copyright = nullptr;
    QLabel *Comments = nullptr;

    BevelPanel *Panel2 = nullptr;
    ClickLabel *Image1 = nullptr;
    ClickLabel *Image2 = nullptr;
    ClickLabel *Label1 = nullptr;
    ClickLabel *Label2 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;

    QPushButton *OKButton = nullptr;
    ClickLabel *Image3 = nullptr;
    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;

public slots:
    void FormCreate();
    void FormShow();
    void FormClose();
    void Timer1Timer();
    void Timer2Timer();
    void Image2Click();
    void Image1Click();
    void Label1Click();
    void Label2Click();
    void FormClick();
    void Panel2Click();
    void Panel1Click();
    void Image3Click();
    void ProductNameClick();
    void CopyrightClick();

protected:
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void buildPanel1();
    void buildPanel2();
    void buildWindow();
    void nameComponents();
    void connectHandlers();
    void centreOnScreen();

    bool m_formPressed = false;
};

// The about box: layout, the picture cycle by timer and by click, the memo and the
// clown behind clicks on free spots, the web page, the timers and the splash.
// Clicks go through the window system like a user's, so they test where a click
// lands as well as what it does.
#include "BevelPanel.h"
#include "ClickLabel.h"
#include "HomePage.h"
#include "Unitabout.h"

#include <QDesktopServices>
#include <QtTest>

#include <memory>

namespace {

const QStringList CycleItems = {QStringLiteral("Image2"), QStringLiteral("Image1"),
                                QStringLiteral("Label1"), QStringLiteral("Label2")};

QWidget *part(TAboutBox &box, const QString &name) {
    auto *found = box.findChild<QWidget *>(name);
    if (found == nullptr) {
        qFatal("no component %s", qPrintable(name));
    }
    return found;
}

// The items of `names` whose own visibility flag is set, in the order given.
QStringList shownOf(TAboutBox &box, const QStringList &names) {
    QStringList shown;
    for (const QString &name : names) {
        if (!part(box, name)->isHidden()) {
            shown << name;
        }
    }
    return shown;
}

QStringList allShown(TAboutBox &box) {
    QStringList names;
    for (const QWidget *child : box.findChildren<QWidget *>()) {
        if (!child->objectName().isEmpty() && !child->objectName().startsWith(u"qt_")) {
            names << child->objectName();
        }
    }
    names.sort();
    return shownOf(box, names);
}

void showOnly(TAboutBox &box, const QStringList &names, const QStringList &shown) {
    for (const QString &name : names) {
        part(box, name)->setVisible(shown.contains(name));
    }
}

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

} // namespace

class TestAboutBox : public QObject {
    Q_OBJECT
    std::unique_ptr<TAboutBox> box;

    void showBox() {
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    }

private slots:
    void init() { box = std::make_unique<TAboutBox>(); }
    void cleanup() { box.reset(); }

    void layout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("place");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("hand");
        auto row = [](const char *name, const char *parent, QRect place, bool shown, bool hand) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(parent) << place
                                << shown << hand;
        };
        row("Panel1", "", {16, 16, 273, 145}, true, false);
        row("Bevel2", "Panel1", {8, 16, 40, 41}, true, false);
        row("ImageOrella", "Panel1", {12, 20, 33, 33}, true, false);
        row("ImageOrdinador", "Panel1", {12, 20, 33, 33}, false, false);
        row("ProductName", "Panel1", {72, 8, 185, 65}, true, true);
        row("Version", "Panel1", {117, 74, 141, 16}, true, false);
        row("Copyright", "Panel1", {5, 90, 232, 17}, true, true);
        row("Comments", "Panel1", {5, 108, 263, 32}, true, false);
        row("Panel2", "", {16, 176, 273, 161}, true, false);
        row("Image1", "Panel2", {24, 16, 226, 131}, false, true);
        row("Image2", "Panel2", {24, 16, 226, 131}, true, true);
        row("Label1", "Panel2", {24, 12, 233, 136}, false, true);
        row("Label2", "Panel2", {56, 16, 209, 129}, false, true);
        row("Memo1", "Panel2", {0, 0, 273, 161}, false, false);
        row("OKButton", "", {111, 352, 77, 27}, true, true);
        row("Image3", "", {70, 2, 172, 338}, false, false);
    }
    void layout() {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QWidget *widget = part(*box, name);
        QCOMPARE(widget->parentWidget(), parent.isEmpty() ? box.get() : part(*box, parent));
        QFETCH(QRect, place);
        QCOMPARE(widget->pos(), place.topLeft());
        QCOMPARE(widget->height(), place.height());
        auto *label = qobject_cast<QLabel *>(widget);
        if (label != nullptr && !label->text().isEmpty() && !label->wordWrap()) {
            // A one-line text is never cut off and never reaches past its panel.
            QVERIFY(widget->width() >= std::max(place.width(), label->sizeHint().width()) ||
                    widget->geometry().right() >= widget->parentWidget()->width() - 3);
            QVERIFY(widget->geometry().right() < widget->parentWidget()->width());
        } else {
            QCOMPARE(widget->width(), place.width());
        }
        QTEST(!widget->isHidden(), "shown");
        QTEST(widget->testAttribute(Qt::WA_SetCursor) &&
                  widget->cursor().shape() == Qt::PointingHandCursor,
              "hand");
        if (label != nullptr && name.startsWith(u"Image")) {
            QVERIFY2(!label->pixmap().isNull(), "picture missing from the resources");
        }
    }

    void windowAndTexts() {
        QCOMPARE(box->windowTitle(), QString::fromUtf8("Parlant de..."));
        QCOMPARE(box->size(), QSize(305, 385));
        QCOMPARE(box->minimumSize(), box->maximumSize());
        QCOMPARE(box->ProductName->text(), QString::fromUtf8("Zelvora per a invidents"));
        QCOMPARE(box->Version->text(), QString::fromUtf8("Versió: 26 - 03/09/2001"));
        QCOMPARE(box->Label1->text(),
                 QString::fromUtf8("Pot ser la intel.ligència no és prou intel.ligent per "
                                   "conèixer a si mateixa. O pot ser és prou intel.ligent per "
                                   "no fer-ho."));
        QCOMPARE(box->OKButton->text(), QString::fromUtf8("D'acord"));
        // The authors and the contributors as groups, no one invented.
        QVERIFY(box->Copyright->text().startsWith(QStringLiteral("© Els autors de Zelvora")));
        QCOMPARE(box->Comments->text(),
                 QStringLiteral("Fet pels autors de Zelvora, amb la col·laboració de tots els "
                                "qui hi han contribuït"));
        QVERIFY(box->Memo1->isReadOnly());
        QVERIFY(box->Memo1->document()->blockCount() >= 50);
        QVERIFY(box->Memo1->toPlainText().contains(QStringLiteral("\n----------")));
        QCOMPARE(box->Memo1->palette().color(QPalette::Base), QColor(0xC0, 0xC0, 0xC0));
        QCOMPARE(box->ProductName->palette().color(QPalette::WindowText), QColor(0, 0x80, 0));
        QCOMPARE(box->Label2->palette().color(QPalette::WindowText), QColor(0, 0, 0x80));
        QCOMPARE(box->Comments->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x80));
        QCOMPARE(box->ProductName->font().pixelSize(), 21);
        QVERIFY(box->ProductName->font().bold());
        QCOMPARE(box->Label2->font().pixelSize(), 27);
    }

    void fourClicksBringTheFirstItemBack_data() {
        QTest::addColumn<QString>("first");
        for (const QString &name : CycleItems) {
            QTest::newRow(qPrintable(name)) << name;
        }
    }
    void fourClicksBringTheFirstItemBack() {
        QFETCH(QString, first);
        showOnly(*box, CycleItems, {first});
        showBox();
        const int timerBefore = box->Timer1->timerId();
        qsizetype at = CycleItems.indexOf(first);
        for (int click = 0; click < 4; ++click) {
            QTest::mouseClick(part(*box, CycleItems[at]), Qt::LeftButton);
            at = (at + 1) % CycleItems.size();
            QCOMPARE(shownOf(*box, CycleItems), QStringList{CycleItems[at]});
        }
        QCOMPARE(shownOf(*box, CycleItems), QStringList{first});
        QVERIFY(box->Memo1->isHidden());
        QVERIFY(!box->Panel1->isHidden());
        // A click steps at once but leaves the timer's interval running.
        QCOMPARE(box->Timer1->timerId(), timerBefore);
    }

    void timerStepActsOnTheFirstShownItem_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        auto list = [](const char *names) {
            return QString::fromLatin1(names).split(u' ', Qt::SkipEmptyParts);
        };
        QTest::newRow("Image2") << list("Image2") << list("Image1");
        QTest::newRow("Image1") << list("Image1") << list("Label1");
        QTest::newRow("Label1") << list("Label1") << list("Label2");
        QTest::newRow("Label2") << list("Label2") << list("Image2");
        QTest::newRow("none shown") << list("") << list("");
        QTest::newRow("Image2 and Image1") << list("Image2 Image1") << list("Image2 Label1");
        QTest::newRow("Image2 and Label2") << list("Image2 Label2") << list("Image2");
        QTest::newRow("Label1 and Label2") << list("Label1 Label2") << list("Label2");
        QTest::newRow("all four") << CycleItems << list("Image2 Label1 Label2");
    }
    void timerStepActsOnTheFirstShownItem() {
        QFETCH(QStringList, before);
        showOnly(*box, CycleItems, before);
        box->Timer1Timer();
        QTEST(shownOf(*box, CycleItems), "after");
    }

    void timerStepGoesOnUnderTheMemoAndTheClown() {
        showBox();
        QTest::mouseClick(box.get(), Qt::LeftButton, {}, QPoint(4, 4));
        QVERIFY(!box->Memo1->isHidden());
        box->Timer1Timer();
        QCOMPARE(shownOf(*box, CycleItems), QStringList{QStringLiteral("Image1")});
        // The memo covers the picture: a click there reaches the memo, not Image1.
        QTest::mouseClick(box->Panel2, Qt::LeftButton, {}, QPoint(130, 80));
        QCOMPARE(shownOf(*box, CycleItems), QStringList{QStringLiteral("Image1")});
        box->Panel1Click();
        box->Timer1Timer();
        QCOMPARE(shownOf(*box, CycleItems), QStringList{QStringLiteral("Label1")});
    }

    void clicksOnFreeSpots_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QStringList>("changed");
        const QStringList memo{QStringLiteral("Memo1")};
        const QStringList clown{QStringLiteral("Image3"), QStringLiteral("Panel1"),
                                QStringLiteral("Panel2")};
        QTest::newRow("window margin") << QString() << QPoint(4, 4) << memo;
        QTest::newRow("window beside the button") << QString() << QPoint(40, 365) << memo;
        QTest::newRow("Panel2 corner") << QStringLiteral("Panel2") << QPoint(5, 5) << memo;
        QTest::newRow("Panel2 beside the picture")
            << QStringLiteral("Panel2") << QPoint(262, 80) << memo;
        QTest::newRow("Panel1 between icon and name")
            << QStringLiteral("Panel1") << QPoint(60, 40) << clown;
        QTest::newRow("Version label")
            << QStringLiteral("Version") << QPoint(5, 5) << QStringList();
        QTest::newRow("Comments label")
            << QStringLiteral("Comments") << QPoint(5, 5) << QStringList();
        QTest::newRow("icon") << QStringLiteral("ImageOrella") << QPoint(16, 16) << QStringList();
        QTest::newRow("icon frame") << QStringLiteral("Bevel2") << QPoint(1, 20) << QStringList();
    }
    void clicksOnFreeSpots() {
        QFETCH(QString, target);
        QFETCH(QPoint, at);
        QFETCH(QStringList, changed);
        showBox();
        const QStringList before = allShown(*box);
        QWidget *where = target.isEmpty() ? box.get() : part(*box, target);
        QTest::mouseClick(where, Qt::LeftButton, {}, at);
        const QStringList after = allShown(*box);
        QStringList flipped;
        for (const QString &name : after + before) {
            if (after.contains(name) != before.contains(name)) {
                flipped << name;
            }
        }
        flipped.sort();
        changed.sort();
        QCOMPARE(flipped, changed);
        QVERIFY(box->isVisible());
        if (changed != QStringList{QStringLiteral("Memo1")}) {
            return;
        }
        // Shown, the memo covers all of Panel2: a second click there lands on the
        // memo and changes nothing, while one on the window hides the memo again.
        QTest::mouseClick(where, Qt::LeftButton, {}, at);
        QCOMPARE(box->Memo1->isHidden(), where == box.get());
        if (!box->Memo1->isHidden()) {
            QTest::mouseClick(box.get(), Qt::LeftButton, {}, QPoint(300, 200));
        }
        QCOMPARE(allShown(*box), before);
    }

    void clownClickRestoresThePanels() {
        showBox();
        QTest::mouseClick(box->Panel1, Qt::LeftButton, {}, QPoint(60, 40));
        QVERIFY(box->Panel1->isHidden() && box->Panel2->isHidden() && !box->Image3->isHidden());
        QVERIFY(!box->Image3->toolTip().isEmpty());
        QTest::mouseClick(box->Image3, Qt::LeftButton);
        QVERIFY(!box->Panel1->isHidden() && !box->Panel2->isHidden() && box->Image3->isHidden());
    }

    void closingWays_data() {
        QTest::addColumn<int>("way");
        QTest::addColumn<int>("result");
        QTest::newRow("OK button") << 0 << int(QDialog::Accepted);
        QTest::newRow("Esc key") << 1 << int(QDialog::Rejected);
        QTest::newRow("title bar") << 2 << int(QDialog::Rejected);
    }
    // Timers run while the box is open and stop on every way of closing it; what
    // the user left shown is shown again when it opens next.
    void closingWays() {
        QFETCH(int, way);
        showBox();
        QVERIFY(box->Timer1->isActive() && box->Timer2->isActive());
        QCOMPARE(box->Timer1->interval(), 9200);
        QCOMPARE(box->Timer2->interval(), 500);
        QCOMPARE(box->focusWidget(), box->OKButton);
        box->Image2Click();
        box->Image1Click();
        box->FormClick();
        box->Panel1Click();
        const QStringList left = allShown(*box);
        if (way == 0) {
            QTest::mouseClick(box->OKButton, Qt::LeftButton);
        } else if (way == 1) {
            QTest::keyClick(box.get(), Qt::Key_Escape);
        } else {
            box->close();
        }
        QVERIFY(!box->isVisible());
        QTEST(box->result(), "result");
        QVERIFY(!box->Timer1->isActive() && !box->Timer2->isActive());
        showBox();
        QCOMPARE(allShown(*box), left);
        QVERIFY(box->Timer1->isActive() && box->Timer2->isActive());
    }

    void iconBlink_data() {
        QTest::addColumn<bool>("orella");
        QTest::addColumn<bool>("ordinador");
        QTest::addColumn<bool>("orellaAfter");
        QTest::addColumn<bool>("ordinadorAfter");
        QTest::newRow("Orella shown") << true << false << false << true;
        QTest::newRow("Ordinador shown") << false << true << true << false;
        QTest::newRow("neither shown") << false << false << false << true;
        QTest::newRow("both shown") << true << true << true << false;
    }
    void iconBlink() {
        QFETCH(bool, orella);
        QFETCH(bool, ordinador);
        box->ImageOrella->setVisible(orella);
        box->ImageOrdinador->setVisible(ordinador);
        box->Timer2Timer();
        QTEST(!box->ImageOrella->isHidden(), "orellaAfter");
        QTEST(!box->ImageOrdinador->isHidden(), "ordinadorAfter");
    }

    void webPage_data() {
        QTest::addColumn<QString>("label");
        QTest::newRow("ProductName") << QStringLiteral("ProductName");
        QTest::newRow("Copyright") << QStringLiteral("Copyright");
    }
    void webPage() {
        QFETCH(QString, label);
        const QUrl home = HomePage::page();
        if (QByteArray(ZELVORA_HOME_PAGE).isEmpty()) {
            // In a build tree: the source tree's README, a file that is there.
            QVERIFY2(QFileInfo(home.toLocalFile()).isFile(), qPrintable(home.toString()));
        } else {
            QCOMPARE(home, QUrl(QString::fromUtf8(ZELVORA_HOME_PAGE)));
        }
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(home.scheme(), &catcher, "open");
        showBox();
        QWidget *link = part(*box, label);
        QCOMPARE(link->toolTip(), home.toString());
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, link->height() / 2));
        QDesktopServices::unsetUrlHandler(home.scheme());
        QCOMPARE(catcher.opened, QList<QUrl>{home});
        QVERIFY(!box->Panel1->isHidden());
    }

    void splashRestoresTheBox() {
        box->Image2Click();
        bool sawSplash = false;
        QTimer::singleShot(0, box.get(), [&] {
            sawSplash = box->isVisible() && box->OKButton->isHidden() &&
                        box->height() == 385 - 28 && !box->Timer1->isActive() &&
                        box->Timer2->isActive();
        });
        box->ShowAsSplash(500);
        QVERIFY(sawSplash);
        QVERIFY(!box->isVisible());
        QCOMPARE(box->size(), QSize(305, 385));
        QCOMPARE(box->minimumSize(), box->maximumSize());
        QVERIFY(!box->OKButton->isHidden());
        QVERIFY(!box->Timer1->isActive() && !box->Timer2->isActive());
        QCOMPARE(shownOf(*box, CycleItems), QStringList{QStringLiteral("Image1")});
        showBox();
        QVERIFY(box->Timer1->isActive() && box->Timer2->isActive());
        QVERIFY(box->OKButton->isVisible());
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"

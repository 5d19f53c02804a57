// The navigation keys of the main window (N, Page Down/Up, I, G, H), pressed on
// the window wired as the program wires it, against the recording speech double:
// what each says, where it moves, what it refuses.
#include "MainWindowFixture.h"
#include "Messages.h"
#include "ReaderState.h"
#include "SpeakAndWait.h"
#include "UnitUPCTV.h"

#include <QTest>

using Texts = QList<QByteArray>;
using Keys = QList<int>;

namespace {

// A key with the keypad's modifier.
constexpr int OnKeypad = 1 << 30;

// Two chapters of level 2, two pages (a form feed before "Quatre").
const QByteArray Book = "Inici.\n\nCHAPTER I\n\nU. Dos.\n\nCHAPTER II\n\nTres.\n\fQuatre.\n";

QByteArray ca(const Phrase &phrase) {
    return phrase.catalan;
}

qint64 at(const char *text) {
    return Book.indexOf(text);
}

} // namespace

class TestNavigationKeys : public MainWindowTest {
    Q_OBJECT
private slots:
    void keys_data();
    void keys();
};

void TestNavigationKeys::keys_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<qint64>>("bookmarks");
    QTest::addColumn<qint64>("position");
    QTest::addColumn<Keys>("keys");
    QTest::addColumn<Texts>("expected"); // spoken in this order (a text contains each)
    QTest::addColumn<bool>("stays");     // the position is where it was, no run started

    const QByteArray levelTwo = ca(Messages::LevelHeadingsUpTo) + "2";
    const Keys fiveN{Qt::Key_N, Qt::Key_N, Qt::Key_N, Qt::Key_N, Qt::Key_N};
    QTest::newRow("N cycles the book's levels")
        << Book << QList<qint64>{} << qint64(0) << fiveN
        << Texts{ca(Messages::LevelPages), ca(Messages::LevelParagraphs),
                 ca(Messages::LevelSentences), levelTwo, ca(Messages::LevelPages)}
        << true;
    QTest::newRow("N with bookmarks, on the keypad")
        << Book << QList<qint64>{at("Tres")} << qint64(0) << Keys(5, int(Qt::Key_Period) | OnKeypad)
        << Texts{ca(Messages::LevelPages), ca(Messages::LevelSentences),
                 ca(Messages::LevelBookmarks)}
        << true;
    QTest::newRow("Page Down reaches the next chapter and reads on")
        << Book << QList<qint64>{} << qint64(0) << Keys{Qt::Key_PageDown}
        << Texts{"CHAPTER I", "U.", "Dos.", "Quatre."} << false;
    QTest::newRow("Page Down on the keypad, from chapter I")
        << Book << QList<qint64>{} << at("Dos") << Keys{int(Qt::Key_PageDown) | OnKeypad}
        << Texts{"CHAPTER II", "Tres."} << false;
    QTest::newRow("Page Down after the last chapter")
        << Book << QList<qint64>{} << at("Quatre") << Keys{Qt::Key_PageDown}
        << Texts{ca(Messages::AtLastUnit)} << true;
    QTest::newRow("Page Up before the first chapter")
        << Book << QList<qint64>{} << qint64(3) << Keys{Qt::Key_PageUp}
        << Texts{ca(Messages::AtFirstUnit)} << true;
    QTest::newRow("Page Up inside chapter II goes to its start")
        << Book << QList<qint64>{} << at("Quatre") << Keys{Qt::Key_PageUp}
        << Texts{"CHAPTER II", "Tres."} << false;
    QTest::newRow("pages: Page Down")
        << Book << QList<qint64>{} << qint64(0) << Keys{Qt::Key_N, Qt::Key_PageDown}
        << Texts{ca(Messages::PageNamed) + "2", "Quatre."} << false;
    QTest::newRow("bookmarks: Page Down")
        << Book << QList<qint64>{at("Dos") - 1} << qint64(0)
        << (Keys(4, Qt::Key_N) + Keys{Qt::Key_PageDown})
        << Texts{ca(Messages::LevelBookmarks), ca(Messages::BookmarkNamed) + "1", "Dos."} << false;
    QTest::newRow("go to page 2") << Book << QList<qint64>{} << qint64(0)
                                  << Keys{Qt::Key_G, Qt::Key_2, Qt::Key_Return}
                                  << Texts{ca(Messages::GoToPagePrompt), "2",
                                           ca(Messages::PageNamed) + "2", "Quatre."}
                                  << false;
    QTest::newRow("go to: keypad digits and Backspace")
        << Book << QList<qint64>{} << at("Quatre")
        << Keys{int(Qt::Key_7) | OnKeypad, int(Qt::Key_1) | OnKeypad, int(Qt::Key_5) | OnKeypad,
                Qt::Key_Backspace, Qt::Key_Return}
        << Texts{ca(Messages::GoToPagePrompt),  "1",     "5", ca(Messages::DigitRemoved) + "5",
                 ca(Messages::PageNamed) + "1", "Inici."}
        << false;
    QTest::newRow("go to a page the book lacks is refused")
        << Book << QList<qint64>{} << at("Dos") << Keys{Qt::Key_G, Qt::Key_9, Qt::Key_Return}
        << Texts{ca(Messages::NoSuchPageBefore) + "9" + ca(Messages::NoSuchPageFirst) + "1" +
                 ca(Messages::NoSuchPageLast) + "2"}
        << true;
    QTest::newRow("go to cancelled by another key")
        << Book << QList<qint64>{} << at("Dos") << Keys{Qt::Key_G, Qt::Key_3, Qt::Key_C}
        << Texts{ca(Messages::GoToPagePrompt), "3", ca(Messages::GoToCancelled)} << true;
    const qint64 quatre = at("Quatre") - 1;
    QTest::newRow("where am I") << Book << QList<qint64>{} << quatre << Keys{Qt::Key_I}
                                << Texts{"Llibre. CHAPTER II. " + ca(Messages::PageNamed) + "2" +
                                         ca(Messages::PageOf) + "2. " + ca(Messages::ShareRead) +
                                         QByteArray::number(quatre * 100 / Book.size()) +
                                         ca(Messages::PerCent) + ". " +
                                         ca(Messages::LessThanAMinute)}
                                << true;
    QTest::newRow("help") << Book << QList<qint64>{} << qint64(0) << Keys{int(Qt::Key_8) | OnKeypad}
                          << Texts{ca(Messages::NavigationHelp)} << true;
    const QByteArray noPages = "U. Dos. Tres. Quatre.";
    QTest::newRow("go to a percentage of a book without pages")
        << noPages << QList<qint64>{} << qint64(0)
        << Keys{Qt::Key_G, Qt::Key_5, Qt::Key_0, Qt::Key_Return}
        << Texts{ca(Messages::GoToPercentPrompt), "5", "0", "50" + ca(Messages::PerCent), "Tres."}
        << false;
    QTest::newRow("a percentage over 100 is refused")
        << noPages << QList<qint64>{} << qint64(3)
        << Keys{Qt::Key_G, Qt::Key_1, Qt::Key_5, Qt::Key_0, Qt::Key_Return}
        << Texts{ca(Messages::NoSuchPercent)} << true;
}

void TestNavigationKeys::keys() {
    QFETCH(QByteArray, text);
    QFETCH(QList<qint64>, bookmarks);
    QFETCH(qint64, position);
    QFETCH(Keys, keys);
    QFETCH(Texts, expected);
    QFETCH(bool, stays);

    m_fixture.bookmarks = std::vector<qint64>(bookmarks.begin(), bookmarks.end());
    TFormPrincipal &form = m_fixture.makeForm();
    const QString book = m_fixture.writeBook(text);
    MainWindowFixture::pausedAt(book, position);
    // The structure of a plain text is found on a worker: until then the keys
    // say so.
    form.Hooks.bookOpened();
    const QByteArray beingRead = ca(Messages::StructureBeingRead);
    QTRY_VERIFY_WITH_TIMEOUT(form.Hooks.whereAmI(0) != beingRead, 30000);
    m_fixture.log().clear();

    for (const int key : keys) {
        m_fixture.press(key & ~OnKeypad, (key & OnKeypad) ? Qt::KeypadModifier : Qt::NoModifier);
    }
    if (!stays) {
        QVERIFY(m_fixture.log().waitUntil([](const QList<DoubleCall> &) {
            return State().BookFinished; // the run has read to the end of the book
        }));
    }
    WaitPumping(300); // a late text would have come by now

    const Texts texts = m_fixture.log().textsRead();
    qsizetype next = 0;
    for (const QByteArray &want : expected) {
        while (next < texts.size() && !texts[next].contains(want)) {
            ++next;
        }
        QVERIFY2(next < texts.size(), qPrintable(QString::fromUtf8(want) +
                                                 QStringLiteral(" not spoken in order; log:\n") +
                                                 m_fixture.log().dump()));
        ++next;
    }
    QVERIFY(!form.IsReading);
    if (stays) {
        QCOMPARE(State().SentenceStart, position);
        QVERIFY(!State().BookFinished);
    }
}

QTEST_MAIN(TestNavigationKeys)
#include "tst_navigationkeys.moc"

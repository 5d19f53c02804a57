// The book chooser dialog against the recording speech double: what the user
// hears at each move, where the focus goes, and what the dialog hands back.
#include "UnitFitxerGrafic.h"

#include "CancelButton.h"
#include "DoubleLog.h"
#include "Engines.h"
#include "FileListBox.h"
#include "FixedVolumes.h"
#include "FolderListBox.h"
#include "Messages.h"
#include "ReaderState.h"
#include "TestEnvironment.h"
#include "UnitUPCTV.h"
#include "VolumeComboBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

bool makeFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("Una frase. ") == 11;
}

// A prompt as the engine must receive it: the phrase of the active language, the
// variable part, letters A-Z lower-cased, and the blank SpeakText adds.
QByteArray heard(const Phrase &phrase, const QString &variable = QString()) {
    return lowerAsciiLetters(inActiveLanguage(phrase) + variable.toUtf8()) + ' ';
}

QByteArray heardAsIs(const Phrase &phrase) {
    return inActiveLanguage(phrase) + ' ';
}

QWidget *focused() {
    return QApplication::focusWidget();
}

} // namespace

class TestUnitFitxerGrafic : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void firstShowingEndsWithTheFileListPrompt_data();
    void firstShowingEndsWithTheFileListPrompt();
    void promptsAreLowerCasedLettersAToZOnly();
    void tabOrderAndEntryPrompts_data();
    void tabOrderAndEntryPrompts();
    void cancelButtonArrowsMoveTheFocus();
    void arrowReleaseAnnouncesTheBook_data();
    void arrowReleaseAnnouncesTheBook();
    void holdingDownAnnouncesOnlyWhereItStops();
    void enterOnABookReturnsItsPathSilently_data();
    void enterOnABookReturnsItsPathSilently();
    void chooseBookShowsModallyAndReturnsThePath();
    void enterInTheFolderListOpensTheFolder();
    void highlightedFolderIsNamedButNotOpened();
    void doubleClickOpensSilentlyAndKeepsTheFocus();
    void aFolderThatCannotBeEnteredIsSaid();
    void driveChangeApplied_data();
    void driveChangeApplied();
    void enterInTheOpenDropDownAppliesTheVolume();
    void keysDuringTheConfirmation_data();
    void keysDuringTheConfirmation();
    void driveChangeRefusedFallsBack_data();
    void driveChangeRefusedFallsBack();
    void unconfirmedDriveDroppedOnTab();
    void repeatKeys_data();
    void repeatKeys();
    void repeatThenTypeAheadInTheFolderList();
    void repeatThenSilentTypeAheadInTheFileList();
    void escapeAndCloseCancel_data();
    void escapeAndCloseCancel();
    void secondShowingKeepsFolderAndSelection();
    void everyControlIsDescribed_data();
    void everyControlIsDescribed();

private:
    QString books() const { return m_books; }
    void showDialog();
    // Spoken texts from the `from`-th on.
    QList<QByteArray> spokenFrom(qsizetype from) const;
    qsizetype spokenCount() const;
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void tabTo(QWidget *control);

    QTemporaryDir m_dir;
    QString m_root;
    QString m_books;
    QString m_vol1;
    QString m_vol2;
    QString m_startDirectory;
    std::unique_ptr<TestEnvironment> m_environment;
    std::shared_ptr<FixedVolumes> m_volumes;
    std::unique_ptr<TFormObrirRecurs> m_dialog;
};

void TestUnitFitxerGrafic::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_startDirectory = QDir::currentPath();
    // A capital letter in the tree's name shows that paths are lower-cased.
    m_root = QDir(m_dir.path()).canonicalPath() + u"/Arbre"_s;
    m_books = m_root + u"/Llibres"_s;
    m_vol1 = m_root + u"/Pen"_s;
    m_vol2 = m_root + u"/Disc"_s;
    QDir root(m_dir.path());
    for (const QString &folder : {u"Arbre/Llibres/Capitols"_s, u"Arbre/Llibres/buit"_s,
                                  u"Arbre/Llibres/nomes punt"_s, u"Arbre/Llibres/.amagat"_s,
                                  u"Arbre/Llibres/Zona/rius"_s, u"Arbre/Pen"_s, u"Arbre/Disc"_s}) {
        QVERIFY(root.mkpath(folder));
    }
    for (const QString &file :
         {u"Llibres/Alba.txt"_s, u"Llibres/BOSC.TXT"_s, u"Llibres/Càntic.txt"_s,
          u"Llibres/Capitols/c1.txt"_s, u"Llibres/Capitols/Rondalles.txt"_s,
          u"Llibres/Capitols/ÒPERA À.txt"_s, u"Llibres/nomes punt/.txt"_s, u"Pen/Viatge.txt"_s}) {
        QVERIFY(makeFile(m_root + u'/' + file));
    }
    Speech().setLibraryName(doubleEnginePath());
    QVERIFY(Speech().LoadSpeechLibrary());
}

void TestUnitFitxerGrafic::cleanupTestCase() {
    Speech().ReleaseSpeechLibrary();
    QDir::setCurrent(m_startDirectory);
}

void TestUnitFitxerGrafic::init() {
    m_environment = std::make_unique<TestEnvironment>();
    QVERIFY(m_environment->isValid());
    m_environment->setMsPerByte(1);
    Speech().CatalanActive = true;
    QVERIFY(QDir::setCurrent(m_books));
    m_volumes = std::make_shared<FixedVolumes>();
    m_volumes->list = {volumeAt(u"/"_s), volumeAt(m_vol2, VolumeKind::Optical),
                       volumeAt(m_vol1, VolumeKind::Removable)};
    m_volumes->unavailable = {m_vol2};
    m_dialog = std::make_unique<TFormObrirRecurs>(nullptr, m_volumes);
}

void TestUnitFitxerGrafic::cleanup() {
    m_dialog.reset();
    m_environment.reset();
    Speech().CatalanActive = true;
    State().ChosenBookPath.clear();
}

void TestUnitFitxerGrafic::showDialog() {
    m_dialog->show();
    m_dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    QCOMPARE(focused(), m_dialog->fileList());
}

QList<QByteArray> TestUnitFitxerGrafic::spokenFrom(qsizetype from) const {
    return m_environment->log().textsRead().mid(from);
}

qsizetype TestUnitFitxerGrafic::spokenCount() const {
    return m_environment->log().textsRead().size();
}

void TestUnitFitxerGrafic::press(int key, Qt::KeyboardModifiers modifiers) {
    QVERIFY(focused() != nullptr);
    QTest::keyClick(focused(), Qt::Key(key), modifiers);
}

void TestUnitFitxerGrafic::tabTo(QWidget *control) {
    for (int step = 0; step < 4 && focused() != control; ++step) {
        press(Qt::Key_Tab);
    }
    QCOMPARE(focused(), control);
}

void TestUnitFitxerGrafic::firstShowingEndsWithTheFileListPrompt_data() {
    QTest::addColumn<bool>("catalan");
    QTest::newRow("Catalan") << true;
    QTest::newRow("Spanish") << false;
}

void TestUnitFitxerGrafic::firstShowingEndsWithTheFileListPrompt() {
    QFETCH(bool, catalan);
    Speech().CatalanActive = catalan;
    State().ChosenBookPath = u"/left/over.txt"_s;
    showDialog();
    // Filling the drive list says nothing: the showing speaks the prompts of
    // its focus moves only.
    const QList<QByteArray> expected{heard(Messages::FileListPrompt, m_books),
                                     heard(Messages::FolderListPrompt, m_books),
                                     heard(Messages::FileListPrompt, m_books)};
    QCOMPARE(spokenFrom(0), expected);
    QCOMPARE(State().ChosenBookPath, QString());
    QCOMPARE(m_dialog->lastConfirmedDrive(), u"/"_s);
    QCOMPARE(m_dialog->windowTitle(), u"Obrir llibre"_s);
}

void TestUnitFitxerGrafic::promptsAreLowerCasedLettersAToZOnly() {
    showDialog();
    QCOMPARE(spokenFrom(0).last(),
             QByteArray("Opció escollir llibre. Fes-ho amb tecles de cursor. Confirma amb RETURN. "
                        "TAB per canviar de disc o directori. Actualment estic en el directori: ")
                     .toLower() +
                 QFile::encodeName(m_books).toLower() + ' ');
    QVERIFY(m_dialog->folderList()->ChangeFolder(m_books + u"/Capitols"_s));
    press(Qt::Key_End);
    const qsizetype before = spokenCount();
    QTest::keyRelease(focused(), Qt::Key_Down);
    // "Ò" and "À" are not A-Z: they reach the engine as they are.
    QCOMPARE(spokenFrom(before), QList<QByteArray>{u"obrir llibre: Òpera À "_s.toUtf8()});
}

void TestUnitFitxerGrafic::tabOrderAndEntryPrompts_data() {
    QTest::addColumn<bool>("catalan");
    QTest::newRow("Catalan") << true;
    QTest::newRow("Spanish") << false;
}

void TestUnitFitxerGrafic::tabOrderAndEntryPrompts() {
    QFETCH(bool, catalan);
    Speech().CatalanActive = catalan;
    showDialog();
    struct Step {
        Qt::KeyboardModifiers modifiers;
        QWidget *control;
        QByteArray text;
    };
    const QByteArray cancel = heardAsIs(Messages::CancelButtonFocused);
    const QList<Step> steps{
        {Qt::NoModifier, m_dialog->driveList(), heard(Messages::DriveListPrompt, u"/"_s)},
        {Qt::NoModifier, m_dialog->folderList(), heard(Messages::FolderListPrompt, m_books)},
        {Qt::NoModifier, m_dialog->cancelButton(), cancel},
        {Qt::NoModifier, m_dialog->fileList(), heard(Messages::FileListPrompt, m_books)},
        {Qt::ShiftModifier, m_dialog->cancelButton(), cancel},
        {Qt::ShiftModifier, m_dialog->folderList(), heard(Messages::FolderListPrompt, m_books)},
        {Qt::ShiftModifier, m_dialog->driveList(), heard(Messages::DriveListPrompt, u"/"_s)},
        {Qt::ShiftModifier, m_dialog->fileList(), heard(Messages::FileListPrompt, m_books)},
    };
    QCOMPARE(cancel, catalan ? QByteArray("Botó Cancel.lar ") : QByteArray("Botón Cancelar "));
    for (const Step &step : steps) {
        const qsizetype before = spokenCount();
        press(Qt::Key_Tab, step.modifiers);
        QCOMPARE(focused(), step.control);
        QCOMPARE(spokenFrom(before), QList<QByteArray>{step.text});
    }
}

void TestUnitFitxerGrafic::cancelButtonArrowsMoveTheFocus() {
    showDialog();
    struct Step {
        int key;
        QWidget *to;
    };
    QWidget *cancel = m_dialog->cancelButton();
    const QList<Step> steps{{Qt::Key_Down, m_dialog->fileList()},
                            {Qt::Key_Right, m_dialog->fileList()},
                            {Qt::Key_Up, m_dialog->folderList()},
                            {Qt::Key_Left, m_dialog->folderList()}};
    for (const Step &step : steps) {
        tabTo(cancel);
        press(step.key);
        QCOMPARE(focused(), step.to);
    }
}

void TestUnitFitxerGrafic::arrowReleaseAnnouncesTheBook_data() {
    QTest::addColumn<bool>("catalan");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QByteArray>("said");
    const QList<int> down{Qt::Key_Down};
    QTest::newRow("first book") << true << "" << down << QByteArray("obrir llibre: alba ");
    QTest::newRow("second book, Spanish") << false << "" << QList<int>{Qt::Key_Down, Qt::Key_Down}
                                          << QByteArray("abrir libro: bosc ");
    QTest::newRow("accented name") << true << "" << QList<int>{Qt::Key_End, Qt::Key_Down}
                                   << u"obrir llibre: càntic "_s.toUtf8();
    QTest::newRow("Up counts too")
        << true << "" << QList<int>{Qt::Key_End, Qt::Key_Up} << QByteArray("obrir llibre: bosc ");
    QTest::newRow("no book, Catalan")
        << true << "/buit" << down << QByteArray("No hi ha cap fitxer TEXT en aquest directori ");
    QTest::newRow("no book, Spanish")
        << false << "/buit" << down
        << u"No hay ningún archivo TEXTO en este directorio "_s.toUtf8();
    QTest::newRow("bare extension has no name")
        << true << "/nomes punt" << down
        << QByteArray("No hi ha cap fitxer TEXT en aquest directori ");
    QTest::newRow("End says nothing") << true << "" << QList<int>{Qt::Key_End} << QByteArray();
    QTest::newRow("Page Down says nothing")
        << true << "" << QList<int>{Qt::Key_PageDown} << QByteArray();
    QTest::newRow("typing a letter says nothing")
        << true << "" << QList<int>{Qt::Key_B} << QByteArray();
}

void TestUnitFitxerGrafic::arrowReleaseAnnouncesTheBook() {
    QFETCH(bool, catalan);
    QFETCH(QString, folder);
    QFETCH(QList<int>, keys);
    QFETCH(QByteArray, said);
    Speech().CatalanActive = catalan;
    showDialog();
    QVERIFY(m_dialog->folderList()->ChangeFolder(m_books + folder));
    QList<QByteArray> expected;
    if (!said.isEmpty()) {
        expected.append(said);
    }
    for (int key : keys.first(keys.size() - 1)) {
        press(key);
    }
    const qsizetype before = spokenCount();
    QTest::keyPress(focused(), Qt::Key(keys.last()));
    QCOMPARE(spokenFrom(before), QList<QByteArray>{}); // the press says nothing
    QTest::keyRelease(focused(), Qt::Key(keys.last()));
    QCOMPARE(spokenFrom(before), expected);
}

void TestUnitFitxerGrafic::holdingDownAnnouncesOnlyWhereItStops() {
    showDialog();
    const qsizetype before = spokenCount();
    QWidget *list = m_dialog->fileList();
    QTest::keyPress(list, Qt::Key_Down);
    for (int repeat = 0; repeat < 2; ++repeat) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(list, &release);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(list, &press);
    }
    QCOMPARE(spokenFrom(before), QList<QByteArray>{});
    QTest::keyRelease(list, Qt::Key_Down);
    QCOMPARE(spokenFrom(before), QList<QByteArray>{u"obrir llibre: càntic "_s.toUtf8()});
}

void TestUnitFitxerGrafic::enterOnABookReturnsItsPathSilently_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("downs");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("path");
    QTest::newRow("book") << "" << 2 << int(Qt::NoModifier) << "/BOSC.TXT";
    QTest::newRow("keypad Enter") << "" << 1 << int(Qt::KeypadModifier) << "/Alba.txt";
    QTest::newRow("bare extension") << "/nomes punt" << 1 << int(Qt::NoModifier) << "/.txt";
    QTest::newRow("no book selected") << "" << 0 << int(Qt::NoModifier) << "";
    QTest::newRow("folder without books") << "/buit" << 1 << int(Qt::NoModifier) << "";
}

void TestUnitFitxerGrafic::enterOnABookReturnsItsPathSilently() {
    QFETCH(QString, folder);
    QFETCH(int, downs);
    QFETCH(int, modifiers);
    QFETCH(QString, path);
    showDialog();
    QVERIFY(m_dialog->folderList()->ChangeFolder(m_books + folder));
    for (int down = 0; down < downs; ++down) {
        press(Qt::Key_Down);
    }
    const qsizetype before = spokenCount();
    QWidget *list = m_dialog->fileList();
    QTest::keyClick(list, modifiers ? Qt::Key_Enter : Qt::Key_Return,
                    Qt::KeyboardModifiers(modifiers));
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(State().ChosenBookPath, path.isEmpty() ? QString() : m_books + folder + path);
    QCOMPARE(spokenFrom(before), QList<QByteArray>{});
}

void TestUnitFitxerGrafic::chooseBookShowsModallyAndReturnsThePath() {
    QPointer<TFormObrirRecurs> dialog = m_dialog.get();
    QTimer::singleShot(0, this, [dialog] {
        QTest::keyClick(dialog->fileList(), Qt::Key_Down);
        QTest::keyClick(dialog->fileList(), Qt::Key_Return);
    });
    // Never left hanging should the keys go astray.
    QTimer::singleShot(30000, this, [dialog] {
        if (dialog != nullptr) {
            dialog->reject();
        }
    });
    QCOMPARE(m_dialog->chooseBook(), m_books + u"/Alba.txt"_s);
    QCOMPARE(State().ChosenBookPath, m_books + u"/Alba.txt"_s);
}

void TestUnitFitxerGrafic::enterInTheFolderListOpensTheFolder() {
    showDialog();
    tabTo(m_dialog->folderList());
    qsizetype before = spokenCount();
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    QCOMPARE(spokenFrom(before),
             (QList<QByteArray>{heard(Messages::FolderHighlighted, m_books + u"/buit"_s),
                                heard(Messages::FolderHighlighted, m_books + u"/Capitols"_s)}));
    // Highlighting opens nothing, yet the file list's prompt names the line.
    QCOMPARE(m_dialog->fileList()->Directory(), m_books);
    before = spokenCount();
    press(Qt::Key_Return);
    const QString capitols = m_books + u"/Capitols"_s;
    QCOMPARE(focused(), m_dialog->fileList());
    QCOMPARE(spokenFrom(before), QList<QByteArray>{heard(Messages::FileListPrompt, capitols)});
    QCOMPARE(m_dialog->folderList()->Directory(), capitols);
    QCOMPARE(m_dialog->fileList()->Directory(), capitols);
    QCOMPARE(m_dialog->fileList()->count(), 3);
    QCOMPARE(QDir::currentPath(), capitols);
}

void TestUnitFitxerGrafic::highlightedFolderIsNamedButNotOpened() {
    showDialog();
    tabTo(m_dialog->folderList());
    press(Qt::Key_Down);
    const qsizetype before = spokenCount();
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    QCOMPARE(focused(), m_dialog->fileList());
    QCOMPARE(spokenFrom(before),
             (QList<QByteArray>{heardAsIs(Messages::CancelButtonFocused),
                                heard(Messages::FileListPrompt, m_books + u"/buit"_s)}));
    QCOMPARE(m_dialog->fileList()->Directory(), m_books);
    QCOMPARE(m_dialog->fileList()->count(), 3);
}

void TestUnitFitxerGrafic::doubleClickOpensSilentlyAndKeepsTheFocus() {
    showDialog();
    tabTo(m_dialog->folderList());
    FolderListBox *folders = m_dialog->folderList();
    const QPoint centre =
        folders->visualItemRect(folders->item(folders->highlightedLine() + 2)).center();
    const qsizetype before = spokenCount();
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, centre);
    const QString capitols = m_books + u"/Capitols"_s;
    QCOMPARE(folders->Directory(), capitols);
    QCOMPARE(m_dialog->fileList()->Directory(), capitols);
    QCOMPARE(focused(), folders);
    QCOMPARE(spokenFrom(before), QList<QByteArray>{heard(Messages::FolderHighlighted, capitols)});
}

void TestUnitFitxerGrafic::aFolderThatCannotBeEnteredIsSaid() {
    QVERIFY(QDir(m_books).mkdir(u"Vell"_s));
    showDialog();
    tabTo(m_dialog->folderList());
    FolderListBox *folders = m_dialog->folderList();
    const int vell = int(folders->lineTexts().indexOf(u"Vell"_s));
    folders->setCurrentRow(vell);
    press(Qt::Key_Down);
    press(Qt::Key_Up);
    QVERIFY(QDir(m_books + u"/Vell"_s).removeRecursively());
    const QStringList folderLines = folders->lineTexts();
    const QStringList fileLines = m_dialog->fileList()->lineTexts();
    const qsizetype before = spokenCount();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"cannot enter folder .*/Vell: "_s));
    press(Qt::Key_Return);
    QCOMPARE(spokenFrom(before),
             QList<QByteArray>{heard(Messages::FolderCannotBeEntered, m_books + u"/Vell"_s)});
    QCOMPARE(focused(), folders);
    QCOMPARE(folders->Directory(), m_books);
    QCOMPARE(folders->lineTexts(), folderLines);
    QCOMPARE(folders->highlightedLine(), vell);
    QCOMPARE(m_dialog->fileList()->lineTexts(), fileLines);
}

void TestUnitFitxerGrafic::driveChangeApplied_data() {
    QTest::addColumn<bool>("catalan");
    QTest::newRow("Catalan") << true;
    QTest::newRow("Spanish: the confirmation stays Catalan") << false;
}

void TestUnitFitxerGrafic::driveChangeApplied() {
    QFETCH(bool, catalan);
    Speech().CatalanActive = catalan;
    m_environment->setMsPerByte(5);
    showDialog();
    tabTo(m_dialog->driveList());
    qsizetype before = spokenCount();
    press(Qt::Key_End);
    QCOMPARE(spokenFrom(before), QList<QByteArray>{heard(Messages::DriveHighlighted, m_vol1)});
    QCOMPARE(m_dialog->folderList()->Directory(), m_books); // nothing applied yet

    const QByteArray applied = "he canviat al disc: " + QFile::encodeName(m_vol1).toLower() + ' ';
    before = spokenCount();
    press(Qt::Key_Return);
    QCOMPARE(spokenFrom(before),
             (QList<QByteArray>{applied, heard(Messages::FolderListPrompt, m_vol1)}));
    QCOMPARE(focused(), m_dialog->folderList());
    QCOMPARE(m_dialog->folderList()->Directory(), m_vol1);
    QCOMPARE(m_dialog->fileList()->lineTexts(), QStringList{u"Viatge.txt"_s});
    QCOMPARE(m_dialog->lastConfirmedDrive(), m_vol1);

    // The confirmation was heard to its end before the next prompt began.
    QList<DoubleCall> reads;
    for (const DoubleCall &call : m_environment->log().calls()) {
        if (call.name == u"upcTVRead") {
            reads.append(call);
        }
    }
    const DoubleCall &confirmation = reads.at(reads.size() - 2);
    QVERIFY2(reads.last().ms - confirmation.ms >= confirmation.text.size() * 5,
             qPrintable(m_environment->log().dump()));

    // Enter on the volume already shown: said again, nothing changes.
    press(Qt::Key_Tab, Qt::ShiftModifier);
    before = spokenCount();
    press(Qt::Key_Return);
    QCOMPARE(spokenFrom(before),
             (QList<QByteArray>{applied, heard(Messages::FolderListPrompt, m_vol1)}));
    QCOMPARE(m_dialog->folderList()->Directory(), m_vol1);
}

void TestUnitFitxerGrafic::enterInTheOpenDropDownAppliesTheVolume() {
    showDialog();
    tabTo(m_dialog->driveList());
    VolumeComboBox *drives = m_dialog->driveList();
    drives->showPopup();
    QTRY_VERIFY_WITH_TIMEOUT(drives->view()->isVisible(), 10000);
    QTest::keyClick(drives->view(), Qt::Key_End);
    const qsizetype before = spokenCount();
    QTest::keyClick(drives->view(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(m_dialog->folderList()->Directory(), m_vol1, 10000);
    // The offscreen platform leaves the closed drop-down the active window: ask
    // the dialog where its focus is.
    QCOMPARE(m_dialog->focusWidget(), m_dialog->folderList());
    QCOMPARE(m_dialog->lastConfirmedDrive(), m_vol1);
    const QByteArray applied = "he canviat al disc: " + QFile::encodeName(m_vol1).toLower() + ' ';
    QCOMPARE(spokenFrom(before),
             (QList<QByteArray>{heard(Messages::DriveHighlighted, m_vol1), applied,
                                heard(Messages::FolderListPrompt, m_vol1)}));
}

void TestUnitFitxerGrafic::keysDuringTheConfirmation_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Up moves the drive list meanwhile") << int(Qt::Key_Up);
    QTest::newRow("Esc closes the dialog meanwhile") << int(Qt::Key_Escape);
    QTest::newRow("Tab moves on meanwhile") << int(Qt::Key_Tab);
}

void TestUnitFitxerGrafic::keysDuringTheConfirmation() {
    QFETCH(int, key);
    m_environment->setMsPerByte(20); // the confirmation lasts about a second
    showDialog();
    tabTo(m_dialog->driveList());
    press(Qt::Key_End);
    QPointer<VolumeComboBox> drives = m_dialog->driveList();
    QTimer::singleShot(200, this, [drives, key] {
        if (drives != nullptr) {
            QTest::keyClick(drives, Qt::Key(key));
        }
    });
    const qsizetype before = spokenCount();
    press(Qt::Key_Return);
    // The volume applied is the one confirmed, whatever the list showed after.
    QCOMPARE(m_dialog->lastConfirmedDrive(), m_vol1);
    QCOMPARE(m_dialog->folderList()->Directory(), m_vol1);
    const QList<QByteArray> spoken = spokenFrom(before);
    QVERIFY(!spoken.isEmpty());
    QVERIFY(spoken.first().startsWith("he canviat al disc: "));
    if (key == Qt::Key_Escape) {
        // Closed meanwhile: no prompt of the folder list over the caller's words.
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(spoken.size(), 1);
    } else {
        QCOMPARE(focused(), m_dialog->folderList());
        QCOMPARE(m_dialog->driveList()->Drive(), m_vol1);
        QCOMPARE(spoken.last(), heard(Messages::FolderListPrompt, m_vol1));
    }
}

void TestUnitFitxerGrafic::driveChangeRefusedFallsBack_data() {
    QTest::addColumn<bool>("catalan");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("Catalan") << true << QByteArray("el disc: ")
                             << u" no està disponible. torno a l'anterior: "_s.toUtf8();
    QTest::newRow("Spanish") << false << QByteArray("el disco: ")
                             << u" no está disponible. vuelvo al anterior: "_s.toUtf8();
}

void TestUnitFitxerGrafic::driveChangeRefusedFallsBack() {
    QFETCH(bool, catalan);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    Speech().CatalanActive = catalan;
    showDialog();
    tabTo(m_dialog->driveList());
    press(Qt::Key_Down);
    QCOMPARE(m_dialog->driveList()->Drive(), m_vol2);
    const qsizetype from = spokenCount();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"volume .*/Disc is not available"_s));
    press(Qt::Key_Return);
    QCOMPARE(spokenFrom(from),
             (QList<QByteArray>{heard(Messages::DriveHighlighted, u"/"_s),
                                before + QFile::encodeName(m_vol2).toLower() + after + "/ "}));
    QCOMPARE(focused(), m_dialog->driveList());
    QCOMPARE(m_dialog->driveList()->Drive(), u"/"_s);
    QCOMPARE(m_dialog->lastConfirmedDrive(), u"/"_s);
    QCOMPARE(m_dialog->folderList()->Directory(), m_books);
    QCOMPARE(m_dialog->fileList()->Directory(), m_books);
}

void TestUnitFitxerGrafic::unconfirmedDriveDroppedOnTab() {
    showDialog();
    tabTo(m_dialog->driveList());
    press(Qt::Key_End);
    const qsizetype before = spokenCount();
    press(Qt::Key_Tab);
    QCOMPARE(spokenFrom(before), (QList<QByteArray>{heard(Messages::DriveHighlighted, u"/"_s),
                                                    heard(Messages::FolderListPrompt, m_books)}));
    QCOMPARE(m_dialog->driveList()->Drive(), u"/"_s);
    QCOMPARE(m_dialog->folderList()->Directory(), m_books);
}

void TestUnitFitxerGrafic::repeatKeys_data() {
    QTest::addColumn<bool>("catalan");
    QTest::addColumn<int>("control");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    const QList<std::pair<const char *, int>> keys{
        {"r", int(Qt::NoModifier)}, {"R", int(Qt::ShiftModifier)}, {"F3", int(Qt::NoModifier)}};
    for (bool catalan : {true, false}) {
        for (int control = 0; control < 3; ++control) {
            for (const auto &[name, modifiers] : keys) {
                const char *controls[] = {"file list", "drive list", "folder list"};
                QTest::addRow("%s, %s, %s", controls[control], name,
                              catalan ? "Catalan" : "Spanish")
                    << catalan << control << int(name[0] == 'F' ? Qt::Key_F3 : Qt::Key_R)
                    << modifiers;
            }
        }
    }
}

void TestUnitFitxerGrafic::repeatKeys() {
    QFETCH(bool, catalan);
    QFETCH(int, control);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    Speech().CatalanActive = catalan;
    showDialog();
    const QList<QWidget *> controls{m_dialog->fileList(), m_dialog->driveList(),
                                    m_dialog->folderList()};
    const QList<QByteArray> prompts{heard(Messages::FileListPrompt, m_books),
                                    heard(Messages::DriveListRepeatPrompt, u"/"_s),
                                    heard(Messages::FolderListRepeatPrompt, m_books)};
    tabTo(controls.at(control));
    const qsizetype before = spokenCount();
    press(key, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(spokenFrom(before), QList<QByteArray>{prompts.at(control)});
    QCOMPARE(focused(), controls.at(control));
}

void TestUnitFitxerGrafic::repeatThenTypeAheadInTheFolderList() {
    showDialog();
    QVERIFY(m_dialog->folderList()->ChangeFolder(m_books + u"/Zona"_s));
    tabTo(m_dialog->folderList());
    const qsizetype before = spokenCount();
    press(Qt::Key_R);
    QCOMPARE(spokenFrom(before),
             (QList<QByteArray>{heard(Messages::FolderListRepeatPrompt, m_books + u"/Zona"_s),
                                heard(Messages::FolderHighlighted, m_books + u"/Zona/rius"_s)}));
}

void TestUnitFitxerGrafic::repeatThenSilentTypeAheadInTheFileList() {
    showDialog();
    const QString capitols = m_books + u"/Capitols"_s;
    QVERIFY(m_dialog->folderList()->ChangeFolder(capitols));
    const qsizetype before = spokenCount();
    press(Qt::Key_R, Qt::ShiftModifier);
    QCOMPARE(spokenFrom(before), QList<QByteArray>{heard(Messages::FileListPrompt, capitols)});
    QCOMPARE(m_dialog->fileList()->FileName(), capitols + u"/Rondalles.txt"_s);
}

void TestUnitFitxerGrafic::escapeAndCloseCancel_data() {
    QTest::addColumn<int>("control");
    QTest::addColumn<QString>("how");
    QTest::newRow("Esc in the file list") << 0 << "Esc";
    QTest::newRow("Esc in the drive list") << 1 << "Esc";
    QTest::newRow("Esc in the folder list") << 2 << "Esc";
    QTest::newRow("Esc on the button") << 3 << "Esc";
    QTest::newRow("Space on the button") << 3 << "Space";
    QTest::newRow("Enter on the button") << 3 << "Return";
    QTest::newRow("closing the window") << 0 << "close";
}

void TestUnitFitxerGrafic::escapeAndCloseCancel() {
    QFETCH(int, control);
    QFETCH(QString, how);
    showDialog();
    press(Qt::Key_Down); // a book is selected, and still nothing is chosen
    const QList<QWidget *> controls{m_dialog->fileList(), m_dialog->driveList(),
                                    m_dialog->folderList(), m_dialog->cancelButton()};
    tabTo(controls.at(control));
    const qsizetype before = spokenCount();
    if (how == u"close") {
        m_dialog->close();
    } else {
        press(how == u"Esc" ? Qt::Key_Escape : how == u"Space" ? Qt::Key_Space : Qt::Key_Return);
    }
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(State().ChosenBookPath, QString());
    QCOMPARE(spokenFrom(before), QList<QByteArray>{});
}

void TestUnitFitxerGrafic::secondShowingKeepsFolderAndSelection() {
    showDialog();
    const QString capitols = m_books + u"/Capitols"_s;
    QVERIFY(m_dialog->folderList()->ChangeFolder(capitols));
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    QCOMPARE(State().ChosenBookPath, capitols + u"/c1.txt"_s);

    qsizetype before = spokenCount();
    showDialog();
    QCOMPARE(State().ChosenBookPath, QString());
    QCOMPARE(spokenFrom(before), (QList<QByteArray>{heard(Messages::FolderListPrompt, capitols),
                                                    heard(Messages::FileListPrompt, capitols)}));
    QCOMPARE(m_dialog->folderList()->Directory(), capitols);
    QCOMPARE(m_dialog->fileList()->FileName(), capitols + u"/c1.txt"_s);

    // Closed from the drive list with a volume selected but not confirmed: the
    // next showing drops it before anything else.
    tabTo(m_dialog->driveList());
    press(Qt::Key_End);
    press(Qt::Key_Escape);
    QVERIFY(!m_dialog->isVisible());
    before = spokenCount();
    showDialog();
    QCOMPARE(spokenFrom(before), (QList<QByteArray>{heard(Messages::DriveHighlighted, u"/"_s),
                                                    heard(Messages::FileListPrompt, capitols),
                                                    heard(Messages::FolderListPrompt, capitols),
                                                    heard(Messages::FileListPrompt, capitols)}));
    QCOMPARE(m_dialog->driveList()->Drive(), u"/"_s);
    QCOMPARE(m_dialog->lastConfirmedDrive(), u"/"_s);
}

void TestUnitFitxerGrafic::everyControlIsDescribed_data() {
    QTest::addColumn<bool>("catalan");
    QTest::addColumn<QString>("fileListName");
    QTest::newRow("Catalan") << true << "Llibres";
    QTest::newRow("Spanish") << false << "Libros";
}

void TestUnitFitxerGrafic::everyControlIsDescribed() {
    QFETCH(bool, catalan);
    QFETCH(QString, fileListName);
    Speech().CatalanActive = catalan;
    showDialog();
    QCOMPARE(m_dialog->fileList()->accessibleName(), fileListName);
    for (QWidget *control : {static_cast<QWidget *>(m_dialog->fileList()),
                             static_cast<QWidget *>(m_dialog->driveList()),
                             static_cast<QWidget *>(m_dialog->folderList()),
                             static_cast<QWidget *>(m_dialog->cancelButton())}) {
        QVERIFY(!control->accessibleName().isEmpty());
        QVERIFY(!control->accessibleDescription().isEmpty());
    }
}

QTEST_MAIN(TestUnitFitxerGrafic)
#include "tst_unitfitxergrafic.moc"

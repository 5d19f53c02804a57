#include "UnitFitxerGrafic.h"

#include "BookFormat.h"
#include "CancelButton.h"
#include "FileListBox.h"
#include "FolderListBox.h"
#include "Messages.h"
#include "PathRules.h"
#include "ReaderState.h"
#include "SpeakAndWait.h"
#include "UnitUPCTV.h"
#include "VirtualKeys.h"
#include "VolumeComboBox.h"
#include "VolumeSource.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

#include <utility>

namespace {

// What a screen reader says about each control, in the active language. These
// are never spoken by the dialog itself.
struct Description {
    const char16_t *catalanName;
    const char16_t *spanishName;
    const char16_t *catalanHelp;
    const char16_t *spanishHelp;
};

constexpr Description FileListDescription{u"Llibres", u"Libros",
                                          u"Fletxes per triar el llibre, Retorn per obrir-lo",
                                          u"Flechas para elegir el libro, Intro para abrirlo"};
constexpr Description DriveListDescription{
    u"Discs", u"Discos", u"Fletxes per triar el disc, Retorn per canviar-hi",
    u"Flechas para elegir el disco, Intro para cambiar a él"};
constexpr Description FolderListDescription{
    u"Directoris", u"Directorios", u"Fletxes per triar el directori, Retorn per obrir-lo",
    u"Flechas para elegir el directorio, Intro para abrirlo"};
constexpr Description CancelDescription{u"Cancel.lar", u"Cancelar", u"Tanca sense obrir cap llibre",
                                        u"Cierra sin abrir ningún libro"};

void describe(QWidget *control, const Description &description) {
    const bool catalan = Speech().CatalanActive;
    control->setAccessibleName(
        QString::fromUtf16(catalan ? description.catalanName : description.spanishName));
    control->setAccessibleDescription(
        QString::fromUtf16(catalan ? description.catalanHelp : description.spanishHelp));
}

// R repeats a prompt whatever Shift says; F3's code is that of a lower-case "r",
// so it repeats the prompt as well.
constexpr int KeyR = VirtualKey::LetterA + ('R' - 'A');
constexpr int KeyF3 = VirtualKey::F1 + 2;

bool isRepeatKey(int key) {
    return key == KeyR || key == KeyF3;
}

} // namespace

TFormObrirRecurs::TFormObrirRecurs(QWidget *parent, std::shared_ptr<VolumeSource> volumes)
    : QDialog(parent), LlistaArxius(new FileListBox(this)), DriveComboBox(new VolumeComboBox(this)),
      DirectoryListBox(new FolderListBox(this)),
      BitBtnCancelar(new CancelButton(QStringLiteral("Cancel.lar"), this)),
      LabelTria(new QLabel(QStringLiteral("Tria el fitxer:"), this)),
      m_volumes(volumes ? std::move(volumes) : systemVolumeSource()) {
    setWindowTitle(QStringLiteral("Obrir llibre"));
    LlistaArxius->setMask(BookFormats::chooserMask());
    DirectoryListBox->setFileList(LlistaArxius);
    LabelTria->setFocusPolicy(Qt::NoFocus);
    LabelTria->setBuddy(LlistaArxius);
    placeControls();

    connect(DriveComboBox, &VolumeComboBox::driveChanged, this,
            &TFormObrirRecurs::DriveComboBoxChange);
    connect(DirectoryListBox, &FolderListBox::lineClicked, this,
            &TFormObrirRecurs::DirectoryListBoxClick);
    connect(DirectoryListBox, &FolderListBox::cannotEnter, this,
            &TFormObrirRecurs::folderCannotBeEntered);
    connect(LlistaArxius, &FileListBox::changed, this, &TFormObrirRecurs::LlistaArxiusChange);
    connect(BitBtnCancelar, &QPushButton::clicked, this, &QDialog::reject);
    for (QWidget *control :
         {static_cast<QWidget *>(LlistaArxius), static_cast<QWidget *>(DriveComboBox),
          static_cast<QWidget *>(DirectoryListBox), static_cast<QWidget *>(BitBtnCancelar)}) {
        control->installEventFilter(this);
    }
    // Keys typed while the drive list's drop-down is open go to its view.
    DriveComboBox->view()->installEventFilter(this);
}

TFormObrirRecurs::~TFormObrirRecurs() {
    // The controls outlive this part of the object: no handler may run for the
    // focus moves of their destruction.
    for (QObject *control : children()) {
        control->removeEventFilter(this);
    }
    DriveComboBox->view()->removeEventFilter(this);
}

QString TFormObrirRecurs::chooseBook() {
    exec();
    return State().ChosenBookPath;
}

void TFormObrirRecurs::placeControls() {
    // The window's outer size is 358 x 243; its frame and caption take 8 and 27
    // pixels of that, and the controls keep their places in what is left.
    setFixedSize(350, 216);
    LlistaArxius->setGeometry(8, 14, 161, 171);
    DriveComboBox->setGeometry(8, 192, 161, DriveComboBox->sizeHint().height());
    DirectoryListBox->setGeometry(176, 14, 161, 155);
    BitBtnCancelar->setGeometry(256, 176, 81, 33);
    LabelTria->move(176, 16);
    LabelTria->adjustSize();
    // The label lies under the folder list, as a label drawn on the window itself
    // would; it names the file list for screen readers.
    LabelTria->lower();
    setTabOrder(LlistaArxius, DriveComboBox);
    setTabOrder(DriveComboBox, DirectoryListBox);
    setTabOrder(DirectoryListBox, BitBtnCancelar);
}

void TFormObrirRecurs::describeControls() {
    setAccessibleName(windowTitle());
    describe(LlistaArxius, FileListDescription);
    describe(DriveComboBox, DriveListDescription);
    describe(DirectoryListBox, FolderListDescription);
    describe(BitBtnCancelar, CancelDescription);
}

void TFormObrirRecurs::readEntriesOnce() {
    if (DriveComboBox->entriesRead()) {
        return;
    }
    const QList<Volume> volumes = m_volumes->volumes();
    DirectoryListBox->setVolumes(m_volumes, VolumeList::mountPoints(volumes));
    DirectoryListBox->ensureLinesRead();
    LlistaArxius->ensureEntriesRead();
    DriveComboBox->readEntries(volumes, DirectoryListBox->Directory());
}

// Qt shows the child controls before the dialog's own show handler runs, and the
// folder list files its first folder under a volume as it reads its lines then:
// the volumes must be known before any control is shown.
void TFormObrirRecurs::setVisible(bool visible) {
    if (visible) {
        readEntriesOnce();
    }
    QDialog::setVisible(visible);
}

void TFormObrirRecurs::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    if (!m_centred && screen() != nullptr) {
        m_centred = true;
        move(screen()->availableGeometry().center() - rect().center());
    }
    FormShow();
}

bool TFormObrirRecurs::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::FocusIn:
        if (watched != DriveComboBox->view()) {
            controlEntered(static_cast<QWidget *>(watched));
        }
        break;
    case QEvent::KeyPress:
        keyDown(watched, windowsVirtualKey(*static_cast<QKeyEvent *>(event)));
        break;
    case QEvent::KeyRelease: {
        // Only the last release of a held key counts: holding Down announces
        // only the book on which the selection stops.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (watched == LlistaArxius && !key->isAutoRepeat()) {
            LlistaArxiusKeyUp(windowsVirtualKey(*key));
        }
        break;
    }
    default:
        break;
    }
    // No handler consumes a key: the control's own handling follows.
    return QDialog::eventFilter(watched, event);
}

void TFormObrirRecurs::keyDown(QObject *control, int key) {
    if (control == DriveComboBox->view()) {
        // The drop-down takes the highlighted volume and closes on its own
        // handling of the key, after this: the drive list's handler runs then.
        QMetaObject::invokeMethod(
            this, [this, key] { DriveComboBoxKeyDown(key); }, Qt::QueuedConnection);
    } else if (control == LlistaArxius) {
        LlistaArxiusKeyDown(key);
    } else if (control == DriveComboBox) {
        DriveComboBoxKeyDown(key);
    } else if (control == DirectoryListBox) {
        DirectoryListBoxKeyDown(key);
    }
}

void TFormObrirRecurs::moveFocusTo(QWidget *control) {
    // With the window active, setFocus runs the handlers through the focus event
    // already; before the window is active (while it is being shown) it only
    // records the focus, and the handlers run here.
    control->setFocus(Qt::OtherFocusReason);
    controlEntered(control);
}

void TFormObrirRecurs::controlEntered(QWidget *control) {
    if (control == m_activeControl) {
        return;
    }
    QWidget *previous = std::exchange(m_activeControl, control);
    if (previous == DriveComboBox) {
        DriveComboBoxExit();
    }
    if (control == LlistaArxius) {
        LlistaArxiusEnter();
    } else if (control == DriveComboBox) {
        DriveComboBoxEnter();
    } else if (control == DirectoryListBox) {
        DirectoryListBoxEnter();
    } else if (control == BitBtnCancelar) {
        BitBtnCancelarEnter();
    }
}

QByteArray TFormObrirRecurs::prompt(const Phrase &phrase, const QByteArray &variable) {
    return lowerAsciiLetters(inActiveLanguage(phrase) + variable);
}

QByteArray TFormObrirRecurs::folderPath() const {
    return DirectoryListBox->LinePath(DirectoryListBox->highlightedLine()).toUtf8();
}

void TFormObrirRecurs::FormShow() {
    readEntriesOnce();
    describeControls();
    moveFocusTo(LlistaArxius);
    LastConfirmedDrive = DriveComboBox->Drive();
    State().ChosenBookPath.clear();
    moveFocusTo(DirectoryListBox);
    moveFocusTo(LlistaArxius);
}

void TFormObrirRecurs::BitBtnCancelarEnter() {
    Speech().SpeakText(inActiveLanguage(Messages::CancelButtonFocused));
}

void TFormObrirRecurs::LlistaArxiusEnter() {
    Speech().SpeakText(prompt(Messages::FileListPrompt, folderPath()));
}

void TFormObrirRecurs::LlistaArxiusKeyDown(int key) {
    if (key == VirtualKey::Return) {
        State().ChosenBookPath = LlistaArxius->FileName();
        accept();
    } else if (isRepeatKey(key)) {
        LlistaArxiusEnter();
    }
}

void TFormObrirRecurs::LlistaArxiusKeyUp(int key) {
    if (key != VirtualKey::Up && key != VirtualKey::Down) {
        return;
    }
    const QString book = PathRules::bookName(LlistaArxius->FileName());
    if (book.isEmpty()) {
        Speech().SpeakText(inActiveLanguage(Messages::NoBookInFolder));
    } else {
        Speech().SpeakText(prompt(Messages::OpenBookName, book.toUtf8()));
    }
}

void TFormObrirRecurs::LlistaArxiusChange() {
    // A new selection is announced on the release of the arrow key, not here.
}

void TFormObrirRecurs::DriveComboBoxEnter() {
    Speech().SpeakText(
        prompt(Messages::DriveListPrompt, PathRules::spokenDrive(DriveComboBox->Drive())));
}

void TFormObrirRecurs::DriveComboBoxChange() {
    Speech().SpeakText(
        prompt(Messages::DriveHighlighted, PathRules::spokenDrive(DriveComboBox->Drive())));
}

void TFormObrirRecurs::DriveComboBoxKeyDown(int key) {
    if (isRepeatKey(key)) {
        Speech().SpeakText(prompt(Messages::DriveListRepeatPrompt,
                                  PathRules::spokenDrive(DriveComboBox->Drive())));
        return;
    }
    if (key != VirtualKey::Return) {
        return;
    }
    const QString drive = DriveComboBox->Drive();
    if (const FolderResult result = DirectoryListBox->SelectDrive(drive); !result) {
        qWarning().noquote()
            << QStringLiteral("zelvora: volume %1 is not available: %2").arg(drive, result.error);
        DriveComboBox->SelectDrive(LastConfirmedDrive);
        Speech().SpeakText(lowerAsciiLetters(inActiveLanguage(Messages::DriveUnavailableBefore) +
                                             PathRules::spokenDrive(drive) +
                                             inActiveLanguage(Messages::DriveUnavailableAfter) +
                                             PathRules::spokenDrive(LastConfirmedDrive)));
        return;
    }
    // The volume applied is the confirmed one from now on, already during the
    // confirmation: a Tab pressed meanwhile leaves the drive list, which then goes
    // back to this volume and not to the one the folder list has just left. Keys
    // handled during the wait may move the list's selection; it is not what was
    // applied.
    LastConfirmedDrive = drive;
    LlegirFinsQueSAcabi(
        lowerAsciiLetters(QByteArray(Messages::DriveApplied) + PathRules::spokenDrive(drive)));
    if (isVisible()) {
        moveFocusTo(DirectoryListBox);
    }
}

void TFormObrirRecurs::DriveComboBoxExit() {
    DriveComboBox->SelectDrive(LastConfirmedDrive);
}

void TFormObrirRecurs::DirectoryListBoxEnter() {
    Speech().SpeakText(prompt(Messages::FolderListPrompt, folderPath()));
}

void TFormObrirRecurs::DirectoryListBoxClick() {
    Speech().SpeakText(prompt(Messages::FolderHighlighted, folderPath()));
}

void TFormObrirRecurs::DirectoryListBoxKeyDown(int key) {
    if (key == VirtualKey::Return) {
        // A failure is reported by the list's own handling of the same Enter,
        // which follows this handler and finds the folder closed again.
        if (DirectoryListBox->OpenHighlightedLine()) {
            moveFocusTo(LlistaArxius);
        }
    } else if (isRepeatKey(key)) {
        Speech().SpeakText(prompt(Messages::FolderListRepeatPrompt, folderPath()));
    }
}

void TFormObrirRecurs::folderCannotBeEntered(const QString &path, const QString &reason) {
    qWarning().noquote() << QStringLiteral("zelvora: cannot enter folder %1: %2").arg(path, reason);
    Speech().SpeakText(prompt(Messages::FolderCannotBeEntered, path.toUtf8()));
}

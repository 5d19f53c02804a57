#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>

#include <memory>

class CancelButton;
class FileListBox;
class FolderListBox;
class QLabel;
class VolumeComboBox;
class VolumeSource;
struct Phrase;

// The book chooser: a modal dialog in which a blind user picks the book to read
// with a drive list, a folder list and a file list of books (BookFormats), hearing every
// move. Create it once and show it with exec() (or chooseBook()) as often as
// needed: its lists keep their volume, folder and selection between showings.
//
// Result: State().ChosenBookPath, emptied at every showing and set only by Enter
// in the file list (to the selected file's full path; empty when the folder has no
// book). An empty path after the dialog has closed means nothing was chosen; the
// dialog's own result code carries no meaning. UI thread only.
class TFormObrirRecurs : public QDialog {
    Q_OBJECT
public:
    // `volumes` supplies the drive list; the system's mounted volumes by default.
    explicit TFormObrirRecurs(QWidget *parent = nullptr,
                              std::shared_ptr<VolumeSource> volumes = nullptr);
    ~TFormObrirRecurs() override;

    // Shows the dialog modally and returns State().ChosenBookPath.
    QString chooseBook();

    FileListBox *fileList() const { return LlistaArxius; }
    VolumeComboBox *driveList() const { return DriveComboBox; }
    FolderListBox *folderList() const { return DirectoryListBox; }
    CancelButton *cancelButton() const { return BitBtnCancelar; }
    // The volume last applied to the folder list.
    QString lastConfirmedDrive() const { return LastConfirmedDrive; }

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void placeControls();
    void describeControls();
    void readEntriesOnce();
    void moveFocusTo(QWidget *control);
    void controlEntered(QWidget *control);
    void keyDown(QObject *control, int key);

    void FormShow();
    void BitBtnCancelarEnter();
    void LlistaArxiusEnter();
    void LlistaArxiusKeyDown(int key);
    void LlistaArxiusKeyUp(int key);
    void LlistaArxiusChange();
    void DriveComboBoxEnter();
    void DriveComboBoxChange();
    void DriveComboBoxKeyDown(int key);
    void DriveComboBoxExit();
    void DirectoryListBoxEnter();
    void DirectoryListBoxClick();
    void DirectoryListBoxKeyDown(int key);
    void folderCannotBeEntered(const QString &path, const QString &reason);

    // The spoken texts: a phrase in the active language with a variable part,
    // letters A-Z lower-cased.
    static QByteArray prompt(const Phrase &phrase, const QByteArray &variable);
    QByteArray folderPath() const;

    FileListBox *LlistaArxius;
    VolumeComboBox *DriveComboBox;
    FolderListBox *DirectoryListBox;
    CancelButton *BitBtnCancelar;
    QLabel *LabelTria;

    std::shared_ptr<VolumeSource> m_volumes;
    QString LastConfirmedDrive;
    // The control whose entry handler ran last: the focus as the handlers know it.
    // Window activation moves Qt's focus in and out without moving this.
    QWidget *m_activeControl = nullptr;
    bool m_centred = false;
};

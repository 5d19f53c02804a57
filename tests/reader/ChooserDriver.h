#pragma once

#include "FileListBox.h"
#include "UnitFitxerGrafic.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>

// Plays the user in the book chooser: once the chooser is up as the modal dialog,
// runs `answer` on it (send the keys a user would); the dialog is rejected should
// it still be open after 30 s, so that a test fails instead of hanging. Counts
// how many times the chooser was seen.
class ChooserDriver : public QObject {
public:
    using Answer = std::function<void(TFormObrirRecurs &)>;

    explicit ChooserDriver(Answer answer) : m_answer(std::move(answer)) {
        m_poll.setInterval(10);
        connect(&m_poll, &QTimer::timeout, this, &ChooserDriver::poll);
        m_poll.start();
    }

    // Down then Enter in the file list: the first book of the folder.
    static Answer firstBook() {
        return [](TFormObrirRecurs &chooser) {
            QTest::keyClick(chooser.fileList(), Qt::Key_Down);
            QTest::keyClick(chooser.fileList(), Qt::Key_Return);
        };
    }
    static Answer escape() {
        return [](TFormObrirRecurs &chooser) { QTest::keyClick(&chooser, Qt::Key_Escape); };
    }

    int timesShown() const { return m_shown; }

private:
    void poll() {
        auto *chooser = qobject_cast<TFormObrirRecurs *>(QApplication::activeModalWidget());
        if (chooser == nullptr || chooser == m_current) {
            return;
        }
        m_current = chooser;
        ++m_shown;
        QPointer<TFormObrirRecurs> guarded = chooser;
        QTimer::singleShot(30000, this, [guarded] {
            if (guarded != nullptr && guarded->isVisible()) {
                guarded->reject();
            }
        });
        // The same dialog shown again later is answered again.
        QTimer::singleShot(0, this, [this, guarded] {
            if (guarded != nullptr) {
                connect(guarded, &QDialog::finished, this, [this] { m_current = nullptr; });
                m_answer(*guarded);
            }
        });
    }

    Answer m_answer;
    QTimer m_poll;
    QPointer<TFormObrirRecurs> m_current;
    int m_shown = 0;
};

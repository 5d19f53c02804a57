// One whole session of the program, in a process of its own so that a test can
// run it as another user or under a file-size limit: start-up with the speech
// library given, the greeting, a reading run of the given book from the given
// position to its end, then the exit through the main window's close.
//
//   fault_session <speech library> <book> <position>
//
// The settings file is the program's (XDG_CONFIG_HOME); the double logs to
// UPCTV_DOUBLE_LOG. Exit status: 0 once the message loop has returned after the
// close, 3 when the greeting never came, 4 when the session did not end within a
// minute, 1 when start-up failed.
#include "DoubleLog.h"
#include "ReadBook.h"
#include "ReaderState.h"
#include "Startup.h"
#include "TFormPrincipal.h"
#include "UnitUPCTV.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

bool greeted(const DoubleLog &log) {
    return log.waitUntil([](const QList<DoubleCall> &calls) {
        return std::any_of(calls.begin(), calls.end(), [](const DoubleCall &call) {
            return call.hasText && call.text == State().IdleMenuText + ' ';
        });
    });
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fputs("usage: fault_session <speech library> <book> <position>\n", stderr);
        return 2;
    }
    Speech().setLibraryName(QFile::decodeName(argv[1]));
    const QString book = QFile::decodeName(argv[2]);
    const qint64 position = QByteArray(argv[3]).toLongLong();

    ShellHooks hooks;
    hooks.readBook = [](bool &isReading) { ReadBook(isReading); };
    Startup startup(hooks);
    if (!startup.start()) {
        return 1;
    }
    TFormPrincipal &form = *startup.mainWindow();
    QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(4); });
    QTimer::singleShot(0, &form, [&] {
        if (!greeted(DoubleLog(qEnvironmentVariable("UPCTV_DOUBLE_LOG")))) {
            QCoreApplication::exit(3);
            return;
        }
        ReaderState &state = State();
        state.BookPath = book;
        state.ReadPosition = state.SentenceStart = position;
        state.BookFinished = false;
        form.IsReading = true;
        form.ReadBook();
        form.close();
    });
    return startup.exec();
}

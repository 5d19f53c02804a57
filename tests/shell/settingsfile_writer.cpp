// Writes the settings file from a process of its own, for the tests of writers
// that are killed or that run side by side.
//
//   settingsfile_writer <settings file> same <key> <count>
//       writes <key> = 1, 2, ... <count> (0: until killed); prints "written" once
//       the first write has returned true
//   settingsfile_writer <settings file> distinct <key prefix> <count>
//       writes <key prefix><i> = i for i = 0 .. <count> - 1
//   settingsfile_writer <settings file> filesizelimit <key> <bytes>
//       with files limited to <bytes> (as on a full disk) writes <key> = 1
//   settingsfile_writer <settings file> exit <book> <count>
//       the exit's write of round k = 1, 2, ... <count> (0: until killed): position
//       k for <book>, speed k, Spanish when k is odd; prints "written" once the
//       first has returned true
//
// Exit status: 0 when every write returned true, 1 when one failed, 2 on misuse.
#include "SettingsFile.h"

#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>

int main(int argc, char *argv[]) {
    if (argc != 5) {
        std::fputs("usage: settingsfile_writer <file> same|distinct|filesizelimit|exit <key> <n>\n",
                   stderr);
        return 2;
    }
    SettingsFile settings(QFile::decodeName(argv[1]));
    // What is checked is that writers serialised by the lock lose nothing; on a
    // loaded machine a writer may wait for the other far longer than the
    // program's own give-up time, which another test checks.
    settings.setLockTimeout(std::chrono::minutes(2));
    const QString key = QString::fromUtf8(argv[3]);
    const qint64 count = QByteArray(argv[4]).toLongLong();
    bool allWritten = true;
    if (std::strcmp(argv[2], "same") == 0) {
        for (qint64 value = 1; count == 0 || value <= count; ++value) {
            allWritten = settings.writeBookPosition(key, value) && allWritten;
            if (value == 1) {
                std::puts(allWritten ? "written" : "failed");
                std::fflush(stdout);
            }
        }
    } else if (std::strcmp(argv[2], "exit") == 0) {
        for (int round = 1; count == 0 || round <= count; ++round) {
            allWritten =
                settings.writeExitSettings(key, round, round, round % 2 == 0) && allWritten;
            if (round == 1) {
                std::puts(allWritten ? "written" : "failed");
                std::fflush(stdout);
            }
        }
    } else if (std::strcmp(argv[2], "distinct") == 0) {
        for (qint64 i = 0; i < count; ++i) {
            allWritten = settings.writeBookPosition(key + QString::number(i), i) && allWritten;
        }
    } else if (std::strcmp(argv[2], "filesizelimit") == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // an over-long write then fails with EFBIG
        const rlimit limit{rlim_t(count), rlim_t(count)};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            return 2;
        }
        allWritten = settings.writeBookPosition(key, 1);
    } else {
        return 2;
    }
    return allWritten ? 0 : 1;
}

// A reading session's position saves, as fast as they come: writes the positions
// of many books, round after round, through the program's settings file
// (Settings(), at $XDG_CONFIG_HOME/zelvora/Tirova2001.ini), until it is killed.
//
//   positions_writer <books> <first round>
//       round r = <first round>, <first round> + 1, ...: book i (0 .. <books> - 1)
//       gets position r * 1000 + i; the book paths are PositionsWriterBook(i).
//       Prints "round <r>" once a round has been written completely.
//
// Exit status 1 as soon as a write fails (it never should), 2 on misuse.
#include "PositionsWriterBooks.h"
#include "SettingsFile.h"

#include <QByteArray>

#include <cstdio>

int main(int argc, char *argv[]) {
    if (argc != 3) {
        std::fputs("usage: positions_writer <books> <first round>\n", stderr);
        return 2;
    }
    const int books = QByteArray(argv[1]).toInt();
    const qint64 firstRound = QByteArray(argv[2]).toLongLong();
    if (books <= 0 || firstRound <= 0) {
        return 2;
    }
    // The session's writes must never fail for want of time: on a loaded machine
    // the lock may be held by the other writer far longer than the program's own
    // give-up time, which is not what this checks.
    Settings().setLockTimeout(std::chrono::minutes(2));
    for (qint64 round = firstRound;; ++round) {
        for (int i = 0; i < books; ++i) {
            if (!Settings().writeBookPosition(PositionsWriterBook(i), round * 1000 + i)) {
                std::fprintf(stderr, "write %d of round %lld failed\n", i,
                             static_cast<long long>(round));
                return 1;
            }
        }
        std::printf("round %lld\n", static_cast<long long>(round));
        std::fflush(stdout);
    }
}

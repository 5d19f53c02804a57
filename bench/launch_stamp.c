/* launch_stamp: notes when a program starts, then becomes that program.
 *
 *   launch_stamp STAMP-FILE PROGRAM [ARGS...]
 *
 * Writes "MONOTONIC_MS REALTIME_US" (CLOCK_MONOTONIC in milliseconds, as the
 * speech test double logs its calls, and CLOCK_REALTIME in microseconds, as
 * bash's EPOCHREALTIME) to STAMP-FILE and execs PROGRAM in the same process, so
 * the stamp is the program's start up to the exec itself. Exit status 127 when
 * the stamp cannot be written or the program cannot be run.
 * Used by bench/bench_program.sh.
 */
#include <stdio.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: launch_stamp STAMP-FILE PROGRAM [ARGS...]\n");
        return 127;
    }
    struct timespec mono, real;
    clock_gettime(CLOCK_MONOTONIC, &mono);
    clock_gettime(CLOCK_REALTIME, &real);
    FILE *stamp = fopen(argv[1], "w");
    if (stamp == NULL) {
        perror("launch_stamp");
        return 127;
    }
    fprintf(stamp, "%lld %lld\n", (long long)mono.tv_sec * 1000 + mono.tv_nsec / 1000000,
            (long long)real.tv_sec * 1000000 + real.tv_nsec / 1000);
    if (fclose(stamp) != 0) {
        perror("launch_stamp");
        return 127;
    }
    execvp(argv[2], argv + 2);
    perror("launch_stamp");
    return 127;
}

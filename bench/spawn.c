// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
/* Runs each command in turn, round after round, and prints the median wall time of
 * each (spawn to reap, in µs), so that drift on a shared machine hits all alike.
 *
 *   spawn ROUNDS 'CMD [ARG...]' 'CMD [ARG...]' ...
 *
 * A command is split on spaces; its output goes to /dev/null. */
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>

extern char **environ;

static int by_value(const void *a, const void *b)
{
    double x = *(const double *)a, y = *(const double *)b;
    return (x > y) - (x < y);
}

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    int rounds = atoi(argv[1]), n = argc - 2;
    char **args[n];
    double *times = calloc((size_t)n * (size_t)rounds, sizeof *times);
    for (int c = 0; c < n; ++c) {
        args[c] = calloc(strlen(argv[c + 2]) / 2 + 2, sizeof(char *));
        int k = 0;
        for (char *w = strtok(argv[c + 2], " "); w; w = strtok(NULL, " "))
            args[c][k++] = w;
    }
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", 1 /* O_WRONLY */, 0);
    for (int r = 0; r < rounds; ++r) {
        /* Each round starts one command later, so each follows every other alike. */
        for (int i = 0; i < n; ++i) {
            int c = (r + i) % n;
            struct timespec t0, t1;
            pid_t pid;
            int status;
            clock_gettime(CLOCK_MONOTONIC, &t0);
            if (posix_spawnp(&pid, args[c][0], &quiet, NULL, args[c], environ) != 0)
                return 1;
            waitpid(pid, &status, 0);
            clock_gettime(CLOCK_MONOTONIC, &t1);
            times[c * rounds + r] = (double)(t1.tv_sec - t0.tv_sec) * 1e6 + (double)(t1.tv_nsec - t0.tv_nsec) / 1e3;
        }
    }
    for (int c = 0; c < n; ++c) {
        qsort(times + c * rounds, (size_t)rounds, sizeof *times, by_value);
        printf("%.0f\n", times[c * rounds + rounds / 2]);
    }
    return 0;
}

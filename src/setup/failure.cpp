// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "setup/failure.h"

#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

pending_work pending;

void clean_up()
{
    for (int i = 0; i < 2; ++i) {
        if (pending.temp[i][0] != '\0') {
            unlinkat(pending.dir[i], pending.temp[i], 0);
            pending.temp[i][0] = '\0';
        }
    }
    for (int i = 1; i >= 0; --i) {
        if (pending.made[i][0] != '\0') {
            rmdir(pending.made[i]);
        }
    }
    if (pending.child > 0) {
        kill(pending.child, SIGTERM);
    }
}

// gcov counts nothing of a process that ends by a signal: the rows of
// tests/setup_test that signal setup prove this.
// GCOVR_EXCL_START
void on_signal(int sig)
{
    clean_up();
    signal(sig, SIG_DFL);
    raise(sig);
}
// GCOVR_EXCL_STOP

// Says why nothing was written, and ends with status 1.
[[noreturn]] __attribute__((format(printf, 1, 2))) void refuse(const char *format, ...)
{
    clean_up();
    va_list args;
    va_start(args, format);
    fputs("trivane-setup: ", stderr);
    vfprintf(stderr, format, args);
    va_end(args);
    fputs("\nNothing was written.\n", stderr);
    exit(1);
}

// A bad argument or combination of arguments: the usage, and status 2.
[[noreturn]] __attribute__((format(printf, 1, 2))) void misuse(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    fputs("trivane-setup: ", stderr);
    vfprintf(stderr, format, args);
    va_end(args);
    fprintf(stderr, "\n%s", usage);
    exit(2);
}

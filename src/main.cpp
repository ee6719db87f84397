// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "monitors/monitors.h"

#include <signal.h>
#include <stdio.h>

// Arguments and environment change nothing. Every outcome, a report cut short by a
// missing file included, ends with status 0.
int main()
{
    // The whole report leaves in one write at exit, also on a terminal. musl's
    // own buffer for stdout is static (BUFSIZ) and holds any usual report.
    setvbuf(stdout, nullptr, _IOFBF, 0);

    // A reader that has gone (a status bar that closed its end of the pipe) must not
    // kill the report with SIGPIPE, nor a file size limit (a log at its limit,
    // ulimit -f) with SIGXFSZ: blocked, they stay pending until the exit, and the
    // write fails like any other, unnoticed. One call keeps both away.
    sigset_t quiet;
    sigemptyset(&quiet);
    sigaddset(&quiet, SIGPIPE);
    sigaddset(&quiet, SIGXFSZ);
    sigprocmask(SIG_BLOCK, &quiet, nullptr);

    cpu_mon();
    brightness_mon();
    battery_mon();
    return 0;
}

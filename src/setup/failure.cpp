// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "setup/failure.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

// Setup takes few steps at a time: the copy and the devices file, their backups,
// two folders.
constexpr int MAX_STEPS = 8;

struct step {
    undo what;
    int dir;
    char name[NAME_MAX + 1];
    char backup[NAME_MAX + 1];
    bool open;
};

// Global, for the signal handler.
struct {
    step steps[MAX_STEPS];
    int count;
    pid_t child;
    void (*hook)();
} pending;

void take_back()
{
    for (int i = pending.count - 1; i >= 0; --i) {
        step &s = pending.steps[i];
        if (!s.open) {
            continue;
        }
        s.open = false;
        if (s.what == undo::put_back) {
            renameat(s.dir, s.backup, s.dir, s.name);
        } else {
            unlinkat(s.dir, s.name, s.what == undo::remove_folder ? AT_REMOVEDIR : 0);
        }
    }
    pending.count = 0;
    if (pending.child > 0) {
        kill(pending.child, SIGTERM);
    }
}

// gcov counts nothing of a process that ends by a signal: the rows of
// tests/setup_test that signal setup prove this.
// GCOVR_EXCL_START
void on_signal(int sig)
{
    take_back();
    signal(sig, SIG_DFL);
    raise(sig);
}
// GCOVR_EXCL_STOP

} // namespace

int begun(undo what, int dir, const char *name, const char *backup)
{
    // GCOVR_EXCL_START: a fault of setup's own, which no input reaches
    if (pending.count == MAX_STEPS) {
        refuse("too many steps at once: %s.", name);
    }
    // GCOVR_EXCL_STOP
    step &s = pending.steps[pending.count];
    s.what = what;
    // A descriptor of its own: the caller's may close before the step settles.
    s.dir = fcntl(dir, F_DUPFD_CLOEXEC, 0);
    snprintf(s.name, sizeof s.name, "%s", name);
    snprintf(s.backup, sizeof s.backup, "%s", backup);
    s.open = true;
    return pending.count++;
}

void settle(int step)
{
    pending.steps[step].open = false;
    close(pending.steps[step].dir);
}

void running(pid_t child) { pending.child = child; }

void on_refusal(void (*hook)()) { pending.hook = hook; }

void catch_signals()
{
    struct sigaction quit = {};
    quit.sa_handler = on_signal;
    const int signals[] = {SIGHUP, SIGINT, SIGTERM};
    for (const int sig : signals) {
        sigaction(sig, &quit, nullptr);
    }
    // A file size limit makes a write fail, which is refused like any other,
    // instead of killing setup before it can clean up.
    signal(SIGXFSZ, SIG_IGN);
}

[[noreturn]] void refuse(const char *format, ...)
{
    void (*hook)() = pending.hook;
    pending.hook = nullptr;
    take_back();
    if (hook != nullptr) {
        hook();
    }
    va_list args;
    va_start(args, format);
    fputs("trivane-setup: ", stderr);
    vfprintf(stderr, format, args);
    va_end(args);
    fputs("\nNothing was written.\n", stderr);
    exit(1);
}

[[noreturn]] void misuse(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    fputs("trivane-setup: ", stderr);
    vfprintf(stderr, format, args);
    va_end(args);
    fputs("\nTry 'trivane-setup --help'.\n", stderr);
    exit(2);
}

// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// How setup stops before its end: a refusal, a misuse or a signal. This is the one
// place that knows what to take back then: the steps begun are recorded here as
// they are taken and settled once they stand, and a stop undoes the open ones,
// newest first, with calls that are safe in a signal handler.
#pragma once

#include "setup/shown.h"

#include <stddef.h>
#include <sys/types.h>

enum class undo {
    remove_file,   // a file staged beside its target, or put where nothing was
    remove_folder, // a folder made for the copy
    put_back,      // a target replaced: its backup is renamed over it again
};

// Records a step to take back should setup stop, at the folder dir (the record
// keeps a descriptor of its own): the name, and for put_back the backup's name.
// Returns the step's number, for settle.
int begun(undo what, int dir, const char *name, const char *backup = "");
// The step stands: it is no longer taken back.
void settle(int step);
// The child running now, killed should setup stop; 0 for none.
void running(pid_t child);
// Called once, before the steps are taken back, where setup refuses (not on a
// signal): it may say what else changed.
void on_refusal(void (*hook)());

// Catches SIGHUP, SIGINT and SIGTERM, and makes a file size limit fail a write.
void catch_signals();

// Says why nothing was written, and ends with status 1.
[[noreturn]] __attribute__((format(printf, 1, 2))) void refuse(const char *format, ...);
// A bad argument or combination of arguments: one line, and status 2.
[[noreturn]] __attribute__((format(printf, 1, 2))) void misuse(const char *format, ...);

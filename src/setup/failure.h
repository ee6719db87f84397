// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// Refusals, misuse and signals: what setup must take away when it stops.
#pragma once

#include <limits.h>
#include <sys/types.h>

extern const char usage[];

// What a refusal or a signal must take away: temporary files not yet renamed
// over their targets, the folders made for a copy in ~/.local/bin, and a
// detector still running. Global, for the signal handler.
struct pending_work {
    int dir[2] = {-1, -1};
    char temp[2][NAME_MAX + 1] = {};
    char made[2][PATH_MAX] = {};
    pid_t child = 0;
};
extern pending_work pending;

void clean_up();
void on_signal(int sig);
[[noreturn]] __attribute__((format(printf, 1, 2))) void refuse(const char *format, ...);
[[noreturn]] __attribute__((format(printf, 1, 2))) void misuse(const char *format, ...);

// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// Bytes from a file or another user, as setup may show them on a terminal:
// printable ASCII, each other byte a '?' (no escape sequence reaches the
// terminal), cut to SHOWN_MAX - 1 characters with "..." at the end. The
// detector shows what it read the same way.
#pragma once

#include <stdio.h>
#include <string.h>

constexpr size_t SHOWN_MAX = 240;

struct shown {
    char text[SHOWN_MAX];
    shown(const char *bytes, size_t size)
    {
        const size_t keep = size < SHOWN_MAX ? size : SHOWN_MAX - 4;
        for (size_t i = 0; i < keep; ++i) {
            text[i] = bytes[i] >= ' ' && bytes[i] <= '~' ? bytes[i] : '?';
        }
        snprintf(text + keep, sizeof text - keep, "%s", keep < size ? "..." : "");
    }
    explicit shown(const char *string) : shown(string, strlen(string)) {}
};

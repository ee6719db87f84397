// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// A trivane as setup finds it: what a file holds, the trivane to copy, the stamp.
#pragma once

#include "monitors/paths.h"
#include "setup/files.h"
#include "setup/image.h"

// What a path holds, as setup sees it.
enum class holds {
    nothing,     // no such file
    other,       // a file that is not a trivane, or that cannot be read
    old_trivane, // a trivane of another version, or whose contents changed
    trivane,     // a trivane of this version, unchanged since its build
};

struct binary {
    holds what = holds::nothing;
    text file;
    image img = {};
    device_paths paths = {};
    char version[VERSION_SLOT] = "another version";
};

extern const char another_version[];
extern const char changed[];
const char *examine(binary &b);
void inspect(const char *path, binary &b);
void read_from(const char *path, binary &b);
int stamp(const char *path);

// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// A trivane as setup finds it: what a file holds, the trivane to copy, the stamp.
#pragma once

#include "monitors/paths.h"
#include "setup/files.h"
#include "setup/image.h"

// What a file is, to setup.
enum class verdict {
    nothing,       // no file there
    unreadable,    // a file setup cannot read, or not a regular one
    not_trivane,   // no trivane that setup can read (image_words says why)
    other_machine, // a trivane for another processor
    other_version, // a trivane of another version, or of another layout
    changed,       // a trivane of this version whose contents changed since its build
    trivane,       // a trivane of this version, as built
};

struct binary {
    verdict is = verdict::nothing;
    const char *image_words = nullptr; // why image_read took it for no trivane
    text file;
    image img = {};
    device_paths paths = {};
    char version[VERSION_SLOT] = "another version";
};

// Whether b.file is a trivane of this version whose contents are as built.
verdict examine(binary &b);
// What the file at p holds, a final link followed: never refused.
void inspect(const place &p, binary &b);
void inspect(const char *path, binary &b);
// The trivane to copy: this version's, as built; anything else is refused.
void read_from(const char *path, binary &b);
// Sets the contents hash and build-id of a trivane just linked.
int stamp(const char *path);

// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// A built trivane as trivane-setup reads it: from its ELF headers, only where its
// loaded contents lie, where its build-id is and where its paths section is, every
// offset checked against the file's size. Plain C headers, like the program: setup
// links the same small C library.
#pragma once

#include "monitors/paths.h"

#include <stddef.h>

constexpr unsigned IMAGE_MAX_LOADS = 16;

struct image_range {
    size_t at;
    size_t size;
};

struct image {
    unsigned char *data; // the whole file; not owned
    size_t size;
    image_range loads[IMAGE_MAX_LOADS]; // what the kernel maps: the hashed contents
    unsigned load_count;
    image_range section_fields[2]; // the ELF header's section table fields, which strip rewrites
    image_range build_id;          // the GNU build-id's bytes; size 0 if there is none
    size_t paths_at;               // where the device_paths struct lies
    unsigned machine;              // e_machine: the processor it is for
};

// Reads the headers of the file in data. Returns nullptr, or why it is not a
// trivane binary whose slots can be rewritten (in words for the user).
const char *image_read(image &img, unsigned char *data, size_t size);

// The file's paths, copied out (the file's bytes need not be aligned).
void image_paths(const image &img, device_paths &out);
void image_set_paths(image &img, const device_paths &in);

// SHA-1 of the loaded contents with the build-id, the contents hash and the
// section table fields taken as zeros: what strip and a rewritten build-id leave
// as it is.
void image_hash(const image &img, unsigned char out[CONTENTS_HASH_SIZE]);

// Writes the contents hash into the paths section and into the build-id.
// Returns false where the build-id is missing or not of the hash's size.
bool image_stamp(image &img);

// SHA-1 of a buffer, or of several pieces fed in turn.
struct sha1 {
    unsigned h[5];
    unsigned char block[64];
    size_t used;
    unsigned long long total;
};
void sha1_start(sha1 &s);
void sha1_add(sha1 &s, const unsigned char *data, size_t size);
void sha1_end(sha1 &s, unsigned char out[20]);

// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// Every read and write of setup's.
#pragma once

#include <limits.h>
#include <stddef.h>
#include <sys/types.h>

// Files setup reads: a trivane is some 30 KB; a saved configuration a few.
constexpr size_t MAX_FILE = size_t{8} << 20;

// Text that grows as it is read, a zero after its end: a file, or what a
// detector says.
struct text {
    char *data = nullptr;
    size_t size = 0;
};
void append(text &t, const char *bytes, size_t n);
bool read_file(const char *path, text &t);
const char *why_unread(int error);
void write_all(int fd, const unsigned char *data, size_t size, const char *path);

// Where a file is written: its folder, resolved link by link and opened, and its
// name in that folder.
struct target {
    char path[PATH_MAX]; // as given
    char folder[PATH_MAX];
    char name[NAME_MAX + 1];
    char full[PATH_MAX + NAME_MAX + 2];
    int dir;
};
target open_target(const char *path);
void check_target(const target &t);
void stage(int i, const target &t, const unsigned char *data, size_t size, mode_t mode);
void commit(int i, const target &t);
bool holds_bytes(const char *path, const unsigned char *data, size_t size);
void real_path(const char *path, char (&real)[PATH_MAX]);

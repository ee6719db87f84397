// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// Reading the kernel's sysfs attribute files: short text files, opened, read through
// a small buffer, closed, and parsed as decimal numbers (or copied out as text).
#pragma once

#include <stddef.h>

// One attribute's text: at most nine characters (a newline counts as one) and the
// terminating zero. Longer lines are read in chunks of nine.
constexpr size_t ATTR_BUF_SIZE = 10;
using attr_buf = char[ATTR_BUF_SIZE];
// The largest value a buffer holds: nine digits.
constexpr long long ATTR_VALUE_MAX = 999999999;

// Read buffer of an attribute stream. Attribute files are a few bytes; a larger
// one simply takes more reads.
constexpr size_t ATTR_IO_SIZE = 64;

// One open attribute file, read through its own buffer. It lives on the caller's
// stack: a report costs no allocation and no system call beyond open, read, close.
struct attr_stream {
    int fd = -1;
    bool at_end = false;
    size_t pos = 0;
    size_t len = 0;
    char io[ATTR_IO_SIZE];
};

// Opens an attribute file for reading; false if it cannot be opened (missing,
// unreadable, ...). Prints nothing.
bool attr_open(attr_stream &stream, const char *path);

// Opens an attribute file, or prints "Cannot open file" and ends the process with
// status 0 (flushing what the report already printed).
void attr_open_or_exit(attr_stream &stream, const char *path);

// What attr_open_or_exit does when its file cannot be opened, for a monitor whose
// several files could none be opened.
[[noreturn]] void attr_exit_unopened();

void attr_close(attr_stream &stream);

// Reads one chunk: characters up to the ninth, the first newline or end of file.
// Returns false, leaving buf exactly as it was, when no character came. A read
// error counts as end of file.
bool attr_read_first(attr_stream &stream, attr_buf &buf);

// Reads chunk after chunk until one brings nothing; buf keeps the file's last chunk.
void attr_read_last(attr_stream &stream, attr_buf &buf);

// Copies the rest of the file to standard output, byte for byte.
void attr_copy_out(attr_stream &stream);

// The file's next bytes, read into the stream's buffer where it holds none, and
// left there for the reads and the copy that follow: their count, 0 at end of
// file (or on a read error, which counts as end of file).
size_t attr_peek(attr_stream &stream);

// The decimal value of buf's text, by atoi's rules; text without digits is 0.
int attr_to_int(const attr_buf &buf);

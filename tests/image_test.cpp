// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// trivane-setup's SHA-1, which makes the contents hash and the build-id: the
// known answers of FIPS 180-4, and sha1sum's answers around the block size.
#include "setup/image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string hex(const unsigned char (&digest)[20])
{
    std::string text;
    for (const unsigned char byte : digest) {
        static const char digits[] = "0123456789abcdef";
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

// The digest of data, fed in pieces of at most piece bytes.
std::string digest(const std::string &data, std::size_t piece)
{
    sha1 s;
    sha1_start(s);
    for (std::size_t at = 0; at < data.size(); at += piece) {
        const std::size_t n = data.size() - at < piece ? data.size() - at : piece;
        sha1_add(s, reinterpret_cast<const unsigned char *>(data.data() + at), n);
    }
    unsigned char out[20];
    sha1_end(s, out);
    return hex(out);
}

TEST(Sha1, KnownAnswers)
{
    const struct {
        std::string message;
        const char *digest;
    } rows[] = {
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
         "lmnopqrsmnopqrstnopqrstu",
         "a49b2446a02c645bf419f995b67091253a04a259"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    for (const auto &row : rows) {
        for (const std::size_t piece :
             {std::size_t{1}, std::size_t{63}, std::size_t{64}, row.message.size() + 1}) {
            EXPECT_EQ(digest(row.message, piece), row.digest)
                << row.message.size() << " bytes in pieces of " << piece;
        }
    }
}

// What sha1sum says of data.
std::string sha1sum(const std::string &data)
{
    const char *tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp != nullptr ? tmp : "/tmp") + "/trivane-sha1-XXXXXX";
    const int fd = mkstemp(path.data());
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, data.data(), data.size()), static_cast<ssize_t>(data.size()));
    close(fd);
    FILE *p = popen(("sha1sum " + path).c_str(), "r");
    char line[128] = "";
    EXPECT_NE(std::fgets(line, sizeof line, p), nullptr);
    pclose(p);
    unlink(path.c_str());
    return std::string(line).substr(0, 40);
}

TEST(Sha1, AgreesWithSha1sumAroundTheBlock)
{
    // The padding takes a block of its own from 56 bytes on: every length of the
    // first three blocks, each fed whole and in odd pieces.
    std::string data;
    for (std::size_t length = 0; length <= 192; ++length) {
        const std::string expected = sha1sum(data);
        EXPECT_EQ(digest(data, data.size() + 1), expected) << length << " bytes whole";
        EXPECT_EQ(digest(data, 7), expected) << length << " bytes in pieces of 7";
        data += static_cast<char>(length * 37 + 11);
    }
}

} // namespace

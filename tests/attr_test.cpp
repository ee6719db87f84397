// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "attr/attr.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// A real file with the given bytes, removed when the test ends.
class TempFile {
  public:
    explicit TempFile(const std::string &bytes)
    {
        const char *tmp = std::getenv("TMPDIR");
        path_ = std::string(tmp != nullptr ? tmp : "/tmp") + "/trivane-attr-XXXXXX";
        const int fd = mkstemp(path_.data());
        EXPECT_GE(fd, 0);
        EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(fd);
    }
    ~TempFile() { unlink(path_.c_str()); }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;
    const char *path() const { return path_.c_str(); }

  private:
    std::string path_;
};

// Reads a file into a buffer that still holds an earlier file's "77\n".
std::string read_with(const std::string &bytes, bool last)
{
    TempFile file(bytes);
    attr_buf buf = "77\n";
    std::memset(buf + 4, 'x', ATTR_BUF_SIZE - 4);
    attr_stream stream;
    EXPECT_TRUE(attr_open(stream, file.path()));
    if (last) {
        attr_read_last(stream, buf);
    } else {
        attr_read_first(stream, buf);
    }
    attr_close(stream);
    EXPECT_NE(std::memchr(buf, '\0', ATTR_BUF_SIZE), nullptr) << "text not terminated";
    return buf;
}

struct ReadCase {
    const char *name;
    std::string bytes;
    const char *first; // buffer text after attr_read_first
    const char *last;  // buffer text after attr_read_last
    int first_value;
    int last_value;
};

class AttrRead : public testing::TestWithParam<ReadCase> {};

TEST_P(AttrRead, ChunksAndParse)
{
    const ReadCase &c = GetParam();
    const std::string first = read_with(c.bytes, false);
    const std::string last = read_with(c.bytes, true);
    EXPECT_EQ(first, c.first);
    EXPECT_EQ(last, c.last);
    attr_buf buf = {};
    std::strncpy(buf, first.c_str(), ATTR_BUF_SIZE - 1);
    EXPECT_EQ(attr_to_int(buf), c.first_value);
    std::strncpy(buf, last.c_str(), ATTR_BUF_SIZE - 1);
    EXPECT_EQ(attr_to_int(buf), c.last_value);
}

INSTANTIATE_TEST_SUITE_P(
    Attr, AttrRead,
    testing::Values(ReadCase{"OneLine", "42\n", "42\n", "42\n", 42, 42},
                    ReadCase{"TwoLines", "10\n20\n", "10\n", "20\n", 10, 20},
                    ReadCase{"NineDigitsEndInNewlineChunk", "123456789\n", "123456789", "\n",
                             123456789, 0},
                    ReadCase{"LongLineInChunksOfNine", "1234567890123\n", "123456789", "0123\n",
                             123456789, 123},
                    ReadCase{"NoFinalNewline", "7", "7", "7", 7, 7},
                    ReadCase{"SpacesAndSign", "  -5\n", "  -5\n", "  -5\n", -5, -5},
                    ReadCase{"PlusSign", "+8x\n", "+8x\n", "+8x\n", 8, 8},
                    ReadCase{"LettersOnly", "abc\n", "abc\n", "abc\n", 0, 0},
                    ReadCase{"NulStopsTheNumber",
                             std::string("12\0"
                                         "34\n",
                                         6),
                             "12", "12", 12, 12},
                    ReadCase{"EmptyKeepsEarlierText", "", "77\n", "77\n", 77, 77},
                    // Drivers that return one byte too many: the last chunk is the NUL.
                    ReadCase{"TrailingNul", std::string("980\n\0", 5), "980\n", "", 980, 0},
                    ReadCase{"CarriageReturn", "3383\r\n", "3383\r\n", "3383\r\n", 3383, 3383}),
    [](const testing::TestParamInfo<ReadCase> &p) { return std::string(p.param.name); });

TEST(Attr, ReadErrorCountsAsEndOfFile)
{
    // A directory opens for reading, but every read fails.
    attr_stream dir;
    ASSERT_TRUE(attr_open(dir, "/tmp"));
    attr_buf buf = "5\n";
    EXPECT_FALSE(attr_read_first(dir, buf));
    attr_read_last(dir, buf);
    attr_close(dir);
    EXPECT_STREQ(buf, "5\n");
}

TEST(Attr, OpenMissingFileGivesNothing)
{
    attr_stream stream;
    EXPECT_FALSE(attr_open(stream, "/nonexistent/trivane/attr"));
}

TEST(Attr, CopyOutIsByteExact)
{
    const std::string bytes("1\n\0\xff"
                            "no newline",
                            14);
    TempFile file(bytes);
    attr_stream stream;
    ASSERT_TRUE(attr_open(stream, file.path()));
    testing::internal::CaptureStdout();
    attr_copy_out(stream);
    std::fflush(stdout);
    attr_close(stream);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), bytes);
}

} // namespace

// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "report.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct PercentCase {
    int current;
    int maximum;
    const char *printed;
};

class Percent : public testing::TestWithParam<PercentCase> {};

TEST_P(Percent, PrintsExactDigits)
{
    const PercentCase &c = GetParam();
    testing::internal::CaptureStdout();
    report_percent("Level: %0.2f%\n", c.current, c.maximum);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string("Level: ") + c.printed + "%\n")
        << c.current << " / " << c.maximum;
}

INSTANTIATE_TEST_SUITE_P(
    Report, Percent,
    testing::Values(PercentCase{426, 852, "50.00"}, PercentCase{1, 3, "33.33"},
                    PercentCase{2, 3, "66.67"}, PercentCase{700, 800, "87.50"},
                    // Plain double arithmetic prints 14.37, 30.63 and 31.87 for these.
                    PercentCase{23, 160, "14.38"}, PercentCase{49, 160, "30.62"},
                    PercentCase{51, 160, "31.88"}, PercentCase{0, 852, "0.00"},
                    PercentCase{900, 800, "112.50"}, PercentCase{-1, 4, "-25.00"},
                    PercentCase{0, -5, "-0.00"}, PercentCase{INT_MAX, 1, "214748364700.00"},
                    PercentCase{INT_MIN, -1, "214748364800.00"}, PercentCase{5, 0, "inf"},
                    PercentCase{-5, 0, "-inf"}, PercentCase{0, 0, "-nan"}),
    [](const testing::TestParamInfo<PercentCase> &p) {
        // "Minus23Of160": stable across builds, so ctest -R can pick a row.
        const auto word = [](int v) {
            return (v < 0 ? "Minus" : "") + std::to_string(v < 0 ? -static_cast<long long>(v) : v);
        };
        return word(p.param.current) + "Of" + word(p.param.maximum);
    });

struct FormatCase {
    const char *format;
    const char *printed; // for 1 of 2
};

class Format : public testing::TestWithParam<FormatCase> {};

TEST_P(Format, OneConversionTheRestAsItStands)
{
    testing::internal::CaptureStdout();
    report_percent(GetParam().format, 1, 2);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), GetParam().printed);
}

INSTANTIATE_TEST_SUITE_P(
    Report, Format,
    testing::Values(
        // The two lines of the report, as their monitors write them.
        FormatCase{"Brightness: %0.2f%\n", "Brightness: 50.00%\n"},
        FormatCase{"Level: %0.2f%\n", "Level: 50.00%\n"},
        // The number once at most; a cut conversion is never read past its end.
        FormatCase{"%0.2f %0.2f", "50.00 %0.2f"}, FormatCase{"Cut: %0.2", "Cut: %0.2"},
        FormatCase{"%%0.2f%%", "%50.00%%"}, FormatCase{"%.2f %0.3f", "%.2f %0.3f"},
        FormatCase{"", ""}),
    [](const testing::TestParamInfo<FormatCase> &p) { return "Case" + std::to_string(p.index); });

TEST(Report, PlainDoubleWouldPrintOtherDigits)
{
    // Guards the table above: these rows only prove something if double and
    // extended arithmetic really disagree on them.
    const struct {
        double current;
        const char *extended;
    } rows[] = {{23, "14.38"}, {49, "30.62"}, {51, "31.88"}};
    for (const auto &row : rows) {
        volatile double current = row.current;
        char plain[16];
        std::snprintf(plain, sizeof plain, "%.2f", current / 160 * 100);
        EXPECT_STRNE(plain, row.extended);
    }
}

TEST(Report, Fixed2MatchesPrintf)
{
    // Ties such as 30.625 and 0.125 must go to even, and every double the
    // percentages can produce must round as printf rounds it.
    std::vector<double> values = {0.0,   -0.0, 0.005, 0.015,  0.125,          0.375,   30.625,
                                  2.675, 1e-9, -1e-9, 99.995, 214748364800.0, 1.0 / 3, -2.0 / 3};
    for (int max = 1; max <= 300; ++max) {
        for (int cur = -20; cur <= 2 * max; ++cur) {
            values.push_back(percent_of(cur, max));
        }
    }
    for (double v : values) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.2f", v);
        char text[FIXED2_SIZE];
        const std::size_t len = format_fixed2(v, text);
        ASSERT_EQ(std::string(text, len), expected) << std::hexfloat << v;
    }
}

} // namespace

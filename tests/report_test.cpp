// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "exact.h"
#include "monitors/paths.h"
#include "report.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
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
        // Each step stored as a double: i386 computes in the extended format.
        volatile double current = row.current;
        volatile double quotient = current / 160;
        volatile double product = quotient * 100;
        char plain[16];
        std::snprintf(plain, sizeof plain, "%.2f", product);
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

namespace {

// The percentage computed exactly with integers, apart from the extended format:
// the quotient rounded to 64 significant bits (to nearest, ties to even), times
// 100 rounded the same way, that rounded to 53 bits, then two decimals from that
// double's exact value. The quotient is found bit by bit, by long division.
struct binary {
    std::uint64_t m; // the significant bits
    int e;           // value m * 2^e
};

// Rounds away the low k bits of (hi, lo), to nearest, ties to even; the rest is
// below 2^64.
binary round_away(std::uint64_t hi, std::uint64_t lo, int k, int e)
{
    const std::uint64_t m = k == 0 ? lo : (lo >> k) | (k == 64 ? hi : hi << (64 - k));
    const std::uint64_t dropped = k == 0 ? 0 : lo & ((std::uint64_t{1} << k) - 1);
    const std::uint64_t half = k == 0 ? 1 : std::uint64_t{1} << (k - 1);
    const bool up = k > 0 && (dropped > half || (dropped == half && (m & 1) != 0));
    if (up && m == ~std::uint64_t{0}) {
        return {std::uint64_t{1} << 63, e + k + 1};
    }
    return {m + (up ? 1 : 0), e + k};
}

binary exact_quotient(std::uint64_t a, std::uint64_t b)
{
    // a / b = sum of the quotient bits; the first 64 significant ones, then the
    // round bit and whether anything is left.
    int pos = 63;
    while (((a >> pos) & 1) == 0) {
        --pos;
    }
    std::uint64_t r = 0;
    std::uint64_t m = 0;
    int bits = 0;
    int first = 0;
    bool round = false;
    for (;; --pos) {
        r = r * 2 + (pos >= 0 ? (a >> pos) & 1 : 0);
        const bool bit = r >= b;
        r -= bit ? b : 0;
        if (bits == 0 && !bit) {
            continue;
        }
        if (bits == 0) {
            first = pos;
        }
        if (bits == 64) {
            round = bit;
            break;
        }
        m = m * 2 + (bit ? 1 : 0);
        ++bits;
    }
    const bool sticky = r != 0 || [&] {
        for (int p = pos - 1; p >= 0; --p) {
            if (((a >> p) & 1) != 0) {
                return true;
            }
        }
        return false;
    }();
    binary q = {m, first - 63};
    if (round && (sticky || (m & 1) != 0)) {
        q = m == ~std::uint64_t{0} ? binary{std::uint64_t{1} << 63, q.e + 1} : binary{m + 1, q.e};
    }
    return q;
}

std::string exact_percent(long long current, long long maximum)
{
    if (maximum == 0) {
        return current > 0 ? "inf" : current < 0 ? "-inf" : "-nan";
    }
    const bool negative = current != 0 ? (current < 0) != (maximum < 0) : maximum < 0;
    if (current == 0) {
        return negative ? "-0.00" : "0.00";
    }
    const auto magnitude = [](long long v) {
        return v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    };
    const binary q = exact_quotient(magnitude(current), magnitude(maximum));
    // q.m * 100, in two halves, rounded to 64 bits: it has 70 or 71.
    const std::uint64_t low = (q.m & 0xffffffff) * 100;
    const std::uint64_t high = (q.m >> 32) * 100 + (low >> 32);
    const std::uint64_t hi = high >> 32;
    const std::uint64_t lo = (high << 32) | (low & 0xffffffff);
    int length = 64;
    while (((hi >> (length - 64)) & ~std::uint64_t{0}) != 0 && length < 128) {
        ++length;
    }
    const binary p = round_away(hi, lo, length - 64, q.e);
    const binary d = round_away(0, p.m, 11, p.e); // to a double's 53 bits
    // Two decimals from d's exact value: d.m * 100 * 2^d.e, rounded to an integer.
    const std::uint64_t n = d.m * 100;
    std::uint64_t cents = 0;
    if (d.e >= 0) {
        cents = n << d.e;
    } else if (-d.e < 63) {
        cents = round_away(0, n, -d.e, 0).m;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%s%llu.%02llu", negative ? "-" : "",
                  static_cast<unsigned long long>(cents / 100),
                  static_cast<unsigned long long>(cents % 100));
    return text;
}

std::string printed(long long current, long long maximum)
{
    char text[FIXED2_SIZE];
    return std::string(text, format_fixed2(percent_of(current, maximum), text));
}

TEST(Report, ExactModelOfTheDigits)
{
    // The hard cases first: ties and the inputs where double arithmetic differs.
    const long long rows[][2] = {{23, 160},       {49, 160},      {51, 160},     {1, 3},
                                 {2, 3},          {0, 5},         {0, -5},       {-1, 4},
                                 {5, 0},          {-5, 0},        {0, 0},        {INT_MAX, 1},
                                 {INT_MIN, -1},   {1, INT_MAX},   {-1, INT_MIN}, {999999999, 1},
                                 {3999999996, 1}, {1, 3999999996}};
    for (const auto &row : rows) {
        EXPECT_EQ(printed(row[0], row[1]), exact_percent(row[0], row[1]))
            << row[0] << " / " << row[1];
    }
}

TEST(Report, SumsOfBatteriesAgreeWithTheExactModel)
{
    // The machine's level: the sum of up to BATTERY_SLOTS batteries' present charges
    // over the sum of their full charges, each of at most nine digits, the present
    // ones possibly negative (a file of "-5"), the full ones above 0.
    std::mt19937_64 random(20261208);
    const auto value = [&](int digits) {
        static const long long tens[] = {1,      10,      100,      1000,      10000,
                                         100000, 1000000, 10000000, 100000000, 1000000000};
        return static_cast<long long>(random() % static_cast<std::uint64_t>(tens[digits]));
    };
    for (int i = 0; i < 200000; ++i) {
        const int batteries = 1 + static_cast<int>(random() % BATTERY_SLOTS);
        long long now = 0;
        long long full = 0;
        for (int b = 0; b < batteries; ++b) {
            const int digits = 1 + static_cast<int>(random() % 9);
            const long long f = 1 + value(digits);
            full += f > 999999999 ? 999999999 : f;
            now += random() % 16 == 0 ? -value(8) : value(digits);
        }
        ASSERT_EQ(printed(now, full), exact_percent(now, full)) << now << " / " << full;
    }
}

} // namespace

namespace {

std::string exact_printed(long long current, long long maximum)
{
    char text[FIXED2_SIZE];
    return std::string(text, exact_fixed2(exact_percent_of(current, maximum), text));
}

TEST(Digits, HardCases)
{
    // The integers' computation gives these digits, as the extended format does.
    const struct {
        long long current;
        long long maximum;
        const char *printed;
    } rows[] = {
        // Plain double arithmetic prints 14.37, 30.63 and 31.87.
        {23, 160, "14.38"},
        {49, 160, "30.62"},
        {51, 160, "31.88"},
        // A tie when the product by 100 is rounded to 64 bits, and when that is
        // rounded to 53; a double of exactly 30.625 and of 0.125, ties of the decimals.
        {9, 17, "52.94"},
        {41, 19, "215.79"},
        {1983, 823, "240.95"},
        {275, 873, "31.50"},
        {1, 800, "0.12"},
        {3, 2400, "0.12"},
        // Edges: zeros, signs, the ends of an int, sums of four batteries.
        {0, 852, "0.00"},
        {0, -5, "-0.00"},
        {-1, 4, "-25.00"},
        {5, 0, "inf"},
        {-5, 0, "-inf"},
        {0, 0, "-nan"},
        {INT_MAX, 1, "214748364700.00"},
        {INT_MIN, -1, "214748364800.00"},
        {INT_MIN, 1, "-214748364800.00"},
        {1, INT_MIN, "-0.00"},
        {1, 3999999996, "0.00"},
        {3999999996, 3999999996, "100.00"},
        {3999999995, 3999999996, "100.00"},
        {-399999999, 3999999996, "-10.00"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(exact_printed(row.current, row.maximum), row.printed)
            << row.current << " / " << row.maximum;
        EXPECT_EQ(printed(row.current, row.maximum), row.printed)
            << row.current << " / " << row.maximum;
    }
}

TEST(Digits, TwoDecimalsOfAnyDouble)
{
    // The integers' decimals are printf's, from the tiniest double to the largest
    // the report could print, and for every value a percentage can take.
    std::vector<double> values = {0.0,    -0.0,   5e-324, -1e-300, 0.005, 0.015,
                                  0.125,  2.675,  30.625, 1e15,    -1e15, 9007199254740992.0,
                                  7.2e16, 99.995, -0.125, 1.0 / 3};
    std::mt19937_64 random(8);
    for (int i = 0; i < 100000; ++i) {
        double v = 0;
        const std::uint64_t bits = (random() & 0x800fffffffffffff) |
                                   (std::uint64_t{970 + random() % 100} << 52); // 2^-53 to 2^47
        std::memcpy(&v, &bits, sizeof v);
        values.push_back(v);
    }
    for (const double v : values) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.2f", v);
        char text[FIXED2_SIZE];
        ASSERT_EQ(std::string(text, exact_fixed2(v, text)), expected) << std::hexfloat << v;
    }
    const double specials[] = {std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity()};
    for (const double v : specials) {
        char text[FIXED2_SIZE];
        EXPECT_EQ(std::string(text, exact_fixed2(v, text)), v > 0 ? "inf" : "-inf");
    }
    std::uint64_t nan_bits = 0xfff8000000000000;
    double nan = 0;
    std::memcpy(&nan, &nan_bits, sizeof nan);
    char text[FIXED2_SIZE];
    EXPECT_EQ(std::string(text, exact_fixed2(nan, text)), "-nan");
}

// Where long double is the x87 extended format (x86), both computations exist.
#if LDBL_MANT_DIG == 64 && LDBL_MAX_EXP == 16384
std::uint64_t bits_of(double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

TEST(Digits, IntegersGiveTheBitsOfTheExtendedFormat)
{
    // Both computations on many millions of random pairs, bit for bit: ints of
    // every size, and sums of four batteries. Under an emulator, where the
    // extended format costs a hundred times more, the first million of them.
    const char *emulator = std::getenv("TRIVANE_EMULATOR");
    const int pairs = emulator != nullptr && *emulator != '\0' ? 1000000 : 6000000;
    std::mt19937_64 random(4);
    for (int i = 0; i < pairs; ++i) {
        const std::uint64_t r = random();
        const int bits = 1 + static_cast<int>(r % 32);
        const auto pick = [&](std::uint64_t v) {
            const long long magnitude = static_cast<long long>(v >> (64 - bits));
            return (v & 1) != 0 && i % 3 == 0 ? -magnitude : magnitude;
        };
        long long current = pick(random());
        long long maximum = pick(random());
        if (i % 5 == 0) {
            current = static_cast<long long>(random() % 4000000000);
            maximum = static_cast<long long>(1 + random() % 3999999996);
        }
        const double x87 = percent_of(current, maximum);
        ASSERT_EQ(bits_of(exact_percent_of(current, maximum)), bits_of(x87))
            << current << " / " << maximum;
        char a[FIXED2_SIZE];
        char b[FIXED2_SIZE];
        ASSERT_EQ(std::string(a, format_fixed2(x87, a)), std::string(b, exact_fixed2(x87, b)))
            << current << " / " << maximum;
    }
}
#endif

} // namespace

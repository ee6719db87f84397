// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "report.h"

#include "exact.h"

#include <float.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>

// The printed digits are those of the x87 extended format: in plain double
// arithmetic 23 / 160 * 100 prints 14.37, not 14.38. Where long double is that
// format (x86, x86-64) the processor computes them; elsewhere exact.h does, with
// integers, step for step.
#if defined(__FAST_MATH__)
#error "trivane must not be built with -ffast-math: it changes the printed percentages"
#endif
#if LDBL_MANT_DIG == 64 && LDBL_MAX_EXP == 16384

size_t format_fixed2(double value, char (&text)[FIXED2_SIZE])
{
    size_t len = 0;
    if (signbit(value)) {
        text[len++] = '-';
    }
    if (isnan(value) || isinf(value)) {
        for (const char *word = isnan(value) ? "nan" : "inf"; *word != '\0'; ++word) {
            text[len++] = *word;
        }
        return len;
    }
    // A double has 53 significant bits and 100 needs 7: the product is exact in the
    // 64-bit significand, so the rounding to hundredths below is the only one.
    const long double hundredths = static_cast<long double>(fabs(value)) * 100;
    auto n = static_cast<uint64_t>(hundredths);
    const long double rest = hundredths - static_cast<long double>(n);
    if (rest > 0.5L || (rest == 0.5L && n % 2 == 1)) {
        ++n;
    }
    return fixed2_digits(n, text, len);
}

double percent_of(long long current, long long maximum)
{
    // volatile keeps the operands opaque, so no constant folding can compute the
    // quotient in another precision or give 0 / 0 another NaN than the processor's.
    const volatile long double cur = current;
    const volatile long double max = maximum;
    // Divide first, then scale: each step rounds in the extended format.
    const long double ratio = cur / max;
    return static_cast<double>(ratio * 100);
}

#else

size_t format_fixed2(double value, char (&text)[FIXED2_SIZE]) { return exact_fixed2(value, text); }

double percent_of(long long current, long long maximum)
{
    return exact_percent_of(current, maximum);
}

#endif

namespace {
constexpr char conversion[] = "%0.2f";

// Whether text starts with the conversion. It stops at the first character that
// differs, so a format cut short ("%0.2") is never read past its end.
bool at_conversion(const char *text)
{
    for (const char *c = conversion; *c != '\0'; ++c, ++text) {
        if (*text != *c) {
            return false;
        }
    }
    return true;
}
} // namespace

void report_percent(const char *format, long long current, long long maximum)
{
    // Formatted here rather than by printf, whose floating-point path costs more
    // than the rest of the report together.
    bool printed = false;
    for (const char *f = format; *f != '\0'; ++f) {
        if (!printed && at_conversion(f)) {
            char text[FIXED2_SIZE];
            fwrite(text, 1, format_fixed2(percent_of(current, maximum), text), stdout);
            f += sizeof conversion - 2;
            printed = true;
        } else {
            putc_unlocked(*f, stdout);
        }
    }
}

// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// The percentage and its two decimals computed with integers alone, for processors
// whose long double is not the x87 extended format (ARM, RISC-V): the same five
// steps, so the same digits. The quotient is rounded to nearest, ties to even, at
// 64 significant bits; the product by 100 likewise; that to a double's 53 bits;
// then two decimals from the double's exact value. Inline, so that a build that
// computes in the extended format carries none of it but fixed2_digits, which
// writes the digits for both.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

static_assert(sizeof(double) == 8, "trivane needs the IEEE 754 double format");

// A positive binary value: m * 2^e, m with its top bit at bit 63 (or at 52).
struct exact_value {
    uint64_t m;
    int e;
};

// Drops the low k bits of the 128-bit (hi, lo), 0 < k < 64 and below 2^64 after
// the drop, rounding to nearest, ties to even; sticky tells of nonzero bits
// further down.
inline exact_value exact_round(uint64_t hi, uint64_t lo, int k, int e, bool sticky)
{
    const uint64_t m = (lo >> k) | (hi << (64 - k));
    const uint64_t dropped = lo & ((uint64_t{1} << k) - 1);
    const uint64_t half = uint64_t{1} << (k - 1);
    const bool up = dropped > half || (dropped == half && (sticky || (m & 1) != 0));
    if (!up) {
        return {m, e + k};
    }
    // Carried past the top: 2^64 is 2^63 one place up.
    return m + 1 == 0 ? exact_value{uint64_t{1} << 63, e + k + 1} : exact_value{m + 1, e + k};
}

// a / b for 0 < a, b < 2^32 (PERCENT_VALUE_LIMIT), to 64 significant bits: long
// division by 32 bits at
// a time, whose remainders stay below b, until the quotient has more than 64
// bits in (hi, lo); what the remainder leaves is the sticky bit.
inline exact_value exact_quotient(uint64_t a, uint64_t b)
{
    uint64_t hi = 0;
    uint64_t lo = a / b;
    uint64_t r = a % b;
    int e = 0;
    while (hi == 0) {
        hi = lo >> 32;
        lo = (lo << 32) | ((r << 32) / b);
        r = (r << 32) % b;
        e -= 32;
    }
    // The top bit of (hi, lo) to bit 63 of the significand.
    int k = 1;
    while ((hi >> k) != 0) {
        ++k;
    }
    return exact_round(hi, lo, k, e, r != 0);
}

// The double that current / maximum * 100 rounds to by the five steps: of the
// same bits as the x87 computation's, 0 / 0 giving the processor's default NaN
// with its sign bit set. |current| and |maximum| stay below 2^32, as a file's
// int and a sum of BATTERY_SLOTS nine-digit charges do (battery_mon.cpp asserts
// the sum's limit).
inline double exact_percent_of(long long current, long long maximum)
{
    const bool negative = (current < 0) != (maximum < 0);
    uint64_t bits = uint64_t{negative} << 63;
    if (maximum == 0) {
        bits = current == 0 ? 0xfff8000000000000 : bits | 0x7ff0000000000000;
    } else if (current == 0) {
        bits = uint64_t{maximum < 0} << 63;
    } else {
        const auto magnitude = [](long long v) {
            return v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        };
        const exact_value q = exact_quotient(magnitude(current), magnitude(maximum));
        // q.m * 100 has 70 or 71 bits: to 64, then to a double's 53.
        const uint64_t low = (q.m & 0xffffffff) * 100;
        const uint64_t mid = (q.m >> 32) * 100 + (low >> 32);
        const uint64_t hi = mid >> 32;
        const uint64_t lo = (mid << 32) | (low & 0xffffffff);
        const exact_value p = exact_round(hi, lo, hi >> 6 != 0 ? 7 : 6, q.e, false);
        exact_value d = exact_round(0, p.m, 11, p.e, false);
        // Rounded up to 2^53, it is 2^52 one place up.
        const int carry = static_cast<int>((d.m >> 53) & 1);
        d = {d.m >> carry, d.e + carry};
        // A normal double: 1.fraction * 2^(d.e + 52).
        bits |= static_cast<uint64_t>(d.e + 52 + 1023) << 52 | (d.m & 0xfffffffffffff);
    }
    double value = 0;
    memcpy(&value, &bits, sizeof value);
    return value;
}

// Writes a count of hundredths as printf's "%.2f" prints it, sign aside, at
// text + len; returns the new length. Both ways of computing the digits end here.
inline size_t fixed2_digits(uint64_t hundredths, char *text, size_t len)
{
    char reversed[32];
    size_t r = 0;
    reversed[r++] = static_cast<char>('0' + hundredths % 10);
    reversed[r++] = static_cast<char>('0' + hundredths / 10 % 10);
    reversed[r++] = '.';
    hundredths /= 100;
    do {
        reversed[r++] = static_cast<char>('0' + hundredths % 10);
        hundredths /= 10;
    } while (hundredths != 0);
    while (r > 0) {
        text[len++] = reversed[--r];
    }
    return len;
}

// The two decimals of a double, as printf's "%.2f" gives them: rounded to nearest
// from its exact value, ties to even. Into text, without a terminating zero;
// returns the length. |value| must stay below 2^64 / 100.
inline size_t exact_fixed2(double value, char *text)
{
    uint64_t bits = 0;
    memcpy(&bits, &value, sizeof bits);
    size_t len = 0;
    if ((bits >> 63) != 0) {
        text[len++] = '-';
    }
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    const uint64_t fraction = bits & 0xfffffffffffff;
    if (biased == 0x7ff) {
        for (const char *word = fraction != 0 ? "nan" : "inf"; *word != '\0'; ++word) {
            text[len++] = *word;
        }
        return len;
    }
    // value = m * 2^e; cents = m * 100 * 2^e, rounded.
    const uint64_t m = biased != 0 ? fraction | uint64_t{1} << 52 : fraction;
    const int e = (biased != 0 ? biased : 1) - 1075;
    const uint64_t n = m * 100;
    uint64_t cents = 0;
    if (e >= 0) {
        cents = n << e;
    } else if (e > -64) {
        cents = exact_round(0, n, -e, 0, false).m;
    }
    return fixed2_digits(cents, text, len);
}

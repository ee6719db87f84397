// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// How the report prints a level as a percentage of its maximum.
#pragma once

#include <stddef.h>

constexpr size_t FIXED2_SIZE = 32;

// Writes value into text as printf's "%.2f" does: two decimals rounded to nearest
// from the double's exact binary value, ties to even; inf, -inf, nan, -nan as words.
// Returns the length (no terminating zero). |value| must stay below 2^64 / 100,
// which a percentage of values below 2^40 always does (it stays below 2^47).
size_t format_fixed2(double value, char (&text)[FIXED2_SIZE]);

// current / maximum * 100, computed in x87 extended precision and rounded once to
// double. A maximum of 0 is not guarded: it gives inf, -inf or the processor's
// default NaN (sign bit set), which prints as -nan. The values are a file's int or
// the sum of several batteries', and stay below PERCENT_VALUE_LIMIT: the extended
// format's 64-bit significand holds them exactly, and where long double is not
// that format, exact.h's integers divide them by 32 bits at a time.
constexpr long long PERCENT_VALUE_LIMIT = 1LL << 32;
double percent_of(long long current, long long maximum);

// Prints format, "Brightness: %0.2f%\n" say, with percent_of(current, maximum) in
// place of its first "%0.2f" (two decimals, as printf prints them). Every other
// character prints as it stands, the percent sign after the conversion included:
// this is not a printf format, and no format can print the number twice.
void report_percent(const char *format, long long current, long long maximum);

// How the report prints a level as a percentage of its maximum.
#pragma once

// current / maximum * 100, computed in x87 extended precision and rounded once to
// double. A maximum of 0 is not guarded: it gives inf, -inf or the processor's
// default NaN (sign bit set), which prints as -nan.
double percent_of(int current, int maximum);

// Prints percent_of(current, maximum) with format, a printf format with a single
// double conversion (e.g. "Level: %0.2f%%\n").
__attribute__((format(printf, 1, 0))) void report_percent(const char *format, int current,
                                                          int maximum);

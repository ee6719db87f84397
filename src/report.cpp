#include "report.h"

#include <cstdio>
#include <limits>

// The printed digits depend on the extended format: in plain double arithmetic
// 23 / 160 * 100 prints 14.37, not 14.38. Refuse to build where the digits would
// silently change.
static_assert(std::numeric_limits<long double>::digits == 64 &&
                  std::numeric_limits<long double>::max_exponent == 16384,
              "trivane needs long double to be the x87 80-bit extended format (x86, x86-64)");
#if defined(__FAST_MATH__)
#error "trivane must not be built with -ffast-math: it changes the printed percentages"
#endif

double percent_of(int current, int maximum)
{
    // volatile keeps the operands opaque, so no constant folding can compute the
    // quotient in another precision or give 0 / 0 another NaN than the processor's.
    const volatile long double cur = current;
    const volatile long double max = maximum;
    // Divide first, then scale: each step rounds in the extended format.
    const long double ratio = cur / max;
    return static_cast<double>(ratio * 100);
}

void report_percent(const char *format, int current, int maximum)
{
    std::printf(format, percent_of(current, maximum));
}

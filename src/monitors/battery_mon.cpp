// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "attr/attr.h"
#include "monitors/monitors.h"
#include "monitors/paths.h"
#include "report.h"

#include <stdio.h>

namespace {
// sysfs-class-power: "online" is the supply's state as text (0, 1, ...), shown as
// the kernel wrote it. The battery's pair is charge (µAh) or energy (µWh) files;
// only their ratio is used, so the digits are the same for either.
constexpr const char *ac_path = paths.ac;
constexpr const char *full_path = paths.battery_full;
constexpr const char *now_path = paths.battery_now;
} // namespace

int battery_mon()
{
    attr_stream file;
    attr_open_or_exit(file, ac_path);
    // The file's own newline ends the power line.
    fputs("Power state: ", stdout);
    attr_copy_out(file);
    attr_close(file);

    // Charges are read by their first chunk only: a value of ten or more digits is
    // cut to nine. An empty charge_now repeats charge_full (one shared buffer).
    attr_buf buf = {};
    attr_open_or_exit(file, full_path);
    attr_read_first(file, buf);
    attr_close(file);
    const int full = attr_to_int(buf);

    attr_open_or_exit(file, now_path);
    attr_read_first(file, buf);
    attr_close(file);
    const int now = attr_to_int(buf);

    report_percent("Level: %0.2f%\n", now, full);
    return 0;
}

// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "attr/attr.h"
#include "monitors/monitors.h"
#include "monitors/paths.h"
#include "report.h"

#include <stdio.h>

namespace {
// sysfs-class-backlight: both files hold a level in the device's own steps.
constexpr const char *max_path = paths.backlight_max;
constexpr const char *level_path = paths.backlight_level;
} // namespace

int brightness_mon()
{
    // One buffer for both files: an empty brightness file repeats the maximum.
    attr_buf buf = {};
    attr_stream file;

    attr_open_or_exit(file, max_path);
    attr_read_last(file, buf);
    attr_close(file);
    const int max = attr_to_int(buf);

    attr_open_or_exit(file, level_path);
    attr_read_last(file, buf);
    attr_close(file);
    const int level = attr_to_int(buf);

    report_percent("Brightness: %0.2f%\n", level, max);
    return 0;
}

// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
/* The files the floors open, in trivane's order: the fan candidates up to the one
 * the bench's laptop has (hwmon1), the backlight, AC and battery files. */
static const char *const floor_files[] = {
    "/sys/devices/virtual/hwmon/hwmon0/fan1_input",
    "/sys/devices/virtual/hwmon/hwmon1/fan1_input",
    "/sys/class/backlight/intel_backlight/max_brightness",
    "/sys/class/backlight/intel_backlight/brightness",
    "/sys/class/power_supply/AC/online",
    "/sys/class/power_supply/BAT0/charge_full",
    "/sys/class/power_supply/BAT0/charge_now",
};
#define FLOOR_FILES (sizeof floor_files / sizeof floor_files[0])

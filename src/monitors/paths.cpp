// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "monitors/paths.h"

#include "monitors/devices.h"

// The contents hash is filled in right after the link (trivane-setup --stamp).
__attribute__((section(PATHS_SECTION), used)) extern const device_paths paths = {
    PATHS_MAGIC,          PATHS_LAYOUT,       TRIVANE_VERSION,      {},
    {FAN_FILES},          BACKLIGHT_MAX_FILE, BACKLIGHT_LEVEL_FILE, {AC_FILES},
    {BATTERY_FULL_FILES}, {BATTERY_NOW_FILES}};

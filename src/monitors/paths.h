// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// The files a build reads, in fixed slots of a read-only section of their own, so
// that trivane-setup can write a copy of a built binary for other devices in which
// only the slots, the contents hash and the build-id differ: the copy is then byte
// for byte the binary a build with those devices gives.
#pragma once

#include <stdint.h>

// Bump PATHS_LAYOUT with any change to this struct: setup refuses other layouts.
// Macros, not constants: an unoptimised build would keep a copy of each constant
// string in every unit, and the magic string must stand once in the binary.
constexpr uint32_t PATHS_LAYOUT = 3;
#define PATHS_MAGIC "trivane paths"
#define PATHS_SECTION ".trivane.paths"
// A path and its terminating zero: room for a fan under a PCI device's hwmon.
constexpr unsigned PATH_SLOT = 160;
// The detector's fan list: the file as found and the other numbers 0 to 15.
constexpr unsigned FAN_SLOTS = 17;
// A laptop's batteries: an internal one and a removable one, or up to four.
constexpr unsigned BATTERY_SLOTS = 4;
// Its chargers: a mains adapter that reports any charger, or, where the ports
// report charging apart, up to four (a barrel port and USB-C ports).
constexpr unsigned AC_SLOTS = 4;
constexpr unsigned VERSION_SLOT = 48;
// SHA-1 of the loaded contents with this hash and the build-id zeroed; the
// build-id holds the same bytes.
constexpr unsigned CONTENTS_HASH_SIZE = 20;

struct device_paths {
    char magic[16];
    uint32_t layout;
    char version[VERSION_SLOT];
    unsigned char contents_hash[CONTENTS_HASH_SIZE];
    char fan[FAN_SLOTS + 1][PATH_SLOT]; // tried in order up to the first empty one
    char backlight_max[PATH_SLOT];
    char backlight_level[PATH_SLOT];
    char ac[AC_SLOTS][PATH_SLOT];                // in use up to the first empty one
    char battery_full[BATTERY_SLOTS][PATH_SLOT]; // in use up to the first empty one
    char battery_now[BATTERY_SLOTS][PATH_SLOT];
};

// Defined in a unit of its own, so no monitor's code can fold a path into itself.
__attribute__((section(PATHS_SECTION))) extern const device_paths paths;

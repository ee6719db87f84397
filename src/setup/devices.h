// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// The device options: a devices file read and written, and the slots they fill.
#pragma once

#include "monitors/paths.h"
#include "setup/files.h"

#include <stddef.h>

// The device options, as the configure step takes them.
struct devices {
    const char *fan_files = nullptr;
    const char *backlight = nullptr;
    const char *ac = nullptr;
    const char *battery = nullptr;
    const char *units = nullptr;
    char not_found[64] = {}; // the devices the detector found nowhere, by name
};

devices parse_devices(char *text, const char *path);
bool name_char(char c);
bool good_name(const char *s, size_t len);
bool good_fan_file(const char *s, size_t len);
void fill(device_paths &p, const devices &d, const char *sys);
bool same_devices(const device_paths &a, const device_paths &b);
void say_not_found(const devices &d);
bool found_nothing(const devices &d);
void devices_text(const devices &d, text &t);

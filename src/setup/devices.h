// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// The device options: a devices file read and written, the rules of their values,
// and the slots they fill. Plain code: it reads no file and says nothing.
#pragma once

#include "monitors/paths.h"

#include <stddef.h>

// The device options, as the configure step takes them: pointers into the text
// they were read from.
struct devices {
    const char *fan_files = nullptr;
    const char *backlight = nullptr;
    const char *ac = nullptr;
    const char *battery = nullptr;
    const char *units = nullptr;
    char not_found[64] = {}; // the devices the detector found nowhere, by name
};

// What is wrong with a devices file, or with the values it sets.
enum class devices_fault {
    none,
    not_a_line,         // a line that trivane-detect does not write: value
    unknown_option,     // option
    option_missing,     // option
    bad_name,           // option, value
    bad_list,           // option, value: TRIVANE_AC's or TRIVANE_BATTERY's
    too_many_names,     // option
    bad_units,          // value
    no_fan_file,        //
    bad_fan_file,       // value
    too_many_fan_files, //
    path_too_long,      // option, value
};
struct devices_problem {
    devices_fault fault = devices_fault::none;
    const char *option = "";
    const char *value = ""; // not zero-terminated: value_size bytes
    size_t value_size = 0;
    char path[PATH_SLOT * 2] = {}; // a path made from a value, too long for its slot
};

// Reads the lines trivane-detect writes, changing text in place; false, with the
// problem, where a line is not one of them or an option is missing.
bool parse_devices(char *text, devices &d, devices_problem &why);
// The slots for the devices, by the configure step's rules; false, with the
// problem, where a value breaks one.
bool fill(device_paths &p, const devices &d, devices_problem &why);
// The problem in words, as a sentence that names file.
void devices_words(const devices_problem &why, const char *file, char *out, size_t size);
// The text of a devices file that sets these options, after the comment header
// (lines that begin with #), with the devices not found; its size, or 0 where it
// does not fit.
size_t devices_text(const devices &d, const char *header, char *out, size_t size);

// The characters of sysfs names: the configure step and trivane-detect take the same.
bool good_name(const char *s, size_t len);

// How a trivane's slots stand to the devices wanted: it reads them where its fan
// files include the fan found (the same device under any hwmon number: the kernel
// numbers them anew at each boot), its backlight and adapters are those (the
// adapters in the same order: the first online is shown), and its
// batteries include every one found. Those of its batteries that were not found
// are counted in extra (by slot, from the first): out of their bay now, or other
// devices.
struct fitting {
    bool reads = false;
    unsigned extra[BATTERY_SLOTS] = {};
    unsigned extras = 0;
};
fitting fit(const device_paths &has, const device_paths &wanted);
// Whether two sets of slots read the same devices, in the same order.
bool same_devices(const device_paths &a, const device_paths &b);
// The name of the supply of a battery's path (BAT1, of /sys/class/power_supply/BAT1/...).
void supply_name(const char *path, char (&name)[PATH_SLOT]);
// Whether the detector found none of the devices.
bool found_nothing(const devices &d);

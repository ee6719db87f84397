// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "setup/devices.h"

#include "setup/failure.h"
#include "setup/files.h"
#include "setup/setup.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

// The lines trivane-detect writes: set(NAME "VALUE" CACHE STRING "" FORCE), and
// "# not found, the default kept: fan ..." where it found a device nowhere.
devices parse_devices(char *text, const char *path)
{
    devices d;
    const char tail[] = "\" CACHE STRING \"\" FORCE)";
    const char not_found[] = "# not found, the default kept: ";
    for (char *line = strtok(text, "\n"); line != nullptr; line = strtok(nullptr, "\n")) {
        if (strncmp(line, not_found, sizeof not_found - 1) == 0) {
            snprintf(d.not_found, sizeof d.not_found, "%s", line + sizeof not_found - 1);
        }
        if (line[0] == '#') {
            continue;
        }
        char *value = strstr(line, " \"");
        const size_t len = strlen(line);
        if (strncmp(line, "set(TRIVANE_", 12) != 0 || value == nullptr || len < sizeof tail ||
            strcmp(line + len - (sizeof tail - 1), tail) != 0 ||
            value + 2 > line + len - (sizeof tail - 1)) {
            refuse("%s is not a file that trivane-detect wrote: '%s'.", path, line);
        }
        *value = '\0';
        value += 2;
        line[len - (sizeof tail - 1)] = '\0';
        const char *name = line + 4;
        const char **slot = strcmp(name, "TRIVANE_FAN_FILES") == 0       ? &d.fan_files
                            : strcmp(name, "TRIVANE_BACKLIGHT") == 0     ? &d.backlight
                            : strcmp(name, "TRIVANE_AC") == 0            ? &d.ac
                            : strcmp(name, "TRIVANE_BATTERY") == 0       ? &d.battery
                            : strcmp(name, "TRIVANE_BATTERY_UNITS") == 0 ? &d.units
                                                                         : nullptr;
        if (slot == nullptr) {
            refuse("%s sets %s, which is no device option.", path, name);
        }
        *slot = value;
    }
    const char *missing = d.fan_files == nullptr   ? "TRIVANE_FAN_FILES"
                          : d.backlight == nullptr ? "TRIVANE_BACKLIGHT"
                          : d.ac == nullptr        ? "TRIVANE_AC"
                          : d.battery == nullptr   ? "TRIVANE_BATTERY"
                          : d.units == nullptr     ? "TRIVANE_BATTERY_UNITS"
                                                   : nullptr;
    if (missing != nullptr) {
        refuse("%s does not set %s: write it anew with trivane-detect -o %s.", path, missing, path);
    }
    return d;
}

// The characters of sysfs names; the configure step and trivane-detect take the same.
bool name_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           strchr("._:+@,=~-", c) != nullptr;
}

bool good_name(const char *s, size_t len)
{
    for (size_t i = 0; i < len; ++i) {
        if (!name_char(s[i])) {
            return false;
        }
    }
    return len > 0 && !(len == 1 && s[0] == '.') && !(len == 2 && s[0] == '.' && s[1] == '.');
}

// A fan file: /sys, then names between slashes.
bool good_fan_file(const char *s, size_t len)
{
    if (len < 6 || strncmp(s, "/sys/", 5) != 0) {
        return false;
    }
    size_t start = 5;
    for (size_t i = 5; i <= len; ++i) {
        if (i == len || s[i] == '/') {
            if (!good_name(s + start, i - start)) {
                return false;
            }
            start = i + 1;
        }
    }
    return true;
}

const char chars_words[] = "letters, digits and . _ : + @ , = ~ -";

// Copies text into a slot, or refuses naming the option and the limit.
void put(char (&slot)[PATH_SLOT], const char *option, const char *text)
{
    if (strlen(text) >= PATH_SLOT) {
        refuse("%s gives the path '%s', too long for its slot: a path may take at most %u bytes.",
               option, text, PATH_SLOT - 1);
    }
    memset(slot, 0, PATH_SLOT);
    memcpy(slot, text, strlen(text));
}

// A battery's files, in the slots i: NAME/UNITS_full and NAME/UNITS_now. Where
// there are several and the machine at sys shows this one with the other units'
// files alone, they are refused: batteries of other units cannot be summed.
void fill_battery(device_paths &p, unsigned i, const char *name, size_t len, const char *units,
                  const char *sys)
{
    char path[PATH_SLOT * 2];
    snprintf(path, sizeof path, "/sys/class/power_supply/%.*s/%s_full", static_cast<int>(len), name,
             units);
    put(p.battery_full[i], "TRIVANE_BATTERY", path);
    snprintf(path, sizeof path, "/sys/class/power_supply/%.*s/%s_now", static_cast<int>(len), name,
             units);
    put(p.battery_now[i], "TRIVANE_BATTERY", path);
    const char *other = strcmp(units, "charge") == 0 ? "energy" : "charge";
    char here[PATH_MAX];
    char there[PATH_MAX];
    snprintf(here, sizeof here, "%s/class/power_supply/%.*s/%s_full", sys, static_cast<int>(len),
             name, units);
    snprintf(there, sizeof there, "%s/class/power_supply/%.*s/%s_full", sys, static_cast<int>(len),
             name, other);
    if (sys != nullptr && access(here, F_OK) != 0 && access(there, F_OK) == 0) {
        refuse("TRIVANE_BATTERY_UNITS is %s, and this machine's %.*s has %s files: every battery "
               "must have the files of the units set, since the levels of batteries of other "
               "units cannot be summed.",
               units, static_cast<int>(len), name, other);
    }
}

// The slots for the devices, by the configure step's rules; sys is the machine's
// sysfs, where the batteries' units are checked.
void fill(device_paths &p, const devices &d, const char *sys)
{
    const char *names[][2] = {{"TRIVANE_BACKLIGHT", d.backlight}, {"TRIVANE_AC", d.ac}};
    for (const auto &n : names) {
        if (!good_name(n[1], strlen(n[1]))) {
            refuse("%s is '%s': it must be one device name, as listed in /sys/class, of %s only, "
                   "and not '.' or '..'.",
                   n[0], n[1], chars_words);
        }
    }
    if (strcmp(d.units, "charge") != 0 && strcmp(d.units, "energy") != 0) {
        refuse("TRIVANE_BATTERY_UNITS is '%s': it must be charge or energy.", d.units);
    }
    if (*d.fan_files == '\0') {
        refuse("TRIVANE_FAN_FILES is empty: it must list at least one fan file.");
    }
    memset(p.fan, 0, sizeof p.fan);
    unsigned count = 0;
    for (const char *file = d.fan_files;;) {
        const char *end = strchr(file, ';');
        const size_t len = end != nullptr ? static_cast<size_t>(end - file) : strlen(file);
        char shown[PATH_SLOT * 2];
        snprintf(shown, sizeof shown, "%.*s", static_cast<int>(len < PATH_SLOT ? len : PATH_SLOT),
                 file);
        if (!good_fan_file(file, len)) {
            refuse(
                "TRIVANE_FAN_FILES holds '%s': each fan file must be an absolute path under /sys, "
                "of %s between its slashes, without '.' or '..'.",
                shown, chars_words);
        }
        if (count == FAN_SLOTS) {
            refuse("TRIVANE_FAN_FILES lists more fan files than a build takes: at most %u.",
                   FAN_SLOTS);
        }
        if (len >= PATH_SLOT) {
            put(p.fan[count], "TRIVANE_FAN_FILES", shown); // refuses, naming the limit
        }
        memcpy(p.fan[count++], file, len);
        if (end == nullptr) {
            break;
        }
        file = end + 1;
    }
    char path[PATH_SLOT * 2];
    snprintf(path, sizeof path, "/sys/class/backlight/%s/max_brightness", d.backlight);
    put(p.backlight_max, "TRIVANE_BACKLIGHT", path);
    snprintf(path, sizeof path, "/sys/class/backlight/%s/brightness", d.backlight);
    put(p.backlight_level, "TRIVANE_BACKLIGHT", path);
    snprintf(path, sizeof path, "/sys/class/power_supply/%s/online", d.ac);
    put(p.ac, "TRIVANE_AC", path);
    // Up to four batteries, between semicolons, of one units setting.
    memset(p.battery_full, 0, sizeof p.battery_full);
    memset(p.battery_now, 0, sizeof p.battery_now);
    unsigned batteries = 0;
    for (const char *name = d.battery;;) {
        const char *end = strchr(name, ';');
        const size_t len = end != nullptr ? static_cast<size_t>(end - name) : strlen(name);
        if (!good_name(name, len)) {
            refuse("TRIVANE_BATTERY is '%s': it must be one device name, as listed in /sys/class, "
                   "of %s only, and not '.' or '..'; or up to four such names, between "
                   "semicolons.",
                   d.battery, chars_words);
        }
        if (batteries == BATTERY_SLOTS) {
            refuse("TRIVANE_BATTERY lists more batteries than a build takes: at most %u.",
                   BATTERY_SLOTS);
        }
        const bool several = end != nullptr || batteries > 0;
        fill_battery(p, batteries++, name, len, d.units, several ? sys : nullptr);
        if (end == nullptr) {
            break;
        }
        name = end + 1;
    }
}

// Whether two sets of slots read the same devices (their hashes aside).
bool same_devices(const device_paths &a, const device_paths &b)
{
    return memcmp(a.fan, b.fan, sizeof a.fan) == 0 &&
           memcmp(a.backlight_max, b.backlight_max,
                  sizeof(device_paths) - offsetof(device_paths, backlight_max)) == 0;
}

// What the report does without the devices the detector found nowhere.
void say_not_found(const devices &d)
{
    const char *const lines[][2] = {
        {" fan ", "No fan was found: the report's fan line will say \"Cannot read fan RPM\"."},
        {" backlight ", "No backlight was found: the report will stop with \"Cannot open file\" "
                        "after the fan line."},
        {" ac ", "No mains adapter was found: the report will stop with \"Cannot open file\" "
                 "where the power line would be."},
        {" battery ", "No battery was found: the report will stop with \"Cannot open file\" where "
                      "the level line would be."},
    };
    char list[sizeof d.not_found + 2];
    snprintf(list, sizeof list, " %s ", d.not_found);
    for (const auto &line : lines) {
        if (strstr(list, line[0]) != nullptr) {
            printf("%s\n", line[1]);
        }
    }
}

bool found_nothing(const devices &d)
{
    return strcmp(d.not_found, "fan backlight ac battery") == 0;
}

// The text of a devices file for /etc/trivane, from the options it sets.
void devices_text(const devices &d, text &t)
{
    char line[4096];
    snprintf(line, sizeof line,
             "# trivane's devices, for trivane-setup --system: package upgrades write the\n"
             "# machine's copy of trivane anew from this file. Edit it, then run\n"
             "# trivane-setup --system --devices %s.\n",
             SYSTEM_DEVICES);
    append(t, line, strlen(line));
    if (d.not_found[0] != '\0') {
        snprintf(line, sizeof line, "# not found, the default kept: %s\n", d.not_found);
        append(t, line, strlen(line));
    }
    const char *values[][2] = {{"TRIVANE_FAN_FILES", d.fan_files},
                               {"TRIVANE_BACKLIGHT", d.backlight},
                               {"TRIVANE_AC", d.ac},
                               {"TRIVANE_BATTERY", d.battery},
                               {"TRIVANE_BATTERY_UNITS", d.units}};
    for (const auto &v : values) {
        snprintf(line, sizeof line, "set(%s \"%s\" CACHE STRING \"\" FORCE)\n", v[0], v[1]);
        append(t, line, strlen(line));
    }
}

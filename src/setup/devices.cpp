// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "setup/devices.h"

#include "setup/shown.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>

namespace {

const char chars_words[] = "letters, digits and . _ : + @ , = ~ -";

// The options a devices file sets, in the order it sets them.
const char *const option_names[] = {"TRIVANE_FAN_FILES", "TRIVANE_BACKLIGHT", "TRIVANE_AC",
                                    "TRIVANE_BATTERY", "TRIVANE_BATTERY_UNITS"};
const char **option_value(devices &d, unsigned i)
{
    const char **values[] = {&d.fan_files, &d.backlight, &d.ac, &d.battery, &d.units};
    return values[i];
}

bool problem(devices_problem &why, devices_fault fault, const char *option, const char *value,
             size_t size)
{
    why.fault = fault;
    why.option = option;
    why.value = value;
    why.value_size = size;
    return false;
}
bool problem(devices_problem &why, devices_fault fault, const char *option = "",
             const char *value = "")
{
    return problem(why, fault, option, value, strlen(value));
}

bool name_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           strchr("._:+@,=~-", c) != nullptr;
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

// Copies a path into a slot; false, with the problem, where it is too long.
bool put(char (&slot)[PATH_SLOT], const char *option, const char *path, size_t len,
         devices_problem &why)
{
    if (len >= PATH_SLOT) {
        snprintf(why.path, sizeof why.path, "%.*s", static_cast<int>(len), path);
        return problem(why, devices_fault::path_too_long, option, why.path);
    }
    memset(slot, 0, PATH_SLOT);
    memcpy(slot, path, len);
    return true;
}
// /sys/class/CLASS/NAME/FILE into a slot.
bool put_path(char (&slot)[PATH_SLOT], const char *option, devices_problem &why,
              const char *device_class, const char *name, size_t len, const char *file)
{
    char path[PATH_SLOT * 2];
    const int n = snprintf(path, sizeof path, "/sys/class/%s/%.*s/%s", device_class,
                           static_cast<int>(len), name, file);
    return put(slot, option, path, static_cast<size_t>(n), why);
}

// Each part of a list between semicolons, in turn: false at its end.
bool next_part(const char *&at, const char *&part, size_t &len)
{
    if (at == nullptr) {
        return false;
    }
    part = at;
    const char *end = strchr(at, ';');
    len = end != nullptr ? static_cast<size_t>(end - at) : strlen(at);
    at = end != nullptr ? end + 1 : nullptr;
    return true;
}

// A list of up to four supplies' names, between semicolons, into the slots of
// their file (and of a second file of each, where second is set).
bool put_supplies(char (&first)[4][PATH_SLOT], char (*second)[PATH_SLOT], const char *option,
                  const char *list, const char *file, const char *second_file, devices_problem &why)
{
    static_assert(AC_SLOTS == 4 && BATTERY_SLOTS == 4, "a list of supplies fills four slots");
    memset(first, 0, sizeof first);
    if (second != nullptr) {
        memset(second, 0, sizeof first);
    }
    unsigned count = 0;
    const char *name = nullptr;
    size_t len = 0;
    for (const char *at = list; next_part(at, name, len);) {
        if (!good_name(name, len)) {
            return problem(why, devices_fault::bad_list, option, list);
        }
        if (count == 4) {
            return problem(why, devices_fault::too_many_names, option);
        }
        if (!put_path(first[count], option, why, "power_supply", name, len, file)) {
            return false;
        }
        if (second != nullptr) {
            put_path(second[count], option, why, "power_supply", name, len, second_file);
        }
        ++count;
    }
    return true;
}

bool same_slot(const char (&a)[PATH_SLOT], const char (&b)[PATH_SLOT])
{
    return strncmp(a, b, PATH_SLOT) == 0;
}

} // namespace

bool good_name(const char *s, size_t len)
{
    for (size_t i = 0; i < len; ++i) {
        if (!name_char(s[i])) {
            return false;
        }
    }
    return len > 0 && !(len == 1 && s[0] == '.') && !(len == 2 && s[0] == '.' && s[1] == '.');
}

// The lines trivane-detect writes: set(NAME "VALUE" CACHE STRING "" FORCE), and
// "# not found, the default kept: fan ..." where it found a device nowhere.
bool parse_devices(char *text, devices &d, devices_problem &why)
{
    d = devices();
    const char head[] = "set(";
    const char tail[] = "\" CACHE STRING \"\" FORCE)";
    const char not_found[] = "# not found, the default kept: ";
    for (char *line = text; *line != '\0';) {
        char *end = line + strcspn(line, "\n");
        const bool more = *end != '\0';
        *end = '\0';
        const size_t len = static_cast<size_t>(end - line);
        char *value = strstr(line, " \"");
        if (strncmp(line, not_found, sizeof not_found - 1) == 0) {
            snprintf(d.not_found, sizeof d.not_found, "%s", line + sizeof not_found - 1);
        } else if (line[0] != '#' && len > 0) {
            if (strncmp(line, head, sizeof head - 1) != 0 || value == nullptr ||
                len < sizeof tail || strcmp(end - (sizeof tail - 1), tail) != 0 ||
                value + 2 > end - (sizeof tail - 1)) {
                return problem(why, devices_fault::not_a_line, "", line, len);
            }
            *value = '\0';
            end[-static_cast<ptrdiff_t>(sizeof tail - 1)] = '\0';
            const char *name = line + sizeof head - 1;
            unsigned i = 0;
            while (i < 5 && strcmp(name, option_names[i]) != 0) {
                ++i;
            }
            if (i == 5) {
                return problem(why, devices_fault::unknown_option, name);
            }
            *option_value(d, i) = value + 2;
        }
        line = more ? end + 1 : end;
    }
    for (unsigned i = 0; i < 5; ++i) {
        if (*option_value(d, i) == nullptr) {
            return problem(why, devices_fault::option_missing, option_names[i]);
        }
    }
    return true;
}

bool fill(device_paths &p, const devices &d, devices_problem &why)
{
    if (!good_name(d.backlight, strlen(d.backlight))) {
        return problem(why, devices_fault::bad_name, "TRIVANE_BACKLIGHT", d.backlight);
    }
    if (strcmp(d.units, "charge") != 0 && strcmp(d.units, "energy") != 0) {
        return problem(why, devices_fault::bad_units, "TRIVANE_BATTERY_UNITS", d.units);
    }
    if (*d.fan_files == '\0') {
        return problem(why, devices_fault::no_fan_file, "TRIVANE_FAN_FILES");
    }
    memset(p.fan, 0, sizeof p.fan);
    unsigned count = 0;
    const char *file = nullptr;
    size_t len = 0;
    for (const char *at = d.fan_files; next_part(at, file, len);) {
        if (!good_fan_file(file, len)) {
            return problem(why, devices_fault::bad_fan_file, "TRIVANE_FAN_FILES", file, len);
        }
        if (count == FAN_SLOTS) {
            return problem(why, devices_fault::too_many_fan_files, "TRIVANE_FAN_FILES");
        }
        if (!put(p.fan[count++], "TRIVANE_FAN_FILES", file, len, why)) {
            return false;
        }
    }
    // Of a device's two files, the one of the longer name is checked: the other
    // then fits its slot too.
    const size_t backlight = strlen(d.backlight);
    if (!put_path(p.backlight_max, "TRIVANE_BACKLIGHT", why, "backlight", d.backlight, backlight,
                  "max_brightness")) {
        return false;
    }
    put_path(p.backlight_level, "TRIVANE_BACKLIGHT", why, "backlight", d.backlight, backlight,
             "brightness");
    // Up to four adapters, and four batteries of one units setting, between
    // semicolons.
    char full[16];
    char now[16];
    snprintf(full, sizeof full, "%s_full", d.units);
    snprintf(now, sizeof now, "%s_now", d.units);
    return put_supplies(p.ac, nullptr, "TRIVANE_AC", d.ac, "online", nullptr, why) &&
           put_supplies(p.battery_full, p.battery_now, "TRIVANE_BATTERY", d.battery, full, now,
                        why);
}

void devices_words(const devices_problem &why, const char *file, char *out, size_t size)
{
    const shown shown_value(why.value, why.value_size);
    const shown shown_option(why.option);
    const char *value = shown_value.text;
    const char *o = shown_option.text;
    switch (why.fault) {
    case devices_fault::not_a_line:
        snprintf(out, size, "%s is not a file that trivane-detect wrote: '%s'.", file, value);
        break;
    case devices_fault::unknown_option:
        snprintf(out, size, "%s sets %s, which is no device option.", file, o);
        break;
    case devices_fault::option_missing:
        snprintf(out, size, "%s does not set %s: write it anew with trivane-detect -o %s.", file, o,
                 file);
        break;
    case devices_fault::bad_name:
        snprintf(out, size,
                 "%s is '%s': it must be one device name, as listed in /sys/class, of %s only, "
                 "and not '.' or '..'.",
                 o, value, chars_words);
        break;
    case devices_fault::bad_list:
        snprintf(out, size,
                 "%s is '%s': it must be one device name, as listed in /sys/class, of %s only, "
                 "and not '.' or '..'; or up to four such names, between semicolons.",
                 o, value, chars_words);
        break;
    case devices_fault::too_many_names:
        snprintf(out, size, "%s lists more %s than a build takes: at most 4.", o,
                 strcmp(why.option, "TRIVANE_AC") == 0 ? "power supplies" : "batteries");
        break;
    case devices_fault::bad_units:
        snprintf(out, size, "%s is '%s': it must be charge or energy.", o, value);
        break;
    case devices_fault::no_fan_file:
        snprintf(out, size, "%s is empty: it must list at least one fan file.", o);
        break;
    case devices_fault::bad_fan_file:
        snprintf(out, size,
                 "%s holds '%s': each fan file must be an absolute path under /sys, of %s between "
                 "its slashes, without '.' or '..'.",
                 o, value, chars_words);
        break;
    case devices_fault::too_many_fan_files:
        snprintf(out, size, "%s lists more fan files than a build takes: at most %u.", o,
                 FAN_SLOTS);
        break;
    default:
        snprintf(out, size,
                 "%s gives the path '%s', too long for its slot: a path may take at most %u bytes.",
                 o, value, PATH_SLOT - 1);
        break;
    }
}

size_t devices_text(const devices &d, const char *header, char *out, size_t size)
{
    size_t used = 0;
    const auto add = [&](const char *line_start, const char *a, const char *b, const char *end) {
        const int n =
            snprintf(out + used, used < size ? size - used : 0, "%s%s%s%s", line_start, a, b, end);
        used += static_cast<size_t>(n);
    };
    add("", header, "", "");
    if (d.not_found[0] != '\0') {
        add("# not found, the default kept: ", d.not_found, "", "\n");
    }
    devices copy = d;
    for (unsigned i = 0; i < 5; ++i) {
        add("set(", option_names[i], " \"", "");
        add(*option_value(copy, i), "\" CACHE STRING \"\" FORCE)\n", "", "");
    }
    return used < size ? used : 0;
}

fitting fit(const device_paths &has, const device_paths &wanted)
{
    fitting f;
    bool fan = false;
    for (const auto &file : has.fan) {
        fan = fan || (file[0] != '\0' && same_slot(file, wanted.fan[0]));
    }
    // A battery's present-charge file follows from its full-charge file: the same
    // name and units.
    bool batteries = true;
    for (unsigned i = 0; i < BATTERY_SLOTS && wanted.battery_full[i][0] != '\0'; ++i) {
        bool there = false;
        for (unsigned j = 0; j < BATTERY_SLOTS; ++j) {
            there = there || same_slot(has.battery_full[j], wanted.battery_full[i]);
        }
        batteries = batteries && there;
    }
    for (unsigned j = 0; j < BATTERY_SLOTS && has.battery_full[j][0] != '\0'; ++j) {
        bool wanted_too = false;
        for (unsigned i = 0; i < BATTERY_SLOTS; ++i) {
            wanted_too = wanted_too || same_slot(has.battery_full[j], wanted.battery_full[i]);
        }
        if (!wanted_too) {
            f.extra[f.extras++] = j;
        }
    }
    bool adapters = true;
    for (unsigned i = 0; i < AC_SLOTS; ++i) {
        adapters = adapters && same_slot(has.ac[i], wanted.ac[i]);
    }
    f.reads = fan && batteries && adapters && same_slot(has.backlight_max, wanted.backlight_max);
    return f;
}

bool same_devices(const device_paths &a, const device_paths &b)
{
    return memcmp(a.fan, b.fan, sizeof a.fan) == 0 &&
           memcmp(a.backlight_max, b.backlight_max,
                  sizeof(device_paths) - offsetof(device_paths, backlight_max)) == 0;
}

void supply_name(const char *path, char (&name)[PATH_SLOT])
{
    // Every battery's path is /sys/class/power_supply/NAME/FILE.
    const char *start = path + sizeof "/sys/class/power_supply/" - 1;
    snprintf(name, sizeof name, "%.*s", static_cast<int>(strcspn(start, "/")), start);
}

bool found_nothing(const devices &d)
{
    return strcmp(d.not_found, "fan backlight ac battery") == 0;
}

// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// This machine's devices, given or found, as slots, and how a trivane's slots
// stand to them: what every mode needs.
#include "setup/setup.h"

#include "setup/failure.h"
#include "setup/layout.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>

void machine_devices(const options &o, const installed &in, bool say, text &t, devices &d,
                     struct stat *given)
{
    const char *file = "what trivane-detect printed";
    if (o.devices != nullptr) {
        read_fault f;
        char words[PATH_MAX + 128];
        if (!read_file(o.devices, t, f)) {
            refuse("cannot read the devices file %s: %s.", shown(o.devices).text,
                   read_words(f, words, sizeof words));
        }
        if (given != nullptr) {
            stat_soft(o.devices, *given);
        }
        file = o.devices;
    } else {
        detect(in, o.sys, say, t);
    }
    devices_problem why;
    if (!parse_devices(t.data, d, why)) {
        char words[PATH_MAX * 3];
        devices_words(why, shown(file).text, words, sizeof words);
        refuse("%s", words);
    }
}

void wanted_slots(const devices &d, const char *sys, device_paths &p)
{
    devices_problem why;
    char words[PATH_MAX * 3];
    if (!fill(p, d, why)) {
        devices_words(why, "", words, sizeof words);
        refuse("%s", words);
    }
    // Batteries of other units cannot be summed: their ratio needs a voltage that
    // varies. Where this machine shows one of several with the other units' files
    // alone, they are refused.
    const char *other = strcmp(d.units, "charge") == 0 ? "energy" : "charge";
    const bool several = p.battery_full[1][0] != '\0';
    for (unsigned i = 0; several && i < BATTERY_SLOTS && p.battery_full[i][0] != '\0'; ++i) {
        char name[PATH_SLOT];
        supply_name(p.battery_full[i], name);
        char here[PATH_MAX + PATH_SLOT];
        char there[PATH_MAX + PATH_SLOT];
        snprintf(here, sizeof here, "%s/class/power_supply/%s/%s_full", sys, name, d.units);
        snprintf(there, sizeof there, "%s/class/power_supply/%s/%s_full", sys, name, other);
        struct stat st = {};
        if (!stat_soft(here, st) && stat_soft(there, st)) {
            refuse("TRIVANE_BATTERY_UNITS is %s, and this machine's %s has %s files: every battery "
                   "must have the files of the units set, since the levels of batteries of other "
                   "units cannot be summed.",
                   d.units, name, other);
        }
    }
}

namespace {

// Whether the battery is out of its bay now: no supply of that name, or one
// whose present file says 0.
bool absent_now(const char *sys, const char *name)
{
    char path[PATH_MAX + PATH_SLOT];
    snprintf(path, sizeof path, "%s/class/power_supply/%s", sys, name);
    struct stat st = {};
    if (!stat_soft(path, st)) {
        return true;
    }
    snprintf(path, sizeof path, "%s/class/power_supply/%s/present", sys, name);
    text t;
    read_fault f;
    return read_file(path, t, f) && strcmp(t.data, "0\n") == 0;
}

} // namespace

bool reads_this_machine(const device_paths &has, const device_paths &wanted, const char *sys,
                        char (&absent)[BATTERY_SLOTS * PATH_SLOT])
{
    absent[0] = '\0';
    const fitting f = fit(has, wanted);
    const char *between = "";
    for (unsigned i = 0; f.reads && i < f.extras; ++i) {
        char name[PATH_SLOT];
        supply_name(has.battery_full[f.extra[i]], name);
        if (!absent_now(sys, name)) {
            return false;
        }
        const size_t used = strlen(absent);
        snprintf(absent + used, sizeof absent - used, "%s%s", between, name);
        between = ", ";
    }
    return f.reads;
}

void say_not_found(const devices &d)
{
    const char *const lines[][2] = {
        {" fan ", "No fan was found: the report's fan line will say \"Cannot read fan RPM\"."},
        {" backlight ", "No backlight was found: the report will stop with \"Cannot open file\" "
                        "after the fan line."},
        {" ac ", "No charger was found: the report will stop with \"Cannot open file\" where "
                 "the power line would be, and its level line will not be shown either."},
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

bool saved_slots(device_paths &p, bool &unreadable)
{
    text t;
    read_fault f;
    devices d;
    devices_problem why;
    const bool read = read_file(SYSTEM_DEVICES, t, f);
    unreadable = f.why == unread::denied && f.error == EACCES;
    return read && parse_devices(t.data, d, why) && fill(p, d, why);
}

void say_files(const device_paths &p)
{
    printf("It reads, in this order (of the fan files, the first that opens; of the power "
           "files, the first online):\n");
    for (const auto &fan : p.fan) {
        if (fan[0] != '\0') {
            printf("  fan        %s\n", shown(fan, strnlen(fan, PATH_SLOT)).text);
        }
    }
    const char *const backlight[] = {p.backlight_max, p.backlight_level};
    for (const char *file : backlight) {
        printf("  backlight  %s\n", shown(file, strnlen(file, PATH_SLOT)).text);
    }
    for (unsigned i = 0; i < AC_SLOTS && p.ac[i][0] != '\0'; ++i) {
        printf("  power      %s\n", shown(p.ac[i], strnlen(p.ac[i], PATH_SLOT)).text);
    }
    for (unsigned i = 0; i < BATTERY_SLOTS && p.battery_full[i][0] != '\0'; ++i) {
        printf("  battery    %s\n",
               shown(p.battery_full[i], strnlen(p.battery_full[i], PATH_SLOT)).text);
        printf("  battery    %s\n",
               shown(p.battery_now[i], strnlen(p.battery_now[i], PATH_SLOT)).text);
    }
}

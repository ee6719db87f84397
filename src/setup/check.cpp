// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// --check: whether the trivane that PATH finds fits this machine, and what to do
// where it does not. The machine's copy is judged against the devices the
// administrator saved, any other trivane against this machine's devices; a copy
// in ~/.local/bin that PATH does not reach yet is said to be there.
#include "setup/setup.h"

#include "monitors/devices.h"
#include "setup/binary.h"
#include "setup/failure.h"
#include "setup/layout.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

// Where the user's copy in ~/.local/bin reads this machine's devices but PATH
// finds another trivane first: says so, and what to do.
bool say_copy_not_reached(const device_paths &wanted, const char *sys, const shown &named)
{
    const char *home = getenv("HOME");
    char folder[PATH_MAX];
    char path[PATH_MAX + 16];
    snprintf(folder, sizeof folder, "%s/.local/bin", home != nullptr ? home : "");
    snprintf(path, sizeof path, "%s/trivane", folder);
    binary copy;
    char absent[BATTERY_SLOTS * PATH_SLOT];
    struct stat st = {};
    if (home == nullptr || home[0] != '/' || !stat_soft(path, st)) {
        return false;
    }
    inspect(path, copy);
    if (copy.is != verdict::trivane || !reads_this_machine(copy.paths, wanted, sys, absent)) {
        return false;
    }
    printf("%s reads this machine's devices, and the command trivane runs %s.\n", shown(path).text,
           named.text);
    say_how_path_finds(st, folder, home);
    return true;
}

// Where PATH finds a trivane before the installed one, which reads this
// machine's devices (a copy for another laptop, or of another version): says to
// remove it.
bool say_installed_fits(const installed &in, const struct stat &first, const device_paths &wanted,
                        const char *sys, const shown &named)
{
    binary inst;
    struct stat st = {};
    char absent[BATTERY_SLOTS * PATH_SLOT];
    if (!stat_soft(in.link, st) || same_file(st, first)) {
        return false;
    }
    inspect(in.link, inst);
    if (inst.is != verdict::trivane || !reads_this_machine(inst.paths, wanted, sys, absent)) {
        return false;
    }
    printf("%s is not the installed trivane, and the installed %s reads this machine's devices: "
           "remove %s.\n",
           named.text, shown(in.link).text, named.text);
    return true;
}

} // namespace

int check(const options &o, const installed &in)
{
    text t;
    devices d;
    machine_devices(o, in, false, t, d);
    const char *sys = o.sys != nullptr ? o.sys : "/sys";
    device_paths wanted = {};
    wanted_slots(d, sys, wanted);
    char path[PATH_MAX + 16];
    struct stat st = {};
    if (!first_in_path(path, st)) {
        printf("No trivane is in PATH: install the trivane package.\n");
        return 1;
    }
    const shown named(path);
    binary b;
    inspect(path, b);
    struct stat copy = {};
    device_paths saved = {};
    char absent[BATTERY_SLOTS * PATH_SLOT] = "";
    int status = 1;
    if (stat_soft(SYSTEM_COPY, copy) && same_file(st, copy)) {
        // The machine's copy: the administrator's choice stands for every user, also
        // where this user may not read it.
        bool unreadable = false;
        const bool kept = saved_slots(saved, unreadable);
        if (b.is == verdict::trivane && (kept ? same_devices(b.paths, saved) : unreadable)) {
            printf("%s is the machine's copy, for the devices the administrator saved "
                   "in " SYSTEM_DEVICES "%s.\n",
                   named.text, unreadable ? " (which this user may not read)" : "");
            status = 0;
        } else {
            printf("%s is the machine's copy, and not of this version or not for the devices "
                   "saved in " SYSTEM_DEVICES
                   ": sudo trivane-setup --system --devices " SYSTEM_DEVICES " writes it anew.\n",
                   named.text);
        }
    } else if (b.is == verdict::trivane && reads_this_machine(b.paths, wanted, sys, absent)) {
        printf("%s is trivane " TRIVANE_VERSION " and reads this machine's devices%s.\n",
               named.text, found_nothing(d) ? " (none was found: it reads the defaults)" : "");
        if (absent[0] != '\0') {
            printf("It counts %s, out of the bay now, when it is back.\n", absent);
        }
        status = 0;
    } else if (say_copy_not_reached(wanted, sys, named) ||
               say_installed_fits(in, st, wanted, sys, named)) {
        status = 1;
    } else if (b.is == verdict::trivane) {
        printf("%s is trivane " TRIVANE_VERSION ", for other devices than this machine's: run "
               "trivane-setup.\n",
               named.text);
    } else if (b.is == verdict::other_version || b.is == verdict::changed) {
        printf("%s is trivane %s, not this setup's " TRIVANE_VERSION
               ", or changed since its build: run trivane-setup.\n",
               named.text, shown(b.version).text);
    } else {
        printf("%s is not a trivane this setup can read.\n", named.text);
        return 1;
    }
    if (b.is == verdict::trivane || b.is == verdict::changed) {
        say_files(b.paths);
    }
    return status;
}

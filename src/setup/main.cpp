// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// trivane-setup: writes a copy of the installed trivane that reads this machine's
// devices, as trivane-detect finds them. Only the copy's path slots, contents hash
// and build-id differ from the installed binary, so the copy is byte for byte what a
// build from source with the same device options gives; no compiler is needed.
// With --system (as root) the copy is the trivane of every user, through the
// alternatives system, and package upgrades write it anew from /etc/trivane.
#include "setup/setup.h"

#include "monitors/devices.h"
#include "setup/binary.h"
#include "setup/children.h"
#include "setup/failure.h"
#include "setup/files.h"

#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

extern const char usage[];
const char usage[] =
    "usage: trivane-setup [-o FILE] [--sys DIR] [--devices FILE] [--force] [--from FILE]\n"
    "       trivane-setup --system [--sys DIR] [--devices FILE] [--force] [--from FILE]\n"
    "       trivane-setup --system --undo\n"
    "       trivane-setup --check [--sys DIR] [--devices FILE]\n"
    "\n"
    "Finds this machine's fan, backlight, mains adapter and battery with trivane-detect\n"
    "(which says what it chose and why) and writes a trivane that reads them: a copy of\n"
    "the installed one, which it never changes.\n"
    "\n"
    "  -o FILE         where to write the copy (default: ~/.local/bin/trivane; as root,\n"
    "                  -o or --system must be given)\n"
    "  --system        as root: make the copy the trivane of every user and status bar,\n"
    "                  whatever their PATH, and keep the devices in\n"
    "                  /etc/trivane/devices.cmake, from which package upgrades write it anew\n"
    "  --undo          with --system: go back to the packaged trivane\n"
    "  --check         say whether the trivane PATH finds is of this version and reads\n"
    "                  this machine's devices (status 0) or not (status 1)\n"
    "  --devices FILE  take the devices from a file that trivane-detect -o wrote\n"
    "  --sys DIR       the machine's sysfs is a tree laid out in DIR (for tests): the\n"
    "                  devices are found there, or checked there with --devices\n"
    "  --force         write a copy even where the installed trivane fits, or over a\n"
    "                  file that is not a trivane\n"
    "  --from FILE     the trivane to copy (default: the packaged one)\n"
    "  --version       print the version\n"
    "  --stamp FILE    (for builds) set FILE's contents hash and build-id\n";

int main(int argc, char **argv)
{
    options o;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        const char **value = strcmp(a, "-o") == 0 || strcmp(a, "--output") == 0 ? &o.output
                             : strcmp(a, "--from") == 0                         ? &o.from
                             : strcmp(a, "--sys") == 0                          ? &o.sys
                             : strcmp(a, "--devices") == 0                      ? &o.devices
                             : strcmp(a, "--stamp") == 0                        ? &o.stamp
                                                                                : nullptr;
        bool *flag = strcmp(a, "--force") == 0    ? &o.force
                     : strcmp(a, "--system") == 0 ? &o.system
                     : strcmp(a, "--undo") == 0   ? &o.undo
                     : strcmp(a, "--check") == 0  ? &o.check
                                                  : nullptr;
        if (strcmp(a, "-h") == 0 || strcmp(a, "--help") == 0) {
            fputs(usage, stdout);
            return 0;
        }
        if (strcmp(a, "--version") == 0) {
            puts("trivane-setup " TRIVANE_VERSION);
            return 0;
        }
        if (flag != nullptr) {
            *flag = true;
        } else if (value == nullptr) {
            misuse("unknown argument '%s'", a);
        } else if (i + 1 == argc) {
            misuse("%s needs a value", a);
        } else {
            *value = argv[++i];
        }
    }
    struct sigaction quit = {};
    quit.sa_handler = on_signal;
    const int signals[] = {SIGHUP, SIGINT, SIGTERM};
    for (const int sig : signals) {
        sigaction(sig, &quit, nullptr);
    }
    // A file size limit makes a write fail, which is refused like any other,
    // instead of killing setup before it can clean up.
    signal(SIGXFSZ, SIG_IGN);
    if (o.stamp != nullptr) {
        return stamp(o.stamp);
    }
    if (o.undo && (!o.system || o.sys || o.devices || o.from || o.force)) {
        misuse("--undo goes with --system alone");
    }
    if (o.system && o.output != nullptr) {
        misuse("--system writes the machine's copy in its own place: -o does not go with it");
    }
    if (o.check && (o.system || o.output || o.force || o.from)) {
        misuse("--check takes --sys or --devices only");
    }
    const char *home = getenv("HOME");
    if (o.system && geteuid() != 0) {
        refuse("--system changes the trivane of every user: run it as root (sudo trivane-setup "
               "--system).");
    }
    // Root writes into no home by default: the home may be another user's (sudo
    // -E, su -m), who could then neither remove nor replace the copy.
    if (!o.system && !o.check && o.output == nullptr && geteuid() == 0) {
        refuse("as root, it writes into no home: give -o FILE, or --system to make the copy the "
               "trivane of every user of this machine.");
    }
    if (!o.system && !o.check && o.output == nullptr && (home == nullptr || home[0] != '/')) {
        refuse("HOME is not set: give the copy's path with -o FILE.");
    }

    char folder[PATH_MAX];
    own_folder(folder);
    char link[PATH_MAX + 16];
    snprintf(link, sizeof link, "%s/trivane", folder);
    char from_path[PATH_MAX + 32];
    packaged_trivane(folder, from_path);
    if (o.from != nullptr) {
        snprintf(from_path, sizeof from_path, "%s", o.from);
    }
    if (o.system) {
        struct stat st = {};
        if (lstat(link, &st) != 0 || !S_ISLNK(st.st_mode) ||
            access(alternatives_tool(), X_OK) != 0) {
            refuse("--system makes the copy an alternative of the packaged trivane, and %s is not "
                   "one: it works with the trivane package. Write a copy per user (trivane-setup "
                   "as each user), or with -o.",
                   link);
        }
        // A copy of another version is stale whatever comes next: every user runs
        // the packaged trivane until a copy is written anew.
        binary old;
        inspect(SYSTEM_COPY, old);
        if (old.what != holds::nothing && old.what != holds::trivane) {
            remove_system_copy(alternatives_tool(), false);
        }
        if (o.undo && !remove_system_copy(alternatives_tool(), true)) {
            printf("There is no machine-wide copy: every user runs the packaged trivane.\n");
        }
        if (o.undo) {
            return 0;
        }
    }

    binary from;
    target to = {};
    if (!o.check) {
        read_from(from_path, from);
    }
    if (!o.system && !o.check) {
        to = user_target(o, link, from_path);
    }
    text saved;
    if (o.devices != nullptr && !read_file(o.devices, saved)) {
        refuse("cannot read the devices file %s: %s.", o.devices, why_unread(errno));
    }
    const devices d = o.devices != nullptr ? parse_devices(saved.data, o.devices)
                                           : detect(folder, o.sys, !o.check);
    device_paths wanted = {};
    fill(wanted, d, o.sys != nullptr ? o.sys : "/sys");
    if (o.check) {
        return check(d, wanted);
    }
    memcpy(wanted.magic, from.paths.magic, offsetof(device_paths, fan));
    image_set_paths(from.img, wanted);
    // The copy's build-id is its hash, as a build for these devices would have it;
    // its size was checked with the hash of the binary it copies.
    image_stamp(from.img);
    return o.system ? system_setup(o, link, from, d, from.img, wanted)
                    : user_setup(o, link, to, d, from.img, wanted);
}

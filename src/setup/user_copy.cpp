// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// The user's copy: ~/.local/bin/trivane, or the file -o names.
#include "setup/setup.h"

#include "setup/binary.h"
#include "setup/failure.h"
#include "setup/layout.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Makes ~/.local and ~/.local/bin as mkdir makes them (the umask applies) in the
// home, the folder of to, and makes to the place of the copy in them.
void make_local_bin(place &to)
{
    char home[sizeof to.shown];
    folder_of(to, home);
    place local;
    read_fault f;
    make_folder(to.dir, ".local", home);
    char words[PATH_MAX * 2];
    if (!walk(to.dir, home, ".local/bin", false, local, f)) {
        refuse("cannot make the folder %s: %s.", shown(f.at).text,
               read_words(f, words, sizeof words));
    }
    char dot_local[sizeof local.shown];
    folder_of(local, dot_local);
    make_folder(local.dir, "bin", dot_local);
    if (!walk(to.dir, home, ".local/bin/trivane", false, to, f)) {
        refuse("cannot make the folder %s: %s.", shown(f.at).text,
               read_words(f, words, sizeof words));
    }
}

// Whether the trivane users run is the machine's copy, for the devices the
// administrator saved (or where this user may not read them, for whatever they
// are: the administrator's choice stands).
bool machine_copy_for_saved(const installed &in, const binary &inst)
{
    struct stat runs = {};
    struct stat copy = {};
    device_paths saved = {};
    bool unreadable = false;
    stat_soft(in.link, runs);
    return stat_soft(SYSTEM_COPY, copy) && same_file(runs, copy) && inst.is == verdict::trivane &&
           (saved_slots(saved, unreadable) ? same_devices(saved, inst.paths) : unreadable);
}

bool stale(verdict v)
{
    return v == verdict::other_version || v == verdict::changed || v == verdict::other_machine;
}

} // namespace

int user_copy(const options &o, const installed &in)
{
    const char *home = getenv("HOME");
    // Root writes into no home by default: the home may be another user's (sudo
    // -E, su -m), who could then neither remove nor replace the copy.
    if (o.output == nullptr && geteuid() == 0) {
        refuse("as root, it writes into no home: give -o FILE, or --system to make the copy the "
               "trivane of every user of this machine.");
    }
    if (o.output == nullptr && (home == nullptr || home[0] != '/')) {
        refuse("HOME is not set: give the copy's path with -o FILE.");
    }
    const char *from_path = o.from != nullptr ? o.from : in.packaged;
    binary from;
    read_from(from_path, from);

    // Where the copy goes, checked before the detector runs. ~/.local/bin is
    // made only when the copy is written: until then the home's way is walked.
    char output[PATH_MAX + 32];
    char local_bin[PATH_MAX + 32];
    snprintf(local_bin, sizeof local_bin, "%s/.local/bin", home);
    struct stat st = {};
    const bool make = o.output == nullptr && !stat_soft(local_bin, st);
    snprintf(output, sizeof output, "%s", o.output != nullptr ? o.output : local_bin);
    if (o.output == nullptr) {
        snprintf(output, sizeof output, make ? "%s/trivane" : "%s/.local/bin/trivane", home);
    }
    place to;
    find(output, to);
    binary there;
    if (make) {
        snprintf(output, sizeof output, "%s/.local/bin/trivane", home);
    } else {
        // Where the output is (or leads to) the trivane copied or the installed
        // one, writing would replace what every later copy is made from.
        struct stat target = {};
        struct stat link = {};
        struct stat source = {};
        stat_soft(output, target);
        stat_soft(in.link, link);
        stat_soft(from_path, source);
        if (target.st_mode != 0 && (same_file(target, link) || same_file(target, source))) {
            refuse("%s is the trivane it copies, or the installed one: give another path with -o "
                   "FILE.",
                   shown(output).text);
        }
        check_target(to, output);
        inspect(to, there);
    }
    const shown out(output);

    text t;
    devices d;
    machine_devices(o, in, true, t, d);
    const char *sys = o.sys != nullptr ? o.sys : "/sys";
    device_paths wanted = {};
    wanted_slots(d, sys, wanted);
    binary inst;
    inspect(in.link, inst);
    char absent[BATTERY_SLOTS * PATH_SLOT];
    const bool machine = machine_copy_for_saved(in, inst);
    const bool installed_fits =
        inst.is == verdict::trivane &&
        (machine || found_nothing(d) || reads_this_machine(inst.paths, wanted, sys, absent));
    const bool there_reads =
        there.is == verdict::trivane && reads_this_machine(there.paths, wanted, sys, absent);

    const shown link(in.link);
    if (installed_fits && !o.force) {
        char runs[PATH_MAX + 128];
        if (machine) {
            snprintf(runs, sizeof runs,
                     "every user runs the machine's copy, for the devices the administrator saved "
                     "in " SYSTEM_DEVICES);
        } else {
            snprintf(runs, sizeof runs, "the installed %s reads this machine's devices", link.text);
        }
        if (stale(there.is) || (there.is == verdict::trivane && !there_reads)) {
            remove_at(to, output);
            printf("Removed %s, a trivane %s: %s.\n", out.text,
                   there.is == verdict::trivane ? "for other devices" : "of another version", runs);
        } else if (machine) {
            printf("As %s, nothing to write (--force writes a copy of your own).\n", runs);
        } else if (found_nothing(d)) {
            printf("trivane-detect found no fan, backlight, charger or battery here: a copy "
                   "would read no more than the installed %s. Nothing was written.\n",
                   link.text);
        } else {
            printf("The installed %s already reads this machine's devices: nothing to write "
                   "(--force writes a copy all the same).\n",
                   link.text);
        }
        say_not_found(d);
        return 0;
    }

    memcpy(wanted.magic, from.paths.magic, offsetof(device_paths, fan));
    image_set_paths(from.img, wanted);
    // The copy's build-id is its hash, as a build for these devices would have it;
    // its size was checked with the hash of the binary it copies.
    image_stamp(from.img);
    char folder[sizeof to.shown];
    folder_of(to, folder);
    const bool same_bytes = there.file.size == from.img.size &&
                            memcmp(there.file.data, from.img.data, from.img.size) == 0;
    if (there_reads && (same_bytes || (!same_devices(there.paths, wanted) && !o.force))) {
        printf("%s already is a trivane for this machine's devices: nothing to write.\n", out.text);
        if (absent[0] != '\0') {
            printf("It counts %s, out of the bay now, when it is back.\n", absent);
        }
        stat_soft(output, st);
        say_how_path_finds(st, folder, home);
        return 0;
    }
    if ((there.is == verdict::unreadable || there.is == verdict::not_trivane) && !o.force) {
        refuse("%s holds a file that is not a trivane (a script of yours?): remove it, give "
               "another path with -o, or --force to write over it.",
               out.text);
    }
    if (make) {
        make_local_bin(to);
        folder_of(to, folder);
    }
    const mode_t mask = umask(0);
    umask(mask);
    commit(stage(to, output, from.img.data, from.img.size, 0777 & ~mask), to, output);

    const char *over = there.is == verdict::nothing   ? ""
                       : there_reads                  ? ", over another build for them"
                       : there.is == verdict::trivane ? ", over a copy for other devices"
                       : stale(there.is)              ? ", over a trivane of another version"
                                                      : ", over the file that was there";
    printf("Wrote %s, a trivane that reads this machine's devices%s.\n", out.text, over);
    say_not_found(d);
    restat(to);
    say_how_path_finds(to.st, folder, home);
    if (there.is == verdict::nothing) {
        printf("A status bar started before the copy existed keeps running the one it found: "
               "restart it.\n");
    }
    printf("To remove it: rm %s\n"
           "After an upgrade of the trivane package, run trivane-setup again (trivane-setup "
           "--check tells whether it is needed).\n",
           out.text);
    return 0;
}

// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// The machine's copy (--system): the trivane of every user, through the
// alternatives system, written anew from the administrator's devices file by
// every upgrade of the package. Its devices file, the copy and the alternative
// change together or not at all.
#include "setup/setup.h"

#include "monitors/devices.h"
#include "setup/binary.h"
#include "setup/failure.h"
#include "setup/layout.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const char *base_name(const char *path) { return strrchr(path, '/') + 1; }

// One setup at a time changes the machine's copy, so its leftovers are its own.
// The lock is a file in the copy's folder that root alone can open: a lock on the
// folder, which every user can open, any user could hold.
#define LOCK_FILE SYSTEM_COPY_FOLDER "/lock"

// The machine's copy and devices file, found in root's folders (the folders
// judged first: -1 where missing), and the lock.
struct machine_files {
    int copy_dir = -1;
    int devices_dir = -1;
    int lock = -1;
    place copy;
    place saved;
    ~machine_files()
    {
        const int fds[] = {copy_dir, devices_dir, lock};
        for (const int fd : fds) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }
};

// Judges root's folders, and makes them where make is set; finds the files in
// them, and takes the lock once the copy's folder exists.
void open_folders(machine_files &m, bool make)
{
    if (m.copy_dir < 0) {
        m.copy_dir = root_folder(SYSTEM_COPY_FOLDER, make);
    }
    if (m.devices_dir < 0) {
        m.devices_dir = root_folder(SYSTEM_DEVICES_FOLDER, make);
    }
    read_fault f;
    char words[PATH_MAX * 2];
    if ((m.copy_dir >= 0 &&
         !walk(m.copy_dir, SYSTEM_COPY_FOLDER, base_name(SYSTEM_COPY), false, m.copy, f)) ||
        (m.devices_dir >= 0 && !walk(m.devices_dir, SYSTEM_DEVICES_FOLDER,
                                     base_name(SYSTEM_DEVICES), false, m.saved, f))) {
        refuse("cannot reach %s: %s.", shown(f.at).text, read_words(f, words, sizeof words));
    }
    if (m.lock >= 0 || m.copy_dir < 0) {
        return;
    }
    // The lock as it is, else made; on a read-only file system, where nothing can
    // change, none is needed.
    const int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC;
    m.lock = openat(m.copy_dir, base_name(LOCK_FILE), flags);
    if (m.lock < 0) {
        m.lock = openat(m.copy_dir, base_name(LOCK_FILE), flags | O_CREAT | O_EXCL, 0600);
        if (m.lock >= 0) {
            begun(undo::remove_file, m.copy_dir, base_name(LOCK_FILE));
        } else if (errno != EROFS) {
            refuse("cannot lock " LOCK_FILE ": %s.", strerror(errno));
        }
    }
    fchmod(m.lock, 0600);
    if (m.lock >= 0 && flock(m.lock, LOCK_EX | LOCK_NB) != 0) {
        refuse("another trivane-setup --system is at work on %s: let it end, then run this again.",
               SYSTEM_COPY_FOLDER);
    }
}

// The copy's folder, its lock and the folder itself, gone where nothing else is
// in it.
void remove_folder()
{
    unlink(LOCK_FILE);
    rmdir(SYSTEM_COPY_FOLDER);
}

// The package's setup, beside the link users run.
#define PACKAGED_SETUP PACKAGED_BINDIR "/trivane-setup"
// Where an install from source goes by default: before the package in users' PATH.
#define SOURCE_INSTALL "/usr/local/bin/trivane"

// The link users run (/usr/bin/trivane) must be the alternatives' link. Where this
// setup is an install from source's and the package's is there too, that one is
// the one to run.
void need_package(const installed &in)
{
    struct stat st = {};
    if (lstat(in.link, &st) == 0 && S_ISLNK(st.st_mode) && access(alternatives_tool(), X_OK) == 0) {
        return;
    }
    struct stat packaged = {};
    struct stat self = {};
    char own[PATH_MAX + 16];
    snprintf(own, sizeof own, "%.*s/trivane-setup", static_cast<int>(strlen(in.link) - 8), in.link);
    if (stat_soft(PACKAGED_SETUP, packaged) && stat_soft(own, self) && !same_file(packaged, self)) {
        refuse("--system makes the copy an alternative of the packaged trivane, and %s is not one: "
               "this trivane-setup is an install from source's. Run the package's, " PACKAGED_SETUP
               ", or remove the install from source (its build folder's install_manifest.txt "
               "lists its files).",
               shown(in.link).text);
    }
    refuse("--system makes the copy an alternative of the packaged trivane, and %s is not "
           "one: it works with the trivane package. Write a copy per user (trivane-setup "
           "as each user), or with -o.",
           shown(in.link).text);
}

// Says where a trivane installed from source comes before the package's in PATH.
void say_shadowed()
{
    struct stat st = {};
    if (stat_soft(SOURCE_INSTALL, st)) {
        printf(SOURCE_INSTALL
               ", of an install from source, comes before " PACKAGED_BINDIR
               " in most users' PATH, and they run it rather than the machine's copy: remove it "
               "(its build folder's install_manifest.txt lists its files).\n");
    }
}

// What the link runs now, as a path.
void runs_now(const installed &in, char (&path)[PATH_MAX])
{
    if (realpath(in.link, path) == nullptr) {
        snprintf(path, sizeof path, "nothing (%s)", strerror(errno));
    }
}

// Says what the link runs: the copy, or another trivane chosen by hand.
void say_who_runs(const installed &in)
{
    char runs[PATH_MAX];
    runs_now(in, runs);
    if (strcmp(runs, SYSTEM_COPY) == 0) {
        printf("%s runs it now, for every user and status bar, whatever their PATH.\n",
               shown(in.link).text);
    } else {
        printf("%s runs %s, chosen by hand among the alternatives: %s --auto trivane makes it "
               "run the copy.\n",
               shown(in.link).text, shown(runs).text, alternatives_tool());
    }
}

// The alternative of the copy, made; refuses where update-alternatives fails,
// having taken back what this run changed.
void install_alternative(const installed &in, bool stale, const place *new_copy)
{
    char runs[PATH_MAX];
    runs_now(in, runs);
    if (alternatives({"--install", in.link, "trivane", SYSTEM_COPY, SYSTEM_PRIORITY, "--slave",
                      in.man_link, "trivane.1.gz", in.man_page})) {
        return;
    }
    if (new_copy != nullptr) {
        // A copy where there was none goes, and any alternative of it.
        alternatives({"--remove", "trivane", SYSTEM_COPY});
        remove_at(*new_copy, SYSTEM_COPY);
    }
    char what[PATH_MAX * 2];
    if (stale) {
        snprintf(what, sizeof what,
                 "the copy of another version goes, and %s runs the packaged "
                 "trivane",
                 shown(in.link).text);
    } else {
        snprintf(what, sizeof what, "nothing was changed: %s runs %s as before",
                 shown(in.link).text, shown(runs).text);
    }
    refuse("%s --install %s trivane " SYSTEM_COPY " " SYSTEM_PRIORITY " failed: %s.",
           alternatives_tool(), shown(in.link).text, what);
}

// A copy of another version can only go: where no copy can be written for this
// one, it is removed with its alternative, and every user runs the packaged
// trivane. The refusal does it, after taking back what this run began.
void drop_stale_copy()
{
    alternatives({"--remove", "trivane", SYSTEM_COPY});
    if (unlink(SYSTEM_COPY) == 0) {
        printf("Removed " SYSTEM_COPY ", a trivane of another version, and its alternative: every "
               "user runs the packaged trivane.\n");
    } else {
        printf("Every user runs the packaged trivane: " SYSTEM_COPY ", a trivane of another "
               "version, could not be removed (%s).\n",
               strerror(errno));
    }
    remove_folder();
}

// Removes the copy and its alternative; false where there was none.
bool remove_copy(machine_files &m)
{
    if (m.copy.st.st_mode == 0) {
        return false;
    }
    alternatives({"--remove", "trivane", SYSTEM_COPY});
    remove_at(m.copy, SYSTEM_COPY);
    remove_folder();
    printf("Removed " SYSTEM_COPY " and its alternative.\n");
    return true;
}

} // namespace

int system_undo(const installed &in)
{
    if (geteuid() != 0) {
        refuse("--system changes the trivane of every user: run it as root (sudo trivane-setup "
               "--system --undo).");
    }
    need_package(in);
    machine_files m;
    open_folders(m, false);
    bool removed = remove_copy(m);
    if (m.saved.st.st_mode != 0) {
        // The administrator's choice is kept, where upgrades no longer read it.
        char old[NAME_MAX + 1];
        snprintf(old, sizeof old, "%.*s.old", NAME_MAX - 4, m.saved.name);
        if (renameat(m.saved.dir, m.saved.name, m.saved.dir, old) != 0) {
            refuse("cannot rename " SYSTEM_DEVICES ": %s.", strerror(errno));
        }
        printf("Kept the devices of " SYSTEM_DEVICES " as " SYSTEM_DEVICES
               ".old: package upgrades no longer write a copy from them.\n");
        removed = true;
    }
    if (!removed) {
        printf("There is no machine-wide copy: every user runs the packaged trivane.\n");
    }
    return 0;
}

int system_copy(const options &o, const installed &in)
{
    if (geteuid() != 0) {
        refuse("--system changes the trivane of every user: run it as root (sudo trivane-setup "
               "--system).");
    }
    need_package(in);
    machine_files m;
    open_folders(m, false);
    binary old;
    inspect(m.copy, old);
    const bool stale = old.is != verdict::nothing && old.is != verdict::trivane;
    if (stale) {
        on_refusal(drop_stale_copy);
    }
    binary from;
    read_from(o.from != nullptr ? o.from : in.packaged, from);
    text t;
    devices d;
    struct stat given = {};
    machine_devices(o, in, true, t, d, &given);
    device_paths wanted = {};
    wanted_slots(d, o.sys != nullptr ? o.sys : "/sys", wanted);
    memcpy(wanted.magic, from.paths.magic, offsetof(device_paths, fan));
    char absent[BATTERY_SLOTS * PATH_SLOT];
    if (!o.force &&
        reads_this_machine(from.paths, wanted, o.sys != nullptr ? o.sys : "/sys", absent)) {
        const bool removed = remove_copy(m);
        printf("The packaged trivane reads this machine's devices%s.\n",
               removed ? ": every user runs it again" : ": nothing to write");
        say_not_found(d);
        return 0;
    }
    image_set_paths(from.img, wanted);
    image_stamp(from.img);

    // The devices saved are the administrator's file, comments and all, where it
    // is given as itself; else the options, written anew.
    struct stat saved_st = {};
    const bool itself =
        o.devices != nullptr && stat_soft(SYSTEM_DEVICES, saved_st) && same_file(saved_st, given);
    char saved[8192];
    const size_t saved_size =
        devices_text(d,
                     "# trivane's devices, for trivane-setup --system: package upgrades write the\n"
                     "# machine's copy of trivane anew from this file. Edit it, then run\n"
                     "# trivane-setup --system --devices " SYSTEM_DEVICES ".\n",
                     saved, sizeof saved);
    text now;
    read_fault f;
    const bool same_saved =
        itself || (m.saved.st.st_mode != 0 && read_at(m.saved, now, f) && now.size == saved_size &&
                   memcmp(now.data, saved, saved_size) == 0);
    const bool same_copy = old.is == verdict::trivane && old.file.size == from.img.size &&
                           memcmp(old.file.data, from.img.data, from.img.size) == 0;
    if (same_saved && same_copy) {
        char runs[PATH_MAX];
        runs_now(in, runs);
        if (strcmp(runs, SYSTEM_COPY) != 0) {
            install_alternative(in, false, nullptr);
        }
        printf(SYSTEM_COPY " already is this machine's trivane, for these devices: nothing to "
                           "write.\n");
        runs_now(in, runs);
        if (strcmp(runs, SYSTEM_COPY) != 0) {
            say_who_runs(in);
        }
        return 0;
    }

    // Prepared, then committed: the devices file and the copy, each with a backup
    // of what it replaces, then the alternative. Where that fails, both are put
    // back and the alternative is as it was.
    open_folders(m, true);
    const int copy_step =
        commit(stage(m.copy, SYSTEM_COPY, from.img.data, from.img.size, 0755, true), m.copy,
               SYSTEM_COPY, true);
    int saved_step = -1;
    if (!same_saved) {
        saved_step = commit(stage(m.saved, SYSTEM_DEVICES, reinterpret_cast<unsigned char *>(saved),
                                  saved_size, 0644, true),
                            m.saved, SYSTEM_DEVICES, true);
    }
    if (old.is == verdict::nothing) {
        // A stop from here keeps a copy where there was none: its alternative may
        // be made already, and must not lead to a copy taken back.
        settle(copy_step);
        install_alternative(in, stale, &m.copy);
    } else {
        install_alternative(in, stale, nullptr);
        settle(copy_step);
    }
    // The change is made: no signal from here takes a part of it back.
    if (saved_step >= 0) {
        settle(saved_step);
    }
    forget_backup(m.copy);
    if (saved_step >= 0) {
        forget_backup(m.saved);
    }
    on_refusal(nullptr);
    if (same_saved) {
        printf("Wrote " SYSTEM_COPY ", a trivane for the devices saved in " SYSTEM_DEVICES ":\n");
    } else {
        printf("Wrote " SYSTEM_COPY ", a trivane that reads this machine's devices, and saved "
               "them in " SYSTEM_DEVICES ":\n");
    }
    printf("package upgrades write the copy anew from that file.\n");
    say_who_runs(in);
    printf("trivane-setup --system --undo goes back to the packaged trivane.\n");
    say_shadowed();
    say_not_found(d);
    return 0;
}

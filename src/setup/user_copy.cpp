// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "setup/setup.h"

#include "setup/failure.h"
#include "setup/files.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

// Where the user's copy goes, checked before anything else is done: -o FILE, or
// ~/.local/bin/trivane, whose folders are made only when the copy is written.
target user_target(const options &o, const char *link, const char *from_path)
{
    const char *home = getenv("HOME");
    char output[PATH_MAX + 32];
    snprintf(output, sizeof output, "%s/.local/bin", home);
    struct stat st = {};
    const bool make = o.output == nullptr && stat(output, &st) != 0;
    if (o.output != nullptr) {
        snprintf(output, sizeof output, "%s", o.output);
    } else {
        // Where ~/.local/bin is still to be made, HOME's own way is checked now.
        snprintf(output, sizeof output, make ? "%s/trivane" : "%s/.local/bin/trivane", home);
    }
    target to = open_target(output);
    if (make) {
        close(to.dir);
        to.dir = -1;
        snprintf(to.path, sizeof to.path, "%s/.local/bin/trivane", home);
        const size_t len = strlen(to.folder);
        snprintf(to.folder + len, sizeof to.folder - len, "%s.local/bin", len > 1 ? "/" : "");
        snprintf(to.full, sizeof to.full, "%s/trivane", to.folder);
        return to;
    }
    char installed[PATH_MAX];
    char copied[PATH_MAX];
    real_path(link, installed);
    real_path(from_path, copied);
    if (strcmp(installed, to.full) == 0 || strcmp(copied, to.full) == 0) {
        refuse("%s is the trivane it copies, or the installed one: give another path with -o FILE.",
               output);
    }
    check_target(to);
    return to;
}

// Makes ~/.local and ~/.local/bin, as mkdir makes them (the umask applies), and
// opens the copy's folder.
void make_local_bin(target &to)
{
    const char *home = getenv("HOME");
    const char *const parts[] = {".local", ".local/bin"};
    for (int i = 0; i < 2; ++i) {
        char dir[PATH_MAX];
        snprintf(dir, sizeof dir, "%s/%s", home, parts[i]);
        const bool made = mkdir(dir, 0777) == 0;
        if (!made && errno != EEXIST) {
            refuse("cannot make the folder %s: %s.", dir, strerror(errno));
        }
        if (made) {
            memcpy(pending.made[i], dir, sizeof dir);
        }
    }
    to = open_target(to.path);
}

int user_setup(const options &o, const char *link, target &to, const devices &d, const image &copy,
               const device_paths &wanted)
{
    const char *home = getenv("HOME");
    const char *output = to.path;
    // What the installed trivane (the one users run without a copy) and the
    // output hold now.
    char installed_path[PATH_MAX];
    real_path(link, installed_path);
    binary installed;
    binary there;
    inspect(installed_path, installed);
    inspect(to.full, there);
    const bool installed_fits =
        installed.what == holds::trivane && same_devices(installed.paths, wanted);
    const bool there_fits = there.what == holds::trivane && same_devices(there.paths, wanted);
    if (installed_fits && !o.force) {
        if (there.what == holds::old_trivane || (there.what == holds::trivane && !there_fits)) {
            if (unlinkat(to.dir, to.name, 0) != 0) {
                refuse("cannot remove %s: %s.", output, strerror(errno));
            }
            printf("Removed %s, a trivane %s: the installed %s reads this machine's devices.\n",
                   output,
                   there.what == holds::old_trivane ? "of another version" : "for other devices",
                   link);
        } else if (found_nothing(d)) {
            printf("trivane-detect found no fan, backlight, mains adapter or battery here: a copy "
                   "would read no more than the installed %s. Nothing was written.\n",
                   link);
        } else {
            printf("The installed %s already reads this machine's devices: nothing to write "
                   "(--force writes a copy all the same).\n",
                   link);
        }
        say_not_found(d);
        return 0;
    }
    if (there_fits && holds_bytes(to.full, copy.data, copy.size)) {
        printf("%s already is a trivane for this machine's devices: nothing to write.\n", output);
        return 0;
    }
    if (there.what == holds::other && !o.force) {
        refuse("%s holds a file that is not a trivane (a script of yours?): remove it, give "
               "another path with -o, or --force to write over it.",
               output);
    }
    if (to.dir < 0) {
        make_local_bin(to);
    }
    const mode_t mask = umask(0);
    umask(mask);
    stage(0, to, copy.data, copy.size, 0777 & ~mask);
    commit(0, to);

    const char *over[] = {"", ", over the file that was there",
                          ", over a trivane of another version", ", over a copy for other devices"};
    printf("Wrote %s, a trivane that reads this machine's devices%s.\n", output,
           there_fits ? ", over another build for them" : over[static_cast<int>(there.what)]);
    say_not_found(d);
    char named[PATH_MAX + 16];
    char first[PATH_MAX];
    char local_bin[PATH_MAX + 16];
    char real_local_bin[PATH_MAX];
    snprintf(local_bin, sizeof local_bin, "%s/.local/bin", home);
    real_path(local_bin, real_local_bin);
    if (first_in_path(named, first) && strcmp(first, to.full) == 0) {
        printf("It comes first in your PATH: the command trivane runs it.\n");
    } else if (in_path(to.folder)) {
        printf("Your PATH finds %s first: put %s before its folder in PATH, or run the copy by its "
               "path.\n",
               named, to.folder);
    } else if (strcmp(to.folder, real_local_bin) == 0 && login_adds_local_bin(home)) {
        printf("Your login adds %s to PATH where it exists: log in again, and the command trivane "
               "runs it.\n",
               to.folder);
    } else {
        printf("Your PATH does not have %s: add PATH=\"%s:$PATH\" to ~/.profile and log in again, "
               "or run it by its path.\n",
               to.folder, to.folder);
    }
    if (there.what == holds::nothing) {
        printf("A status bar started before the copy existed keeps running the one it found: "
               "restart it.\n");
    }
    printf("To remove it: rm %s\n"
           "After an upgrade of the trivane package, run trivane-setup again (trivane-setup "
           "--check tells whether it is needed).\n",
           output);
    return 0;
}

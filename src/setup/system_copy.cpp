// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "setup/setup.h"

#include "setup/children.h"
#include "setup/failure.h"
#include "setup/files.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

// The packaged trivane, where the package keeps it: users run it through the
// alternatives link beside this program. A build folder or a source install has
// it beside this program.
void packaged_trivane(const char *folder, char (&path)[PATH_MAX + 32])
{
    snprintf(path, sizeof path, "%s/../libexec/trivane/trivane", folder);
    if (access(path, F_OK) != 0) {
        snprintf(path, sizeof path, "%s/trivane", folder);
    }
}

// Removes a file of the machine's copy, and its folder where it is empty; says so.
bool remove_file(const char *file, const char *folder, const char *also)
{
    if (unlink(file) != 0) {
        refuse("cannot remove %s: %s.", file, strerror(errno));
    }
    rmdir(folder);
    printf("Removed %s%s.\n", file, also);
    return true;
}

// Takes the machine-wide copy away: its alternative, the copy and, with
// config, the saved devices. False if there was nothing to take.
bool remove_system_copy(const char *tool, bool config)
{
    bool removed = false;
    if (access(SYSTEM_COPY, F_OK) == 0) {
        alternatives(tool, "--remove", "trivane", SYSTEM_COPY);
        removed = remove_file(SYSTEM_COPY, "/var/lib/trivane", " and its alternative");
    }
    if (config && access(SYSTEM_DEVICES, F_OK) == 0) {
        removed = remove_file(SYSTEM_DEVICES, "/etc/trivane", "");
    }
    return removed;
}

int system_setup(const options &o, const char *link, const binary &from, const devices &d,
                 const image &copy, const device_paths &wanted)
{
    const char *tool = alternatives_tool();
    if (same_devices(wanted, from.paths) && !o.force) {
        const bool removed = remove_system_copy(tool, false);
        printf("The packaged trivane reads this machine's devices%s.\n",
               removed ? ": every user runs it again" : ": nothing to write");
        say_not_found(d);
        return 0;
    }
    text saved;
    devices_text(d, saved);
    char given[PATH_MAX];
    real_path(o.devices != nullptr ? o.devices : "", given);
    // The saved devices are the administrator's, comments and all, where they are given.
    const bool same_saved =
        strcmp(given, SYSTEM_DEVICES) == 0 ||
        holds_bytes(SYSTEM_DEVICES, reinterpret_cast<unsigned char *>(saved.data), saved.size);
    char now[PATH_MAX];
    real_path(link, now);
    if (strcmp(now, SYSTEM_COPY) == 0 && same_saved &&
        holds_bytes(SYSTEM_COPY, copy.data, copy.size)) {
        printf("%s already is this machine's trivane, for these devices: nothing to write.\n",
               SYSTEM_COPY);
        return 0;
    }
    const char *const folders[] = {"/etc/trivane", "/var/lib/trivane"};
    for (const char *dir : folders) {
        if (mkdir(dir, 0755) != 0 && errno != EEXIST) {
            refuse("cannot make the folder %s: %s.", dir, strerror(errno));
        }
    }
    // Every user runs the copy, whatever the umask of the one who wrote it.
    const target to = open_target(SYSTEM_COPY);
    const target config = open_target(SYSTEM_DEVICES);
    stage(0, to, copy.data, copy.size, 0755);
    if (!same_saved) {
        stage(1, config, reinterpret_cast<unsigned char *>(saved.data), saved.size, 0644);
        commit(1, config);
    }
    commit(0, to);
    if (!alternatives(tool, "--install", link, "trivane", SYSTEM_COPY, SYSTEM_PRIORITY)) {
        unlink(SYSTEM_COPY);
        refuse("%s --install %s trivane %s %s failed: every user runs the packaged trivane.", tool,
               link, SYSTEM_COPY, SYSTEM_PRIORITY);
    }
    printf("Wrote %s, a trivane that reads this machine's devices, and saved them in %s:\n"
           "package upgrades write the copy anew from that file.\n",
           SYSTEM_COPY, SYSTEM_DEVICES);
    real_path(link, now);
    if (strcmp(now, SYSTEM_COPY) == 0) {
        printf("%s runs it now, for every user and status bar, whatever their PATH.\n", link);
    } else {
        printf("%s runs %s, chosen by hand among the alternatives: %s --auto trivane makes it "
               "run the copy.\n",
               link, now, tool);
    }
    printf("trivane-setup --system --undo goes back to the packaged trivane.\n");
    say_not_found(d);
    return 0;
}

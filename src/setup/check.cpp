// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "setup/setup.h"

#include "monitors/devices.h"

#include <stdio.h>

// One line and a status: whether the trivane PATH finds is of this version and
// reads this machine's devices.
int check(const devices &d, const device_paths &wanted)
{
    char named[PATH_MAX + 16];
    char first[PATH_MAX];
    if (!first_in_path(named, first)) {
        printf("No trivane is in PATH: install the trivane package.\n");
        return 1;
    }
    binary b;
    inspect(first, b);
    const bool fits = same_devices(b.paths, wanted);
    if (b.what == holds::trivane && fits) {
        printf("%s is trivane " TRIVANE_VERSION " and reads this machine's devices%s.\n", named,
               found_nothing(d) ? " (none was found: it reads the defaults)" : "");
        return 0;
    }
    if (b.what == holds::trivane) {
        printf("%s is trivane " TRIVANE_VERSION ", for other devices than this machine's: run "
               "trivane-setup.\n",
               named);
    } else if (b.what == holds::old_trivane) {
        printf("%s is trivane %s, not this setup's " TRIVANE_VERSION
               ", or changed since its build: run trivane-setup.\n",
               named, b.version);
    } else {
        printf("%s is not a trivane this setup can read.\n", named);
    }
    return 1;
}

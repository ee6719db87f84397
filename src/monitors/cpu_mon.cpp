// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "attr/attr.h"
#include "monitors/monitors.h"
#include "monitors/paths.h"

#include <stdio.h>

namespace {
// hwmon sysfs-interface: fanN_input is the fan's speed in RPM. The first file that
// opens is the one reported, whatever it then holds. A build may list the same
// device under several hwmonN, since the kernel numbers them anew at each boot;
// the list ends at the first empty slot, and the last slot is always empty.
constexpr const auto &fan_paths = paths.fan;

// Prints the fan line, "FAN rpm: %d\n", without pulling printf's machinery into a
// run that otherwise has no use for it.
void print_fan_line(int rpm)
{
    char text[24];
    char *p = text + sizeof text;
    *--p = '\n';
    unsigned magnitude = rpm < 0 ? 0U - static_cast<unsigned>(rpm) : static_cast<unsigned>(rpm);
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (rpm < 0) {
        *--p = '-';
    }
    fputs("FAN rpm: ", stdout);
    fwrite(p, 1, static_cast<size_t>(text + sizeof text - p), stdout);
}
} // namespace

int cpu_mon()
{
    attr_stream file;
    bool opened = false;
    for (size_t i = 0; !opened && fan_paths[i][0] != '\0'; ++i) {
        opened = attr_open(file, fan_paths[i]);
    }
    if (!opened) {
        fputs("Cannot read fan RPM\n", stdout);
        return 1;
    }
    attr_buf buf = {};
    attr_read_last(file, buf);
    attr_close(file);
    print_fan_line(attr_to_int(buf));
    return 0;
}

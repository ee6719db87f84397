// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "attr/attr.h"
#include "monitors/monitors.h"
#include "monitors/paths.h"
#include "report.h"

#include <stdio.h>

namespace {
// sysfs-class-power: "online" is the supply's state as text (0, 1, ...), shown as
// the kernel wrote it. A battery's pair is charge (µAh) or energy (µWh) files;
// only their ratio is used, so the digits are the same for either.
// The supplies a build reads, up to the first empty slot: one by default.
constexpr const auto &ac_paths = paths.ac;
// The batteries a build reads, up to the first empty slot; one by default.
constexpr const auto &full_paths = paths.battery_full;
constexpr const auto &now_paths = paths.battery_now;

// The sums stay where the digits are exact on every processor.
static_assert(BATTERY_SLOTS * ATTR_VALUE_MAX < PERCENT_VALUE_LIMIT,
              "the sum of every battery's charge must stay below 2^32 for exact.h's division");

// The level is the machine's: the sum of the present charges over the sum of the
// full charges, never an average of percentages, which is wrong as soon as the
// capacities differ. A battery whose files cannot be opened (taken out of its bay,
// its folder gone) is left out; one that reads a full charge of 0 (an empty bay,
// on some drivers) adds what it reads, nothing there. So one battery that opens
// gives the digits it gives alone, and where none opens, the report ends as
// attr_open_or_exit ends it.
void report_batteries()
{
    long long full = 0;
    long long now = 0;
    bool opened = false;
    attr_stream file;
    for (size_t i = 0; i < BATTERY_SLOTS && full_paths[i][0] != '\0'; ++i) {
        // Charges are read by their first chunk only: a value of ten or more digits
        // is cut to nine. An empty charge_now repeats charge_full (one shared buffer).
        attr_buf buf = {};
        if (!attr_open(file, full_paths[i])) {
            continue;
        }
        attr_read_first(file, buf);
        attr_close(file);
        const int battery_full = attr_to_int(buf);
        if (!attr_open(file, now_paths[i])) {
            continue;
        }
        attr_read_first(file, buf);
        attr_close(file);
        opened = true;
        full += battery_full;
        now += attr_to_int(buf);
    }
    if (!opened) {
        attr_exit_unopened();
    }
    report_percent("Level: %0.2f%\n", now, full);
}

// Of several supplies (a laptop whose USB-C ports report charging apart from its
// mains adapter), the power line shows the first that is online: whose text is
// anything but "0", with or without its newline, or nothing at all (an empty
// file, a read that fails). Where none is, it shows the first offline one's "0";
// where every one that opened said nothing, that nothing, as one such supply
// alone would; where none opens, the report ends as attr_open_or_exit ends it. A
// supply that is offline costs its open, its one read and its close: a regular
// file, and a sysfs attribute, give their whole text to the first read.
void report_chargers()
{
    attr_stream file;
    const char *offline = "";
    bool opened = false;
    for (size_t i = 0; i < AC_SLOTS && ac_paths[i][0] != '\0'; ++i) {
        if (!attr_open(file, ac_paths[i])) {
            continue;
        }
        opened = true;
        const size_t size = attr_peek(file);
        const char *text = file.io + file.pos;
        const bool zero = (size == 1 || (size == 2 && text[1] == '\n')) && text[0] == '0';
        if (size != 0 && !zero) {
            // Its whole text, byte for byte, as one supply's is shown.
            fputs("Power state: ", stdout);
            attr_copy_out(file);
            attr_close(file);
            return;
        }
        attr_close(file);
        if (zero && *offline == '\0') {
            offline = size == 1 ? "0" : "0\n";
        }
    }
    if (!opened) {
        attr_exit_unopened();
    }
    fputs("Power state: ", stdout);
    fputs(offline, stdout);
}
} // namespace

int battery_mon()
{
    if (ac_paths[1][0] == '\0') {
        // One supply: its text, whatever it holds, as the kernel wrote it.
        attr_stream file;
        attr_open_or_exit(file, ac_paths[0]);
        // The file's own newline ends the power line.
        fputs("Power state: ", stdout);
        attr_copy_out(file);
        attr_close(file);
    } else {
        report_chargers();
    }
    report_batteries();
    return 0;
}

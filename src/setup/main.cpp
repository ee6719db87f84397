// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// trivane-setup's command line, and the mode it chooses.
#include "setup/setup.h"

#include "monitors/devices.h"
#include "setup/binary.h"
#include "setup/failure.h"
#include "setup/layout.h"

#include <getopt.h>
#include <stdio.h>
#include <string.h>

namespace {

const char usage[] =
    "usage: trivane-setup [-o FILE] [--sys DIR] [--devices FILE] [--force] [--from FILE]\n"
    "       trivane-setup --system [--sys DIR] [--devices FILE] [--force] [--from FILE]\n"
    "       trivane-setup --system --undo\n"
    "       trivane-setup --check [--sys DIR] [--devices FILE]\n"
    "\n"
    "Finds this machine's fan, backlight, chargers and battery with trivane-detect\n"
    "(which says what it chose and why) and writes a trivane that reads them: a copy of\n"
    "the installed one, which it never changes.\n"
    "\n"
    "  -o, --output FILE\n"
    "                  where to write the copy (default: ~/.local/bin/trivane; as root,\n"
    "                  -o or --system must be given)\n"
    "  --system        as root: make the copy the trivane of every user and status bar,\n"
    "                  whatever their PATH, and keep the devices in\n"
    "                  " SYSTEM_DEVICES ", from which package upgrades write it anew\n"
    "  --undo          with --system: go back to the packaged trivane\n"
    "  --check         say whether the trivane PATH finds is of this version and reads\n"
    "                  this machine's devices (status 0) or not (status 1), and which\n"
    "                  files it reads\n"
    "  --devices FILE  take the devices from a file that trivane-detect -o wrote\n"
    "  --sys DIR       the machine's sysfs is a tree laid out in DIR (for tests): the\n"
    "                  devices are found there, or checked there with --devices\n"
    "  --force         write a copy even where the installed trivane fits, or over a\n"
    "                  file that is not a trivane\n"
    "  --from FILE     the trivane to copy (default: the packaged one)\n"
    "  --version       print the version\n"
    "  -h, --help      print this help\n"
    "  --stamp FILE    (for builds) set FILE's contents hash and build-id\n";

} // namespace

int main(int argc, char **argv)
{
    options o;
    const char *stamp_file = nullptr;
    bool system = false;
    bool check_only = false;
    const option longs[] = {
        {"output", required_argument, nullptr, 'o'}, {"from", required_argument, nullptr, 'f'},
        {"sys", required_argument, nullptr, 's'},    {"devices", required_argument, nullptr, 'd'},
        {"stamp", required_argument, nullptr, 'S'},  {"force", no_argument, nullptr, 'F'},
        {"system", no_argument, nullptr, 'Y'},       {"undo", no_argument, nullptr, 'U'},
        {"check", no_argument, nullptr, 'C'},        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},      {nullptr, 0, nullptr, 0}};
    opterr = 0;
    for (int c; (c = getopt_long(argc, argv, ":o:h", longs, nullptr)) != -1;) {
        const char *given = argv[optind - 1];
        switch (c) {
        case 'o':
            o.output = optarg;
            break;
        case 'f':
            o.from = optarg;
            break;
        case 's':
            o.sys = optarg;
            break;
        case 'd':
            o.devices = optarg;
            break;
        case 'S':
            stamp_file = optarg;
            break;
        case 'F':
            o.force = true;
            break;
        case 'Y':
            system = true;
            break;
        case 'U':
            o.undo = true;
            break;
        case 'C':
            check_only = true;
            break;
        case 'h':
            fputs(usage, stdout);
            return 0;
        case 'V':
            puts("trivane-setup " TRIVANE_VERSION);
            return 0;
        case ':':
            misuse("%s needs a value", given);
        default:
            const char short_option[] = {'-', static_cast<char>(optopt), '\0'};
            misuse("unknown argument '%s'", optopt != 0 ? short_option : given);
        }
    }
    if (optind < argc) {
        misuse("unknown argument '%s'", argv[optind]);
    }
    catch_signals();
    if (stamp_file != nullptr) {
        return stamp(stamp_file);
    }
    if (o.undo && (!system || o.sys || o.devices || o.from || o.force)) {
        misuse("--undo goes with --system alone");
    }
    if (system && o.output != nullptr) {
        misuse("--system writes the machine's copy in its own place: -o does not go with it");
    }
    if (check_only && (system || o.output || o.force || o.from)) {
        misuse("--check takes --sys or --devices only");
    }
    installed in;
    find_installed(in);
    if (system) {
        return o.undo ? system_undo(in) : system_copy(o, in);
    }
    return check_only ? check(o, in) : user_copy(o, in);
}

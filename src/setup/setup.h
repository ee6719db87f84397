// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// trivane-setup writes a copy of the installed trivane that reads this machine's
// devices, as trivane-detect finds them: only the copy's path slots, contents hash
// and build-id differ from the installed binary, so the copy is byte for byte
// what a build from source for those devices gives, and no compiler is needed.
// The command line chooses a mode, each a room of its own; they share the
// machine's devices and what PATH finds.
#pragma once

#include "monitors/paths.h"
#include "setup/children.h"
#include "setup/devices.h"
#include "setup/files.h"

#include <sys/stat.h>

struct options {
    const char *output = nullptr;
    const char *from = nullptr;
    const char *sys = nullptr;
    const char *devices = nullptr;
    bool force = false;
    bool undo = false;
};

// The user's copy, in ~/.local/bin or -o FILE.
int user_copy(const options &o, const installed &in);
// The machine's copy, /usr/bin/trivane's alternative (--system), and its undoing.
int system_copy(const options &o, const installed &in);
int system_undo(const installed &in);
// Whether the trivane PATH finds fits this machine (--check).
int check(const options &o, const installed &in);

// This machine's devices: from --devices FILE (whose file st is then), or as
// trivane-detect finds them (saying what it chose, where say is set). They point
// into t.
void machine_devices(const options &o, const installed &in, bool say, text &t, devices &d,
                     struct stat *given = nullptr);
// Their slots, by the configure step's rules; batteries of other units than the
// machine at sys shows for them are refused.
void wanted_slots(const devices &d, const char *sys, device_paths &p);
// Whether a trivane of these slots reads this machine's devices; its batteries
// that were not found must be out of their bay now (absent: their names, one
// sentence for the user, empty where none).
bool reads_this_machine(const device_paths &has, const device_paths &wanted, const char *sys,
                        char (&absent)[BATTERY_SLOTS * PATH_SLOT]);
// What the report does without the devices the detector found nowhere.
void say_not_found(const devices &d);
// The slots of the machine's copy, from the administrator's devices file; false
// where it cannot be read (unreadable: this user may not read it) or is refused.
bool saved_slots(device_paths &p, bool &unreadable);
// The files a trivane of these slots reads, for --check.
void say_files(const device_paths &p);

// Where PATH finds a command named trivane first: named as PATH names it.
bool first_in_path(char (&named)[PATH_MAX + 16], struct stat &st);
// Says whether the command trivane runs the copy at copy (a file in folder,
// shown), and what to do where it does not; true where it does.
bool say_how_path_finds(const struct stat &copy, const char *folder, const char *home);

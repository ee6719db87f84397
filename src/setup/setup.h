// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// trivane-setup's modes, as the command line chooses them.
#pragma once

#include "monitors/paths.h"
#include "setup/binary.h"
#include "setup/devices.h"
#include "setup/files.h"

#include <limits.h>

// The machine-wide copy, kept as Debian Policy wants: the administrator's choice
// in /etc, the package's state in /var/lib.
constexpr char SYSTEM_COPY[] = "/var/lib/trivane/trivane";
constexpr char SYSTEM_DEVICES[] = "/etc/trivane/devices.cmake";
// Above the packaged trivane's priority, which its maintainer scripts give.
constexpr char SYSTEM_PRIORITY[] = "20";

struct options {
    const char *output = nullptr;
    const char *from = nullptr;
    const char *sys = nullptr;
    const char *devices = nullptr;
    const char *stamp = nullptr;
    bool force = false;
    bool system = false;
    bool undo = false;
    bool check = false;
};

bool next_in_path(const char *&rest, char (&entry)[PATH_MAX], char (&real)[PATH_MAX]);
bool first_in_path(char (&named)[PATH_MAX + 16], char (&found)[PATH_MAX]);
bool in_path(const char *folder);
bool login_adds_local_bin(const char *home);

void packaged_trivane(const char *folder, char (&path)[PATH_MAX + 32]);
bool remove_system_copy(const char *tool, bool config);
int system_setup(const options &o, const char *link, const binary &from, const devices &d,
                 const image &copy, const device_paths &wanted);
target user_target(const options &o, const char *link, const char *from_path);
int user_setup(const options &o, const char *link, target &to, const devices &d, const image &copy,
               const device_paths &wanted);
int check(const devices &d, const device_paths &wanted);

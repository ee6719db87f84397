// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// What PATH and the login do with a copy: where the command trivane is found.
#include "setup/setup.h"

#include "setup/failure.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

// Each folder of PATH in turn, as given, with its stat; false at the end.
bool next_in_path(const char *&rest, char (&entry)[PATH_MAX], struct stat &st)
{
    while (rest != nullptr && *rest != '\0') {
        const size_t len = strcspn(rest, ":");
        snprintf(entry, sizeof entry, "%.*s", static_cast<int>(len), rest);
        rest += len + (rest[len] == ':');
        if (len > 0 && stat_soft(entry, st) && S_ISDIR(st.st_mode)) {
            return true;
        }
    }
    return false;
}

// Whether PATH has the folder.
bool in_path(const struct stat &folder)
{
    const char *rest = getenv("PATH");
    char entry[PATH_MAX];
    struct stat st = {};
    while (next_in_path(rest, entry, st)) {
        if (same_file(st, folder)) {
            return true;
        }
    }
    return false;
}

// Whether a login file adds ~/.local/bin to PATH where it exists, as Debian's and
// Ubuntu's ~/.profile do: then a new login finds the copy.
bool login_adds_local_bin(const char *home)
{
    bool adds = false;
    const char *const files[] = {".profile", ".bash_profile", ".bash_login", ".zprofile"};
    for (const char *file : files) {
        char path[PATH_MAX];
        snprintf(path, sizeof path, "%s/%s", home, file);
        text t;
        read_fault f;
        adds = adds || (read_file(path, t, f) && strstr(t.data, ".local/bin") != nullptr);
    }
    return adds;
}

} // namespace

bool first_in_path(char (&named)[PATH_MAX + 16], struct stat &st)
{
    const char *rest = getenv("PATH");
    char entry[PATH_MAX];
    struct stat folder = {};
    while (next_in_path(rest, entry, folder)) {
        snprintf(named, sizeof named, "%s/trivane", entry);
        if (stat_soft(named, st) && S_ISREG(st.st_mode) && access(named, X_OK) == 0) {
            return true;
        }
    }
    return false;
}

bool say_how_path_finds(const struct stat &copy, const char *folder, const char *home)
{
    char named[PATH_MAX + 16] = "another trivane";
    struct stat first = {};
    struct stat there = {};
    char local_bin[PATH_MAX];
    snprintf(local_bin, sizeof local_bin, "%s/.local/bin", home != nullptr ? home : "");
    struct stat local = {};
    const bool has_local = home != nullptr && stat_soft(local_bin, local);
    stat_soft(folder, there);
    const shown where(folder);
    if (first_in_path(named, first) && same_file(first, copy)) {
        printf("It comes first in your PATH: the command trivane runs it.\n");
        return true;
    }
    if (in_path(there)) {
        printf("Your PATH finds %s first: put %s before its folder in PATH, or run the copy by its "
               "path.\n",
               shown(named).text, where.text);
    } else if (has_local && same_file(there, local) && login_adds_local_bin(home)) {
        printf("Your login adds %s to PATH where it exists: log in again, and the command trivane "
               "runs it.\n",
               where.text);
    } else {
        printf("Your PATH does not have %s: add PATH=\"%s:$PATH\" to ~/.profile and log in again, "
               "or run it by its path.\n",
               where.text, where.text);
    }
    return false;
}

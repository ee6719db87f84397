// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "setup/setup.h"

#include "setup/files.h"

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

// Each folder of PATH in turn, as given and as a real path; false at the end.
bool next_in_path(const char *&rest, char (&entry)[PATH_MAX], char (&real)[PATH_MAX])
{
    while (rest != nullptr && *rest != '\0') {
        const size_t len = strcspn(rest, ":");
        snprintf(entry, sizeof entry, "%.*s", static_cast<int>(len), rest);
        rest += len + (rest[len] == ':');
        if (len > 0 && realpath(entry, real) != nullptr) {
            return true;
        }
    }
    return false;
}

// Where PATH finds a command named trivane first: as named, and its real path.
bool first_in_path(char (&named)[PATH_MAX + 16], char (&found)[PATH_MAX])
{
    const char *rest = getenv("PATH");
    char entry[PATH_MAX];
    char real[PATH_MAX];
    while (next_in_path(rest, entry, real)) {
        snprintf(named, sizeof named, "%s/trivane", entry);
        if (realpath(named, found) != nullptr && access(found, X_OK) == 0) {
            return true;
        }
    }
    return false;
}

// Whether PATH has the folder.
bool in_path(const char *folder)
{
    const char *rest = getenv("PATH");
    char entry[PATH_MAX];
    char real[PATH_MAX];
    while (next_in_path(rest, entry, real)) {
        if (strcmp(real, folder) == 0) {
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
        adds = adds || (read_file(path, t) && strstr(t.data, ".local/bin") != nullptr);
        free(t.data);
    }
    return adds;
}

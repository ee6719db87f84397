// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// The programs setup runs, trivane-detect and update-alternatives, and where the
// installed programs are. Every child gets a clean environment: a fixed PATH and
// the C locale, nothing of the caller's (a user's PATH, BASH_ENV, ENV, SHELLOPTS,
// LD_* would otherwise reach a child that runs as root), and dpkg's own variables
// only where dpkg runs setup from the trivane package's maintainer scripts.
#pragma once

#include "setup/files.h"

#include <limits.h>

// Where the programs installed with this setup are: the folder of its own file
// (/proc/self/exe), or the package's folders where that cannot be read (a root
// without /proc).
struct installed {
    char detector[PATH_MAX + 32]; // trivane-detect
    char link[PATH_MAX + 32];     // the trivane users run without a copy
    char packaged[PATH_MAX + 32]; // the trivane to copy, where --from does not say
    char man_link[PATH_MAX + 32]; // trivane.1, in the manual, and the page it leads to
    char man_page[PATH_MAX + 32];
};
void find_installed(installed &in);

// Runs trivane-detect (--sys sys where given) and returns the devices file it
// prints, in out; what it says of its choices goes to standard error where say
// is set. Where it fails, its own first line is the refusal's reason.
void detect(const installed &in, const char *sys, bool say, text &out);

// Debian's update-alternatives, or that of RPM systems (both take --install LINK
// NAME PATH PRIORITY and --remove NAME PATH); where neither is, the first, which
// cannot run.
const char *alternatives_tool();
// Runs it with these arguments (up to the first nullptr) and its standard output
// quiet: whether it succeeded.
bool alternatives(const char *const (&args)[10]);

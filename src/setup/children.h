// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// The programs setup runs: trivane-detect and update-alternatives.
#pragma once

#include "setup/devices.h"

#include <limits.h>
#include <sys/types.h>

void own_folder(char (&dir)[PATH_MAX]);
pid_t spawn(const char *const argv[], int out, int err);
devices detect(const char *folder, const char *sys, bool say);
const char *alternatives_tool();
bool alternatives(const char *tool, const char *a, const char *b, const char *c,
                  const char *d = nullptr, const char *e = nullptr);

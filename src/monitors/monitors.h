// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// The report's monitors. Each reads its own fixed sysfs files, prints its own lines
// on standard output, and returns a status nobody needs to check.
#pragma once

// Fan 1's speed, or "Cannot read fan RPM"; never ends the run. Returns 1 when no
// fan file opened, 0 otherwise.
int cpu_mon();

// The backlight level as a percentage of its maximum. Ends the run if a file is missing.
int brightness_mon();

// The AC power state, copied as the kernel wrote it, then the battery charge as a
// percentage of the full charge. Ends the run if a file is missing.
int battery_mon();

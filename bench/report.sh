#!/bin/sh
# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# The same report as a shell script with cat and awk, as people write it by hand.
for h in 0 1 2; do
    f=/sys/devices/virtual/hwmon/hwmon$h/fan1_input
    if [ -r "$f" ]; then echo "FAN rpm: $(cat "$f")"; break; fi
done
bl=/sys/class/backlight/intel_backlight
ps=/sys/class/power_supply
awk -v max="$(cat $bl/max_brightness)" -v now="$(cat $bl/brightness)" \
    'BEGIN { printf "Brightness: %.2f%%\n", now / max * 100 }'
echo "Power state: $(cat $ps/AC/online)"
awk -v full="$(cat $ps/BAT0/charge_full)" -v now="$(cat $ps/BAT0/charge_now)" \
    'BEGIN { printf "Level: %.2f%%\n", now / full * 100 }'

# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# The devices a build reads: which sysfs files the monitors open, fixed at build time
# (tools/detect prints these options for the machine at hand). The defaults are the
# files of a classic laptop. Every value ends up in a C string literal and in the
# manual page, so each is checked here before anything is generated.
set(TRIVANE_FAN_FILES
    /sys/devices/virtual/hwmon/hwmon0/fan1_input
    /sys/devices/virtual/hwmon/hwmon1/fan1_input
    /sys/devices/virtual/hwmon/hwmon2/fan1_input
    CACHE STRING "Fan speed files (absolute paths), tried in this order: the first that opens is read")
set(TRIVANE_BACKLIGHT intel_backlight
    CACHE STRING "Backlight device under /sys/class/backlight (max_brightness, brightness)")
set(TRIVANE_AC AC CACHE STRING "Power supply under /sys/class/power_supply whose online file is shown")
set(TRIVANE_BATTERY BAT0 CACHE STRING "Battery under /sys/class/power_supply")
set(TRIVANE_BATTERY_UNITS charge
    CACHE STRING "Battery files: charge (charge_full, charge_now) or energy (energy_full, energy_now)")
set_property(CACHE TRIVANE_BATTERY_UNITS PROPERTY STRINGS charge energy)

# Characters no path of ours may hold: quotes, backslash, white space, controls.
set(controls "")
foreach(code RANGE 1 31)
  string(ASCII ${code} c)
  string(APPEND controls "${c}")
endforeach()
string(ASCII 127 c)
set(unsafe "[\"'\\\\ ${controls}${c}]")

foreach(var TRIVANE_BACKLIGHT TRIVANE_AC TRIVANE_BATTERY)
  if(${var} MATCHES "${unsafe}|[/;]" OR ${var} MATCHES "^\\.?\\.?$")
    message(FATAL_ERROR "${var} is '${${var}}': it must be one device name, as listed in "
      "/sys/class, without a slash, quote, backslash, white space or control character, "
      "and not '.' or '..'.")
  endif()
endforeach()
if(TRIVANE_FAN_FILES STREQUAL "")
  message(FATAL_ERROR "TRIVANE_FAN_FILES is empty: it must list at least one fan file.")
endif()
foreach(file IN LISTS TRIVANE_FAN_FILES)
  if(NOT file MATCHES "^/" OR file MATCHES "${unsafe}")
    message(FATAL_ERROR "TRIVANE_FAN_FILES holds '${file}': each fan file must be an absolute "
      "path without a quote, backslash, white space or control character.")
  endif()
endforeach()
if(NOT TRIVANE_BATTERY_UNITS MATCHES "^(charge|energy)$")
  message(FATAL_ERROR "TRIVANE_BATTERY_UNITS is '${TRIVANE_BATTERY_UNITS}': it must be charge "
    "or energy.")
endif()

set(TRIVANE_BACKLIGHT_MAX_FILE /sys/class/backlight/${TRIVANE_BACKLIGHT}/max_brightness)
set(TRIVANE_BACKLIGHT_LEVEL_FILE /sys/class/backlight/${TRIVANE_BACKLIGHT}/brightness)
set(TRIVANE_AC_FILE /sys/class/power_supply/${TRIVANE_AC}/online)
set(battery /sys/class/power_supply/${TRIVANE_BATTERY}/${TRIVANE_BATTERY_UNITS})
set(TRIVANE_BATTERY_FULL_FILE ${battery}_full)
set(TRIVANE_BATTERY_NOW_FILE ${battery}_now)
list(JOIN TRIVANE_FAN_FILES "\", \"" TRIVANE_FAN_FILES_C)
configure_file(src/monitors/devices.h.in generated/monitors/devices.h @ONLY)

message(STATUS "trivane: reads, in this order (of the fan files, the first that opens):")
foreach(file IN LISTS TRIVANE_FAN_FILES)
  message(STATUS "  fan        ${file}")
endforeach()
foreach(line IN ITEMS "backlight  ${TRIVANE_BACKLIGHT_MAX_FILE}" "backlight  ${TRIVANE_BACKLIGHT_LEVEL_FILE}"
                      "power      ${TRIVANE_AC_FILE}" "battery    ${TRIVANE_BATTERY_FULL_FILE}"
                      "battery    ${TRIVANE_BATTERY_NOW_FILE}")
  message(STATUS "  ${line}")
endforeach()

# The same paths for the manual page's FILES section (roff wants \- for a hyphen).
foreach(what IN ITEMS BACKLIGHT_MAX BACKLIGHT_LEVEL AC BATTERY_FULL BATTERY_NOW)
  string(REPLACE "-" "\\-" TRIVANE_MAN_${what} "${TRIVANE_${what}_FILE}")
endforeach()
set(TRIVANE_MAN_FAN_FILES "")
list(LENGTH TRIVANE_FAN_FILES left)
foreach(file IN LISTS TRIVANE_FAN_FILES)
  string(REPLACE "-" "\\-" file "${file}")
  math(EXPR left "${left} - 1")
  if(left GREATER 0)
    string(APPEND TRIVANE_MAN_FAN_FILES ".IR ${file} ,\n.TQ\n")
  else()
    string(APPEND TRIVANE_MAN_FAN_FILES ".I ${file}")
  endif()
endforeach()

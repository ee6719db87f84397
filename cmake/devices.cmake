# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# The devices a build reads: which sysfs files the monitors open, fixed at build time
# (src/detect/trivane-detect prints these options for the machine at hand). The defaults are the
# files of a classic laptop. Every value ends up in a C string literal and in the
# manual page, so each is checked here before anything is generated.
set(defaults
    "FAN_FILES|/sys/devices/virtual/hwmon/hwmon0/fan1_input\;/sys/devices/virtual/hwmon/hwmon1/fan1_input\;/sys/devices/virtual/hwmon/hwmon2/fan1_input"
    "BACKLIGHT|intel_backlight"
    "AC|AC"
    "BATTERY|BAT0"
    "BATTERY_UNITS|charge")
# Whether this build reads the default devices: only such a build is packaged.
set(TRIVANE_DEFAULT_DEVICES ON)
foreach(default IN LISTS defaults)
  string(REGEX MATCH "^([A-Z_]+)\\|(.*)$" _ "${default}")
  set(TRIVANE_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}" CACHE STRING "")
  if(NOT "${TRIVANE_${CMAKE_MATCH_1}}" STREQUAL "${CMAKE_MATCH_2}")
    set(TRIVANE_DEFAULT_DEVICES OFF)
    set(chosen_${CMAKE_MATCH_1} ON)
  endif()
endforeach()
set_property(CACHE TRIVANE_BATTERY_UNITS PROPERTY STRINGS charge energy)
# The help that cmake -LH shows, also where a file for cmake -C set the values.
foreach(
  help IN
  ITEMS
    "FAN_FILES|Fan speed files under /sys, tried in this order: the first that opens is read"
    "BACKLIGHT|Backlight device under /sys/class/backlight (max_brightness, brightness)"
    "AC|Power supplies under /sys/class/power_supply, at most 4: the first online one's online file is shown"
    "BATTERY|Batteries under /sys/class/power_supply, at most 4: the level is their sum's"
    "BATTERY_UNITS|Battery files: charge (charge_full, charge_now) or energy (energy_full, energy_now)"
)
  string(REPLACE "|" ";" help "${help}")
  list(GET help 0 var)
  list(GET help 1 text)
  set_property(CACHE TRIVANE_${var} PROPERTY HELPSTRING "${text}")
endforeach()

# The characters of sysfs names, and no others: no quote, backslash, blank, control
# or glob character, nothing a C string, a shell word or a trigraph could take
# otherwise (src/detect/rules.bash holds the same rule).
set(name_chars "[A-Za-z0-9._:+@,=~-]")
# A refused value stays in the cache: the message says how to set it anew.
function(refuse var)
  string(CONCAT text ${ARGN})
  message(FATAL_ERROR "${text} Set it anew with -D${var}=VALUE, or take the default back with "
                      "-U ${var}.")
endfunction()
set(chars_words "letters, digits and . _ : + @ , = ~ -")
foreach(var TRIVANE_BACKLIGHT TRIVANE_AC TRIVANE_BATTERY)
  set(values "${${var}}")
  set(several "")
  if(var STREQUAL "TRIVANE_BATTERY" OR var STREQUAL "TRIVANE_AC") # a list of names
    set(several "; or up to four such names, between semicolons")
    list(LENGTH values count)
    if(count GREATER 4)
      set(what batteries)
      if(var STREQUAL "TRIVANE_AC")
        set(what "power supplies")
      endif()
      refuse(${var} "${var} lists ${count} ${what}: a build takes at most 4.")
    endif()
  else()
    string(REPLACE ";" "|" values "${values}") # no name character: refused below
  endif()
  if(values STREQUAL "")
    set(values "|")
  endif()
  foreach(value IN LISTS values)
    if(NOT value MATCHES "^${name_chars}+$" OR value MATCHES "^\\.\\.?$")
      refuse(${var} "${var} is '${${var}}': it must be one device name, as listed in "
             "/sys/class, of ${chars_words} only, and not '.' or '..'${several}.")
    endif()
  endforeach()
endforeach()
if(TRIVANE_FAN_FILES STREQUAL "")
  refuse(TRIVANE_FAN_FILES "TRIVANE_FAN_FILES is empty: it must list at least one fan file.")
endif()
foreach(file IN LISTS TRIVANE_FAN_FILES)
  if(NOT file MATCHES "^/sys(/${name_chars}+)+$" OR file MATCHES "/\\.\\.?(/|$)")
    refuse(TRIVANE_FAN_FILES
           "TRIVANE_FAN_FILES holds '${file}': each fan file must be an absolute "
           "path under /sys, of ${chars_words} between its slashes, without '.' or '..'.")
  endif()
endforeach()
# Each path has a fixed slot in the binary (src/monitors/paths.h), which
# trivane-setup rewrites in a copy: 160 bytes with the ending zero, 17 fan files.
list(LENGTH TRIVANE_FAN_FILES fans)
if(fans GREATER 17)
  refuse(TRIVANE_FAN_FILES "TRIVANE_FAN_FILES lists ${fans} fan files: a build takes at most 17.")
endif()
if(NOT TRIVANE_BATTERY_UNITS MATCHES "^(charge|energy)$")
  refuse(TRIVANE_BATTERY_UNITS
         "TRIVANE_BATTERY_UNITS is '${TRIVANE_BATTERY_UNITS}': it must be charge " "or energy.")
endif()

set(TRIVANE_BACKLIGHT_MAX_FILE /sys/class/backlight/${TRIVANE_BACKLIGHT}/max_brightness)
set(TRIVANE_BACKLIGHT_LEVEL_FILE /sys/class/backlight/${TRIVANE_BACKLIGHT}/brightness)
set(TRIVANE_AC_FILES "")
foreach(supply IN LISTS TRIVANE_AC)
  list(APPEND TRIVANE_AC_FILES /sys/class/power_supply/${supply}/online)
endforeach()
set(TRIVANE_BATTERY_FULL_FILES "")
set(TRIVANE_BATTERY_NOW_FILES "")
# Each slot's paths between bars, which no path holds: a list between semicolons
# would make one element of each path, and a path after the first would go
# unchecked.
string(REPLACE ";" "|" fan_slots "${TRIVANE_FAN_FILES}")
string(REPLACE ";" "|" ac_slots "${TRIVANE_AC_FILES}")
set(slots "FAN_FILES|${fan_slots}" "BACKLIGHT|${TRIVANE_BACKLIGHT_MAX_FILE}" "AC|${ac_slots}")
set(other_units energy)
if(TRIVANE_BATTERY_UNITS STREQUAL "energy")
  set(other_units charge)
endif()
foreach(battery IN LISTS TRIVANE_BATTERY)
  set(dir /sys/class/power_supply/${battery})
  list(APPEND TRIVANE_BATTERY_FULL_FILES ${dir}/${TRIVANE_BATTERY_UNITS}_full)
  list(APPEND TRIVANE_BATTERY_NOW_FILES ${dir}/${TRIVANE_BATTERY_UNITS}_now)
  list(APPEND slots "BATTERY|${dir}/${TRIVANE_BATTERY_UNITS}_full")
  # Batteries of other units cannot be summed: their ratio needs a voltage that
  # varies. Where this machine shows it, that is refused.
  list(LENGTH TRIVANE_BATTERY count)
  if(count GREATER 1 AND NOT EXISTS ${dir}/${TRIVANE_BATTERY_UNITS}_full
     AND EXISTS ${dir}/${other_units}_full)
    refuse(
      TRIVANE_BATTERY_UNITS "TRIVANE_BATTERY_UNITS is ${TRIVANE_BATTERY_UNITS}, and this "
      "machine's ${battery} has ${other_units} files: every battery must have the files of the "
      "units set, since the levels of batteries of other units cannot be summed.")
  endif()
endforeach()
foreach(slot IN LISTS slots)
  string(REPLACE "|" ";" slot "${slot}")
  list(POP_FRONT slot var)
  set(here OFF)
  foreach(path IN LISTS slot)
    string(LENGTH "${path}" length)
    if(length GREATER 159)
      refuse(TRIVANE_${var}
             "TRIVANE_${var} gives the path '${path}' of ${length} bytes, too long for "
             "its slot: a path may take at most 159 bytes.")
    endif()
    if(EXISTS "${path}")
      set(here ON)
    endif()
  endforeach()
  # A device chosen here that this machine lacks may be a misspelt name
  # (intel_backlite); a build for another machine lacks them all: said, not refused.
  if(NOT here AND (chosen_${var} OR (var STREQUAL "BATTERY" AND chosen_BATTERY_UNITS)))
    list(JOIN slot ", " paths)
    message(WARNING "TRIVANE_${var}: this machine has no ${paths}: is a name misspelt? (Where "
                    "the build is for another machine, all is well.)")
  endif()
endforeach()
foreach(list FAN_FILES AC_FILES BATTERY_FULL_FILES BATTERY_NOW_FILES)
  list(JOIN TRIVANE_${list} "\", \"" TRIVANE_${list}_C)
endforeach()
configure_file(src/monitors/devices.h.in generated/monitors/devices.h @ONLY)

message(STATUS "trivane: reads, in this order (of the fan files, the first that opens; of the "
               "power files, the first online):")
foreach(file IN LISTS TRIVANE_FAN_FILES)
  message(STATUS "  fan        ${file}")
endforeach()
foreach(line IN ITEMS "backlight  ${TRIVANE_BACKLIGHT_MAX_FILE}"
                      "backlight  ${TRIVANE_BACKLIGHT_LEVEL_FILE}")
  message(STATUS "  ${line}")
endforeach()
foreach(file IN LISTS TRIVANE_AC_FILES)
  message(STATUS "  power      ${file}")
endforeach()
# The same paths for the manual page's FILES section (roff wants \- for a hyphen),
# each battery's pair together.
set(TRIVANE_MAN_BATTERIES "")
foreach(full now IN ZIP_LISTS TRIVANE_BATTERY_FULL_FILES TRIVANE_BATTERY_NOW_FILES)
  message(STATUS "  battery    ${full}")
  message(STATUS "  battery    ${now}")
  list(APPEND TRIVANE_MAN_BATTERIES ${full} ${now})
endforeach()
foreach(what IN ITEMS FAN_FILES BACKLIGHT_MAX_FILE BACKLIGHT_LEVEL_FILE AC_FILES MAN_BATTERIES)
  string(REPLACE "-" "\\-" man "${TRIVANE_${what}}")
  string(REPLACE ";" "\n" man "${man}")
  string(REGEX REPLACE "^MAN_|_FILES?$" "" what ${what})
  set(TRIVANE_MAN_${what} "${man}")
endforeach()

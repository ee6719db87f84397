# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# Read by cpack before it makes each package. Every date in the packages is the
# source date, so two builds of one commit give the same bytes; cpack, rpmbuild
# and string(TIMESTAMP) all read it from the environment.
if(CPACK_INSTALLED_DIRECTORIES) # cpack --config CPackSourceConfig.cmake
  message(FATAL_ERROR "trivane's source tarball is git archive of the commit, not a copy "
                      "of the folder: cmake --build BUILD --target dist")
endif()
# The packages carry the default devices, which trivane-setup rewrites in a copy:
# a package of a build for other devices would pass for them.
if(NOT CPACK_TRIVANE_DEFAULT_DEVICES)
  message(
    FATAL_ERROR
      "this build reads devices other than the defaults, and a package "
      "of it would pass for the default one. Package a build of the defaults, and let users "
      "run trivane-setup: in this folder, configure again with cmake -U 'TRIVANE_*' and the "
      "preset or options it was made with (cmake --preset release -U 'TRIVANE_*', say)")
endif()
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} "${CPACK_TRIVANE_SOURCE_DATE_EPOCH}")
endif()

# NEWS as a package's changelog (format deb or rpm), signed by the package's
# maintainer. The newest entry is this tree's version at the source date, a
# snapshot past a release getting an entry of its own; the others are dated with
# their release day.
function(trivane_changelog format out)
  file(READ "${CPACK_TRIVANE_SOURCE_DIR}/NEWS" news)
  string(REPLACE ";" "<semicolon>" news "${news}")
  string(REGEX MATCHALL "trivane [^\n]+\n\n(  [^\n]*\n)+" entries "${news}")
  if(CPACK_PACKAGE_VERSION MATCHES "^([^+]+)\\+git[0-9]+\\.(.+)$")
    list(
      PREPEND
      entries
      "trivane snapshot (snapshot)\n\n  * A development snapshot after ${CMAKE_MATCH_1}: commit ${CMAKE_MATCH_2}.\n"
    )
  endif()
  set(text "")
  foreach(entry IN LISTS entries)
    string(REGEX MATCH "^trivane ([^ ]+) \\(([^)]+)\\)\n\n(.*)$" _ "${entry}")
    set(version ${CMAKE_MATCH_1})
    set(when ${CMAKE_MATCH_2})
    set(items "${CMAKE_MATCH_3}")
    if(text STREQUAL "") # the newest entry
      set(version ${CPACK_PACKAGE_VERSION})
      set(when "@$ENV{SOURCE_DATE_EPOCH}")
    endif()
    if(format STREQUAL "deb")
      execute_process(COMMAND date -u -R -d ${when} OUTPUT_VARIABLE date
                      OUTPUT_STRIP_TRAILING_WHITESPACE)
      string(
        APPEND
        text
        "trivane (${version}) unstable; urgency=medium\n\n${items}\n -- ${CPACK_PACKAGE_CONTACT}  ${date}\n\n"
      )
    else()
      execute_process(COMMAND date -u "+%a %b %d %Y" -d ${when} OUTPUT_VARIABLE date
                      OUTPUT_STRIP_TRAILING_WHITESPACE)
      string(REGEX REPLACE "(^|\n)  \\* " "\\1- " items "${items}")
      string(REGEX REPLACE "\n    " "\n  " items "${items}")
      string(APPEND text "* ${date} ${CPACK_PACKAGE_CONTACT} - ${version}-1\n${items}\n")
    endif()
  endforeach()
  string(REPLACE "<semicolon>" ";" text "${text}")
  string(STRIP "${text}" text)
  file(WRITE "${out}" "${text}\n")
endfunction()

if(CPACK_GENERATOR STREQUAL "RPM")
  set(CPACK_RPM_CHANGELOG_FILE "${CPACK_PACKAGE_DIRECTORY}/rpm-changelog")
  trivane_changelog(rpm "${CPACK_RPM_CHANGELOG_FILE}")
endif()

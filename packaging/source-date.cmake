# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# The one date the packages carry (file times, changelog dates, the RPM's build
# time), so that two builds of one commit give the same bytes: SOURCE_DATE_EPOCH
# where set, else the last commit's date, else (a tarball without git) the date
# of the newest changelog entry.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(TRIVANE_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
elseif(EXISTS "${CMAKE_SOURCE_DIR}/.git")
  execute_process(COMMAND git log -1 --format=%ct
    WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}"
    OUTPUT_VARIABLE TRIVANE_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
    ERROR_QUIET)
  # A new commit changes the date: configure again.
  if(EXISTS "${CMAKE_SOURCE_DIR}/.git/logs/HEAD")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
      "${CMAKE_SOURCE_DIR}/.git/logs/HEAD")
  endif()
endif()
if(NOT TRIVANE_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  file(STRINGS "${CMAKE_SOURCE_DIR}/packaging/changelog" signed REGEX "^ -- " LIMIT_COUNT 1)
  string(REGEX REPLACE "^ -- .*  " "" changelog_date "${signed}")
  execute_process(COMMAND date -u -d "${changelog_date}" +%s
    OUTPUT_VARIABLE TRIVANE_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
endif()
message(STATUS "trivane: SOURCE_DATE_EPOCH ${TRIVANE_SOURCE_DATE_EPOCH}")

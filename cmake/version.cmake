# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# The version and the date of this tree, from NEWS and the commit, so that two
# trees never build files of the same name:
#   NEWS begins "trivane X.Y.Z (YYYY-MM-DD)", and the commit's subject is
#     "Release X.Y.Z..."                       X.Y.Z, the release
#   NEWS begins so, any other commit           X.Y.Z+gitYYYYMMDD.HASH
#   NEWS begins "trivane X.Y.Z (unreleased)"   X.Y.Z~gitYYYYMMDD.HASH
# (~ sorts before the release, + after it, for dpkg and rpm alike.) The commit
# comes from git, or in a tarball from packaging/git-archive, which git archive
# fills in. The date, SOURCE_DATE_EPOCH where set, else the commit's, is the one
# every file of the packages and the manual page carries.
set(top ${CMAKE_CURRENT_LIST_DIR}/..)
file(STRINGS ${top}/NEWS news LIMIT_COUNT 1)
if(NOT news MATCHES "^trivane ([0-9]+\\.[0-9]+\\.[0-9]+) \\(([0-9]+-[0-9]+-[0-9]+|unreleased)\\)$")
  message(FATAL_ERROR "NEWS must begin with 'trivane X.Y.Z (YYYY-MM-DD)' or "
                      "'trivane X.Y.Z (unreleased)', not '${news}'")
endif()
set(TRIVANE_RELEASE ${CMAKE_MATCH_1})
set(news_date ${CMAKE_MATCH_2})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${top}/NEWS)

file(STRINGS ${top}/packaging/git-archive commit REGEX "^[0-9a-f]+ [0-9]+ ")
if(NOT commit AND EXISTS ${top}/.git)
  execute_process(COMMAND git log -1 --format=%H%x20%ct%x20%s WORKING_DIRECTORY ${top}
                  OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  execute_process(COMMAND git rev-parse --absolute-git-dir WORKING_DIRECTORY ${top}
                  OUTPUT_VARIABLE git_dir OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(EXISTS "${git_dir}/logs/HEAD") # a new commit configures again
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${git_dir}/logs/HEAD)
  endif()
endif()

string(REPLACE "." "\\." release_re ${TRIVANE_RELEASE})
if(commit MATCHES "^([0-9a-f]+) ([0-9]+) (.*)$")
  string(SUBSTRING ${CMAKE_MATCH_1} 0 7 hash)
  set(commit_time ${CMAKE_MATCH_2})
  set(subject "${CMAKE_MATCH_3}")
  execute_process(COMMAND date -u -d @${commit_time} +%Y%m%d OUTPUT_VARIABLE day
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(snapshot git${day}.${hash})
else()
  # Neither git nor a filled-in packaging/git-archive: a copy of unknown origin.
  set(subject "")
  set(snapshot unknown)
  if(news_date STREQUAL "unreleased")
    set(commit_time 0)
  else()
    execute_process(COMMAND date -u -d ${news_date} +%s OUTPUT_VARIABLE commit_time
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  endif()
endif()

if(news_date STREQUAL "unreleased")
  set(TRIVANE_VERSION ${TRIVANE_RELEASE}~${snapshot})
elseif(subject MATCHES "^Release ${release_re}([^0-9.]|$)")
  set(TRIVANE_VERSION ${TRIVANE_RELEASE})
else()
  set(TRIVANE_VERSION ${TRIVANE_RELEASE}+${snapshot})
endif()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(TRIVANE_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  set(TRIVANE_SOURCE_DATE_EPOCH ${commit_time})
endif()
execute_process(COMMAND date -u -d @${TRIVANE_SOURCE_DATE_EPOCH} +%F OUTPUT_VARIABLE TRIVANE_DATE
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
if(CMAKE_SCRIPT_MODE_FILE) # cmake -P cmake/version.cmake: tools say the version
  message("${TRIVANE_VERSION}")
endif()

# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# Read by cpack before it makes each package. Every date in the packages is the
# source date (see source-date.cmake), so two builds of one commit give the same
# bytes; cpack, rpmbuild and string(TIMESTAMP) all read it from the environment.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} "${CPACK_TRIVANE_SOURCE_DATE_EPOCH}")
endif()

# The changelog in a package's format (deb or rpm) from packaging/changelog: the
# maintainer is the package's, and the newest entry is dated with the source date.
function(trivane_changelog format out)
  file(READ "${CPACK_TRIVANE_PACKAGING_DIR}/changelog" text)
  string(TIMESTAMP source_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  # Replace the date of the first signature line.
  string(FIND "${text}" "\n -- " at)
  string(SUBSTRING "${text}" 0 ${at} head)
  math(EXPR at "${at} + 1")
  string(SUBSTRING "${text}" ${at} -1 tail)
  string(FIND "${tail}" "\n" signature_end)
  string(SUBSTRING "${tail}" ${signature_end} -1 tail)
  set(text "${head}\n -- @TRIVANE_MAINTAINER@  ${source_date}${tail}")
  string(REPLACE "@TRIVANE_MAINTAINER@" "${CPACK_PACKAGE_CONTACT}" text "${text}")
  if(format STREQUAL "rpm")
    # * Mon Dec 07 2026 Name <mail> - 1.1.0-1, then the entry's items.
    string(REGEX REPLACE "trivane \\(([^)]+)\\)[^\n]*\n\n((  [^\n]*\n)+)\n -- ([^\n]*)  ([A-Za-z]+), ([0-9]+) ([A-Za-z]+) ([0-9]+)[^\n]*\n?"
           "* \\5 \\7 \\6 \\8 \\4 - \\1-1\n\\2" text "${text}")
    string(REGEX REPLACE "\n  \\* " "\n- " text "${text}")
    string(REGEX REPLACE "\n    " "\n  " text "${text}")
  endif()
  file(WRITE "${out}" "${text}")
endfunction()

if(CPACK_GENERATOR STREQUAL "RPM")
  set(CPACK_RPM_CHANGELOG_FILE "${CPACK_PACKAGE_DIRECTORY}/rpm-changelog")
  trivane_changelog(rpm "${CPACK_RPM_CHANGELOG_FILE}")
endif()

# The source tarball holds the tree as it is, not below the packages' /usr.
if(CPACK_INSTALLED_DIRECTORIES)
  set(CPACK_PACKAGING_INSTALL_PREFIX "")
endif()

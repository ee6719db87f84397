# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# Runs in CPack after the install into the staging folder: lays out what each
# package carries beyond the installed files. Run again once the package is made,
# it names it trivane.deb or trivane.rpm as well, so that an install line never
# picks an older package of the folder.
if(CPACK_PACKAGE_FILES)
  foreach(package IN LISTS CPACK_PACKAGE_FILES)
    get_filename_component(name "${package}" NAME)
    string(REGEX REPLACE ".*\\." "${CPACK_PACKAGE_DIRECTORY}/trivane." link "${name}")
    file(CREATE_LINK "${name}" "${link}" SYMBOLIC)
  endforeach()
  return()
endif()
set(usr "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr")
set(src "${CPACK_TRIVANE_SOURCE_DIR}")
# The packaged trivane and its manual page lie in the package's own folders:
# /usr/bin/trivane and trivane.1 are their alternative, which the maintainer
# scripts make.
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
file(MAKE_DIRECTORY "${usr}/libexec/trivane" "${usr}/share/trivane")
file(RENAME "${usr}/bin/trivane" "${root}${CPACK_TRIVANE_PACKAGED}")
foreach(page trivane trivane-setup trivane-detect)
  execute_process(COMMAND gzip -9nf "${usr}/share/man/man1/${page}.1" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
file(RENAME "${usr}/share/man/man1/trivane.1.gz" "${root}${CPACK_TRIVANE_MAN_PAGE}")
set(doc "${usr}/share/doc/trivane")
# The README: what trivane prints, setting it up, the status-bar recipes. Each file
# copied is 0644, whatever the source's mode (a tarball unpacked by root keeps 0664).
file(COPY "${src}/README.md" DESTINATION "${doc}" NO_SOURCE_PERMISSIONS)
if(CPACK_GENERATOR STREQUAL "DEB")
  # Debian: the copyright file, a compressed changelog, the lintian overrides (a
  # static binary's where it is one: each override has its reason above it).
  file(COPY "${src}/packaging/copyright" DESTINATION "${doc}" NO_SOURCE_PERMISSIONS)
  trivane_changelog(deb "${doc}/changelog")
  execute_process(COMMAND gzip -9nf "${doc}/changelog" COMMAND_ERROR_IS_FATAL ANY)
  set(overrides "${usr}/share/lintian/overrides/trivane")
  configure_file("${src}/packaging/lintian-overrides" "${overrides}" COPYONLY NO_SOURCE_PERMISSIONS)
  if(NOT CPACK_TRIVANE_DYNAMIC)
    file(READ "${src}/packaging/lintian-overrides.static" static)
    file(APPEND "${overrides}" "${static}")
  endif()
else()
  # RPM: the licence, and NEWS as documentation.
  configure_file("${src}/LICENSE" "${usr}/share/licenses/trivane/LICENSE" COPYONLY
                 NO_SOURCE_PERMISSIONS)
  configure_file("${src}/NEWS" "${doc}/NEWS" COPYONLY NO_SOURCE_PERMISSIONS)
endif()

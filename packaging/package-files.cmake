# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# Runs in CPack after the install into the staging folder: lays out what each
# package carries beyond the installed files.
set(usr "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr")
set(src "${CPACK_TRIVANE_SOURCE_DIR}")
foreach(page trivane trivane-setup trivane-detect)
  execute_process(COMMAND gzip -9nf "${usr}/share/man/man1/${page}.1" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
set(doc "${usr}/share/doc/trivane")
if(CPACK_GENERATOR STREQUAL "DEB")
  # Debian: the copyright file and a compressed changelog; a static binary's
  # lintian override.
  file(COPY "${src}/packaging/copyright" DESTINATION "${doc}")
  trivane_changelog(deb "${doc}/changelog")
  execute_process(COMMAND gzip -9nf "${doc}/changelog" COMMAND_ERROR_IS_FATAL ANY)
  if(NOT CPACK_TRIVANE_DYNAMIC)
    configure_file("${src}/packaging/lintian-overrides" "${usr}/share/lintian/overrides/trivane" COPYONLY)
  endif()
else()
  # RPM: the licence, and NEWS as documentation.
  configure_file("${src}/LICENSE" "${usr}/share/licenses/trivane/LICENSE" COPYONLY)
  configure_file("${src}/NEWS" "${doc}/NEWS" COPYONLY)
endif()

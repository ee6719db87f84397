# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# Runs in CPack after the install into the staging folder: lays out what each
# package carries beyond the installed files.
foreach(stage IN LISTS CPACK_TEMPORARY_INSTALL_DIRECTORY)
  set(usr "${stage}/usr")
  if(NOT EXISTS "${usr}/bin/${CPACK_PACKAGE_NAME}")
    continue() # the source tarball: nothing to add
  endif()
  # CPack already removed the symbols; the notes and the compiler's name go too.
  execute_process(COMMAND objcopy --remove-section=.comment --remove-section=.note
                          "${usr}/bin/${CPACK_PACKAGE_NAME}" COMMAND_ERROR_IS_FATAL ANY)
  file(GLOB pages "${usr}/share/man/man1/*.1")
  foreach(page IN LISTS pages)
    execute_process(COMMAND gzip -9nf "${page}" COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  set(doc "${usr}/share/doc/${CPACK_PACKAGE_NAME}")
  file(MAKE_DIRECTORY "${doc}")
  if(CPACK_GENERATOR STREQUAL "DEB")
    # Debian: the copyright file, a compressed changelog, the lintian overrides.
    file(COPY "${CPACK_TRIVANE_PACKAGING_DIR}/copyright" DESTINATION "${doc}")
    trivane_changelog(deb "${doc}/changelog")
    execute_process(COMMAND gzip -9nf "${doc}/changelog" COMMAND_ERROR_IS_FATAL ANY)
    file(MAKE_DIRECTORY "${usr}/share/lintian/overrides")
    configure_file("${CPACK_TRIVANE_PACKAGING_DIR}/lintian-overrides"
                   "${usr}/share/lintian/overrides/${CPACK_PACKAGE_NAME}" COPYONLY)
  else()
    # RPM: the licence and the changelog as documentation files.
    file(MAKE_DIRECTORY "${usr}/share/licenses/${CPACK_PACKAGE_NAME}")
    configure_file("${CPACK_TRIVANE_LICENSE}"
                   "${usr}/share/licenses/${CPACK_PACKAGE_NAME}/LICENSE" COPYONLY)
    trivane_changelog(deb "${doc}/changelog")
  endif()
endforeach()

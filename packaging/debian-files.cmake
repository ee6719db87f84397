# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# Runs in CPack after the install into the staging folder: lays out what Debian
# expects of a package beyond the installed files.
foreach(stage IN LISTS CPACK_TEMPORARY_INSTALL_DIRECTORY)
  set(usr "${stage}/usr")
  if(NOT EXISTS "${usr}")
    continue()
  endif()
  # Stripped as Debian strips: CPack already removed the symbols.
  execute_process(COMMAND objcopy --remove-section=.comment --remove-section=.note
                          "${usr}/bin/${CPACK_PACKAGE_NAME}" COMMAND_ERROR_IS_FATAL ANY)
  file(GLOB pages "${usr}/share/man/man1/*.1")
  foreach(page IN LISTS pages)
    execute_process(COMMAND gzip -9nf "${page}" COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  set(doc "${usr}/share/doc/${CPACK_PACKAGE_NAME}")
  file(MAKE_DIRECTORY "${doc}" "${usr}/share/lintian/overrides")
  file(COPY "${CPACK_TRIVANE_PACKAGING_DIR}/copyright" DESTINATION "${doc}")
  configure_file("${CPACK_TRIVANE_PACKAGING_DIR}/changelog" "${doc}/changelog" @ONLY)
  execute_process(COMMAND gzip -9nf "${doc}/changelog" COMMAND_ERROR_IS_FATAL ANY)
  configure_file("${CPACK_TRIVANE_PACKAGING_DIR}/lintian-overrides"
                 "${usr}/share/lintian/overrides/${CPACK_PACKAGE_NAME}" COPYONLY)
endforeach()

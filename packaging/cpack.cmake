# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# The Debian package and the RPM: cmake --build BUILD --target package (the RPM only
# where rpmbuild is), or cpack -G DEB / -G RPM in the build folder. The source
# tarball is the dist target: git archive of the commit.
set(TRIVANE_MAINTAINER "trivane developers <trivane@users.invalid>"
    CACHE STRING "Maintainer field of the packages")
set(CPACK_PACKAGE_NAME trivane)
set(CPACK_PACKAGE_VERSION ${TRIVANE_VERSION})
set(CPACK_PACKAGE_VENDOR "trivane developers")
set(CPACK_PACKAGE_CONTACT "${TRIVANE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "laptop fan, backlight, power and battery report")
set(CPACK_PACKAGE_DESCRIPTION
    "trivane reads the sysfs attribute files of a laptop's fan, backlight, AC
supply and battery and prints a short report: the fan speed, the backlight
level as a percentage, the AC power state and the battery level as a
percentage. It takes no options, exits with status 0 and costs about what a
bare static program costs, so status bars and scripts can call it every few
seconds.
.
The packaged trivane reads the default devices. trivane-setup writes a copy
that reads this laptop's own, as trivane-detect finds them, with no
compiler: for one user, or with --system for every user of the machine, kept
across upgrades.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB RPM)
find_program(TRIVANE_RPMBUILD rpmbuild)
if(NOT TRIVANE_RPMBUILD)
  set(CPACK_GENERATOR DEB)
  message(
    STATUS "trivane: no rpmbuild (Debian's rpm package): the package target makes the .deb only")
endif()
# A static binary needs nothing at run time; a dynamic one needs its libraries.
set(dynamic ON)
if(TRIVANE_LIBC STREQUAL "musl" OR TRIVANE_STATIC)
  set(dynamic OFF)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TRIVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The packaged trivane is /usr/bin/trivane's alternative, so that trivane-setup
# --system can put the machine's copy in its place; the scripts make that copy
# anew on every upgrade and take it away with the package. They are made from
# the layout setup is built with; each format calls its alternatives tool where
# it lies.
foreach(format deb rpm)
  set(TRIVANE_ALTERNATIVES update-alternatives) # as debhelper calls it
  if(format STREQUAL "rpm")
    set(TRIVANE_ALTERNATIVES /usr/sbin/update-alternatives)
  endif()
  foreach(script postinst prerm postrm)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/${script}.in
                   ${CMAKE_CURRENT_BINARY_DIR}/${format}/${script} @ONLY)
  endforeach()
endforeach()
set(scripts ${CMAKE_CURRENT_BINARY_DIR})
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${scripts}/deb/postinst ${scripts}/deb/prerm
                                       ${scripts}/deb/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Fedora's alternatives guideline: installed in %post on install and upgrade,
# removed in %preun on erase, the link a %ghost of the package's.
set(CPACK_RPM_POST_INSTALL_SCRIPT_FILE ${scripts}/rpm/postinst)
set(CPACK_RPM_PRE_UNINSTALL_SCRIPT_FILE ${scripts}/rpm/prerm)
# A build for another processor is packaged for it, by each format's name for it.
if(TRIVANE_TARGET)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${TRIVANE_TARGET})
  string(REGEX REPLACE "^arm$" armv7hl CPACK_RPM_PACKAGE_ARCHITECTURE ${CMAKE_SYSTEM_PROCESSOR})
endif()
if(TRIVANE_LIBC STREQUAL "musl")
  # Debian records statically linked code in Built-Using (lintian 2.116 does not
  # know Static-Built-Using yet). CPack has no setting for the field, so it
  # follows the section's line.
  # The musl of the package's own architecture, once, where a machine has several.
  if(NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
    execute_process(COMMAND dpkg --print-architecture OUTPUT_STRIP_TRAILING_WHITESPACE
                    OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE ERROR_QUIET)
  endif()
  execute_process(
    COMMAND dpkg-query -W "-f=\${source:Package} (= \${source:Version})"
            musl-dev:${CPACK_DEBIAN_PACKAGE_ARCHITECTURE} OUTPUT_VARIABLE musl
    RESULT_VARIABLE no_dpkg ERROR_QUIET)
  if(NOT no_dpkg)
    string(APPEND CPACK_DEBIAN_PACKAGE_SECTION "\nBuilt-Using: ${musl}")
  endif()
endif()
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP "Applications/System")
set(CPACK_RPM_PACKAGE_SUMMARY "Laptop fan, backlight, power and battery report")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RPM_PACKAGE_AUTOREQ ${dynamic})
set(CPACK_RPM_PACKAGE_REQUIRES_POST /usr/sbin/update-alternatives)
set(CPACK_RPM_PACKAGE_REQUIRES_PREUN /usr/sbin/update-alternatives)
# The folders of an RPM system's filesystem package: no package of another owns them.
get_filename_component(man1 ${TRIVANE_MAN_LINK} DIRECTORY)
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /etc/alternatives /usr/libexec /usr/share/man
                                                  ${man1} /usr/share/licenses)
set(CPACK_PACKAGE_RELOCATABLE OFF)
set(CPACK_RPM_USER_FILELIST
    "%license /usr/share/licenses/trivane/LICENSE"
    "%ghost %attr(0755,root,root) ${TRIVANE_PACKAGED_BINDIR}/trivane"
    "%ghost %attr(0644,root,root) ${TRIVANE_MAN_LINK}")
# No build host, no build time, no build-id links: two builds give the same bytes.
set(CPACK_RPM_SPEC_MORE_DEFINE
    "%define packager ${TRIVANE_MAINTAINER}
%define _buildhost reproducible
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1
%define _build_id_links none")
# Each package's own files (copyright, changelogs from NEWS, compressed manual page).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-options.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package-files.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package-files.cmake)
set(CPACK_TRIVANE_SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
set(CPACK_TRIVANE_DYNAMIC ${dynamic})
set(CPACK_TRIVANE_DEFAULT_DEVICES ${TRIVANE_DEFAULT_DEVICES})
set(CPACK_TRIVANE_SOURCE_DATE_EPOCH ${TRIVANE_SOURCE_DATE_EPOCH})
set(CPACK_TRIVANE_PACKAGED ${TRIVANE_PACKAGED})
set(CPACK_TRIVANE_MAN_PAGE ${TRIVANE_MAN_PAGE})
include(CPack)

# The source tarball: exactly the files of the commit, whatever else lies in the
# folder, with packaging/git-archive filled in (export-subst).
set(archive
    [[git -C "$0" archive --format=tar --prefix="$1/" -o "$PWD/$1.tar" HEAD && gzip -9nf "$1.tar" && echo "dist: $PWD/$1.tar.gz" || { echo "dist: the tarball is made from a git checkout, of its commit" >&2; exit 1; }]]
)
add_custom_target(
  dist COMMAND sh -c "${archive}" ${CMAKE_CURRENT_SOURCE_DIR} trivane-${TRIVANE_VERSION}
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} VERBATIM)

# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# Packages: cpack -G DEB and cpack -G RPM in a release build folder; the source
# tarball: cpack --config CPackSourceConfig.cmake.
set(TRIVANE_MAINTAINER "trivane developers <trivane@users.invalid>"
    CACHE STRING "Maintainer field of the packages")
set(CPACK_PACKAGE_NAME trivane)
set(CPACK_PACKAGE_VENDOR "trivane developers")
set(CPACK_PACKAGE_CONTACT "${TRIVANE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "laptop fan, backlight, power and battery report")
set(CPACK_PACKAGE_DESCRIPTION
    "trivane reads eight sysfs attribute files and prints a short report: the fan
speed, the backlight level as a percentage, the AC power state and the battery
level as a percentage. It takes no options, exits with status 0 and costs about
what a bare static program costs, so status bars and scripts can call it every
few seconds.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TRIVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP "Applications/System")
set(CPACK_RPM_PACKAGE_SUMMARY "Laptop fan, backlight, power and battery report")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RPM_PACKAGE_AUTOREQ OFF)
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/man /usr/share/man/man1 /usr/share/licenses)
set(CPACK_RPM_USER_FILELIST "%license /usr/share/licenses/trivane/LICENSE")
# No build host, no build time, no build-id links: two builds give the same bytes.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${TRIVANE_MAINTAINER}
%define _buildhost reproducible
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1
%define _build_id_links none")
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME "trivane-${PROJECT_VERSION}")
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build/" "/compile_commands\\\\.json$")
# Each package's own files (copyright, changelogs, compressed manual page).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/packaging/cpack-options.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/package-files.cmake)
set(CPACK_TRIVANE_PACKAGING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(CPACK_TRIVANE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_TRIVANE_SOURCE_DATE_EPOCH ${TRIVANE_SOURCE_DATE_EPOCH})
include(CPack)

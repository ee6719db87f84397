# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# Where the packages lay trivane out, and where trivane-setup --system keeps the
# machine's copy, with the priorities of the two alternatives of /usr/bin/trivane:
# the one source of these facts for setup, the maintainer scripts and the manual
# pages. The machine's copy follows Debian Policy: the administrator's choice in
# /etc, the package's state in /var/lib.
set(TRIVANE_PACKAGED_BINDIR /usr/bin)
set(TRIVANE_PACKAGED /usr/libexec/trivane/trivane)
# trivane.1 goes with the alternative: the packaged page lies in the package's
# own folder, and the alternative links it to the manual's place.
set(TRIVANE_MAN_LINK /usr/share/man/man1/trivane.1.gz)
set(TRIVANE_MAN_PAGE /usr/share/trivane/trivane.1.gz)
set(TRIVANE_SYSTEM_DEVICES /etc/trivane/devices.cmake)
set(TRIVANE_SYSTEM_COPY /var/lib/trivane/trivane)
set(TRIVANE_PACKAGED_PRIORITY 10)
set(TRIVANE_SYSTEM_PRIORITY 20)
file(RELATIVE_PATH TRIVANE_PACKAGED_FROM_BINDIR ${TRIVANE_PACKAGED_BINDIR} ${TRIVANE_PACKAGED})
get_filename_component(TRIVANE_PACKAGED_PREFIX ${TRIVANE_PACKAGED_BINDIR} DIRECTORY)
file(RELATIVE_PATH TRIVANE_MAN_LINK_FROM_PREFIX ${TRIVANE_PACKAGED_PREFIX} ${TRIVANE_MAN_LINK})
file(RELATIVE_PATH TRIVANE_MAN_PAGE_FROM_PREFIX ${TRIVANE_PACKAGED_PREFIX} ${TRIVANE_MAN_PAGE})
get_filename_component(TRIVANE_SYSTEM_DEVICES_FOLDER ${TRIVANE_SYSTEM_DEVICES} DIRECTORY)
get_filename_component(TRIVANE_SYSTEM_COPY_FOLDER ${TRIVANE_SYSTEM_COPY} DIRECTORY)
configure_file(src/setup/layout.h.in generated/setup/layout.h @ONLY)
configure_file(cmake/layout.env.in layout.env @ONLY)

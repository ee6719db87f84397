# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# cmake-format's layout for the CMake files (tools/check format holds them to it).
with section("format"):
    line_width = 100
    tab_size = 2
    dangle_parens = False
    max_pargs_hwrap = 30
    max_subgroups_hwrap = 6
    max_lines_hwrap = 6
    max_rows_cmdline = 6
    separate_ctrl_name_with_space = False
with section("markup"):
    enable_markup = False

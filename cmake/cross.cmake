# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# Builds for another processor with Debian's cross compilers (tools/deps --target
# TARGET installs them): TRIVANE_TARGET is arm64, armhf, riscv64 or i386. Every
# program links statically, the tests' too, so that they run through
# qemu-user-static with no library of the target's: i386's too, for a kernel may run
# no i386 program (built without IA32 emulation, or booted with it off).
set(TRIVANE_TARGET "" CACHE STRING "The processor to build for: arm64, armhf, riscv64 or i386")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TRIVANE_TARGET)
# Debian's name, the compiler's triple and qemu's name for each.
set(targets arm64:aarch64-linux-gnu:aarch64 armhf:arm-linux-gnueabihf:arm
            riscv64:riscv64-linux-gnu:riscv64 i386:i686-linux-gnu:i386)
list(FILTER targets INCLUDE REGEX "^${TRIVANE_TARGET}:")
if(NOT TRIVANE_TARGET OR NOT targets)
  message(FATAL_ERROR "TRIVANE_TARGET is '${TRIVANE_TARGET}': arm64, armhf, riscv64 or i386")
endif()
string(REPLACE ":" ";" targets "${targets}")
list(GET targets 1 triple)
list(GET targets 2 qemu)
set(CMAKE_SYSTEM_NAME Linux)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${triple})
string(REPLACE i686 i386 CMAKE_LIBRARY_ARCHITECTURE ${triple})
set(CMAKE_CXX_COMPILER ${triple}-g++)
# The target's packages only: GoogleTest is then built from Debian's sources.
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
if(qemu)
  set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${qemu}-static)
endif()
# gcc's note that an ABI changed in GCC 7.1 concerns no code of ours.
if(qemu STREQUAL "arm")
  set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)
endif()

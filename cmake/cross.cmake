# SPDX-FileCopyrightText: 2026 The trivane developers
# SPDX-License-Identifier: MIT
# Builds for another processor with Debian's cross compilers, which
# tools/deps --target TARGET installs: TRIVANE_TARGET is arm64, armhf, riscv64 or
# i386. The tests run through qemu-user-static (i386's run here as they are).
set(TRIVANE_TARGET "" CACHE STRING "The processor to build for: arm64, armhf, riscv64 or i386")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TRIVANE_TARGET)
# Debian's name, the compiler's triple, the library folder's, qemu's name
set(targets arm64:aarch64-linux-gnu:aarch64-linux-gnu:aarch64
  armhf:arm-linux-gnueabihf:arm-linux-gnueabihf:arm riscv64:riscv64-linux-gnu:riscv64-linux-gnu:riscv64
  i386:i686-linux-gnu:i386-linux-gnu:)
list(FILTER targets INCLUDE REGEX "^${TRIVANE_TARGET}:")
if(NOT TRIVANE_TARGET OR NOT targets)
  message(FATAL_ERROR "TRIVANE_TARGET is '${TRIVANE_TARGET}': arm64, armhf, riscv64 or i386")
endif()
string(REPLACE ":" ";" targets "${targets}")
list(GET targets 1 triple)
list(GET targets 2 CMAKE_LIBRARY_ARCHITECTURE)
list(GET targets 3 qemu)
set(CMAKE_SYSTEM_NAME Linux)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${triple})
set(CMAKE_CXX_COMPILER ${triple}-g++)
# The target's own libraries only; the build's tools are this machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# gcc's note that an ABI changed in GCC 7.1 concerns no code of ours.
if(TRIVANE_TARGET STREQUAL "armhf")
  set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)
endif()
# Every program static, the tests' too: they run with no loader or library of the target's.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
if(qemu)
  set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${qemu}-static)
endif()

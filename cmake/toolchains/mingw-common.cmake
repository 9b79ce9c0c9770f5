# SPDX-License-Identifier: MIT
# Shared part of the mingw-w64 toolchains; include after setting
# BRIXEL_MINGW_TRIPLE and BRIXEL_WINE_BITS. The -posix compilers, because GCC
# 12's win32 thread model has no std::mutex or std::thread, which GoogleTest
# and the simulator use.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${BRIXEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRIXEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BRIXEL_MINGW_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${BRIXEL_MINGW_TRIPLE}-dlltool)

# Header-only packages of the build machine: see host-headers.cmake.
set(CMAKE_FIND_ROOT_PATH /usr/${BRIXEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The language runtime goes inside every binary: nothing but system DLLs (and
# SiUSBXp.dll) has to travel with them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Tests and try_run go through wine, with the loader of the target's width.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run ${BRIXEL_WINE_BITS})
# What wine-run returns when this machine cannot run the loader: such a test is
# reported as skipped, never as passed.
set(BRIXEL_WINE_SKIP_CODE 77)

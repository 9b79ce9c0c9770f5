# SPDX-License-Identifier: MIT
# 32-bit x86 Windows with mingw-w64 (Debian's g++-mingw-w64-i686).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(BRIXEL_MINGW_TRIPLE i686-w64-mingw32)
set(BRIXEL_WINE_BITS x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

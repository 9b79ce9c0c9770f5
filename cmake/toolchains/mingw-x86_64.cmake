# SPDX-License-Identifier: MIT
# 64-bit Windows with mingw-w64 (Debian's g++-mingw-w64-x86-64).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(BRIXEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(BRIXEL_WINE_BITS x64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

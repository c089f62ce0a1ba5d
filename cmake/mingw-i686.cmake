# Cross build for 32-bit Windows with MinGW-w64 (Debian g++-mingw-w64-i686).
#
#   cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
#
# This tree builds what ships, for Windows XP SP3 and later. Everything is
# linked statically, so the outputs import system DLLs only, and only the
# functions listed in tests/e2e/xp_sp3_imports.txt.

set(CMAKE_SYSTEM_PROCESSOR i686)

set(SONRIK_MINGW_PREFIX i686-w64-mingw32)
set(SONRIK_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

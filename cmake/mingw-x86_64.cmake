# Cross build for 64-bit Windows with MinGW-w64 (Debian g++-mingw-w64-x86-64),
# for testing only: the plug-in ships as a 32-bit DLL. It stands in for the
# 32-bit tree on machines whose kernel runs no 32-bit programs (Wine's 32-bit
# loader among them): the unit tests, a 64-bit Sonrik.dll and sonrik-host.exe
# and the end-to-end tests run there. What only the 32-bit build can show (the
# stack bytes each export removes) is reported as skipped.
#
#   cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
#
# It is built as the 32-bit tree is, with the same compiler settings.
# Everything is linked statically, so the outputs import system DLLs only.

set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SONRIK_MINGW_PREFIX x86_64-w64-mingw32)
set(SONRIK_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

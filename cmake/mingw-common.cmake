# What both MinGW-w64 cross builds share; the toolchain files for 32-bit
# (mingw-i686.cmake) and 64-bit (mingw-x86_64.cmake) Windows set
# CMAKE_SYSTEM_PROCESSOR, SONRIK_MINGW_PREFIX and SONRIK_WINE_ARCH first.

set(CMAKE_SYSTEM_NAME Windows)
# The -win32 thread model: the -posix compilers link the POSIX thread library,
# which calls functions that Windows XP lacks (GetTickCount64). In GCC 12 this
# model has no std::thread or std::mutex: GoogleTest is built without its
# thread safety (tests/CMakeLists.txt) and the stand-in player uses the
# system's threads.
set(CMAKE_C_COMPILER ${SONRIK_MINGW_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${SONRIK_MINGW_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${SONRIK_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${SONRIK_MINGW_PREFIX}-objdump CACHE FILEPATH "objdump for the target")

set(CMAKE_FIND_ROOT_PATH /usr/${SONRIK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(SONRIK_STATIC_RUNTIME "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${SONRIK_STATIC_RUNTIME}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${SONRIK_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${SONRIK_STATIC_RUNTIME}")

# Programs built here run under Wine, each build tree with its own prefix.
# The toolchain file is also read for try_compile projects; only the real
# build tree's value reaches the targets.
get_filename_component(SONRIK_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(SONRIK_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${SONRIK_SOURCE_ROOT}/scripts/wine-run;--arch;${SONRIK_WINE_ARCH};--prefix;${SONRIK_WINEPREFIX}")

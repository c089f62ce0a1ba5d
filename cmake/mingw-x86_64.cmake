# Cross build for 64-bit Windows with MinGW-w64 (Debian g++-mingw-w64-x86-64),
# for the test programs only: the plug-in is 32-bit. It stands in for the
# 32-bit tree on machines whose kernel runs no 32-bit programs (Wine's 32-bit
# loader among them), so that the Win32 code is still tested there.
#
#   cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
#
# The -posix compilers are used because GoogleTest needs std::mutex and
# std::condition_variable, which the -win32 thread model lacks in GCC 12.
# Everything is linked statically, so the outputs import system DLLs only.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SONRIK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SONRIK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SONRIK_MINGW_PREFIX}-g++-posix)
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
    "${SONRIK_SOURCE_ROOT}/scripts/wine-run;--arch;win64;--prefix;${SONRIK_WINEPREFIX}")

# SPDX-License-Identifier: MIT
# Cross-building for 64-bit Windows with Debian's mingw-w64 (GCC).
#
# FLYOVER_WINDOWS_SDL names the folder SDL 1.2 for Windows was installed to
# (scripts/windows builds it); it is searched like the compiler's own root.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The compilers with the posix thread model: GoogleTest needs std::mutex.
set(mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw} ${FLYOVER_WINDOWS_SDL})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES FLYOVER_WINDOWS_SDL)

# GCC's runtime and its threads library are linked in, so that a Windows
# system needs no DLL of theirs. Windows' own DLLs and SDL.dll are still
# linked through their import libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

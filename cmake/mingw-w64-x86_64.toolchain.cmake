# Cross-compiles for 64-bit Windows with mingw-w64 (Debian: g++-mingw-w64-x86-64).
# Test binaries run under wine when it is installed, so ctest works on Linux.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KIC_MINGW_TRIPLE x86_64-w64-mingw32)

# The posix threading flavour gives the full std::thread/std::mutex support that
# GoogleTest may use; the plain name is the fallback on systems without flavours.
find_program(CMAKE_C_COMPILER NAMES ${KIC_MINGW_TRIPLE}-gcc-posix ${KIC_MINGW_TRIPLE}-gcc
             REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${KIC_MINGW_TRIPLE}-g++-posix ${KIC_MINGW_TRIPLE}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${KIC_MINGW_TRIPLE}-windres)

# Libraries, headers and packages come from the mingw sysroot only, never from the
# host: a host GoogleTest package would otherwise be picked up and fail to link.
set(CMAKE_FIND_ROOT_PATH /usr/${KIC_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link libgcc, libstdc++ and winpthread statically so the .exe runs on its own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Debian ships wine64 outside the PATH.
find_program(KIC_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(KIC_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${KIC_WINE}")
endif()

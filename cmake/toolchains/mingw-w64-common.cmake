# The part the mingw-w64 toolchain files share; they set
# CMAKE_SYSTEM_PROCESSOR and TARVOX_MINGW_PREFIX first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TARVOX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARVOX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TARVOX_MINGW_PREFIX}-windres)
set(CMAKE_AR ${TARVOX_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${TARVOX_MINGW_PREFIX}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${TARVOX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C library's own printf family (C99 formats such as %zu) instead of the
# system's older one.
set(CMAKE_C_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")
set(CMAKE_CXX_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs built for Windows run through Wine when it is installed.
find_program(TARVOX_WINE wine)
if(TARVOX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVOX_WINE})
endif()

# Cross build for 64-bit Windows with mingw-w64 (Debian packages
# g++-mingw-w64-x86-64 and mingw-w64-tools):
#   cmake -S . -B build-windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
#     -DTARVOX_TESTS=OFF -DTARVOX_BENCH=OFF -DTARVOX_TOOLS=OFF
# The posix thread model is used (the win32 one has no std::thread or
# std::mutex with GCC 12), and the GCC runtime, libstdc++ and winpthread are
# linked statically so that programs import system DLLs only.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARVOX_MINGW_PREFIX x86_64-w64-mingw32)
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

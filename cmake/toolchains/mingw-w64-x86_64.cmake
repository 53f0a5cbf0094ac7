# Cross build for 64-bit Windows with mingw-w64 (Debian packages
# g++-mingw-w64-x86-64 and mingw-w64-tools):
#   cmake -S . -B build-windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
#     -DTARVOX_TESTS=OFF -DTARVOX_BENCH=OFF -DTARVOX_TOOLS=OFF
# The posix thread model is used (the win32 one has no std::thread or
# std::mutex with GCC 12), and the GCC runtime, libstdc++ and winpthread are
# linked statically so that programs import system DLLs only.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TARVOX_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

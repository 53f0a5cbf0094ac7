# Cross build for 32-bit Windows with mingw-w64 (Debian packages
# g++-mingw-w64-i686-posix and mingw-w64-tools): the engine that 32-bit
# hosts (screen readers among them) load, also on 64-bit Windows.
#   cmake -S . -B build-windows32 -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-i686.cmake \
#     -DTARVOX_TESTS=OFF -DTARVOX_BENCH=OFF -DTARVOX_TOOLS=OFF
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TARVOX_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# The entry points are declared __stdcall (decorated _Name@N) and exported
# undecorated through the .def file (and only so: --kill-at).
string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -Wl,--enable-stdcall-fixup -Wl,--kill-at")

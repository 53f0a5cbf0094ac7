#!/usr/bin/env bash
# Cross-builds srsetup.exe for 64-bit Windows with mingw-w64 and checks that
# it imports nothing but system DLLs.
set -euo pipefail
cd "$(dirname "$0")/../.."

. .ci/packages.sh
ensure_packages g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64 cmake ninja-build

build=build-windows
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
    -DTARVOX_TESTS=OFF -DTARVOX_BENCH=OFF -DTARVOX_TOOLS=OFF
fi
cmake --build "$build" --target srsetup -j "${JOBS:-$(nproc)}"

exe="$build/tools/srsetup/srsetup.exe"
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sort -u)
echo "srsetup.exe imports: $(echo $imports)"
# What srsetup needs from Windows itself; a runtime DLL of the compiler
# (libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll) must not appear.
allowed=" kernel32.dll advapi32.dll msvcrt.dll "
bad=0
for dll in $imports; do
  case "$allowed" in
    *" $dll "*) ;;
    *) echo "srsetup.exe imports a DLL that Windows does not ship: $dll" >&2; bad=1 ;;
  esac
done
[ -n "$imports" ] || { echo "no imports found in $exe" >&2; bad=1; }
[ "$bad" -eq 0 ] || exit 1
echo "srsetup.exe: built, imports only system DLLs"

#!/usr/bin/env bash
# Cross-builds the engine library tarvox.dll for 64-bit Windows with
# mingw-w64 (after step 20 has installed the toolchain and configured
# build-windows) and checks that it imports only system DLLs and exports
# the component server's entry points and the C interface.
set -euo pipefail
cd "$(dirname "$0")/../.."

build=build-windows
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
    -DTARVOX_TESTS=OFF -DTARVOX_BENCH=OFF -DTARVOX_TOOLS=OFF
fi
cmake --build "$build" --target tarvox -j "${JOBS:-$(nproc)}"

dll="$build/engine/adapter/tarvox.dll"
dump=$(x86_64-w64-mingw32-objdump -p "$dll")
imports=$(echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sort -u)
echo "tarvox.dll imports: $(echo $imports)"
allowed=" kernel32.dll advapi32.dll msvcrt.dll ole32.dll oleaut32.dll "
bad=0
for dll_name in $imports; do
  case "$allowed" in
    *" $dll_name "*) ;;
    *) echo "tarvox.dll imports a DLL that Windows does not ship: $dll_name" >&2; bad=1 ;;
  esac
done
for export in DllGetClassObject DllCanUnloadNow DllRegisterServer DllUnregisterServer \
              tarvox_open tarvox_speak tarvox_close; do
  if ! grep -qE "\] $export\$" <<< "$dump"; then
    echo "tarvox.dll does not export $export" >&2
    bad=1
  fi
done
exit $bad

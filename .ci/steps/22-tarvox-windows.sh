#!/usr/bin/env bash
# Cross-builds the engine library tarvox.dll for 64-bit Windows with
# mingw-w64 (after step 20 has installed the toolchain and configured
# build-windows) and checks that it imports only system DLLs, exports
# the component server's entry points and the C interface, and carries its
# resources: the registration script (REGISTRY 101), the type library
# (TYPELIB 1) and string 100 "TtsEng".
set -euo pipefail
cd "$(dirname "$0")/../.."

build=${TARVOX_WINDOWS_BUILD:-build-windows}
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

# The resources, dumped back as a resource script.
resources=$(x86_64-w64-mingw32-windres -i "$dll" -O rc)
check_resource() {  # description, extended regular expression
  if ! grep -qE "$2" <<< "$resources"; then
    echo "tarvox.dll lacks $1" >&2
    bad=1
  fi
}
check_resource 'the REGISTRY resource 101' '^101 "REGISTRY"$'
check_resource 'the registration script text' "TtsEng\.SampleTTSEngine\.1 = s 'SampleTTSEngine Class'"
check_resource 'the TYPELIB resource 1' '^1 "TYPELIB"$'
# A type library starts with the signature "MSFT".
if ! grep -A2 -E '^1 "TYPELIB"$' <<< "$resources" | grep -q '0x5446534dL'; then
  echo "tarvox.dll: TYPELIB 1 is not a type library" >&2
  bad=1
fi
check_resource 'the string table entry 100 "TtsEng"' '^[[:space:]]*100, "TtsEng"$'
[ $bad -eq 0 ] && echo "tarvox.dll carries REGISTRY 101, TYPELIB 1 and string 100"
exit $bad

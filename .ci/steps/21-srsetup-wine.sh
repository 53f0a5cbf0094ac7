#!/usr/bin/env bash
# Runs srsetup.exe under Wine against real INI files and registry keys and
# compares the results with the Linux srsetup (tools/srsetup/wine-check.sh).
# Needs step 20 (srsetup.exe) and the Linux build of ./run test; builds what
# is missing. Cost on a fresh machine: wine + wine64 ≈ 100 MB download,
# ~15 s install, ~10 s for the Wine prefix, ~20 s for the cases.
set -euo pipefail
cd "$(dirname "$0")/../.."

. .ci/packages.sh
ensure_packages wine wine64

exe=build-windows/tools/srsetup/srsetup.exe
[ -f "$exe" ] || bash .ci/steps/20-srsetup-windows.sh

native=build/tools/srsetup/srsetup
if [ ! -x "$native" ]; then
  [ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build --target srsetup -j "${JOBS:-$(nproc)}"
fi

bash tools/srsetup/wine-check.sh "$exe" "$native"

#!/usr/bin/env bash
# Builds the Windows installer: tarvox.dll for 64-bit and 32-bit Windows
# (build-windows, build-windows32), srsetup.exe, the voices of the Linux
# build (their files, README and licence), the voice tokens from their
# manifests as an NSIS include, and then
# build-windows/tarvox-VERSION-setup.exe with makensis.
#   packaging/windows/make-installer.sh ROOT JOBS
set -euo pipefail
ROOT=$1
JOBS=${2:-2}
cd "$ROOT"
version=$(sed -n 's/^project(tarvox VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

cross_build() {  # DIR TOOLCHAIN TARGET...
  local dir=$1 toolchain=$2
  shift 2
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$toolchain.cmake" \
      -DTARVOX_TESTS=OFF -DTARVOX_BENCH=OFF -DTARVOX_TOOLS=OFF >&2
  fi
  cmake --build "$dir" --target "$@" -j "$JOBS" >&2
}
cross_build build-windows mingw-w64-x86_64 tarvox srsetup
cross_build build-windows32 mingw-w64-i686 tarvox

stage=build-windows/installer
rm -rf "$stage"
mkdir -p "$stage/voices"
for manifest in build/voices/*/voice.ini; do
  dir=$(dirname "$manifest")
  name=$(basename "$dir")
  cp -r "$dir" "$stage/voices/$name"
  rm -rf "$stage/voices/$name/log"
  mkdir -p "$stage/voices/$name/log"
  [ -f "voices/$name/README.md" ] && cp "voices/$name/README.md" "$stage/voices/$name/"
done
[ -n "$(ls "$stage/voices")" ] || { echo "no built voices in build/voices" >&2; exit 1; }
build/tools/tarvox-data register-voices --voices-dir '$INSTDIR\voices' --manifests "$stage/voices" \
  --nsis "$stage/voices.nsh" >&2

out=$ROOT/build-windows/tarvox-$version-setup.exe
makensis -V2 -NOCD \
  "-DVERSION=$version" "-DOUTFILE=$out" \
  "-DDLL64=$ROOT/build-windows/engine/adapter/tarvox.dll" \
  "-DDLL32=$ROOT/build-windows32/engine/adapter/tarvox.dll" \
  "-DSRSETUP=$ROOT/build-windows/tools/srsetup/srsetup.exe" \
  "-DVOICES=$ROOT/$stage/voices" "-DVOICES_NSH=$ROOT/$stage/voices.nsh" \
  "-DLICENSE=$ROOT/LICENSE" \
  packaging/windows/tarvox.nsi >&2
echo "$out"

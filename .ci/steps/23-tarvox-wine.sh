#!/usr/bin/env bash
# Drives the Windows engine library tarvox.dll under Wine as a speech host
# would: `regsvr32` registers it, `reg query` shows the class, its program
# identifiers and the type library, and our own client
# (engine/adapter/wine/wine_client.cpp) loads the type library, creates the
# engine with CoCreateInstance, gives it a voice token of the bundled voice
# built on Linux, speaks a Slovenian sentence with a bookmark into its own
# output site and checks audio and events, then again with the voice token
# that the data tool's .reg file puts into the registry; `regsvr32 /u`
# removes the class again.
# The samples are then compared with the Linux command line's for the same
# request. Wine 8's own speech platform cannot host a third-party voice, so
# the client stands in for it.
#
# Build directories: TARVOX_WINDOWS_BUILD (default build-windows, as step 22)
# and TARVOX_LINUX_BUILD (default build, as ./run test); what is missing is
# built. Cost after steps 20-22: the client (seconds), a Wine prefix (~10 s),
# the run (~10 s).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

. .ci/packages.sh
. .ci/wine.sh
ensure_packages wine wine64 g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64 cmake ninja-build

jobs=${JOBS:-$(nproc)}
win=${TARVOX_WINDOWS_BUILD:-build-windows}
linux=${TARVOX_LINUX_BUILD:-build}
if [ ! -f "$win/build.ninja" ]; then
  cmake -S . -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
    -DTARVOX_TESTS=OFF -DTARVOX_BENCH=OFF -DTARVOX_TOOLS=OFF
fi
cmake --build "$win" --target tarvox tarvox_wine_client -j "$jobs"
if [ ! -f "$linux/voices/quenlar-orin/sint.ini" ] || [ ! -x "$linux/tools/tarvox" ] ||
   [ ! -x "$linux/tools/tarvox-data" ]; then
  [ -f "$linux/build.ninja" ] || cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$linux" --target voice_quenlar_orin tarvox_cli tarvox_data -j "$jobs"
fi

voice=$(realpath "$linux/voices/quenlar-orin")
tarvox=$(realpath "$linux/tools/tarvox")
data_tool=$(realpath "$linux/tools/tarvox-data")
wine_prefix tarvox-wine

mkdir -p "$work/bin"
cp "$win/engine/adapter/tarvox.dll" "$win/engine/adapter/wine/tarvox-wine-client.exe" "$work/bin/"
dll=$(winpath "$work/bin/tarvox.dll")
clsid='{A8ABE95B-7C20-461E-A91A-D2D761F58629}'
libid='{AAD644AE-FCEB-4673-A5D0-0B898D61ECB1}'

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# expect DESCRIPTION TEXT PATTERN: the fixed string PATTERN occurs in TEXT.
expect() {
  if grep -qiF -- "$3" <<< "$2"; then echo "ok   $1"; else fail "$1: no '$3' in:"$'\n'"$2"; fi
}

wine_boot

# The system's interface and type library keys, to compare after
# registration: the type library's interfaces are not OLE-automation
# interfaces, so registering it writes no HKCR\Interface keys, and
# unregistering leaves both trees as they were.
snapshot() {  # KEY FILE: the key's tree exported to FILE (asked again when Wine cannot start reg.exe)
  local try
  for try in 1 2 3; do
    rm -f "$2"
    timeout 60 wine reg export "$1" "$(winpath "$2")" /y >/dev/null 2>&1 || true
    [ -s "$2" ] && return 0
    sleep 1
  done
}
snapshot 'HKCR\Interface' "$work/interface-before.reg"
snapshot 'HKCR\TypeLib' "$work/typelib-before.reg"
[ -s "$work/interface-before.reg" ] && [ -s "$work/typelib-before.reg" ] ||
  fail "reg export of HKCR\Interface and HKCR\TypeLib"

rc=0; timeout 120 wine regsvr32 /s "$dll" >/dev/null 2>&1 || rc=$?
[ "$rc" -eq 0 ] && echo "ok   regsvr32 tarvox.dll" || fail "regsvr32 tarvox.dll: exit code $rc"
snapshot 'HKCR\Interface' "$work/interface-registered.reg"
if cmp -s "$work/interface-before.reg" "$work/interface-registered.reg"; then
  echo "ok   registering the type library wrote no HKCR\Interface keys"
else
  fail "registering tarvox.dll changed HKCR\Interface"
fi

class=$(query "HKCR\\CLSID\\$clsid" /s)
expect "class key" "$class" "SampleTTSEngine Class"
expect "InprocServer32 names the DLL" "$class" "$dll"
expect "ThreadingModel Both" "$class" "ThreadingModel    REG_SZ    Both"
expect "class names its type library" "$class" "$libid"
expect "class names its ProgID" "$class" "TtsEng.SampleTTSEngine.1"
progid=$(query 'HKCR\TtsEng.SampleTTSEngine' /s)
expect "version-independent ProgID" "$progid" "TtsEng.SampleTTSEngine.1"
typelib=$(query "HKCR\\TypeLib\\$libid" /s)
expect "type library registered" "$typelib" "tarvox.dll"

rc=0
timeout 300 wine "$work/bin/tarvox-wine-client.exe" "$dll" "$(winpath "$voice")" \
  "$(winpath "$work/wine.raw")" > "$work/client.txt" 2>&1 || rc=$?
tr -d '\r' < "$work/client.txt"
[ "$rc" -eq 0 ] || fail "tarvox-wine-client: exit code $rc"

# The voice tokens as the data tool writes them for an installer, imported
# with regedit; the client then takes its token's values from the registry.
voices_dir=$(dirname "$voice")
if "$data_tool" register-voices --voices-dir "$(winpath "$voices_dir")" \
     --manifests "$voices_dir" --reg-file "$work/voices.reg" >/dev/null 2>&1 &&
   timeout 120 wine regedit /S "$(winpath "$work/voices.reg")" >/dev/null 2>&1; then
  token=$(query 'HKLM\SOFTWARE\Microsoft\Speech\Voices\Tokens\TarvoxQuenlarOrinYuAscii' /s)
  expect "voice token imported" "$token" "$(winpath "$voices_dir")"
  rc=0
  timeout 300 wine "$work/bin/tarvox-wine-client.exe" "$dll" "token:TarvoxQuenlarOrinYuAscii" \
    > "$work/client-token.txt" 2>&1 || rc=$?
  tr -d '\r' < "$work/client-token.txt" | sed 's/^/  [token] /'
  [ "$rc" -eq 0 ] || fail "tarvox-wine-client with the registered voice token: exit code $rc"
else
  fail "cannot write or import the voice tokens' .reg file"
fi

# The Linux command line, same voice and the same request (the bookmark
# cuts the text into the same fragments).
"$tarvox" say "Dober dan, kako ste?" --voice "$voice" --mark "11:7 vprasanje" --stdout \
  > "$work/linux.raw" 2>/dev/null || fail "Linux tarvox say failed"
wine_bytes=$(stat -c %s "$work/wine.raw" 2>/dev/null || echo 0)
linux_bytes=$(stat -c %s "$work/linux.raw")
if cmp -s "$work/wine.raw" "$work/linux.raw"; then
  echo "ok   the DLL under Wine spoke the same $wine_bytes bytes as the Linux command line"
elif [ "$wine_bytes" -eq "$linux_bytes" ]; then
  echo "note the DLL under Wine spoke $wine_bytes bytes like Linux, with different samples"
else
  fail "the DLL under Wine spoke $wine_bytes bytes, the Linux command line $linux_bytes"
fi

rc=0; timeout 120 wine regsvr32 /u /s "$dll" >/dev/null 2>&1 || rc=$?
[ "$rc" -eq 0 ] && echo "ok   regsvr32 /u tarvox.dll" || fail "regsvr32 /u: exit code $rc"
if timeout 60 wine reg query "HKCR\\CLSID\\$clsid" >/dev/null 2>&1; then
  fail "the class key is still there after regsvr32 /u"
else
  echo "ok   the class key is gone"
fi
snapshot 'HKCR\Interface' "$work/interface-after.reg"
snapshot 'HKCR\TypeLib' "$work/typelib-after.reg"
if cmp -s "$work/interface-before.reg" "$work/interface-after.reg" &&
   cmp -s "$work/typelib-before.reg" "$work/typelib-after.reg"; then
  echo "ok   HKCR\Interface and HKCR\TypeLib are as before registration"
else
  fail "after regsvr32 /u, HKCR\Interface or HKCR\TypeLib differ from before registration"
fi

if [ "$failures" -ne 0 ]; then
  echo "tarvox.dll under Wine: $failures check(s) failed" >&2
  exit 1
fi
echo "tarvox.dll under Wine: registered, created, spoke with word and bookmark events, unregistered"

#!/usr/bin/env bash
# The Windows installer (./run package-windows) under Wine: a silent
# install into a fresh prefix puts the engines, voices and srsetup under
# Program Files, registers the 64-bit engine in the 64-bit view and the
# 32-bit one in the 32-bit view, and writes the voice tokens with Windows
# paths in both; our 64-bit client (engine/adapter/wine/) then creates the
# engine by its class and speaks with the installed token; the silent
# uninstall removes the classes, the tokens of both views and every file.
# The 32-bit engine cannot run under Debian's 64-bit Wine alone (it needs the
# i386 Wine packages): its imports, exports and resources are checked as
# step 22 checks the 64-bit one.
set -euo pipefail
cd "$(dirname "$0")/../.."

. .ci/packages.sh
. .ci/wine.sh
ensure_packages wine wine64 nsis g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools \
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 cmake ninja-build

jobs=${JOBS:-$(nproc)}
setup=$(./run package-windows | tail -1)
[ -f "$setup" ] || { echo "no installer was built" >&2; exit 1; }
echo "installer: $setup ($(stat -c %s "$setup") bytes)"
cmake --build build-windows --target tarvox_wine_client -j "$jobs" >/dev/null

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
expect() {  # DESCRIPTION TEXT PATTERN: the fixed string PATTERN occurs in TEXT
  if grep -qiF -- "$3" <<< "$2"; then echo "ok   $1"; else fail "$1: no '$3' in:"$'\n'"$2"; fi
}

# The 32-bit engine as a file.
dll32=build-windows32/engine/adapter/tarvox.dll
dump=$(i686-w64-mingw32-objdump -p "$dll32")
expect "32-bit engine is a PE32 i386 DLL" "$(file "$dll32")" "Intel 80386"
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<< "$dump" | tr '[:upper:]' '[:lower:]' | sort -u)
for name in $imports; do
  case " kernel32.dll advapi32.dll msvcrt.dll ole32.dll oleaut32.dll " in
    *" $name "*) ;;
    *) fail "the 32-bit tarvox.dll imports a DLL that Windows does not ship: $name" ;;
  esac
done
for export in DllGetClassObject DllCanUnloadNow DllRegisterServer DllUnregisterServer tarvox_open tarvox_speak; do
  grep -qE "\] $export\$" <<< "$dump" || fail "the 32-bit tarvox.dll does not export $export"
done
if grep -qE '\] Dll[A-Za-z]+@[0-9]+$' <<< "$dump"; then fail "the 32-bit tarvox.dll exports decorated names"; fi
resources=$(i686-w64-mingw32-windres -i "$dll32" -O rc)
expect "32-bit engine carries its registration script" "$resources" '101 "REGISTRY"'
expect "32-bit engine carries its type library" "$resources" '1 "TYPELIB"'

wine_prefix tarvox-installer
wine_boot
# Whether a key exists (reg prints its "unable to find" on standard output).
exists() { timeout 60 wine reg query "$@" >/dev/null 2>&1; }

clsid='{A8ABE95B-7C20-461E-A91A-D2D761F58629}'
tokens='HKLM\SOFTWARE\Microsoft\Speech\Voices\Tokens'
dir="$WINEPREFIX/drive_c/Program Files/tarvox"
windir='C:\Program Files\tarvox'

rc=0; timeout 300 wine "$(winpath "$setup")" /S >/dev/null 2>&1 || rc=$?
timeout 120 wineserver -w || true
[ "$rc" -eq 0 ] && echo "ok   silent install" || fail "silent install: exit code $rc"
for f in x64/tarvox.dll x86/tarvox.dll srsetup.exe uninstall.exe LICENSE \
         voices/quenlar-orin/voice.ini voices/quenlar-orin/data/QuenlarOrin.dat voices/quenlar-orin/README.md \
         voices/quenlar-tevo/sint.ini; do
  [ -f "$dir/$f" ] && echo "ok   installed $f" || fail "not installed: $f"
done

class64=$(query "HKLM\\Software\\Classes\\CLSID\\$clsid" /s /reg:64)
expect "64-bit view: the class names the 64-bit engine" "$class64" "$windir\\x64\\tarvox.dll"
expect "64-bit view: ThreadingModel Both" "$class64" "ThreadingModel    REG_SZ    Both"
class32=$(query "HKLM\\Software\\Classes\\CLSID\\$clsid" /s /reg:32)
expect "32-bit view: the class names the 32-bit engine" "$class32" "$windir\\x86\\tarvox.dll"
expect "32-bit view: ThreadingModel Both" "$class32" "ThreadingModel    REG_SZ    Both"
for view in 64 32; do
  for token in TarvoxQuenlarOrin TarvoxQuenlarOrinYuAscii TarvoxQuenlarTevo; do
    t=$(query "$tokens\\$token" /s /reg:$view)
    expect "$view-bit view: token $token with its Windows path" "$t" "$windir\\voices\\quenlar-"
    expect "$view-bit view: token $token names the engine" "$t" "$clsid"
  done
done
expect "uninstall entry" "$(query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\tarvox' /reg:64)" \
  "uninstall.exe"

cp build-windows/engine/adapter/wine/tarvox-wine-client.exe "$work/"
rc=0
timeout 300 wine "$work/tarvox-wine-client.exe" "$windir\\x64\\tarvox.dll" "token:TarvoxQuenlarOrin" \
  > "$work/client.txt" 2>&1 || rc=$?
tr -d '\r' < "$work/client.txt" | sed 's/^/  [client] /'
[ "$rc" -eq 0 ] && echo "ok   the installed engine spoke with the installed token" ||
  fail "tarvox-wine-client with the installed token: exit code $rc"

rc=0; timeout 300 wine "$windir\\uninstall.exe" /S >/dev/null 2>&1 || rc=$?
timeout 120 wineserver -w || true
[ "$rc" -eq 0 ] && echo "ok   silent uninstall" || fail "silent uninstall: exit code $rc"
[ -e "$dir" ] && fail "left behind: $(cd "$dir" && find . | head -20 | tr '\n' ' ')" ||
  echo "ok   the installation directory is gone"
for view in 64 32; do
  if exists "HKLM\\Software\\Classes\\CLSID\\$clsid" /reg:$view; then
    fail "$view-bit view: the class is still there"
  else
    echo "ok   $view-bit view: the class is gone"
  fi
  for token in TarvoxQuenlarOrin TarvoxQuenlarOrinYuAscii TarvoxQuenlarTevo; do
    if exists "$tokens\\$token" /reg:$view; then fail "$view-bit view: token $token is still there"; fi
  done
done
if exists 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\tarvox' /reg:64; then
  fail "the uninstall entry is still there"
fi

if [ "$failures" -ne 0 ]; then
  echo "Windows installer under Wine: $failures check(s) failed" >&2
  exit 1
fi
echo "Windows installer under Wine: installed both engines and the voices, registered both views, spoke, uninstalled cleanly"

#!/usr/bin/env bash
# Runs srsetup.exe under Wine (the platform's own registry and private-profile
# functions) and the Linux srsetup (our registry file and INI layer) on the
# same cases, and checks that both make the same changes to PHOENIX.INI.
#
#   tools/srsetup/wine-check.sh path/to/srsetup.exe path/to/srsetup
#
# Needs the Debian packages wine and wine64. Wine rewrites a file it writes
# to (CR LF, no blank lines, no blanks around '='), so the written files are
# compared after the same normalisation; files that must stay untouched are
# compared byte for byte.
set -euo pipefail

[ $# -eq 2 ] || { sed -n '6p' "$0" >&2; exit 2; }
exe=$(realpath "$1")
native=$(realpath "$2")
work=$(mktemp -d /tmp/srsetup-wine.XXXXXX)

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
# The prefix; a start that fails is tried again after stopping the server.
booted=0
for try in 1 2 3; do
  if timeout 300 wineboot -i >"$work/wineboot.log" 2>&1; then booted=1; break; fi
  echo "wineboot failed (try $try)" >&2
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  sleep 2
done
if [ "$booted" -eq 0 ]; then tail -n 20 "$work/wineboot.log" >&2; exit 1; fi

winpath() { printf 'Z:%s' "${1//\//\\}"; }

normalise() {
  sed -e 's/\r$//' -e '/^[[:space:]]*$/d' -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' \
      -e 's/^\[[[:space:]]*\(.*[^[:space:]]\)[[:space:]]*\]$/[\1]/' \
      -e '/^[^;[]/s/[[:space:]]*=[[:space:]]*/=/' "$1"
}

failures=0
cases=0
fail() {
  echo "FAIL [$1]: $2" >&2
  failures=$((failures + 1))
}

# check_case NAME "SUBKEYS" EXPECTED RUNS INI
# Every subkey of the screen reader's key gets its own directory (InstPath)
# holding a copy of INI. EXPECTED is the subkey whose file must change, or
# "-" when no file may change.
check_case() {
  local name=$1 keys=$2 expected=$3 runs=$4 ini=$5
  local dir=$work/case$cases
  cases=$((cases + 1))
  mkdir -p "$dir/linux" "$dir/wine"
  printf '%s' "$ini" > "$dir/original.ini"

  local reg="$dir/registry.reg"
  printf 'Windows Registry Editor Version 5.00\r\n\r\n' > "$reg"
  wine reg delete 'HKLM\SOFTWARE\BAUM' /f /reg:32 >/dev/null 2>&1 || true
  local key
  for key in $keys; do
    mkdir -p "$dir/linux/$key" "$dir/wine/$key"
    cp "$dir/original.ini" "$dir/linux/$key/PHOENIX.INI"
    cp "$dir/original.ini" "$dir/wine/$key/PHOENIX.INI"
    printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\BAUM\\Virgo\\%s]\r\n"InstPath"="%s"\r\n\r\n' \
      "$key" "$dir/linux/$key" >> "$reg"
    wine reg add "HKLM\\SOFTWARE\\BAUM\\Virgo\\$key" /v InstPath /t REG_SZ \
      /d "$(winpath "$dir/wine/$key")" /f /reg:32 >/dev/null
  done

  local i rc
  for ((i = 0; i < runs; i++)); do
    rc=0; out=$(TARVOX_REGISTRY=$reg timeout 60 "$native" 2>&1) || rc=$?
    [ "$rc" -eq 0 ] || fail "$name" "Linux srsetup exit code $rc"
    [ -z "$out" ] || fail "$name" "Linux srsetup printed: $out"
    rc=0; out=$(timeout 120 wine "$exe" 2>&1) || rc=$?
    [ "$rc" -eq 0 ] || fail "$name" "srsetup.exe exit code $rc"
    [ -z "$out" ] || fail "$name" "srsetup.exe printed: $out"
  done

  for key in $keys; do
    local l=$dir/linux/$key/PHOENIX.INI w=$dir/wine/$key/PHOENIX.INI
    if [ "$key" = "$expected" ]; then
      cmp -s "$l" "$dir/original.ini" && fail "$name" "Linux srsetup left $key/PHOENIX.INI unchanged"
      cmp -s "$w" "$dir/original.ini" && fail "$name" "srsetup.exe left $key/PHOENIX.INI unchanged"
      if ! diff <(normalise "$l") <(normalise "$w") > "$dir/diff"; then
        fail "$name" "Linux and Wine results differ in $key/PHOENIX.INI (< Linux, > Wine):"
        cat "$dir/diff" >&2
      fi
    else
      cmp -s "$l" "$dir/original.ini" || fail "$name" "Linux srsetup changed $key/PHOENIX.INI"
      cmp -s "$w" "$dir/original.ini" || fail "$name" "srsetup.exe changed $key/PHOENIX.INI"
    fi
  done
}

CR=$'\r'
fresh="; Virgo settings$CR
$CR
[General]$CR
Language = sl$CR
$CR
[Modes]$CR
Eloquence=0$CR
$CR
[v0]$CR
Mode=Eloquence$CR
[v1]$CR
[V2]$CR
[v3]$CR
[v4]$CR
; speech$CR
[Speech]$CR
TextFocus=v0$CR
Other=keep$CR
"
known="[Modes]$CR
Quenlar Orin=2$CR
Quenlar Orin YU-ASCII=0$CR
Quenlar Tevo=1$CR
[v0]$CR
[v1]$CR
[v2]$CR
Pitch=77$CR
"
missing_section="[modes]
quenlar orin=9
Quenlar Tevo=1
[v0]
[v1]
"
non_numeric="[Modes]$CR
Quenlar Orin=orin$CR
Quenlar Orin YU-ASCII=-1$CR
Quenlar Tevo=$CR
[v1]$CR
"
no_modes="; no modes here$CR
[Speech]$CR
TextFocus=v0$CR
[v0]$CR
"

check_case "v0..v4 present: modes 5, 6, 7" "5.0" "5.0" 1 "$fresh"
check_case "known voices: only [Speech]" "4.6 4.7" "4.7" 1 "$known"
check_case "known number, missing section (LF file)" "4.6 5.0" "4.6" 1 "$missing_section"
check_case "non-numeric values; subkeys 4.5, 5.0, abc" "4.5 5.0 abc" "5.0" 1 "$non_numeric"
check_case "running twice" "4.7" "4.7" 2 "$fresh"
check_case "equal numbers: first listed wins" "5.00 5 5.0" "5" 1 "$fresh"
check_case "file without [Modes]" "4.7" "-" 1 "$no_modes"
check_case "subkey 4.5 alone" "4.5" "-" 1 "$fresh"
check_case "no registry key" "" "-" 1 "$fresh"

if [ "$failures" -ne 0 ]; then
  echo "srsetup under Wine: $failures failure(s) in $cases cases" >&2
  exit 1
fi
echo "srsetup under Wine: the $cases cases agree with the Linux layers"

#!/usr/bin/env bash
# Runs every fuzz program of build-fuzz for SECONDS each (two at a time),
# from seeds made of the built voice and a few made-up inputs; prints one
# line per program (executions, executions per second, coverage) and fails
# on any crash, leak, slow input (over 2 s) or sanitizer report, leaving the
# reproducer in build-fuzz/artifacts/.
#   fuzz/run.sh ROOT SECONDS
set -euo pipefail
ROOT=$1
SECONDS_EACH=${2:-60}
BUILD=$ROOT/build-fuzz
VOICE=${TARVOX_FUZZ_VOICE:-$ROOT/build/voices/quenlar-orin}
export TARVOX_FUZZ_VOICE=$VOICE
CORPUS=$BUILD/corpus
ARTIFACTS=$BUILD/artifacts
mkdir -p "$CORPUS" "$ARTIFACTS"

# seed TARGET NAME [PREFIX-BYTE] < content
seed() {
  local dir=$CORPUS/$1
  mkdir -p "$dir"
  if [ $# -ge 3 ]; then { printf "$3"; cat; } > "$dir/$2"; else cat > "$dir/$2"; fi
}
seed fuzz_profile gfp '\x00' < "$VOICE/gfp.ini"
seed fuzz_profile mikro '\x00' < "$VOICE/mikro.ini"
seed fuzz_config sint < "$VOICE/sint.ini"
seed fuzz_converter_profile gfp < "$VOICE/gfp.ini"
seed fuzz_prosody_profiles mikro '\x00' < "$VOICE/mikro.ini"
seed fuzz_prosody_profiles makro '\x01' < "$VOICE/makro.ini"
seed fuzz_cost cost < "$VOICE/Cost.dat"
seed fuzz_dictionary osnovni '\x02' < "$VOICE/slovarji/osnovni.dct"
i=0
while IFS= read -r line && [ $i -lt 40 ]; do
  [ -n "$line" ] || continue
  i=$((i + 1))
  printf '%s' "$line" | seed fuzz_converter "s$i"
  printf '%s' "$line" | seed fuzz_speak "s$i" '\x0b\x0b\x32'
done < "$ROOT/voices/corpus/check-sentences.txt"
printf 'Cena je 2.500 €, ura 8:15, dr. Novak, 3. 5. 2026, −5 °C, Müller, Москва 😀.' | seed fuzz_converter mixed
# The engine object: site rate and volume, then fragments (action, rate,
# volume, pitch, silence/4, offset/64, length in code units, UTF-16LE text).
{ printf '\x00\x64\x00\x00\x64\x00\x00\x00\x14'; printf 'Dober dan, kako ste?' | iconv -t UTF-16LE
  printf '\x03\x00\x64\x00\x00\x01\x02'; printf 'm1' | iconv -t UTF-16LE
  printf '\x04\x05\x50\x03\x00\x01\x06'; printf 'ABC 12' | iconv -t UTF-16LE
  printf '\x01\x00\x64\x00\x20\x01\x00'
  printf '\x00\xfb\x64\xfe\x00\x02\x1a'; printf 'Cena je 2.500 €, ura 8:15.' | iconv -t UTF-16LE; } |
  seed fuzz_engine_object request
printf 'INIT\nSET\nrate=50\npunctuation_mode=all\n.\nSPEAK\n<speak>Dober <mark name="a"/>dan.</speak>\n.\nCHAR\nx\n.\nKEY\nspace\n.\nSTOP\nQUIT\n' |
  seed fuzz_sd_session session
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\n@="v"\n"a"=dword:0000001f\n"b"=hex:01,02,\\\n  03\n"c"="x\\"y"\n\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\U]\n' |
  seed fuzz_registry_file reg
printf 'Voices\x01Default\x01Tarvox\x01[Voices]\r\nDefault=Other\r\n; note\r\n[Speech]\r\nRate=5\r\n' |
  seed fuzz_private_profile ini

run_one() {
  local target=$1 log=$BUILD/$1.log
  mkdir -p "$CORPUS/$target"
  if "$BUILD/fuzz/$target" -max_total_time="$SECONDS_EACH" -timeout=2 -rss_limit_mb=2048 \
       -max_len=65536 -print_final_stats=1 -artifact_prefix="$ARTIFACTS/$target-" \
       "$CORPUS/$target" > "$log" 2>&1; then
    local runs cov
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    printf '%-24s ok   %9s executions  %7s/s  cov %s\n' "$target" "$runs" \
      "$((runs / SECONDS_EACH))" "${cov:-?}"
  else
    printf '%-24s FAIL (log: %s; reproducer in %s)\n' "$target" "$log" "$ARTIFACTS"
    grep -E 'ERROR|SUMMARY|Test unit written|^Base64:' "$log" | head -6 | sed 's/^/    /'
    return 1
  fi
}
export -f run_one
export BUILD CORPUS ARTIFACTS SECONDS_EACH
targets=$(cd "$BUILD/fuzz" && ls fuzz_* | grep -v '\.' )
printf '%s\n' $targets | xargs -P 2 -I{} bash -c 'run_one {}'

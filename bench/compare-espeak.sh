#!/usr/bin/env bash
# tarvox and espeak-ng (Slovenian voice) as whole processes on the same long
# Slovenian text, each writing a WAV file, in one run: prints both real-time
# factors (seconds of audio per second of wall time) and their ratio.
#
#   bench/compare-espeak.sh [TEXT_FILE] [RUNS]
#
# Needs the built tree (./run build) and the Debian package espeak-ng.
set -euo pipefail
cd "$(dirname "$0")/.."
text=${1:-voices/corpus/check-sentences.txt}
runs=${2:-5}
tarvox=build/tools/tarvox
[ -x "$tarvox" ] || { echo "build first: ./run build" >&2; exit 1; }
command -v espeak-ng >/dev/null || { echo "install espeak-ng" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Best (shortest) wall time of RUNS runs of a command, in seconds.
best_time() {
  local best=""
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    t1=$(date +%s.%N)
    best=$(awk -v a="$t0" -v b="$t1" -v best="$best" \
      'BEGIN { d = b - a; if (best == "" || d < best) print d; else print best }')
  done
  echo "$best"
}

# Seconds of audio in a WAV file (soxi from the Debian package sox, or
# Python's wave module).
audio_seconds() {
  if command -v soxi >/dev/null; then
    soxi -D "$1"
  else
    python3 -c 'import sys, wave; w = wave.open(sys.argv[1]); print(w.getnframes() / w.getframerate())' "$1"
  fi
}

t_tarvox=$(best_time "$tarvox" say -f "$text" -o "$out/tarvox.wav")
t_espeak=$(best_time espeak-ng -v sl -f "$text" -w "$out/espeak.wav")
a_tarvox=$(audio_seconds "$out/tarvox.wav")
a_espeak=$(audio_seconds "$out/espeak.wav")
awk -v tt="$t_tarvox" -v te="$t_espeak" -v at="$a_tarvox" -v ae="$a_espeak" 'BEGIN {
  rt = at / tt; re = ae / te
  printf "tarvox:    %.1f s of audio in %.3f s: %.0f x real time\n", at, tt, rt
  printf "espeak-ng: %.1f s of audio in %.3f s: %.0f x real time\n", ae, te, re
  printf "tarvox / espeak-ng: %.2f\n", rt / re
}'
